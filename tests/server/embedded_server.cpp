#include "embedded_server.h"

#include "core/dates.h"
#include "core/errors.h"
#include "rpc/session_client.h"
#include "server/admin.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"

#include <map>

namespace pla::test {

TEmbeddedServer::TEmbeddedServer(TEngine engine)
    : url_(FreshDatabase(engine)) {
    start();
}

TEmbeddedServer::TEmbeddedServer(TEngine engine, const QDate& demoToday) {
    struct TTemplate {
        db::TDatabaseUrl Url;
        server::TDemoResult Demo;
    };
    static std::map<std::pair<TEngine, QDate>, TTemplate> templates;
    auto it = templates.find({engine, demoToday});
    if (it == templates.end()) {
        TTemplate t{FreshDatabase(engine), {}};
        {
            db::TDatabasePool pool(t.Url);
            server::Migrate(pool.ForThisThread());
            t.Demo = server::SeedDemo(pool.ForThisThread(), demoToday, 1, 1000);
        }
        it = templates.emplace(std::pair{engine, demoToday}, t).first;
    }
    url_ = CopyOfDatabase(engine, it->second.Url);
    demo_ = it->second.Demo;
    start();
}

void TEmbeddedServer::start() {
    pool_ = std::make_unique<db::TDatabasePool>(url_);
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

QString TEmbeddedServer::SignIn(const QString& code) {
    for (const server::TDemoOperator& op : demo_.Operators) {
        if (op.Code == code) {
            return SignIn(code, op.Password);
        }
    }
    throw EPlaError(QStringLiteral("Operador %1 não está na demonstração").arg(code));
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

QString TEmbeddedServer::DayNumber(const QString& branch, const QString& service,
                                   const QDate& day) {
    return Db()
        .Scalar("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                "DTCARDAPIO = ?",
                {branch, service, DataHora(day)})
        .toString();
}

QDate TEmbeddedServer::Served(const QString& branch, const QString& service, const QDate& month,
                              int from) {
    for (QDate d = month.addDays(from - 1); d.month() == month.month(); d = d.addDays(1)) {
        if (!DayNumber(branch, service, d).isEmpty()) {
            return d;
        }
    }
    return {};
}

} // namespace pla::test
