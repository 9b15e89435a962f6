// The colour analysis of the monthly grid: each dish of a service's month classed by its
// cost per serving against its position's target (docs/COSTS.md, "The colour analysis").
// The costs come from the month's cost rule (PlannedCost), read once for the month.
#include "costs.h"
#include "modules.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"
#include "server/db_layer.h"
#include "server/operator_access.h"

#include <QHash>

namespace pla::server {

namespace {

using rpc::TFaixaCusto;

QString dateText(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// What the month is valued with: the planning's cost type and per-capita basis, the
// month's stored reference date (none: each day's own), the standard.
struct TMonthSettings {
    qint64 TipoCusto = 0;
    bool PorCliente = false; // IDCOMCUSPERC "C": per client diner
    QDate Referencia;
    double Padrao = 0;
};

TMonthSettings settingsOf(TDatabase& db, const QString& filial, const QString& servico,
                          const QDate& month) {
    TMonthSettings s;
    QString tipo;
    {
        TRows q = db.Select(QStringLiteral("SELECT CDTIPOCUSTOPLA, IDCOMCUSPERC FROM "
                                           "PARAMPLANEJA WHERE CDFILIAL = ?"),
                            {filial});
        if (q.Next()) {
            tipo = q.Value(0).toString().trimmed();
            s.PorCliente = q.Value(1).toString() == QLatin1String("C");
        }
    }
    bool ok = false;
    s.TipoCusto = tipo.toLongLong(&ok);
    if (!ok) {
        throw EPlaError(QStringLiteral("A filial não tem tipo de custo planejado nos "
                                       "parâmetros do planejamento."));
    }
    s.Referencia =
        TDatabase::FromSql(TFieldType::DateTime,
                           db.Scalar(QStringLiteral("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE "
                                                    "CDFILIAL = ? AND DTMESCUST = ?"),
                                     {filial, DataHora(month)}))
            .toDateTime()
            .date();
    s.Padrao = db.Scalar(QStringLiteral("SELECT VRCUSTPADR FROM CUSTOSERVMES WHERE CDFILIAL = ? "
                                        "AND CDSERVFILI = ? AND DTMESCUST = ?"),
                         {filial, servico, DataHora(month)})
                   .toDouble();
    return s;
}

// A position's servings over the period: their cost and their number.
struct TPositionSum {
    double Custo = 0;
    double Porcoes = 0;
};

TDataPacket colourPacket() {
    TDataPacket p;
    p.Fields = {{"DTCARDAPIO", TFieldType::DateTime, 0, true},
                {"NRSEQPRATCAR", TFieldType::Integer, 0, true},
                {"NRORDPRATCAR", TFieldType::Integer, 0, true},
                {"CDFILAUXPRAT", TFieldType::String, 4, true},
                {"CDPRATO", TFieldType::String, 10, true},
                {"VRCUSTOPORCAO", TFieldType::Float, 0, false},
                {"VRALVOPOSICAO", TFieldType::Float, 0, false},
                {"VRLIMINFERIOR", TFieldType::Float, 0, false},
                {"VRLIMSUPERIOR", TFieldType::Float, 0, false},
                {"VRPERCAPDIA", TFieldType::Float, 0, false},
                {"VRCUSTPADR", TFieldType::Float, 0, false},
                {"IDFAIXACUSTO", TFieldType::String, 1, true}};
    return p;
}

// Branch, service, first and last day of one month: a packet of every dish of the
// period's days whose position was served in the period, by day, position and order.
QVariant getAnaliCor(TCallContext& ctx, TMethodArgs& args) {
    TDatabase& db = ctx.Database();
    TCostQuery q;
    q.Filial = Ajusta(args.String(0).trimmed(), 4);
    q.Servico = Ajusta(args.String(1).trimmed(), 5);
    q.Inicio = args.DateTime(2).date();
    q.Fim = args.DateTime(3).date();
    q.FilialCusto = q.Filial;
    q.PorPrato = true;
    const QDate month = PriDiaMes(q.Inicio);
    if (q.Fim < q.Inicio || q.Fim > UltimoDiaMes(month)) {
        throw EPlaError(
            QStringLiteral("O último dia (%1) não é do mês de %2.")
                .arg(dateText(q.Fim), FormatDateTime(QStringLiteral("mm/yyyy"), month)));
    }
    CheckBranch(db, q.Filial);
    if (!ctx.Access().PodeAlterarFilial(q.Filial)) {
        throw EPlaError(
            QStringLiteral("Operador sem acesso aos custos da filial %1.").arg(q.Filial));
    }
    CheckService(db, q.Filial, q.Servico);
    const TMonthSettings s = settingsOf(db, q.Filial, q.Servico, month);
    q.TipoCusto = s.TipoCusto;
    q.Referencia = s.Referencia;
    const TPeriodCost cost = PlannedCost(db, q);

    // The month's planned per capita, as the closing check weighs it, and each day's.
    const double perCapita = PlannedPerCapita(cost.Dias, s.PorCliente).value_or(0.0);
    QHash<QDate, double> dayPerCapita;
    for (const TDayCost& d : cost.Dias) {
        if (const std::optional<double> day = PlannedPerCapita({d}, s.PorCliente)) {
            dayPerCapita.insert(d.Dia, *day);
        }
    }
    // The targets follow the standard: a month above it lowers every position's target
    // by as much. Without a standard (or without a cost), the month's own average.
    const double factor = s.Padrao > 0 && perCapita > 0 ? s.Padrao / perCapita : 1.0;

    QHash<qint64, TPositionSum> positions;
    for (const TDishCost& dish : cost.Pratos) {
        TPositionSum& sum = positions[dish.Posicao];
        sum.Custo += dish.Custo;
        sum.Porcoes += dish.Porcoes;
    }

    TDataPacket p = colourPacket();
    const double below = 1.0 - rpc::ToleranciaFaixaCusto / 100.0;
    const double above = 1.0 + rpc::ToleranciaFaixaCusto / 100.0;
    for (const TDishCost& dish : cost.Pratos) {
        const TPositionSum& sum = positions[dish.Posicao];
        if (!(sum.Porcoes > 0)) {
            continue; // nobody was served from the position: no target
        }
        const double average = RoundDec(sum.Custo / sum.Porcoes, 5);
        const double target = RoundDec(average * factor, 5);
        const double low = RoundDec(target * below, 5);
        const double high = RoundDec(target * above, 5);
        const TFaixaCusto kind = dish.CustoPorcao < low    ? TFaixaCusto::Barato
                                 : dish.CustoPorcao > high ? TFaixaCusto::Caro
                                                           : TFaixaCusto::NaFaixa;
        TPacketRow row;
        row.Values = {DataHora(dish.Dia),
                      dish.Posicao,
                      dish.Ordem,
                      dish.FilialPrato,
                      dish.Prato,
                      dish.CustoPorcao,
                      target,
                      low,
                      high,
                      dayPerCapita.contains(dish.Dia) ? QVariant(dayPerCapita.value(dish.Dia))
                                                      : QVariant(),
                      s.Padrao > 0 ? QVariant(s.Padrao) : QVariant(),
                      QString(QLatin1Char(static_cast<char>(kind)))};
        p.Rows.append(row);
    }
    return FromDataPacket(p);
}

} // namespace

void RegisterColourAnalysisMethods(TRemoteDataModule& m) {
    m.Register(TMethodDef::Declarado(rpc::metodos::GetAnaliCor(), getAnaliCor));
}

} // namespace pla::server
