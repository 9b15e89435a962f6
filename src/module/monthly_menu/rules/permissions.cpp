#include "permissions.h"

namespace pla::module {

bool TPermissoes::Indice(A autorizacao) const {
    return Autorizacoes.value(rpc::Posicao(autorizacao)).toString() == QLatin1String("1");
}

// An approved (read-only) menu of type "D" may still have its day's diners changed
// when the planning parameters allow it.
bool TPermissoes::alterarComEstDia() const {
    if (TipoCardapio == QLatin1Char('D')) {
        return SomenteLeitura ? AlteraComCardAprov && Indice(A::AlterarComEstDia)
                              : Indice(A::AlterarComEstDia);
    }
    return Permite(A::AlterarComEstDia);
}

} // namespace pla::module
