#pragma once

#include "server/demo_seed.h"

#include <QString>
#include <memory>
#include <optional>

namespace pla::rpc {
class TRpcTransport;
}

namespace pla::host {

// Where the planning data lives: the embedded database (a SQLite file served in this
// process) or an application server over HTTP with a database the lookups read.
struct TDataSource {
    bool Embedded = true;
    QString DatabaseFile;
    QString ServerHost = QStringLiteral("127.0.0.1");
    int ServerPort = 8421;
    bool Tls = false;
    QString LookupUrl; // "sqlite:/path" or "postgresql://user@host/db"
};

// The connections behind a signed-in host: the calls' transport and the read-only
// shared connection of the lookups. Installed into the host's context on sign-in.
class TBackend {
public:
    // Opens the embedded database, creating it with the demonstration data when the
    // file does not exist yet; `created` then holds the demo operators.
    static std::unique_ptr<TBackend> OpenEmbedded(const QString& file,
                                                  std::optional<server::TDemoResult>& created);
    static std::unique_ptr<TBackend> OpenServer(const TDataSource& source);
    ~TBackend();
    TBackend(const TBackend&) = delete;
    TBackend& operator=(const TBackend&) = delete;

    std::unique_ptr<rpc::TRpcTransport> NewTransport() const;
    // Signs the operator in and fills the host's context (operator, branch, session,
    // shared connection, how connections are made). Refusals raise with the server's
    // text; the context is left untouched then.
    void SignIn(const QString& operador, const QString& password);
    void SignOut();
    bool IsEmbedded() const;

private:
    TBackend();
    struct TState;
    std::unique_ptr<TState> d_;
};

} // namespace pla::host
