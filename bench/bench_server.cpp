#include "bench_server.h"

#include "core/clock.h"
#include "core/errors.h"
#include "rpc/session_client.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"

namespace pla::bench {

TBenchServer::TBenchServer(test::TEngine engine, int scale, const QString& operador)
    : engine_(engine)
    , scale_(scale)
    , operador_(operador)
    , url_(test::FreshDatabase(engine)) {
    pool_ = std::make_unique<db::TDatabasePool>(url_);
    db::TDatabase& db = pool_->ForThisThread();
    server::Migrate(db);
    // Quick password hashes: the sign-in is not what is measured.
    demo_ = server::SeedDemo(db, Hoje(), scale, 1000);
    sessions_ = std::make_unique<server::TSessionService>(*pool_);
    dispatcher_ = std::make_unique<server::TDispatcher>(*sessions_);
    dispatcher_->SetDatabase([this] { return &pool_->ForThisThread(); });
    server::AddAllModules(*dispatcher_, *sessions_);
    for (const server::TDemoOperator& op : demo_.Operators) {
        if (op.Code == operador) {
            server::TInProcessTransport signer(*dispatcher_);
            token_ = rpc::SignIn(signer, op.Code, op.Password).Token;
        }
    }
    if (token_.isEmpty()) {
        throw EPlaError(QStringLiteral("Operador %1 não está na demonstração").arg(operador));
    }
}

TBenchServer::~TBenchServer() = default;

std::unique_ptr<rpc::TNetConnection> TBenchServer::Connect(const QString& module) {
    auto c = std::make_unique<rpc::TNetConnection>(QStringLiteral("netBench"));
    c->SetServerName(module);
    c->SetTokenSource([this] { return token_; });
    c->SetTransportFactory([this](const rpc::TNetConnection&) {
        return std::make_unique<server::TInProcessTransport>(*dispatcher_);
    });
    c->SetConnected(true);
    return c;
}

QVariant Call(rpc::TNetConnection& c, const rpc::TMethodSpec& method, const QVariantList& values) {
    QList<rpc::TRpcArg> args = rpc::Argumentos(method, values);
    return c.Call(method.Name, args);
}

} // namespace pla::bench
