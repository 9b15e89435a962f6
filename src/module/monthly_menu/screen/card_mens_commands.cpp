// The monthly menu screen's own commands: toolbar buttons and menu entries with their
// hints and shortcuts, and how the toolbar is arranged for the menu loaded.
#include "card_mens.h"

#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <map>
#include <stdexcept>

namespace pla::module {

using namespace pla::host;

namespace {

struct TCommand {
    const char* Button; // toolbar button, or nullptr
    const char* Menu;   // menu entry, or nullptr
    const char* Text;   // hint of the button and caption of the entry
    const char* Icon;
    QKeyCombination Shortcut;
    bool TEstadoComandos::*Estado; // when it may run
};

constexpr QKeyCombination None{};

const TCommand Commands[] = {
    {"sbtCustos", "mnuVisAcomCust", "&Visualizar Acompanhamento de Custos", "office-chart-line",
     Qt::CTRL | Qt::Key_Z, &TEstadoComandos::Custos},
    {"sbtInfoCard", "mnuAnaliCust", "&Analisar Custos", "document-properties", Qt::CTRL | Qt::Key_L,
     &TEstadoComandos::InfoCard},
    {nullptr, "mnuAnaCustRevRec", "Analisar Custos com &Revisão de Receita", nullptr,
     Qt::CTRL | Qt::Key_Q, &TEstadoComandos::AnaCustRevRec},
    {"sbtAtuCusto", "mnuAtuCusto", "Atualizar Custo (Lista de Preços)", "view-refresh", None,
     &TEstadoComandos::AtuCusto},
    {"sbtRankingPratos", "mnuConsRankPrat", "Consultar Ranking de Pratos", "view-sort-descending",
     Qt::CTRL | Qt::Key_R, &TEstadoComandos::RankingPratos},
    {"spbNutrientes", "mnuConsNutri", "Consultar Nutrientes", "help-about", Qt::CTRL | Qt::Key_T,
     &TEstadoComandos::Nutrientes},
    {"sbtAnalRestCont", "mnuAnalRestri", "Ana&lisar Restrições Contratuais", "dialog-warning",
     Qt::CTRL | Qt::Key_U, &TEstadoComandos::AnalRestCont},
    {"sbtDelCard", "mnuDelCard", "Excluir Cardápio no Período", "edit-delete",
     Qt::CTRL | Qt::Key_Delete, &TEstadoComandos::DelCard},
    {"spbImportacao", "mnuImpCard", "Importar Cardápio do Dia", "document-import",
     Qt::CTRL | Qt::Key_M, &TEstadoComandos::Importacao},
    {"spbDuplicacao", "mnuCopyPrato", "Copiar Pratos e Comensais", "edit-copy",
     Qt::CTRL | Qt::Key_N, &TEstadoComandos::Duplicacao},
    {"sbtConfig", "mnuConfig", "Confi&gurar Cardápio", "configure", Qt::CTRL | Qt::Key_G,
     &TEstadoComandos::Config},
    {"sbtImpTP", "mnuImpTP", "Importar Tipo de Prato", "list-add", Qt::CTRL | Qt::Key_H,
     &TEstadoComandos::ImpTP},
    {"btfDtRefCus", "mnuDtRefCus", "Atualizar Data de Referência para Custos", "x-office-calendar",
     Qt::CTRL | Qt::Key_F10, &TEstadoComandos::DtRefCus},
    {"btfDtRecCus", "mnuDtRecCus", "Atualizar Data de Referência para Recálculo de Custos",
     "appointment-new", Qt::CTRL | Qt::Key_F12, &TEstadoComandos::DtRecCus},
    {"btfHistCard", "mnuHistCard", "Consultar Histórico Ajuste de Cardápio", "document-open-recent",
     Qt::CTRL | Qt::ALT | Qt::Key_H, &TEstadoComandos::HistCard},
    {"sbtHistoricoFil", nullptr, "Histórico da Filial", "folder-open", None,
     &TEstadoComandos::HistoricoFil},
    {"sbtAnaliCor", "mnuAnaliCor", "Análise de Cores", "color-management",
     Qt::CTRL | Qt::ALT | Qt::Key_A, &TEstadoComandos::AnaliCor},
    {"sbtInvPrato", "mnuInvPrato", "Inverter Prato", "object-flip-vertical", Qt::CTRL | Qt::Key_F6,
     &TEstadoComandos::InvPrato},
    {"sbtAtuComenDieta", nullptr, "Atualizar Comensais com Base nas Dietas", "system-users", None,
     &TEstadoComandos::AtuComenDieta},
    {nullptr, "pmnSubsPorEqui", "Substituição por Equivalentes", nullptr, None,
     &TEstadoComandos::SubsPorEqui},
};

// Each toolbar command's handler.
const std::map<QLatin1String, void (TfrmCardMens::*)()> Handlers{
    {QLatin1String("sbtCustos"), &TfrmCardMens::sbtCustosClick},
    {QLatin1String("sbtInfoCard"), &TfrmCardMens::sbtInfoCardClick},
    {QLatin1String("btfDtRefCus"), &TfrmCardMens::btfDtRefCusClick},
    {QLatin1String("btfDtRecCus"), &TfrmCardMens::btfDtRecCusClick},
    {QLatin1String("sbtDelCard"), &TfrmCardMens::sbtDelCardClick},
    {QLatin1String("sbtInvPrato"), &TfrmCardMens::sbtInvPratoClick},
    {QLatin1String("spbImportacao"), &TfrmCardMens::spbImportacaoClick},
    {QLatin1String("spbDuplicacao"), &TfrmCardMens::spbDuplicacaoClick},
    {QLatin1String("sbtAtuComenDieta"), &TfrmCardMens::sbtAtuComenDietaClick},
    {QLatin1String("sbtAnalRestCont"), &TfrmCardMens::sbtAnalRestContClick},
    {QLatin1String("sbtAnaliCor"), &TfrmCardMens::sbtAnaliCorClick},
    {QLatin1String("sbtConfig"), &TfrmCardMens::sbtConfigClick},
    {QLatin1String("sbtAtuCusto"), &TfrmCardMens::sbtAtuCustoClick},
    {QLatin1String("spbNutrientes"), &TfrmCardMens::spbNutrientesClick},
    {QLatin1String("sbtImpTP"), &TfrmCardMens::sbtImpTPClick},
    {QLatin1String("sbtHistoricoFil"), &TfrmCardMens::sbtHistoricoFilClick},
    {QLatin1String("btfHistCard"), &TfrmCardMens::btfHistCardClick},
    {QLatin1String("sbtRankingPratos"), &TfrmCardMens::sbtRankingPratosClick},
};

// The entries with a handler of their own, rather than their button's click.
const std::map<QLatin1String, void (TfrmCardMens::*)()> MenuHandlers{
    {QLatin1String("pmnSubsPorEqui"), &TfrmCardMens::pmnSubsPorEquiClick},
    {QLatin1String("mnuAnaliCust"), &TfrmCardMens::mnuAnaliCustClick},
    {QLatin1String("mnuAnaCustRevRec"), &TfrmCardMens::mnuAnaCustRevRecClick},
};

QString plain(const char* text) {
    return QString::fromUtf8(text).remove(QLatin1Char('&'));
}

} // namespace

void TfrmCardMens::buildCommands() {
    const std::pair<QToolButton*, const char*> inherited[] = {
        {sbtConfirmar, "dialog-ok"},  {sbtCancelar, "dialog-cancel"},
        {sbtIncluir, "document-new"}, {sbtAlterar, "document-edit"},
        {sbtExcluir, "edit-delete"},  {sbtVerificar, "edit-find"},
        {sbtAjuda, "help-contents"},  {sbtImprimir, "document-print"},
        {sbtFechar, "window-close"}};
    for (const auto& [b, icon] : inherited) {
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        if (!b->icon().isNull()) {
            b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
    }
    QMenu* menu = mnuMenu->addMenu(QStringLiteral("&Cardápio"));
    menu->setObjectName(QStringLiteral("mnuCardapio"));
    const int at = ToolbarLayout()->indexOf(sbtAjuda);
    int inserted = 0;
    for (const TCommand& c : Commands) {
        const QString text = plain(c.Text);
        QToolButton* button = nullptr;
        if (c.Button) {
            button = new QToolButton(panMenu);
            button->setObjectName(QString::fromLatin1(c.Button));
            button->setToolTip(text);
            button->setIcon(QIcon::fromTheme(QString::fromLatin1(c.Icon)));
            button->setText(text);
            // Without an icon theme the hint's text stands in.
            button->setToolButtonStyle(button->icon().isNull() ? Qt::ToolButtonTextOnly
                                                               : Qt::ToolButtonIconOnly);
            ToolbarLayout()->insertWidget(at + inserted++, button);
            Botoes.insert(button->objectName(), button);
            // Every button has its handler (a missing one fails the screen's creation).
            connect(button, &QToolButton::clicked, this,
                    [this, h = Handlers.at(QLatin1String(c.Button))] {
                        RunHandler([this, h] { (this->*h)(); });
                    });
        }
        if (c.Menu) {
            QAction* a = menu->addAction(QString::fromUtf8(c.Text));
            a->setObjectName(QString::fromLatin1(c.Menu));
            if (c.Shortcut != None) {
                a->setShortcut(QKeySequence(c.Shortcut));
                if (button) {
                    button->setToolTip(text + QStringLiteral(" (") +
                                       a->shortcut().toString(QKeySequence::NativeText) +
                                       QLatin1Char(')'));
                }
            }
            Menus.insert(a->objectName(), a);
            if (const auto own = MenuHandlers.find(QLatin1String(c.Menu));
                own != MenuHandlers.end()) {
                connect(a, &QAction::triggered, this,
                        [this, h = own->second] { RunHandler([this, h] { (this->*h)(); }); });
            } else if (button) {
                // The entry runs its button's click, while the button allows it.
                connect(a, &QAction::triggered, button, [button] {
                    if (button->isEnabled() && button->isVisible()) {
                        button->click();
                    }
                });
            } else {
                throw std::logic_error(std::string("command without a handler: ") + c.Menu);
            }
        }
    }
    buildCostCommands(menu);
    buildAnalysisCommands();
    // Finding a dish in the grid.
    auto* find = new QToolButton(panMenu);
    find->setObjectName(QStringLiteral("sbtProcurar"));
    find->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));
    find->setText(QStringLiteral("Procurar Prato"));
    find->setToolTip(QStringLiteral("Procurar Prato (Ctrl+F)"));
    find->setToolButtonStyle(find->icon().isNull() ? Qt::ToolButtonTextOnly
                                                   : Qt::ToolButtonIconOnly);
    ToolbarLayout()->insertWidget(at + inserted++, find);
    Botoes.insert(find->objectName(), find);
    connect(find, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtProcurarClick(); }); });
    QAction* findItem = menu->addAction(QStringLiteral("&Procurar Prato"));
    findItem->setObjectName(QStringLiteral("mnuProcurar"));
    findItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    Menus.insert(findItem->objectName(), findItem);
    connect(findItem, &QAction::triggered, find, [find] {
        if (find->isEnabled()) {
            find->click();
        }
    });
    menu->addSeparator();
    QAction* view = menu->addAction(QStringLiteral("Trocar Visualização"));
    view->setObjectName(QStringLiteral("mnuChangeView"));
    view->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    connect(view, &QAction::triggered, this,
            [this] { RunHandler([this] { mnuChangeViewClick(); }); });
    Menus.insert(view->objectName(), view);
    QAction* cycle = menu->addAction(msgPadrao.Msg(QStringLiteral("N_Exibe_NrCiclo")));
    cycle->setObjectName(QStringLiteral("mnuVisuNCiclo"));
    connect(cycle, &QAction::triggered, this,
            [this] { RunHandler([this] { mnuVisuNCicloClick(); }); });
    Menus.insert(cycle->objectName(), cycle);
    for (QAction* a : menu->actions()) {
        addAction(a); // shortcuts work while the screen has the focus
    }
}

// The toolbar for the menu loaded: the price-list update only for cost types 6, 10 and
// 48, the dish-type import not for menus of type "S". A hidden button leaves no gap.
void TfrmCardMens::arrangeToolbar() {
    const bool priceList = cardapio_->TipoCustoPlanejado == 6 ||
                           cardapio_->TipoCustoPlanejado == 10 ||
                           cardapio_->TipoCustoPlanejado == 48;
    Botoes.value(QStringLiteral("sbtAtuCusto"))->setVisible(priceList);
    Menus.value(QStringLiteral("mnuAtuCusto"))->setVisible(priceList);
    const bool typeS = cardapio_->Permissoes().TipoCardapio == QLatin1Char('S');
    Botoes.value(QStringLiteral("sbtImpTP"))->setVisible(!typeS);
    Menus.value(QStringLiteral("mnuImpTP"))->setVisible(!typeS);
}

void TfrmCardMens::HabilitaComandos() {
    const TEstadoComandos c = cardapio_->Comandos();
    const std::pair<QToolButton*, bool> inherited[] = {
        {sbtConfirmar, c.Confirmar}, {sbtCancelar, c.Cancelar},   {sbtIncluir, c.Incluir},
        {sbtAlterar, c.Alterar},     {sbtExcluir, c.Excluir},     {sbtVerificar, c.Verificar},
        {sbtImprimir, c.Imprimir},   {sbtCopiarCard, c.Exportar},
    };
    for (const auto& [button, on] : inherited) {
        button->setEnabled(on);
    }
    const std::pair<QAction*, bool> items[] = {
        {mnuConfirmar, c.Confirmar}, {mnuCancelar, c.Cancelar}, {mnuIncluir, c.Incluir},
        {mnuAlterar, c.Alterar},     {mnuExcluir, c.Excluir},   {mnuVerificar, c.Verificar},
        {mnuListagem, c.Imprimir},   {mnuOrdenar, c.Ordenar},   {mnuConfigImpressora, false},
    };
    for (const auto& [item, on] : items) {
        item->setEnabled(on);
    }
    for (const TCommand& command : Commands) {
        const bool on = c.*command.Estado;
        if (command.Button) {
            Botoes.value(QString::fromLatin1(command.Button))->setEnabled(on);
        }
        if (command.Menu) {
            Menus.value(QString::fromLatin1(command.Menu))->setEnabled(on);
        }
    }
    const std::pair<const char*, bool> own[] = {{"mnuProcurar", c.Procurar},
                                                {"mnuChangeView", c.TrocaVisual},
                                                {"mnuVisuNCiclo", c.VisuNCiclo}};
    for (const auto& [name, on] : own) {
        Menus.value(QString::fromLatin1(name))->setEnabled(on);
    }
    Botoes.value(QStringLiteral("sbtProcurar"))->setEnabled(c.Procurar);
    habilitaCustos();
    habilitaAnalises();
}

} // namespace pla::module
