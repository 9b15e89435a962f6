// The printed menus of the day, the week and the month: which the operator may open, and
// the opening of one for the month's branch.
#include "printouts.h"

#include "host/host_context.h"
#include "module/monthly_menu/model/cardapio_mensal.h"

namespace pla::module {

using namespace pla::host;

std::array<bool, EmissoesCardapio.size()> TCardapioMensal::AcessoEmissoes() const {
    const THostContext& h = Host();
    const QString modulo = h.SiglaModulo(h.ModuloAtiv);
    std::array<bool, EmissoesCardapio.size()> out{};
    for (std::size_t i = 0; i < EmissoesCardapio.size(); ++i) {
        out[i] = h.ExisteAcesso(
            modulo + QLatin1Char(';') + QString::fromLatin1(EmissoesCardapio[i].Tela), h.Operador);
    }
    return out;
}

void TCardapioMensal::EmiteCardapio(int posicao) {
    if (posicao < 0 || posicao >= int(EmissoesCardapio.size())) {
        return;
    }
    Host().LoadBPL(QString::fromLatin1(EmissoesCardapio[std::size_t(posicao)].Tela),
                   QVariantList{CdFilial});
}

} // namespace pla::module
