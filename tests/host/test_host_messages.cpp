#include "host/busy_scopes.h"
#include "host/host_messages.h"
#include "qt_print.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

const TMessages catalogue("frmTeste", {"updatecache|Deseja gravar as alterações antes de sair?",
                                       "FILI_NAO_CAD|Filial não cadastrada."});

TEST(HostMessages, MensErroShowsTheTextAndEndsTheHandler) {
    TScriptedPresenter script;
    TPresenterScope scope(script);
    bool after = false;
    const bool ranToEnd = RunHandler([&] {
        MensErro(catalogue.Msg("FILI_NAO_CAD"), true);
        after = true;
    });
    EXPECT_FALSE(ranToEnd);
    EXPECT_FALSE(after) << "nothing after MensErro runs";
    ASSERT_EQ(script.Shown().size(), 1);
    EXPECT_EQ(script.Shown()[0].Kind, "error");
    EXPECT_EQ(script.LastText(), "Filial não cadastrada.");
}

TEST(HostMessages, UnexpectedErrorsAreShownWithTheirDetail) {
    TScriptedPresenter script;
    TPresenterScope scope(script);
    EXPECT_FALSE(RunHandler([] { throw EPlaError("Servidor Pla00100.rdmParamCardIndu: caiu"); }));
    EXPECT_FALSE(RunHandler([] { throw std::runtime_error("bad_alloc"); }));
    EXPECT_FALSE(RunHandler([] { Abort(); }));
    EXPECT_TRUE(RunHandler([] {}));
    ASSERT_EQ(script.Shown().size(), 2) << "an abort shows nothing";
    EXPECT_EQ(script.Shown()[0].Kind, "detail");
    EXPECT_EQ(script.Shown()[0].Text, "Servidor Pla00100.rdmParamCardIndu: caiu");
    EXPECT_EQ(script.Shown()[1].Text, "Erro inesperado.");
    EXPECT_EQ(script.Shown()[1].Detail, "bad_alloc");
}

TEST(HostMessages, QuestionsTakeTheScriptedAnswers) {
    TScriptedPresenter script;
    TPresenterScope scope(script);
    script.Answer(mrYes);
    script.Answer(mrNo);
    EXPECT_EQ(ShowMsg(catalogue, "updatecache", TMsgDlgType::Confirmation, mbYes | mbNo), 6);
    EXPECT_EQ(ShowMsg(catalogue, "UPDATECACHE", TMsgDlgType::Confirmation, mbYes | mbNo), mrNo);
    EXPECT_EQ(script.Texts(), (QStringList{"Deseja gravar as alterações antes de sair?",
                                           "Deseja gravar as alterações antes de sair?"}));
    // A question the script did not expect is the test's mistake, reported as such.
    EXPECT_FALSE(RunHandler(
        [] { ShowMsg(catalogue, "updatecache", TMsgDlgType::Confirmation, mbYes | mbNo); }));
    EXPECT_EQ(script.Shown().last().Text, "Erro interno do programa.");
    EXPECT_THROW(ShowMsg(catalogue, "NAO_EXISTE", TMsgDlgType::Information, mbOK), EProgramError);
}

TEST(HostMessages, PresenterScopesNest) {
    TScriptedPresenter outer;
    TScriptedPresenter inner;
    {
        TPresenterScope a(outer);
        {
            TPresenterScope b(inner);
            ShowDetailError("dentro", "");
        }
        ShowDetailError("fora", "");
    }
    EXPECT_EQ(inner.Texts(), QStringList{"dentro"});
    EXPECT_EQ(outer.Texts(), QStringList{"fora"});
}

TEST(BusyScopes, TheHourglassIsRestoredAlsoOnAnError) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    try {
        THourglass busy;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("falhou");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(BusyScopes, TheWaitAnimationNestsAndEndsOnErrors) {
    QWidget form;
    form.resize(640, 480);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(WaitAnimationVisible());
    try {
        TWaitAnimation outer(&form, 1);
        EXPECT_TRUE(WaitAnimationVisible());
        EXPECT_EQ(WaitAnimationText(), "Carregando dados do servidor...");
        {
            TWaitAnimation inner(&form, 0, "Carregando parâmetros da filial...");
            EXPECT_EQ(WaitAnimationText(), "Carregando parâmetros da filial...");
        }
        EXPECT_TRUE(WaitAnimationVisible()) << "the outer call still waits";
        throw EPlaError("o servidor caiu");
    } catch (const EPlaError&) {
    }
    EXPECT_FALSE(WaitAnimationVisible());
    DeactiveShowAvi(); // one too many does no harm
    EXPECT_FALSE(WaitAnimationVisible());
}

} // namespace
