// The monthly screen's price-list cost update: the open month asks the planner for
// the lists and has the server apply them.
#include "module/monthly_menu/screen/card_mens.h"

namespace pla::module {

void TfrmCardMens::sbtAtuCustoClick() {
    cardapio_->AtualizaCustoListaPreco();
}

} // namespace pla::module
