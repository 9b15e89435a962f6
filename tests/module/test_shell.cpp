#include "core/clock.h"
#include "core/dates.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/mask_edit.h"
#include "host/shell/backend.h"
#include "host/shell/main_window.h"
#include "host/shell/sign_in_window.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"
#include "qt_print.h"
#include "server/embedded_server.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pla;

namespace {

// The demonstration database as a file, as the embedded sign-in opens it.
class Shell : public ::testing::Test {
protected:
    Shell()
        : server_(test::TEngine::SQLite, Hoje())
        , presenterScope_(presenter_) {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }
    ~Shell() override {
        host::Host().Reset();
        host::Host().SetSharedConnection(nullptr);
        host::Host().SetTransportFactory(nullptr);
        QSettings().clear();
    }
    QString password(const QString& op) {
        for (const auto& o : server_.Demo().Operators) {
            if (o.Code == op) {
                return o.Password;
            }
        }
        return {};
    }

    test::TEmbeddedServer server_;
    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
};

TEST_F(Shell, SignInRefusesAWrongPasswordAndKeepsWhatWasTyped) {
    host::TSignInWindow w;
    w.rbtEmbutido->setChecked(true);
    w.edtArquivo->setText(server_.Url().Path);
    w.edtOperador->setText("nutri1");
    w.edtSenha->setText("errada");
    EXPECT_FALSE(w.Entrar());
    EXPECT_EQ(w.lblMensagem->text(), "Operador ou senha inválidos.");
    EXPECT_EQ(w.edtOperador->text(), "nutri1");
    EXPECT_TRUE(host::Host().Operador.isEmpty());

    w.edtSenha->setText(password("NUTRI1"));
    ASSERT_TRUE(w.Entrar()) << w.lblMensagem->text().toStdString();
    EXPECT_EQ(host::Host().Operador, "NUTRI1");
    EXPECT_EQ(host::Host().NmOperador, "Fernanda Lima");
    EXPECT_EQ(host::Host().FiliProc, "0001");
    EXPECT_TRUE(host::Host().WebURL.isEmpty()) << "embedded: calls in process";
    auto backend = w.TakeBackend();

    // The choice is remembered.
    host::TSignInWindow again;
    EXPECT_TRUE(again.rbtEmbutido->isChecked());
    EXPECT_EQ(again.edtArquivo->text(), server_.Url().Path);
    EXPECT_EQ(again.edtOperador->text(), "NUTRI1");
    backend->SignOut();
    EXPECT_TRUE(host::Host().Operador.isEmpty());
}

TEST_F(Shell, AnUnreachableServerIsSaidPlainly) {
    host::TSignInWindow w;
    w.rbtServidor->setChecked(true);
    w.edtServidor->setText("127.0.0.1");
    w.spnPorta->setValue(9); // discard: nothing listens
    w.edtConsultas->setText("sqlite:" + server_.Url().Path);
    w.edtOperador->setText("NUTRI1");
    w.edtSenha->setText("x");
    EXPECT_FALSE(w.Entrar());
    EXPECT_FALSE(w.lblMensagem->text().isEmpty());
    w.edtConsultas->clear();
    EXPECT_FALSE(w.Entrar());
    EXPECT_EQ(w.lblMensagem->text(), "Banco de dados das consultas deve ser informado.");
    w.edtOperador->clear();
    EXPECT_FALSE(w.Entrar());
    EXPECT_EQ(w.lblMensagem->text(), "Operador deve ser informado.");
}

TEST_F(Shell, MainWindowOpensPlanningAndShowsWhoWorksWhere) {
    std::optional<server::TDemoResult> created;
    auto backend = host::TBackend::OpenEmbedded(server_.Url().Path, created);
    EXPECT_FALSE(created) << "an existing database is not seeded again";
    backend->SignIn("CENTRAL", password("CENTRAL"));
    host::Host().ReportFolders = {QStringLiteral(PLA_REPORT_DIR)};
    {
        host::TMainWindow main(std::move(backend), {QStringLiteral(PLA_PACKAGE_DIR)});
        EXPECT_EQ(main.lblOperador->text(), "Operador: CENTRAL - Marina Duarte");
        EXPECT_EQ(main.lblFilial->text(), "Filial: 0002 - Cozinha Central São Paulo");
        EXPECT_TRUE(main.lblData->text().endsWith(Hoje().addDays(-1).toString("dd/MM/yyyy")));
        main.show();
        main.actElaboracao->trigger();
        ASSERT_EQ(main.MdiArea()->subWindowList().size(), 1)
            << presenter_.Texts().join(" | ").toStdString();
        auto* planning = qobject_cast<module::TfrmParamCardIndu*>(
            main.MdiArea()->subWindowList().first()->widget());
        ASSERT_NE(planning, nullptr);
        EXPECT_EQ(planning->medCdFilial->text(), "0002");
        main.actElaboracao->trigger();
        EXPECT_EQ(main.MdiArea()->subWindowList().size(), 1) << "one planning screen";
        planning->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(main.MdiArea()->subWindowList().isEmpty()) << "its frame goes with it";
    }
    EXPECT_TRUE(host::Host().Operador.isEmpty()) << "signed out with the window";
}

TEST_F(Shell, TheMonthlyScreenOpensMaximizedAndReopensAsThePlannerLeftIt) {
    std::optional<server::TDemoResult> created;
    auto backend = host::TBackend::OpenEmbedded(server_.Url().Path, created);
    backend->SignIn("NUTRI1", password("NUTRI1"));
    host::TMainWindow main(std::move(backend), {QStringLiteral(PLA_PACKAGE_DIR)});
    main.resize(1200, 800);
    main.show();
    const auto openMonth = [&]() -> QMdiSubWindow* {
        main.actElaboracao->trigger();
        auto* planning = module::frmParamCardIndu.data();
        EXPECT_NE(planning, nullptr);
        if (!planning) {
            return nullptr;
        }
        planning->medCdServico->setText("00001");
        planning->depMesCard->SetDate(PriDiaMes(Hoje()).addMonths(1));
        planning->sbtConfirma->click();
        for (QMdiSubWindow* sub : main.MdiArea()->subWindowList()) {
            if (qobject_cast<module::TfrmCardMens*>(sub->widget())) {
                return sub;
            }
        }
        return nullptr;
    };
    QMdiSubWindow* first = openMonth();
    ASSERT_NE(first, nullptr) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_TRUE(first->windowState() & Qt::WindowMaximized) << "room for the month";
    first->showNormal();
    first->setGeometry(20, 10, 900, 500);
    first->widget()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QMdiSubWindow* again = openMonth();
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(again->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(again->size(), QSize(900, 500));
}

TEST_F(Shell, AMissingPackageIsReported) {
    std::optional<server::TDemoResult> created;
    auto backend = host::TBackend::OpenEmbedded(server_.Url().Path, created);
    backend->SignIn("NUTRI1", password("NUTRI1"));
    QTemporaryDir empty;
    host::TMainWindow main(std::move(backend), {empty.path()});
    main.AbrirElaboracao();
    EXPECT_TRUE(presenter_.LastText().contains("Pkg_pla00100"))
        << presenter_.LastText().toStdString();
    EXPECT_TRUE(main.MdiArea()->subWindowList().isEmpty());
}

TEST_F(Shell, AFreshEmbeddedDatabaseIsCreatedWithTheDemonstration) {
    QTemporaryDir dir;
    std::optional<server::TDemoResult> created;
    auto backend = host::TBackend::OpenEmbedded(dir.filePath("novo/pla.db"), created);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Operators.size(), 8);
    EXPECT_TRUE(QFile::exists(dir.filePath("novo/pla.db")));
}

} // namespace
