// What the monthly menu screen loads: its services, the menu type, the month's menu in
// one call, the dish lines of its grid, the cycle numbers, and the operator's view.
#include "menu_days.h"
#include "modules.h"

#include "server/operator_access.h"

#include "core/cbor_codec.h"
#include "core/cbor_writer.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/packet_encoder.h"
#include "core/text_utils.h"
#include "server/db_layer.h"

#include <array>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

// "##0.###" / "##0.##" with a point: the grid model reads either separator.
QString quantityText(double value, int decimals) {
    QString t = QString::number(RoundDec(value, decimals), 'f', decimals);
    while (t.contains(QLatin1Char('.')) &&
           (t.endsWith(QLatin1Char('0')) || t.endsWith(QLatin1Char('.')))) {
        t.chop(1);
    }
    return t;
}

TPacketRow packetRow(const QList<QVariant>& values) {
    TPacketRow r;
    r.Values = values;
    return r;
}

QString menuType(TDatabase& db, const QString& filial) {
    CheckBranch(db, filial);
    const QVariant t = db.Scalar(
        QStringLiteral("SELECT IDTIPOCARD FROM PARAMPLANEJA WHERE CDFILIAL = ?"), {filial});
    return t.isNull() ? QStringLiteral("N") : t.toString();
}

struct TServiceRow {
    QString Name;
    QString Group;
    bool Decentralised = false;
    bool GroupParameterised = false;
};

std::optional<TServiceRow> serviceRow(TDatabase& db, const QString& filial,
                                      const QString& servico) {
    TRows q = db.Select(QStringLiteral("SELECT S.NMSERVICO, S.CDGRUPSERV, S.IDCARDDESCENTR, "
                                       "G.IDPARAMETRIZADO FROM SERVICO S LEFT JOIN GRUPSERV G "
                                       "ON G.CDGRUPSERV = S.CDGRUPSERV WHERE S.CDFILIAL = ? AND "
                                       "S.CDSERVFILI = ? AND S.IDTIPOSERV = 'N'"),
                        {filial, servico});
    if (!q.Next()) {
        return std::nullopt;
    }
    return TServiceRow{q.Value(0).toString(), q.Value(1).toString(),
                       q.Value(2).toString() == QLatin1String("S"),
                       q.Value(3).toString() == QLatin1String("S")};
}

QVariant getServicos(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    args.SetRef(0, filial);
    QString sql = QStringLiteral("SELECT CDSERVFILI, NMSERVICO, CDGRUPSERV, IDSERVTRAN, "
                                 "IDCARDDESCENTR FROM SERVICO WHERE CDFILIAL = ? AND IDTIPOSERV "
                                 "= 'N'");
    QVariantList params{filial};
    // Anything but "T": only the services of the groups the operator belongs to.
    if (args.String(1).trimmed().toUpper() != QLatin1String("T")) {
        sql += QStringLiteral(" AND CDGRUPSERV IN (SELECT CDGRUPSERV FROM OPERGRUPSERV WHERE "
                              "CDOPERADOR = ?)");
        params << ctx.Operador;
    }
    sql += QStringLiteral(" ORDER BY CDSERVFILI");
    return FromDataPacket(QueryPacket(db,
                                      {{"CDSERVFILI", TFieldType::String, 5, true},
                                       {"NMSERVICO", TFieldType::String, 40, false},
                                       {"CDGRUPSERV", TFieldType::String, 4, false},
                                       {"IDSERVTRAN", TFieldType::String, 1, false},
                                       {"IDCARDDESCENTR", TFieldType::String, 1, false}},
                                      sql, params));
}

// The diets the service serves by mouth: those the kitchen's menu feeds.
QVariant getDietaServ(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    args.SetRef(0, filial);
    args.SetRef(1, servico);
    return ctx.Database()
        .Scalar(QStringLiteral("SELECT COUNT(*) FROM DIETSERV S JOIN DIETPADR D ON D.CDDIETPAD = "
                               "S.CDDIETPAD WHERE S.CDFILIAL = ? AND S.CDSERVFILI = ? AND "
                               "D.IDFORMDIET = '0'"),
                {filial, servico})
        .toDouble();
}

QVariant getTipodeCardapio(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    args.SetRef(0, filial);
    return menuType(ctx.Database(), filial);
}

QVariant getCardCiclo(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDate month = PriDiaMes(args.DateTime(2).date());
    args.SetRef(0, filial);
    args.SetRef(1, servico);
    args.SetRef(2, DataHora(month));
    TDataPacket p;
    p.Fields = {{"CDCARDCICLO", TFieldType::String, 5, false},
                {"NMCARDCICLO", TFieldType::String, 40, false}};
    if (const auto c = ActiveCycle(ctx.Database(), filial, servico, month)) {
        p.Rows.append(packetRow({c->Code, c->Name}));
    }
    return FromDataPacket(p);
}

const QList<TFieldDef> DishFields{{"CDFILIAL", TFieldType::String, 4, false},
                                  {"DTCARDAPIO", TFieldType::DateTime, 0, false},
                                  {"NRCARDAPIO", TFieldType::String, 10, false},
                                  {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
                                  {"CDFILAUXPRAT", TFieldType::String, 4, false},
                                  {"CDPRATO", TFieldType::String, 10, false},
                                  {"VRPECONSCARD", TFieldType::Float, 0, false},
                                  {"CDTIPOPRAT", TFieldType::String, 2, false},
                                  {"NMTIPOPRAT", TFieldType::String, 38, false},
                                  {"NMPRATO", TFieldType::String, 41, false},
                                  {"IDPRATOESPE", TFieldType::String, 1, false},
                                  {"NRORDPRATCAR", TFieldType::Integer, 0, false},
                                  {"CDSERVFILI", TFieldType::String, 5, false},
                                  {"CDPRATOMAT", TFieldType::String, 10, false},
                                  {"CDFILAUXPRATMAT", TFieldType::String, 4, false},
                                  {"COMENS", TFieldType::Float, 0, false}};
// The same with sizes unchecked, as TDishPacket's values are: the client checks them when
// it decodes the answer.
const QList<TFieldDef> UncheckedDishFields = [] {
    QList<TFieldDef> fields = DishFields;
    for (TFieldDef& f : fields) {
        f.Size = 0;
    }
    return fields;
}();

// The dish-type label of a position: its three-digit display order, the dish type's
// code and name.
QString typeLabel(int order, const QString& type, const QString& name) {
    return (QStringLiteral("%1").arg(order, 3, 10, QLatin1Char('0')) + type.left(2) + name)
        .left(38);
}

// The month's dishes, each with its position's label and its status letter in front
// of the name, handed row by row to `out` (TDishPacket, TDishBytes). The month's days are
// found first, in the month's index, and lead the join (SQLite keeps a CROSS JOIN's
// order): without statistics SQLite would otherwise walk every dish the branch ever had,
// or every day of the service, to spare a sort of a month's dishes.
template <typename TOut>
void readDishesOfMonth(TDatabase& db, const QString& filial, const QString& servico,
                       const QDateTime& month, TOut& out) {
    TRows q = db.Select(
        QStringLiteral(
            "WITH D AS MATERIALIZED (SELECT CDFILIAL, NRCARDAPIO, CDSERVFILI, DTCARDAPIO, "
            "DTMESCARD, QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
            "DTMESCARD = ?) SELECT C.CDFILIAL, D.DTCARDAPIO, C.NRCARDAPIO, C.NRSEQPRATCAR, "
            "C.CDFILAUXPRAT, C.CDPRATO, C.VRPECONSCARD, M.CDTIPOPRAT, T.NMTIPOPRAT, P.NMPRATO, "
            "C.IDPRATOESPE, C.NRORDPRATCAR, D.CDSERVFILI, C.CDPRATOMAT, C.CDFILAUXPRATMAT, "
            "D.QTCOMESTICAR, M.NRORDCNFMES FROM D CROSS JOIN COMPCARD C JOIN PRATO P ON "
            "P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = C.CDPRATO LEFT JOIN CNFCARDMES M ON "
            "M.CDFILIAL = D.CDFILIAL AND M.CDSERVFILI = D.CDSERVFILI AND M.DTREFECNFMES = "
            "D.DTMESCARD AND M.NRSEQCNFMES = C.NRSEQPRATCAR LEFT JOIN TIPOPRAT T ON T.CDTIPOPRAT "
            "= COALESCE(M.CDTIPOPRAT, P.CDTIPOPRAT) WHERE C.CDFILIAL = D.CDFILIAL AND "
            "C.NRCARDAPIO = D.NRCARDAPIO ORDER BY D.DTCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR"),
        {filial, servico, month});
    constexpr int Day = 1;
    constexpr int Seq = 3;
    constexpr int Label = 8;
    constexpr int Name = 9;
    const auto makeLabel = [&q] {
        return typeLabel(q.Value(16).toInt(), q.IsNull(7) ? QString() : q.Value(7).toString(),
                         q.Value(8).toString());
    };
    // A configured position's label is the same on every day: made once.
    QHash<qint64, QString> labels;
    while (q.Next()) {
        QString label;
        if (!q.IsNull(7) && !q.IsNull(16)) {
            QString& known = labels[q.Value(Seq).toLongLong()];
            if (known.isNull()) {
                known = makeLabel();
            }
            label = known;
        } else {
            label = makeLabel();
        }
        out.BeginRow(q, label);
        for (int i = 0; i < 15; ++i) {
            if (i == Day) {
                out.Day(q);
            } else if (i == Label) {
                out.Value(label);
            } else if (i == Name) {
                out.Name(q);
            } else {
                out.Field(q, DishFields[i], i);
            }
        }
        out.Value(RoundDec(q.Value(6).toDouble() / 100.0 * q.Value(15).toDouble(), 3));
    }
}

// The status letter in front of the dish's name, as the grid shows it.
constexpr int NameLength = 41;
QString dishName(const TRows& q) {
    return (q.Value(10).toString() + q.Value(9).toString()).left(NameLength);
}

// The rows as a packet's, for the server's own use.
struct TDishPacket {
    TDataPacket Packet{DishFields, {}};

    void BeginRow(const TRows&, const QString&) {
        Packet.Rows.append(TPacketRow{});
        Packet.Rows.back().Values.reserve(DishFields.size());
    }
    void Field(const TRows& q, const TFieldDef& field, int column) {
        Packet.Rows.back().Values.append(q.Field(field.Type, column));
    }
    void Value(const QVariant& value) { Packet.Rows.back().Values.append(value); }
    void Day(const TRows& q) { Value(q.Field(TFieldType::DateTime, 1)); }
    void Name(const TRows& q) { Value(dishName(q)); }
};

// The rows straight into the answer's bytes, and how many dishes each day has in each
// position, which the pivot shows.
struct TDishBytes {
    TPacketEncoder Encoder{DishFields};
    QHash<QPair<QDate, QString>, int> PerDayAndLabel;
    TCborWriter* Row = nullptr;
    // The rows come day by day, and a day's number (NRCARDAPIO) gives its date: read once
    // per day, as on PostgreSQL every read of a date is a parse through local time.
    QString DayNumber;
    QDateTime Date;

    void BeginRow(const TRows& q, const QString& label) {
        if (const QString number = q.Value(2).toString(); number != DayNumber || Date.isNull()) {
            DayNumber = number;
            Date = q.Field(TFieldType::DateTime, 1).toDateTime();
        }
        ++PerDayAndLabel[{Date.date(), label}];
        Row = &Encoder.NextRow();
    }
    void Day(const TRows&) { WriteValue(*Row, Date); }
    void Field(const TRows& q, const TFieldDef&, int column) {
        q.Write(*Row, UncheckedDishFields[column], column);
    }
    void Value(const QVariant& value) { WriteValue(*Row, value); }
    void Name(const TRows& q) {
        const auto status = q.Utf8(10);
        const auto name = q.Utf8(9);
        if (status && name && status->size() + name->size() <= NameLength && IsAscii(*status) &&
            IsAscii(*name)) {
            std::array<char, NameLength> joined;
            std::copy(status->begin(), status->end(), joined.begin());
            std::copy(name->begin(), name->end(), joined.begin() + status->size());
            Row->Utf8(QByteArrayView(joined.data(), status->size() + name->size()));
        } else {
            Value(dishName(q));
        }
    }
};

} // namespace

TDataPacket DishesOfMonth(TDatabase& db, const QString& filial, const QString& servico,
                          const QDateTime& month) {
    TDishPacket out;
    readDishesOfMonth(db, filial, servico, month, out);
    return out.Packet;
}

namespace {

// The day records as the monthly screen holds them (cdsCardaDia), in date order.
TPacketQuery dayRecords(const QString& where, const QVariantList& params) {
    return TPacketQuery{
        {{"CDFILIAL", TFieldType::String, 4, false},
         {"NRCARDAPIO", TFieldType::String, 10, false},
         {"CDSERVFILI", TFieldType::String, 5, false},
         {"CDOPERADOR", TFieldType::String, 12, false},
         {"DTCARDAPIO", TFieldType::DateTime, 0, false},
         {"QTCOMESTICAR", TFieldType::Float, 0, false},
         {"QTESTITURNO1", TFieldType::Float, 0, false},
         {"QTESTITURNO2", TFieldType::Float, 0, false},
         {"QTESTITURNO3", TFieldType::Float, 0, false},
         {"QTESTITURNO4", TFieldType::Float, 0, false},
         {"QTCLIESTICAR", TFieldType::Float, 0, false},
         {"QTFUNESTICAR", TFieldType::Float, 0, false},
         {"QTDOAESTICAR", TFieldType::Float, 0, false},
         {"QTCOMEFETCAR", TFieldType::Float, 0, false},
         {"QTCLIEFETCAR", TFieldType::Float, 0, false},
         {"QTFUNEFETCAR", TFieldType::Float, 0, false},
         {"QTDOAEFETCAR", TFieldType::Float, 0, false},
         {"DTMESCARD", TFieldType::DateTime, 0, false},
         {"DSCARDAPIO", TFieldType::String, 30, false},
         {"DTULTATUACAR", TFieldType::DateTime, 0, false}},
        QStringLiteral("SELECT CDFILIAL, NRCARDAPIO, CDSERVFILI, CDOPERADOR, DTCARDAPIO, "
                       "QTCOMESTICAR, QTESTITURNO1, QTESTITURNO2, QTESTITURNO3, QTESTITURNO4, "
                       "QTCLIESTICAR, QTFUNESTICAR, QTDOAESTICAR, QTCOMEFETCAR, QTCLIEFETCAR, "
                       "QTFUNEFETCAR, QTDOAEFETCAR, DTMESCARD, DSCARDAPIO, DTULTATUACAR FROM "
                       "CARDADIA WHERE ") +
            where + QStringLiteral(" ORDER BY DTCARDAPIO"),
        params};
}

} // namespace

TPacketQuery DaysOfMonthQuery(const QString& filial, const QString& servico,
                              const QDateTime& month) {
    return dayRecords(QStringLiteral("CDFILIAL = ? AND CDSERVFILI = ? AND DTMESCARD = ?"),
                      {filial, servico, month});
}

TDataPacket DaysOfMonth(TDatabase& db, const QString& filial, const QString& servico,
                        const QDateTime& month) {
    return QueryPacket(db, DaysOfMonthQuery(filial, servico, month));
}

TDataPacket DaysOfPeriod(TDatabase& db, const QString& filial, const QString& servico,
                         const QDate& first, const QDate& last) {
    return QueryPacket(
        db, dayRecords(QStringLiteral("CDFILIAL = ? AND CDSERVFILI = ? AND DTCARDAPIO >= ? AND "
                                      "DTCARDAPIO <= ?"),
                       {filial, servico, DataHora(first), DataHora(last)}));
}

TPacketQuery PositionsOfMonthQuery(const QString& filial, const QString& servico,
                                   const QDateTime& month) {
    return TPacketQuery{
        {{"CDFILIAL", TFieldType::String, 4, false},
         {"CDSERVFILI", TFieldType::String, 5, false},
         {"NRSEQCNFMES", TFieldType::Integer, 0, false},
         {"DTREFECNFMES", TFieldType::DateTime, 0, false},
         {"CDTIPOPRAT", TFieldType::String, 2, false},
         {"IDOPCCNFMES", TFieldType::String, 1, false},
         {"IDIMPCNFMES", TFieldType::String, 1, false},
         {"NRORDCNFMES", TFieldType::Integer, 0, false},
         {"IDCONCNFMES", TFieldType::String, 1, false}},
        QStringLiteral("SELECT CDFILIAL, CDSERVFILI, NRSEQCNFMES, DTREFECNFMES, CDTIPOPRAT, "
                       "IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES FROM CNFCARDMES WHERE "
                       "CDFILIAL = ? AND CDSERVFILI = ? AND DTREFECNFMES = ? ORDER BY "
                       "NRORDCNFMES"),
        {filial, servico, month}};
}

TDataPacket PositionsOfMonth(TDatabase& db, const QString& filial, const QString& servico,
                             const QDateTime& month) {
    return QueryPacket(db, PositionsOfMonthQuery(filial, servico, month));
}

QChar TCentralMenu::OperatorKind(bool moduFili) const {
    if (GroupParameterised) {
        return OperatorOfGroup ? QLatin1Char('M') : QLatin1Char('F');
    }
    return moduFili ? QLatin1Char('F') : QLatin1Char('M');
}

bool TCentralMenu::RecordsSpecialDays() const {
    return (MenuType == QLatin1Char('S') && !CentralBranch.isEmpty()) ||
           (MenuType == QLatin1Char('D') && Decentralised && !OperatorOfGroup);
}

TCentralMenu CentralMenuOf(TDatabase& db, const QString& filial, const QString& servico,
                           const QString& operador) {
    TCentralMenu c;
    const QString type = menuType(db, filial);
    c.MenuType = type.isEmpty() ? QLatin1Char('N') : type.at(0);
    c.CentralBranch =
        db.Scalar(QStringLiteral("SELECT CDFILCENTPME FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                  {filial})
            .toString()
            .trimmed();
    if (const std::optional<TServiceRow> service = serviceRow(db, filial, servico)) {
        c.GroupParameterised = service->GroupParameterised;
        c.Decentralised = service->Decentralised;
        c.OperatorOfGroup =
            !service->Group.isEmpty() &&
            db.Scalar(QStringLiteral("SELECT COUNT(*) FROM OPERGRUPSERV WHERE CDGRUPSERV = ? AND "
                                     "CDOPERADOR = ?"),
                      {service->Group, operador})
                    .toInt() > 0;
    }
    c.Follows = (c.MenuType == QLatin1Char('S') && !c.CentralBranch.isEmpty()) ||
                (c.MenuType == QLatin1Char('D') && c.Decentralised && c.GroupParameterised);
    return c;
}

TDataPacket SpecialDaysOfMonth(TDatabase& db, const QString& filial, const QString& servico,
                               const QDateTime& month) {
    return QueryPacket(
        db,
        {{"DTCARDAPIO", TFieldType::DateTime, 0, false},
         {"NRCARDAPIO", TFieldType::String, 10, false}},
        QStringLiteral("SELECT DTCARDAPIO, NRCARDAPIO FROM CARDESP WHERE CDFILIAL = ? "
                       "AND CDSERVFILI = ? AND DTCARDAPIO >= ? AND DTCARDAPIO <= ? "
                       "ORDER BY DTCARDAPIO"),
        {filial, servico, month, DataHora(UltimoDiaMes(month.date()))});
}

TDataPacket RemovedDishesOfMonth(TDatabase& db, const QString& filial, const QString& servico,
                                 const QDateTime& month) {
    return QueryPacket(
        db,
        {{"CDFILIAL", TFieldType::String, 4, false},
         {"CDSERVFILI", TFieldType::String, 5, false},
         {"DTPRATEXCL", TFieldType::String, 2, false},
         {"NRSEQPRATEXCL", TFieldType::Integer, 0, false},
         {"IDLOCALEXCL", TFieldType::String, 1, false},
         {"CDPRATO", TFieldType::String, 10, false},
         {"CDFILAUXPRAT", TFieldType::String, 4, false}},
        QStringLiteral("SELECT CDFILIAL, CDSERVFILI, DTPRATEXCL, NRSEQPRATEXCL, IDLOCALEXCL, "
                       "CDPRATO, CDFILAUXPRAT FROM PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? "
                       "AND DTMESCARD = ? ORDER BY DTPRATEXCL, NRSEQPRATEXCL"),
        {filial, servico, month});
}

namespace {

struct TPosition {
    int Seq;
    int Order;
    QString Label;
    bool Optional;
};

QList<TPosition> positionsOfMonth(TDatabase& db, const QString& filial, const QString& servico,
                                  const QDateTime& month) {
    QList<TPosition> out;
    TRows q = db.Select(QStringLiteral("SELECT M.NRSEQCNFMES, M.NRORDCNFMES, M.CDTIPOPRAT, "
                                       "T.NMTIPOPRAT, M.IDOPCCNFMES FROM CNFCARDMES M JOIN "
                                       "TIPOPRAT T ON T.CDTIPOPRAT = M.CDTIPOPRAT WHERE "
                                       "M.CDFILIAL = ? AND M.CDSERVFILI = ? AND M.DTREFECNFMES "
                                       "= ? ORDER BY M.NRORDCNFMES"),
                        {filial, servico, month});
    while (q.Next()) {
        out.append({q.Value(0).toInt(), q.Value(1).toInt(),
                    typeLabel(q.Value(1).toInt(), q.Value(2).toString(), q.Value(3).toString()),
                    q.Value(4).toString() == QLatin1String("S")});
    }
    return out;
}

// The pivot's source: every day of the month against every position, valued by the
// dishes placed, so that an empty month still shows its cells to fill.
TEncodedPacket decisionOfMonth(const QList<TPosition>& positions,
                               const QHash<QPair<QDate, QString>, int>& count, const QDate& month) {
    if (!month.isValid()) {
        throw EPlaError(QStringLiteral("Mês do cardápio inválido."));
    }
    TPacketEncoder p({{"DTDATA", TFieldType::DateTime, 0, false},
                      {"NMTIPOPRAT", TFieldType::String, 38, false},
                      {"VALORES", TFieldType::Float, 0, false}});
    for (QDate d = month; d.month() == month.month(); d = d.addDays(1)) {
        const qint64 day = DataHora(d).toMSecsSinceEpoch();
        for (const TPosition& pos : positions) {
            TCborWriter& row = p.NextRow();
            WriteDateTime(row, day);
            row.Text(pos.Label);
            row.Integer(count.value({d, pos.Label})); // a count: integral, as it always went
        }
    }
    return p.Finish();
}

QVariant getCardapio(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(2).trimmed(), 5);
    const QDateTime month = DataHora(PriDiaMes(args.DateTime(4).date()));
    const bool porFilial = args.Boolean(5);
    args.SetRef(0, filial);
    args.SetRef(2, servico);
    args.SetRef(4, month);
    CheckBranch(db, filial);
    const std::optional<TServiceRow> service = serviceRow(db, filial, servico);
    const TDataPacket params = PlanningParameters(db, filial);
    rpc::TRespostaCardapio out;
    using E = rpc::TElemCardapio;
    out[E::ParamPlaneja] = FromDataPacket(params);
    // The answer's packets are written straight into their bytes.
    const auto answer = [&db](const TPacketQuery& query) {
        return QVariant::fromValue(EncodedQueryPacket(db, query));
    };
    out[E::VisualCard] = answer({{{"CDFILIAL", TFieldType::String, 4, false},
                                  {"CDSERVFILI", TFieldType::String, 5, false},
                                  {"CDOPERADOR", TFieldType::String, 12, false},
                                  {"NRVISUALCARD", TFieldType::Integer, 0, false}},
                                 QStringLiteral("SELECT CDFILIAL, CDSERVFILI, CDOPERADOR, "
                                                "NRVISUALCARD FROM VISUALCARD WHERE CDFILIAL = ? "
                                                "AND CDSERVFILI = ? AND CDOPERADOR = ?"),
                                 {filial, servico, ctx.Operador}});
    out[E::Mensagem] = service ? QString() : QStringLiteral("Serviço não cadastrado.");

    const QList<TPosition> positions = positionsOfMonth(db, filial, servico, month);
    QStringList optional;
    for (const TPosition& p : positions) {
        if (p.Optional) {
            optional << p.Label.left(3) + QStringLiteral("%S");
        }
    }
    out[E::Opcoes] = optional.join(QLatin1Char('\n'));
    out[E::CnfCaMes] = answer(PositionsOfMonthQuery(filial, servico, month));
    out[E::CardaDia] = answer(DaysOfMonthQuery(filial, servico, month));
    TDishBytes dishes;
    readDishesOfMonth(db, filial, servico, month, dishes);
    out[E::CompCard] = QVariant::fromValue(dishes.Encoder.Finish());
    out[E::Decision] =
        QVariant::fromValue(decisionOfMonth(positions, dishes.PerDayAndLabel, month.date()));

    // Permissions; the last element says whether the operator may open this branch's menus
    // (a text refuses it).
    QVariantList permissions = OperatorPermissions(db, ctx.Operador);
    TRows op = db.Select(QStringLiteral("SELECT CDFILIAL, IDTIPOOPER FROM OPERADOR WHERE "
                                        "CDOPERADOR = ?"),
                         {ctx.Operador});
    op.Next();
    const QString ownBranch = op.Value(0).toString().trimmed();
    if (porFilial && !ownBranch.isEmpty() && ownBranch != filial) {
        permissions[rpc::Posicao(rpc::TAutorizacao::AcessoFilial)] =
            QStringLiteral("Operador sem acesso aos cardápios da filial %1.").arg(filial);
    }
    out[E::Autorizacoes] = permissions;
    out[E::CardEsp] = FromDataPacket(SpecialDaysOfMonth(db, filial, servico, month));
    const bool operatorOfGroup =
        service && !service->Group.isEmpty() &&
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM OPERGRUPSERV WHERE CDGRUPSERV = ? AND "
                                 "CDOPERADOR = ?"),
                  {service->Group, ctx.Operador})
                .toInt() > 0;
    out[E::Grupo] = QVariantList{service && service->GroupParameterised, operatorOfGroup};
    out[E::PratosExcluidos] = FromDataPacket(RemovedDishesOfMonth(db, filial, servico, month));
    // Read only: a month wholly past its changeable days, or an operator who may change
    // nothing in a menu (dishes and diners) or not this branch's menus.
    const bool mayChange =
        ctx.Access().PodeMudarCardapio() && ctx.Access().PodeAlterarFilial(filial, porFilial);
    out[E::SomenteLeitura] =
        UltimoDiaMes(month.date()) < FirstChangeableDay(db, filial) || !mayChange;
    // The day menus follow a central menu: the head office's (type "S") or the group's
    // for a decentralised service (type "D").
    out[E::IdCardCentral] = CentralMenuOf(db, filial, servico, ctx.Operador).Follows
                                ? QStringLiteral("S")
                                : QStringLiteral("N");
    out[E::ParamGeral] = answer({{{"IDMANCORCARDALT", TFieldType::String, 1, false},
                                  {"NRNIVEISPRATO", TFieldType::Integer, 0, false},
                                  {"IDUTILDTPROC", TFieldType::String, 1, false},
                                  {"IDPERCOMENSPRAT", TFieldType::String, 1, false}},
                                 QStringLiteral("SELECT IDMANCORCARDALT, NRNIVEISPRATO, "
                                                "IDUTILDTPROC, IDPERCOMENSPRAT FROM PARAMGERAL"),
                                 {}});
    TDataPacket cycleNumbers;
    cycleNumbers.Fields = {{"DTCARDAPIO", TFieldType::String, 2, false},
                           {"NRCICLO", TFieldType::String, 3, false}};
    if (service) {
        if (const auto cycle = ActiveCycle(db, filial, servico, month.date())) {
            const TServiceEstimates estimates(db, filial, servico);
            const QMap<QDate, int> days = CycleDays(*cycle, estimates, month.date());
            for (auto it = days.cbegin(); it != days.cend(); ++it) {
                cycleNumbers.Rows.append(
                    packetRow({QStringLiteral("%1").arg(it.key().day(), 2, 10, QLatin1Char('0')),
                               QString::number(it.value())}));
            }
        }
    }
    out[E::NrCiclo] = FromDataPacket(cycleNumbers);
    out[E::Cardames] = answer({{{"NRCENARIOCARD", TFieldType::Integer, 0, false}},
                               QStringLiteral("SELECT NRCENARIOCARD FROM CARDAMES WHERE CDFILIAL "
                                              "= ? AND CDSERVFILI = ? AND DTMESCARD = ?"),
                               {filial, servico, month}});
    return out.ToWire();
}

// The text shown after a day's caption, as "dd=text" lines: the day's description,
// else the name of the menu's holiday on that day.
QString dayDescriptions(TDatabase& db, const QString& filial, const QString& servico,
                        const QDate& first, const QDate& last) {
    QMap<int, QString> text;
    TRows h = db.Select(QStringLiteral("SELECT DTFERICARD, DSFERICARD FROM FERICARD WHERE "
                                       "CDFILIAL = ? AND DTFERICARD >= ? AND DTFERICARD <= ?"),
                        {filial, DataHora(first), DataHora(last)});
    while (h.Next()) {
        text.insert(TDatabase::FromSql(TFieldType::DateTime, h.Value(0)).toDateTime().date().day(),
                    h.Value(1).toString().trimmed());
    }
    TRows d = db.Select(QStringLiteral("SELECT DTCARDAPIO, DSCARDAPIO FROM CARDADIA WHERE "
                                       "CDFILIAL = ? AND CDSERVFILI = ? AND DTCARDAPIO >= ? AND "
                                       "DTCARDAPIO <= ? AND DSCARDAPIO IS NOT NULL"),
                        {filial, servico, DataHora(first), DataHora(last)});
    while (d.Next()) {
        const QString desc = d.Value(1).toString().trimmed();
        if (!desc.isEmpty()) {
            text.insert(
                TDatabase::FromSql(TFieldType::DateTime, d.Value(0)).toDateTime().date().day(),
                desc);
        }
    }
    QStringList lines;
    for (auto it = text.cbegin(); it != text.cend(); ++it) {
        lines << QStringLiteral("%1=%2").arg(it.key(), 2, 10, QLatin1Char('0')).arg(it.value());
    }
    return lines.join(QLatin1Char('\n'));
}

// The grid's dish lines, sorted: one per dish placed ("dd" + type label + "%%" + code +
// "%%" + status letter and name + "||" + quantity + "??" + branch of the dish) and one
// total line per day with the day's estimated diners.
QVariant getStlPratos(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDateTime month = DataHora(PriDiaMes(args.DateTime(2).date()));
    const qint64 montagem = args.Integer(4);
    const QString total = args.String(5);
    args.SetRef(2, month);
    const auto day = [](const QDateTime& d) {
        return QStringLiteral("%1").arg(d.date().day(), 2, 10, QLatin1Char('0'));
    };
    QStringList lines;
    const TDataPacket dishes = DishesOfMonth(db, filial, servico, month);
    for (const TPacketRow& r : dishes.Rows) {
        const QString qty = montagem == 0 ? quantityText(r.Values[15].toDouble(), 3)
                                          : quantityText(r.Values[6].toDouble(), 2);
        lines << day(r.Values[1].toDateTime()) + r.Values[8].toString() + QStringLiteral("%%") +
                     r.Values[5].toString() + QStringLiteral("%%") + r.Values[9].toString() +
                     QStringLiteral("||") + qty + QStringLiteral("??") + r.Values[4].toString();
    }
    TRows q = db.Select(QStringLiteral("SELECT DTCARDAPIO, QTCOMESTICAR FROM CARDADIA WHERE "
                                       "CDFILIAL = ? AND CDSERVFILI = ? AND DTMESCARD = ?"),
                        {filial, servico, month});
    while (q.Next()) {
        lines << day(TDatabase::FromSql(TFieldType::DateTime, q.Value(0)).toDateTime()) + total +
                     QStringLiteral("%%%%||") + quantityText(q.Value(1).toDouble(), 3) +
                     QStringLiteral("??");
    }
    lines.sort();
    return QVariantList{
        lines.join(QLatin1Char('\n')),
        dayDescriptions(db, filial, servico, month.date(), UltimoDiaMes(month.date()))};
}

QVariant getStlDesc(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDate first = args.DateTime(2).date();
    const QDate last = args.DateTime(3).date();
    return dayDescriptions(ctx.Database(), filial, servico, first, last);
}

// A menu that no longer follows a central one keeps no record of the central dishes
// it removed; a month left without days keeps no dish positions either.
QVariant delCnfCaMes(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const QDateTime month = DataHora(PriDiaMes(args.DateTime(2).date()));
    args.SetRef(2, month);
    TDatabase& db = ctx.Database();
    db.Exec(QStringLiteral("DELETE FROM PRATEXCL WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                           "DTMESCARD = ?"),
            {filial, servico, month});
    // The dish positions go only with the last day: a month with days keeps them.
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ? AND DTCARDAPIO >= ? AND DTCARDAPIO <= ?"),
                  {filial, servico, month, DataHora(UltimoDiaMes(month.date()))})
            .toInt() == 0) {
        db.Exec(QStringLiteral("DELETE FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                               "DTREFECNFMES = ?"),
                {filial, servico, month});
    }
    return QString();
}

// Saves the grid arrangement the operator chose for a service; the answer is empty,
// or the reason it was not saved.
QVariant gravaVisualCard(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = Ajusta(args.String(0).trimmed(), 4);
    const QString servico = Ajusta(args.String(1).trimmed(), 5);
    const qint64 mode = args.Integer(3);
    args.SetRef(1, servico);
    if (mode < 0 || mode > 2) {
        return QStringLiteral("Visualização %1 não existe.").arg(mode);
    }
    if (!serviceRow(db, filial, servico)) {
        return QStringLiteral("Serviço não cadastrado.");
    }
    if (db.ExecCount(QStringLiteral("UPDATE VISUALCARD SET NRVISUALCARD = ? WHERE CDFILIAL = ? "
                                    "AND CDSERVFILI = ? AND CDOPERADOR = ?"),
                     {mode, filial, servico, ctx.Operador}) == 0) {
        db.Exec(QStringLiteral("INSERT INTO VISUALCARD (CDFILIAL, CDSERVFILI, CDOPERADOR, "
                               "NRVISUALCARD) VALUES (?, ?, ?, ?)"),
                {filial, servico, ctx.Operador, mode});
    }
    return QString();
}

} // namespace

void RegisterMonthlyMenuMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetServicos(), getServicos));
    m.Register(TMethodDef::Declarado(rpc::metodos::getDietaServ(), getDietaServ));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetTipodeCardapio(), getTipodeCardapio));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetCardCiclo(), getCardCiclo));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetCardapio(), getCardapio));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetStlPratos(), getStlPratos));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetStlDesc(), getStlDesc));
    m.Register(TMethodDef::Declarado(rpc::metodos::DelCnfCaMes(), delCnfCaMes, true,
                                     {{A::IncluirPrato, A::AlterarPrato, A::ExcluirPrato,
                                       A::AlterarComEstDia, A::AlterarComEstPrat},
                                      QStringLiteral("alterar cardápios"),
                                      0}));
    m.Register(TMethodDef::Declarado(rpc::metodos::GravaVisualCard(), gravaVisualCard, true,
                                     {.SelfChecked = true}));
}

} // namespace pla::server
