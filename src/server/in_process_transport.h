#pragma once

#include "dispatcher.h"
#include "rpc/rpc_transport.h"

namespace pla::server {

// The embedded default: calls go straight to the dispatcher in this process, still
// encoded and decoded, so that they behave exactly as over HTTP.
class TInProcessTransport : public rpc::TRpcTransport {
public:
    explicit TInProcessTransport(const TDispatcher& dispatcher)
        : dispatcher_(dispatcher) {}

    rpc::TTransportReply Post(const QString& module, const QString& method, const QString& token,
                              const QByteArray& body) override {
        const TDispatchReply reply = dispatcher_.Dispatch(module, method, token, body);
        return {reply.Status, reply.Body, QString()};
    }
    rpc::TTransportReply SignIn(const QByteArray& body) override {
        const TDispatchReply reply = dispatcher_.SignIn(body);
        return {reply.Status, reply.Body, QString()};
    }
    rpc::TTransportReply SignOut(const QString& token) override {
        const TDispatchReply reply = dispatcher_.SignOut(token);
        return {reply.Status, reply.Body, QString()};
    }

private:
    const TDispatcher& dispatcher_;
};

} // namespace pla::server
