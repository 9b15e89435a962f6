#include "signed_in_host.h"

#include "host/host_context.h"
#include "rpc/rpc_protocol.h"
#include "server/in_process_transport.h"

namespace pla::test {

namespace {

// The in-process transport, with a record of each call and the answers a test gives.
class TRecordingTransport : public server::TInProcessTransport {
public:
    TRecordingTransport(const server::TDispatcher& dispatcher,
                        std::shared_ptr<TSignedInHost::TState> state)
        : TInProcessTransport(dispatcher)
        , state_(std::move(state)) {}
    rpc::TTransportReply Post(const QString& module, const QString& method, const QString& token,
                              const QByteArray& body) override {
        state_->Calls.append(module + QLatin1Char('.') + method);
        if (state_->Answers.contains(method)) {
            rpc::TRpcResult r{state_->Answers.take(method), {}};
            for (const rpc::TRpcArg& a : rpc::DecodeArgs(body)) {
                if (a.ByRef) {
                    r.RefValues.append(a.Value);
                }
            }
            return {200, rpc::EncodeResult(r), QString()};
        }
        return TInProcessTransport::Post(module, method, token, body);
    }

private:
    std::shared_ptr<TSignedInHost::TState> state_;
};

} // namespace

TSignedInHost::TSignedInHost(TEmbeddedServer& server, const QString& operador)
    : lookups_(std::make_unique<db::TDatabase>(server.Url(), true)) {
    host::THostContext& h = host::Host();
    h.Reset();
    h.Token = server.SignIn(operador);
    h.Operador = operador;
    h.FiliProc = server.Db()
                     .Scalar(QStringLiteral("SELECT CDFILIAL FROM OPERADOR WHERE CDOPERADOR = ?"),
                             {operador})
                     .toString();
    h.SetSharedConnection(lookups_.get());
    h.SetTransportFactory([&server, state = state_](const rpc::TNetConnection&) {
        return std::make_unique<TRecordingTransport>(server.Dispatcher(), state);
    });
    h.ReportFolders = {QStringLiteral(PLA_REPORT_DIR)};
    h.HelpFolders = {QStringLiteral(PLA_HELP_DIR)};
}

TSignedInHost::~TSignedInHost() {
    host::THostContext& h = host::Host();
    h.Reset();
    h.SetSharedConnection(nullptr);
    h.SetTransportFactory(nullptr);
    h.KeepConnected = false;
    h.ReportFolders.clear();
    h.HelpFolders.clear();
}

} // namespace pla::test
