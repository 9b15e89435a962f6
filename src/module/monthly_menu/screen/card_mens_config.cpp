// The monthly screen's command for the month's dish positions: the configuration
// screen writes on the server, and the month is read again under its new positions.
#include "module/monthly_menu/screen/card_mens.h"

namespace pla::module {

void TfrmCardMens::sbtConfigClick() {
    cardapio_->ConfiguraCardapio([this] {
        FormActivate(false);
        AtualizaTela();
    });
}

} // namespace pla::module
