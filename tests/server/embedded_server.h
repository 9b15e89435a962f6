#pragma once

#include "db_fixture.h"
#include "rpc/net_connection.h"
#include "server/demo_seed.h"
#include "server/dispatcher.h"
#include "server/session_service.h"

#include <memory>

namespace pla::test {

// A server for a test: a fresh database with the schema, every module, reached in
// process; operators are added with quick password hashes.
class TEmbeddedServer {
public:
    explicit TEmbeddedServer(TEngine engine = TEngine::SQLite);
    // A server on a copy of the demonstration data as of `demoToday` (seeded once per
    // engine and program, with quick password hashes); its operators sign in by code.
    TEmbeddedServer(TEngine engine, const QDate& demoToday);
    ~TEmbeddedServer();

    const db::TDatabaseUrl& Url() const { return url_; }
    db::TDatabasePool& Pool() { return *pool_; }
    db::TDatabase& Db() { return pool_->ForThisThread(); }
    server::TSessionService& Sessions() { return *sessions_; }
    server::TDispatcher& Dispatcher() { return *dispatcher_; }

    void AddOperator(const QString& code, const QString& password,
                     const QString& permissions = QString(17, QLatin1Char('1')));
    QString SignIn(const QString& code, const QString& password);
    const server::TDemoResult& Demo() const { return demo_; }
    QString SignIn(const QString& code); // a demonstration operator
    // A service's menu number of a day, empty when the day has no menu.
    QString DayNumber(const QString& branch, const QString& service, const QDate& day);
    // The first day of a month from the given day of it on that the service serves.
    QDate Served(const QString& branch, const QString& service, const QDate& month, int from);
    // A connection to a module that calls in process with the given session.
    std::unique_ptr<rpc::TNetConnection> Connect(const QString& serverName, const QString& token);

private:
    void start();

    db::TDatabaseUrl url_;
    std::unique_ptr<db::TDatabasePool> pool_;
    std::unique_ptr<server::TSessionService> sessions_;
    std::unique_ptr<server::TDispatcher> dispatcher_;
    server::TDemoResult demo_;
};

} // namespace pla::test
