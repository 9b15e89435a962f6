#include "main_window.h"

#include "backend.h"
#include "core/dates.h"
#include "host/base_forms.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/package_loader.h"
#include "host/page_setup.h"
#include "host/valida_filial.h"
#include "host/window_memory.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

namespace pla::host {

TMainWindow::TMainWindow(std::unique_ptr<TBackend> backend, const QStringList& packageFolders,
                         QWidget* parent)
    : QMainWindow(parent)
    , backend_(std::move(backend))
    , packageFolders_(packageFolders) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("pla - Planejamento de Cardápios"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("mdiArea"));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    buildMenus();
    lblOperador = new QLabel(this);
    lblOperador->setObjectName(QStringLiteral("lblOperador"));
    lblFilial = new QLabel(this);
    lblFilial->setObjectName(QStringLiteral("lblFilial"));
    lblData = new QLabel(this);
    lblData->setObjectName(QStringLiteral("lblData"));
    statusBar()->addWidget(lblOperador);
    statusBar()->addWidget(lblFilial, 1);
    statusBar()->addPermanentWidget(lblData);
    RefreshStatus();

    Host().SetChildShower([this](QWidget* form) {
        auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        if (!sub) {
            sub = mdi_->addSubWindow(form);
            sub->setWindowIcon(windowIcon());
            sub->setAttribute(Qt::WA_DeleteOnClose);
            // A screen that releases itself takes its frame along.
            connect(form, &QObject::destroyed, sub, &QObject::deleteLater);
            // As the planner left this screen last, else as it first opens.
            auto* screen = qobject_cast<TForm*>(form);
            if (screen && !RestauraJanela(screen->ScreenCode(), sub)) {
                sub->resize(sub->sizeHint());
                if (screen->JanelaInicial() == Qt::WindowMaximized) {
                    sub->setWindowState(Qt::WindowMaximized);
                }
            }
        }
        if (sub->windowState() & Qt::WindowMaximized) {
            sub->showMaximized();
        } else {
            sub->show();
        }
        form->show();
        mdi_->setActiveSubWindow(sub);
    });
    connect(mdi_, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* sub) {
        if (sub) {
            if (auto* form = qobject_cast<TForm*>(sub->widget())) {
                if (form->isVisible()) {
                    form->Activate();
                }
            }
        }
    });
}

TMainWindow::~TMainWindow() {
    Host().SetChildShower({});
    // Screens first: they release their connections through the host.
    mdi_->closeAllSubWindows();
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        delete sub;
    }
    package_.reset();
}

void TMainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Arquivo"));
    QAction* pageSetup = file->addAction(QIcon::fromTheme(QStringLiteral("document-page-setup")),
                                         QStringLiteral("&Configurar Impressora..."), this, [this] {
                                             RunHandler([this] { ConfiguraImpressora(this); });
                                         });
    pageSetup->setObjectName(QStringLiteral("actConfigImpressora"));
    file->addSeparator();
    QAction* quit = file->addAction(QIcon::fromTheme(QStringLiteral("application-exit")),
                                    QStringLiteral("Sai&r"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* planning = menuBar()->addMenu(QStringLiteral("&Cardápio"));
    actElaboracao = planning->addAction(QIcon::fromTheme(QStringLiteral("x-office-calendar")),
                                        QStringLiteral("&Elaboração do Cardápio"), this,
                                        [this] { AbrirElaboracao(); });
    actElaboracao->setObjectName(QStringLiteral("actElaboracao"));
    actElaboracao->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    actElaboracao->setToolTip(QStringLiteral("Elaboração do Cardápio (PLA00100)"));

    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Janela"));
    connect(windowMenu_, &QMenu::aboutToShow, this, [this] { fillWindowMenu(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("Aj&uda"));
    // F1 over a screen opens that screen's page; elsewhere, the overview.
    QAction* contents = help->addAction(QIcon::fromTheme(QStringLiteral("help-contents")),
                                        QStringLiteral("&Conteúdo da Ajuda"), this,
                                        [] { MostraAjuda(AjudaGeral); });
    contents->setObjectName(QStringLiteral("actAjuda"));
    InstalaAjuda(this, AjudaGeral);
    help->addAction(QStringLiteral("&Sobre"), this, [this] {
        QMessageBox::about(this, QStringLiteral("Sobre"),
                           QStringLiteral("<b>pla</b><br>Planejamento de cardápios para "
                                          "refeições coletivas."));
    });

    QToolBar* tools = addToolBar(QStringLiteral("Principal"));
    tools->setObjectName(QStringLiteral("tbrPrincipal"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addAction(actElaboracao);
}

void TMainWindow::fillWindowMenu() {
    windowMenu_->clear();
    windowMenu_->addAction(QStringLiteral("&Cascata"), mdi_, &QMdiArea::cascadeSubWindows);
    windowMenu_->addAction(QStringLiteral("&Lado a lado"), mdi_, &QMdiArea::tileSubWindows);
    windowMenu_->addAction(QStringLiteral("&Fechar todas"), mdi_, &QMdiArea::closeAllSubWindows);
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
    if (!subs.isEmpty()) {
        windowMenu_->addSeparator();
    }
    int n = 0;
    for (QMdiSubWindow* sub : subs) {
        QAction* a = windowMenu_->addAction(
            QStringLiteral("&%1 %2").arg(++n).arg(sub->widget()->windowTitle()), this, [this, sub] {
                if (sub->isMinimized()) {
                    sub->showNormal();
                }
                mdi_->setActiveSubWindow(sub);
            });
        a->setCheckable(true);
        a->setChecked(sub == mdi_->activeSubWindow());
    }
}

void TMainWindow::RefreshStatus() {
    const THostContext& h = Host();
    lblOperador->setText(QStringLiteral("Operador: %1 - %2").arg(h.Operador, h.NmOperador));
    QString branch = h.FiliProc;
    QString date;
    try {
        if (h.SharedConnection() && !h.FiliProc.isEmpty()) {
            date = FormatDateTime(QStringLiteral("dd/mm/yyyy"), h.DataProc(h.FiliProc));
            branch += QStringLiteral(" - ") + ValidaFilial(h.FiliProc, h.Operador, false);
        }
    } catch (const EPlaError&) {
        // The status bar shows what it could read.
    }
    lblFilial->setText(QStringLiteral("Filial: ") + branch);
    lblData->setText(QStringLiteral("Data de processamento: ") + date);
}

void TMainWindow::AbrirElaboracao() {
    RunHandler([this] {
        if (!package_) {
            package_ = TPackage::Load(QStringLiteral("Pkg_pla00100"), packageFolders_);
        }
        if (!auxiliar_) {
            auxiliar_ = TPackage::Load(QStringLiteral("Pkg_plaauxiliar"), packageFolders_);
        }
        package_->Resolve<void (*)()>(QStringLiteral("IniProc"))();
    });
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    // Every screen may refuse (pending changes, a running calculation).
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace pla::host
