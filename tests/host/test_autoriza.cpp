#include "../server/db_fixture.h"
#include "core/dates.h"
#include "host/autoriza.h"
#include "host/dialog_presenter.h"
#include "host/modal_runner.h"
#include "qt_print.h"
#include "rpc/session_client.h"
#include "server/admin.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

TEST(AutorizaDialog, ASupervisorSignsForOneOperation) {
    server::TDatabasePool pool(test::FreshDatabase(test::TEngine::SQLite));
    server::TDatabase& db = pool.ForThisThread();
    server::Migrate(db);
    for (const auto& [code, pw] :
         {std::pair{"ANA", "senha-da-ana"}, std::pair{"SUP", "senha-do-sup"}}) {
        server::TNewOperator op;
        op.Code = code;
        op.Name = code;
        op.Password = pw;
        server::AddOperator(db, op, 1000);
    }
    server::Grant(db, "SUP", QString(), {}, {7});
    server::TSessionService sessions(pool);
    server::TDispatcher dispatcher(sessions);
    dispatcher.SetDatabase([&] { return &pool.ForThisThread(); });
    server::AddAllModules(dispatcher, sessions);
    server::TInProcessTransport signer(dispatcher);
    const QString token = rpc::SignIn(signer, "ANA", "senha-da-ana").Token;
    rpc::TNetConnection net("netAutoriza");
    net.SetServerName("Est.rdmAutoriza");
    net.SetTokenSource([token] { return token; });
    net.SetTransportFactory([&](const rpc::TNetConnection&) {
        return std::make_unique<server::TInProcessTransport>(dispatcher);
    });

    TScriptedPresenter shown;
    TPresenterScope presenter(shown);
    QStringList typed{"sup", "senha-errada", "sup", "senha-do-sup"};
    int runs = 0;
    TModalRunner::TScope script([&](QDialog& d) {
        auto& dialog = dynamic_cast<TAutorizaDialog&>(d);
        ++runs;
        QTest::keyClicks(dialog.Supervisor(), typed.takeFirst());
        QTest::keyClicks(dialog.Password(), typed.takeFirst());
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(Autoriza(net, 7, "ALTERACAO_DATA_REFERENCIA"));
    EXPECT_EQ(runs, 2) << "a refusal lets the supervisor try again";
    EXPECT_EQ(shown.Texts(), QStringList{"Supervisor ou senha inválidos."});
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM LOGAUTORIZ").toInt(), 1);

    TModalRunner::TScope giveUp([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_FALSE(Autoriza(net, 12, "ALT_REC_CUS"));
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM LOGAUTORIZ").toInt(), 1);
}

} // namespace
