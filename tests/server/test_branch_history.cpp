// The branch's history (Pla08800.rdmHistFilial) over the demonstration: every month of
// every service with the figures the month's cost rules give for it, as the monthly
// screen's cost panel shows them.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/modules/costs.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla08800.rdmHistFilial");

class BranchHistory : public ::testing::TestWithParam<TEngine> {
protected:
    BranchHistory()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const QString& branch, const QString& op = QStringLiteral("NUTRI1")) {
        auto c = server_.Connect(Module, server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(metodos::GetHistFilial(), {branch});
        return c->Call(metodos::GetHistFilial().Name, args);
    }
    static QString refusal(const QVariant& answer) {
        return answer.typeId() == QMetaType::QString ? answer.toString() : QString();
    }
    db::TDatabase& db() { return server_.Db(); }

    // Every row of the branch's history checked against the cost rules of its month.
    void checkAgainstTheMonthsCosts(const QString& branch, const QString& op = "NUTRI1") {
        const QVariant answer = call(branch, op);
        ASSERT_EQ(refusal(answer), "");
        const QVariantList r = answer.toList();
        ASSERT_EQ(r.size(), int(TElemHistFilial::Quantidade));
        EXPECT_EQ(
            r[int(TElemHistFilial::NomeFilial)].toString(),
            db().Scalar("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?", {branch}).toString());
        const TDataPacket p = ToDataPacket(r[int(TElemHistFilial::Meses)]);
        EXPECT_EQ(p.RowCount(), db().Scalar("SELECT COUNT(*) FROM (SELECT DISTINCT CDSERVFILI, "
                                            "DTMESCARD FROM CARDADIA WHERE CDFILIAL = ?) X",
                                            {branch})
                                    .toInt());
        const bool perClient =
            db().Scalar("SELECT IDCOMCUSPERC FROM PARAMPLANEJA WHERE CDFILIAL = ?", {branch})
                .toString() == "C";
        const qint64 planned =
            db().Scalar("SELECT CDTIPOCUSTOPLA FROM PARAMPLANEJA WHERE CDFILIAL = ?", {branch})
                .toString()
                .toLongLong();
        const qint64 real =
            db().Scalar("SELECT CDTIPOCUSTOREA FROM PARAMPLANEJA WHERE CDFILIAL = ?", {branch})
                .toString()
                .toLongLong();
        QString previous;
        for (const TPacketRow& row : p.Rows) {
            const auto v = [&](const char* f) { return row.Values[p.FieldIndex(f)]; };
            const QString service = v("CDSERVFILI").toString();
            const QDate month = v("DTMESCARD").toDateTime().date();
            const QString key = service + month.toString(Qt::ISODate);
            EXPECT_LT(previous, key) << "by service and month";
            previous = key;
            SCOPED_TRACE(key.toStdString());
            server::TCostQuery q;
            q.Filial = branch;
            q.Servico = service;
            q.Inicio = month;
            q.Fim = UltimoDiaMes(month);
            q.TipoCusto = planned;
            q.FilialCusto = branch;
            q.Referencia = db().Scalar("SELECT DTBASCONCUSPLAN FROM BASECUSTMES WHERE CDFILIAL = ? "
                                       "AND DTMESCUST = ?",
                                       {branch, DataHora(month)})
                               .toDateTime()
                               .date();
            const server::TPeriodCost cost = server::PlannedCost(db(), q);
            double plannedCost = 0, diners = 0;
            int days = 0;
            for (const server::TDayCost& d : cost.Dias) {
                plannedCost += d.MateriaPrima + d.Consumo;
                diners += d.Comensais;
                days += d.Comensais > 0 || d.MateriaPrima > 0 ? 1 : 0;
            }
            EXPECT_GT(days, 0);
            EXPECT_EQ(v("VRCUSTOPLAN").toDouble(), RoundDec(plannedCost, 5));
            EXPECT_EQ(v("VRPERCAPPLAN").toDouble(),
                      server::PlannedPerCapita(cost.Dias, perClient).value_or(-1));
            EXPECT_EQ(v("QTCOMESTI").toDouble(), diners);
            EXPECT_EQ(v("QTDIAS").toInt(),
                      db().Scalar("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI "
                                  "= ? AND DTMESCARD = ?",
                                  {branch, service, DataHora(month)})
                          .toInt());
            double realCost = 0, realDiners = 0;
            for (const server::TServedDay& d :
                 server::RealCost(db(), branch, service, month, real, QDate(), branch)) {
                realCost += d.Custo;
                realDiners += d.Comensais;
            }
            EXPECT_EQ(v("VRCUSTOREAL").toDouble(), RoundDec(realCost, 5));
            EXPECT_EQ(v("QTCOMEFET").toDouble(), realDiners);
            if (realDiners > 0) {
                EXPECT_EQ(v("VRPERCAPREAL").toDouble(), RoundDec(realCost / realDiners, 5));
            } else {
                EXPECT_TRUE(v("VRPERCAPREAL").isNull());
            }
            const double standard =
                db().Scalar("SELECT VRCUSTPADR FROM CUSTOSERVMES WHERE CDFILIAL = ? AND "
                            "CDSERVFILI = ? AND DTMESCUST = ?",
                            {branch, service, DataHora(month)})
                    .toDouble();
            if (standard > 0) {
                EXPECT_EQ(v("VRCUSTPADR").toDouble(), standard);
                EXPECT_EQ(v("VRDIFPLANPADR").toDouble(),
                          RoundDec((v("VRPERCAPPLAN").toDouble() - standard) / standard * 100, 5));
            } else {
                EXPECT_TRUE(v("VRCUSTPADR").isNull());
                EXPECT_TRUE(v("VRDIFPLANPADR").isNull());
            }
        }
    }

    TEmbeddedServer server_;
};

TEST_P(BranchHistory, EveryMonthOfEveryServiceAsTheMonthsCostRulesGiveIt) {
    checkAgainstTheMonthsCosts("0001");
    checkAgainstTheMonthsCosts("0004", "GRUPO1");
}

TEST_P(BranchHistory, AStoredReferenceDateAWithdrawalAndAStandardMoveTheirMonthOnly) {
    const QDate month = PriDiaMes(Hoje());
    // A fixed reference date for this month's prices; then a withdrawal of 10 units of a
    // product at a price of its own, and no standard, for the lunch.
    db().Exec("DELETE FROM BASECUSTMES WHERE CDFILIAL = '0001' AND DTMESCUST = ?",
              {DataHora(month)});
    db().Exec(
        "INSERT INTO BASECUSTMES (CDFILIAL, DTMESCUST, DTBASCONCUSPLAN) VALUES ('0001', ?, ?)",
        {DataHora(month), DataHora(month.addMonths(-2))});
    db().Exec("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, SGUNIDADE) VALUES ('HIST1', 'SEM "
              "PRECO', 'KG')");
    const QDate day = server_.Served("0001", "00001", month, 1);
    ASSERT_TRUE(day.isValid());
    checkAgainstTheMonthsCosts("0001");
    const QVariantList before = call("0001").toList();
    db().Exec("INSERT INTO RETIRADA (CDFILIAL, CDSERVFILI, DTRETIRADA, CDPRODUTO, QTRETIRADA, "
              "VRCUSTUNIT) VALUES ('0001', '00001', ?, 'HIST1', 10, 2.5)",
              {DataHora(day)});
    db().Exec("DELETE FROM CUSTOSERVMES WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND "
              "DTMESCUST = ?",
              {DataHora(month)});
    checkAgainstTheMonthsCosts("0001");
    const TDataPacket a = ToDataPacket(before[0]);
    const TDataPacket b = ToDataPacket(call("0001").toList()[0]);
    ASSERT_EQ(a.RowCount(), b.RowCount());
    const int service = a.FieldIndex("CDSERVFILI"), when = a.FieldIndex("DTMESCARD"),
              real = a.FieldIndex("VRCUSTOREAL");
    for (int i = 0; i < a.RowCount(); ++i) {
        const bool ours = a.Rows[i].Values[service].toString() == "00001" &&
                          a.Rows[i].Values[when].toDateTime().date() == month;
        if (ours) {
            // Without a price of the real cost type, the withdrawal's own: 10 × 2.5.
            EXPECT_NEAR(b.Rows[i].Values[real].toDouble() - a.Rows[i].Values[real].toDouble(), 25.0,
                        1e-4);
        } else {
            EXPECT_EQ(b.Rows[i].Values, a.Rows[i].Values) << i;
        }
    }
}

TEST_P(BranchHistory, AnotherBranchsCostsAreNotShown) {
    EXPECT_EQ(refusal(call("0001", "ESCOLA1")), "Operador sem acesso aos custos da filial 0001.");
    EXPECT_EQ(refusal(call("9999")), "Filial não cadastrada.");
    EXPECT_EQ(refusal(call("0004", "ESCOLA1")), "");
}

INSTANTIATE_TEST_SUITE_P(Engines, BranchHistory,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
