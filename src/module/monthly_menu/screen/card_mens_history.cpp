// The monthly screen's commands that look at the menu's past: the history of its changes
// and the dish ranking. The open month does the work; the grid is drawn again after.
#include "module/monthly_menu/screen/card_mens.h"

namespace pla::module {

void TfrmCardMens::btfHistCardClick() {
    cardapio_->ConsultaHistorico();
    update();
}

void TfrmCardMens::sbtRankingPratosClick() {
    cardapio_->ConsultaRanking();
    update();
}

} // namespace pla::module
