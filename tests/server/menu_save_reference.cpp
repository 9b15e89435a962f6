// The monthly menu's save as it was before it was batched, row by row; see the header.
// The code below is the previous implementation, unchanged but for the names of the
// change record's class and the function that runs it.
#include "menu_save_reference.h"

#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "rpc/contracts.h"
#include "server/db_layer.h"
#include "server/modules/menu_days.h"
#include "server/modules/modules.h"
#include "server/operator_access.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

namespace pla::test {

using namespace pla::server;

namespace {

// The change record as it was: each day read before and after on its own, each line
// inserted alone.
class TRegistroLinhaALinha {
public:
    TRegistroLinhaALinha(TDatabase& db, const QString& filial, const QString& operador,
                         rpc::TOperacaoCardapio operacao)
        : db_(db)
        , filial_(filial)
        , operador_(operador)
        , operacao_(operacao)
        , instante_(Agora()) {}

    void Antes(const QString& nrCardapio);
    void Novo(const QString& nrCardapio);
    int Registra();

private:
    struct TPrato {
        int Ordem = 0;
        QString Filial;
        QString Codigo;
        double Percentual = 0;
        QString Tipo;
    };
    struct TDia {
        bool Existe = false;
        QString Servico;
        QDateTime Data;
        double Comensais = 0;
        QMap<int, QList<TPrato>> Posicoes;
    };

    TDia le(const QString& nrCardapio);
    int compara(const QString& nrCardapio, const TDia& antes, const TDia& depois);
    void grava(const QString& nrCardapio, const TDia& antes, const TDia& depois, int posicao,
               const TPrato* anterior, const TPrato* novo);

    TDatabase& db_;
    QString filial_;
    QString operador_;
    rpc::TOperacaoCardapio operacao_;
    QDateTime instante_;
    QList<QString> ordem_;
    QHash<QString, TDia> antes_;
};

bool mesmoPrato(const QString& filialA, const QString& codigoA, const QString& filialB,
                const QString& codigoB) {
    return filialA.trimmed() == filialB.trimmed() && codigoA.trimmed() == codigoB.trimmed();
}

QVariant ouNulo(const QString& text) {
    return text.trimmed().isEmpty() ? QVariant() : QVariant(text);
}

TRegistroLinhaALinha::TDia TRegistroLinhaALinha::le(const QString& nr) {
    // The position's dish type is the month's configuration's, else the dish's own.
    QSqlQuery q = db_.Exec(
        QStringLiteral(
            "SELECT D.CDSERVFILI, D.DTCARDAPIO, D.QTCOMESTICAR, C.NRSEQPRATCAR, C.NRORDPRATCAR, "
            "C.CDFILAUXPRAT, C.CDPRATO, C.VRPECONSCARD, COALESCE(M.CDTIPOPRAT, P.CDTIPOPRAT) "
            "FROM CARDADIA D LEFT JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
            "D.NRCARDAPIO LEFT JOIN PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = "
            "C.CDPRATO LEFT JOIN CNFCARDMES M ON M.CDFILIAL = D.CDFILIAL AND M.CDSERVFILI = "
            "D.CDSERVFILI AND M.DTREFECNFMES = D.DTMESCARD AND M.NRSEQCNFMES = C.NRSEQPRATCAR "
            "WHERE D.CDFILIAL = ? AND D.NRCARDAPIO = ? ORDER BY C.NRSEQPRATCAR, "
            "C.NRORDPRATCAR"),
        {filial_, nr});
    TDia dia;
    while (q.next()) {
        if (!dia.Existe) {
            dia.Existe = true;
            dia.Servico = q.value(0).toString();
            dia.Data = TDatabase::FromSql(TFieldType::DateTime, q.value(1)).toDateTime();
            dia.Comensais = q.value(2).toDouble();
        }
        if (q.value(3).isNull()) {
            continue; // a day without dishes
        }
        dia.Posicoes[q.value(3).toInt()].append({q.value(4).toInt(), q.value(5).toString(),
                                                 q.value(6).toString(), q.value(7).toDouble(),
                                                 q.value(8).toString()});
    }
    return dia;
}

void TRegistroLinhaALinha::Antes(const QString& nr) {
    const QString key = nr.trimmed();
    if (key.isEmpty() || antes_.contains(key)) {
        return;
    }
    // Writers of one day take turns from here until they commit: on PostgreSQL another's
    // change not yet committed would be read after it as this one's.
    db_.Scalar(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND "
                              "NRCARDAPIO = ?") +
                   db_.RowLock(),
               {filial_, key});
    antes_.insert(key, le(key));
    ordem_.append(key);
}

void TRegistroLinhaALinha::Novo(const QString& nr) {
    const QString key = nr.trimmed();
    if (key.isEmpty() || antes_.contains(key)) {
        return;
    }
    antes_.insert(key, TDia{});
    ordem_.append(key);
}

int TRegistroLinhaALinha::Registra() {
    int written = 0;
    for (const QString& nr : std::as_const(ordem_)) {
        written += compara(nr, antes_.value(nr), le(nr));
    }
    ordem_.clear();
    antes_.clear();
    return written;
}

int TRegistroLinhaALinha::compara(const QString& nr, const TDia& antes, const TDia& depois) {
    if (!antes.Existe && !depois.Existe) {
        return 0;
    }
    QList<int> posicoes = antes.Posicoes.keys();
    for (const int p : depois.Posicoes.keys()) {
        if (!posicoes.contains(p)) {
            posicoes.append(p);
        }
    }
    std::sort(posicoes.begin(), posicoes.end());
    int written = 0;
    for (const int p : posicoes) {
        QList<TPrato> saiu = antes.Posicoes.value(p);
        QList<TPrato> entrou = depois.Posicoes.value(p);
        // A dish still in its position is itself, whatever its order now: only its
        // share may have changed.
        for (qsizetype i = 0; i < saiu.size();) {
            qsizetype j = 0;
            while (j < entrou.size() && !mesmoPrato(saiu[i].Filial, saiu[i].Codigo,
                                                    entrou[j].Filial, entrou[j].Codigo)) {
                ++j;
            }
            if (j == entrou.size()) {
                ++i;
                continue;
            }
            if (std::abs(saiu[i].Percentual - entrou[j].Percentual) > 1e-9) {
                grava(nr, antes, depois, p, &saiu[i], &entrou[j]);
                ++written;
            }
            saiu.removeAt(i);
            entrou.removeAt(j);
        }
        // The others replaced one another in order; what is left came or went alone.
        const qsizetype pares = std::max(saiu.size(), entrou.size());
        for (qsizetype k = 0; k < pares; ++k) {
            grava(nr, antes, depois, p, k < saiu.size() ? &saiu[k] : nullptr,
                  k < entrou.size() ? &entrou[k] : nullptr);
            ++written;
        }
    }
    return written;
}

void TRegistroLinhaALinha::grava(const QString& nr, const TDia& antes, const TDia& depois,
                                 int posicao, const TPrato* anterior, const TPrato* novo) {
    const TDia& dia = depois.Existe ? depois : antes;
    const TPrato* tipo = novo && !novo->Tipo.trimmed().isEmpty() ? novo : anterior;
    db_.Exec(
        QStringLiteral("INSERT INTO HISTCARD (CDFILIAL, CDSERVFILI, DTCARDAPIO, NRCARDAPIO, "
                       "NRSEQPRATCAR, NRORDPRATCAR, CDTIPOPRAT, CDFILAUXPRATANT, CDPRATOANT, "
                       "VRPECONSANT, CDFILAUXPRATNOV, CDPRATONOV, VRPECONSNOV, QTCOMESTIANT, "
                       "QTCOMESTINOV, IDOPERACAO, CDOPERADOR, DTALTERACAO) VALUES (?, ?, ?, ?, "
                       "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {filial_, dia.Servico, dia.Data, nr, posicao, novo ? novo->Ordem : anterior->Ordem,
         tipo ? ouNulo(tipo->Tipo) : QVariant(), anterior ? ouNulo(anterior->Filial) : QVariant(),
         anterior ? ouNulo(anterior->Codigo) : QVariant(),
         anterior ? QVariant(anterior->Percentual) : QVariant(),
         novo ? ouNulo(novo->Filial) : QVariant(), novo ? ouNulo(novo->Codigo) : QVariant(),
         novo ? QVariant(novo->Percentual) : QVariant(),
         antes.Existe ? QVariant(antes.Comensais) : QVariant(),
         depois.Existe ? QVariant(depois.Comensais) : QVariant(),
         QString(QChar::fromLatin1(static_cast<char>(operacao_))), operador_, instante_});
}

// A new day's number until the server gives it one.
constexpr auto Placeholder = "XXXXXXXXXX";

const QStringList DayColumns{"CDFILIAL",     "NRCARDAPIO",   "CDSERVFILI",   "CDOPERADOR",
                             "DTCARDAPIO",   "QTCOMESTICAR", "QTESTITURNO1", "QTESTITURNO2",
                             "QTESTITURNO3", "QTESTITURNO4", "QTCLIESTICAR", "QTFUNESTICAR",
                             "QTDOAESTICAR", "QTCOMEFETCAR", "QTCLIEFETCAR", "QTFUNEFETCAR",
                             "QTDOAEFETCAR", "DTMESCARD",    "DSCARDAPIO",   "DTULTATUACAR"};
const QStringList DishColumns{"CDFILIAL",     "NRCARDAPIO",     "NRSEQPRATCAR", "NRORDPRATCAR",
                              "CDFILAUXPRAT", "CDPRATO",        "VRPECONSCARD", "IDPRATOESPE",
                              "CDPRATOMAT",   "CDFILAUXPRATMAT"};
// Written by the server, never compared with what the screen saw.
const QStringList Stamps{"CDOPERADOR", "DTULTATUACAR"};

// One row of a change set, read by column name.
class TRow {
public:
    TRow(const TDataPacket& packet, const TPacketRow& row)
        : packet_(packet)
        , row_(row) {}
    bool Has(const QString& column) const { return packet_.FieldIndex(column) >= 0; }
    QVariant Value(const QString& column) const {
        const int i = packet_.FieldIndex(column);
        return i < 0 ? QVariant() : row_.Values.value(i);
    }
    // The saved value the screen started from: the original of a modified row, the
    // value of a deleted one.
    QVariant Saved(const QString& column) const {
        const int i = packet_.FieldIndex(column);
        if (i < 0) {
            return {};
        }
        return row_.Kind == TRowKind::Modified ? row_.Originals.value(i) : row_.Values.value(i);
    }
    QString Text(const QString& column) const { return Value(column).toString().trimmed(); }
    TRowKind Kind() const { return row_.Kind; }

private:
    const TDataPacket& packet_;
    const TPacketRow& row_;
};

bool same(const QVariant& saved, const QVariant& now) {
    if (saved.isNull() || now.isNull()) {
        const auto empty = [](const QVariant& v) {
            return v.isNull() || v.toString().trimmed().isEmpty();
        };
        return empty(saved) && empty(now);
    }
    if (saved.typeId() == QMetaType::QDateTime || now.typeId() == QMetaType::QDateTime) {
        return saved.toDateTime() == now.toDateTime();
    }
    bool a = false;
    bool b = false;
    const double x = saved.toDouble(&a);
    const double y = now.toDouble(&b);
    if (a && b && saved.typeId() != QMetaType::QString) {
        return std::abs(x - y) < 1e-9;
    }
    return saved.toString().trimmed() == now.toString().trimmed();
}

QString dateText(const QVariant& v) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), v.toDateTime().date());
}

class TMenuSave {
public:
    TMenuSave(TDatabase& db, const TOperatorAccess& access, bool moduFili)
        : db_(db)
        , access_(access)
        , operador_(access.Operador())
        , moduFili_(moduFili) {}

    // Whether the menus of the saved service follow a central menu (the central flag).
    std::optional<bool> Follows() const {
        return central_ ? std::optional<bool>(central_->Follows) : std::nullopt;
    }

    // The number of the day this save is about.
    QString Run(const std::optional<TDataPacket>& days, const std::optional<TDataPacket>& dishes) {
        if (days) {
            for (const TPacketRow& r : days->Rows) {
                if (r.Kind == TRowKind::Inserted || r.Kind == TRowKind::Modified) {
                    saveDay(TRow(*days, r));
                }
            }
        }
        QList<TExclusion> exclusions;
        if (dishes) {
            // The central dish a removed dish stood for is read before anything changes.
            for (const TPacketRow& r : dishes->Rows) {
                if (r.Kind == TRowKind::Deleted) {
                    exclusions << exclusionOf(TRow(*dishes, r));
                }
            }
            for (const TRowKind kind :
                 {TRowKind::Deleted, TRowKind::Modified, TRowKind::Inserted}) {
                for (const TPacketRow& r : dishes->Rows) {
                    if (r.Kind == kind) {
                        saveDish(TRow(*dishes, r));
                    }
                }
            }
        }
        // Who changed each day's dishes, and when: once per day.
        for (const QString& nr : std::as_const(touched_)) {
            db_.ExecCount(QStringLiteral("UPDATE CARDADIA SET CDOPERADOR = ?, DTULTATUACAR = ? "
                                         "WHERE CDFILIAL = ? AND NRCARDAPIO = ?"),
                          {operador_, Agora(), filial_, nr});
        }
        for (const TExclusion& e : exclusions) {
            recordExclusion(e);
        }
        if (dishes) {
            for (const TPacketRow& r : dishes->Rows) {
                recordSpecialDay(TRow(*dishes, r));
            }
        }
        if (days) {
            for (const TPacketRow& r : days->Rows) {
                if (r.Kind == TRowKind::Deleted) {
                    deleteDay(TRow(*days, r));
                }
            }
        }
        if (registro_) {
            registro_->Registra();
        }
        checkDaysWithoutDiners();
        return answer_;
    }

private:
    // A central dish removed from a position of a day, and who removed it.
    struct TExclusion {
        QString Servico;
        QDate Day;
        int Position = 0;
        QString Dish;
        QString DishBranch;
    };

    const TCentralMenu& centralOf(const QString& servico) {
        if (!central_ || centralService_ != servico) {
            central_ = CentralMenuOf(db_, filial_, servico, operador_);
            centralService_ = servico;
        }
        return *central_;
    }

    TExclusion exclusionOf(const TRow& row) {
        checkBranch(row.Text("CDFILIAL"));
        TExclusion e;
        e.Servico = row.Saved("CDSERVFILI").toString().trimmed();
        const QString nr = row.Saved("NRCARDAPIO").toString().trimmed();
        e.Day = dayDate(nr).date();
        e.Position = row.Saved("NRSEQPRATCAR").toInt();
        if (e.Servico.isEmpty()) {
            e.Servico = db_.Scalar(QStringLiteral("SELECT CDSERVFILI FROM CARDADIA WHERE CDFILIAL "
                                                  "= ? AND NRCARDAPIO = ?"),
                                   {filial_, nr})
                            .toString();
        }
        QSqlQuery q = db_.Exec(QStringLiteral("SELECT CDPRATOMAT, CDFILAUXPRATMAT FROM COMPCARD "
                                              "WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND "
                                              "NRSEQPRATCAR = ? AND CDPRATOMAT IS NOT NULL ORDER "
                                              "BY NRORDPRATCAR"),
                               {filial_, nr, e.Position});
        if (q.next()) {
            e.Dish = q.value(0).toString().trimmed();
            e.DishBranch = q.value(1).toString().trimmed();
        } else if (row.Saved("IDPRATOESPE").toString().trimmed() != QLatin1String("S")) {
            // Without a central dish the removed dish itself was the menu's.
            e.Dish = row.Saved("CDPRATO").toString().trimmed();
            e.DishBranch = row.Saved("CDFILAUXPRAT").toString().trimmed();
        }
        return e;
    }

    void recordExclusion(const TExclusion& e) {
        const TCentralMenu& c = centralOf(e.Servico);
        const QVariantList key{filial_, e.Servico, DataHora(PriDiaMes(e.Day)),
                               QStringLiteral("%1").arg(e.Day.day(), 2, 10, QLatin1Char('0')),
                               e.Position};
        const QString where =
            QStringLiteral("CDFILIAL = ? AND CDSERVFILI = ? AND DTMESCARD = ? AND "
                           "DTPRATEXCL = ? AND NRSEQPRATEXCL = ?");
        const bool recorded =
            db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM PRATEXCL WHERE ") + where, key)
                .toInt() > 0;
        QString mark;
        if (c.MenuType == QLatin1Char('S') && !c.CentralBranch.isEmpty()) {
            mark = c.GroupParameterised && c.OperatorOfGroup ? QStringLiteral("M")
                                                             : QStringLiteral("F");
            if (recorded) {
                db_.Exec(QStringLiteral("UPDATE PRATEXCL SET IDLOCALEXCL = ? WHERE ") + where,
                         QVariantList{mark} + key);
                return;
            }
        } else if (c.MenuType == QLatin1Char('D') && c.Decentralised && !recorded) {
            if (c.OperatorKind(moduFili_) == QLatin1Char('F')) {
                mark = QStringLiteral("F");
            } else if (c.Follows) {
                mark = QStringLiteral("M");
            }
        }
        if (mark.isEmpty()) {
            return;
        }
        // A position left by a branch's own dish where the central menu has none is
        // marked removed all the same; its dish is empty.
        db_.Exec(
            QStringLiteral("INSERT INTO PRATEXCL (CDFILIAL, CDSERVFILI, DTMESCARD, DTPRATEXCL, "
                           "NRSEQPRATEXCL, IDLOCALEXCL, CDPRATO, CDFILAUXPRAT) VALUES (?, ?, ?, "
                           "?, ?, ?, ?, ?)"),
            key + QVariantList{mark, e.Dish.isEmpty() ? QStringLiteral("") : e.Dish,
                               e.DishBranch.isEmpty() ? QStringLiteral("") : e.DishBranch});
    }

    // A day whose dishes changed departs from the central menu it follows.
    void recordSpecialDay(const TRow& row) {
        const QString servico =
            (row.Kind() == TRowKind::Deleted ? row.Saved("CDSERVFILI") : row.Value("CDSERVFILI"))
                .toString()
                .trimmed();
        if (servico.isEmpty() || !centralOf(servico).RecordsSpecialDays()) {
            return;
        }
        QString nr =
            (row.Kind() == TRowKind::Deleted ? row.Saved("NRCARDAPIO") : row.Value("NRCARDAPIO"))
                .toString()
                .trimmed();
        QDate day = row.Value("DTCARDAPIO").toDateTime().date();
        if (nr.isEmpty() || nr == QLatin1String(Placeholder)) {
            nr = daysByDate_.value(day);
        }
        if (nr.isEmpty()) {
            return;
        }
        if (!day.isValid()) {
            day = dayDate(nr).date();
        }
        if (!day.isValid() ||
            db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM CARDESP WHERE CDFILIAL = ? AND "
                                      "CDSERVFILI = ? AND DTCARDAPIO = ?"),
                       {filial_, servico, DataHora(day)})
                    .toInt() > 0) {
            return;
        }
        db_.Exec(
            QStringLiteral("INSERT INTO CARDESP (CDFILIAL, CDSERVFILI, DTCARDAPIO, NRCARDAPIO) "
                           "VALUES (?, ?, ?, ?)"),
            {filial_, servico, DataHora(day), nr});
    }

    void checkBranch(const QString& filial) {
        if (filial.isEmpty()) {
            throw EPlaError(QStringLiteral("Filial do cardápio não informada na alteração."));
        }
        if (filial_.isEmpty()) {
            CheckBranch(db_, filial);
            access_.ExigeFilial(filial, moduFili_);
            filial_ = filial;
            firstChangeable_ = FirstChangeableDay(db_, filial);
            registro_.emplace(db_, filial_, operador_, rpc::TOperacaoCardapio::Gravacao);
        } else if (filial != filial_) {
            throw EPlaError(
                QStringLiteral("Uma alteração não pode mudar cardápios de duas filiais."));
        }
    }

    void checkChangeable(const QDateTime& day) {
        if (!day.isValid()) {
            throw EPlaError(QStringLiteral("Data do cardápio não informada na alteração."));
        }
        if (day.date() < firstChangeable_) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                                .arg(dateText(day)));
        }
    }

    // The saved row must still be what the screen saw, and stays so until the save commits.
    void checkUnchanged(const QString& table, const QStringList& columns, const QString& where,
                        const QVariantList& key, const TRow& row, const QString& what) {
        QStringList present;
        for (const QString& c : columns) {
            if (row.Has(c) && !Stamps.contains(c)) {
                present << c;
            }
        }
        QSqlQuery q =
            db_.Exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3%4")
                         .arg(present.join(QStringLiteral(", ")), table, where, db_.RowLock()),
                     key);
        if (!q.next()) {
            throw EPlaError(QStringLiteral("%1 foi excluído por outro operador. Cancele as "
                                           "alterações e carregue o cardápio novamente.")
                                .arg(what));
        }
        for (int i = 0; i < present.size(); ++i) {
            const QVariant saved = row.Saved(present[i]);
            const QVariant now = saved.typeId() == QMetaType::QDateTime
                                     ? TDatabase::FromSql(TFieldType::DateTime, q.value(i))
                                     : q.value(i);
            if (!same(saved, now)) {
                throw EPlaError(QStringLiteral("%1 foi alterado por outro operador. Cancele as "
                                               "alterações e carregue o cardápio novamente.")
                                    .arg(what));
            }
        }
    }

    void saveDay(const TRow& row) {
        const QString filial = row.Text("CDFILIAL");
        checkBranch(filial);
        const QVariant day = row.Value("DTCARDAPIO");
        if (row.Kind() == TRowKind::Modified) {
            // A day keeps its keys: moving its date would take a blocked day out of its
            // block, or make two menus of one day.
            for (const char* key : {"CDFILIAL", "NRCARDAPIO", "CDSERVFILI", "DTCARDAPIO"}) {
                const QString c = QString::fromLatin1(key);
                if (row.Has(c) && !same(row.Saved(c), row.Value(c))) {
                    throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mudar de data, "
                                                   "serviço ou número.")
                                        .arg(dateText(row.Saved(QStringLiteral("DTCARDAPIO")))));
                }
            }
        }
        checkChangeable(day.toDateTime());
        CheckWholeDay(day.toDateTime());
        for (const auto& [column, what] : DayDinersColumns()) {
            if (row.Has(column) && !row.Value(column).isNull()) {
                CheckDiners(row.Value(column).toDouble(), what, day.toDateTime().date());
            }
        }
        const QString what = QStringLiteral("O cardápio do dia %1").arg(dateText(day));
        QString nr = row.Text("NRCARDAPIO");
        QStringList sets;
        QVariantList values;
        for (const QString& c : DayColumns) {
            if (!row.Has(c) || c == QLatin1String("CDFILIAL") || c == QLatin1String("NRCARDAPIO") ||
                Stamps.contains(c)) {
                continue;
            }
            if (row.Kind() == TRowKind::Modified && same(row.Saved(c), row.Value(c))) {
                continue;
            }
            if (row.Kind() == TRowKind::Inserted && row.Value(c).isNull()) {
                continue; // the column's default
            }
            sets << c;
            values << TDatabase::ToSql(row.Value(c));
        }
        if (row.Kind() == TRowKind::Inserted) {
            const QString servico = row.Text("CDSERVFILI");
            if (db_.Scalar(QStringLiteral("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND "
                                          "CDSERVFILI = ? AND DTCARDAPIO = ?"),
                           {filial, servico, day})
                    .toInt() > 0) {
                throw EPlaError(QStringLiteral("Já existe cardápio do serviço para o dia %1.")
                                    .arg(dateText(day)));
            }
            if (nr.isEmpty() || nr == QLatin1String(Placeholder)) {
                nr = NextMenuNumber(db_, filial);
            }
            QStringList columns{QStringLiteral("CDFILIAL"), QStringLiteral("NRCARDAPIO"),
                                QStringLiteral("CDOPERADOR"), QStringLiteral("DTULTATUACAR")};
            QVariantList all{filial, nr, operador_, Agora()};
            columns << sets;
            all << values;
            if (!columns.contains(QLatin1String("DTMESCARD"))) {
                columns << QStringLiteral("DTMESCARD");
                all << DataHora(PriDiaMes(day.toDateTime().date()));
            }
            db_.Exec(
                QStringLiteral("INSERT INTO CARDADIA (%1) VALUES (%2)")
                    .arg(columns.join(QStringLiteral(", ")),
                         QStringList(all.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
                all);
            registro_->Novo(nr);
            daysByDate_.insert(day.toDateTime().date(), nr);
            if (answer_.isEmpty() || !answerIsNew_) {
                answer_ = nr;
                answerIsNew_ = true;
            }
            return;
        }
        checkUnchanged(QStringLiteral("CARDADIA"), DayColumns,
                       QStringLiteral("CDFILIAL = ? AND NRCARDAPIO = ?"), {filial, nr}, row, what);
        registro_->Antes(nr);
        sets << QStringLiteral("CDOPERADOR") << QStringLiteral("DTULTATUACAR");
        values << operador_ << Agora();
        QStringList assignments;
        for (const QString& c : sets) {
            assignments << c + QStringLiteral(" = ?");
        }
        db_.Exec(QStringLiteral("UPDATE CARDADIA SET %1 WHERE CDFILIAL = ? AND NRCARDAPIO = ?")
                     .arg(assignments.join(QStringLiteral(", "))),
                 values + QVariantList{filial, nr});
        daysByDate_.insert(day.toDateTime().date(), nr);
        if (answer_.isEmpty()) {
            answer_ = nr;
        }
    }

    // A day left without diners keeps its dishes at 100 %: a share of nobody is the
    // whole day's dish.
    void checkDaysWithoutDiners() {
        QSet<QString> days = touched_;
        for (const QString& nr : std::as_const(daysByDate_)) {
            days.insert(nr);
        }
        if (days.isEmpty()) {
            return;
        }
        QVariantList params{filial_};
        for (const QString& nr : std::as_const(days)) {
            params << nr;
        }
        const QVariant off = db_.Scalar(
            QStringLiteral("SELECT MIN(D.NRCARDAPIO) FROM CARDADIA D JOIN COMPCARD C ON "
                           "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO WHERE "
                           "D.CDFILIAL = ? AND D.NRCARDAPIO IN (%1) AND D.QTCOMESTICAR = 0 AND "
                           "C.VRPECONSCARD <> 100")
                .arg(QStringList(days.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
            params);
        if (!off.isNull()) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 ficou sem comensais: seus pratos "
                                           "devem ficar com 100%.")
                                .arg(dateText(dayDate(off.toString()))));
        }
    }

    void deleteDay(const TRow& row) {
        const QString filial = row.Text("CDFILIAL");
        checkBranch(filial);
        const QVariant day = row.Saved("DTCARDAPIO");
        checkChangeable(day.toDateTime());
        const QString nr = row.Saved("NRCARDAPIO").toString().trimmed();
        checkUnchanged(QStringLiteral("CARDADIA"), DayColumns,
                       QStringLiteral("CDFILIAL = ? AND NRCARDAPIO = ?"), {filial, nr}, row,
                       QStringLiteral("O cardápio do dia %1").arg(dateText(day)));
        registro_->Antes(nr);
        for (const char* table : {"COMPCARD", "CARDACLI", "CARDADIA"}) {
            db_.Exec(QStringLiteral("DELETE FROM %1 WHERE CDFILIAL = ? AND NRCARDAPIO = ?")
                         .arg(QLatin1String(table)),
                     {filial, nr});
        }
        if (answer_.isEmpty()) {
            answer_ = nr;
        }
    }

    // The day a dish belongs to: its number, or the day created for its date.
    QString dayOf(const TRow& row) {
        QString nr = row.Text("NRCARDAPIO");
        if (!nr.isEmpty() && nr != QLatin1String(Placeholder)) {
            return nr;
        }
        const QDate date = row.Value("DTCARDAPIO").toDateTime().date();
        nr = daysByDate_.value(date);
        if (nr.isEmpty() && row.Has("CDSERVFILI")) {
            nr = db_.Scalar(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND "
                                           "CDSERVFILI = ? AND DTCARDAPIO = ?"),
                            {filial_, row.Text("CDSERVFILI"), DataHora(date)})
                     .toString();
        }
        if (nr.isEmpty()) {
            throw EPlaError(QStringLiteral("Não há cardápio do dia %1 para o prato %2.")
                                .arg(dateText(DataHora(date)), row.Text("CDPRATO")));
        }
        return nr;
    }

    QDateTime dayDate(const QString& nr) {
        auto it = dates_.constFind(nr);
        if (it == dates_.cend()) {
            it = dates_.insert(
                nr, TDatabase::FromSql(TFieldType::DateTime,
                                       db_.Scalar(QStringLiteral("SELECT DTCARDAPIO FROM CARDADIA "
                                                                 "WHERE CDFILIAL = ? AND "
                                                                 "NRCARDAPIO = ?"),
                                                  {filial_, nr}))
                        .toDateTime());
        }
        return *it;
    }

    // The dish a row places must exist and take a share of the day that is a number
    // and not negative; the answer is that share.
    double checkedShare(const TRow& row) {
        const QString dish = row.Text("CDPRATO");
        checkDish(row.Text("CDFILAUXPRAT"), dish);
        const double share = row.Value("VRPECONSCARD").toDouble();
        if (!(share >= 0) || !std::isfinite(share)) {
            throw EPlaError(QStringLiteral("Percentual do prato %1 inválido.").arg(dish));
        }
        return share;
    }

    void checkDish(const QString& branch, const QString& dish) {
        const QString key = branch + QLatin1Char('/') + dish;
        if (knownDishes_.contains(key)) {
            return;
        }
        if (db_.Scalar(
                   QStringLiteral("SELECT COUNT(*) FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO "
                                  "= ?"),
                   {branch, dish})
                .toInt() == 0) {
            throw EPlaError(QStringLiteral("Prato %1 não cadastrado.").arg(dish));
        }
        knownDishes_.insert(key);
    }

    // A dish changed where it was: one statement that writes it only while the row is
    // still what the screen saw, the portions withdrawn kept only for the same dish.
    // False when it is not (the caller says why).
    bool updateInPlace(const TRow& row, const QString& nr) {
        if (row.Value("NRCARDAPIO").toString().trimmed() != nr ||
            row.Value("NRSEQPRATCAR").toInt() != row.Saved("NRSEQPRATCAR").toInt() ||
            row.Value("NRORDPRATCAR").toInt() != row.Saved("NRORDPRATCAR").toInt() ||
            row.Value("NRORDPRATCAR").toInt() <= 0) {
            return false;
        }
        const QString branch = row.Text("CDFILAUXPRAT");
        const QString dish = row.Text("CDPRATO");
        const double share = checkedShare(row);
        const auto orNull = [&row](const char* c) {
            return row.Text(c).isEmpty() ? QVariant() : QVariant(row.Text(c));
        };
        QVariantList values{branch,
                            dish,
                            share,
                            row.Text("IDPRATOESPE").isEmpty() ? QStringLiteral("N")
                                                              : row.Text("IDPRATOESPE").left(1),
                            orNull("CDPRATOMAT"),
                            orNull("CDFILAUXPRATMAT"),
                            branch,
                            dish,
                            filial_,
                            nr,
                            row.Saved("NRSEQPRATCAR"),
                            row.Saved("NRORDPRATCAR")};
        QString where;
        for (const char* c : {"CDFILAUXPRAT", "CDPRATO", "VRPECONSCARD", "IDPRATOESPE",
                              "CDPRATOMAT", "CDFILAUXPRATMAT"}) {
            if (!row.Has(QString::fromLatin1(c))) {
                continue;
            }
            const QVariant saved = row.Saved(QString::fromLatin1(c));
            if (saved.isNull() || saved.toString().trimmed().isEmpty()) {
                where += QStringLiteral(" AND (%1 IS NULL OR %1 = '')").arg(QLatin1String(c));
            } else {
                where += QStringLiteral(" AND %1 = ?").arg(QLatin1String(c));
                values << (saved.typeId() == QMetaType::QString
                               ? QVariant(saved.toString().trimmed())
                               : saved);
            }
        }
        return db_.ExecCount(
                   QStringLiteral(
                       "UPDATE COMPCARD SET CDFILAUXPRAT = ?, CDPRATO = ?, VRPECONSCARD = "
                       "?, IDPRATOESPE = ?, CDPRATOMAT = ?, CDFILAUXPRATMAT = ?, %1 WHERE "
                       "CDFILIAL = ? AND NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND "
                       "NRORDPRATCAR = ?")
                           .arg(WithdrawnOfTheSameDishSql()) +
                       where,
                   values) == 1;
    }

    void saveDish(const TRow& row) {
        checkBranch(row.Text("CDFILIAL"));
        if (row.Kind() == TRowKind::Deleted || row.Kind() == TRowKind::Modified) {
            const QString nr = row.Saved("NRCARDAPIO").toString().trimmed();
            const QVariantList key{filial_, nr, row.Saved("NRSEQPRATCAR"),
                                   row.Saved("NRORDPRATCAR")};
            checkChangeable(dayDate(nr));
            registro_->Antes(nr);
            if (row.Kind() == TRowKind::Modified && updateInPlace(row, nr)) {
                touched_.insert(nr);
                if (answer_.isEmpty()) {
                    answer_ = nr;
                }
                return;
            }
            checkUnchanged(
                QStringLiteral("COMPCARD"), DishColumns,
                QStringLiteral("CDFILIAL = ? AND NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND "
                               "NRORDPRATCAR = ?"),
                key, row,
                QStringLiteral("O prato %1 do dia %2")
                    .arg(row.Saved("CDPRATO").toString().trimmed(), dateText(dayDate(nr))));
            db_.ExecCount(
                QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND "
                               "NRSEQPRATCAR = ? AND NRORDPRATCAR = ?"),
                key);
            touched_.insert(nr);
            if (answer_.isEmpty()) {
                answer_ = nr;
            }
            if (row.Kind() == TRowKind::Deleted) {
                return;
            }
        }
        insertDish(row);
    }

    void insertDish(const TRow& row) {
        const QString nr = dayOf(row);
        checkChangeable(dayDate(nr));
        registro_->Antes(nr);
        if (row.Kind() == TRowKind::Inserted &&
            !(db_.Scalar(QStringLiteral("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = ? AND "
                                        "NRCARDAPIO = ?"),
                         {filial_, nr})
                  .toDouble() > 0)) {
            throw EPlaError(QStringLiteral("Número de comensais do dia %1 deve ser maior que zero.")
                                .arg(dateText(dayDate(nr))));
        }
        const QString branch = row.Text("CDFILAUXPRAT");
        const QString dish = row.Text("CDPRATO");
        const double share = checkedShare(row);
        const QVariant seq = row.Value("NRSEQPRATCAR");
        QVariant ord = row.Value("NRORDPRATCAR");
        if (ord.isNull() || ord.toInt() <= 0) {
            ord =
                db_.Scalar(QStringLiteral("SELECT COALESCE(MAX(NRORDPRATCAR), 0) + 1 FROM COMPCARD "
                                          "WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND "
                                          "NRSEQPRATCAR = ?"),
                           {filial_, nr, seq});
        }
        const QString mark = row.Text("IDPRATOESPE").isEmpty() ? QStringLiteral("N")
                                                               : row.Text("IDPRATOESPE").left(1);
        db_.ExecCount(
            QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                           "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, IDPRATOESPE, "
                           "CDPRATOMAT, CDFILAUXPRATMAT) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {filial_, nr, seq, ord, branch, dish, share, mark,
             row.Text("CDPRATOMAT").isEmpty() ? QVariant() : QVariant(row.Text("CDPRATOMAT")),
             row.Text("CDFILAUXPRATMAT").isEmpty() ? QVariant()
                                                   : QVariant(row.Text("CDFILAUXPRATMAT"))});
        touched_.insert(nr);
        if (answer_.isEmpty()) {
            answer_ = nr;
        }
    }

    TDatabase& db_;
    const TOperatorAccess& access_;
    QString operador_;
    QString filial_;
    QDate firstChangeable_;
    QHash<QDate, QString> daysByDate_;
    QString answer_;
    bool answerIsNew_ = false;
    bool moduFili_ = false;
    QHash<QString, QDateTime> dates_; // day number -> its date
    QSet<QString> knownDishes_;
    QSet<QString> touched_; // days whose dishes changed
    std::optional<TCentralMenu> central_;
    QString centralService_;
    std::optional<TRegistroLinhaALinha> registro_; // once the branch is known
};

std::optional<TDataPacket> changeSet(const QVariant& v) {
    if (v.isNull() || !v.isValid()) {
        return std::nullopt;
    }
    TDataPacket p = ToDataPacket(v);
    p.Validate();
    return p;
}

} // namespace

TReferenceSave ReferenceUpdateCache(TDatabase& db, const QString& operador, bool porFilial,
                                    const QVariant& days, const QVariant& dishes) {
    TReferenceSave out;
    try {
        TTransaction tx(db, true);
        const TOperatorAccess access(db, operador);
        TMenuSave save(db, access, porFilial);
        out.Answer = save.Run(changeSet(days), changeSet(dishes));
        out.Follows = save.Follows();
        tx.Commit();
    } catch (const EDatabaseError& e) {
        out.Answer = QStringLiteral("Erro no banco de dados: %1").arg(e.message());
        out.Follows.reset();
    } catch (const EPlaError& e) {
        out.Answer = e.message();
        out.Follows.reset();
    }
    return out;
}

} // namespace pla::test
