#pragma once

#include <array>

namespace pla::module {

// The printouts the monthly screen's print command offers, in the order of its popup
// (pmnEmissaoRelCard) and of the main menu's items under mnuListagem: each a screen of
// another package that receives the branch's code.
struct TEmissaoCardapio {
    const char* Tela;      // the screen opened, and the access checked (";" + Tela)
    const char* ItemPopup; // the popup's item
    const char* ItemMenu;  // the main menu's item
    const char* Titulo;
};

inline constexpr std::array<TEmissaoCardapio, 3> EmissoesCardapio{{
    {"PLA00400", "EmissodoCardpiodoDia1", "mnuEmisDia", "Emissão do Cardápio do Dia"},
    {"PLA02600", "EmissodoCardpiodaSemana1", "mnuEmisSem", "Emissão do Cardápio da Semana"},
    {"PLA02700", "EmissodoCardpiodoMs1", "mnuEmisMes", "Emissão do Cardápio do Mês"},
}};

} // namespace pla::module
