// Diners of the month: the dish types that feed more diners than their day has, and
// the day's distribution among the delivery points of a transported service.
#include "menu_days.h"
#include "modules.h"

#include "server/operator_access.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <cmath>
#include <map>
#include <optional>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

const QList<TFieldDef> ComensEstFields{
    {"CDFILIAL", TFieldType::String, 4, false},     {"NMFILIAL", TFieldType::String, 50, false},
    {"CDSERVFILI", TFieldType::String, 5, false},   {"NMSERVICO", TFieldType::String, 50, false},
    {"DTCARDAPIO", TFieldType::DateTime, 0, false}, {"CDTIPOPRAT", TFieldType::String, 2, false},
    {"NMTIPOPRAT", TFieldType::String, 50, false},  {"COMENSEST", TFieldType::Float, 0, false},
    {"COMENSDIA", TFieldType::Float, 0, false},     {"DIFERENCA", TFieldType::Float, 0, false}};

// The days of the month from the processing date on whose counted, not optional
// positions of one dish type feed more diners than the day: "S" and the pairs, or "N".
QVariant getComensEst(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    const QDate month = PriDiaMes(args.DateTime(2).date());
    QDate from = args.DateTime(3).date();
    if (!from.isValid() || from < month) {
        from = month;
    }
    const bool whole = args.String(4).trimmed() == QLatin1String("S");
    TRows q = db.Select(
        QStringLiteral(
            "SELECT D.DTCARDAPIO, D.QTCOMESTICAR, N.CDTIPOPRAT, T.NMTIPOPRAT, C.VRPECONSCARD "
            "FROM CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
            "D.NRCARDAPIO JOIN CNFCARDMES N ON N.CDFILIAL = D.CDFILIAL AND N.CDSERVFILI = "
            "D.CDSERVFILI AND N.DTREFECNFMES = ? AND N.NRSEQCNFMES = C.NRSEQPRATCAR JOIN TIPOPRAT "
            "T ON T.CDTIPOPRAT = N.CDTIPOPRAT WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND "
            "D.DTCARDAPIO >= ? AND D.DTCARDAPIO <= ? AND N.IDOPCCNFMES <> 'S' AND N.IDCONCNFMES "
            "= 'S'"),
        {DataHora(month), filial, servico, DataHora(from), DataHora(UltimoDiaMes(month))});
    struct TSum {
        double Day = 0;
        double Est = 0;
        QString Name;
    };
    std::map<std::pair<QDateTime, QString>, TSum> sums;
    while (q.Next()) {
        const QDateTime day = TDatabase::FromSql(TFieldType::DateTime, q.Value(0)).toDateTime();
        TSum& s = sums[{day, q.Value(2).toString().trimmed()}];
        s.Day = q.Value(1).toDouble();
        s.Name = q.Value(3).toString();
        const double diners = q.Value(4).toDouble() / 100.0 * s.Day;
        s.Est += whole ? RoundDec(diners, 0) : diners;
    }
    TDataPacket p;
    p.Fields = ComensEstFields;
    const QString nmFilial =
        db.Scalar(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"), {filial})
            .toString();
    const QString nmServico =
        db.Scalar(QStringLiteral("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ?"),
                  {filial, servico})
            .toString();
    for (const auto& [key, s] : sums) {
        if (RoundDec(s.Est, 3) > RoundDec(s.Day, 3)) {
            TPacketRow r;
            r.Values = {filial,     nmFilial, servico, nmServico, key.first,
                        key.second, s.Name,   s.Est,   s.Day,     RoundDec(s.Est - s.Day, 3)};
            p.Rows.append(r);
        }
    }
    if (p.Rows.isEmpty()) {
        return QVariantList{QStringLiteral("N")};
    }
    return QVariantList{QStringLiteral("S"), FromDataPacket(p)};
}

const QList<TFieldDef> CardaCliFields{
    {"CDFILIAL", TFieldType::String, 4, false},   {"NRCARDAPIO", TFieldType::String, 10, false},
    {"CDCLIENTE", TFieldType::String, 21, false}, {"NMRAZSOCCLIE", TFieldType::String, 50, false},
    {"CDDESTFILI", TFieldType::String, 3, false}, {"NMDESTFILI", TFieldType::String, 30, false},
    {"QTCOMESTICLI", TFieldType::Float, 0, false}};

// The day's delivery points with their diners. A day without any yet gets the
// service's delivery points as new rows (no diners), for the screen to number and
// send back.
QVariant getCardaCli(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    CheckBranch(db, filial);
    const QString nr = db.Scalar(QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL "
                                                "= ? AND CDSERVFILI = ? AND DTCARDAPIO = ?"),
                                 {filial, servico, DataHora(args.DateTime(2).date())})
                           .toString();
    TDataPacket p = QueryPacket(
        db, CardaCliFields,
        QStringLiteral(
            "SELECT A.CDFILIAL, A.NRCARDAPIO, A.CDCLIENTE, C.NMRAZSOCCLIE, "
            "A.CDDESTFILI, D.NMDESTFILI, A.QTCOMESTICLI FROM CARDACLI A JOIN CLIENTE C "
            "ON C.CDCLIENTE = A.CDCLIENTE JOIN DESTFILI D ON D.CDFILIAL = A.CDFILIAL AND "
            "D.CDDESTFILI = A.CDDESTFILI WHERE A.CDFILIAL = ? AND A.NRCARDAPIO = ? "
            "ORDER BY A.CDDESTFILI, C.NMRAZSOCCLIE"),
        {filial, nr});
    if (!p.Rows.isEmpty()) {
        return FromDataPacket(p);
    }
    p = QueryPacket(
        db, CardaCliFields,
        QStringLiteral("SELECT D.CDFILIAL, ?, D.CDCLIENTE, C.NMRAZSOCCLIE, D.CDDESTFILI, "
                       "D.NMDESTFILI, 0 FROM DESTFILI D JOIN CLIENTE C ON C.CDCLIENTE "
                       "= D.CDCLIENTE WHERE D.CDFILIAL = ? AND (D.CDSERVFILI = ? OR "
                       "D.CDSERVFILI IS NULL) ORDER BY D.CDDESTFILI, C.NMRAZSOCCLIE"),
        {nr, filial, servico});
    for (TPacketRow& r : p.Rows) {
        r.Kind = TRowKind::Inserted;
    }
    return FromDataPacket(p);
}

// Writes the day's delivery points as the screen changed them: deleted rows go,
// inserted and modified rows are written, unchanged ones stay as stored. A row
// another operator changed since the screen read it refuses the whole packet; the
// answer is empty when done.
QVariant setCardaCli(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    TDataPacket p = ToDataPacket(args.Value(0));
    p.Validate();
    const auto col = [&p](const char* name) {
        const int i = p.FieldIndex(QString::fromLatin1(name));
        if (i < 0) {
            throw EPlaError(
                QStringLiteral("Pontos de entrega sem a coluna %1.").arg(QLatin1String(name)));
        }
        return i;
    };
    const int fil = col("CDFILIAL"), nr = col("NRCARDAPIO"), cli = col("CDCLIENTE"),
              dest = col("CDDESTFILI"), qt = col("QTCOMESTICLI");
    // Every day named is checked once: the operator's branch, a day that exists and may
    // still change.
    QHash<QString, QDate> days;
    const auto dayOf = [&](const QVariantList& key) {
        const QString filial = key[0].toString();
        const QString numero = key[1].toString();
        const QString id = filial + QLatin1Char('/') + numero;
        if (const auto it = days.constFind(id); it != days.cend()) {
            return *it;
        }
        ctx.Access().ExigeFilial(filial);
        const QVariant day = db.Scalar(QStringLiteral("SELECT DTCARDAPIO FROM CARDADIA WHERE "
                                                      "CDFILIAL = ? AND NRCARDAPIO = ?"),
                                       {filial, numero});
        if (day.isNull()) {
            throw EPlaError(QStringLiteral("Cardápio %1 não cadastrado.").arg(numero));
        }
        const QDate date = TDatabase::FromSql(TFieldType::DateTime, day).toDateTime().date();
        if (date < FirstChangeableDay(db, filial)) {
            throw EPlaError(QStringLiteral("O cardápio do dia %1 não pode mais ser alterado.")
                                .arg(FormatDateTime(QStringLiteral("dd/mm/yyyy"), date)));
        }
        days.insert(id, date);
        return date;
    };
    const auto keyOf = [&](const QList<QVariant>& values) {
        return QVariantList{values[fil].toString().trimmed(), values[nr].toString().trimmed(),
                            values[cli].toString().trimmed(), values[dest].toString().trimmed()};
    };
    const QString where = QStringLiteral(
        " WHERE CDFILIAL = ? AND NRCARDAPIO = ? AND CDCLIENTE = ? AND CDDESTFILI = ?");
    const auto stored = [&](const QVariantList& key) -> std::optional<double> {
        const QVariant v = db.Scalar(
            QStringLiteral("SELECT QTCOMESTICLI FROM CARDACLI") + where + db.RowLock(), key);
        return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
    };
    const auto changedMeanwhile = [&](const QVariantList& key) {
        return EPlaError(
            QStringLiteral("Os comensais do ponto de entrega %1 do dia %2 foram "
                           "alterados por outro operador. Cancele as alterações e "
                           "carregue os pontos de entrega novamente.")
                .arg(key[3].toString(), FormatDateTime(QStringLiteral("dd/mm/yyyy"), dayOf(key))));
    };
    const auto sameDiners = [](const std::optional<double>& now, const QVariant& seen) {
        return now && std::abs(*now - seen.toDouble()) < 1e-9;
    };
    // Every day named is checked before anything is written.
    for (const TPacketRow& r : p.Rows) {
        dayOf(keyOf(r.Values));
        if (r.Kind == TRowKind::Modified) {
            dayOf(keyOf(r.Originals));
        }
    }
    const auto write = [&](const TPacketRow& r) {
        const QVariantList key = keyOf(r.Values);
        switch (r.Kind) {
        case TRowKind::Unchanged:
            return;
        case TRowKind::Deleted: {
            // Gone already is what the screen asked for; changed is not.
            const std::optional<double> now = stored(key);
            if (now && !sameDiners(now, r.Values[qt])) {
                throw changedMeanwhile(key);
            }
            db.Exec(QStringLiteral("DELETE FROM CARDACLI") + where, key);
            return;
        }
        case TRowKind::Modified: {
            const QVariantList saved = keyOf(r.Originals);
            if (!sameDiners(stored(saved), r.Originals[qt])) {
                throw changedMeanwhile(saved);
            }
            db.Exec(QStringLiteral("DELETE FROM CARDACLI") + where, saved);
            if (saved != key && stored(key)) {
                throw changedMeanwhile(key);
            }
            break;
        }
        case TRowKind::Inserted:
            if (stored(key)) {
                throw changedMeanwhile(key);
            }
            break;
        }
        const double diners = r.Values[qt].toDouble();
        if (!(diners >= 0)) {
            throw EPlaError(QStringLiteral("Comensais estimados do ponto de entrega %1 negativos "
                                           "no cardápio %2.")
                                .arg(key[3].toString(), key[1].toString()));
        }
        db.Exec(QStringLiteral("INSERT INTO CARDACLI (CDFILIAL, NRCARDAPIO, CDCLIENTE, CDDESTFILI, "
                               "QTCOMESTICLI) VALUES (?, ?, ?, ?, ?)"),
                key + QVariantList{diners});
    };
    // Deletions first: a point removed and added again finds its key free.
    for (const TRowKind kind : {TRowKind::Deleted, TRowKind::Modified, TRowKind::Inserted}) {
        for (const TPacketRow& r : p.Rows) {
            if (r.Kind == kind) {
                write(r);
            }
        }
    }
    return QString();
}

} // namespace

std::unique_ptr<TRemoteDataModule> MakeComensEst() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("PLA00124.rdmComensEst"));
    m->Register(TMethodDef::Declarado(rpc::metodos::getComensEst(), getComensEst));
    return m;
}

void RegisterMenuDinersMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetCardaCli(), getCardaCli));
    m.Register(TMethodDef::Declarado(rpc::metodos::SetCardaCli(), setCardaCli, true,
                                     {{A::IncluirPrato, A::AlterarComEstDia},
                                      QStringLiteral("alterar os comensais dos pontos de entrega"),
                                      -1,
                                      -1,
                                      true}));
}

} // namespace pla::server
