#pragma once

#include "rpc_transport.h"

#include <memory>
#include <mutex>

namespace httplib {
class ClientImpl;
}

namespace pla::rpc {

struct THttpClientOptions {
    QString Host = QStringLiteral("127.0.0.1");
    int Port = 8421;
    bool Tls = false;
    QString CaCertFile; // to verify the server with, when not the system's
    int ConnectTimeoutMs = 3000;
    int ReadTimeoutMs = 60000; // a long calculation answers within this
};

// Calls over HTTP/1.1 with keep-alive: one POST per call to the call path, the
// session in "Authorization: Bearer". A server that is down or does not answer in
// time gives status 0 and a reason, never a hang. A call that only reads is sent once
// more when its connection is lost mid-call; nothing else is ever sent twice. Calls
// through one transport are made one at a time.
class THttpTransport : public TRpcTransport {
public:
    explicit THttpTransport(const THttpClientOptions& options);
    ~THttpTransport() override;

    TTransportReply Post(const QString& module, const QString& method, const QString& token,
                         const QByteArray& body) override;
    TTransportReply SignIn(const QByteArray& body) override;
    TTransportReply SignOut(const QString& token) override;

private:
    template <typename Send> TTransportReply exchange(Send send, bool resendable);

    THttpClientOptions options_;
    std::mutex mutex_;
    std::unique_ptr<httplib::ClientImpl> client_;
};

} // namespace pla::rpc
