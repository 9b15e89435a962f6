#pragma once

#include "copia_valores.h"
#include "core/origin_marks.h"

namespace pla::module {

// What decides the mark of a dish copied into a day: the handed-over values and the
// open month's release state.
struct TContextoMarcaCopia {
    TParametrosCopia Parametros;
    bool DependeLiberacao = false; // type D with a decentralised service
    bool CardapioCentral = false;  // the central flag is "S"
};

// The dishes a copied dish compares with on its day and position.
struct TPratosDoDia {
    TDishRef Central;   // the central menu's dish of the position
    TDishRef Excluido;  // the central dish removed from the position
    TDishRef Historico; // the central dish of the row the copy replaced on that day
};

struct TMarcaCopia {
    QChar Marca;
    TDishRef Central; // the central dish the copied one stands for, or empty
};

TMarcaCopia MarcaCopia(const TContextoMarcaCopia& ctx, const TDishRef& prato,
                       const TPratosDoDia& pratos);

} // namespace pla::module
