#include "marca_copia.h"

namespace pla::module {

TMarcaCopia MarcaCopia(const TContextoMarcaCopia& ctx, const TDishRef& prato,
                       const TPratosDoDia& pratos) {
    constexpr QChar N{u'N'};
    const TParametrosCopia& p = ctx.Parametros;
    if (p.TipoCardapio == QLatin1Char('S')) {
        if (!p.FilialCentral) {
            return {N, {}};
        }
        if (p.OperadorGrupo) {
            return {QLatin1Char('R'), {}};
        }
        return {QLatin1Char('S'), pratos.Historico};
    }
    if (p.TipoCardapio != QLatin1Char('D') || !ctx.DependeLiberacao || !ctx.CardapioCentral) {
        return {N, {}};
    }
    const QChar livre = p.TipoOperador == QLatin1Char('M') ? QLatin1Char('R') : QLatin1Char('S');
    const TDishRef& referencia = !pratos.Central.Empty() ? pratos.Central : pratos.Excluido;
    if (referencia.Empty()) {
        return {livre, {}};
    }
    const bool mesmo = prato == referencia && p.IdManCorCardAlt.trimmed() == QLatin1String("N");
    return {mesmo ? N : livre, referencia};
}

} // namespace pla::module
