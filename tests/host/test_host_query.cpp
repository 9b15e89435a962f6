#include "../server/db_fixture.h"
#include "core/dates.h"
#include "host/host_query.h"
#include "qt_print.h"
#include "server/migrations.h"

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;
using pla::test::TEngine;

namespace {

TEST(HostQuery, NamedParametersBecomePositional) {
    QStringList names;
    const QString sql = THostQuery::Positional(
        "SELECT * FROM FILIAL WHERE ((CDFILIAL = :P_CDFILIAL) OR (:P_TCDFILIAL = 'T')) "
        "AND NMFILIAL <> ':P_NAO' AND CDFILIAL <> :p_cdfilial",
        names);
    EXPECT_EQ(sql, "SELECT * FROM FILIAL WHERE ((CDFILIAL = ?) OR (? = 'T')) AND NMFILIAL <> "
                   "':P_NAO' AND CDFILIAL <> ?");
    EXPECT_EQ(names, (QStringList{"P_CDFILIAL", "P_TCDFILIAL", "P_CDFILIAL"}));
}

class HostQueries : public ::testing::TestWithParam<TEngine> {};

TEST_P(HostQueries, LookupsReadWithParametersAndDeclaredFields) {
    const db::TDatabaseUrl url = test::FreshDatabase(GetParam());
    {
        db::TDatabase admin(url);
        server::Migrate(admin);
        for (const char* code : {"0001", "0002", "0003"}) {
            admin.Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES (?, ?, ?)",
                       {QString::fromUtf8(code), QStringLiteral("Filial %1").arg(code),
                        DataHora(QDate(2026, 12, 7))});
        }
    }
    db::TDatabase shared(url, true);
    THostQuery qry("qryFilial");
    qry.SetConnection(&shared);
    qry.AddField("CDFILIAL", TFieldType::FixedString, 4);
    qry.AddField("DTPROCESSA", TFieldType::DateTime).SetDisplayFormat("dd/mm/yyyy");
    qry.SetSql("SELECT CDFILIAL, NMFILIAL, DTPROCESSA FROM FILIAL WHERE ((CDFILIAL = :P_CDFILIAL) "
               "OR (:P_TCDFILIAL = 'T')) ORDER BY CDFILIAL");
    qry.SetParam("P_CDFILIAL", "0002");
    qry.SetParam("TCDFILIAL", QString());
    qry.Open();
    ASSERT_EQ(qry.RecordCount(), 1);
    EXPECT_EQ(qry.FieldByName("NMFILIAL").AsString(), "Filial 0002");
    EXPECT_EQ(qry.FieldByName("DTPROCESSA").AsDateTime(), DataHora(QDate(2026, 12, 7)));
    EXPECT_EQ(qry.FieldByName("DTPROCESSA").DisplayText(), "07/12/2026");
    qry.SetParam("P_TCDFILIAL", "T");
    qry.SetParam("P_CDFILIAL", QVariant());
    qry.Open();
    EXPECT_EQ(qry.RecordCount(), 3);
    EXPECT_TRUE(qry.Locate("CDFILIAL", "0003"));
    // One text per engine when the dialects differ.
    THostQuery upper("qryUpper");
    upper.SetConnection(&shared);
    upper.SetSql("SELECT UPPER(NMFILIAL) AS NOME FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL",
                 "SELECT UPPER(NMFILIAL) AS \"NOME\" FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL");
    upper.SetParam("CDFILIAL", "0001");
    upper.Open();
    EXPECT_EQ(upper.FieldByName("NOME").AsString(), "FILIAL 0001");
    // The shared connection only reads.
    THostQuery write("qryEscreve");
    write.SetConnection(&shared);
    write.SetSql("DELETE FROM FILIAL");
    EXPECT_THROW(write.Open(), db::EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Engines, HostQueries,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
