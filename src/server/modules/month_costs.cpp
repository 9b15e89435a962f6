// The month's costs: the planned cost of a service's days and their work area, the real
// cost of the served days, the standard and the planned diners, the closing check
// against the branch's tolerances, and the stored reference dates of a month's costs.
#include "costs.h"
#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <algorithm>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

// A longer period is no month's work: the screen asks at most a month at a time.
constexpr int MaxDays = 31;

// A work area outlives the screen that asked for it by at most this; a client that
// died leaves it behind, and the next call of anyone sweeps it.
constexpr int WorkAreaDays = 1;

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

QString code(TMethodArgs& args, int index, int width) {
    return Ajusta(args.String(index).trimmed(), width);
}

QDateTime monthOf(TMethodArgs& args, int index) {
    return DataHora(PriDiaMes(args.DateTime(index).date()));
}

void refuseCosts(TCallContext& ctx, const QString& filial, const QString& servico) {
    const QString refusal = CostRefusal(ctx, filial, servico, -1, filial);
    if (!refusal.isEmpty()) {
        throw EPlaError(refusal);
    }
}

// The branch whose prices value the costs: the one given, else the service's own.
QString costBranch(TMethodArgs& args, int index, const QString& filial) {
    const QString given = args.String(index).trimmed();
    return given.isEmpty() ? filial : Ajusta(given, 4);
}

// A fixed reference date, today when none is given; an invalid date when each day
// takes its own.
QDate referenceDate(TMethodArgs& args, int fixedArg, int dateArg) {
    if (!args.Boolean(fixedArg)) {
        return {};
    }
    const QDateTime given = args.Value(dateArg).isNull() ? QDateTime() : args.DateTime(dateArg);
    return given.isValid() ? given.date() : Hoje();
}

void sweepWorkAreas(TDatabase& db) {
    db.ExecCount(QStringLiteral("DELETE FROM TRABCUSTO WHERE DTCRIACAO < ?"),
                 {Agora().addDays(-WorkAreaDays)});
}

// A new work area key: ten digits from a counter that never goes back, so that a
// swept key is never given again.
QString nextWorkAreaKey(TDatabase& db) {
    db.ExecCount(QStringLiteral("UPDATE SEQTRABCUSTO SET NRULTIMO = NRULTIMO + 1 WHERE NRSEQ = 1"));
    const qint64 last =
        db.Scalar(QStringLiteral("SELECT NRULTIMO FROM SEQTRABCUSTO WHERE NRSEQ = 1")).toLongLong();
    return Ajusta(QString::number(last), rpc::TamanhoNrCardapio);
}

// Rows written some at a time: a month by dish is a thousand rows or more, and each
// statement costs more than its values.
void insertRows(TDatabase& db, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows) {
    constexpr qsizetype PerStatement = 100;
    const QString row = QLatin1Char('(') +
                        QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                        QLatin1Char(')');
    for (qsizetype at = 0; at < rows.size(); at += PerStatement) {
        const qsizetype n = std::min(PerStatement, rows.size() - at);
        QVariantList values;
        values.reserve(n * columns.size());
        for (qsizetype i = at; i < at + n; ++i) {
            values += rows[i];
        }
        db.ExecCount(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                         .arg(table, columns.join(QStringLiteral(", ")),
                              QStringList(n, row).join(QStringLiteral(", "))),
                     values);
    }
}

TDataPacket daysPacket(const QList<TDayCost>& days) {
    TDataPacket p;
    p.Fields = {{"DTDATA", TFieldType::DateTime, 0, true},
                {"VRCUSTPRODMAT", TFieldType::Float, 0, false},
                {"VRCUSTOCONS", TFieldType::Float, 0, false},
                {"VRCUSTORAT", TFieldType::Float, 0, false},
                {"QTCOMESTICAR", TFieldType::Float, 0, false},
                {"QTCLIESTICAR", TFieldType::Float, 0, false},
                // Filled by the screen as it walks the days.
                {"VRCUSTOACU", TFieldType::Float, 0, false},
                {"VRCUSTOCONSACU", TFieldType::Float, 0, false},
                {"VRCUSTMATACU", TFieldType::Float, 0, false},
                {"VRCUSTOMEDIO", TFieldType::Float, 0, false},
                {"QTCOMESACU", TFieldType::Float, 0, false}};
    for (const TDayCost& d : days) {
        TPacketRow row;
        row.Values = {DataHora(d.Dia),
                      d.MateriaPrima,
                      d.Consumo,
                      d.Rateio,
                      d.Comensais,
                      d.Clientes,
                      0.0,
                      0.0,
                      0.0,
                      0.0,
                      0.0};
        p.Rows.append(row);
    }
    return p;
}

// The planned cost of every calendar day of the period, kept in a new work area of the
// operator (with each dish of each day when asked) for the screens that analyse it.
// The answer is [key, days]; a refusal is [text, null].
QVariant getTrabCusto(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    sweepWorkAreas(db);
    TCostQuery q;
    q.Filial = code(args, 0, 4);
    q.Servico = code(args, 1, 5);
    q.Inicio = args.DateTime(2).date();
    q.Fim = args.DateTime(3).date();
    q.TipoCusto = args.Integer(4);
    q.Referencia = referenceDate(args, 6, 7);
    q.FilialCusto = costBranch(args, 8, q.Filial);
    q.PorPrato = args.Boolean(9);
    const auto refused = [](const QString& text) { return QVariantList{text, QVariant()}; };
    if (q.Fim < q.Inicio) {
        return refused(QStringLiteral("Período inválido: o dia final (%1) é anterior ao inicial "
                                      "(%2).")
                           .arg(dateText(q.Fim), dateText(q.Inicio)));
    }
    if (q.Inicio.daysTo(q.Fim) >= MaxDays) {
        return refused(QStringLiteral("O período de %1 a %2 é longo demais: calcule no máximo %3 "
                                      "dias de cada vez.")
                           .arg(dateText(q.Inicio), dateText(q.Fim))
                           .arg(MaxDays));
    }
    const QString refusal = CostRefusal(ctx, q.Filial, q.Servico, q.TipoCusto, q.FilialCusto);
    if (!refusal.isEmpty()) {
        return refused(refusal);
    }

    const TPeriodCost cost = PlannedCost(db, q);
    const QString key = nextWorkAreaKey(db);
    db.ExecCount(QStringLiteral("INSERT INTO TRABCUSTO (NRTRABCUSTO, CDFILIAL, CDSERVFILI, "
                                "CDOPERADOR, DTCRIACAO, DTINICIO, DTFIM, NRTIPOCUSTO, "
                                "DTREFERENCIA, CDFILCUSTO, IDPORPRATO) VALUES (?, ?, ?, ?, ?, ?, "
                                "?, ?, ?, ?, ?)"),
                 {key, q.Filial, q.Servico, ctx.Operador, Agora(), DataHora(q.Inicio),
                  DataHora(q.Fim), q.TipoCusto,
                  q.Referencia.isValid() ? QVariant(DataHora(q.Referencia)) : QVariant(),
                  q.FilialCusto, q.PorPrato});
    QList<QVariantList> days;
    for (const TDayCost& d : cost.Dias) {
        days.append(
            {key, DataHora(d.Dia), d.MateriaPrima, d.Consumo, d.Rateio, d.Comensais, d.Clientes});
    }
    insertRows(db, QStringLiteral("TRABCUSTODIA"),
               {"NRTRABCUSTO", "DTDATA", "VRCUSTPRODMAT", "VRCUSTOCONS", "VRCUSTORAT",
                "QTCOMESTICAR", "QTCLIESTICAR"},
               days);
    QList<QVariantList> dishes;
    for (const TDishCost& p : cost.Pratos) {
        dishes.append({key, DataHora(p.Dia), p.Posicao, p.Ordem, p.FilialPrato, p.Prato, p.Porcoes,
                       p.CustoPorcao, p.Custo});
    }
    insertRows(db, QStringLiteral("TRABCUSTOPRAT"),
               {"NRTRABCUSTO", "DTDATA", "NRSEQPRATCAR", "NRORDPRATCAR", "CDFILAUXPRAT", "CDPRATO",
                "QTPORCAO", "VRCUSTOPORCAO", "VRCUSTOPRATO"},
               dishes);
    return QVariantList{key, FromDataPacket(daysPacket(cost.Dias))};
}

// Releases a work area: "" also when it is gone already (swept); another operator's or
// another branch's is refused.
QVariant delConsplan(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString key = code(args, 0, rpc::TamanhoNrCardapio);
    const std::optional<TWorkArea> area = FindWorkArea(db, key);
    if (!area) {
        return QString();
    }
    const QString refusal = WorkAreaRefusal(*area, code(args, 1, 4), ctx.Operador);
    if (!refusal.isEmpty()) {
        return refusal;
    }
    db.ExecCount(QStringLiteral("DELETE FROM TRABCUSTO WHERE NRTRABCUSTO = ?"), {key});
    return QString();
}

// The month's standard per capita (the contract's): one row, or none.
QVariant getCustoPadrao(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = code(args, 0, 4);
    const QString servico = code(args, 1, 5);
    refuseCosts(ctx, filial, servico);
    return FromDataPacket(
        QueryPacket(ctx.Database(), {{"VRCUSTPADR", TFieldType::Float, 0, false}},
                    QStringLiteral("SELECT VRCUSTPADR FROM CUSTOSERVMES WHERE CDFILIAL = ? AND "
                                   "CDSERVFILI = ? AND DTMESCUST = ?"),
                    {filial, servico, monthOf(args, 2)}));
}

// The month's planned diners.
QVariant getComensPlan(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = code(args, 0, 4);
    const QString servico = code(args, 1, 5);
    refuseCosts(ctx, filial, servico);
    return ctx.Database()
        .Scalar(QStringLiteral("SELECT COALESCE(SUM(QTCOMESTICAR), 0) FROM CARDADIA WHERE "
                               "CDFILIAL = ? AND CDSERVFILI = ? AND DTMESCARD = ?"),
                {filial, servico, monthOf(args, 2)})
        .toDouble();
}

// The real cost of each served day of the month.
QVariant getRealizado(TCallContext& ctx, TMethodArgs& args) {
    const QString filial = code(args, 0, 4);
    const QString servico = code(args, 1, 5);
    const qint64 tipoCusto = args.Integer(3);
    const QString filialCusto = costBranch(args, 6, filial);
    const QString refusal = CostRefusal(ctx, filial, servico, tipoCusto, filialCusto);
    if (!refusal.isEmpty()) {
        throw EPlaError(refusal);
    }
    TDataPacket p;
    p.Fields = {{"DTCARDAPIO", TFieldType::DateTime, 0, true},
                {"QTCOMEFETCAR", TFieldType::Float, 0, false},
                {"QTRETIRADA", TFieldType::Float, 0, false},
                {"CUSTO", TFieldType::Float, 0, false},
                // Filled by the screen as it walks the days.
                {"CUSTOACUM", TFieldType::Float, 0, false},
                {"QTCOMENSACU", TFieldType::Float, 0, false},
                {"VRCUSTOMEDIO", TFieldType::Float, 0, false}};
    for (const TServedDay& d : RealCost(ctx.Database(), filial, servico, monthOf(args, 2).date(),
                                        tipoCusto, referenceDate(args, 4, 5), filialCusto)) {
        TPacketRow row;
        row.Values = {DataHora(d.Dia), d.Comensais, d.Quantidade, d.Custo, 0.0, 0.0, 0.0};
        p.Rows.append(row);
    }
    return FromDataPacket(p);
}

// The closing check's figures: the month's planned per capita (raw material and
// consumption, the indirect cost left out) against the standard, as a percentage, with
// the branch's tolerances. No row when there is nothing to hold the month to: no
// tolerances, no standard, no diners.
QVariant getVdFechaCardapioCus(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    TCostQuery q;
    q.Filial = code(args, 0, 4);
    q.Servico = code(args, 1, 5);
    q.Inicio = PriDiaMes(args.DateTime(2).date());
    q.Fim = args.DateTime(3).date();
    q.TipoCusto = args.Integer(5);
    q.FilialCusto = q.Filial;
    const QString kind = args.String(6).trimmed().toUpper();
    if (kind == QLatin1String("X")) {
        // As the cost screen's fixed reference: today when none is stored.
        q.Referencia = args.Value(7).isNull() || !args.DateTime(7).isValid()
                           ? Hoje()
                           : args.DateTime(7).date();
    } else if (kind != QLatin1String("C")) {
        throw EPlaError(QStringLiteral("Tipo de referência de custo %1 inválido: C (data de cada "
                                       "dia) ou X (data fixa).")
                            .arg(args.String(6)));
    }
    if (q.Fim < q.Inicio || q.Fim > UltimoDiaMes(q.Inicio)) {
        throw EPlaError(
            QStringLiteral("O último dia (%1) não é do mês de %2.")
                .arg(dateText(q.Fim), FormatDateTime(QStringLiteral("mm/yyyy"), q.Inicio)));
    }
    const QString refusal = CostRefusal(ctx, q.Filial, q.Servico, q.TipoCusto, q.FilialCusto);
    if (!refusal.isEmpty()) {
        throw EPlaError(refusal);
    }

    TDataPacket p;
    p.Fields = {{"CUSTO", TFieldType::Float, 0, false},
                {"VRPEMAXDIFPLAPA", TFieldType::Float, 0, false},
                {"VRPEMINDIFPLAPA", TFieldType::Float, 0, false},
                {"DIFECUSTO", TFieldType::Float, 0, false}};
    TRows b = db.Select(QStringLiteral("SELECT VRPEMAXDIFPLAPA, VRPEMINDIFPLAPA, IDCOMCUSPERC "
                                       "FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                        {q.Filial});
    if (!b.Next() || b.Value(0).isNull() || b.Value(1).isNull()) {
        return FromDataPacket(p);
    }
    const double above = b.Value(0).toDouble();
    const double below = b.Value(1).toDouble();
    const bool clients = b.Value(2).toString() == QLatin1String("C");
    const double standard =
        db.Scalar(QStringLiteral("SELECT VRCUSTPADR FROM CUSTOSERVMES WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ? AND DTMESCUST = ?"),
                  {q.Filial, q.Servico, DataHora(q.Inicio)})
            .toDouble();
    if (standard <= 0) {
        return FromDataPacket(p);
    }
    const std::optional<double> planned = PlannedPerCapita(PlannedCost(db, q).Dias, clients);
    if (!planned) {
        return FromDataPacket(p);
    }
    const double perCapita = *planned;
    TPacketRow row;
    row.Values = {perCapita, above, below, RoundDec((perCapita - standard) / standard * 100.0, 5)};
    p.Rows.append(row);
    return FromDataPacket(p);
}

// The reference date stored for the month's costs, or 0.
QVariant getDtRefCust(TCallContext& ctx, TMethodArgs& args) {
    const QVariant stored =
        ctx.Database().Scalar(QStringLiteral("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE "
                                             "CDFILIAL = ? AND DTMESCUST = ?"),
                              {code(args, 0, 4), monthOf(args, 2)});
    if (stored.isNull()) {
        return QVariantList{qlonglong(0)};
    }
    return QVariantList{TDatabase::FromSql(TFieldType::DateTime, stored)};
}

// The month's reference dates: for its costs and for their recalculation, each with who
// stored it and when. One row, or none when neither is stored.
QVariant getBaseCusto(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = code(args, 0, 4);
    const QDateTime month = monthOf(args, 1);
    const TDataPacket planned = QueryPacket(
        db,
        {{"DTBASCONCUSPLAN", TFieldType::DateTime, 0, false},
         {"CDOPERBASE", TFieldType::String, 12, false},
         {"DTALTBASE", TFieldType::DateTime, 0, false}},
        QStringLiteral("SELECT DTBASCONCUSPLAN, CDOPERBASE, DTALTBASE FROM BASECUSTMES WHERE "
                       "CDFILIAL = ? AND DTMESCUST = ?"),
        {filial, month});
    const TDataPacket recalc = QueryPacket(
        db,
        {{"DTBASRECCUS", TFieldType::DateTime, 0, false},
         {"CDOPERREC", TFieldType::String, 12, false},
         {"DTALTREC", TFieldType::DateTime, 0, false}},
        QStringLiteral("SELECT DTBASRECCUS, CDOPERREC, DTALTREC FROM BASECUSTREC WHERE CDFILIAL = "
                       "? AND DTMESCUST = ?"),
        {filial, month});
    TDataPacket p;
    p.Fields = planned.Fields + recalc.Fields;
    if (!planned.Rows.isEmpty() || !recalc.Rows.isEmpty()) {
        TPacketRow row;
        row.Values = planned.Rows.isEmpty() ? QVariantList(3) : planned.Rows[0].Values;
        row.Values += recalc.Rows.isEmpty() ? QVariantList(3) : recalc.Rows[0].Values;
        p.Rows.append(row);
    }
    return FromDataPacket(p);
}

// Stores one of the month's reference dates, with who and when: "P" the costs', "R"
// their recalculation's. The date lies from twelve months before the month to its last
// day. "" stored, else why not.
QVariant setBaseCusto(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = code(args, 0, 4);
    const QDate month = PriDiaMes(args.DateTime(1).date());
    const QString kind = args.String(2).trimmed().toUpper();
    const QDateTime given = args.Value(3).isNull() ? QDateTime() : args.DateTime(3);
    const TOperatorAccess& access = ctx.Access();
    if (kind == QString(QLatin1Char(rpc::BaseCustoPlanejado))) {
        access.ExigePermissao({A::AtualizarDataRef},
                              QStringLiteral("alterar a data de referência dos custos"));
    } else if (kind == QString(QLatin1Char(rpc::BaseCustoRecalculo))) {
        access.ExigePermissao({A::AtualizarDataRefRec},
                              QStringLiteral("alterar a data de referência do recálculo de "
                                             "custos"));
    } else {
        throw EPlaError(QStringLiteral("Tipo de data de referência %1 inválido: P (custos do mês) "
                                       "ou R (recálculo de custos).")
                            .arg(args.String(2)));
    }
    CheckBranch(db, filial);
    if (!given.isValid()) {
        throw EPlaError(QStringLiteral("Informe a data de referência."));
    }
    const QDate first = month.addMonths(-12);
    const QDate last = UltimoDiaMes(month);
    const QDate date = given.date();
    if (date < first || date > last) {
        throw EPlaError(QStringLiteral("A data de referência deve estar entre %1 e %2.")
                            .arg(dateText(first), dateText(last)));
    }
    const bool planned = kind == QString(QLatin1Char(rpc::BaseCustoPlanejado));
    const QString table = planned ? QStringLiteral("BASECUSTMES") : QStringLiteral("BASECUSTREC");
    const QStringList columns = planned ? QStringList{"DTBASCONCUSPLAN", "CDOPERBASE", "DTALTBASE"}
                                        : QStringList{"DTBASRECCUS", "CDOPERREC", "DTALTREC"};
    const QVariantList values{DataHora(date), ctx.Operador, Agora(), filial, DataHora(month)};
    if (db.ExecCount(QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ?, %4 = ? WHERE CDFILIAL = ? AND "
                                    "DTMESCUST = ?")
                         .arg(table, columns[0], columns[1], columns[2]),
                     values) == 0) {
        db.ExecCount(QStringLiteral("INSERT INTO %1 (%2, %3, %4, CDFILIAL, DTMESCUST) VALUES (?, "
                                    "?, ?, ?, ?)")
                         .arg(table, columns[0], columns[1], columns[2]),
                     values);
    }
    return QString();
}

} // namespace

void RegisterMonthCostMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetCustoPadrao(), getCustoPadrao));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetComensPlan(), getComensPlan));
    // Both write only the operator's own work area; the branch is checked inside, so
    // that a refusal keeps the answer's shape.
    m.Register(TMethodDef::Declarado(rpc::metodos::DelConsplan(), delConsplan, true,
                                     {.SelfChecked = true}));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetTrabCusto(), getTrabCusto, true,
                                     {.SelfChecked = true}));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetRealizado(), getRealizado));
}

void RegisterClosingCostMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::getVdFechaCardapioCus(), getVdFechaCardapioCus));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetDtRefCust(), getDtRefCust));
}

std::unique_ptr<TRemoteDataModule> MakeBaseCusto() {
    auto m = std::make_unique<TRemoteDataModule>(QStringLiteral("Pla00120.rdmBaseCusto"));
    m->Register(TMethodDef::Declarado(rpc::metodos::GetBaseCusto(), getBaseCusto));
    // Either permission lets the call in; the method asks for the one its kind needs.
    m->Register(TMethodDef::Declarado(rpc::metodos::SetBaseCusto(), setBaseCusto, true,
                                      {{A::AtualizarDataRef, A::AtualizarDataRefRec},
                                       QStringLiteral("alterar as datas de referência dos custos"),
                                       0}));
    return m;
}

} // namespace pla::server
