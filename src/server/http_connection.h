#pragma once

#include "http_routes.h"
#include "http_server.h"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <list>
#include <memory>

namespace pla::server {

// The open connections, touched on the I/O thread only: what a stop ends at once
// (those waiting for a request), what it gives until its deadline (those reading or
// writing) and what it always lets finish (those whose call runs on a worker). The
// registry shuts sockets down but never closes them: a descriptor closed under its
// owner could be reused by a database connection while TLS still writes to it.
class TConnectionRegistry {
public:
    enum class TState { Idle, Busy, InCall };
    struct TSlot {
        boost::asio::ip::tcp::socket* Socket = nullptr;
        TState State = TState::Idle;
    };
    using TIterator = std::list<TSlot>::iterator;

    TIterator Add(boost::asio::ip::tcp::socket* socket);
    void Remove(TIterator slot) { slots_.erase(slot); }
    void EndIdle();
    void EndAllButCalls();
    std::size_t Size() const { return slots_.size(); }

private:
    void end(TState which);

    std::list<TSlot> slots_;
};

// The database check /health runs on the health thread, one at a time; touched on the
// I/O thread only.
struct THealthCheckState {
    bool Running = false;
    boost::asio::steady_timer* Waiting = nullptr; // the answer's wait, which a stop ends
};

// What every connection shares with the server that accepted it.
struct TConnectionContext {
    const THttpServerOptions& Options;
    const THttpRoutes& Routes;
    boost::asio::ssl::context* Tls; // null: plain HTTP
    TConnectionRegistry& Registry;
    boost::asio::thread_pool& Workers; // the database workers
    boost::asio::thread_pool& Health;  // answers /health however busy the workers are
    const bool& Stopping;              // read on the I/O thread
    THealthCheckState& HealthCheck;
};

// Serves one accepted connection until it closes: idle, it holds its socket and no
// worker; TLS state is made only once the client's first bytes arrive.
boost::asio::awaitable<void> ServeConnection(boost::asio::ip::tcp::socket socket,
                                             TConnectionContext context);

} // namespace pla::server
