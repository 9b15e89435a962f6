#include "http_server.h"

#include "core/errors.h"
#include "http_connection.h"
#include "tls_context.h"

#include <QLoggingCategory>
#include <QScopeGuard>
#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <csignal>
#include <pthread.h>
#include <sys/resource.h>

Q_LOGGING_CATEGORY(lcHttp, "pla.server.http")

namespace pla::server {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

// Each database worker and the health thread hold a connection (SQLite: the file, its
// journal and its shared memory); the rest is the process's own files and the listener.
std::size_t connectionLimit(const THttpServerOptions& options) {
    if (options.MaxConnections > 0) {
        return static_cast<std::size_t>(options.MaxConnections);
    }
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) {
        return 1 << 20;
    }
    const rlim_t reserved = 3 * static_cast<rlim_t>(std::max(1, options.Threads) + 1) + 64;
    return files.rlim_cur > reserved + 16 ? static_cast<std::size_t>(files.rlim_cur - reserved)
                                          : 16;
}

} // namespace

struct THttpServer::TImpl {
    TImpl(const TDispatcher& dispatcher, const THttpServerOptions& options)
        : Options(options)
        , Routes(dispatcher, options.Healthy)
        , MaxConnections(connectionLimit(options))
        , Workers(static_cast<std::size_t>(std::max(1, options.Threads))) {}

    TConnectionContext Context() {
        return {Options, Routes, Tls.get(), Registry, Workers, Health, Stopping, HealthCheck};
    }
    asio::awaitable<void> Accept();
    void BeginStop();
    asio::awaitable<void> Drain();

    // Destroyed in reverse: the workers are joined before the I/O context lets go of
    // the connections waiting on them, and the registry outlives both.
    const THttpServerOptions& Options;
    THttpRoutes Routes;
    const std::size_t MaxConnections;
    std::unique_ptr<asio::ssl::context> Tls;
    TConnectionRegistry Registry;
    bool Stopping = false; // on the I/O thread
    THealthCheckState HealthCheck;
    asio::io_context Io{1};
    tcp::acceptor Acceptor{Io};
    asio::thread_pool Workers;
    asio::thread_pool Health{1};
};

asio::awaitable<void> THttpServer::TImpl::Accept() {
    asio::steady_timer pause(Io);
    bool full = false;
    for (;;) {
        if (Registry.Size() >= MaxConnections) {
            // The listen queue holds the newcomers until a connection closes (an idle
            // desktop's ends after the idle timeout).
            if (!full) {
                qCWarning(lcHttp) << "open connections at the limit of" << MaxConnections
                                  << "- new ones wait";
                full = true;
            }
            pause.expires_after(std::chrono::milliseconds(20));
            co_await pause.async_wait(asio::as_tuple(asio::use_awaitable));
            if (Stopping || !Acceptor.is_open()) {
                co_return;
            }
            continue;
        }
        full = false;
        auto [ec, socket] = co_await Acceptor.async_accept(asio::as_tuple(asio::use_awaitable));
        if (Stopping || !Acceptor.is_open()) {
            co_return;
        }
        if (ec) {
            // Out of descriptors, most likely: let connections close before trying again.
            qCWarning(lcHttp).noquote()
                << "accepting a connection failed:" << QString::fromStdString(ec.message());
            pause.expires_after(std::chrono::milliseconds(100));
            co_await pause.async_wait(asio::as_tuple(asio::use_awaitable));
            continue;
        }
        error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored); // an answer is one small write
        asio::co_spawn(Io, ServeConnection(std::move(socket), Context()),
                       [](std::exception_ptr failure) {
                           if (!failure) {
                               return;
                           }
                           try {
                               std::rethrow_exception(failure);
                           } catch (const std::exception& e) {
                               qCWarning(lcHttp) << "connection ended by" << e.what();
                           }
                       });
    }
}

void THttpServer::TImpl::BeginStop() {
    if (Stopping) {
        return;
    }
    Stopping = true;
    error_code ignored;
    Acceptor.close(ignored);
    if (HealthCheck.Waiting != nullptr) {
        HealthCheck.Waiting->cancel(); // its check may hang: answer now rather than wait
    }
    Registry.EndIdle();
    asio::co_spawn(Io, Drain(), asio::detached);
}

// Calls in flight finish and are answered with "Connection: close", however long they
// take (the client waits for them); a connection still reading or writing when the
// time is up is ended as it stands.
asio::awaitable<void> THttpServer::TImpl::Drain() {
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::seconds(std::max(Options.ReadTimeoutSec, Options.WriteTimeoutSec));
    asio::steady_timer tick(Io);
    while (Registry.Size() > 0) {
        if (std::chrono::steady_clock::now() < deadline) {
            Registry.EndIdle();
        } else {
            Registry.EndAllButCalls();
        }
        tick.expires_after(std::chrono::milliseconds(5));
        co_await tick.async_wait(asio::as_tuple(asio::use_awaitable));
    }
}

THttpServer::THttpServer(const TDispatcher& dispatcher, const THttpServerOptions& options)
    : options_(options) {
    if (options_.CertFile.isEmpty() != options_.KeyFile.isEmpty()) {
        throw EPlaError(QStringLiteral("HTTPS precisa do certificado e da chave"));
    }
    impl_ = std::make_unique<TImpl>(dispatcher, options_);
    if (Tls()) {
        impl_->Tls = MakeServerTlsContext(options_.CertFile, options_.KeyFile);
    }
}

THttpServer::~THttpServer() {
    Stop();
}

int THttpServer::Bind() {
    const auto cannot = [this](const error_code& why) {
        return EPlaError(QStringLiteral("Não foi possível escutar em %1:%2 (%3)")
                             .arg(options_.Address)
                             .arg(options_.Port)
                             .arg(QString::fromStdString(why.message())));
    };
    error_code ec;
    tcp::resolver resolver(impl_->Io);
    const auto found =
        resolver.resolve(options_.Address.toStdString(), std::to_string(options_.Port),
                         tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty()) {
        throw cannot(ec);
    }
    const tcp::endpoint endpoint = found.begin()->endpoint();
    tcp::acceptor& acceptor = impl_->Acceptor;
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    }
    if (!ec) {
        acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        error_code ignored;
        acceptor.close(ignored);
        throw cannot(ec);
    }
    port_ = acceptor.local_endpoint().port();
    return port_;
}

void THttpServer::Serve() {
    {
        std::lock_guard lock(stateMutex_);
        if (stopRequested_) {
            return;
        }
    }
    // OpenSSL writes TLS records with write(), which raises SIGPIPE when the peer has
    // gone; on the I/O thread, the only one that writes sockets, it stays blocked and
    // the write just fails.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &pipe, &before);
    const auto restore = qScopeGuard([&pipe, &before] {
        const timespec now{};
        while (sigtimedwait(&pipe, nullptr, &now) > 0) {
        } // taken here, not delivered once unblocked
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
    });
    asio::co_spawn(impl_->Io, impl_->Accept(), asio::detached);
    impl_->Io.run();
}

int THttpServer::Start() {
    Bind();
    thread_ = std::thread([this] { Serve(); });
    return port_;
}

void THttpServer::Stop() {
    bool first = false;
    {
        std::lock_guard lock(stateMutex_);
        first = !stopRequested_;
        stopRequested_ = true;
    }
    if (first) {
        asio::post(impl_->Io, [impl = impl_.get()] { impl->BeginStop(); });
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

} // namespace pla::server
