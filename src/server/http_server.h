#pragma once

#include "dispatcher.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace pla::server {

struct THttpServerOptions {
    QString Address = QStringLiteral("127.0.0.1"); // loopback unless told otherwise
    int Port = 8421;                               // 0 picks a free one
    int Threads = 8;                               // database workers
    QString CertFile;                              // both set: HTTPS
    QString KeyFile;
    qsizetype MaxBodyBytes = DefaultMaxBodyBytes;
    int ReadTimeoutSec = 30;
    int WriteTimeoutSec = 30;
    int IdleTimeoutSec = 30; // how long a kept-alive connection may wait for the next call
    // Balancers whose X-Forwarded-For names the caller (for the sign-in throttle).
    QStringList TrustedProxies;
    std::function<bool()> Healthy; // what /health checks besides answering (the database)
    // How long /health waits for that check: one that hangs is answered 503 and goes on
    // alone, every check meanwhile answered 503 at once.
    int HealthTimeoutMs = 3000;
    // Open connections at most; 0: what the descriptor limit leaves beside the database
    // connections and files. At the limit new ones wait in the listen queue.
    int MaxConnections = 0;
};

// Serves the dispatcher over HTTP/1.1: POST /rpc/<module>/<method> for calls and
// GET /health for load balancers. One I/O thread holds every connection; an idle one
// costs its socket and no worker. Calls run on `Threads` database workers, /health on
// a thread of its own. Stop finishes the calls in flight, closes idle connections and
// accepts no more.
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
    // Safe from any thread, and before Serve (which then returns at once).
    void Stop();
    int Port() const { return port_; }
    bool Tls() const { return !options_.CertFile.isEmpty(); }

private:
    struct TImpl;

    THttpServerOptions options_;
    std::unique_ptr<TImpl> impl_;
    std::thread thread_;
    int port_ = 0;
    std::mutex stateMutex_;
    bool stopRequested_ = false;
};

} // namespace pla::server
