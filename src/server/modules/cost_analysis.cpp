// The cost analyses of a service's month: the dishes a work area of the month's costs
// kept, the month's dishes for the recipe revision (their cost per serving at a
// comparison date against the month's, their last revision) and the recipes a planner
// marks revised, each recorded with who, when and from which month.
#include "costs.h"
#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <QMap>
#include <cmath>

namespace pla::server {

using A = rpc::TAutorizacao;

namespace {

QString code(TMethodArgs& args, int index, int width) {
    return Ajusta(args.String(index).trimmed(), width);
}

QDate dayOf(const QVariant& column) {
    return TDatabase::FromSql(TFieldType::DateTime, column).toDateTime().date();
}

// The operator's own area of the branch, holding each dish: else the reason, raised.
TWorkArea dishArea(TCallContext& ctx, TMethodArgs& args) {
    const QString key = code(args, 0, rpc::TamanhoNrCardapio);
    const std::optional<TWorkArea> area = FindWorkArea(ctx.Database(), key);
    if (!area) {
        throw EPlaError(QStringLiteral("A área de trabalho de custos %1 não existe mais: calcule "
                                       "os custos de novo.")
                            .arg(key));
    }
    const QString refusal = WorkAreaRefusal(*area, code(args, 1, 4), ctx.Operador);
    if (!refusal.isEmpty()) {
        throw EPlaError(refusal);
    }
    if (!area->PorPrato) {
        throw EPlaError(
            QStringLiteral("A área de trabalho de custos %1 não guarda os pratos de cada dia.")
                .arg(key));
    }
    return *area;
}

// The dish type a dish stands in on a day: its position's in the month's configuration,
// else its own.
const QString DishOfArea = QStringLiteral(
    "FROM TRABCUSTOPRAT P JOIN TRABCUSTO W ON W.NRTRABCUSTO = P.NRTRABCUSTO JOIN PRATO R ON "
    "R.CDFILAUXPRAT = P.CDFILAUXPRAT AND R.CDPRATO = P.CDPRATO LEFT JOIN CARDADIA D ON "
    "D.CDFILIAL = W.CDFILIAL AND D.CDSERVFILI = W.CDSERVFILI AND D.DTCARDAPIO = P.DTDATA LEFT "
    "JOIN CNFCARDMES M ON M.CDFILIAL = W.CDFILIAL AND M.CDSERVFILI = W.CDSERVFILI AND "
    "M.DTREFECNFMES = D.DTMESCARD AND M.NRSEQCNFMES = P.NRSEQPRATCAR LEFT JOIN TIPOPRAT T ON "
    "T.CDTIPOPRAT = COALESCE(M.CDTIPOPRAT, R.CDTIPOPRAT) WHERE P.NRTRABCUSTO = ?");

// Each dish of each day of the work area as the cost kept it, with its name, dish type
// and recipe flag, in day and display order.
QVariant getPratosTrabCusto(TCallContext& ctx, TMethodArgs& args) {
    const TWorkArea area = dishArea(ctx, args);
    return FromDataPacket(QueryPacket(
        ctx.Database(),
        {{"DTDATA", TFieldType::DateTime, 0, false},
         {"NRSEQPRATCAR", TFieldType::Integer, 0, false},
         {"NRORDPRATCAR", TFieldType::Integer, 0, false},
         {"CDFILAUXPRAT", TFieldType::String, 4, false},
         {"CDPRATO", TFieldType::String, 10, false},
         {"NMPRATO", TFieldType::String, 40, false},
         {"CDTIPOPRAT", TFieldType::String, 2, false},
         {"NMTIPOPRAT", TFieldType::String, 35, false},
         {"NRORDCNFMES", TFieldType::Integer, 0, false},
         {"IDRECEREVI", TFieldType::String, 1, false},
         {"QTPORCAO", TFieldType::Float, 0, false},
         {"VRCUSTOPORCAO", TFieldType::Float, 0, false},
         {"VRCUSTOPRATO", TFieldType::Float, 0, false}},
        QStringLiteral(
            "SELECT P.DTDATA, P.NRSEQPRATCAR, P.NRORDPRATCAR, P.CDFILAUXPRAT, "
            "P.CDPRATO, R.NMPRATO, COALESCE(M.CDTIPOPRAT, R.CDTIPOPRAT), T.NMTIPOPRAT, "
            "M.NRORDCNFMES, R.IDRECEREVI, P.QTPORCAO, P.VRCUSTOPORCAO, P.VRCUSTOPRATO ") +
            DishOfArea +
            QStringLiteral(" ORDER BY P.DTDATA, M.NRORDCNFMES, P.NRSEQPRATCAR, P.NRORDPRATCAR"),
        {area.Chave}));
}

// One dish of the month for the recipe revision.
struct TDishOfMonth {
    QDate UltimoDia;
    int Vezes = 0; // days it is served
    double Porcoes = 0;
    double Custo = 0;
    double CustoPorcao = 0; // on the last day it is served
};

// The month's dishes with their cost per serving at the comparison date (the area's
// cost type and cost branch) against the month's (the last day each is served), and
// their last revision. IDPENDENTE "S": the recipe is not revised, or the cost per
// serving changed since the comparison date and nobody revised the recipe since.
QVariant getRevisaoReceita(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const TWorkArea area = dishArea(ctx, args);
    if (args.Value(2).isNull() || !args.DateTime(2).isValid()) {
        throw EPlaError(QStringLiteral("Informe a data de comparação dos custos."));
    }
    const QDate comparacao = args.DateTime(2).date();
    QMap<QPair<QString, QString>, TDishOfMonth> month;
    TRows p = db.Select(QStringLiteral("SELECT CDFILAUXPRAT, CDPRATO, DTDATA, QTPORCAO, "
                                       "VRCUSTOPORCAO, VRCUSTOPRATO FROM TRABCUSTOPRAT WHERE "
                                       "NRTRABCUSTO = ? ORDER BY DTDATA"),
                        {area.Chave});
    while (p.Next()) {
        TDishOfMonth& d = month[{p.Value(0).toString(), p.Value(1).toString()}];
        // A dish twice on a day is served once that day.
        const QDate day = dayOf(p.Value(2));
        if (day != d.UltimoDia) {
            ++d.Vezes;
            d.UltimoDia = day;
        }
        d.Porcoes += p.Value(3).toDouble();
        d.CustoPorcao = p.Value(4).toDouble();
        d.Custo += p.Value(5).toDouble();
    }

    TDataPacket out;
    out.Fields = {{"CDFILAUXPRAT", TFieldType::String, 4, false},
                  {"CDPRATO", TFieldType::String, 10, false},
                  {"NMPRATO", TFieldType::String, 40, false},
                  {"NMTIPOPRAT", TFieldType::String, 35, false},
                  {"IDRECEREVI", TFieldType::String, 1, false},
                  {"QTVEZES", TFieldType::Integer, 0, false},
                  {"QTPORCAO", TFieldType::Float, 0, false},
                  {"VRCUSTOPRATO", TFieldType::Float, 0, false},
                  {"VRCUSTOREF", TFieldType::Float, 0, false},
                  {"VRCUSTOMES", TFieldType::Float, 0, false},
                  {"VRVARIACAO", TFieldType::Float, 0, false},
                  {"CDOPERREVI", TFieldType::String, 12, false},
                  {"NMOPERREVI", TFieldType::String, 40, false},
                  {"DTREVISAO", TFieldType::DateTime, 0, false},
                  {"IDPENDENTE", TFieldType::String, 1, false}};
    TRows q = db.Select(
        QStringLiteral(
            "SELECT R.CDFILAUXPRAT, R.CDPRATO, R.NMPRATO, T.NMTIPOPRAT, R.IDRECEREVI, %1, "
            "V.CDOPERADOR, O.NMOPERADOR, V.DTREVISAO FROM PRATO R LEFT JOIN TIPOPRAT T ON "
            "T.CDTIPOPRAT = R.CDTIPOPRAT LEFT JOIN REVRECEITA V ON V.CDFILAUXPRAT = "
            "R.CDFILAUXPRAT AND V.CDPRATO = R.CDPRATO AND V.NRREVISAO = (SELECT MAX(X.NRREVISAO) "
            "FROM REVRECEITA X WHERE X.CDFILAUXPRAT = R.CDFILAUXPRAT AND X.CDPRATO = R.CDPRATO) "
            "LEFT JOIN OPERADOR O ON O.CDOPERADOR = V.CDOPERADOR WHERE EXISTS (SELECT 1 FROM "
            "TRABCUSTOPRAT P WHERE P.NRTRABCUSTO = ? AND P.CDFILAUXPRAT = R.CDFILAUXPRAT AND "
            "P.CDPRATO = R.CDPRATO) ORDER BY R.NMPRATO, R.CDFILAUXPRAT, R.CDPRATO")
            .arg(ServingCostSql(QStringLiteral("R"), QStringLiteral("?"))),
        {area.FilialCusto, area.TipoCusto, DataHora(comparacao), area.Chave});
    while (q.Next()) {
        const QPair<QString, QString> dish{q.Value(0).toString(), q.Value(1).toString()};
        const TDishOfMonth& d = month[dish];
        const double before = RoundDec(q.Value(5).toDouble(), 5);
        const bool revised = q.Value(4).toString() == QLatin1String("S");
        const QVariant when =
            q.Value(8).isNull() ? QVariant() : TDatabase::FromSql(TFieldType::DateTime, q.Value(8));
        const bool revisedSince = when.isValid() && when.toDateTime().date() >= comparacao;
        const bool changed = before != d.CustoPorcao;
        TPacketRow row;
        row.Values = {dish.first,
                      dish.second,
                      q.Value(2).toString(),
                      q.Value(3).toString(),
                      q.Value(4).toString(),
                      d.Vezes,
                      RoundDec(d.Porcoes, 5),
                      RoundDec(d.Custo, 5),
                      before,
                      d.CustoPorcao,
                      before > 0 ? QVariant(RoundDec((d.CustoPorcao - before) / before * 100, 2))
                                 : QVariant(),
                      q.Value(6).isNull() ? QVariant() : QVariant(q.Value(6).toString()),
                      q.Value(7).isNull() ? QVariant() : QVariant(q.Value(7).toString()),
                      when,
                      !revised || (changed && !revisedSince) ? QStringLiteral("S")
                                                             : QStringLiteral("N")};
        out.Rows.append(row);
    }
    return FromDataPacket(out);
}

// Marks the recipes of dishes of the service's month revised, each with a record of
// who, when and from which month; a dish not in the month's menu refuses the whole
// call. The number marked.
QVariant setReceitaRevisada(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    const QString filial = code(args, 0, 4);
    const QString servico = code(args, 1, 5);
    const QDate mes = PriDiaMes(args.DateTime(2).date());
    CheckBranch(db, filial);
    const TDataPacket pratos = ToDataPacket(args.Value(3));
    const int filialCol = pratos.FieldIndex(QStringLiteral("CDFILAUXPRAT"));
    const int pratoCol = pratos.FieldIndex(QStringLiteral("CDPRATO"));
    if (filialCol < 0 || pratoCol < 0) {
        throw EPlaError(QStringLiteral("Os pratos devem vir com CDFILAUXPRAT e CDPRATO."));
    }
    if (pratos.Rows.isEmpty()) {
        throw EPlaError(QStringLiteral("Nenhum prato foi marcado."));
    }
    const QDateTime now = Agora();
    int marked = 0;
    for (const TPacketRow& row : pratos.Rows) {
        const QString dishBranch = Ajusta(row.Values.value(filialCol).toString().trimmed(), 4);
        const QString dish = Ajusta(row.Values.value(pratoCol).toString().trimmed(), 10);
        const QVariant before =
            db.Scalar(QStringLiteral("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? AND "
                                     "CDPRATO = ?"),
                      {dishBranch, dish});
        const bool inMonth =
            db.Scalar(QStringLiteral("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON "
                                     "D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO "
                                     "WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTMESCARD "
                                     "= ? AND C.CDFILAUXPRAT = ? AND C.CDPRATO = ?"),
                      {filial, servico, DataHora(mes), dishBranch, dish})
                .toInt() > 0;
        if (before.isNull() || !inMonth) {
            throw EPlaError(
                QStringLiteral("O prato %1 não está no cardápio de %2 do serviço %3.")
                    .arg(dish.trimmed(), FormatDateTime(QStringLiteral("mm/yyyy"), mes), servico));
        }
        db.ExecCount(QStringLiteral("UPDATE PRATO SET IDRECEREVI = 'S' WHERE CDFILAUXPRAT = ? "
                                    "AND CDPRATO = ?"),
                     {dishBranch, dish});
        db.ExecCount(QStringLiteral("INSERT INTO REVRECEITA (CDFILAUXPRAT, CDPRATO, NRREVISAO, "
                                    "DTREVISAO, CDOPERADOR, CDFILIAL, CDSERVFILI, DTMESCARD, "
                                    "IDRECEREVIANT) VALUES (?, ?, (SELECT COALESCE(MAX(NRREVISAO), "
                                    "0) + 1 FROM REVRECEITA WHERE CDFILAUXPRAT = ? AND CDPRATO = "
                                    "?), ?, ?, ?, ?, ?, ?)"),
                     {dishBranch, dish, dishBranch, dish, now, ctx.Operador, filial, servico,
                      DataHora(mes), before.toString()});
        ++marked;
    }
    return marked;
}

} // namespace

void RegisterCostAnalysisMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetPratosTrabCusto(), getPratosTrabCusto));
    m.Register(TMethodDef::Declarado(rpc::metodos::GetRevisaoReceita(), getRevisaoReceita));
    m.Register(TMethodDef::Declarado(
        rpc::metodos::SetReceitaRevisada(), setReceitaRevisada, true,
        {{A::AnalisarCustoRevRece}, QStringLiteral("marcar receitas como revisadas"), 0}));
}

} // namespace pla::server
