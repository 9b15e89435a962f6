#include "../server/embedded_server.h"
#include "core/dates.h"
#include "host/autoriza.h"
#include "host/dialog_presenter.h"
#include "host/modal_runner.h"
#include "qt_print.h"
#include "server/admin.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

TEST(AutorizaDialog, ASupervisorSignsForOneOperation) {
    test::TEmbeddedServer srv;
    srv.AddOperator("ANA", "senha-da-ana");
    srv.AddOperator("SUP", "senha-do-sup");
    server::Grant(srv.Db(), "SUP", QString(), {}, {7});
    auto net = srv.Connect("Est.rdmAutoriza", srv.SignIn("ANA", "senha-da-ana"));
    db::TDatabase& db = srv.Db();

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
    EXPECT_TRUE(Autoriza(*net, 7, "ALTERACAO_DATA_REFERENCIA"));
    EXPECT_EQ(runs, 2) << "a refusal lets the supervisor try again";
    EXPECT_EQ(shown.Texts(), QStringList{"Supervisor ou senha inválidos."});
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM LOGAUTORIZ").toInt(), 1);

    TModalRunner::TScope giveUp([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_FALSE(Autoriza(*net, 12, "ALT_REC_CUS"));
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM LOGAUTORIZ").toInt(), 1);
}

} // namespace
