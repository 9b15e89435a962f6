#include "core/dates.h"
#include "db_fixture.h"
#include "qt_print.h"
#include "server/demo_seed.h"
#include "server/migrations.h"
#include "server/session_service.h"

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::server;
using pla::test::TEngine;

namespace {

TEST(DemoSeed, NationalHolidaysFollowEaster) {
    const auto h = NationalHolidays(2026); // Easter on 5 April 2026
    auto has = [&](const QDate& d, const QString& name) {
        return std::any_of(h.begin(), h.end(),
                           [&](const auto& p) { return p.first == d && p.second == name; });
    };
    EXPECT_TRUE(has(QDate(2026, 2, 16), "Carnaval"));
    EXPECT_TRUE(has(QDate(2026, 2, 17), "Carnaval"));
    EXPECT_TRUE(has(QDate(2026, 4, 3), "Sexta-feira Santa"));
    EXPECT_TRUE(has(QDate(2026, 6, 4), "Corpus Christi"));
    EXPECT_TRUE(has(QDate(2026, 11, 20), "Dia Nacional de Zumbi e da Consciência Negra"));
    EXPECT_EQ(h.size(), 13);
    EXPECT_TRUE(std::is_sorted(h.begin(), h.end(),
                               [](const auto& a, const auto& b) { return a.first < b.first; }));
    EXPECT_EQ(NationalHolidays(2027)[1].first, QDate(2027, 2, 8)); // Easter on 28 March 2027
}

class Demo : public ::testing::TestWithParam<TEngine> {};

TEST_P(Demo, SeedsARealisticDeterministicDemonstration) {
    TDatabasePool pool(test::FreshDatabase(GetParam()));
    TDatabase& db = pool.ForThisThread();
    Migrate(db);
    const TDemoResult r = SeedDemo(db, QDate(2026, 12, 6), 1, 1000);
    EXPECT_EQ(r.Branches, 4);
    EXPECT_EQ(r.Services, 8);
    EXPECT_GT(r.Days, 500);
    EXPECT_GT(r.Dishes, 4000);
    auto count = [&](const char* sql) { return db.Scalar(QString::fromUtf8(sql)).toInt(); };
    // The three menu types, the central branch and a parameterised group.
    EXPECT_EQ(count("SELECT COUNT(DISTINCT IDTIPOCARD) FROM PARAMPLANEJA"), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PARAMPLANEJA WHERE IDTIPOCARD = 'S' AND "
                    "CDFILCENTPME IS NOT NULL"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM SERVICO S JOIN GRUPSERV G ON G.CDGRUPSERV = "
                    "S.CDGRUPSERV WHERE G.IDPARAMETRIZADO = 'S' AND S.IDCARDDESCENTR = 'S'"),
              2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM TIPOPRAT"), 15);
    EXPECT_GE(count("SELECT COUNT(*) FROM PRATO"), 280);
    EXPECT_GT(count("SELECT COUNT(*) FROM PRATO WHERE IDATIVO = 'N'"), 5);
    EXPECT_GT(count("SELECT COUNT(*) FROM PRATO WHERE IDRECEREVI = 'N'"), 5);
    EXPECT_GT(count("SELECT COUNT(*) FROM TURNOSERV"), 10);
    EXPECT_EQ(count("SELECT COUNT(*) FROM TIPOCUSTO WHERE NRTIPOCUSTO IN (6, 10, 48)"), 3);
    // Menus of three months, effective diners only on days already served.
    EXPECT_EQ(count("SELECT COUNT(DISTINCT DTMESCARD) FROM CARDADIA"), 3);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM CARDADIA WHERE QTCOMEFETCAR IS NOT NULL AND "
                        "DTCARDAPIO >= ?",
                        {DataHora(QDate(2026, 12, 6))})
                  .toInt(),
              0);
    EXPECT_GT(count("SELECT COUNT(*) FROM CARDADIA WHERE QTCOMEFETCAR IS NOT NULL"), 100);
    // Industrial services are closed on Sundays and holidays; the hospital is not.
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0001' AND DTCARDAPIO = ?",
                        {DataHora(QDate(2026, 12, 25))})
                  .toInt(),
              0);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0003' AND DTCARDAPIO = ?",
                        {DataHora(QDate(2026, 12, 25))})
                  .toInt(),
              2);
    // Delivery points add up to the day's diners.
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM CARDADIA D WHERE EXISTS (SELECT 1 FROM CARDACLI C WHERE "
              "C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO) AND ABS(D.QTCOMESTICAR "
              "- (SELECT SUM(QTCOMESTICLI) FROM CARDACLI C WHERE C.CDFILIAL = D.CDFILIAL AND "
              "C.NRCARDAPIO = D.NRCARDAPIO)) > 0.001"),
        0);
    EXPECT_GT(count("SELECT COUNT(*) FROM CARDACLI"), 100);
    // Products, recipes, costs and what the kitchen really withdrew.
    EXPECT_GE(count("SELECT COUNT(*) FROM PRODUTO"), 140);
    EXPECT_GT(count("SELECT COUNT(*) FROM PRODUTO WHERE IDATIVO = 'N'"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PRATO P WHERE NOT EXISTS (SELECT 1 FROM RECEITA R WHERE "
                    "R.CDFILAUXPRAT = P.CDFILAUXPRAT AND R.CDPRATO = P.CDPRATO)"),
              0);
    EXPECT_GE(count("SELECT COUNT(*) FROM RECEITA R JOIN PRODUTO P ON P.CDPRODUTO = R.CDPRODUTO "
                    "WHERE P.IDATIVO = 'N'"),
              1)
        << "a dish with an inactive product, for the check that refuses it";
    EXPECT_EQ(count("SELECT COUNT(DISTINCT NRTIPOCUSTO) FROM CUSTOPROD"), 5);
    EXPECT_GT(count("SELECT COUNT(*) FROM ITEMLISTAPRECO"), 50);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CUSTOSERVMES"), r.Services * 3);
    EXPECT_GT(count("SELECT COUNT(*) FROM RETIRADA"), 500);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM RETIRADA WHERE DTRETIRADA >= ?",
                        {DataHora(QDate(2026, 12, 6))})
                  .toInt(),
              0)
        << "nothing withdrawn for days not yet served";
    EXPECT_GT(count("SELECT COUNT(*) FROM PRATORELAC WHERE IDTIPORELAC = 'E'"), 20);
    EXPECT_GT(count("SELECT COUNT(*) FROM PRATORELAC WHERE IDTIPORELAC = 'R'"), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM NUTRIENTE"), 6);
    // Diets prescribed for the hospital, a cycle for the schools with its log.
    EXPECT_EQ(count("SELECT COUNT(*) FROM DIETPADR WHERE IDFORMDIET IN ('1', '2')"), 2);
    EXPECT_GT(count("SELECT COUNT(*) FROM DIETPRESC"), 20);
    EXPECT_EQ(count("SELECT COUNT(DISTINCT NRDIACICLO) FROM CARDCICLODIA"), 20);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDCICLOSERV"), 2);
    // December 2026: Christmas on a Friday, and a dish under revision every fifth
    // school day.
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM LOGCARDCICLOITEM WHERE DSMENSLOG LIKE 'Feriado (Natal)%'"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM LOGCARDCICLOITEM WHERE DSMENSLOG LIKE "
                    "'Prato % sem receita revisada: não incluído.'"),
              5);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDESP"), 1);
    // The hospital follows the central kitchen: its dishes name their central dish,
    // most taken as they are ("R"), some replaced by the branch ("S").
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0003' AND CDPRATOMAT IS "
                    "NULL"),
              0);
    EXPECT_GT(count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0003' AND IDPRATOESPE = "
                    "'R' AND CDPRATO = CDPRATOMAT"),
              count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0003' AND IDPRATOESPE = "
                    "'S'"));
    EXPECT_GT(count("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0003' AND IDPRATOESPE = "
                    "'S'"),
              0);
    EXPECT_GT(count("SELECT COUNT(*) FROM PRATEXCL"), 0);

    // Every operator signs in with the password shown once.
    TSessionService sessions(pool);
    ASSERT_EQ(r.Operators.size(), 8);
    for (const TDemoOperator& o : r.Operators) {
        EXPECT_NO_THROW(sessions.Open(o.Code, o.Password)) << o.Code.toStdString();
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM AUTORIZSUPERV WHERE CDOPERADOR = 'SUPERV'"), 2);

    // A second seed is refused and changes nothing.
    const int days = count("SELECT COUNT(*) FROM CARDADIA");
    EXPECT_THROW(SeedDemo(db, QDate(2026, 12, 6), 1, 1000), EPlaError);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CARDADIA"), days);

    // The same date gives the same menus on another database.
    TDatabasePool other(test::FreshDatabase(GetParam()));
    Migrate(other.ForThisThread());
    SeedDemo(other.ForThisThread(), QDate(2026, 12, 6), 1, 1000);
    const QString fingerprint =
        "SELECT COUNT(*), SUM(QTCOMESTICAR), SUM(COALESCE(QTCOMEFETCAR, 0)) FROM CARDADIA";
    QSqlQuery a = db.Exec(fingerprint);
    QSqlQuery b = other.ForThisThread().Exec(fingerprint);
    ASSERT_TRUE(a.next() && b.next());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.value(i).toDouble(), b.value(i).toDouble());
    }
}

TEST_P(Demo, ScaleMultipliesBranchesAndMonths) {
    TDatabasePool pool(test::FreshDatabase(GetParam()));
    Migrate(pool.ForThisThread());
    const TDemoResult r = SeedDemo(pool.ForThisThread(), QDate(2026, 12, 6), 2, 1000);
    EXPECT_EQ(r.Branches, 8);
    EXPECT_EQ(r.Services, 16);
    EXPECT_EQ(pool.ForThisThread().Scalar("SELECT COUNT(DISTINCT DTMESCARD) FROM CARDADIA").toInt(),
              6);
    EXPECT_THROW(SeedDemo(pool.ForThisThread(), QDate(2026, 12, 6), 0), EPlaError);
}

INSTANTIATE_TEST_SUITE_P(Engines, Demo, ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
