#include "server_call.h"

#include "busy_scopes.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

namespace pla::host {

QVariant ChamaServidor(rpc::TNetConnection& net, rpc::TConnectionCounter& counter,
                       const rpc::TMethodSpec& spec, const QVariantList& values) {
    THourglass wait;
    rpc::TServerCallScope call(counter, net);
    QList<rpc::TRpcArg> args = rpc::Argumentos(spec, values);
    return net.Call(spec.Name, args);
}

} // namespace pla::host
