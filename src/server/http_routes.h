#pragma once

#include "dispatcher.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace pla::server {

// One request as the routes need it, whatever transport read it.
struct THttpRequest {
    QByteArray Verb; // "POST", "GET", ...
    QString Target;  // the path, with any query
    QString Bearer;  // the token of "Authorization: Bearer", or empty
    QByteArray Body;
    QString Origin; // who asked: the peer, or the client a trusted balancer names
};

struct THttpAnswer {
    int Status = 200;
    QByteArray Body;
    QByteArray ContentType = "application/cbor";
};

// What the server answers on each path: POST /rpc/<module>/<method>, POST and DELETE
// /session, GET /health; anything else is refused with a CBOR text naming the problem.
class THttpRoutes {
public:
    THttpRoutes(const TDispatcher& dispatcher, std::function<bool()> healthy);

    static bool IsHealth(const THttpRequest& request);
    // Runs on a database worker; never raises.
    THttpAnswer Answer(const THttpRequest& request) const;
    // Runs on the health thread, so that a busy server still tells the balancer it lives.
    THttpAnswer Health() const;
    // What the transport refuses by itself: 400, 404, 413, 503.
    static THttpAnswer Refusal(int status);

private:
    const TDispatcher& dispatcher_;
    std::function<bool()> healthy_;
};

// The token of an "Authorization: Bearer ..." header.
QString BearerToken(const QByteArray& authorization);

// The caller's address for the sign-in throttle and the logs: the peer itself, or,
// when the peer is a trusted balancer, the last address of the X-Forwarded-For it
// appended (earlier ones are the client's own say and are not believed).
QString CallerOrigin(const QString& peer, const QByteArray& forwardedFor,
                     const QStringList& trustedProxies);

// An IP address in one spelling (an IPv4-mapped IPv6 address as IPv4); empty when the
// text is not an address.
QString NormalAddress(const QString& text);

} // namespace pla::server
