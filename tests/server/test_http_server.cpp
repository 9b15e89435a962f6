// The server's transport under the loads a branch gives it: many open desktops, a
// stop with calls in flight, a balancer in front, connections lost mid-call.
#include "echo_module.h"
#include "rpc/http_transport.h"
#include "rpc/net_connection.h"
#include "rpc/rpc_protocol.h"
#include "server/http_routes.h"
#include "server/http_server.h"

#include <QElapsedTimer>
#include <QMutex>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;

namespace {

TFixedSessions sessions;

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void send(int fd, const QByteArray& bytes) {
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
}

// Everything the peer sends until it closes or goes quiet for `quietMs`.
QByteArray receive(int fd, int quietMs = 3000) {
    QByteArray in;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0) {
            return in;
        }
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n <= 0) {
            return in;
        }
        in.append(buffer, n);
    }
}

bool closedByPeer(int fd) {
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    return ::poll(&p, 1, 3000) == 1 && ::read(fd, &c, 1) <= 0;
}

class HttpServerUnderLoad : public ::testing::Test {
protected:
    void start(int threads) {
        dispatcher_.AddModule(EchoModule());
        auto hold = std::make_unique<TRemoteDataModule>("Teste.rdmParada");
        hold->Register({"Segura", {}, -1, [this](TCallContext&, TMethodArgs&) {
                            inCall_ = true;
                            std::this_thread::sleep_for(std::chrono::milliseconds(300));
                            return QVariant(QStringLiteral("terminou"));
                        }});
        dispatcher_.AddModule(std::move(hold));
        THttpServerOptions o;
        o.Port = 0;
        o.Threads = threads;
        o.ReadTimeoutSec = 30;
        o.IdleTimeoutSec = idleTimeoutSec_;
        o.MaxBodyBytes = 1024;
        server_ = std::make_unique<THttpServer>(dispatcher_, o);
        port_ = server_->Start();
    }

    std::unique_ptr<TNetConnection> connection(const QString& module = "Teste.rdmEco") {
        auto c = std::make_unique<TNetConnection>("netTeste");
        c->SetServerName(module);
        c->SetTokenSource([] { return QStringLiteral("tok-ana"); });
        c->SetTransportFactory([port = port_](const TNetConnection&) {
            THttpClientOptions o;
            o.Port = port;
            o.ReadTimeoutMs = 10000;
            return std::make_unique<THttpTransport>(o);
        });
        return c;
    }

    TDispatcher dispatcher_{sessions};
    std::unique_ptr<THttpServer> server_;
    int port_ = 0;
    int idleTimeoutSec_ = 30;
    std::atomic<bool> inCall_{false};
};

// Desktops keep their connection open; some stall mid-request, some (a TLS client
// that never shakes hands) never send a byte. None of them holds one of the two
// workers, so every planner's call is answered.
TEST_F(HttpServerUnderLoad, OpenAndStalledConnectionsHoldNoWorker) {
    start(2);
    std::vector<int> idle;
    for (int i = 0; i < 64; ++i) {
        const int fd = connectTo(port_);
        ASSERT_GE(fd, 0);
        if (i % 2) {
            send(fd, "POST /rpc/Teste.rdmEco/Eco HTTP/1.1\r\nHost: x\r\n");
        }
        idle.push_back(fd);
    }
    std::atomic<int> answered{0};
    std::vector<std::thread> planners;
    for (int t = 0; t < 4; ++t) {
        planners.emplace_back([&, t] {
            auto c = connection();
            for (int i = 0; i < 10; ++i) {
                if (c->Call("Eco", QVariantList{t * 100 + i}).toInt() == t * 100 + i) {
                    ++answered;
                }
            }
        });
    }
    for (auto& p : planners) {
        p.join();
    }
    EXPECT_EQ(answered.load(), 40);
    for (int fd : idle) {
        ::close(fd);
    }
}

// A stop answers the call in flight, closes the idle connections at once rather than
// waiting out their timeout, and accepts nothing new.
TEST_F(HttpServerUnderLoad, StopFinishesTheCallInFlightAndClosesIdleConnections) {
    start(2);
    std::vector<int> idle;
    for (int i = 0; i < 10; ++i) {
        idle.push_back(connectTo(port_));
    }
    auto kept = connection();
    EXPECT_EQ(kept->Call("Eco", QVariantList{1}).toInt(), 1); // now idle, kept alive
    QVariant answer;
    std::thread caller([&] { answer = connection("Teste.rdmParada")->Call("Segura", {}); });
    while (!inCall_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QElapsedTimer stopping;
    stopping.start();
    server_->Stop();
    caller.join();
    EXPECT_EQ(answer.toString(), "terminou");
    EXPECT_LT(stopping.elapsed(), 10000) << "idle connections did not hold the stop";
    for (int fd : idle) {
        EXPECT_TRUE(closedByPeer(fd));
        ::close(fd);
    }
    EXPECT_LT(connectTo(port_), 0) << "a stopped server accepts nothing";
    EXPECT_THROW(kept->Call("Eco", QVariantList{2}), ERpcError);
}

// The server closes a kept-alive connection left idle; the next save, which is never
// sent twice, still goes through on a new connection.
TEST_F(HttpServerUnderLoad, ASaveAfterTheServerClosedAnIdleConnectionGoesThrough) {
    idleTimeoutSec_ = 1;
    start(2);
    auto c = connection();
    EXPECT_EQ(c->Call("Eco", QVariantList{1}).toInt(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    QList<TRpcArg> args{{QStringLiteral("a"), true}, {QStringLiteral("b"), true}};
    EXPECT_EQ(c->Call("Troca", args).toString(), "S");
    EXPECT_EQ(args[0].Value.toString(), "b");
}

// What HTTP clients and balancers send besides the desktop's calls.
TEST_F(HttpServerUnderLoad, HeadContinueAndChunkedBodiesAreHandled) {
    start(2);
    const int head = connectTo(port_);
    send(head, "HEAD /health HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    const QByteArray headAnswer = receive(head);
    ::close(head);
    EXPECT_TRUE(headAnswer.startsWith("HTTP/1.1 200")) << headAnswer.toStdString();
    EXPECT_TRUE(headAnswer.endsWith("\r\n\r\n")) << "no body after HEAD";

    const QByteArray body = EncodeArgs({{QStringLiteral("continua"), false}});
    const int wait = connectTo(port_);
    send(wait, "POST /rpc/Teste.rdmEco/Eco HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer "
               "tok-ana\r\nExpect: 100-continue\r\nConnection: close\r\nContent-Length: " +
                   QByteArray::number(body.size()) + "\r\n\r\n");
    EXPECT_TRUE(receive(wait, 300).startsWith("HTTP/1.1 100 Continue"));
    send(wait, body);
    const QByteArray waited = receive(wait);
    ::close(wait);
    ASSERT_TRUE(waited.startsWith("HTTP/1.1 200")) << waited.toStdString();
    EXPECT_EQ(DecodeResult(waited.mid(waited.indexOf("\r\n\r\n") + 4)).Result.toString(),
              "continua");

    const int chunked = connectTo(port_);
    send(chunked, "POST /rpc/Teste.rdmEco/Eco HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: "
                  "chunked\r\n\r\n");
    for (int i = 0; i < 4; ++i) {
        send(chunked, "200\r\n" + QByteArray(0x200, 'x') + "\r\n");
    }
    const QByteArray refused = receive(chunked);
    ::close(chunked);
    EXPECT_TRUE(refused.startsWith("HTTP/1.1 413")) << refused.toStdString();
}

// A database check that hangs until released.
class THungCheck {
public:
    ~THungCheck() { Release(); }
    std::function<bool()> Healthy() {
        return [this] {
            ++checks_;
            std::unique_lock lock(mutex_);
            answered_.wait(lock, [this] { return back_; });
            return true;
        };
    }
    void Release() {
        {
            const std::lock_guard lock(mutex_);
            back_ = true;
        }
        answered_.notify_all();
    }
    int Checks() const { return checks_; }

private:
    std::mutex mutex_;
    std::condition_variable answered_;
    bool back_ = false;
    std::atomic<int> checks_{0};
};

QByteArray health(int port) {
    const int fd = connectTo(port);
    send(fd, "GET /health HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    const QByteArray answer = receive(fd);
    ::close(fd);
    return answer;
}

// A database check that hangs: the balancer hears 503 within the check's limit, the
// checks that come meanwhile at once without queueing behind it, and "ok" again once
// the database answers.
// A server whose database check hangs until released, answered after `timeoutMs`.
class HttpHealth : public ::testing::Test {
protected:
    int start(int timeoutMs) {
        options_.Port = 0;
        options_.HealthTimeoutMs = timeoutMs;
        options_.Healthy = hung_.Healthy();
        server_ = std::make_unique<THttpServer>(dispatcher_, options_);
        return server_->Start();
    }
    ~HttpHealth() override {
        hung_.Release(); // the health thread is joined with the server
        server_.reset();
    }

    TDispatcher dispatcher_{sessions};
    THungCheck hung_;
    THttpServerOptions options_;
    std::unique_ptr<THttpServer> server_;
};

TEST_F(HttpHealth, AHungDatabaseCheckIsAnsweredWithinItsLimit) {
    const int port = start(300);
    QElapsedTimer clock;
    clock.start();
    const QByteArray timedOut = health(port);
    EXPECT_TRUE(timedOut.startsWith("HTTP/1.1 503")) << timedOut.toStdString();
    EXPECT_TRUE(timedOut.endsWith("database check timed out"));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_LT(clock.elapsed(), 2500);
    const QByteArray meanwhile = health(port);
    EXPECT_TRUE(meanwhile.startsWith("HTTP/1.1 503"));
    EXPECT_TRUE(meanwhile.endsWith("database check still running"));
    EXPECT_EQ(hung_.Checks(), 1);
    hung_.Release();
    QByteArray healthy;
    for (int i = 0; i < 50 && !healthy.startsWith("HTTP/1.1 200"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        healthy = health(port);
    }
    EXPECT_TRUE(healthy.startsWith("HTTP/1.1 200")) << healthy.toStdString();
    EXPECT_TRUE(healthy.endsWith("ok"));
}

// A stop does not wait out a check that hangs: its answer goes at once.
TEST_F(HttpHealth, AStopAnswersTheCheckItWouldWaitFor) {
    const int port = start(60000);
    const int fd = connectTo(port);
    send(fd, "GET /health HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    for (int i = 0; i < 1000 && hung_.Checks() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(hung_.Checks(), 1) << "the check under way";
    QElapsedTimer clock;
    clock.start();
    server_->Stop();
    EXPECT_LT(clock.elapsed(), 2000) << "not the check's 60 s";
    const QByteArray answer = receive(fd);
    ::close(fd);
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 503")) << answer.toStdString();
    EXPECT_TRUE(answer.endsWith("server stopping"));
}

// At the limit of open connections a newcomer waits to be accepted, and is served as
// soon as one of the others closes.
TEST(HttpLimits, ANewcomerBeyondTheConnectionLimitWaitsForAPlace) {
    TDispatcher dispatcher{sessions};
    THttpServerOptions o;
    o.Port = 0;
    o.MaxConnections = 2;
    THttpServer server(dispatcher, o);
    const int port = server.Start();
    const int first = connectTo(port);
    const int second = connectTo(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // both accepted
    const int third = connectTo(port);
    ASSERT_GE(third, 0) << "the listen queue takes it";
    send(third, "GET /health HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    pollfd waiting{third, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 300), 0) << "not served while two are open";
    ::close(first);
    const QByteArray answer = receive(third);
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << answer.toStdString();
    ::close(second);
    ::close(third);
}

// The throttle's origin behind a balancer: only a trusted balancer's own entry counts.
TEST(CallerOrigin, OnlyATrustedBalancersLastEntryIsBelieved) {
    const QStringList balancers{"10.0.0.5"};
    EXPECT_EQ(CallerOrigin("10.0.0.5", "203.0.113.7, 198.51.100.2", balancers), "198.51.100.2");
    EXPECT_EQ(CallerOrigin("10.0.0.6", "198.51.100.2", balancers), "10.0.0.6")
        << "an untrusted peer names nobody";
    EXPECT_EQ(CallerOrigin("10.0.0.5", "", balancers), "10.0.0.5");
    EXPECT_EQ(CallerOrigin("10.0.0.5", "não-sou-endereço", balancers), "10.0.0.5");
    EXPECT_EQ(CallerOrigin("10.0.0.5", "::ffff:198.51.100.2", balancers), "198.51.100.2");
    EXPECT_EQ(NormalAddress("::ffff:127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(NormalAddress("localhost"), "");
}

// A server that drops the connection of the first request to each path and answers
// the rest: what a restarted server or a balancer moving a client looks like.
class TDroppingServer {
public:
    // Dropped, or answered as a balancer whose server died mid-call.
    explicit TDroppingServer(bool badGateway = false)
        : badGateway_(badGateway) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        ::listen(listener_, 8);
        socklen_t len = sizeof(addr);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~TDroppingServer() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    int Port() const { return port_; }
    int Requests(const QByteArray& path) {
        QMutexLocker lock(&mutex_);
        return requests_[path];
    }

private:
    void serve() {
        for (int fd; (fd = ::accept(listener_, nullptr, nullptr)) >= 0;) {
            while (answerOne(fd)) {
            }
            ::close(fd);
        }
    }
    bool answerOne(int fd) {
        QByteArray in;
        char buffer[4096];
        qsizetype end = -1;
        while ((end = in.indexOf("\r\n\r\n")) < 0) {
            const ssize_t n = ::read(fd, buffer, sizeof(buffer));
            if (n <= 0) {
                return false;
            }
            in.append(buffer, n);
        }
        const QByteArray head = in.left(end);
        const QByteArray path = head.split(' ').value(1);
        const qsizetype at = head.toLower().indexOf("content-length:");
        const int length = at < 0 ? 0 : head.mid(at + 15).split('\r').first().trimmed().toInt();
        while (in.size() < end + 4 + length) {
            const ssize_t n = ::read(fd, buffer, sizeof(buffer));
            if (n <= 0) {
                return false;
            }
            in.append(buffer, n);
        }
        int seen = 0;
        {
            QMutexLocker lock(&mutex_);
            seen = ++requests_[path];
        }
        if (seen == 1 && !badGateway_) {
            return false; // read, then gone without a word
        }
        if (seen == 1) {
            static const QByteArray gateway =
                "HTTP/1.1 502 Bad Gateway\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\n"
                "<p/>\n";
            return ::write(fd, gateway.constData(), size_t(gateway.size())) == gateway.size();
        }
        const QByteArray body = EncodeResult({QStringLiteral("ok"), {}});
        const QByteArray answer =
            "HTTP/1.1 200 OK\r\nContent-Type: application/cbor\r\nContent-Length: " +
            QByteArray::number(body.size()) + "\r\n\r\n" + body;
        return ::write(fd, answer.constData(), size_t(answer.size())) == answer.size();
    }

    bool badGateway_ = false;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    QMutex mutex_;
    std::map<QByteArray, int> requests_;
};

// Lost with its connection, or answered 502 by a balancer whose server died mid-call.
class HttpClient : public ::testing::TestWithParam<bool> {};

TEST_P(HttpClient, AReadIsSentOnceMoreAWriteNeverAndIsReportedAsPossiblyDone) {
    TDroppingServer server(GetParam());
    TNetConnection c("netPlanejamento");
    c.SetServerName("Pla00100.rdmParamCardIndu");
    c.SetTokenSource([] { return QStringLiteral("tok-ana"); });
    c.SetTransportFactory([&server](const TNetConnection&) {
        THttpClientOptions o;
        o.Port = server.Port();
        o.ReadTimeoutMs = 5000;
        return std::make_unique<THttpTransport>(o);
    });
    EXPECT_EQ(c.Call("GetMesCard", QVariantList{"001", "01"}).toString(), "ok");
    EXPECT_EQ(server.Requests("/rpc/Pla00100.rdmParamCardIndu/GetMesCard"), 2);

    try {
        QList<TRpcArg> args;
        for (const TParam& p : metodos::UpdateCache().Params) {
            args.append({QVariant(), p.ByRef});
        }
        c.Call("UpdateCache", args);
        FAIL() << "a lost save must be reported";
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Status(), GetParam() ? 502 : 0);
        EXPECT_TRUE(e.message().contains("pode ter sido feita")) << qPrintable(e.message());
    }
    EXPECT_EQ(server.Requests("/rpc/Pla00100.rdmParamCardIndu/UpdateCache"), 1)
        << "a write is never sent twice";
    // The next call goes through on a fresh connection.
    EXPECT_EQ(c.Call("GetMesCard", QVariantList{"001", "01"}).toString(), "ok");
}

INSTANTIATE_TEST_SUITE_P(Losses, HttpClient, ::testing::Bool(), [](const auto& info) {
    return info.param ? "BalancersBadGateway" : "ConnectionDropped";
});

} // namespace
