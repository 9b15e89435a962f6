#pragma once

#include "core/messages.h"

#include <QWidget>

class QAction;
class QDialog;
class QMenu;
class QMenuBar;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QToolButton;
class QVBoxLayout;

namespace pla::host {

enum class TCloseAction { None, Hide, Free, Minimize };

// What every screen is: a form with its screen code shown (lblCodTela), its message
// catalogue (msgPadrao), and the form events the screens write: created, first and
// later activations, the question whether it may close, and the close itself. A form
// is an MDI child of the main window, or runs modally through the host.
class TForm : public QWidget {
    Q_OBJECT

public:
    TForm(const QString& screenCode, const QString& caption, QWidget* parent = nullptr);
    ~TForm() override;

    QLabel* lblCodTela = nullptr;
    TMessages msgPadrao;

    const QString& ScreenCode() const { return screenCode_; }
    // The help page of the screen (F1): 12300 and the screen number's last three
    // digits, unless the screen names its own.
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }

    // Runs the form modally (through the modal runner, so tests can script it); the
    // answer is the modal result set by the form (or by closing it: cancel).
    int ShowModal();
    // Runs FormActivate: on every show, and when the main window brings the form
    // forward; the first time with first = true.
    void Activate();
    int ModalResult() const { return modalResult_; }
    // How the screen first opens in the main window, until the planner leaves it
    // otherwise (remembered per operator).
    virtual Qt::WindowState JanelaInicial() const { return Qt::WindowNoState; }
    void SetModalResult(int result); // a non-zero result closes a modal form

protected:
    virtual void FormCreate() {}
    virtual void FormActivate(bool first) { Q_UNUSED(first); }
    virtual bool FormCloseQuery() { return true; }
    virtual void FormClose(TCloseAction& action) { Q_UNUSED(action); }

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString screenCode_;
    int helpContext_ = 0;
    bool created_ = false;
    bool activated_ = false;
    int modalResult_ = 0;
    QDialog* modalHost_ = nullptr;
};

// The general routine form: a top bar (panMenu) with a help text (panHelp) and the
// buttons (panBotoes, with sbtConfirma), and the data group (grbDadosRel).
class TfrmRotiGeral : public TForm {
    Q_OBJECT

public:
    TfrmRotiGeral(const QString& screenCode, const QString& caption, QWidget* parent = nullptr);

    QWidget* panMenu = nullptr;
    QLabel* panHelp = nullptr;
    QWidget* panBotoes = nullptr;
    QToolButton* sbtConfirma = nullptr;
    QToolButton* sbtAjuda = nullptr; // the screen's help page, as F1
    QGroupBox* grbDadosRel = nullptr;

protected:
    // The click of the confirm button, run inside the handler guard.
    virtual void sbtConfirmaClick() {}
    QHBoxLayout* ButtonsLayout() const { return buttons_; }

private:
    QHBoxLayout* buttons_ = nullptr;
};

// The import/export form: as the routine form, with the action button
// sbtImportExport in place of confirm and a progress panel (panProgresso,
// pgbProgresso) shown while the action runs.
class TfrmPadrImportExport : public TForm {
    Q_OBJECT

public:
    TfrmPadrImportExport(const QString& screenCode, const QString& caption,
                         QWidget* parent = nullptr);

    QWidget* panMenu = nullptr;
    QWidget* panBotoes = nullptr;
    QToolButton* sbtImportExport = nullptr;
    QToolButton* sbtAjuda = nullptr; // the screen's help page, as F1
    QGroupBox* grbDadosRel = nullptr;
    QWidget* panProgresso = nullptr;
    QProgressBar* pgbProgresso = nullptr;

protected:
    virtual void sbtImportExportClick() {}
};

// The simple maintenance form (the monthly menu screen's base): a name shown from
// the data source (dbtNome), the buttons confirm, cancel, include, alter, exclude,
// check, help, print and close, and the main menu with the operation and maintenance
// items; the menu items run their buttons' clicks.
class TfrmPadraoSimples : public TForm {
    Q_OBJECT

public:
    TfrmPadraoSimples(const QString& screenCode, const QString& caption, QWidget* parent = nullptr);

    QWidget* panMenu = nullptr;
    QLabel* dbtNome = nullptr;
    QToolButton *sbtConfirmar = nullptr, *sbtCancelar = nullptr, *sbtIncluir = nullptr,
                *sbtAlterar = nullptr, *sbtExcluir = nullptr, *sbtVerificar = nullptr,
                *sbtAjuda = nullptr, *sbtImprimir = nullptr, *sbtFechar = nullptr;
    QMenuBar* mnuMenu = nullptr;
    QMenu *mnuOperacao = nullptr, *mnuManutencao = nullptr;
    QAction *mnuListagem = nullptr, *mnuConfigImpressora = nullptr, *mnuIncluir = nullptr,
            *mnuAlterar = nullptr, *mnuExcluir = nullptr, *mnuVerificar = nullptr,
            *mnuOrdenar = nullptr, *mnuCancelar = nullptr, *mnuConfirmar = nullptr;
    QWidget* Client() const { return client_; } // where the screen puts its own controls
    QHBoxLayout* ToolbarLayout() const { return toolbar_; }

protected:
    virtual void sbtConfirmarClick() {}
    virtual void sbtCancelarClick() {}
    virtual void sbtIncluirClick() {}
    virtual void sbtAlterarClick() {}
    virtual void sbtExcluirClick() {}
    virtual void sbtVerificarClick() {}
    virtual void sbtImprimirClick() {}
    virtual void sbtFecharClick() { close(); }
    virtual void sbtAjudaClick();
    // The page set-up of the printouts (where the screen allows it).
    virtual void mnuConfigImpressoraClick();

private:
    QWidget* client_ = nullptr;
    QHBoxLayout* toolbar_ = nullptr;
};

// Shows the progress panel for the life of the scope, hidden again at its end.
class TProgressScope {
public:
    TProgressScope(TfrmPadrImportExport& form, int maximum);
    ~TProgressScope();
    void Step(); // one more done; lets the bar move
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

private:
    TfrmPadrImportExport& form_;
};

} // namespace pla::host
