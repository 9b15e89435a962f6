// The printed menus of a service (PLA00400 the day, PLA02600 the week, PLA02700 the
// month): the menu a kitchen pins on the wall, read in one call whatever the period's
// length. Only the positions the month prints (IDIMPCNFMES) are given, in the month's
// order; the screen lays the days out.
#include "modules.h"

#include "core/dates.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <QHash>
#include <QMap>
#include <QSet>

namespace pla::server {

namespace {

using E = rpc::TElemCardapioImpresso;

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

QDate dateOf(const QVariant& v) {
    return TDatabase::FromSql(TFieldType::DateTime, v).toDateTime().date();
}

TPacketRow row(const QVariantList& values) {
    TPacketRow r;
    r.Values = values;
    return r;
}

// The printed positions of each month the period touches, in the month's order: the
// month's own configuration, else (a month not planned yet) the service's standing one.
// `printed` gets each month's printed position numbers.
TDataPacket positionsOf(TDatabase& db, const QString& filial, const QString& servico,
                        const QDate& first, const QDate& last, QHash<QDate, QSet<int>>& printed) {
    TDataPacket p;
    p.Fields = {{"DTREFECNFMES", TFieldType::DateTime, 0, true},
                {"NRSEQCNFMES", TFieldType::Integer, 0, true},
                {"NRORDCNFMES", TFieldType::Integer, 0, false},
                {"CDTIPOPRAT", TFieldType::String, 2, false},
                {"NMTIPOPRAT", TFieldType::String, 35, false},
                {"IDOPCCNFMES", TFieldType::String, 1, false}};
    const QString columns = QStringLiteral(
        "SELECT C.NRSEQCNFMES, C.NRORDCNFMES, C.CDTIPOPRAT, T.NMTIPOPRAT, C.IDOPCCNFMES, "
        "C.IDIMPCNFMES FROM %1 C JOIN TIPOPRAT T ON T.CDTIPOPRAT = C.CDTIPOPRAT WHERE "
        "C.CDFILIAL = ? AND C.CDSERVFILI = ?%2 ORDER BY C.NRORDCNFMES, C.NRSEQCNFMES");
    // Each statement read to its end before the next runs: PostgreSQL streams one result
    // at a time on a connection.
    const auto read = [&db](const QString& sql, const QVariantList& params) {
        QList<QVariantList> out;
        TRows q = db.Select(sql, params);
        while (q.Next()) {
            out.append({q.Value(0), q.Value(1), q.Value(2), q.Value(3), q.Value(4), q.Value(5)});
        }
        return out;
    };
    for (QDate month = PriDiaMes(first); month <= last; month = month.addMonths(1)) {
        QList<QVariantList> positions = read(
            columns.arg(QStringLiteral("CNFCARDMES"), QStringLiteral(" AND C.DTREFECNFMES = ?")),
            {filial, servico, DataHora(month)});
        if (positions.isEmpty()) {
            positions =
                read(columns.arg(QStringLiteral("CNFCARDSERV"), QString()), {filial, servico});
        }
        QSet<int>& ofMonth = printed[month];
        for (const QVariantList& v : positions) {
            if (v[5].toString() != QLatin1String("S")) {
                continue;
            }
            ofMonth.insert(v[0].toInt());
            p.Rows.append(
                row({DataHora(month), qlonglong(v[0].toInt()), qlonglong(v[1].toInt()),
                     v[2].toString().trimmed(), v[3].toString().trimmed(), v[4].toString()}));
        }
    }
    return p;
}

// Branch, service, first and last day (at most DiasCardapioImpresso days): the names,
// the printed positions, their dishes, the days with a menu and the holidays, named by
// the branch's holiday (FERIFILI) or else by the menu's (FERICARD).
QVariant getCardapioImpresso(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDate first = args.DateTime(2).date();
    const QDate last = args.DateTime(3).date();
    if (!first.isValid() || !last.isValid() || last < first ||
        first.daysTo(last) >= rpc::DiasCardapioImpresso) {
        throw EPlaError(QStringLiteral("Período inválido para o cardápio impresso: de %1 a %2 "
                                       "(até %3 dias).")
                            .arg(dateText(first), dateText(last))
                            .arg(rpc::DiasCardapioImpresso));
    }
    CheckBranch(db, filial);
    ctx.Access().ExigeFilial(filial);
    CheckService(db, filial, servico);
    const QVariantList period{filial, servico, DataHora(first), DataHora(last)};

    QVariantList out(int(E::Quantidade));
    out[int(E::NomeFilial)] =
        db.Scalar(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"), {filial})
            .toString()
            .trimmed();
    out[int(E::NomeServico)] =
        db.Scalar(QStringLiteral("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ?"),
                  {filial, servico})
            .toString()
            .trimmed();
    QHash<QDate, QSet<int>> printed;
    out[int(E::Posicoes)] = FromDataPacket(positionsOf(db, filial, servico, first, last, printed));

    // Every dish of the period in one statement; those of positions not printed stay out.
    TDataPacket dishes;
    dishes.Fields = {{"DTCARDAPIO", TFieldType::DateTime, 0, true},
                     {"NRSEQPRATCAR", TFieldType::Integer, 0, true},
                     {"NRORDPRATCAR", TFieldType::Integer, 0, true},
                     {"CDPRATO", TFieldType::String, 10, false},
                     {"NMPRATO", TFieldType::String, 40, false}};
    {
        TRows q = db.Select(
            QStringLiteral(
                "SELECT D.DTCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDPRATO, P.NMPRATO FROM "
                "CARDADIA D JOIN COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = "
                "D.NRCARDAPIO JOIN PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = "
                "C.CDPRATO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO >= ? AND "
                "D.DTCARDAPIO <= ? ORDER BY D.DTCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR"),
            period);
        while (q.Next()) {
            const QDate day = dateOf(q.Value(0));
            const int position = q.Value(1).toInt();
            const auto month = printed.constFind(PriDiaMes(day));
            if (month == printed.cend() || !month->contains(position)) {
                continue;
            }
            dishes.Rows.append(
                row({DataHora(day), qlonglong(position), qlonglong(q.Value(2).toInt()),
                     q.Value(3).toString().trimmed(), q.Value(4).toString().trimmed()}));
        }
    }
    out[int(E::Pratos)] = FromDataPacket(dishes);

    out[int(E::Dias)] = FromDataPacket(
        QueryPacket(db,
                    {{"DTCARDAPIO", TFieldType::DateTime, 0, true},
                     {"DSCARDAPIO", TFieldType::String, 30, false}},
                    QStringLiteral("SELECT DTCARDAPIO, DSCARDAPIO FROM CARDADIA WHERE CDFILIAL = "
                                   "? AND CDSERVFILI = ? AND DTCARDAPIO >= ? AND DTCARDAPIO <= ? "
                                   "ORDER BY DTCARDAPIO"),
                    period));

    QMap<QDate, QString> holidays;
    const QVariantList branchPeriod{filial, DataHora(first), DataHora(last)};
    {
        TRows q = db.Select(QStringLiteral("SELECT DTFERICARD, DSFERICARD FROM FERICARD WHERE "
                                           "CDFILIAL = ? AND DTFERICARD >= ? AND DTFERICARD "
                                           "<= ?"),
                            branchPeriod);
        while (q.Next()) {
            holidays.insert(dateOf(q.Value(0)), q.Value(1).toString().trimmed());
        }
    }
    {
        TRows q = db.Select(QStringLiteral("SELECT DTFERIFILI, DSFERIFILI FROM FERIFILI WHERE "
                                           "CDFILIAL = ? AND DTFERIFILI >= ? AND DTFERIFILI "
                                           "<= ?"),
                            branchPeriod);
        while (q.Next()) {
            holidays.insert(dateOf(q.Value(0)), q.Value(1).toString().trimmed());
        }
    }
    TDataPacket named;
    named.Fields = {{"DTFERIADO", TFieldType::DateTime, 0, true},
                    {"DSFERIADO", TFieldType::String, 60, false}};
    for (auto it = holidays.cbegin(); it != holidays.cend(); ++it) {
        named.Rows.append(row({DataHora(it.key()), it.value()}));
    }
    out[int(E::Feriados)] = FromDataPacket(named);
    return out;
}

} // namespace

std::unique_ptr<TRemoteDataModule> MakeEmissaoCard() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla00400.rdmEmissaoCard"));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetCardapioImpresso(), getCardapioImpresso));
    return m;
}

} // namespace pla::server
