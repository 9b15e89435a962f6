// pla-load-probe: the server's transport under the load of a branch's desktops, on
// loopback only and bounded in connections and calls. A server process (forked)
// holds `--idle` kept-alive connections that each made one call and went quiet,
// while `--busy` clients call a method that works `--work-ms`; the probe reports
// what each busy call took beyond its work, the server's memory per idle connection
// and how long SIGTERM takes with every connection still open. Exits 1 when a goal
// is missed.
#include "rpc/http_transport.h"
#include "rpc/rpc_protocol.h"
#include "server/dispatcher.h"
#include "server/http_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pla;
using namespace pla::server;

namespace {

struct TOptions {
    int Idle = 500;
    int Busy = 8;
    int Calls = 300;
    int WorkMs = 2;
    int Threads = 8;
    std::string Cert;
    std::string Key;
};

// Goals: a busy call within its work plus 5 ms at the 99th percentile, an idle
// connection under 64 KiB of the server's memory, a stop within a second.
constexpr double OverheadGoalMs = 5.0;
constexpr double IdleGoalKiB = 64.0;
constexpr double StopGoalMs = 1000.0;

constexpr char Module[] = "Sonda.rdmCarga";
constexpr char Token[] = "sonda";

class TProbeSession : public ISessions {
public:
    std::optional<QString> Authenticate(const QString& token) override {
        return token == QLatin1String(Token) ? std::optional<QString>(QStringLiteral("SONDA"))
                                             : std::nullopt;
    }
    std::pair<QString, QDateTime> SignIn(const QString&, const QString&, const QString&) override {
        throw EPlaError(QStringLiteral("sem entrada na sonda"));
    }
    void SignOut(const QString&) override {}
};

// The server side: runs until SIGTERM; tells the parent its port through `out`.
[[noreturn]] void runServer(const TOptions& o, int out) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    int argc = 1;
    char name[] = "pla-load-probe-server";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TProbeSession sessions;
    TDispatcher dispatcher(sessions);
    auto module = std::make_unique<TRemoteDataModule>(QString::fromLatin1(Module));
    module->Register(
        {"Trabalha", {{"ms", rpc::TArgType::Integer}}, -1, [](TCallContext&, TMethodArgs& a) {
             std::this_thread::sleep_for(std::chrono::milliseconds(a.Integer(0)));
             return QVariant(a.Integer(0));
         }});
    dispatcher.AddModule(std::move(module));
    THttpServerOptions http;
    http.Port = 0;
    http.Threads = o.Threads;
    http.IdleTimeoutSec = 600;
    http.CertFile = QString::fromStdString(o.Cert);
    http.KeyFile = QString::fromStdString(o.Key);
    THttpServer server(dispatcher, http);
    const int port = server.Bind();
    std::thread stopper([&server, stop] {
        int sig = 0;
        sigwait(&stop, &sig);
        server.Stop();
    });
    stopper.detach();
    [[maybe_unused]] const ssize_t written = ::write(out, &port, sizeof(port));
    ::close(out);
    server.Serve();
    std::_Exit(0);
}

long rssKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// One desktop that made a call and went quiet, its connection kept open.
class TIdleClient {
public:
    TIdleClient(int port, SSL_CTX* tls) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
            return;
        }
        if (tls) {
            ssl_ = SSL_new(tls);
            SSL_set_fd(ssl_, fd_);
            if (SSL_connect(ssl_) != 1) {
                return;
            }
        }
        static const char request[] = "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        const int n = static_cast<int>(sizeof(request) - 1);
        if ((ssl_ ? SSL_write(ssl_, request, n) : ::write(fd_, request, size_t(n))) != n) {
            return;
        }
        char answer[512];
        const int got = ssl_ ? SSL_read(ssl_, answer, sizeof(answer))
                             : static_cast<int>(::read(fd_, answer, sizeof(answer)));
        ok_ = got > 12 && std::string(answer, 12) == "HTTP/1.1 200";
    }
    ~TIdleClient() {
        if (ssl_) {
            SSL_free(ssl_);
        }
        ::close(fd_);
    }
    TIdleClient(const TIdleClient&) = delete;
    TIdleClient& operator=(const TIdleClient&) = delete;
    bool Ok() const { return ok_; }

private:
    int fd_ = -1;
    SSL* ssl_ = nullptr;
    bool ok_ = false;
};

double percentile(std::vector<double>& v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * double(v.size())))];
}

int probe(const TOptions& o) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return 2;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        runServer(o, channel[1]);
    }
    ::close(channel[1]);
    int port = 0;
    if (::read(channel[0], &port, sizeof(port)) != sizeof(port) || port <= 0) {
        std::fprintf(stderr, "pla-load-probe: the server did not start\n");
        return 2;
    }
    ::close(channel[0]);
    const bool tls = !o.Cert.empty();
    SSL_CTX* tlsContext = tls ? SSL_CTX_new(TLS_client_method()) : nullptr;

    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long before = rssKiB(child);
    std::vector<std::unique_ptr<TIdleClient>> idle;
    int idleOk = 0;
    for (int i = 0; i < o.Idle; ++i) {
        idle.push_back(std::make_unique<TIdleClient>(port, tlsContext));
        idleOk += idle.back()->Ok() ? 1 : 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long after = rssKiB(child);
    const double perIdleKiB = o.Idle > 0 ? double(after - before) / o.Idle : 0;

    std::vector<std::vector<double>> overheads(static_cast<std::size_t>(o.Busy));
    std::atomic<int> failures{0};
    std::vector<std::thread> busy;
    for (int t = 0; t < o.Busy; ++t) {
        busy.emplace_back([&, t] {
            rpc::THttpClientOptions co;
            co.Port = port;
            co.Tls = tls;
            co.CaCertFile = QString::fromStdString(o.Cert);
            rpc::THttpTransport client(co);
            const QByteArray body = rpc::EncodeArgs({{qlonglong(o.WorkMs), false}});
            for (int i = 0; i < o.Calls + 10; ++i) {
                QElapsedTimer took;
                took.start();
                const rpc::TTransportReply r =
                    client.Post(QString::fromLatin1(Module), QStringLiteral("Trabalha"),
                                QString::fromLatin1(Token), body);
                const double ms = double(took.nsecsElapsed()) / 1e6;
                if (r.Status != 200) {
                    ++failures;
                } else if (i >= 10) { // the first calls open the connection
                    overheads[std::size_t(t)].push_back(ms - o.WorkMs);
                }
            }
        });
    }
    for (auto& b : busy) {
        b.join();
    }
    std::vector<double> all;
    for (const auto& v : overheads) {
        all.insert(all.end(), v.begin(), v.end());
    }
    const double p50 = percentile(all, 0.50);
    const double p99 = percentile(all, 0.99);
    const double worst = all.empty() ? 0 : all.back();

    QElapsedTimer stopping;
    stopping.start();
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    const double stopMs = double(stopping.nsecsElapsed()) / 1e6;
    idle.clear();
    if (tlsContext) {
        SSL_CTX_free(tlsContext);
    }

    const bool met = failures == 0 && idleOk == o.Idle && p99 <= OverheadGoalMs &&
                     perIdleKiB <= IdleGoalKiB && stopMs <= StopGoalMs && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    std::printf("pla-load-probe (%s, %d database workers)\n", tls ? "HTTPS" : "HTTP", o.Threads);
    std::printf("  idle connections open        %d of %d\n", idleOk, o.Idle);
    std::printf("  server memory per idle conn. %.1f KiB   (goal under %.0f KiB)\n", perIdleKiB,
                IdleGoalKiB);
    std::printf("  busy clients x calls          %d x %d, work %d ms, %d failed\n", o.Busy, o.Calls,
                o.WorkMs, failures.load());
    std::printf("  beyond the work: p50 %.2f ms, p99 %.2f ms, max %.2f ms   (goal p99 under %.0f "
                "ms)\n",
                p50, p99, worst, OverheadGoalMs);
    std::printf("  SIGTERM with every connection open: stopped in %.0f ms   (goal under %.0f "
                "ms)\n",
                stopMs, StopGoalMs);
    std::printf("  %s\n", met ? "every goal met" : "A GOAL WAS MISSED");
    return met ? 0 : 1;
}

int intOption(const char* name, const char* value, int min, int max) {
    const int v = std::atoi(value);
    if (v < min || v > max) {
        std::fprintf(stderr, "pla-load-probe: %s must be from %d to %d\n", name, min, max);
        std::exit(2);
    }
    return v;
}

} // namespace

int main(int argc, char** argv) {
    TOptions o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        // Bounded: a probe, not a load generator aimed at someone else's server.
        if (a == "--idle") {
            o.Idle = intOption("--idle", argv[i + 1], 0, 2000);
        } else if (a == "--busy") {
            o.Busy = intOption("--busy", argv[i + 1], 1, 64);
        } else if (a == "--calls") {
            o.Calls = intOption("--calls", argv[i + 1], 1, 10000);
        } else if (a == "--work-ms") {
            o.WorkMs = intOption("--work-ms", argv[i + 1], 0, 1000);
        } else if (a == "--threads") {
            o.Threads = intOption("--threads", argv[i + 1], 1, 256);
        } else if (a == "--cert") {
            o.Cert = argv[i + 1];
        } else if (a == "--key") {
            o.Key = argv[i + 1];
        } else {
            std::fprintf(stderr, "usage: pla-load-probe [--idle N] [--busy N] [--calls N] "
                                 "[--work-ms N] [--threads N] [--cert FILE --key FILE]\n");
            return 2;
        }
    }
    if (argc % 2 == 0 || o.Cert.empty() != o.Key.empty()) {
        std::fprintf(stderr, "pla-load-probe: options come in pairs; --cert needs --key\n");
        return 2;
    }
    // Each idle connection is a descriptor on both sides of the probe.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    return probe(o);
}
