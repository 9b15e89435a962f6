#include "core/data_packet.h"
#include "core/dates.h"
#include "core/numbers.h"
#include "core/text_utils.h"

#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "server/demo_oddities.h"
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using pla::test::TEmbeddedServer;
using pla::test::TEngine;
namespace demo = pla::server::demo;

namespace {

// What the screen asks before it places a dish, over the demonstration data.
class DishChecks : public ::testing::TestWithParam<TEngine> {
protected:
    DishChecks()
        : server_(GetParam(), Hoje())
        , c_(server_.Connect("Pla00100.rdmParamCardIndu", server_.SignIn("NUTRI1"))) {}

    QString scalar(const QString& sql, const QVariantList& p = {}) {
        return server_.Db().Scalar(sql, p).toString();
    }

    TEmbeddedServer server_;
    std::unique_ptr<TNetConnection> c_;
};

TEST_P(DishChecks, RevisedRecipesAndInactiveProducts) {
    const QString revised = scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE IDRECEREVI = 'S'");
    // The demonstration's first dish without a revised recipe.
    const QString unrevised = Ajusta(QString::number(demo::UnrevisedRecipeEvery), 10);
    EXPECT_FALSE(
        c_->Call("GetRecPrato", QVariantList{"0001", "00001", "2", revised, "0002"}).toBool());
    EXPECT_TRUE(
        c_->Call("GetRecPrato", QVariantList{"0001", "00001", "2", unrevised, "0002"}).toBool());
    EXPECT_EQ(c_->Call("GetRecPrato", QVariantList{"0001", "00001", "2", "0000000000", "0002"})
                  .toString(),
              "Prato 0000000000 não cadastrado.");

    // The demonstration's dish with an inactive product names it; any other dish
    // answers only once one of its products is made inactive.
    const QString withInactive = Ajusta(QString::number(demo::DishWithInactiveProduct), 10);
    const QString inactive = scalar("SELECT MIN(CDPRODUTO) FROM PRODUTO WHERE IDATIVO = 'N'");
    ASSERT_FALSE(inactive.isEmpty());
    EXPECT_EQ(
        c_->Call("GetVerifProdInativo", QVariantList{"0001", withInactive, "0002", "00001", "1"})
            .toString(),
        inactive);
    const QString withProduct = scalar("SELECT MIN(CDPRATO) FROM RECEITA");
    ASSERT_NE(withProduct, withInactive);
    const QString product =
        scalar("SELECT MIN(CDPRODUTO) FROM RECEITA WHERE CDPRATO = ?", {withProduct});
    EXPECT_EQ(
        c_->Call("GetVerifProdInativo", QVariantList{"0001", withProduct, "0002", "00001", "1"})
            .toString(),
        "");
    server_.Db().Exec("UPDATE PRODUTO SET IDATIVO = 'N' WHERE CDPRODUTO = ?", {product});
    EXPECT_EQ(
        c_->Call("GetVerifProdInativo", QVariantList{"0001", withProduct, "0002", "00001", "1"})
            .toString(),
        product);
}

TEST_P(DishChecks, CentralDishesAndEquivalents) {
    const QDate month = PriDiaMes(Hoje());
    const TDataPacket related =
        ToDataPacket(c_->Call("GetServUtPratRelat", QVariantList{"4", "1"}));
    ASSERT_EQ(related.Rows.size(), 1);
    EXPECT_EQ(related.Rows[0].Values[0].toString(), "S") << "the school network";
    EXPECT_EQ(ToDataPacket(c_->Call("GetServUtPratRelat", QVariantList{"0001", "00001"}))
                  .Rows[0]
                  .Values[0]
                  .toString(),
              "N");

    const QString nr = scalar("SELECT MIN(NRCARDAPIO) FROM CARDADIA WHERE CDFILIAL = '0003' AND "
                              "DTMESCARD = ?",
                              {DataHora(month)});
    const TDataPacket central =
        ToDataPacket(c_->Call("getPratoMatriz", QVariantList{"0003", nr, qlonglong(1)}));
    ASSERT_EQ(central.Rows.size(), 1);
    EXPECT_EQ(central.Rows[0].Values[0].toString(),
              scalar("SELECT CDPRATOMAT FROM COMPCARD WHERE CDFILIAL = '0003' AND NRCARDAPIO = ? "
                     "AND NRSEQPRATCAR = 1",
                     {nr}));
    EXPECT_TRUE(ToDataPacket(c_->Call("getPratoMatriz", QVariantList{"0001", nr, qlonglong(1)}))
                    .Rows.isEmpty());

    const QString dish = scalar("SELECT MIN(CDPRATO) FROM PRATORELAC WHERE IDTIPORELAC = 'E'");
    const TDataPacket equivalents =
        ToDataPacket(c_->Call("GetPratoEquiv", QVariantList{dish, "0002"}));
    EXPECT_EQ(equivalents.Rows.size(),
              server_.Db()
                  .Scalar("SELECT COUNT(*) FROM PRATORELAC WHERE CDPRATO = ? AND IDTIPORELAC = 'E'",
                          {dish})
                  .toInt());
    EXPECT_FALSE(equivalents.Rows.isEmpty());

    EXPECT_EQ(
        ToDataPacket(c_->Call("GetCnfCaMes", QVariantList{"1", "1", DataHora(month.addDays(9))}))
            .Rows.size(),
        10);
}

TEST_P(DishChecks, DishListsWithTheirCostPerServing) {
    const int all = server_.Db().Scalar("SELECT COUNT(*) FROM PRATO").toInt();
    const int active =
        server_.Db().Scalar("SELECT COUNT(*) FROM PRATO WHERE IDATIVO = 'S'").toInt();
    EXPECT_EQ(
        ToDataPacket(c_->Call("GetPratoPesq", QVariantList{"0001", "00001", "2", "", "", false}))
            .Rows.size(),
        all);
    EXPECT_EQ(
        ToDataPacket(c_->Call("GetPratoPesq", QVariantList{"0001", "00001", "2", "", "", true}))
            .Rows.size(),
        active);
    const QString central = scalar("SELECT MIN(CDPRATO) FROM PRATORELAC WHERE IDTIPORELAC = 'E'");
    const int equivalents =
        server_.Db()
            .Scalar("SELECT COUNT(*) FROM PRATORELAC WHERE CDPRATO = ? AND IDTIPORELAC = 'E'",
                    {central})
            .toInt();
    EXPECT_EQ(ToDataPacket(
                  c_->Call("GetPratoPesq", QVariantList{"0001", "00001", "2", "", central, false}))
                  .Rows.size(),
              equivalents + 1)
        << "the central dish and its equivalents";

    // The cost of one dish, worked out product by product: what is bought (the net
    // quantity times the correction factor for peel and waste) at its unit cost. The dish
    // has a factor above 1, so that a cost without it shows.
    const QDateTime reference = DataHora(Hoje());
    const QString dish = scalar("SELECT MIN(CDPRATO) FROM RECEITA WHERE QTFATORCORR > 1");
    ASSERT_FALSE(dish.isEmpty());
    double expected = 0;
    double net = 0;
    QSqlQuery recipe = server_.Db().Exec("SELECT CDPRODUTO, QTPERCAPITA, QTFATORCORR FROM "
                                         "RECEITA WHERE CDPRATO = ? AND CDFILAUXPRAT = '0002'",
                                         {dish});
    QList<std::tuple<QVariant, double, double>> lines; // read whole before the next query
    while (recipe.next()) {
        lines.append({recipe.value(0), recipe.value(1).toDouble(), recipe.value(2).toDouble()});
    }
    for (const auto& [product, perCapita, factor] : lines) {
        const QVariant unit = server_.Db().Scalar(
            "SELECT VRCUSTUNIT FROM CUSTOPROD WHERE CDFILIAL = '0001' AND NRTIPOCUSTO = 6 AND "
            "CDPRODUTO = ? AND DTVIGENCIA <= ? ORDER BY DTVIGENCIA DESC",
            {product, reference});
        expected += perCapita * factor * unit.toDouble();
        net += perCapita * unit.toDouble();
    }
    ASSERT_GT(expected, 0);
    ASSERT_GT(RoundDec(expected, 5), RoundDec(net, 5));
    const TDataPacket costs =
        ToDataPacket(c_->Call("GetPratoCusto", QVariantList{"0001", "00001", "2", "", qlonglong(6),
                                                            reference, "", dish, false}));
    ASSERT_EQ(costs.Rows.size(),
              1 + server_.Db()
                      .Scalar("SELECT COUNT(*) FROM PRATORELAC WHERE CDPRATO = ? "
                              "AND IDTIPORELAC = 'E'",
                              {dish})
                      .toInt());
    for (const TPacketRow& r : costs.Rows) {
        if (r.Values[1].toString() == dish) {
            EXPECT_NEAR(r.Values[6].toDouble(), RoundDec(expected, 5), 1e-9);
        }
    }
}

TEST_P(DishChecks, ATextSearchedTakesItsWildcardsLiterally) {
    const QString type = scalar("SELECT MIN(CDTIPOPRAT) FROM TIPOPRAT");
    for (const auto& [code, name] :
         {std::pair{"0000009001", "SUCO 100% LARANJA"}, std::pair{"0000009002", "SUCO 1000 UVA"},
          std::pair{"0000009003", "PURE_DE BATATA"}}) {
        server_.Db().Exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES "
                          "('0002', ?, ?, ?)",
                          {code, name, type});
    }
    const auto found = [&](const QString& text) {
        QStringList names;
        const TDataPacket p = ToDataPacket(
            c_->Call("GetPratoPesq", QVariantList{"0001", "00001", "2", text, "", false}));
        for (const TPacketRow& r : p.Rows) {
            names << r.Values[p.FieldIndex("NMPRATO")].toString();
        }
        return names;
    };
    EXPECT_EQ(found("100%"), QStringList{"SUCO 100% LARANJA"}) << "not 1000";
    EXPECT_EQ(found("e_d"), QStringList{"PURE_DE BATATA"}) << "an underscore is an underscore";
    EXPECT_TRUE(found("!").isEmpty());
    EXPECT_EQ(found("00000090").size(), 3) << "a code's beginning";
    EXPECT_TRUE(found("0000009_").isEmpty());
    // Levels of a code picture outside 1 to 9 are refused.
    EXPECT_EQ(
        c_->Call("GetPratoPesq", QVariantList{"0001", "00001", "0", "", "", false}).toString(),
        "Número de níveis da máscara de código inválido: 0.");
}

INSTANTIATE_TEST_SUITE_P(Engines, DishChecks,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
