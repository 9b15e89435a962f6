// The monthly screen's colour analysis: its button, and the legend under the grid that
// says what the colours mean while they are shown.
#include "module/monthly_menu/model/analise_cores.h"
#include "module/monthly_menu/screen/card_mens.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::module {

namespace {

QString objectNameOf(rpc::TFaixaCusto faixa) {
    switch (faixa) {
    case rpc::TFaixaCusto::Barato:
        return QStringLiteral("lblCorBarato");
    case rpc::TFaixaCusto::Caro:
        return QStringLiteral("lblCorCaro");
    case rpc::TFaixaCusto::NaFaixa:
        break;
    }
    return QStringLiteral("lblCorNaFaixa");
}

} // namespace

void TfrmCardMens::buildColourAnalysis() {
    QWidget* parent = degCardapio->parentWidget();
    panLegendaCor = new QFrame(parent);
    panLegendaCor->setObjectName(QStringLiteral("panLegendaCor"));
    panLegendaCor->setFrameShape(QFrame::StyledPanel);
    panLegendaCor->setToolTip(QStringLiteral(
        "Cada prato é comparado ao alvo da sua posição no cardápio: o custo médio da porção "
        "da posição no mês, ajustado pela razão entre o per capita padrão e o per capita "
        "planejado do mês.\nPratos alterados e ainda não gravados ficam sem cor. Passe o "
        "mouse sobre um prato para ver seus valores."));
    auto* row = new QHBoxLayout(panLegendaCor);
    row->setContentsMargins(6, 2, 6, 2);
    auto* title = new QLabel(QStringLiteral("<b>Análise de cores</b> (custo da porção contra o "
                                            "alvo da posição):"),
                             panLegendaCor);
    title->setObjectName(QStringLiteral("lblLegendaCor"));
    row->addWidget(title);
    for (const TLegendaFaixa& l : LegendaAnaliCor()) {
        auto* swatch =
            new QLabel(QStringLiteral("<b>%1</b>: %2").arg(l.Titulo, l.Descricao), panLegendaCor);
        swatch->setObjectName(objectNameOf(l.Faixa));
        swatch->setStyleSheet(
            QStringLiteral("background-color: %1; color: black; border: 1px solid gray; "
                           "padding: 1px 6px")
                .arg(l.Cor.name()));
        row->addWidget(swatch);
    }
    auto* ends = new QLabel(QStringLiteral("Desliga em 10 minutos ou ao alterar o cardápio."),
                            panLegendaCor);
    ends->setObjectName(QStringLiteral("lblFimAnaliCor"));
    row->addWidget(ends);
    row->addStretch(1);
    panLegendaCor->hide();
    if (auto* column = qobject_cast<QVBoxLayout*>(parent->layout())) {
        column->insertWidget(column->indexOf(degCardapio) + 1, panLegendaCor);
    }
    // The button stays down while the colours are shown, whatever ended them.
    QToolButton* button = Botoes.value(QStringLiteral("sbtAnaliCor"));
    button->setCheckable(true);
    connect(button, &QToolButton::clicked, this,
            [this, button] { button->setChecked(cardapio_->AnaliseCores().Ativa()); });
    connect(&cardapio_->AnaliseCores(), &TAnaliseCores::alterada, this,
            [this](bool ativa) { mostraAnaliCor(ativa); });
}

void TfrmCardMens::mostraAnaliCor(bool ativa) {
    panLegendaCor->setVisible(ativa);
    Botoes.value(QStringLiteral("sbtAnaliCor"))->setChecked(ativa);
}

void TfrmCardMens::sbtAnaliCorClick() {
    cardapio_->AnaliseCores().Alterna();
}

} // namespace pla::module
