#include "costs.h"

#include "core/dates.h"
#include "core/numbers.h"
#include "server/operator_access.h"
#include "server/remote_data_module.h"

#include <QMap>

namespace pla::server {

QString CostRefusal(TCallContext& ctx, const QString& filial, const QString& servico,
                    qint64 tipoCusto, const QString& filialCusto) {
    TDatabase& db = ctx.Database();
    const auto none = [&db](const QString& sql, const QVariantList& params) {
        return db.Scalar(sql, params).toInt() == 0;
    };
    if (none(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = ?"), {filial})) {
        return QStringLiteral("Filial %1 não cadastrada.").arg(filial);
    }
    if (!ctx.Access().PodeAlterarFilial(filial)) {
        return QStringLiteral("Operador sem acesso aos custos da filial %1.").arg(filial);
    }
    if (none(QStringLiteral("SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = ? AND CDSERVFILI = ?"),
             {filial, servico})) {
        return QStringLiteral("Serviço %1 não cadastrado na filial %2.").arg(servico, filial);
    }
    if (tipoCusto >= 0 &&
        none(QStringLiteral("SELECT COUNT(*) FROM TIPOCUSTO WHERE NRTIPOCUSTO = ?"), {tipoCusto})) {
        return QStringLiteral("Tipo de custo %1 não cadastrado.").arg(tipoCusto);
    }
    if (filialCusto != filial &&
        none(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = ?"), {filialCusto})) {
        return QStringLiteral("Filial de custo %1 não cadastrada.").arg(filialCusto);
    }
    return {};
}

QString UnitCostSql(const QString& product, const QString& reference) {
    return QStringLiteral("(SELECT CUS.VRCUSTUNIT FROM CUSTOPROD CUS WHERE CUS.CDFILIAL = ? AND "
                          "CUS.NRTIPOCUSTO = ? AND CUS.CDPRODUTO = %1 AND CUS.DTVIGENCIA <= %2 "
                          "ORDER BY CUS.DTVIGENCIA DESC LIMIT 1)")
        .arg(product, reference);
}

QString ServingCostSql(const QString& dish, const QString& reference) {
    return QStringLiteral("(SELECT COALESCE(SUM(REC.QTPERCAPITA * REC.QTFATORCORR * COALESCE(%1, "
                          "0)), 0) FROM RECEITA REC WHERE REC.CDFILAUXPRAT = %2.CDFILAUXPRAT AND "
                          "REC.CDPRATO = %2.CDPRATO)")
        .arg(UnitCostSql(QStringLiteral("REC.CDPRODUTO"), reference), dish);
}

namespace {

QDate dayOf(const QVariant& column) {
    return TDatabase::FromSql(TFieldType::DateTime, column).toDateTime().date();
}

QVariant referenceValue(const QDate& referencia) {
    return referencia.isValid() ? QVariant(DataHora(referencia)) : QVariant();
}

// A month's indirect cost and the diners it is spread over: every day of every
// service of the branch in that month.
struct TMonthShare {
    QVariant Rateio; // null: the branch has none for the month
    double Comensais = 0;
};

TMonthShare monthShare(TDatabase& db, const QString& filial, const QDate& month) {
    TRows q = db.Select(QStringLiteral("SELECT (SELECT VRCUSTORAT FROM CUSTORATMES WHERE "
                                       "CDFILIAL = ? AND DTMESCUST = ?), (SELECT "
                                       "COALESCE(SUM(QTCOMESTICAR), 0) FROM CARDADIA WHERE "
                                       "CDFILIAL = ? AND DTMESCARD = ?)"),
                        {filial, DataHora(month), filial, DataHora(month)});
    TMonthShare s;
    if (q.Next()) {
        s.Rateio = q.Value(0).isNull() ? QVariant() : QVariant(q.Value(0).toDouble());
        s.Comensais = q.Value(1).toDouble();
    }
    return s;
}

} // namespace

TPeriodCost PlannedCost(TDatabase& db, const TCostQuery& q) {
    // Each day's prices are those of its reference date: the fixed one, or its own.
    const QString dayReference = QStringLiteral("COALESCE(?, D.DTCARDAPIO)");
    const QVariant reference = referenceValue(q.Referencia);
    const QVariantList period{q.Filial, q.Servico, DataHora(q.Inicio), DataHora(q.Fim)};
    const QVariantList prices{q.FilialCusto, q.TipoCusto, reference};

    struct TDayRow {
        double Comensais = 0;
        double Clientes = 0;
        double ConsumoPorComensal = 0;
        double MateriaPrima = 0;
    };
    QMap<QDate, TDayRow> days;
    TRows d = db.Select(
        QStringLiteral("SELECT D.DTCARDAPIO, D.QTCOMESTICAR, D.QTCLIESTICAR, (SELECT "
                       "COALESCE(SUM(K.QTCONSPERC * COALESCE(%1, 0)), 0) FROM CONSSERV K WHERE "
                       "K.CDFILIAL = D.CDFILIAL AND K.CDSERVFILI = D.CDSERVFILI) FROM CARDADIA D "
                       "WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO >= ? AND "
                       "D.DTCARDAPIO <= ? ORDER BY D.DTCARDAPIO")
            .arg(UnitCostSql(QStringLiteral("K.CDPRODUTO"), dayReference)),
        prices + period);
    while (d.Next()) {
        TDayRow& r = days[dayOf(d.Value(0))];
        r.Comensais = d.Value(1).toDouble();
        r.Clientes = d.Value(2).toDouble();
        r.ConsumoPorComensal = RoundDec(d.Value(3).toDouble(), 5);
    }

    TPeriodCost out;
    TRows p = db.Select(
        QStringLiteral("SELECT D.DTCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDFILAUXPRAT, "
                       "C.CDPRATO, C.VRPECONSCARD, D.QTCOMESTICAR, %1 FROM CARDADIA D JOIN "
                       "COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO "
                       "WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND D.DTCARDAPIO >= ? AND "
                       "D.DTCARDAPIO <= ? ORDER BY D.DTCARDAPIO, C.NRSEQPRATCAR, C.NRORDPRATCAR")
            .arg(ServingCostSql(QStringLiteral("C"), dayReference)),
        prices + period);
    // The day's raw material is the sum of its dishes as the work area keeps them,
    // each rounded, so that the dishes a controller reads add up to the day.
    double sum = 0;
    QDate current;
    const auto closeDay = [&] {
        if (current.isValid()) {
            days[current].MateriaPrima = RoundDec(sum, 5);
        }
        sum = 0;
    };
    while (p.Next()) {
        TDishCost dish;
        dish.Dia = dayOf(p.Value(0));
        if (dish.Dia != current) {
            closeDay();
            current = dish.Dia;
        }
        dish.Porcoes = RoundDec(p.Value(5).toDouble() * p.Value(6).toDouble() / 100.0, 5);
        dish.CustoPorcao = RoundDec(p.Value(7).toDouble(), 5);
        dish.Custo = RoundDec(dish.Porcoes * dish.CustoPorcao, 5);
        sum += dish.Custo;
        if (q.PorPrato) {
            dish.Posicao = p.Value(1).toLongLong();
            dish.Ordem = p.Value(2).toLongLong();
            dish.FilialPrato = p.Value(3).toString();
            dish.Prato = p.Value(4).toString();
            out.Pratos.append(dish);
        }
    }
    closeDay();

    QMap<QDate, TMonthShare> shares;
    for (QDate m = PriDiaMes(q.Inicio); m <= q.Fim; m = m.addMonths(1)) {
        shares.insert(m, monthShare(db, q.Filial, m));
    }
    for (QDate day = q.Inicio; day <= q.Fim; day = day.addDays(1)) {
        TDayCost c;
        c.Dia = day;
        const auto it = days.constFind(day);
        if (it != days.cend()) {
            c.Comensais = it->Comensais;
            c.Clientes = it->Clientes;
            c.MateriaPrima = it->MateriaPrima;
            c.Consumo = RoundDec(it->Comensais * it->ConsumoPorComensal, 5);
        }
        const TMonthShare& share = shares[PriDiaMes(day)];
        if (!share.Rateio.isNull()) {
            c.Rateio = share.Comensais > 0
                           ? RoundDec(share.Rateio.toDouble() * c.Comensais / share.Comensais, 5)
                           : 0.0;
        }
        out.Dias.append(c);
    }
    return out;
}

std::optional<double> PlannedPerCapita(const QList<TDayCost>& days, bool clientes) {
    double cost = 0;
    double diners = 0;
    for (const TDayCost& d : days) {
        cost += d.MateriaPrima + d.Consumo;
        diners += clientes ? d.Clientes : d.Comensais;
    }
    if (diners <= 0) {
        return std::nullopt;
    }
    return RoundDec(cost / diners, 5);
}

QList<TServedDay> RealCost(TDatabase& db, const QString& filial, const QString& servico,
                           const QDate& month, qint64 tipoCusto, const QDate& referencia,
                           const QString& filialCusto) {
    const QVariantList period{filial, servico, DataHora(month), DataHora(month.addMonths(1))};
    struct TSums {
        double Comensais = 0;
        double Quantidade = 0;
        double Custo = 0;
    };
    QMap<QDate, TSums> served;
    TRows d = db.Select(QStringLiteral("SELECT DTCARDAPIO, QTCOMEFETCAR FROM CARDADIA WHERE "
                                       "CDFILIAL = ? AND CDSERVFILI = ? AND DTCARDAPIO >= ? AND "
                                       "DTCARDAPIO < ? AND QTCOMEFETCAR IS NOT NULL"),
                        period);
    while (d.Next()) {
        served[dayOf(d.Value(0))].Comensais = d.Value(1).toDouble();
    }
    // Everything the stock gave out counts, consumables too; a product without a price
    // of the cost type keeps the unit cost it left the stock at.
    TRows r = db.Select(
        QStringLiteral("SELECT R.DTRETIRADA, R.QTRETIRADA, COALESCE(%1, R.VRCUSTUNIT) FROM "
                       "RETIRADA R WHERE R.CDFILIAL = ? AND R.CDSERVFILI = ? AND R.DTRETIRADA >= "
                       "? AND R.DTRETIRADA < ? ORDER BY R.DTRETIRADA, R.CDPRODUTO")
            .arg(UnitCostSql(QStringLiteral("R.CDPRODUTO"),
                             QStringLiteral("COALESCE(?, R.DTRETIRADA)"))),
        QVariantList{filialCusto, tipoCusto, referenceValue(referencia)} + period);
    while (r.Next()) {
        TSums& s = served[dayOf(r.Value(0))];
        s.Quantidade += r.Value(1).toDouble();
        s.Custo += r.Value(1).toDouble() * r.Value(2).toDouble();
    }
    QList<TServedDay> out;
    for (auto it = served.cbegin(); it != served.cend(); ++it) {
        out.append({it.key(), it->Comensais, RoundDec(it->Quantidade, 5), RoundDec(it->Custo, 5)});
    }
    return out;
}

std::optional<TWorkArea> FindWorkArea(TDatabase& db, const QString& chave) {
    TRows q = db.Select(QStringLiteral("SELECT CDFILIAL, CDSERVFILI, CDOPERADOR, DTINICIO, "
                                       "DTFIM, NRTIPOCUSTO, CDFILCUSTO, IDPORPRATO FROM "
                                       "TRABCUSTO WHERE NRTRABCUSTO = ?"),
                        {chave});
    if (!q.Next()) {
        return std::nullopt;
    }
    TWorkArea a;
    a.Chave = chave;
    a.Filial = q.Value(0).toString();
    a.Servico = q.Value(1).toString();
    a.Operador = q.Value(2).toString();
    a.Inicio = dayOf(q.Value(3));
    a.Fim = dayOf(q.Value(4));
    a.TipoCusto = q.Value(5).toLongLong();
    a.FilialCusto = q.Value(6).toString();
    a.PorPrato = q.Value(7).toString() == QLatin1String("S");
    return a;
}

QString WorkAreaRefusal(const TWorkArea& area, const QString& filial, const QString& operador) {
    if (area.Filial != filial) {
        return QStringLiteral("A área de trabalho de custos %1 não é da filial %2.")
            .arg(area.Chave, filial);
    }
    if (area.Operador.compare(operador, Qt::CaseInsensitive) != 0) {
        return QStringLiteral("A área de trabalho de custos %1 é de outro operador.")
            .arg(area.Chave);
    }
    return {};
}

} // namespace pla::server
