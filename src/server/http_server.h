#pragma once

#include "dispatcher.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

namespace pla::server {

struct THttpServerOptions {
    QString Address = QStringLiteral("127.0.0.1"); // loopback unless told otherwise
    int Port = 8421;                               // 0 picks a free one
    int Threads = 8;
    QString CertFile; // both set: HTTPS
    QString KeyFile;
    qsizetype MaxBodyBytes = DefaultMaxBodyBytes;
    int ReadTimeoutSec = 30;
    int WriteTimeoutSec = 30;
    int IdleTimeoutSec = 30;       // how long a kept-alive connection may wait for the next call
    std::function<bool()> Healthy; // what /health checks besides answering (the database)
};

// Serves the dispatcher over HTTP/1.1: POST /rpc/<module>/<method> for calls and
// GET /health for load balancers, on a pool of worker threads.
class THttpServer {
public:
    THttpServer(const TDispatcher& dispatcher, const THttpServerOptions& options);
    ~THttpServer();
    THttpServer(const THttpServer&) = delete;
    THttpServer& operator=(const THttpServer&) = delete;

    // Binds the address; the bound port, or raises EPlaError.
    int Bind();
    // Serves on the calling thread until Stop (for the server process itself).
    void Serve();
    // Binds and serves in the background; the bound port.
    int Start();
    void Stop();
    int Port() const { return port_; }
    bool Tls() const { return !options_.CertFile.isEmpty(); }

private:
    const TDispatcher& dispatcher_;
    THttpServerOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex stateMutex_;
    bool stopRequested_ = false;
    std::atomic<bool> serving_{false};
};

} // namespace pla::server
