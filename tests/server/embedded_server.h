#pragma once

#include "db_fixture.h"
#include "rpc/net_connection.h"
#include "server/dispatcher.h"
#include "server/session_service.h"

#include <memory>

namespace pla::test {

// A server for a test: a fresh database with the schema, every module, reached in
// process; operators are added with quick password hashes.
class TEmbeddedServer {
public:
    explicit TEmbeddedServer(TEngine engine = TEngine::SQLite);
    ~TEmbeddedServer();

    const server::TDatabaseUrl& Url() const { return url_; }
    server::TDatabasePool& Pool() { return *pool_; }
    server::TDatabase& Db() { return pool_->ForThisThread(); }
    server::TSessionService& Sessions() { return *sessions_; }
    server::TDispatcher& Dispatcher() { return *dispatcher_; }

    void AddOperator(const QString& code, const QString& password,
                     const QString& permissions = QString(17, QLatin1Char('1')));
    QString SignIn(const QString& code, const QString& password);
    // A connection to a module that calls in process with the given session.
    std::unique_ptr<rpc::TNetConnection> Connect(const QString& serverName, const QString& token);

private:
    server::TDatabaseUrl url_;
    std::unique_ptr<server::TDatabasePool> pool_;
    std::unique_ptr<server::TSessionService> sessions_;
    std::unique_ptr<server::TDispatcher> dispatcher_;
};

} // namespace pla::test
