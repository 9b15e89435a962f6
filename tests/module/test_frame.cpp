#include "core/clock.h"
#include "core/dates.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/mask_edit.h"
#include "host/package_loader.h"
#include "module/frame/creation.h"
#include "module/frame/decision_cube_capacity.h"
#include "module/frame/module_state.h"
#include "module/planning/month_format.h"
#include "module/planning/param_card_indu.h"
#include "qt_print.h"
#include "signed_in_host.h"

#include <QApplication>
#include <QGroupBox>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::module;

namespace {

int openPlanningScreens() {
    int n = 0;
    for (QWidget* w : QApplication::allWidgets()) {
        n += qobject_cast<TfrmParamCardIndu*>(w) && !w->testAttribute(Qt::WA_WState_Hidden) ? 1 : 0;
    }
    return n;
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(DecisionCube, CapacityNeverOverflows) {
    constexpr quint64 GB = 1024ULL * 1024 * 1024;
    EXPECT_EQ(DecisionCubeCapacity(GB, GB), qint64(GB + GB / 2));
    EXPECT_EQ(DecisionCubeCapacity(3 * GB, 0), 2147483647);
    EXPECT_EQ(DecisionCubeCapacity(4294967295ULL, 0), 2147483647) << "all 32 bits set";
    EXPECT_EQ(DecisionCubeCapacity(GB, 4294967295ULL), qint64(GB + 2147483647ULL / 2));
    EXPECT_EQ(DecisionCubeCapacity(GB, 64 * GB), qint64(GB + 2147483647ULL / 2));
    EXPECT_EQ(DecisionCubeCapacity(2 * GB - 1, 2 * GB - 2), 2147483647) << "the sum is capped";
    EXPECT_EQ(DecisionCubeCapacity(0, 0), 0);
}

TEST(DecisionCube, StartUpReadsTheMemoryStatus) {
    SetPlanejamentoCriado(true);
    boIdCriado = true;
    SetMemoryCapacity(-1);
    InitializeUnits();
    EXPECT_FALSE(PlanejamentoCriado());
    EXPECT_FALSE(boIdCriado);
    const TMemoryStatus m = GlobalMemoryStatus();
    EXPECT_GT(m.AvailablePhysical, 0u) << "/proc/meminfo is read";
    EXPECT_EQ(MemoryCapacity(), DecisionCubeCapacity(m.AvailablePhysical, m.AvailablePageFile));
    EXPECT_GT(MemoryCapacity(), 0);

    stCdServico = "00001";
    stNmServico = "Almoço";
    stNrCardapio = "0000000001";
    FinalizeUnits();
    EXPECT_TRUE(stCdServico.isEmpty() && stNmServico.isEmpty() && stNrCardapio.isEmpty());
}

TEST(MonthFormat, DerivedFromTheShortDateFormat) {
    EXPECT_EQ(FormatoMes("dd/mm/yyyy"), "mm/yyyy");
    EXPECT_EQ(FormatoMes("d/m/yy"), "mm/yy");
    EXPECT_EQ(FormatoMes("d/M/yy"), "MM/yy");
    EXPECT_EQ(FormatoMes("dd/MM/yyyy"), "MM/yyyy");
    EXPECT_EQ(FormatoMes("M/d/yyyy"), "MM/yyyy");
    EXPECT_EQ(FormatoMes("yyyy-MM-dd"), "yyyy-MM");
    EXPECT_EQ(FormatoMes("dd.MM.yy"), "MM.yy");
    EXPECT_EQ(FormatDateTime(FormatoMes("d/m/yy"), QDate(2026, 3, 1)), "03/26");
}

TEST(Package, LoadsByNameAndExportsItsCreationFunctions) {
    auto p = host::TPackage::Load("Pkg_pla00100", {QStringLiteral(PLA_PACKAGE_DIR)});
    for (const char* f :
         {"IniProc", "CriaElabCard", "CriaLogCardCiclo", "PlaInitialize", "PlaFinalize"}) {
        EXPECT_TRUE(p->Exports(QString::fromLatin1(f))) << f;
    }
    EXPECT_THROW(host::TPackage::Load("Pkg_pla99999", {QStringLiteral(PLA_PACKAGE_DIR)}),
                 EPlaError);
}

class Frame : public ::testing::Test {
protected:
    Frame()
        : server_(test::TEngine::SQLite, Hoje())
        , host_(server_, "NUTRI1") {
        presenterScope_ = std::make_unique<host::TPresenterScope>(presenter_);
    }
    ~Frame() override {
        if (frmParamCardIndu) {
            frmParamCardIndu->close();
        }
        settle();
    }

    test::TEmbeddedServer server_;
    test::TSignedInHost host_;
    host::TScriptedPresenter presenter_;
    std::unique_ptr<host::TPresenterScope> presenterScope_;
};

TEST_F(Frame, OnePlanningScreenShownAgainOnTheSecondCall) {
    InitializeUnits();
    IniProc();
    ASSERT_TRUE(frmParamCardIndu);
    TfrmParamCardIndu* first = frmParamCardIndu;
    EXPECT_TRUE(PlanejamentoCriado());
    host::THostContext::SetWindowState(first, Qt::WindowMinimized);
    CriaElabCard();
    settle();
    EXPECT_EQ(frmParamCardIndu.data(), first);
    EXPECT_EQ(openPlanningScreens(), 1);
    EXPECT_FALSE(host::THostContext::WindowState(first) & Qt::WindowMinimized)
        << "shown again in its normal state";
    EXPECT_EQ(first->medCdFilial->text(), "0001") << "the host's branch";
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();

    // Closing clears the flag and lets a new one be created.
    EXPECT_TRUE(first->close());
    settle();
    EXPECT_FALSE(PlanejamentoCriado());
    EXPECT_FALSE(frmParamCardIndu) << "the screen released itself";
    CriaElabCard();
    EXPECT_TRUE(frmParamCardIndu);
    EXPECT_NE(frmParamCardIndu.data(), nullptr);
}

TEST_F(Frame, ClosingDisconnectsTheConnectionKeptOpen) {
    host::Host().KeepConnected = true;
    CriaElabCard();
    ASSERT_TRUE(frmParamCardIndu);
    TfrmParamCardIndu* f = frmParamCardIndu;
    EXPECT_TRUE(f->netParamCardIndu->Connected());
    EXPECT_EQ(f->ConnectionCount(*f->netParamCardIndu), 1);
    // Calls in between leave it open.
    f->GetParamPlaneja("0001");
    EXPECT_TRUE(f->netParamCardIndu->Connected());
    EXPECT_EQ(f->ConnectionCount(*f->netParamCardIndu), 1);
    f->close();
    EXPECT_FALSE(f->netParamCardIndu->Connected());
    EXPECT_EQ(f->ConnectionCount(*f->netParamCardIndu), 0);
    settle();
}

TEST_F(Frame, WithoutKeepingConnectedEveryCallConnectsAndDisconnects) {
    CriaElabCard();
    TfrmParamCardIndu* f = frmParamCardIndu;
    EXPECT_FALSE(f->netParamCardIndu->Connected());
    EXPECT_FALSE(f->netCustProd->Connected()) << "the cost types were read and released";
    EXPECT_EQ(f->ConnectionCount(*f->netParamCardIndu), 0);
    EXPECT_EQ(f->ConnectionCount(*f->netCustProd), 0);
    // A failing call still releases its connection.
    host::Host().Token = "sessao-invalida";
    EXPECT_THROW(f->GetParamPlaneja("0001"), EPlaError);
    EXPECT_FALSE(f->netParamCardIndu->Connected());
    EXPECT_EQ(f->ConnectionCount(*f->netParamCardIndu), 0);
}

TEST_F(Frame, NoOperatorNoPlanning) {
    host::Host().Operador.clear();
    CriaElabCard();
    const QString noOperator = "Função não disponível. Não há operador cadastrado no sistema.";
    EXPECT_EQ(presenter_.LastText(), noOperator);
    ASSERT_TRUE(frmParamCardIndu);
    TfrmParamCardIndu* f = frmParamCardIndu;
    // Later activations stay closed to use: the message again, nothing to confirm.
    presenter_.Clear();
    f->Activate();
    EXPECT_EQ(presenter_.LastText(), noOperator);
    EXPECT_FALSE(f->grbDadosRel->isEnabled());
    EXPECT_FALSE(f->sbtConfirma->isEnabled());
    presenter_.Clear();
    formExtCardMens = nullptr;
    host::RunHandler([f] { f->sbtConfirmaClick(); });
    EXPECT_EQ(presenter_.LastText(), noOperator);
    EXPECT_EQ(formExtCardMens, nullptr) << "no monthly screen without an operator";
}

} // namespace
