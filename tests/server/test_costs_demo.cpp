// The month's costs over the demonstration: every planned service can be costed, the
// closing check keeps NUTRI1's months open to close and holds the central kitchen's
// next month, and what the stock gave out differs from the plan.
#include "core/data_packet.h"
#include "core/dates.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"

#include <QSqlQuery>
#include <cmath>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

class DemoCosts : public ::testing::TestWithParam<TEngine> {
protected:
    DemoCosts()
        : server_(GetParam(), Hoje()) {}

    QVariant call(const QString& module, const TMethodSpec& metodo, const QVariantList& values,
                  const QString& op) {
        auto c = server_.Connect(module, server_.SignIn(op));
        QList<TRpcArg> args = Argumentos(metodo, values);
        return c->Call(metodo.Name, args);
    }
    int count(const QString& sql, const QVariantList& params = {}) {
        return server_.Db().Scalar(sql, params).toInt();
    }
    // The closing check's row: CUSTO, the tolerances, DIFECUSTO; none when empty.
    QList<double> closing(const QString& filial, const QString& servico, const QDate& month,
                          const QString& kind, const QString& op) {
        QVariant reference;
        if (kind == QLatin1String("X")) {
            reference = call("Pla00100.rdmParamCardIndu", metodos::GetDtRefCust(),
                             {filial, servico, DataHora(month)}, op)
                            .toList()
                            .value(0);
            EXPECT_EQ(reference.typeId(), QMetaType::QDateTime) << "a stored reference date";
        }
        const TDataPacket p =
            ToDataPacket(call("Pla00100.rdmParamCardIndu", metodos::getVdFechaCardapioCus(),
                              {filial, servico, DataHora(month), DataHora(UltimoDiaMes(month)), op,
                               qlonglong(6), kind, reference},
                              op));
        QList<double> out;
        for (const QVariant& v : p.Rows.value(0).Values) {
            out << v.toDouble();
        }
        return out;
    }
    static bool refused(const QList<double>& f) {
        return (f[3] > 0 && f[1] < f[3]) || (f[3] < 0 && -f[3] > f[2]);
    }

    TEmbeddedServer server_;
    const QDate month_ = PriDiaMes(Hoje());
};

TEST_P(DemoCosts, EveryPlannedServiceCanBeCosted) {
    EXPECT_EQ(count("SELECT COUNT(*) FROM SERVICO S WHERE NOT EXISTS (SELECT 1 FROM CONSSERV C "
                    "WHERE C.CDFILIAL = S.CDFILIAL AND C.CDSERVFILI = S.CDSERVFILI)"),
              0)
        << "every service consumes something besides its dishes";
    EXPECT_EQ(count("SELECT COUNT(*) FROM CONSSERV C JOIN PRODUTO P ON P.CDPRODUTO = C.CDPRODUTO "
                    "WHERE P.IDATIVO = 'N'"),
              0);
    EXPECT_GT(count("SELECT COUNT(*) FROM CONSSERV C JOIN SERVICO S ON S.CDFILIAL = C.CDFILIAL "
                    "AND S.CDSERVFILI = C.CDSERVFILI WHERE S.IDSERVTRAN = 'S'"),
              count("SELECT COUNT(*) FROM CONSSERV C JOIN SERVICO S ON S.CDFILIAL = C.CDFILIAL "
                    "AND S.CDSERVFILI = C.CDSERVFILI WHERE S.CDFILIAL = '0004' AND S.IDSERVTRAN = "
                    "'N'"))
        << "meals carried to the schools take their packaging";
    EXPECT_EQ(count("SELECT COUNT(*) FROM (SELECT DISTINCT CDFILIAL, CDSERVFILI, DTMESCARD FROM "
                    "CARDADIA) D WHERE NOT EXISTS (SELECT 1 FROM CUSTOSERVMES C WHERE C.CDFILIAL "
                    "= D.CDFILIAL AND C.CDSERVFILI = D.CDSERVFILI AND C.DTMESCUST = D.DTMESCARD "
                    "AND C.VRCUSTPADR > 0)"),
              0)
        << "a standard for every planned month";
    // Every product, ingredient or consumable, has a price of the planned and of the real
    // cost type in every branch from before the first planned day on.
    const QVariant first = server_.Db().Scalar("SELECT MIN(DTCARDAPIO) FROM CARDADIA");
    const int products = count("SELECT COUNT(*) FROM PRODUTO");
    QSqlQuery types = server_.Db().Exec("SELECT CDFILIAL, CDTIPOCUSTOPLA, CDTIPOCUSTOREA FROM "
                                        "PARAMPLANEJA ORDER BY CDFILIAL");
    QList<QVariantList> branches;
    while (types.next()) {
        branches.append({types.value(0), types.value(1).toInt(), types.value(2).toInt()});
    }
    ASSERT_EQ(branches.size(), 4);
    for (const QVariantList& b : branches) {
        for (int i : {1, 2}) {
            EXPECT_EQ(count("SELECT COUNT(DISTINCT CDPRODUTO) FROM CUSTOPROD WHERE CDFILIAL = ? "
                            "AND NRTIPOCUSTO = ? AND DTVIGENCIA <= ?",
                            {b[0], b[i], first}),
                      products)
                << b[0].toString().toStdString() << " type " << b[i].toInt();
        }
    }
    // Each branch but the school network spreads an indirect cost over every month.
    EXPECT_EQ(count("SELECT COUNT(*) FROM CUSTORATMES WHERE CDFILIAL = ?",
                    {QString::fromLatin1(demo::BranchWithoutIndirectCost)}),
              0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CUSTORATMES WHERE CDFILIAL <> ? AND VRCUSTORAT > 0",
                    {QString::fromLatin1(demo::BranchWithoutIndirectCost)}),
              3 * 3);
}

TEST_P(DemoCosts, TheRestaurantsMonthsCloseAndTheCentralKitchensNextDoesNot) {
    const QString within = QString::fromLatin1(demo::BranchWithinTolerance);
    const QString outside = QString::fromLatin1(demo::BranchOutOfTolerance);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PARAMPLANEJA WHERE IDBLQFECHCARD = 'S' AND "
                    "VRPEMAXDIFPLAPA = ? AND VRPEMINDIFPLAPA = ? AND CDFILIAL = ?",
                    {demo::ToleranceWithinTolerance, demo::ToleranceWithinTolerance, within}),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PARAMPLANEJA WHERE IDBLQFECHCARD = 'S' AND "
                    "VRPEMAXDIFPLAPA = ? AND VRPEMINDIFPLAPA = ? AND CDFILIAL = ?",
                    {demo::ToleranceOutOfTolerance, demo::ToleranceOutOfTolerance, outside}),
              1);
    for (const QDate& month : {month_, month_.addMonths(1)}) {
        for (const char* service : {"00001", "00002", "00003"}) {
            for (const char* kind : {"C", "X"}) {
                SCOPED_TRACE(QStringLiteral("%1 %2 %3")
                                 .arg(month.toString(Qt::ISODate), service, kind)
                                 .toStdString());
                const QList<double> f = closing(within, service, month, kind, "NUTRI1");
                ASSERT_EQ(f.size(), 4);
                EXPECT_FALSE(refused(f)) << f[0] << " " << f[3];
                EXPECT_LT(std::abs(f[3]), 6) << "the standard lies near the plan";
            }
        }
    }
    const QString service = QString::fromLatin1(demo::ServiceOutOfTolerance);
    for (const char* kind : {"C", "X"}) {
        SCOPED_TRACE(kind);
        const QList<double> now = closing(outside, service, month_, kind, "CENTRAL");
        ASSERT_EQ(now.size(), 4);
        EXPECT_FALSE(refused(now)) << now[3];
        const QList<double> next = closing(outside, service, month_.addMonths(1), kind, "CENTRAL");
        ASSERT_EQ(next.size(), 4);
        EXPECT_TRUE(refused(next)) << next[3];
        EXPECT_GT(next[3], demo::ToleranceOutOfTolerance);
    }
    // Branches without tolerances let every month close.
    EXPECT_TRUE(closing("0003", "00001", month_.addMonths(1), "C", "HOSP1").isEmpty());
    EXPECT_TRUE(closing("0004", "00001", month_.addMonths(1), "C", "GRUPO1").isEmpty());
}

// The month before today's is served whole: the stock gave out other quantities than the
// plan asked, for other diners, consumables included.
TEST_P(DemoCosts, TheRealCostDiffersFromThePlan) {
    const QDate month = month_.addMonths(-1);
    const QVariantList planned =
        call("Pla00106.rdmCustoServ", metodos::GetTrabCusto(),
             {"0001", "00001", DataHora(month), DataHora(UltimoDiaMes(month)), qlonglong(6),
              "NUTRI1", false, QVariant(), "", false},
             "NUTRI1")
            .toList();
    const TDataPacket plan = ToDataPacket(planned.value(1));
    ASSERT_EQ(plan.RowCount(), month.daysInMonth());
    const TDataPacket real = ToDataPacket(
        call("Pla00106.rdmCustoServ", metodos::GetRealizado(),
             {"0001", "00001", DataHora(month), qlonglong(48), false, QVariant(), ""}, "NUTRI1"));
    int servedDays = 0;
    int differ = 0;
    for (const TPacketRow& r : plan.Rows) {
        if (r.Values[4].toDouble() > 0) {
            ++servedDays;
        }
    }
    ASSERT_EQ(real.RowCount(), servedDays) << "every planned day of that month was served";
    for (const TPacketRow& r : real.Rows) {
        const QDate d = r.Values[0].toDateTime().date();
        const TPacketRow& p = plan.Rows[d.day() - 1];
        const double plannedCost = p.Values[1].toDouble() + p.Values[2].toDouble();
        EXPECT_GT(r.Values[3].toDouble(), 0);
        EXPECT_GT(r.Values[1].toDouble(), 0) << "real diners";
        differ += std::abs(r.Values[3].toDouble() - plannedCost) > 0.01 * plannedCost ? 1 : 0;
    }
    EXPECT_GT(differ, servedDays / 2);
    EXPECT_EQ(count("SELECT COUNT(DISTINCT R.DTRETIRADA) FROM RETIRADA R JOIN CONSSERV C ON "
                    "C.CDFILIAL = R.CDFILIAL AND C.CDSERVFILI = R.CDSERVFILI AND C.CDPRODUTO = "
                    "R.CDPRODUTO WHERE R.CDFILIAL = '0001' AND R.CDSERVFILI = '00001' AND "
                    "R.DTRETIRADA >= ? AND R.DTRETIRADA < ?",
                    {DataHora(month), DataHora(month_)}),
              servedDays)
        << "consumables withdrawn on every served day";
    EXPECT_EQ(call("Pla00106.rdmCustoServ", metodos::DelConsplan(),
                   {planned.value(0).toString(), "0001"}, "NUTRI1")
                  .toString(),
              "");
}

TEST_P(DemoCosts, TheRestaurantsReferenceDatesOfTodaysMonth) {
    const TDataPacket p = ToDataPacket(call("Pla00120.rdmBaseCusto", metodos::GetBaseCusto(),
                                            {"0001", DataHora(month_)}, "NUTRI1"));
    ASSERT_EQ(p.RowCount(), 1);
    EXPECT_EQ(p.Rows[0].Values[0].toDateTime().date(), month_.addDays(-1));
    EXPECT_TRUE(p.Rows[0].Values[1].isNull()) << "stored by the demonstration";
    EXPECT_EQ(p.Rows[0].Values[3].toDateTime().date(), month_.addMonths(-1));
    EXPECT_EQ(p.Rows[0].Values[4].toString(), "NUTRI1");
    const TDataPacket next = ToDataPacket(call("Pla00120.rdmBaseCusto", metodos::GetBaseCusto(),
                                               {"0001", DataHora(month_.addMonths(1))}, "NUTRI1"));
    ASSERT_EQ(next.RowCount(), 1);
    EXPECT_TRUE(next.Rows[0].Values[3].isNull()) << "no recalculation date";
}

INSTANTIATE_TEST_SUITE_P(Engines, DemoCosts,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
