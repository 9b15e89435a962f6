#pragma once

#include "server/embedded_server.h"

#include <memory>

namespace pla::test {

// The host's context signed in to an embedded test server as a demonstration
// operator: session, branch, lookups on the server's database, in-process calls.
// Everything is undone at the end.
class TSignedInHost {
public:
    TSignedInHost(TEmbeddedServer& server, const QString& operador);
    ~TSignedInHost();
    TSignedInHost(const TSignedInHost&) = delete;
    TSignedInHost& operator=(const TSignedInHost&) = delete;

private:
    std::unique_ptr<server::TDatabase> lookups_;
};

} // namespace pla::test
