#include "change_record.h"
#include "menu_days.h"
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <optional>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

void normalise(TMethodArgs& args, QString& filial, QString& servico, QDate& month) {
    filial = Ajusta(args.String(0).trimmed(), 4);
    servico = Ajusta(args.String(1).trimmed(), 5);
    const QDateTime when = args.DateTime(2);
    if (!when.isValid()) {
        throw EPlaError(QStringLiteral("Mês de referência do cardápio deve ser informado."));
    }
    month = PriDiaMes(when.date());
    args.SetRef(0, filial);
    args.SetRef(1, servico);
    args.SetRef(2, DataHora(month));
}

QVariant getVerificaCiclo(TCallContext& ctx, TMethodArgs& args) {
    QString filial, servico;
    QDate month;
    normalise(args, filial, servico, month);
    TDataPacket p;
    p.Fields = {{"CDCARDCICLO", TFieldType::String, 5, false},
                {"NMCARDCICLO", TFieldType::String, 40, false}};
    if (const auto c = ActiveCycle(ctx.Database(), filial, servico, month)) {
        TPacketRow row;
        row.Values = {c->Code, c->Name};
        p.Rows.append(row);
    }
    return FromDataPacket(p);
}

// One dish of a cycle day.
struct TCycleDish {
    int Seq = 0;
    int Ord = 0;
    QString Branch;
    QString Code;
    QString Name;
    double Share = 100;
    bool Active = true;
    bool Revised = true;
    QString DishType;
};

// Lays the active cycle over the month's changeable days and writes every
// restriction met to a log; see docs/DOMAIN.md ("Ciclos de cardápio").
class TCycleApplier {
public:
    TCycleApplier(TDatabase& db, const QString& filial, const QString& servico, const QDate& month,
                  const QString& operador)
        : db_(db)
        , filial_(filial)
        , servico_(servico)
        , month_(month)
        , operador_(operador)
        , estimates_(db, filial, servico)
        , registro_(db, filial, operador, rpc::TOperacaoCardapio::Ciclo) {}

    // The log number when restrictions were met, else empty.
    QString Run(const TCycleInfo& cycle) {
        loadCycleDays(cycle);
        loadPositions();
        loadMark();
        const QDate firstChangeable = FirstChangeableDay(db_, filial_);
        const QHash<QDate, QString> holidays = BranchHolidays(db_, filial_, month_);
        const QMap<QDate, int> cycleDays = CycleDays(cycle, estimates_, month_);
        for (auto it = cycleDays.cbegin(); it != cycleDays.cend(); ++it) {
            const QDate day = it.key();
            if (day < firstChangeable) {
                restrict(day, QStringLiteral("Dia bloqueado para alteração: cardápio não "
                                             "atualizado."));
                continue;
            }
            const bool holiday = holidays.contains(day);
            if (holiday && estimates_.ForDay(day, true).Comensais <= 0) {
                restrict(day, QStringLiteral("Feriado (%1): serviço sem comensais estimados, "
                                             "cardápio não gerado.")
                                  .arg(holidays.value(day)));
                continue;
            }
            applyDay(day, holiday, it.value());
        }
        return writeLog(cycle);
    }

private:
    void loadCycleDays(const TCycleInfo& cycle) {
        TRows q = db_.Select(
            QStringLiteral("SELECT D.NRDIACICLO, D.NRSEQPRATCAR, D.NRORDPRATCAR, D.CDFILAUXPRAT, "
                           "D.CDPRATO, D.VRPECONSCARD, P.NMPRATO, P.IDATIVO, P.IDRECEREVI, "
                           "P.CDTIPOPRAT FROM CARDCICLODIA D JOIN PRATO P ON P.CDFILAUXPRAT = "
                           "D.CDFILAUXPRAT AND P.CDPRATO = D.CDPRATO WHERE D.CDFILIAL = ? AND "
                           "D.CDCARDCICLO = ? ORDER BY D.NRDIACICLO, D.NRSEQPRATCAR, "
                           "D.NRORDPRATCAR"),
            {filial_, cycle.Code});
        while (q.Next()) {
            TCycleDish d;
            d.Seq = q.Value(1).toInt();
            d.Ord = q.Value(2).toInt();
            d.Branch = q.Value(3).toString();
            d.Code = q.Value(4).toString();
            d.Share = q.Value(5).toDouble();
            d.Name = q.Value(6).toString();
            d.Active = q.Value(7).toString() == QLatin1String("S");
            d.Revised = q.Value(8).toString() == QLatin1String("S");
            d.DishType = q.Value(9).toString();
            days_[q.Value(0).toInt()].append(d);
        }
        TRows p = db_.Select(
            QStringLiteral("SELECT DISTINCT D.CDFILAUXPRAT, D.CDPRATO, R.CDPRODUTO, X.NMPRODUTO "
                           "FROM CARDCICLODIA D JOIN RECEITA R ON R.CDFILAUXPRAT = "
                           "D.CDFILAUXPRAT AND R.CDPRATO = D.CDPRATO JOIN PRODUTO X ON "
                           "X.CDPRODUTO = R.CDPRODUTO WHERE D.CDFILIAL = ? AND D.CDCARDCICLO = ? "
                           "AND X.IDATIVO = 'N' ORDER BY R.CDPRODUTO"),
            {filial_, cycle.Code});
        while (p.Next()) {
            const QString key = p.Value(0).toString() + QLatin1Char('/') + p.Value(1).toString();
            if (!inactiveProduct_.contains(key)) {
                inactiveProduct_.insert(key, p.Value(2).toString().trimmed() +
                                                 QStringLiteral(" - ") + p.Value(3).toString());
            }
        }
    }

    void loadPositions() {
        if (!EnsureMonthConfiguration(db_, filial_, servico_, month_)) {
            throw EPlaError(QStringLiteral("Não existe configuração de cardápio cadastrada para o "
                                           "serviço informado."));
        }
        TRows q = db_.Select(QStringLiteral("SELECT NRSEQCNFMES, CDTIPOPRAT FROM CNFCARDMES "
                                            "WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                                            "DTREFECNFMES = ?"),
                             {filial_, servico_, DataHora(month_)});
        while (q.Next()) {
            positions_.insert(q.Value(0).toInt(), q.Value(1).toString());
        }
    }

    // The origin mark of what the cycle places: ordinary menus "N"; menus that follow
    // a central one are marked as written centrally ("R") or by the branch ("S").
    void loadMark() {
        const QString type =
            db_.Scalar(QStringLiteral("SELECT IDTIPOCARD FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                       {filial_})
                .toString();
        if (type == QLatin1String("S") || type == QLatin1String("D")) {
            const QString kind =
                db_.Scalar(QStringLiteral("SELECT IDTIPOOPER FROM OPERADOR WHERE CDOPERADOR = ?"),
                           {operador_})
                    .toString();
            mark_ = kind == QLatin1String("M") ? QStringLiteral("R") : QStringLiteral("S");
        }
    }

    void applyDay(const QDate& day, bool holiday, int cycleDay) {
        QList<TCycleDish> accepted;
        QSet<int> covered;
        for (const TCycleDish& d : days_.value(cycleDay)) {
            const QString dish = d.Code.trimmed() + QStringLiteral(" - ") + d.Name;
            const auto position = positions_.constFind(d.Seq);
            if (position == positions_.cend()) {
                restrict(day, QStringLiteral("Posição %1 do ciclo não existe na configuração do "
                                             "mês: prato %2 não incluído.")
                                  .arg(d.Seq)
                                  .arg(dish));
                continue;
            }
            covered.insert(d.Seq);
            if (position.value() != d.DishType) {
                restrict(day, QStringLiteral("Prato %1 não é do tipo da posição %2: não incluído.")
                                  .arg(dish)
                                  .arg(d.Seq));
            } else if (!d.Active) {
                restrict(day, QStringLiteral("Prato %1 inativo: não incluído.").arg(dish));
            } else if (!d.Revised) {
                restrict(day,
                         QStringLiteral("Prato %1 sem receita revisada: não incluído.").arg(dish));
            } else if (const QString product =
                           inactiveProduct_.value(d.Branch + QLatin1Char('/') + d.Code);
                       !product.isEmpty()) {
                restrict(day, QStringLiteral("Prato %1 com produto inativo (%2): não incluído.")
                                  .arg(dish, product));
            } else {
                accepted.append(d);
            }
        }
        registro_.AntesDoDia(servico_, day);
        const QString nr = dayMenu(day, holiday);
        registro_.Novo(nr); // a day the cycle creates
        for (const int seq : covered) {
            db_.Exec(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO = ? "
                                    "AND NRSEQPRATCAR = ?"),
                     {filial_, nr, seq});
        }
        for (const TCycleDish& d : accepted) {
            const bool central = mark_ != QLatin1String("N");
            db_.Exec(QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                                    "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, "
                                    "IDPRATOESPE, CDPRATOMAT, CDFILAUXPRATMAT) VALUES (?, ?, ?, ?, "
                                    "?, ?, ?, ?, ?, ?)"),
                     {filial_, nr, d.Seq, d.Ord, d.Branch, d.Code, d.Share, mark_,
                      central ? QVariant(d.Code) : QVariant(),
                      central ? QVariant(d.Branch) : QVariant()});
        }
        registro_.Registra(nr);
    }

    // The day's menu record with the service's estimate, created when missing.
    QString dayMenu(const QDate& day, bool holiday) {
        const TDayEstimate& e = estimates_.ForDay(day, holiday);
        // The service's estimates become the day's: none may be negative. They come in
        // the order of the day's estimated columns.
        const double figures[] = {e.Comensais, e.Turnos[0], e.Turnos[1],    e.Turnos[2],
                                  e.Turnos[3], e.Clientes,  e.Funcionarios, e.Doacoes};
        for (int i = 0; i < 8; ++i) {
            CheckDiners(figures[i], DayDinersColumns()[i].second, day);
        }
        const QVariantList values{e.Comensais, e.Turnos[0], e.Turnos[1],    e.Turnos[2],
                                  e.Turnos[3], e.Clientes,  e.Funcionarios, e.Doacoes,
                                  operador_,   Agora()};
        TRows q = db_.Select(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? "
                                            "AND CDSERVFILI = ? AND DTCARDAPIO = ?"),
                             {filial_, servico_, DataHora(day)});
        if (q.Next()) {
            const QString nr = q.Value(0).toString();
            db_.Exec(QStringLiteral("UPDATE CARDADIA SET QTCOMESTICAR = ?, QTESTITURNO1 = ?, "
                                    "QTESTITURNO2 = ?, QTESTITURNO3 = ?, QTESTITURNO4 = ?, "
                                    "QTCLIESTICAR = ?, QTFUNESTICAR = ?, QTDOAESTICAR = ?, "
                                    "CDOPERADOR = ?, DTULTATUACAR = ? WHERE CDFILIAL = ? AND "
                                    "NRCARDAPIO = ?"),
                     values + QVariantList{filial_, nr});
            return nr;
        }
        const QString nr = NextMenuNumber(db_, filial_);
        db_.Exec(QStringLiteral("INSERT INTO CARDADIA (QTCOMESTICAR, QTESTITURNO1, QTESTITURNO2, "
                                "QTESTITURNO3, QTESTITURNO4, QTCLIESTICAR, QTFUNESTICAR, "
                                "QTDOAESTICAR, CDOPERADOR, DTULTATUACAR, CDFILIAL, NRCARDAPIO, "
                                "CDSERVFILI, DTCARDAPIO, DTMESCARD) VALUES (?, ?, ?, ?, ?, ?, ?, "
                                "?, ?, ?, ?, ?, ?, ?, ?)"),
                 values + QVariantList{filial_, nr, servico_, DataHora(day), DataHora(month_)});
        return nr;
    }

    void restrict(const QDate& day, const QString& text) {
        restrictions_.append({day, text.left(200)});
    }

    QString writeLog(const TCycleInfo& cycle) {
        if (restrictions_.isEmpty()) {
            return {};
        }
        const QString last =
            db_.Scalar(QStringLiteral("SELECT MAX(NRLOGCARDCICLO) FROM LOGCARDCICLO WHERE "
                                      "CDFILIAL = ?"),
                       {filial_})
                .toString();
        const QString nr = Ajusta(QString::number(last.trimmed().toLongLong() + 1), 10);
        db_.Exec(QStringLiteral("INSERT INTO LOGCARDCICLO (CDFILIAL, NRLOGCARDCICLO, DTLOGCICLO, "
                                "CDOPERADOR, CDCARDCICLO, CDSERVFILI, DTMESCARD) VALUES (?, ?, ?, "
                                "?, ?, ?, ?)"),
                 {filial_, nr, Agora(), operador_, cycle.Code, servico_, DataHora(month_)});
        int item = 0;
        for (const auto& [day, text] : restrictions_) {
            db_.Exec(QStringLiteral("INSERT INTO LOGCARDCICLOITEM (CDFILIAL, NRLOGCARDCICLO, "
                                    "NRITEMLOG, DTCARDAPIO, DSMENSLOG) VALUES (?, ?, ?, ?, ?)"),
                     {filial_, nr, ++item, DataHora(day), text});
        }
        return nr;
    }

    TDatabase& db_;
    QString filial_;
    QString servico_;
    QDate month_;
    QString operador_;
    TServiceEstimates estimates_;
    QHash<int, QList<TCycleDish>> days_;
    QHash<QString, QString> inactiveProduct_; // "branch/dish" -> "product - name"
    QHash<int, QString> positions_;           // position -> dish type
    QString mark_ = QStringLiteral("N");
    QList<QPair<QDate, QString>> restrictions_;
    TRegistroAlteracoes registro_;
};

// Creates or updates the month's menu from its active cycle. The answer is empty
// when done without restrictions, or the ten-character number of the log of the
// restrictions met; a refusal is raised as its text.
QVariant setCriaCardCiclo(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    QString filial, servico;
    QDate month;
    normalise(args, filial, servico, month);
    CheckBranch(db, filial);
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = ? AND CDSERVFILI "
                                 "= ? AND IDTIPOSERV = 'N'"),
                  {filial, servico})
            .toInt() == 0) {
        throw EPlaError(QStringLiteral("Serviço não cadastrado."));
    }
    if (month <= Agora().date()) {
        throw EPlaError(
            QStringLiteral("Mês do cardápio para atualização deve ser maior que o mês atual."));
    }
    const auto cycle = ActiveCycle(db, filial, servico, month);
    if (!cycle) {
        throw EPlaError(
            QStringLiteral("Não há ciclo de cardápio ativo para o serviço no mês informado."));
    }
    return TCycleApplier(db, filial, servico, month, ctx.Operador).Run(*cycle);
}

} // namespace

void RegisterMenuCycleMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::getVerificaCiclo(), getVerificaCiclo));
    m.Register(TMethodDef::Declarado(
        rpc::metodos::SetCriaCardCiclo(), setCriaCardCiclo, true,
        {{A::IncluirPrato}, QStringLiteral("criar cardápios pelo ciclo"), 0}));
}

} // namespace pla::server
