#pragma once

#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "server/db_fixture.h"
#include "server/demo_seed.h"
#include "server/dispatcher.h"
#include "server/session_service.h"

#include <memory>

namespace pla::bench {

// The server most benchmarks stand on: the schema and the demonstration data as of the
// project's today at a scale, on a fresh database of the engine (a file in a temporary
// folder, or a database of the throwaway PostgreSQL cluster), every module, and one
// demonstration operator signed in. Calls run in process on the calling thread, so
// the caller's connection (Db) is the one the calls use.
class TBenchServer {
public:
    TBenchServer(test::TEngine engine, int scale, const QString& operador);
    ~TBenchServer();
    TBenchServer(const TBenchServer&) = delete;
    TBenchServer& operator=(const TBenchServer&) = delete;

    test::TEngine Engine() const { return engine_; }
    int Scale() const { return scale_; }
    const db::TDatabaseUrl& Url() const { return url_; }
    db::TDatabasePool& Pool() { return *pool_; }
    db::TDatabase& Db() { return pool_->ForThisThread(); }
    server::TDispatcher& Dispatcher() { return *dispatcher_; }
    const server::TDemoResult& Demo() const { return demo_; }
    const QString& Operador() const { return operador_; }
    const QString& Token() const { return token_; }

    // A connection to a module that calls in process with the operator's session.
    std::unique_ptr<rpc::TNetConnection> Connect(const QString& module);

private:
    test::TEngine engine_;
    int scale_;
    QString operador_;
    db::TDatabaseUrl url_;
    std::unique_ptr<db::TDatabasePool> pool_;
    std::unique_ptr<server::TSessionService> sessions_;
    std::unique_ptr<server::TDispatcher> dispatcher_;
    server::TDemoResult demo_;
    QString token_;
};

// A declared method called with its values, the by-reference flags taken from its
// declaration.
QVariant Call(rpc::TNetConnection& c, const rpc::TMethodSpec& method, const QVariantList& values);

} // namespace pla::bench
