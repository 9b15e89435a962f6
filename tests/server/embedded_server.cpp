#include "embedded_server.h"

#include "rpc/session_client.h"
#include "server/admin.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"

namespace pla::test {

TEmbeddedServer::TEmbeddedServer(TEngine engine)
    : url_(FreshDatabase(engine))
    , pool_(std::make_unique<server::TDatabasePool>(url_)) {
    server::Migrate(pool_->ForThisThread());
    sessions_ = std::make_unique<server::TSessionService>(*pool_);
    dispatcher_ = std::make_unique<server::TDispatcher>(*sessions_);
    dispatcher_->SetDatabase([this] { return &pool_->ForThisThread(); });
    server::AddAllModules(*dispatcher_, *sessions_);
}

TEmbeddedServer::~TEmbeddedServer() = default;

void TEmbeddedServer::AddOperator(const QString& code, const QString& password,
                                  const QString& permissions) {
    server::TNewOperator op;
    op.Code = code;
    op.Name = code;
    op.Password = password;
    op.Permissions = permissions;
    server::AddOperator(Db(), op, 1000);
}

QString TEmbeddedServer::SignIn(const QString& code, const QString& password) {
    server::TInProcessTransport signer(*dispatcher_);
    return rpc::SignIn(signer, code, password).Token;
}

std::unique_ptr<rpc::TNetConnection> TEmbeddedServer::Connect(const QString& serverName,
                                                              const QString& token) {
    auto c = std::make_unique<rpc::TNetConnection>(QStringLiteral("net"));
    c->SetServerName(serverName);
    c->SetTokenSource([token] { return token; });
    c->SetTransportFactory([this](const rpc::TNetConnection&) {
        return std::make_unique<server::TInProcessTransport>(*dispatcher_);
    });
    return c;
}

} // namespace pla::test
