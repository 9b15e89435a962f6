#include "core/dates.h"
#include "embedded_server.h"
#include "qt_print.h"
#include "rpc/net_connection.h"
#include "server/admin.h"
#include "server/demo_oddities.h"
#include "server/demo_seed.h"

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;
using pla::test::TEngine;

namespace {

class ServerData : public ::testing::TestWithParam<TEngine> {
protected:
    void SetUp() override { srv_ = std::make_unique<test::TEmbeddedServer>(GetParam()); }

    std::unique_ptr<TNetConnection> connect(const QString& module, const QString& op,
                                            const QString& pw) {
        return srv_->Connect(module, srv_->SignIn(op, pw));
    }

    std::unique_ptr<test::TEmbeddedServer> srv_;
};

TEST_P(ServerData, TheDemoOperatorsHaveTheirPermissions) {
    const TDemoResult demo = SeedDemo(srv_->Db(), QDate(2026, 12, 6), 1, 1000);
    auto passwordOf = [&](const QString& code) {
        for (const auto& o : demo.Operators) {
            if (o.Code == code) {
                return o.Password;
            }
        }
        return QString();
    };
    auto perms = [&](const QString& code) {
        auto c = connect("Pla00100.rdmParamCardIndu", code, passwordOf(code));
        QString out;
        for (const QVariant& v :
             CheckResultServ(c->Call("CheckAutOper", QVariantList{code})).toList()) {
            out += v.toString();
        }
        return out;
    };
    EXPECT_EQ(perms("NUTRI1"), "11111111111111111");
    const QString restricted = QString::fromLatin1(demo::RestrictedPlanner);
    const QString restrictedPerms = perms(restricted);
    EXPECT_EQ(restrictedPerms[2], QLatin1Char('0')) << "may not remove dishes";
    EXPECT_EQ(restrictedPerms[7], QLatin1Char('0')) << "nor delete the menu of a period";
    EXPECT_EQ(restrictedPerms[0], QLatin1Char('1'));
    EXPECT_EQ(perms(QString::fromLatin1(demo::ReadOnlyOperator)).left(16),
              QString(16, QLatin1Char('0')));
    // The supervisor authorises the cost reference date for the restricted planner.
    const QString supervisor = QString::fromLatin1(demo::Supervisor);
    auto c = connect("Est.rdmAutoriza", restricted, passwordOf(restricted));
    EXPECT_EQ(c->Call("Autoriza", QVariantList{qlonglong(demo::CostReferenceDateChange),
                                               "ALTERACAO_DATA_REFERENCIA", supervisor,
                                               passwordOf(supervisor)}),
              QVariant(true));
    EXPECT_EQ(c->Call("Autoriza",
                      QVariantList{qlonglong(demo::CostReferenceDateChange),
                                   "ALTERACAO_DATA_REFERENCIA", "CENTRAL", passwordOf("CENTRAL")})
                  .toString(),
              "O operador CENTRAL não pode autorizar esta operação.");
    // The demo's planning parameters answer for every branch of the three menu types.
    auto p = connect("Pla00100.rdmParamCardIndu", "NUTRI1", passwordOf("NUTRI1"));
    for (const char* branch : {"0001", "0003", "0004"}) {
        const QVariantList r =
            p->Call("GetParams", QVariantList{QString::fromUtf8(branch), "PLA00100", qlonglong(1)})
                .toList();
        ASSERT_EQ(r.size(), 3) << branch;
        EXPECT_EQ(r[1].toString(), "06 - CUSTO MÉDIO");
        EXPECT_EQ(r[2].toString(), "48 - TABELA DE PREÇOS");
    }
}

TEST_P(ServerData, AWritingMethodThatFailsHalfwayLeavesNothingBehind) {
    auto m = std::make_unique<TRemoteDataModule>("Teste.rdmGrava");
    auto writer = [](bool fail, bool crash) {
        return [fail, crash](TCallContext& ctx, TMethodArgs& a) -> QVariant {
            ctx.Database().Exec("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (?, ?)",
                                {a.Integer(0), "PRIMEIRA METADE"});
            a.SetRef(1, QStringLiteral("mudado"));
            if (crash) {
                throw std::runtime_error("falha inesperada");
            }
            if (fail) {
                throw EPlaError("Recusado no meio.");
            }
            ctx.Database().Exec("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (?, ?)",
                                {a.Integer(0) + 1, "SEGUNDA METADE"});
            return QVariant(QStringLiteral("0000000001"));
        };
    };
    const QList<TParam> params{{"nr", TArgType::Integer}, {"ref", TArgType::String, true}};
    // Their own guard: these test the transaction, not who may write.
    const TGuard own{.SelfChecked = true};
    m->Register({"Recusa", params, -1, writer(true, false), true, own});
    m->Register({"Quebra", params, -1, writer(false, true), true, own});
    m->Register({"Grava", params, -1, writer(false, false), true, own});
    m->Register({"Duplica", params, -1,
                 [](TCallContext& ctx, TMethodArgs&) -> QVariant {
                     ctx.Database().Exec(
                         "INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (90, 'A')");
                     ctx.Database().Exec(
                         "INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (90, 'B')");
                     return true;
                 },
                 true, own});
    srv_->Dispatcher().AddModule(std::move(m));
    TNewOperator op;
    op.Code = "ANA";
    op.Name = "Ana";
    op.Password = "senha-boa-1";
    AddOperator(srv_->Db(), op, 1000);
    auto c = connect("Teste.rdmGrava", "ANA", "senha-boa-1");
    auto count = [&] { return srv_->Db().Scalar("SELECT COUNT(*) FROM TIPOCUSTO").toInt(); };

    QList<TRpcArg> args{{qlonglong(1), false}, {QStringLiteral("original"), true}};
    EXPECT_EQ(c->Call("Recusa", args).toString(), "Recusado no meio.");
    EXPECT_EQ(args[1].Value.toString(), "original")
        << "a refusal gives the arguments back as they came";
    EXPECT_EQ(count(), 0);
    EXPECT_THROW(c->Call("Quebra", args), ERpcError);
    EXPECT_EQ(count(), 0);
    const QVariant dup = c->Call("Duplica", args);
    EXPECT_TRUE(dup.toString().startsWith("Erro no banco de dados"))
        << dup.toString().toStdString();
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(c->Call("Grava", args).toString(), "0000000001") << "a short text is a result";
    EXPECT_EQ(args[1].Value.toString(), "mudado");
    EXPECT_EQ(count(), 2);
}

TEST_P(ServerData, TheHostsLookupsCanOnlyRead) {
    TDatabase& db = srv_->Db();
    db.Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES ('0001', 'Central', ?)",
            {DataHora(QDate(2026, 12, 7))});
    TDatabaseUrl lookup = srv_->Url();
    if (GetParam() == TEngine::SQLite) {
        EXPECT_THROW(CreateLookupRole(db, "pla_consulta", "senha-de-consulta"), EPlaError);
    } else {
        EXPECT_THROW(CreateLookupRole(db, "Robert'); DROP TABLE FILIAL;--", "senha-de-consulta"),
                     EPlaError);
        CreateLookupRole(db, "pla_consulta", "senha com 'aspas'");
        CreateLookupRole(db, "pla_consulta", "outra-senha-boa"); // again: updated, not refused
        lookup.User = "pla_consulta";
        lookup.Password = "outra-senha-boa";
    }
    TDatabase reader(lookup, true);
    EXPECT_EQ(reader.Scalar("SELECT NMFILIAL FROM FILIAL").toString(), "Central");
    EXPECT_THROW(reader.Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES ('0002', "
                             "'Outra', ?)",
                             {DataHora(QDate(2026, 12, 7))}),
                 EDatabaseError);
    EXPECT_THROW(reader.Exec("DELETE FROM FILIAL"), EDatabaseError);
    if (GetParam() == TEngine::PostgreSQL) {
        EXPECT_THROW(reader.Scalar("SELECT COUNT(*) FROM OPERADOR"), EDatabaseError)
            << "operators and their password hashes are not for the lookups";
    }
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM FILIAL").toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, ServerData,
                         ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
