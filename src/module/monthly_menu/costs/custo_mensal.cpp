#include "custo_mensal.h"

#include "module/monthly_menu/model/cardapio_mensal.h"

namespace pla::module {

// The reference is fixed when the menu shows costs at a reference date rather than at
// each day's own.
TCustoMensal::TCustoMensal(TCardapioMensal& cardapio)
    : TCustoDoMes(
          [&cardapio] {
              return host::TParametrosCusto{
                  cardapio.CdFilial,           cardapio.CdServico,
                  cardapio.DtMesCard,          cardapio.TipoCustoPlanejado,
                  cardapio.TipoCustoRealizado, cardapio.ExibeCusto && !cardapio.RefeCardapio,
                  cardapio.DtRefeCusto,        cardapio.CdFiliCust};
          },
          &cardapio) {
    setObjectName(QStringLiteral("Custo"));
}

} // namespace pla::module
