#include "host/base_forms.h"
#include "host/dialog_presenter.h"
#include "host/host_messages.h"
#include "host/modal_runner.h"
#include "qt_print.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::host;

namespace {

// A routine screen that records its events.
class TfrmTeste : public TfrmRotiGeral {
public:
    TfrmTeste()
        : TfrmRotiGeral("PLA00199", "Tela de teste") {
        msgPadrao.AddLines({"FILI_DEVE|Filial deve ser informada."});
    }
    QStringList Events;
    bool MayClose = true;
    bool FailConfirm = true;

protected:
    void FormCreate() override { Events << "create"; }
    void FormActivate(bool first) override { Events << (first ? "first" : "again"); }
    bool FormCloseQuery() override {
        Events << "query";
        return MayClose;
    }
    void FormClose(TCloseAction& action) override {
        Events << "close";
        action = TCloseAction::Hide;
    }
    void sbtConfirmaClick() override {
        Events << "confirm";
        if (FailConfirm) {
            MensErro(msgPadrao.Msg("FILI_DEVE"));
        }
        SetModalResult(mrOk);
    }
};

TEST(BaseForms, TheRoutineFormHasItsInheritedControlsAndEvents) {
    TfrmTeste form;
    EXPECT_EQ(form.lblCodTela->text(), "PLA00199");
    EXPECT_EQ(form.sbtConfirma->objectName(), "sbtConfirma");
    EXPECT_NE(form.findChild<QGroupBox*>("grbDadosRel"), nullptr);
    EXPECT_NE(form.findChild<QWidget*>("panBotoes"), nullptr);
    form.show();
    form.hide();
    form.show();
    EXPECT_EQ(form.Events, (QStringList{"create", "first", "again"}));
    form.MayClose = false;
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible()) << "a refused close keeps the screen";
    form.MayClose = true;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(form.Events.mid(3), (QStringList{"query", "query", "close"}));
}

TEST(BaseForms, ModalFormsRunThroughTheHostAndAnswerTheirResult) {
    TScriptedPresenter shown;
    TPresenterScope presenter(shown);
    TfrmTeste form;
    TModalRunner::TScope script([&](QDialog& d) {
        EXPECT_TRUE(d.isVisible());
        QTest::mouseClick(form.sbtConfirma, Qt::LeftButton); // refused: a check fails
        EXPECT_TRUE(d.isVisible());
        form.FailConfirm = false;
        QTest::mouseClick(form.sbtConfirma, Qt::LeftButton);
        return d.result();
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(shown.Texts(), QStringList{"Filial deve ser informada."});
    EXPECT_EQ(form.Events.count("confirm"), 2);

    TModalRunner::TScope cancel([](QDialog& d) {
        d.reject();
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

class TfrmImporta : public TfrmPadrImportExport {
public:
    TfrmImporta()
        : TfrmPadrImportExport("PLA00140", "Atualizar Comensais com Base nas Dietas") {}
    int Seen = -1;

protected:
    void sbtImportExportClick() override {
        TProgressScope progress(*this, 3);
        for (int i = 0; i < 3; ++i) {
            progress.Step();
        }
        Seen = pgbProgresso->value();
        EXPECT_TRUE(panProgresso->isVisible());
        throw EPlaError("O servidor caiu no meio.");
    }
};

TEST(BaseForms, TheImportFormShowsProgressWhileItWorks) {
    TScriptedPresenter shown;
    TPresenterScope presenter(shown);
    TfrmImporta form;
    form.show();
    EXPECT_FALSE(form.panProgresso->isVisible());
    QTest::mouseClick(form.sbtImportExport, Qt::LeftButton);
    EXPECT_EQ(form.Seen, 3);
    EXPECT_FALSE(form.panProgresso->isVisible()) << "hidden again, also after an error";
    EXPECT_EQ(shown.LastText(), "O servidor caiu no meio.");
}

} // namespace

namespace {

class TfrmSimples : public pla::host::TfrmPadraoSimples {
public:
    TfrmSimples()
        : TfrmPadraoSimples("PLA00101", "Elaboração do Cardápio") {}
    QStringList Clicks;

protected:
    void sbtConfirmarClick() override { Clicks << "confirmar"; }
    void sbtExcluirClick() override {
        Clicks << "excluir";
        pla::Abort();
    }
};

TEST(BaseForms, TheSimpleFormsButtonsAndMenuItemsGoTogether) {
    TfrmSimples form;
    for (const char* name :
         {"sbtConfirmar", "sbtCancelar", "sbtIncluir", "sbtAlterar", "sbtExcluir", "sbtVerificar",
          "sbtAjuda", "sbtImprimir", "sbtFechar"}) {
        EXPECT_NE(form.findChild<QToolButton*>(name), nullptr) << name;
    }
    EXPECT_EQ(form.lblCodTela->text(), "PLA00101");
    form.show();
    form.mnuConfirmar->trigger();
    QTest::mouseClick(form.sbtExcluir, Qt::LeftButton);
    form.sbtConfirmar->setEnabled(false);
    form.mnuConfirmar->trigger(); // a disabled button's item does nothing
    EXPECT_EQ(form.Clicks, (QStringList{"confirmar", "excluir"}));
    QTest::mouseClick(form.sbtFechar, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}

} // namespace
