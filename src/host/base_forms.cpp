#include "base_forms.h"

#include "exit_handler.h"
#include "help.h"
#include "host_messages.h"
#include "modal_runner.h"
#include "page_setup.h"
#include "window_memory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::host {

namespace {

QToolButton* button(QWidget* parent, const QString& name, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setText(hint);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

QWidget* topBar(QWidget* parent, QLabel*& codeLabel, const QString& screenCode) {
    auto* bar = new QWidget(parent);
    bar->setObjectName(QStringLiteral("panMenu"));
    bar->setAutoFillBackground(true);
    codeLabel = new QLabel(screenCode, parent);
    codeLabel->setObjectName(QStringLiteral("lblCodTela"));
    return bar;
}

// A screen's help page: 12300 and the screen number's last three digits.
int contextOf(const QString& screenCode) {
    bool ok = false;
    const int number = screenCode.right(3).toInt(&ok);
    return ok ? 12300000 + number : AjudaGeral;
}

} // namespace

TForm::TForm(const QString& screenCode, const QString& caption, QWidget* parent)
    : QWidget(parent)
    , msgPadrao(screenCode)
    , screenCode_(screenCode)
    , helpContext_(contextOf(screenCode)) {
    setWindowTitle(caption);
    setObjectName(QStringLiteral("frm") + screenCode);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    f1->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f1, &QShortcut::activated, this, [this] { MostraAjuda(helpContext_); });
}

TForm::~TForm() {
    // The screen's own part is gone: no exit handler may run while the controls are
    // taken down and the focus moves.
    qDeleteAll(findChildren<TExitHandler*>());
}

void TForm::showEvent(QShowEvent* event) {
    if (!created_) {
        created_ = true;
        RunHandler([this] { FormCreate(); });
    }
    QWidget::showEvent(event);
    Activate();
}

void TForm::Activate() {
    const bool first = !activated_;
    activated_ = true;
    RunHandler([this, first] { FormActivate(first); });
}

void TForm::closeEvent(QCloseEvent* event) {
    bool may = false;
    RunHandler([&] { may = FormCloseQuery(); });
    if (!may) {
        event->ignore();
        return;
    }
    TCloseAction action = TCloseAction::Hide;
    RunHandler([&] { FormClose(action); });
    if (action == TCloseAction::None) {
        event->ignore();
        return;
    }
    event->accept();
    if (!modalHost_ && parentWidget() && parentWidget()->inherits("QMdiSubWindow")) {
        LembraJanela(screenCode_, parentWidget());
    }
    if (action == TCloseAction::Free) {
        deleteLater();
    }
}

int TForm::ShowModal() {
    QDialog host;
    host.setWindowTitle(windowTitle());
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    QWidget* previousParent = parentWidget();
    setParent(&host);
    layout->addWidget(this);
    modalResult_ = 0;
    modalHost_ = &host;
    show();
    // The size the planner last gave this screen, else one that shows its content.
    if (!RestauraJanela(screenCode_, &host)) {
        host.resize(host.sizeHint());
    }
    const int dialogResult = TModalRunner::Run(host);
    LembraJanela(screenCode_, &host);
    modalHost_ = nullptr;
    layout->removeWidget(this);
    setParent(previousParent);
    hide();
    if (modalResult_ == 0) {
        modalResult_ = dialogResult == QDialog::Accepted ? mrOk : mrCancel;
    }
    return modalResult_;
}

void TForm::SetModalResult(int result) {
    modalResult_ = result;
    if (result != 0 && modalHost_) {
        if (!close()) {
            modalResult_ = 0; // the form refused to close
            return;
        }
        modalHost_->done(result == mrOk ? QDialog::Accepted : QDialog::Rejected);
    }
}

namespace {

// The top bar and the data group the routine and import/export forms share: the bar
// holds an optional help text, the buttons panel with one action button, and the
// screen code; the data group fills the rest.
struct TRoutineLayout {
    QVBoxLayout* Layout;
    QWidget* Menu;
    QLabel* Help;
    QWidget* Buttons;
    QHBoxLayout* ButtonsLayout;
    QToolButton* Action;
    QToolButton* HelpButton;
    QGroupBox* Data;
};

TRoutineLayout routineLayout(QWidget* form, QLabel*& codeLabel, const QString& screenCode,
                             bool withHelp, const QString& actionName, const QString& actionHint) {
    TRoutineLayout r{};
    r.Layout = new QVBoxLayout(form);
    r.Menu = topBar(form, codeLabel, screenCode);
    auto* bar = new QHBoxLayout(r.Menu);
    if (withHelp) {
        r.Help = new QLabel(r.Menu);
        r.Help->setObjectName(QStringLiteral("panHelp"));
        bar->addWidget(r.Help, 1);
    } else {
        bar->addStretch(1);
    }
    r.Buttons = new QWidget(r.Menu);
    r.Buttons->setObjectName(QStringLiteral("panBotoes"));
    r.ButtonsLayout = new QHBoxLayout(r.Buttons);
    r.ButtonsLayout->setContentsMargins(0, 0, 0, 0);
    r.Action = button(r.Buttons, actionName, actionHint);
    r.ButtonsLayout->addWidget(r.Action);
    r.HelpButton = button(r.Buttons, QStringLiteral("sbtAjuda"), QStringLiteral("Ajuda"));
    r.ButtonsLayout->addWidget(r.HelpButton);
    bar->addWidget(r.Buttons);
    bar->addWidget(codeLabel);
    r.Data = new QGroupBox(form);
    r.Data->setObjectName(QStringLiteral("grbDadosRel"));
    r.Layout->addWidget(r.Menu);
    r.Layout->addWidget(r.Data, 1);
    return r;
}

} // namespace

TfrmRotiGeral::TfrmRotiGeral(const QString& screenCode, const QString& caption, QWidget* parent)
    : TForm(screenCode, caption, parent) {
    const TRoutineLayout r =
        routineLayout(this, lblCodTela, screenCode, true, QStringLiteral("sbtConfirma"),
                      QStringLiteral("Confirmar"));
    panMenu = r.Menu;
    panHelp = r.Help;
    panBotoes = r.Buttons;
    buttons_ = r.ButtonsLayout;
    sbtConfirma = r.Action;
    sbtAjuda = r.HelpButton;
    grbDadosRel = r.Data;
    connect(sbtAjuda, &QToolButton::clicked, this, [this] { MostraAjuda(HelpContext()); });
    connect(sbtConfirma, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtConfirmaClick(); }); });
}

TfrmPadrImportExport::TfrmPadrImportExport(const QString& screenCode, const QString& caption,
                                           QWidget* parent)
    : TForm(screenCode, caption, parent) {
    const TRoutineLayout r =
        routineLayout(this, lblCodTela, screenCode, false, QStringLiteral("sbtImportExport"),
                      QStringLiteral("Executar"));
    panMenu = r.Menu;
    panBotoes = r.Buttons;
    sbtImportExport = r.Action;
    sbtAjuda = r.HelpButton;
    grbDadosRel = r.Data;
    connect(sbtAjuda, &QToolButton::clicked, this, [this] { MostraAjuda(HelpContext()); });
    panProgresso = new QWidget(this);
    panProgresso->setObjectName(QStringLiteral("panProgresso"));
    auto* progress = new QHBoxLayout(panProgresso);
    pgbProgresso = new QProgressBar(panProgresso);
    pgbProgresso->setObjectName(QStringLiteral("pgbProgresso"));
    progress->addWidget(pgbProgresso);
    panProgresso->hide();
    r.Layout->addWidget(panProgresso);
    connect(sbtImportExport, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtImportExportClick(); }); });
}

TfrmPadraoSimples::TfrmPadraoSimples(const QString& screenCode, const QString& caption,
                                     QWidget* parent)
    : TForm(screenCode, caption, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    mnuMenu = new QMenuBar(this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    mnuOperacao = mnuMenu->addMenu(QStringLiteral("&Operação"));
    mnuOperacao->setObjectName(QStringLiteral("mnuOperacao"));
    mnuManutencao = mnuMenu->addMenu(QStringLiteral("&Manutenção"));
    mnuManutencao->setObjectName(QStringLiteral("mnuManutencao"));
    auto item = [](QMenu* menu, const QString& name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    mnuListagem = item(mnuOperacao, QStringLiteral("mnuListagem"), QStringLiteral("&Listagem"));
    mnuConfigImpressora = item(mnuOperacao, QStringLiteral("mnuConfigImpressora"),
                               QStringLiteral("&Configurar Impressora"));
    mnuIncluir = item(mnuManutencao, QStringLiteral("mnuIncluir"), QStringLiteral("&Incluir"));
    mnuAlterar = item(mnuManutencao, QStringLiteral("mnuAlterar"), QStringLiteral("&Alterar"));
    mnuExcluir = item(mnuManutencao, QStringLiteral("mnuExcluir"), QStringLiteral("&Excluir"));
    mnuVerificar =
        item(mnuManutencao, QStringLiteral("mnuVerificar"), QStringLiteral("&Verificar"));
    mnuOrdenar = item(mnuManutencao, QStringLiteral("mnuOrdenar"), QStringLiteral("&Ordenar"));
    mnuCancelar = item(mnuManutencao, QStringLiteral("mnuCancelar"), QStringLiteral("Ca&ncelar"));
    mnuConfirmar =
        item(mnuManutencao, QStringLiteral("mnuConfirmar"), QStringLiteral("Con&firmar"));

    panMenu = topBar(this, lblCodTela, screenCode);
    toolbar_ = new QHBoxLayout(panMenu);
    dbtNome = new QLabel(panMenu);
    dbtNome->setObjectName(QStringLiteral("dbtNome"));
    struct TButton {
        QToolButton** Slot;
        const char* Name;
        const char* Hint;
        void (TfrmPadraoSimples::*Click)();
        QAction* Item;
    };
    const TButton buttons[] = {
        {&sbtConfirmar, "sbtConfirmar", "Confirmar", &TfrmPadraoSimples::sbtConfirmarClick,
         mnuConfirmar},
        {&sbtCancelar, "sbtCancelar", "Cancelar", &TfrmPadraoSimples::sbtCancelarClick,
         mnuCancelar},
        {&sbtIncluir, "sbtIncluir", "Incluir", &TfrmPadraoSimples::sbtIncluirClick, mnuIncluir},
        {&sbtAlterar, "sbtAlterar", "Alterar", &TfrmPadraoSimples::sbtAlterarClick, mnuAlterar},
        {&sbtExcluir, "sbtExcluir", "Excluir", &TfrmPadraoSimples::sbtExcluirClick, mnuExcluir},
        {&sbtVerificar, "sbtVerificar", "Verificar", &TfrmPadraoSimples::sbtVerificarClick,
         mnuVerificar},
        {&sbtAjuda, "sbtAjuda", "Ajuda", &TfrmPadraoSimples::sbtAjudaClick, nullptr},
        {&sbtImprimir, "sbtImprimir", "Imprimir", &TfrmPadraoSimples::sbtImprimirClick,
         mnuListagem},
        {&sbtFechar, "sbtFechar", "Fechar", &TfrmPadraoSimples::sbtFecharClick, nullptr},
    };
    for (const TButton& b : buttons) {
        *b.Slot = button(panMenu, QString::fromLatin1(b.Name), QString::fromUtf8(b.Hint));
        toolbar_->addWidget(*b.Slot);
        if (b.Click) {
            const auto click = b.Click;
            connect(*b.Slot, &QToolButton::clicked, this,
                    [this, click] { RunHandler([this, click] { (this->*click)(); }); });
        }
        if (b.Item) {
            // A menu item does what its button does, and only while the button may.
            QToolButton* source = *b.Slot;
            connect(b.Item, &QAction::triggered, source, [source] {
                if (source->isEnabled()) {
                    source->click();
                }
            });
        }
    }
    toolbar_->addStretch(1);
    toolbar_->addWidget(dbtNome);
    toolbar_->addWidget(lblCodTela);
    connect(mnuConfigImpressora, &QAction::triggered, this,
            [this] { RunHandler([this] { mnuConfigImpressoraClick(); }); });
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("panClient"));
    layout->setMenuBar(mnuMenu);
    layout->addWidget(panMenu);
    layout->addWidget(client_, 1);
}

void TfrmPadraoSimples::sbtAjudaClick() {
    MostraAjuda(HelpContext());
}

void TfrmPadraoSimples::mnuConfigImpressoraClick() {
    ConfiguraImpressora(this);
}

TProgressScope::TProgressScope(TfrmPadrImportExport& form, int maximum)
    : form_(form) {
    form_.pgbProgresso->setRange(0, std::max(0, maximum));
    form_.pgbProgresso->setValue(0);
    form_.panProgresso->show();
}

TProgressScope::~TProgressScope() {
    form_.panProgresso->hide();
}

void TProgressScope::Step() {
    form_.pgbProgresso->setValue(form_.pgbProgresso->value() + 1);
    // The long loops let the bar move between steps.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace pla::host
