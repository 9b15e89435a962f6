// The monthly screen's print command: it prints nothing itself, it offers the printed
// menus of the day, the week and the month (screens of another package) in a popup under
// the print button and under the main menu's mnuListagem, each enabled as the operator
// may open it.
#include "card_mens.h"

#include "host/host_messages.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace pla::module {

using namespace pla::host;

void TfrmCardMens::buildPrintCommands() {
    pmnEmissaoRelCard = new QMenu(this);
    pmnEmissaoRelCard->setObjectName(QStringLiteral("pmnEmissaoRelCard"));
    auto* listagem = new QMenu(this);
    listagem->setObjectName(QStringLiteral("mnuListagemItens"));
    using THandler = void (TfrmCardMens::*)();
    const std::array<THandler, EmissoesCardapio.size()> handlers{
        &TfrmCardMens::EmissodoCardpiodoDia1Click, &TfrmCardMens::EmissodoCardpiodaSemana1Click,
        &TfrmCardMens::EmissodoCardpiodoMs1Click};
    for (std::size_t i = 0; i < EmissoesCardapio.size(); ++i) {
        const QString text = QString::fromUtf8(EmissoesCardapio[i].Titulo);
        itensEmissao_[i] = pmnEmissaoRelCard->addAction(text);
        itensEmissao_[i]->setObjectName(QString::fromLatin1(EmissoesCardapio[i].ItemPopup));
        menusEmissao_[i] = listagem->addAction(text);
        menusEmissao_[i]->setObjectName(QString::fromLatin1(EmissoesCardapio[i].ItemMenu));
        for (QAction* a : {itensEmissao_[i], menusEmissao_[i]}) {
            connect(a, &QAction::triggered, this,
                    [this, h = handlers[i]] { RunHandler([this, h] { (this->*h)(); }); });
        }
    }
    // The main menu's items, under mnuListagem: opening them asks for the access as the
    // print button does.
    mnuListagem->setMenu(listagem);
    connect(listagem, &QMenu::aboutToShow, this,
            [this] { RunHandler([this] { habilitaEmissoes(); }); });
}

// The colour analysis ends; each printout is enabled as the operator may open it, the
// main menu's item as the popup's.
void TfrmCardMens::habilitaEmissoes() {
    cardapio_->DesabilitaAnaliCor();
    const auto acesso = cardapio_->AcessoEmissoes();
    for (std::size_t i = 0; i < EmissoesCardapio.size(); ++i) {
        itensEmissao_[i]->setEnabled(acesso[i]);
        menusEmissao_[i]->setEnabled(itensEmissao_[i]->isEnabled());
    }
}

void TfrmCardMens::sbtImprimirClick() {
    habilitaEmissoes();
    pmnEmissaoRelCard->popup(sbtImprimir->mapToGlobal(QPoint(0, sbtImprimir->height())));
}

void TfrmCardMens::EmissodoCardpiodoDia1Click() {
    cardapio_->EmiteCardapio(0);
}

void TfrmCardMens::EmissodoCardpiodaSemana1Click() {
    cardapio_->EmiteCardapio(1);
}

void TfrmCardMens::EmissodoCardpiodoMs1Click() {
    cardapio_->EmiteCardapio(2);
}

} // namespace pla::module
