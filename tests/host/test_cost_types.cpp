#include "../server/db_fixture.h"
#include "core/dates.h"
#include "host/cost_types.h"
#include "qt_print.h"
#include "rpc/session_client.h"
#include "server/admin.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"

#include <QComboBox>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

TEST(CostTypes, ListFillSelectAndNumber) {
    server::TDatabasePool pool(test::FreshDatabase(test::TEngine::SQLite));
    server::TDatabase& db = pool.ForThisThread();
    server::Migrate(db);
    for (const auto& [nr, name] : {std::pair{48, "TABELA DE PREÇOS"}, std::pair{6, "CUSTO MÉDIO"},
                                   std::pair{10, "ÚLTIMA COMPRA"}}) {
        db.Exec("INSERT INTO TIPOCUSTO (NRTIPOCUSTO, NMTIPOCUSTO) VALUES (?, ?)", {nr, name});
    }
    server::TNewOperator op;
    op.Code = "ANA";
    op.Name = "Ana";
    op.Password = "senha-boa-1";
    server::AddOperator(db, op, 1000);
    server::TSessionService sessions(pool);
    server::TDispatcher dispatcher(sessions);
    dispatcher.SetDatabase([&] { return &pool.ForThisThread(); });
    server::AddAllModules(dispatcher, sessions);
    server::TInProcessTransport signer(dispatcher);
    const QString token = rpc::SignIn(signer, "ANA", "senha-boa-1").Token;
    rpc::TNetConnection net("netCustProd");
    net.SetServerName("Cus00000.rdmCustProd");
    net.SetTokenSource([token] { return token; });
    net.SetTransportFactory([&](const rpc::TNetConnection&) {
        return std::make_unique<server::TInProcessTransport>(dispatcher);
    });

    TCostTypeList list;
    list.Load(net);
    ASSERT_EQ(list.Items().size(), 3);
    QComboBox planned;
    list.Fill(planned);
    EXPECT_EQ(planned.itemText(0), "06 - CUSTO MÉDIO") << "in number order";
    TCostTypeList::PreencheCombo(planned, "48 - TABELA DE PREÇOS");
    EXPECT_EQ(planned.currentIndex(), 2);
    EXPECT_EQ(list.NumeroTipoCusto(planned.currentIndex()), 48);
    TCostTypeList::PreencheCombo(planned, "99 - NÃO EXISTE");
    EXPECT_EQ(planned.currentIndex(), 0) << "an unknown text selects the first";
    TCostTypeList::PreencheCombo(planned, QString());
    EXPECT_EQ(list.NumeroTipoCusto(planned.currentIndex()), 6);
    EXPECT_EQ(list.NumeroTipoCusto(-1), 0);
    EXPECT_EQ(list.NumeroTipoCusto(3), 0);
}

} // namespace
