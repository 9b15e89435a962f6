#include "core/clock.h"
#include "core/dates.h"
#include "db_fixture.h"
#include "qt_print.h"
#include "rpc/http_transport.h"
#include "rpc/net_connection.h"
#include "rpc/session_client.h"
#include "server/admin.h"
#include "server/http_server.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;
using pla::test::TEngine;

namespace {

// A server on a fresh database with two branches, cost types, planning parameters,
// a planner and a supervisor; reachable in process and over HTTP.
class TServerHarness {
public:
    explicit TServerHarness(TEngine engine)
        : pool_(test::FreshDatabase(engine))
        , sessions_(pool_)
        , dispatcher_(sessions_) {
        TDatabase& db = pool_.ForThisThread();
        Migrate(db);
        seed(db);
        dispatcher_.SetDatabase([this] { return &pool_.ForThisThread(); });
        AddAllModules(dispatcher_, sessions_);
        THttpServerOptions o;
        o.Port = 0;
        http_ = std::make_unique<THttpServer>(dispatcher_, o);
        port_ = http_->Start();
    }

    std::unique_ptr<TRpcTransport> Transport(bool http) {
        if (!http) {
            return std::make_unique<TInProcessTransport>(dispatcher_);
        }
        THttpClientOptions o;
        o.Port = port_;
        return std::make_unique<THttpTransport>(o);
    }

    // A signed-in connection to a module.
    std::unique_ptr<TNetConnection> Connect(const QString& serverName, bool http,
                                            const QString& op = "ANA",
                                            const QString& pw = "senha-da-ana") {
        auto signer = Transport(http);
        const QString token = SignIn(*signer, op, pw).Token;
        auto c = std::make_unique<TNetConnection>("net");
        c->SetServerName(serverName);
        c->SetTokenSource([token] { return token; });
        c->SetTransportFactory([this, http](const TNetConnection&) { return Transport(http); });
        return c;
    }

    TDatabase& Db() { return pool_.ForThisThread(); }

private:
    void seed(TDatabase& db) {
        for (const auto& [code, name] :
             {std::pair{"0001", "Restaurante Central"}, std::pair{"0002", "Hospital Norte"}}) {
            db.Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES (?, ?, ?)",
                    {code, name, DataHora(QDate(2026, 12, 7))});
        }
        for (const auto& [nr, name] : {std::pair{6, "CUSTO MEDIO"}, std::pair{10, "ULTIMA COMPRA"},
                                       std::pair{48, "TABELA DE PRECOS"}}) {
            db.Exec("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (?, ?)", {nr, name});
        }
        db.Exec("INSERT INTO PARAMPLANEJA (CDFILIAL, IDEXIBECUSTO, IDPERCCOME, CDTIPOCUSTOPLA, "
                "CDTIPOCUSTOREA, QTDIABLOQCAR, CDFILCENTPME, IDCOMCUSPERC, IDACOMPCUSTO) "
                "VALUES ('0001', 'R', 'C', '6', '48', 3, '0002', 'C', 'S')");
        TNewOperator ana;
        ana.Code = "ANA";
        ana.Name = "Ana Nutricionista";
        ana.Password = "senha-da-ana";
        ana.Permissions = "11111111000000001";
        AddOperator(db, ana, 1000);
        TNewOperator sup;
        sup.Code = "SUP";
        sup.Name = "Supervisora";
        sup.Password = "senha-da-sup";
        AddOperator(db, sup, 1000);
        Grant(db, "SUP", QString(), {}, {7});
    }

    TDatabasePool pool_;
    TSessionService sessions_;
    TDispatcher dispatcher_;
    std::unique_ptr<THttpServer> http_;
    int port_ = 0;
};

class Methods : public ::testing::TestWithParam<TEngine> {
protected:
    void SetUp() override { server_ = std::make_unique<TServerHarness>(GetParam()); }
    std::unique_ptr<TServerHarness> server_;
};

TEST_P(Methods, PlanningParametersInEveryShape) {
    for (const bool http : {false, true}) {
        auto c = server_->Connect("Pla00100.rdmParamCardIndu", http);
        const QVariantList r =
            c->Call("GetParams", QVariantList{"0001", "PLA00100", qlonglong(1)}).toList();
        ASSERT_EQ(r.size(), 3);
        const TDataPacket p = ToDataPacket(r[0]);
        ASSERT_EQ(p.RowCount(), 1);
        EXPECT_EQ(p.Rows[0].Values[p.FieldIndex("IDPERCCOME")].toString(), "C");
        EXPECT_EQ(r[1].toString(), "06 - CUSTO MEDIO") << "planned cost type as the list shows it";
        EXPECT_EQ(r[2].toString(), "48 - TABELA DE PRECOS");

        const TDataPacket full = ToDataPacket(
            CheckResultServ(c->Call("GetParams", QVariantList{"0001", "PLA00101", qlonglong(1)})));
        EXPECT_EQ(full.Rows[0].Values[full.FieldIndex("QTDIABLOQCAR")].toLongLong(), 3);
        EXPECT_EQ(full.Rows[0].Values[full.FieldIndex("CDFILCENTPME")].toString(), "0002");
        const TDataPacket close = ToDataPacket(CheckResultServ(
            c->Call("GetParams", QVariantList{"0001", "pla00101-close", qlonglong(1)})));
        EXPECT_EQ(close.Rows[0].Values[close.FieldIndex("IDACOMPCUSTO")].toString(), "S");

        // A branch without parameters has none; an unknown branch is an error text.
        const QVariantList none =
            c->Call("GetParams", QVariantList{"0002", "PLA00100", qlonglong(1)}).toList();
        EXPECT_EQ(ToDataPacket(none[0]).RowCount(), 0);
        EXPECT_EQ(none[1].toString(), "");
        EXPECT_EQ(c->Call("GetParams", QVariantList{"9999", "PLA00100", qlonglong(1)}).toString(),
                  "Filial não cadastrada.");
        EXPECT_EQ(c->Call("GetParams", QVariantList{"0001", "PLA00199", qlonglong(1)}).toString(),
                  "Não há parâmetros de planejamento para a tela PLA00199.");
    }
}

TEST_P(Methods, InProcessAndHttpGiveTheSameAnswers) {
    auto local = server_->Connect("Pla00100.rdmParamCardIndu", false);
    auto remote = server_->Connect("Pla00100.rdmParamCardIndu", true);
    for (const QVariantList& args : {QVariantList{"0001", "PLA00100", qlonglong(1)},
                                     QVariantList{"0001", "PLA00101", qlonglong(1)},
                                     QVariantList{"0002", "PLA00101-CLOSE", qlonglong(1)}}) {
        EXPECT_EQ(EncodeValue(local->Call("GetParams", args)),
                  EncodeValue(remote->Call("GetParams", args)));
    }
    EXPECT_EQ(EncodeValue(local->Call("CheckAutOper", QVariantList{"ANA"})),
              EncodeValue(remote->Call("CheckAutOper", QVariantList{"ANA"})));
}

TEST_P(Methods, PermissionsOfTheOperator) {
    auto c = server_->Connect("Pla00100.rdmParamCardIndu", false);
    const QVariantList perms =
        CheckResultServ(c->Call("CheckAutOper", QVariantList{"ANA"})).toList();
    ASSERT_EQ(perms.size(), 17);
    EXPECT_EQ(perms[0].toString(), "1");
    EXPECT_EQ(perms[7].toString(), "1");
    EXPECT_EQ(perms[8].toString(), "0");
    EXPECT_EQ(perms[16].toString(), "1");
    // Another operator's permissions are not the session's to ask for.
    EXPECT_THROW(c->Call("CheckAutOper", QVariantList{"SUP"}), ERpcError);
}

TEST_P(Methods, CostParametersAndCostTypes) {
    auto cost = server_->Connect("Pla00106.rdmCustoServ", true);
    const QVariantList r = cost->Call("GetParams", QVariantList{"0001"}).toList();
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(ToDataPacket(r[0]).Rows[0].Values[0].toString(), "C");
    auto prod = server_->Connect("Cus00000.rdmCustProd", false);
    const TDataPacket types =
        ToDataPacket(CheckResultServ(prod->Call("ListaTipoCusto", QVariantList{})));
    ASSERT_EQ(types.RowCount(), 3);
    EXPECT_EQ(types.Rows[0].Values[0].toLongLong(), 6);
    EXPECT_EQ(types.Rows[2].Values[types.FieldIndex("DSTIPOCUSTO")].toString(),
              "48 - TABELA DE PRECOS");
}

TEST_P(Methods, SupervisorAuthorisationIsCheckedAndLogged) {
    auto c = server_->Connect("Est.rdmAutoriza", true);
    auto ask = [&](qlonglong kind, const QString& who, const QString& pw) {
        return c->Call("Autoriza", QVariantList{kind, "ALTERACAO_DATA_REFERENCIA", who, pw});
    };
    EXPECT_EQ(ask(7, "SUP", "errada").toString(), "Supervisor ou senha inválidos.");
    EXPECT_EQ(ask(12, "SUP", "senha-da-sup").toString(),
              "O operador SUP não pode autorizar esta operação.");
    EXPECT_EQ(ask(7, "ANA", "senha-da-ana").toString(),
              "O operador ANA não pode autorizar esta operação.")
        << "a planner is no supervisor";
    EXPECT_EQ(server_->Db().Scalar("SELECT COUNT(*) FROM LOGAUTORIZ").toInt(), 0);
    EXPECT_EQ(ask(7, "sup", "senha-da-sup"), QVariant(true));
    EXPECT_EQ(server_->Db()
                  .Scalar("SELECT CDOPERADOR FROM LOGAUTORIZ WHERE CDSUPERVISOR = 'SUP'")
                  .toString(),
              "ANA");
}

TEST_P(Methods, ScreenAccessOfTheOperator) {
    Grant(server_->Db(), "ANA", QString(), {"PLA;PLA00115"}, {});
    auto c = server_->Connect("Est.rdmAutoriza", true);
    EXPECT_EQ(c->Call("ExisteAcesso", QVariantList{"PLA;PLA00115", "ANA"}), QVariant(true));
    EXPECT_EQ(c->Call("ExisteAcesso", QVariantList{"pla;pla00115", "ANA"}), QVariant(true));
    EXPECT_EQ(c->Call("ExisteAcesso", QVariantList{"PLA;PLA00124", "ANA"}), QVariant(false));
    EXPECT_THROW(c->Call("ExisteAcesso", QVariantList{"PLA;PLA00115", "SUP"}), ERpcError)
        << "only about oneself";
}

TEST_P(Methods, SignInAndOutOverBothTransports) {
    for (const bool http : {false, true}) {
        auto t = server_->Transport(http);
        try {
            SignIn(*t, "ANA", "errada");
            FAIL();
        } catch (const ERpcError& e) {
            EXPECT_EQ(e.Status(), 401);
            EXPECT_EQ(e.message(), "Operador ou senha inválidos.");
        }
        const TSignedIn s = SignIn(*t, "ana", "senha-da-ana");
        EXPECT_GT(s.Expira, Instante());
        auto c = std::make_unique<TNetConnection>("net");
        c->SetServerName("Pla00100.rdmParamCardIndu");
        c->SetTokenSource([token = s.Token] { return token; });
        c->SetTransportFactory([&](const TNetConnection&) { return server_->Transport(http); });
        EXPECT_EQ(CheckResultServ(c->Call("CheckAutOper", QVariantList{"ANA"})).toList().size(),
                  17);
        SignOut(*t, s.Token);
        try {
            c->Call("CheckAutOper", QVariantList{"ANA"});
            FAIL() << "a closed session calls nothing";
        } catch (const ERpcError& e) {
            EXPECT_EQ(e.Status(), 401);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, Methods, ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

class Admin : public ::testing::TestWithParam<TEngine> {};

TEST_P(Admin, RefusedCommandsChangeNothing) {
    TDatabasePool pool(test::FreshDatabase(GetParam()));
    TDatabase& db = pool.ForThisThread();
    Migrate(db);
    TNewOperator op;
    op.Code = "BIA";
    op.Name = "Beatriz";
    op.Password = "curta";
    EXPECT_THROW(AddOperator(db, op, 1000), EPlaError) << "password too short";
    op.Password = "comprida-o-bastante";
    op.Branch = "0009";
    EXPECT_THROW(AddOperator(db, op, 1000), EPlaError) << "unknown branch";
    op.Branch.clear();
    op.Permissions = "1111";
    EXPECT_THROW(AddOperator(db, op, 1000), EPlaError);
    op.Permissions = QString(17, '1');
    op.Code = "bia muito longa demais";
    EXPECT_THROW(AddOperator(db, op, 1000), EPlaError);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM OPERADOR").toInt(), 0);
    op.Code = "bia";
    AddOperator(db, op, 1000);
    EXPECT_THROW(AddOperator(db, op, 1000), EPlaError) << "already there";
    EXPECT_THROW(Grant(db, "BIA", QString(), {"PLA;PLA00115", "sem-ponto-e-virgula"}, {}),
                 EPlaError);
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM ACESSOTELA").toInt(), 0) << "all or nothing";
    Grant(db, "BIA", "10000000000000000", {"PLA;PLA00115"}, {12});
    Grant(db, "BIA", QString(), {"PLA;PLA00115"}, {12}); // again: no duplicates
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM ACESSOTELA").toInt(), 1);
    EXPECT_EQ(db.Scalar("SELECT IDSUPERVISOR FROM OPERADOR").toString(), "S");
    EXPECT_THROW(SetPassword(db, "NINGUEM", "outra-senha-boa"), EPlaError);

    TSessionService sessions(pool);
    const TSession s = sessions.Open("BIA", "comprida-o-bastante");
    SetPassword(db, "bia", "outra-senha-boa", 1000);
    EXPECT_FALSE(sessions.Authenticate(s.Token)) << "a new password ends old sessions";
    EXPECT_THROW(sessions.Open("BIA", "comprida-o-bastante"), EPlaError);
    EXPECT_NO_THROW(sessions.Open("BIA", "outra-senha-boa"));
}

INSTANTIATE_TEST_SUITE_P(Engines, Admin, ::testing::Values(TEngine::SQLite, TEngine::PostgreSQL),
                         [](const auto& info) { return test::EngineName(info.param); });

} // namespace
