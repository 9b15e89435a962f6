#include "mark_context.h"

#include "modules.h"

namespace pla::server {

TMarkContext MarkContextOf(TDatabase& db, const QString& filial, const QString& servico,
                           const QString& operador, bool moduFili) {
    const TCentralMenu central = CentralMenuOf(db, filial, servico, operador);
    TMarkContext ctx;
    ctx.MenuType = central.MenuType;
    ctx.CentralBranchSet = !central.CentralBranch.isEmpty();
    ctx.GroupParameterised = central.GroupParameterised;
    ctx.OperatorOfGroup = central.OperatorOfGroup;
    ctx.DependsOnRelease = central.MenuType == QLatin1Char('D') && central.Decentralised;
    ctx.CentralFlag = central.Follows;
    ctx.Keep = db.Scalar(QStringLiteral("SELECT IDMANCORCARDALT FROM PARAMGERAL")).toString() ==
               QLatin1String("N");
    ctx.ModuFili = moduFili;
    return ctx;
}

} // namespace pla::server
