#include "host/base_forms.h"
#include "host/busy_scopes.h"
#include "host/dialog_presenter.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/modal_runner.h"
#include "host/page_setup.h"
#include "host/translations.h"
#include "host/window_memory.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

// While a screen or a message waits for the planner, the normal cursor shows; the
// busy one comes back after.

TEST(WaitingForThePlanner, MessagesAndModalScreensShowTheNormalCursor) {
    TScriptedPresenter presenter;
    TPresenterScope scope(presenter);
    ASSERT_EQ(CursorShown(), Qt::ArrowCursor);
    {
        THourglass busy;
        ASSERT_EQ(CursorShown(), Qt::WaitCursor);
        TDialogPresenter::Current().Error(QStringLiteral("Um erro."));
        presenter.Answer(mrYes);
        TDialogPresenter::Current().Message(QStringLiteral("Confirma?"), TMsgDlgType::Confirmation,
                                            mbYes | mbNo);
        Qt::CursorShape inModal = Qt::WaitCursor;
        {
            TModalRunner::TScope script([&inModal](QDialog&) {
                inModal = CursorShown();
                return int(QDialog::Accepted);
            });
            QDialog dialog;
            TModalRunner::Run(dialog);
        }
        EXPECT_EQ(inModal, Qt::ArrowCursor);
        EXPECT_EQ(CursorShown(), Qt::WaitCursor) << "busy again after the modal";
    }
    EXPECT_EQ(CursorShown(), Qt::ArrowCursor);
    ASSERT_EQ(presenter.Shown().size(), 2);
    for (const auto& shown : presenter.Shown()) {
        EXPECT_EQ(shown.Cursor, Qt::ArrowCursor) << shown.Text.toStdString();
    }
}

TEST(WaitingForThePlanner, TheWaitAnimationStepsAsideAndComesBack) {
    QWidget form;
    form.resize(400, 300);
    form.show();
    TWaitAnimation wait(&form, 1);
    ASSERT_TRUE(WaitAnimationVisible());
    {
        TNormalCursor waiting;
        EXPECT_FALSE(WaitAnimationVisible());
    }
    EXPECT_TRUE(WaitAnimationVisible());
}

// The help: a page per screen, the index of them all, F1 and the help button.

class Help : public ::testing::Test {
protected:
    Help() {
        write(AjudaGeral, "Visão geral", "<p>Tudo.</p>");
        write(12300101, "Cardápio mensal (PLA00101)", "<p>A grade.</p>");
        write(12300100, "Parâmetros (PLA00100)", "<p>Os parâmetros.</p>");
        Host().HelpFolders = {dir_.path()};
    }
    ~Help() override {
        if (THelpWindow* w = THelpWindow::Current()) {
            delete w;
        }
        Host().HelpFolders.clear();
    }
    void write(int context, const char* title, const char* body) {
        QFile f(dir_.filePath(QStringLiteral("%1.html").arg(context)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("<html><head><title>%1</title></head><body>%2</body></html>")
                    .arg(QString::fromUtf8(title), QString::fromUtf8(body))
                    .toUtf8());
    }
    QTemporaryDir dir_;
};

TEST_F(Help, TheHelpButtonAndF1OpenTheScreensPageWithTheIndex) {
    TfrmPadraoSimples form(QStringLiteral("PLA00101"), QStringLiteral("Tela"));
    EXPECT_EQ(form.HelpContext(), 12300101) << "12300 and the screen number";
    form.show();
    form.sbtAjuda->click();
    THelpWindow* w = THelpWindow::Current();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->CurrentContext(), 12300101);
    EXPECT_EQ(w->CurrentTitle(), "Cardápio mensal (PLA00101)");
    ASSERT_EQ(w->lstIndice->count(), 3);
    EXPECT_EQ(w->lstIndice->item(0)->text(), "Visão geral") << "the overview first";
    EXPECT_EQ(w->lstIndice->currentItem()->text(), "Cardápio mensal (PLA00101)");
    // Another page from the index, in the same window.
    w->lstIndice->setCurrentRow(2);
    EXPECT_EQ(w->CurrentContext(), 12300100);
    EXPECT_EQ(THelpWindow::Current(), w);

    // F1 on a screen of its own.
    TfrmRotiGeral other(QStringLiteral("PLA00100"), QStringLiteral("Outra"));
    other.SetHelpContext(AjudaGeral);
    other.show();
    QApplication::setActiveWindow(&other);
    other.sbtConfirma->setFocus();
    QTest::keyClick(other.sbtConfirma, Qt::Key_F1);
    EXPECT_EQ(w->CurrentContext(), AjudaGeral);
}

TEST_F(Help, AScreenWithoutAPageSaysSoAndKeepsTheIndex) {
    MostraAjuda(12309999);
    THelpWindow* w = THelpWindow::Current();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->txtAjuda->toPlainText().contains("Não há página de ajuda para esta tela"));
    EXPECT_EQ(w->lstIndice->count(), 3);
}

TEST(HelpPages, EveryScreenBuiltSoFarHasItsPage) {
    const QDir pages(QStringLiteral(PLA_HELP_DIR));
    for (const int context :
         {AjudaGeral, 12300001, 12300002, 12300100, 12300101, 12300103, 12300108,
          12300109,   12300110, 12300114, 12300115, 12300117, 12300118, 12300120,
          12300111,   12300124, 12300126, 12300132, 12300134, 12300140, 12306100,
          12300113,   12300106, 12300107, 12300122}) {
        QFile f(pages.filePath(QStringLiteral("%1.html").arg(context)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << context;
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(html.contains("<title>") && html.contains("lang=\"pt-BR\"")) << context;
    }
}

// The printouts' page, chosen in the page set-up and remembered.

TEST(PageSetup, ThePageIsRememberedAndTheSetUpOpensFromTheForms) {
    QSettings().remove(QStringLiteral("impressao"));
    QPageLayout page = PaginaImpressao();
    EXPECT_EQ(page.pageSize().id(), QPageSize::A4);
    EXPECT_EQ(page.orientation(), QPageLayout::Portrait);
    EXPECT_DOUBLE_EQ(page.margins(QPageLayout::Millimeter).left(), 15);

    DefinePaginaImpressao(QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape,
                                      QMarginsF(10, 12, 10, 12), QPageLayout::Millimeter));
    page = PaginaImpressao();
    EXPECT_EQ(page.pageSize().id(), QPageSize::A5);
    EXPECT_EQ(page.orientation(), QPageLayout::Landscape);
    EXPECT_DOUBLE_EQ(page.margins(QPageLayout::Millimeter).top(), 12);

    TfrmPadraoSimples form(QStringLiteral("PLA00999"), QStringLiteral("Tela"));
    QString opened;
    {
        TModalRunner::TScope script([&opened](QDialog& d) {
            opened = d.objectName();
            return int(QDialog::Rejected);
        });
        form.mnuConfigImpressora->trigger();
    }
    EXPECT_EQ(opened, "dlgConfigImpressora");
    EXPECT_EQ(PaginaImpressao().pageSize().id(), QPageSize::A5) << "cancelled: unchanged";
    // Chosen and confirmed: the printouts use it from now on.
    {
        TModalRunner::TScope script([](QDialog& d) {
            auto* setup = qobject_cast<TfrmConfigImpressora*>(&d);
            EXPECT_NE(setup, nullptr);
            EXPECT_EQ(setup->cbbPapel->currentText(), "A5 (148 × 210 mm)") << "opens on the page";
            EXPECT_TRUE(setup->rbtPaisagem->isChecked());
            setup->cbbPapel->setCurrentIndex(setup->cbbPapel->findData(int(QPageSize::Letter)));
            setup->rbtRetrato->setChecked(true);
            setup->nedEsquerda->setValue(20);
            return int(QDialog::Accepted);
        });
        form.mnuConfigImpressora->trigger();
    }
    page = PaginaImpressao();
    EXPECT_EQ(page.pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(page.orientation(), QPageLayout::Portrait);
    EXPECT_DOUBLE_EQ(page.margins(QPageLayout::Millimeter).left(), 20);
    EXPECT_DOUBLE_EQ(page.margins(QPageLayout::Millimeter).top(), 12);
    QSettings().remove(QStringLiteral("impressao"));
}

// Each screen's window, as the planner left it, per operator.

TEST(WindowMemory, ModalScreensReopenAtTheSizeTheyWereGiven) {
    Host().Operador = QStringLiteral("ANA");
    QSettings().remove(QStringLiteral("janelas"));
    TfrmRotiGeral form(QStringLiteral("PLA00998"), QStringLiteral("Tela"));
    QSize first;
    {
        TModalRunner::TScope script([&first](QDialog& d) {
            first = d.size();
            d.resize(640, 410);
            return int(QDialog::Rejected);
        });
        form.ShowModal();
    }
    EXPECT_FALSE(first.isEmpty()) << "a size that shows the content";
    QSize again;
    {
        TModalRunner::TScope script([&again](QDialog& d) {
            again = d.size();
            return int(QDialog::Rejected);
        });
        form.ShowModal();
    }
    EXPECT_EQ(again, QSize(640, 410));
    // Another operator's screens keep their own sizes.
    Host().Operador = QStringLiteral("BETO");
    QWidget frame;
    EXPECT_FALSE(RestauraJanela(QStringLiteral("PLA00998"), &frame));
    Host().Operador.clear();
    QSettings().remove(QStringLiteral("janelas"));
}

TEST(Translations, QtsOwnTextsSpeakPortuguese) {
    ASSERT_TRUE(InstalaTraducoesQt(QLocale(QLocale::Portuguese, QLocale::Brazil)))
        << "Qt's translations (qt6-translations-l10n, installed by scripts/setup)";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Sim");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), "&Não");
    QLocale::setDefault(QLocale::c());
}

} // namespace
