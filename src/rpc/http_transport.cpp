#include "http_transport.h"

#include "contracts.h"
#include "rpc_protocol.h"

#include <QElapsedTimer>
#include <httplib.h>

namespace pla::rpc {

THttpTransport::THttpTransport(const THttpClientOptions& options)
    : options_(options) {
    const std::string host = options.Host.toStdString();
    if (options.Tls) {
        auto tls = std::make_unique<httplib::SSLClient>(host, options.Port);
        tls->enable_server_certificate_verification(true);
        if (!options.CaCertFile.isEmpty()) {
            tls->set_ca_cert_path(options.CaCertFile.toStdString().c_str());
        }
        client_ = std::move(tls);
    } else {
        client_ = std::make_unique<httplib::ClientImpl>(host, options.Port);
    }
    client_->set_keep_alive(true);
    client_->set_tcp_nodelay(true); // a call is one small request: never wait to batch it
    client_->set_connection_timeout(options.ConnectTimeoutMs / 1000,
                                    (options.ConnectTimeoutMs % 1000) * 1000);
    client_->set_read_timeout(options.ReadTimeoutMs / 1000, (options.ReadTimeoutMs % 1000) * 1000);
    client_->set_write_timeout(options.ReadTimeoutMs / 1000, (options.ReadTimeoutMs % 1000) * 1000);
}

THttpTransport::~THttpTransport() = default;

template <typename Send> TTransportReply THttpTransport::exchange(Send send, bool resendable) {
    std::lock_guard lock(mutex_);
    QElapsedTimer timer;
    timer.start();
    auto res = send(*client_);
    // A connection lost mid-call (a restarted server, a balancer that moved it) is
    // tried once more on a new one, only for a call that reads; not after a timeout.
    // Behind a balancer the same loss comes back as its 502 or 503 (our own 503 is a
    // database out of reach, also worth one more try for a read).
    const bool lost =
        res ? (res->status == 502 || res->status == 503 || res->status == 504)
            : (res.error() == httplib::Error::Read || res.error() == httplib::Error::Write);
    if (lost && resendable && timer.elapsed() < options_.ReadTimeoutMs / 2) {
        client_->stop();
        res = send(*client_);
    }
    TTransportReply reply;
    if (!res) {
        reply.MaybeDone = res.error() == httplib::Error::Read;
        reply.Failure = QStringLiteral("o servidor %1:%2 não respondeu (%3)")
                            .arg(options_.Host)
                            .arg(options_.Port)
                            .arg(QString::fromStdString(httplib::to_string(res.error())));
        return reply;
    }
    reply.Status = res->status;
    reply.Body = QByteArray(res->body.data(), static_cast<qsizetype>(res->body.size()));
    return reply;
}

namespace {

httplib::Headers bearer(const QString& token) {
    httplib::Headers headers;
    if (!token.isEmpty()) {
        headers.emplace("Authorization", "Bearer " + token.toStdString());
    }
    return headers;
}

} // namespace

TTransportReply THttpTransport::Post(const QString& module, const QString& method,
                                     const QString& token, const QByteArray& body) {
    const std::string path = CallPath(module, method).toStdString();
    return exchange(
        [&](httplib::ClientImpl& c) {
            return c.Post(path.c_str(), bearer(token), body.constData(),
                          static_cast<size_t>(body.size()), "application/cbor");
        },
        metodos::SoLeitura(module, method));
}

TTransportReply THttpTransport::SignIn(const QByteArray& body) {
    // A sign-in counts towards the throttle: never sent twice.
    return exchange(
        [&](httplib::ClientImpl& c) {
            return c.Post("/session", body.constData(), static_cast<size_t>(body.size()),
                          "application/cbor");
        },
        false);
}

TTransportReply THttpTransport::SignOut(const QString& token) {
    return exchange([&](httplib::ClientImpl& c) { return c.Delete("/session", bearer(token)); },
                    true);
}

} // namespace pla::rpc
