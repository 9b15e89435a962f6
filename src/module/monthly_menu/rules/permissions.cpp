#include "permissions.h"

namespace pla::module {

bool TPermissoes::Indice(int index) const {
    return Autorizacoes.value(index).toString() == QLatin1String("1");
}

// An approved (read-only) menu of type "D" may still have its day's diners changed
// when the planning parameters allow it.
bool TPermissoes::alterarComEstDia() const {
    if (TipoCardapio == QLatin1Char('D')) {
        return SomenteLeitura ? AlteraComCardAprov && Indice(3) : Indice(3);
    }
    return Permite(3);
}

} // namespace pla::module
