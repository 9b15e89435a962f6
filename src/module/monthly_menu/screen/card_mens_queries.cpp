// The monthly screen's commands for the nutrients of a day, the dish types brought from
// another month or service, and the branch's history: each a few lines over the model.
#include "module/monthly_menu/screen/card_mens.h"

namespace pla::module {

void TfrmCardMens::spbNutrientesClick() {
    cardapio_->ConsultaNutrientes();
}

// Something imported: the month is read again under its new positions (the model then
// sees to its costs); nothing imported leaves the month and the warning.
void TfrmCardMens::sbtImpTPClick() {
    cardapio_->ImportaTiposPrato([this] {
        FormActivate(false);
        AtualizaTela();
    });
}

void TfrmCardMens::sbtHistoricoFilClick() {
    cardapio_->HistoricoFilial();
}

} // namespace pla::module
