#include "signed_in_host.h"

#include "host/host_context.h"
#include "server/in_process_transport.h"

namespace pla::test {

TSignedInHost::TSignedInHost(TEmbeddedServer& server, const QString& operador)
    : lookups_(std::make_unique<server::TDatabase>(server.Url(), true)) {
    host::THostContext& h = host::Host();
    h.Reset();
    h.Token = server.SignIn(operador);
    h.Operador = operador;
    h.FiliProc = server.Db()
                     .Scalar(QStringLiteral("SELECT CDFILIAL FROM OPERADOR WHERE CDOPERADOR = ?"),
                             {operador})
                     .toString();
    h.SetSharedConnection(lookups_.get());
    h.SetTransportFactory([&server](const rpc::TNetConnection&) {
        return std::make_unique<server::TInProcessTransport>(server.Dispatcher());
    });
    h.ReportFolders = {QStringLiteral(PLA_REPORT_DIR)};
}

TSignedInHost::~TSignedInHost() {
    host::THostContext& h = host::Host();
    h.Reset();
    h.SetSharedConnection(nullptr);
    h.SetTransportFactory(nullptr);
    h.KeepConnected = false;
    h.ReportFolders.clear();
}

} // namespace pla::test
