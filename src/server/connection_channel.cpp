#include "connection_channel.h"

#include <boost/asio/deferred.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/experimental/parallel_group.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <climits>
#include <openssl/err.h>
#include <openssl/ssl.h>

namespace pla::server {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;

asio::awaitable<bool> Ready(tcp::socket& socket, tcp::socket::wait_type what, TDeadline deadline) {
    asio::steady_timer timer(socket.get_executor(), deadline);
    auto [order, waitError, timerError] =
        co_await asio::experimental::make_parallel_group(socket.async_wait(what, asio::deferred),
                                                         timer.async_wait(asio::deferred))
            .async_wait(asio::experimental::wait_for_one(), asio::use_awaitable);
    (void)timerError;
    co_return order[0] == 0 && !waitError;
}

namespace {

int clampInt(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

// What an OpenSSL call that returned `ret` means: a wait, the end, or a failure.
enum class TNext { Done, WaitRead, WaitWrite, Failed };

TNext next(SSL* tls, int ret, error_code& ec) {
    if (ret > 0) {
        return TNext::Done;
    }
    switch (SSL_get_error(tls, ret)) {
    case SSL_ERROR_WANT_READ:
        return TNext::WaitRead;
    case SSL_ERROR_WANT_WRITE:
        return TNext::WaitWrite;
    case SSL_ERROR_ZERO_RETURN:
        ec = asio::error::eof;
        return TNext::Failed;
    case SSL_ERROR_SYSCALL:
        ec = errno != 0 ? error_code(errno, boost::system::system_category())
                        : error_code(asio::error::eof);
        return TNext::Failed;
    default: {
        const unsigned long error = ERR_get_error();
        ec = error == 0
                 ? error_code(asio::error::connection_aborted) // nothing queued: still a failure
             : ERR_GET_REASON(error) == SSL_R_UNEXPECTED_EOF_WHILE_READING
                 ? error_code(asio::ssl::error::stream_truncated)
                 : error_code(static_cast<int>(error), asio::error::get_ssl_category());
        return TNext::Failed;
    }
    }
}

} // namespace

TChannel::TChannel(tcp::socket& socket, SSL* tls)
    : socket_(socket)
    , tls_(tls) {
    error_code ignored;
    socket_.non_blocking(true, ignored);
    if (tls_) {
        SSL_set_fd(tls_, static_cast<int>(socket_.native_handle()));
    }
}

TChannel::~TChannel() {
    if (tls_) {
        SSL_free(tls_);
    }
}

asio::awaitable<error_code> TChannel::Handshake(TDeadline deadline) {
    for (;;) {
        ERR_clear_error();
        errno = 0;
        error_code ec;
        switch (next(tls_, SSL_accept(tls_), ec)) {
        case TNext::Done:
            co_return error_code();
        case TNext::Failed:
            co_return ec;
        case TNext::WaitRead:
            if (!co_await Ready(socket_, tcp::socket::wait_read, deadline)) {
                co_return asio::error::timed_out;
            }
            break;
        case TNext::WaitWrite:
            if (!co_await Ready(socket_, tcp::socket::wait_write, deadline)) {
                co_return asio::error::timed_out;
            }
            break;
        }
    }
}

asio::awaitable<std::pair<error_code, std::size_t>> TChannel::ReadSome(asio::mutable_buffer into,
                                                                       TDeadline deadline) {
    for (;;) {
        error_code ec;
        TNext then = TNext::WaitRead;
        std::size_t got = 0;
        if (tls_) {
            ERR_clear_error();
            errno = 0;
            const int n = SSL_read(tls_, into.data(), clampInt(into.size()));
            then = next(tls_, n, ec);
            got = n > 0 ? std::size_t(n) : 0;
        } else {
            got = socket_.read_some(into, ec);
            then = ec == asio::error::would_block ? TNext::WaitRead
                   : ec                           ? TNext::Failed
                                                  : TNext::Done;
        }
        if (then == TNext::Done) {
            co_return std::pair{error_code(), got};
        }
        if (then == TNext::Failed) {
            co_return std::pair{ec, std::size_t(0)};
        }
        const auto what =
            then == TNext::WaitRead ? tcp::socket::wait_read : tcp::socket::wait_write;
        if (!co_await Ready(socket_, what, deadline)) {
            co_return std::pair{error_code(asio::error::timed_out), std::size_t(0)};
        }
    }
}

asio::awaitable<error_code> TChannel::WriteAll(asio::const_buffer bytes, TDeadline deadline) {
    while (bytes.size() > 0) {
        error_code ec;
        TNext then = TNext::WaitWrite;
        std::size_t put = 0;
        if (tls_) {
            ERR_clear_error();
            errno = 0;
            const int n = SSL_write(tls_, bytes.data(), clampInt(bytes.size()));
            then = next(tls_, n, ec);
            put = n > 0 ? std::size_t(n) : 0;
        } else {
            put = socket_.write_some(bytes, ec);
            then = ec == asio::error::would_block ? TNext::WaitWrite
                   : ec                           ? TNext::Failed
                                                  : TNext::Done;
        }
        if (then == TNext::Failed) {
            co_return ec;
        }
        bytes += put;
        if (then != TNext::Done) {
            const auto what =
                then == TNext::WaitRead ? tcp::socket::wait_read : tcp::socket::wait_write;
            if (!co_await Ready(socket_, what, deadline)) {
                co_return asio::error::timed_out;
            }
        }
    }
    co_return error_code();
}

bool TChannel::Pending() const {
    return tls_ && SSL_pending(tls_) > 0;
}

} // namespace pla::server
