// The monthly menu screen's cost analyses: the button that offers them (a popup for the
// operator who may choose, else the plain analysis at once), the menu entries of the
// plain analysis and of the analysis with recipe revision, and the per-capita chart.
// The open month hands them its keys and cost settings.
#include "card_mens.h"

#include "host/host_context.h"
#include "host/host_messages.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace pla::module {

using namespace pla::host;

// The popup of the analyses: the plain one, the one with recipe revision and the
// substitution by equivalents (the menu's own entry).
void TfrmCardMens::buildAnalysisCommands() {
    pmnAnaCustos = new QMenu(this);
    pmnAnaCustos->setObjectName(QStringLiteral("pmnAnaCustos"));
    const auto item = [this](const char* name, const QString& text, void (TfrmCardMens::*h)()) {
        QAction* a = pmnAnaCustos->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        Menus.insert(a->objectName(), a);
        connect(a, &QAction::triggered, this,
                [this, h] { RunHandler([this, h] { (this->*h)(); }); });
    };
    item("mnuAnaCustosPopUp", QStringLiteral("Análise de Custos"),
         &TfrmCardMens::mnuAnaliCustClick);
    item("pmnAnaCustRevRec", QStringLiteral("Análise de Custos com Revisão de Receita"),
         &TfrmCardMens::mnuAnaCustRevRecClick);
    pmnAnaCustos->addAction(Menus.value(QStringLiteral("pmnSubsPorEqui")));
}

void TfrmCardMens::habilitaAnalises() {
    const TEstadoComandos c = cardapio_->Comandos();
    Menus.value(QStringLiteral("mnuAnaCustosPopUp"))->setEnabled(c.InfoCard);
    Menus.value(QStringLiteral("pmnAnaCustRevRec"))->setEnabled(c.AnaCustRevRec);
}

void TfrmCardMens::sbtInfoCardClick() {
    cardapio_->DesabilitaAnaliCor();
    if (!cardapio_->EscolheAnalise()) {
        mnuAnaliCustClick();
        return;
    }
    const QToolButton* button = Botoes.value(QStringLiteral("sbtInfoCard"));
    pmnAnaCustos->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TfrmCardMens::mnuAnaliCustClick() {
    cardapio_->AnalisaCustos();
    update();
}

void TfrmCardMens::mnuAnaCustRevRecClick() {
    cardapio_->AnalisaCustosRevisaoReceita();
    update();
}

void TfrmCardMens::sbtGrafCustClick() {
    cardapio_->DesabilitaAnaliCor();
    TCustoMensal& custo = cardapio_->Custo();
    custo.MontaGrafCust();
    Host().LoadBPL(QStringLiteral("PLA00107"), {QVariant::fromValue<QObject*>(custo.cdsGrafCust),
                                                cardapio_->CdFilial, cardapio_->CdServico});
}

} // namespace pla::module
