#include "http_routes.h"

#include "rpc/rpc_protocol.h"

#include <boost/asio/ip/address.hpp>

namespace pla::server {

THttpRoutes::THttpRoutes(const TDispatcher& dispatcher, std::function<bool()> healthy)
    : dispatcher_(dispatcher)
    , healthy_(std::move(healthy)) {}

bool THttpRoutes::IsHealth(const THttpRequest& request) {
    return (request.Verb == "GET" || request.Verb == "HEAD") &&
           request.Target == QLatin1String("/health");
}

THttpAnswer THttpRoutes::Answer(const THttpRequest& request) const {
    try {
        TDispatchReply reply;
        QString module;
        QString method;
        if (request.Verb == "POST" && rpc::ParseCallPath(request.Target, module, method)) {
            reply =
                dispatcher_.Dispatch(module, method, request.Bearer, request.Body, request.Origin);
        } else if (request.Verb == "POST" && request.Target == QLatin1String("/session")) {
            reply = dispatcher_.SignIn(request.Body, request.Origin);
        } else if (request.Verb == "DELETE" && request.Target == QLatin1String("/session")) {
            reply = dispatcher_.SignOut(request.Bearer);
        } else if (IsHealth(request)) {
            return Health();
        } else {
            return Refusal(404);
        }
        return {reply.Status, reply.Body};
    } catch (const std::exception& e) {
        // The dispatcher answers its own failures; this is the last guard of the worker.
        return {500, rpc::EncodeErrorBody(QString::fromLocal8Bit(e.what()))};
    }
}

THttpAnswer THttpRoutes::Health() const {
    bool ok = true;
    try {
        ok = !healthy_ || healthy_();
    } catch (const std::exception&) {
        ok = false;
    }
    return {ok ? 200 : 503, ok ? QByteArray("ok") : QByteArray("database unavailable"),
            "text/plain"};
}

THttpAnswer THttpRoutes::Refusal(int status) {
    QString text;
    switch (status) {
    case 404:
        text = QStringLiteral("Caminho desconhecido: use POST /rpc/<módulo>/<método>");
        break;
    case 413:
        text = QStringLiteral("Requisição maior que o limite do servidor");
        break;
    case 400:
        text = QStringLiteral("Requisição HTTP malformada");
        break;
    case 503:
        text = QStringLiteral("O servidor está parando: tente de novo");
        break;
    default:
        text = QStringLiteral("Erro HTTP %1").arg(status);
        break;
    }
    return {status, rpc::EncodeErrorBody(text)};
}

QString BearerToken(const QByteArray& authorization) {
    static const QByteArray prefix = "Bearer ";
    if (!authorization.startsWith(prefix)) {
        return {};
    }
    return QString::fromLatin1(authorization.mid(prefix.size())).trimmed();
}

QString CallerOrigin(const QString& peer, const QByteArray& forwardedFor,
                     const QStringList& trustedProxies) {
    if (forwardedFor.isEmpty() || !trustedProxies.contains(peer)) {
        return peer;
    }
    // Only an address is believed: anything else would let a header name the throttle's key.
    const QString last = NormalAddress(QString::fromLatin1(forwardedFor.split(',').last()));
    return last.isEmpty() ? peer : last;
}

QString NormalAddress(const QString& text) {
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address(text.trimmed().toStdString(), ec);
    if (ec) {
        return {};
    }
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        address = boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6());
    }
    return QString::fromStdString(address.to_string());
}

} // namespace pla::server
