// The monthly screen's command for the contract restrictions.
#include "card_mens.h"

namespace pla::module {

void TfrmCardMens::sbtAnalRestContClick() {
    cardapio_->AnalisaRestricoesContratuais();
}

} // namespace pla::module
