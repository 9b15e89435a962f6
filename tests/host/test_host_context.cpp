#include "../server/embedded_server.h"
#include "core/dates.h"
#include "host/host_context.h"
#include "qt_print.h"
#include "server/admin.h"
#include "server/in_process_transport.h"

#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

class HostContext : public ::testing::Test {
protected:
    void SetUp() override {
        srv_ = std::make_unique<test::TEmbeddedServer>();
        db::TDatabase& db = srv_->Db();
        db.Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES ('0001', 'Central', ?)",
                {DataHora(QDate(2026, 12, 5))});
        db.Exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES ('01', 'ARROZ')");
        srv_->AddOperator("ANA", "senha-da-ana");
        server::Grant(db, "ANA", QString(), {"PLA;PLA00115"}, {});
        shared_ = std::make_unique<db::TDatabase>(srv_->Url(), true);

        THostContext& h = Host();
        h.Reset();
        h.Token = srv_->SignIn("ANA", "senha-da-ana");
        h.Operador = "ANA";
        h.FiliProc = "0001";
        h.SetSharedConnection(shared_.get());
        h.SetTransportFactory(
            [this](const rpc::TNetConnection& n) -> std::unique_ptr<rpc::TRpcTransport> {
                seenAddress_ = n.Host() + ":" + QString::number(n.Port());
                return std::make_unique<server::TInProcessTransport>(srv_->Dispatcher());
            });
    }
    void TearDown() override {
        Host().Reset();
        Host().SetSharedConnection(nullptr);
        Host().SetTransportFactory(nullptr);
    }

    std::unique_ptr<test::TEmbeddedServer> srv_;
    std::unique_ptr<db::TDatabase> shared_;
    QString seenAddress_;
};

TEST_F(HostContext, ProcessingDateAndScreenAccess) {
    EXPECT_EQ(Host().DataProc("0001"), QDate(2026, 12, 5));
    EXPECT_FALSE(Host().DataProc("9999").isValid());
    EXPECT_TRUE(Host().ExisteAcesso("PLA;PLA00115", "ANA"));
    EXPECT_FALSE(Host().ExisteAcesso("PLA;PLA00124", "ANA"));
    EXPECT_EQ(Host().SiglaModulo(" pla "), "PLA");
    EXPECT_EQ(Host().RetornaIdioma(), 1);
}

TEST_F(HostContext, ConnectionsTakeTheServerAddressBeforeConnecting) {
    Host().WebURL = "planejamento.local";
    Host().WebPort = 8421;
    auto c = Host().NewConnection("netParamCardIndu", "Pla00100.rdmParamCardIndu");
    EXPECT_FALSE(c->ThrowException());
    const QVariantList perms =
        rpc::CheckResultServ(c->Call("CheckAutOper", QVariantList{"ANA"})).toList();
    EXPECT_EQ(perms.size(), 17);
    EXPECT_EQ(seenAddress_, "planejamento.local:8421");
    Host().WebURL.clear();
    Host().WebPort = 0;
}

TEST_F(HostContext, LocalCachesHoldOnlyLookupTables) {
    Host().AtualizaLocalCache({"TIPOPRAT", "filial"});
    ASSERT_NE(Host().LocalCache("tipoprat"), nullptr);
    EXPECT_EQ(Host().LocalCache("TIPOPRAT")->RecordCount(), 1);
    EXPECT_EQ(Host().LocalCache("FILIAL")->FieldByName("NMFILIAL").AsString(), "Central");
    EXPECT_THROW(Host().AtualizaLocalCache({"OPERADOR"}), EProgramError);
    EXPECT_THROW(Host().AtualizaLocalCache({"FILIAL; DROP TABLE FILIAL"}), EProgramError);
    EXPECT_EQ(Host().LocalCache("OPERADOR"), nullptr);
}

TEST_F(HostContext, OtherPackagesScreensOpenByCode) {
    QVariantList received;
    Host().RegisterScreen("pla00115", [&](const QVariantList& p) { received = p; });
    EXPECT_TRUE(Host().HasScreen("PLA00115"));
    Host().LoadBPL("PLA00115", {qlonglong(-1), 350.0});
    EXPECT_EQ(received.size(), 2);
    try {
        Host().LoadBPL("PLA00199", {});
        FAIL();
    } catch (const EPlaError& e) {
        EXPECT_EQ(e.message(), "A tela PLA00199 não está disponível nesta instalação.");
    }
}

} // namespace
