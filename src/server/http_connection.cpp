#include "http_connection.h"

#include "tls_context.h"

#include <QLoggingCategory>
#include <QScopeGuard>
#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/deferred.hpp>
#include <boost/asio/experimental/parallel_group.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>
#include <openssl/ssl.h>

Q_LOGGING_CATEGORY(lcTls, "pla.server.tls")

namespace pla::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using std::chrono::seconds;

namespace {

constexpr auto Tuple = asio::as_tuple(asio::use_awaitable);
constexpr std::uint32_t HeaderLimit = 16 * 1024;
// A buffer grown by a large call is let go before the connection waits again.
constexpr std::size_t IdleBufferBytes = 16 * 1024;
// How long a refused client is given to finish sending what it had started.
constexpr seconds DrainTime{2};

using TTlsStream = asio::ssl::stream<beast::tcp_stream>;

QString peerAddress(const tcp::socket& socket) {
    error_code ec;
    const tcp::endpoint peer = socket.remote_endpoint(ec);
    if (ec) {
        return QStringLiteral("?");
    }
    return NormalAddress(QString::fromStdString(peer.address().to_string()));
}

// Waits until the socket has bytes to read, holding nothing but the socket. False
// when the time runs out or the socket is closed (a stop closes idle connections).
asio::awaitable<bool> readable(tcp::socket& socket, seconds timeout) {
    asio::steady_timer timer(socket.get_executor(), timeout);
    auto [order, waitError, timerError] =
        co_await asio::experimental::make_parallel_group(
            socket.async_wait(tcp::socket::wait_read, asio::deferred),
            timer.async_wait(asio::deferred))
            .async_wait(asio::experimental::wait_for_one(), asio::use_awaitable);
    (void)timerError;
    co_return order[0] == 0 && !waitError;
}

bool tlsPending(beast::tcp_stream&) {
    return false;
}

bool tlsPending(TTlsStream& stream) {
    return SSL_has_pending(stream.native_handle()) == 1;
}

// The peer went away or took too long: nothing to answer.
bool quietEnd(const error_code& ec) {
    return ec == http::error::end_of_stream || ec == beast::error::timeout ||
           ec == asio::error::operation_aborted || ec == asio::error::eof ||
           ec == asio::error::connection_reset || ec == asio::error::bad_descriptor ||
           ec == asio::ssl::error::stream_truncated;
}

void closeQuietly(tcp::socket& socket) {
    error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

// After a refusal the client may still be sending its body: read it away until it
// closes, so that closing does not reset the connection before the answer is read.
asio::awaitable<void> drain(beast::tcp_stream& lowest) {
    error_code ignored;
    lowest.socket().shutdown(tcp::socket::shutdown_send, ignored);
    lowest.expires_after(DrainTime);
    std::vector<char> scratch(16 * 1024);
    for (;;) {
        auto [ec, n] = co_await lowest.async_read_some(asio::buffer(scratch), Tuple);
        if (ec) {
            co_return;
        }
    }
}

template <class Stream>
asio::awaitable<void> refuse(Stream& stream, const TConnectionContext& cx, unsigned status) {
    const THttpAnswer answer = THttpRoutes::Refusal(static_cast<int>(status));
    http::response<http::string_body> res;
    res.result(status);
    res.set(http::field::content_type, answer.ContentType.toStdString());
    res.body().assign(answer.Body.constData(), static_cast<std::size_t>(answer.Body.size()));
    res.keep_alive(false);
    res.prepare_payload();
    beast::get_lowest_layer(stream).expires_after(seconds(cx.Options.WriteTimeoutSec));
    auto [ec, n] = co_await http::async_write(stream, res, Tuple);
    if (!ec) {
        co_await drain(beast::get_lowest_layer(stream));
    }
}

asio::awaitable<THttpAnswer> answerOf(const THttpRoutes& routes, const THttpRequest& request,
                                      bool health) {
    co_return health ? routes.Health() : routes.Answer(request);
}

QByteArray bytes(beast::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Every X-Forwarded-For line joined: a balancer appends its own after whatever the
// client sent, and only its entry, the last, is believed.
QByteArray forwardedFor(const http::request<http::string_body>& req) {
    QByteArray all;
    const auto [from, to] = req.equal_range("X-Forwarded-For");
    for (auto it = from; it != to; ++it) {
        all += (all.isEmpty() ? "" : ",") + bytes(it->value());
    }
    return all;
}

// Reads one request, has it answered on a worker and writes the answer. False when
// the connection is to close.
template <class Stream>
asio::awaitable<bool> serveOne(Stream& stream, beast::flat_buffer& buffer,
                               const TConnectionContext& cx, const QString& peer) {
    http::request_parser<http::string_body> parser;
    parser.header_limit(HeaderLimit);
    parser.body_limit(static_cast<std::uint64_t>(cx.Options.MaxBodyBytes));
    auto& lowest = beast::get_lowest_layer(stream);
    lowest.expires_after(seconds(cx.Options.ReadTimeoutSec));
    if (auto [ec, n] = co_await http::async_read_header(stream, buffer, parser, Tuple); ec) {
        if (ec == http::error::body_limit) { // a Content-Length over the limit
            co_await refuse(stream, cx, 413);
        } else if (!quietEnd(ec)) {
            co_await refuse(stream, cx, 400);
        }
        co_return false;
    }
    if (beast::iequals(parser.get()[http::field::expect], "100-continue")) {
        http::response<http::empty_body> proceed{http::status::continue_, 11};
        if (auto [ec, n] = co_await http::async_write(stream, proceed, Tuple); ec) {
            co_return false;
        }
    }
    if (!parser.is_done()) {
        if (auto [ec, n] = co_await http::async_read(stream, buffer, parser, Tuple); ec) {
            if (ec == http::error::body_limit) {
                co_await refuse(stream, cx, 413);
            } else if (!quietEnd(ec)) {
                co_await refuse(stream, cx, 400);
            }
            co_return false;
        }
    }
    lowest.expires_never(); // the call's own time is the worker's
    const auto& req = parser.get();
    THttpRequest request;
    request.Verb = bytes(req.method_string());
    request.Target = QString::fromUtf8(bytes(req.target()));
    request.Bearer = BearerToken(bytes(req[http::field::authorization]));
    // The body stays in the parser, which outlives the call.
    request.Body =
        QByteArray::fromRawData(req.body().data(), static_cast<qsizetype>(req.body().size()));
    request.Origin = CallerOrigin(peer, forwardedFor(req), cx.Options.TrustedProxies);
    const bool health = THttpRoutes::IsHealth(request);
    const THttpAnswer answer =
        co_await asio::co_spawn(health ? cx.Health.get_executor() : cx.Workers.get_executor(),
                                answerOf(cx.Routes, request, health), asio::use_awaitable);

    http::response<http::string_body> res;
    res.version(req.version());
    res.result(static_cast<unsigned>(answer.Status));
    res.set(http::field::content_type, answer.ContentType.toStdString());
    const bool keep = req.keep_alive() && !cx.Stopping;
    res.keep_alive(keep);
    if (req.method() == http::verb::head) {
        res.content_length(static_cast<std::uint64_t>(answer.Body.size()));
    } else {
        res.body().assign(answer.Body.constData(), static_cast<std::size_t>(answer.Body.size()));
        res.prepare_payload();
    }
    lowest.expires_after(seconds(cx.Options.WriteTimeoutSec));
    auto [ec, n] = co_await http::async_write(stream, res, Tuple);
    co_return !ec && keep;
}

template <class Stream>
asio::awaitable<void> serveRequests(Stream& stream, TConnectionRegistry::TIterator slot,
                                    const TConnectionContext& cx, const QString& peer) {
    beast::flat_buffer buffer;
    for (bool first = true;; first = false) {
        if (!first && buffer.size() == 0 && !tlsPending(stream)) {
            slot->Idle = true;
            const bool ready = co_await readable(beast::get_lowest_layer(stream).socket(),
                                                 seconds(cx.Options.IdleTimeoutSec));
            slot->Idle = false;
            if (!ready || cx.Stopping) {
                co_return;
            }
        }
        if (!co_await serveOne(stream, buffer, cx, peer)) {
            co_return;
        }
        if (buffer.size() == 0 && buffer.capacity() > IdleBufferBytes) {
            buffer = beast::flat_buffer();
        }
    }
}

void logHandshakeFailure(const QString& peer, const error_code& ec) {
    if (ec == asio::ssl::error::stream_truncated || ec == asio::error::eof ||
        ec == asio::error::connection_reset || ec == asio::error::operation_aborted) {
        return; // a port probe, or a stop
    }
    qCWarning(lcTls).noquote() << "TLS handshake with" << peer
                               << "failed:" << QString::fromStdString(ec.message());
}

asio::awaitable<void> serveTls(tcp::socket socket, TConnectionRegistry::TIterator slot,
                               const TConnectionContext& cx, const QString& peer) {
    slot->Socket = &socket;
    unsigned char first = 0;
    error_code ec;
    const std::size_t peeked =
        socket.receive(asio::buffer(&first, 1), tcp::socket::message_peek, ec);
    if (ec || peeked == 0) {
        co_return;
    }
    if (first != TlsHandshakeRecord) {
        qCWarning(lcTls).noquote()
            << "plain HTTP from" << peer << "on the TLS port: the client must use https://";
        beast::tcp_stream plain(std::move(socket));
        slot->Socket = &plain.socket();
        const QByteArray& answer = PlainHttpOnTlsPortAnswer();
        plain.expires_after(seconds(cx.Options.WriteTimeoutSec));
        auto [writeError, n] = co_await asio::async_write(
            plain, asio::buffer(answer.constData(), static_cast<std::size_t>(answer.size())),
            Tuple);
        if (!writeError) {
            co_await drain(plain);
        }
        closeQuietly(plain.socket());
        co_return;
    }
    // The TLS state (tens of kilobytes) exists only from here on.
    TTlsStream stream(beast::tcp_stream(std::move(socket)), *cx.Tls);
    auto& lowest = beast::get_lowest_layer(stream);
    slot->Socket = &lowest.socket();
    lowest.expires_after(seconds(cx.Options.ReadTimeoutSec));
    if (auto [handshakeError] =
            co_await stream.async_handshake(asio::ssl::stream_base::server, Tuple);
        handshakeError) {
        logHandshakeFailure(peer, handshakeError);
        closeQuietly(lowest.socket());
        co_return;
    }
    co_await serveRequests(stream, slot, cx, peer);
    closeQuietly(lowest.socket());
}

} // namespace

TConnectionRegistry::TIterator TConnectionRegistry::Add(tcp::socket* socket) {
    return slots_.insert(slots_.end(), TSlot{socket, true});
}

void TConnectionRegistry::CloseIdle() {
    for (TSlot& slot : slots_) {
        if (slot.Idle) {
            closeQuietly(*slot.Socket);
        }
    }
}

void TConnectionRegistry::CloseAll() {
    for (TSlot& slot : slots_) {
        closeQuietly(*slot.Socket);
    }
}

asio::awaitable<void> ServeConnection(tcp::socket socket, TConnectionContext cx) {
    const TConnectionRegistry::TIterator slot = cx.Registry.Add(&socket);
    const auto release = qScopeGuard([&] { cx.Registry.Remove(slot); });
    const QString peer = peerAddress(socket);
    // A new connection is idle until its first bytes (or its handshake) arrive.
    if (!co_await readable(socket, seconds(cx.Options.ReadTimeoutSec)) || cx.Stopping) {
        closeQuietly(socket);
        co_return;
    }
    slot->Idle = false;
    if (cx.Tls) {
        co_await serveTls(std::move(socket), slot, cx, peer);
        co_return;
    }
    beast::tcp_stream stream(std::move(socket));
    slot->Socket = &stream.socket();
    co_await serveRequests(stream, slot, cx, peer);
    closeQuietly(stream.socket());
}

} // namespace pla::server
