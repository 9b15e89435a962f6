#include "http_connection.h"

#include "connection_channel.h"
#include "tls_context.h"

#include <QLoggingCategory>
#include <QScopeGuard>
#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <openssl/ssl.h>
#include <optional>
#include <sstream>

Q_LOGGING_CATEGORY(lcTls, "pla.server.tls")

namespace pla::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t HeaderLimit = 16 * 1024;
constexpr std::size_t ReadChunk = 16 * 1024;
// How long a refused client is given to finish sending what it had started.
constexpr std::chrono::seconds DrainTime{2};

TDeadline after(int seconds) {
    return Clock::now() + std::chrono::seconds(seconds);
}

QString peerAddress(const tcp::socket& socket) {
    error_code ec;
    const tcp::endpoint peer = socket.remote_endpoint(ec);
    if (ec) {
        return QStringLiteral("?");
    }
    return NormalAddress(QString::fromStdString(peer.address().to_string()));
}

void closeQuietly(tcp::socket& socket) {
    error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

// After a refusal the client may still be sending: read it away until it closes, so
// that closing does not reset the connection before the answer is read.
asio::awaitable<void> drain(tcp::socket& socket) {
    error_code ec;
    socket.shutdown(tcp::socket::shutdown_send, ec);
    const TDeadline deadline = Clock::now() + DrainTime;
    char scratch[4096];
    while (!ec) {
        if (!co_await Ready(socket, tcp::socket::wait_read, deadline)) {
            co_return;
        }
        while (!ec) {
            if (socket.read_some(asio::buffer(scratch), ec) == 0 && !ec) {
                co_return;
            }
        }
        if (ec == asio::error::would_block) {
            ec = {};
        }
    }
}

QByteArray bytes(beast::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

template <class Message> std::string serialised(const Message& message) {
    std::ostringstream out;
    out << message;
    return std::move(out).str();
}

asio::awaitable<void> refuse(TChannel& channel, const TConnectionContext& cx, unsigned status) {
    const THttpAnswer answer = THttpRoutes::Refusal(static_cast<int>(status));
    http::response<http::string_body> res;
    res.result(status);
    res.set(http::field::content_type, answer.ContentType.toStdString());
    res.body().assign(answer.Body.constData(), static_cast<std::size_t>(answer.Body.size()));
    res.keep_alive(false);
    res.prepare_payload();
    const std::string out = serialised(res);
    if (!co_await channel.WriteAll(asio::buffer(out), after(cx.Options.WriteTimeoutSec))) {
        co_await drain(channel.Socket());
    }
}

asio::awaitable<THttpAnswer> answerOf(const THttpRoutes& routes, const THttpRequest& request) {
    co_return routes.Answer(request);
}

// The database check on the health thread, waited for at most HealthTimeoutMs. The
// check's end is handed back to the I/O thread, where the flag and the timer live.
asio::awaitable<THttpAnswer> checkHealth(const TConnectionContext& cx) {
    struct TCheck {
        explicit TCheck(const asio::any_io_executor& io)
            : Timer(io) {}
        asio::steady_timer Timer;
        std::optional<THttpAnswer> Answer;
    };
    const asio::any_io_executor io = co_await asio::this_coro::executor;
    const auto check = std::make_shared<TCheck>(io);
    THealthCheckState& state = cx.HealthCheck;
    state.Running = true;
    asio::post(cx.Health, [check, io, &routes = cx.Routes, &state] {
        THttpAnswer answer = routes.Health();
        asio::post(io, [check, &state, answer = std::move(answer)]() mutable {
            state.Running = false;
            check->Answer = std::move(answer);
            check->Timer.cancel();
        });
    });
    check->Timer.expires_after(std::chrono::milliseconds(cx.Options.HealthTimeoutMs));
    state.Waiting = &check->Timer;
    const auto done = qScopeGuard([&state, timer = &check->Timer] {
        if (state.Waiting == timer) { // a later check may be waiting by now
            state.Waiting = nullptr;
        }
    });
    if (!cx.Stopping) {
        co_await check->Timer.async_wait(asio::as_tuple(asio::use_awaitable));
    }
    if (check->Answer) {
        co_return *check->Answer;
    }
    co_return THttpAnswer{503,
                          cx.Stopping ? QByteArrayLiteral("server stopping")
                                      : QByteArrayLiteral("database check timed out"),
                          "text/plain"};
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

// The peer went away or took too long: nothing to answer.
bool quietEnd(const error_code& ec) {
    return ec == asio::error::eof || ec == asio::error::timed_out ||
           ec == asio::error::operation_aborted || ec == asio::error::connection_reset ||
           ec == asio::error::bad_descriptor || ec == asio::ssl::error::stream_truncated;
}

// Reads one request into the parser. 0 when it is whole, else the status to refuse it
// with, or -1 when the connection just ends.
asio::awaitable<int> readRequest(TChannel& channel, beast::flat_buffer& buffer,
                                 http::request_parser<http::string_body>& parser,
                                 const TConnectionContext& cx) {
    const TDeadline deadline = after(cx.Options.ReadTimeoutSec);
    bool continued = false;
    for (;;) {
        if (buffer.size() > 0) {
            error_code ec;
            const std::size_t used = parser.put(buffer.data(), ec);
            buffer.consume(used);
            if (ec == http::error::body_limit) { // a Content-Length or a body over the limit
                co_return 413;
            }
            if (ec && ec != http::error::need_more) {
                co_return 400;
            }
            if (parser.is_done()) {
                co_return 0;
            }
            if (!ec && used > 0) {
                continue;
            }
        }
        if (parser.is_header_done() && !continued &&
            beast::iequals(parser.get()[http::field::expect], "100-continue")) {
            continued = true;
            static const char proceed[] = "HTTP/1.1 100 Continue\r\n\r\n";
            if (co_await channel.WriteAll(asio::buffer(proceed, sizeof(proceed) - 1),
                                          after(cx.Options.WriteTimeoutSec))) {
                co_return -1;
            }
        }
        auto [ec, n] = co_await channel.ReadSome(buffer.prepare(ReadChunk), deadline);
        if (ec) {
            co_return -1; // a broken socket or TLS session takes no answer
        }
        buffer.commit(n);
    }
}

// Reads one request, has it answered on a worker and writes the answer. False when
// the connection is to close.
asio::awaitable<bool> serveOne(TChannel& channel, beast::flat_buffer& buffer,
                               TConnectionRegistry::TIterator slot, const TConnectionContext& cx,
                               const QString& peer) {
    http::request_parser<http::string_body> parser;
    parser.header_limit(HeaderLimit);
    parser.body_limit(static_cast<std::uint64_t>(cx.Options.MaxBodyBytes));
    parser.eager(true);
    if (const int refusal = co_await readRequest(channel, buffer, parser, cx); refusal != 0) {
        if (refusal > 0) {
            co_await refuse(channel, cx, static_cast<unsigned>(refusal));
        }
        co_return false;
    }
    const auto& req = parser.get();
    THttpRequest request;
    request.Verb = bytes(req.method_string());
    request.Target = QString::fromUtf8(bytes(req.target()));
    request.Bearer = BearerToken(bytes(req[http::field::authorization]));
    // The body stays in the parser, which outlives the call.
    request.Body =
        QByteArray::fromRawData(req.body().data(), static_cast<qsizetype>(req.body().size()));
    request.Origin = CallerOrigin(peer, forwardedFor(req), cx.Options.TrustedProxies);
    THttpAnswer answer;
    if (!THttpRoutes::IsHealth(request)) {
        slot->State = TConnectionRegistry::TState::InCall;
        answer = co_await asio::co_spawn(cx.Workers.get_executor(), answerOf(cx.Routes, request),
                                         asio::use_awaitable);
        slot->State = TConnectionRegistry::TState::Busy;
    } else if (cx.Stopping) {
        // No new database check for a server on its way out.
        answer = {503, QByteArrayLiteral("server stopping"), "text/plain"};
    } else if (cx.HealthCheck.Running) {
        // A database check that hangs holds the health thread: the balancers' next
        // checks hear so at once instead of queueing behind it.
        answer = {503, QByteArrayLiteral("database check still running"), "text/plain"};
    } else {
        answer = co_await checkHealth(cx);
    }

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
    const std::string out = serialised(res);
    const error_code written =
        co_await channel.WriteAll(asio::buffer(out), after(cx.Options.WriteTimeoutSec));
    co_return !written && keep;
}

asio::awaitable<void> serveRequests(TChannel& channel, TConnectionRegistry::TIterator slot,
                                    const TConnectionContext& cx, const QString& peer) {
    beast::flat_buffer buffer;
    for (bool first = true;; first = false) {
        if (!first && buffer.size() == 0 && !channel.Pending()) {
            slot->State = TConnectionRegistry::TState::Idle;
            const bool ready = co_await Ready(channel.Socket(), tcp::socket::wait_read,
                                              after(cx.Options.IdleTimeoutSec));
            slot->State = TConnectionRegistry::TState::Busy;
            if (!ready || cx.Stopping) {
                co_return;
            }
        }
        if (!co_await serveOne(channel, buffer, slot, cx, peer)) {
            co_return;
        }
        if (buffer.size() == 0) {
            buffer = beast::flat_buffer(); // an idle connection keeps no buffer
        }
    }
}

void logHandshakeFailure(const QString& peer, const error_code& ec) {
    if (quietEnd(ec)) {
        return; // a port probe, or a stop
    }
    qCWarning(lcTls).noquote() << "TLS handshake with" << peer
                               << "failed:" << QString::fromStdString(ec.message());
}

// A TLS port: a client that speaks plain HTTP gets a plain answer saying so.
asio::awaitable<void> serveTls(tcp::socket& socket, TConnectionRegistry::TIterator slot,
                               const TConnectionContext& cx, const QString& peer) {
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
        TChannel plain(socket, nullptr);
        const QByteArray& answer = PlainHttpOnTlsPortAnswer();
        if (!co_await plain.WriteAll(
                asio::buffer(answer.constData(), static_cast<std::size_t>(answer.size())),
                after(cx.Options.WriteTimeoutSec))) {
            co_await drain(socket);
        }
        co_return;
    }
    // The TLS session exists only from here on.
    TChannel channel(socket, SSL_new(cx.Tls->native_handle()));
    if (const error_code failed = co_await channel.Handshake(after(cx.Options.ReadTimeoutSec))) {
        logHandshakeFailure(peer, failed);
        co_return;
    }
    co_await serveRequests(channel, slot, cx, peer);
}

} // namespace

TConnectionRegistry::TIterator TConnectionRegistry::Add(tcp::socket* socket) {
    return slots_.insert(slots_.end(), TSlot{socket, TState::Idle});
}

void TConnectionRegistry::EndIdle() {
    end(TState::Idle);
}

void TConnectionRegistry::EndAllButCalls() {
    end(TState::Idle);
    end(TState::Busy);
}

// Shut down and cancelled: the owner's wait ends and it closes the socket itself.
void TConnectionRegistry::end(TState which) {
    for (TSlot& slot : slots_) {
        if (slot.State == which) {
            error_code ignored;
            slot.Socket->shutdown(tcp::socket::shutdown_both, ignored);
            slot.Socket->cancel(ignored);
        }
    }
}

asio::awaitable<void> ServeConnection(tcp::socket socket, TConnectionContext cx) {
    const TConnectionRegistry::TIterator slot = cx.Registry.Add(&socket);
    const auto release = qScopeGuard([&] {
        closeQuietly(socket);
        cx.Registry.Remove(slot);
    });
    const QString peer = peerAddress(socket);
    // A new connection is idle until its first bytes (or its handshake) arrive.
    if (!co_await Ready(socket, tcp::socket::wait_read, after(cx.Options.ReadTimeoutSec)) ||
        cx.Stopping) {
        co_return;
    }
    slot->State = TConnectionRegistry::TState::Busy;
    if (cx.Tls) {
        co_await serveTls(socket, slot, cx, peer);
        co_return;
    }
    TChannel channel(socket, nullptr);
    co_await serveRequests(channel, slot, cx, peer);
}

} // namespace pla::server
