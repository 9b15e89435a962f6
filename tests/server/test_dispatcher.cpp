#include "core/dates.h"
#include "echo_module.h"
#include "qt_print.h"
#include "rpc/http_transport.h"
#include "rpc/net_connection.h"
#include "server/http_server.h"
#include "server/in_process_transport.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/resource.h>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;

namespace {

TFixedSessions sessions;

enum class TWay { InProcess, Http };

class Calls : public ::testing::TestWithParam<TWay> {
protected:
    void SetUp() override {
        dispatcher_.AddModule(EchoModule());
        dispatcher_.SetMaxBodyBytes(64 * 1024);
        if (GetParam() == TWay::Http) {
            THttpServerOptions o;
            o.Port = 0;
            o.Threads = 8;
            o.MaxBodyBytes = 64 * 1024;
            http_ = std::make_unique<THttpServer>(dispatcher_, o);
            port_ = http_->Start();
        }
    }

    std::unique_ptr<TNetConnection> connection(const QString& token = "tok-ana",
                                               const QString& server = "Teste.rdmEco") {
        auto c = std::make_unique<TNetConnection>("netTeste");
        c->SetServerName(server);
        c->SetTokenSource([token] { return token; });
        const int port = port_;
        c->BeforeConnect = [port](TNetConnection& n) {
            if (port != 0) {
                n.SetHost("127.0.0.1");
                n.SetPort(port);
            }
        };
        c->SetTransportFactory([this](const TNetConnection& n) -> std::unique_ptr<TRpcTransport> {
            if (n.Host().isEmpty()) {
                return std::make_unique<TInProcessTransport>(dispatcher_);
            }
            THttpClientOptions o;
            o.Host = n.Host();
            o.Port = n.Port();
            o.ReadTimeoutMs = 2000;
            return std::make_unique<THttpTransport>(o);
        });
        return c;
    }

    TDispatcher dispatcher_{sessions};
    std::unique_ptr<THttpServer> http_;
    int port_ = 0;
};

TEST_P(Calls, EveryValueTypeGoesAndComesBack) {
    auto c = connection();
    TDataPacket p;
    p.Fields = {{"CDFILIAL", TFieldType::FixedString, 4, true}};
    p.Rows = {{TRowKind::Modified, {QStringLiteral("0002")}, {QStringLiteral("0001")}}};
    const QVariantList values{QVariant(),
                              true,
                              qlonglong(-7),
                              2.675,
                              QStringLiteral("Feijão"),
                              QByteArray("\x01\x02"),
                              DataHora(QDate(2026, 12, 1)),
                              QVariantList{1, QVariantList{2}},
                              FromDataPacket(p)};
    for (const QVariant& v : values) {
        const QVariant back = c->Call("Eco", QVariantList{v});
        if (IsDataPacket(v)) {
            EXPECT_EQ(ToDataPacket(back), p);
        } else {
            EXPECT_EQ(CompareValues(back, v), 0) << v.typeName();
            EXPECT_EQ(back.isValid(), v.isValid());
        }
    }
}

TEST_P(Calls, ByReferenceArgumentsAreWrittenBack) {
    auto c = connection();
    QList<TRpcArg> args{{QStringLiteral("um"), true}, {QStringLiteral("dois"), true}};
    EXPECT_EQ(c->Call("troca", args).toString(), "S") << "method names ignore case";
    EXPECT_EQ(args[0].Value.toString(), "dois");
    EXPECT_EQ(args[1].Value.toString(), "um");

    QList<TRpcArg> typed{{QStringLiteral("t"), false},
                         {qlonglong(3), false},
                         {qlonglong(4), false},
                         {true, false},
                         {DataHora(QDate(2026, 12, 31)), true},
                         {QByteArray("b"), false}};
    const QVariantList r = c->Call("Tipos", typed).toList();
    ASSERT_EQ(r.size(), 5);
    EXPECT_EQ(r[2].toDouble(), 4.0) << "an integer serves a float argument";
    EXPECT_EQ(typed[4].Value.toDateTime(), DataHora(QDate(2027, 1, 1)));
}

TEST_P(Calls, MethodRefusalsAreErrorTextsNotTransportErrors) {
    auto c = connection();
    const QVariant r = c->Call("Recusa", QVariantList{});
    EXPECT_EQ(r.toString(), "Filial não cadastrada.");
    EXPECT_THROW(CheckResultServ(r), EPlaError);
}

TEST_P(Calls, TransportErrorsNameTheProblem) {
    auto c = connection();
    auto status = [&](const QString& method, QList<TRpcArg> args) {
        try {
            c->Call(method, args);
        } catch (const ERpcError& e) {
            EXPECT_TRUE(e.message().startsWith("Servidor Teste.rdmEco, método " + method))
                << e.message().toStdString();
            return e.Status();
        }
        return 200;
    };
    EXPECT_EQ(status("NaoExiste", {}), 404);
    EXPECT_EQ(status("Eco", {}), 400);                                 // too few
    EXPECT_EQ(status("Eco", {{1, false}, {2, false}}), 400);           // too many
    EXPECT_EQ(status("Demora", {{QStringLiteral("10"), false}}), 400); // wrong type
    EXPECT_EQ(status("Troca", {{QStringLiteral("a"), false}, {QStringLiteral("b"), true}}),
              400); // by value where the method writes back
    EXPECT_EQ(status("QuemSou", {{QStringLiteral("BIA"), false}}), 403); // not the session's
    EXPECT_EQ(status("Quebra", {}), 500);
    EXPECT_EQ(c->Call("QuemSou", QVariantList{QStringLiteral("ana ")}).toString(), "ANA");

    auto other = connection("tok-ana", "Outro.rdmNada");
    EXPECT_THROW(other->Call("Eco", QVariantList{1}), ERpcError);
    for (const QString& token : {QString(), QStringLiteral("tok-forjado")}) {
        auto anon = connection(token);
        try {
            anon->Call("Eco", QVariantList{1});
            FAIL();
        } catch (const ERpcError& e) {
            EXPECT_EQ(e.Status(), 401);
        }
    }
}

TEST_P(Calls, OversizeBodiesAreRefusedWhole) {
    auto c = connection();
    const QString big(40 * 1024, QLatin1Char('x')); // 80 KiB of UTF-16, 40 KiB of UTF-8
    EXPECT_EQ(c->Call("Eco", QVariantList{big}).toString().size(), big.size());
    try {
        c->Call("Eco", QVariantList{QString(70 * 1024, QLatin1Char('y'))});
        FAIL();
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Status(), 413);
    }
    EXPECT_EQ(c->Call("Eco", QVariantList{1}).toLongLong(), 1) << "the connection still works";
}

TEST_P(Calls, ConcurrentClientsGetTheirOwnAnswers) {
    constexpr int clients = 8;
    constexpr int calls = 40;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            auto c = connection(t % 2 ? "tok-ana" : "tok-bia");
            for (int i = 0; i < calls; ++i) {
                const QString mine = QStringLiteral("%1-%2").arg(t).arg(i);
                QList<TRpcArg> args{{mine, true}, {QString::number(i), true}};
                c->Call("Troca", args);
                if (args[0].Value.toString() != QString::number(i) ||
                    args[1].Value.toString() != mine ||
                    c->Call("Eco", QVariantList{mine}).toString() != mine) {
                    ++wrong;
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothTransports, Calls, ::testing::Values(TWay::InProcess, TWay::Http),
                         [](const auto& info) {
                             return info.param == TWay::Http ? "Http" : "InProcess";
                         });

// The peak resident memory of this process (each test runs in its own), in bytes.
long peakResident() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

TEST(DispatcherLimits, ABodyOfTinyValuesIsStoppedByTheValuesItsSizeAllows) {
    TDispatcher d(sessions);
    d.AddModule(EchoModule());
    ASSERT_EQ(d.MaxBodyBytes(), 4 * 1024 * 1024) << "a month's save is well under 1 MB";
    // One argument: an array of nulls filling the body, one byte each.
    const quint32 n = 4 * 1024 * 1024 - 16;
    QByteArray body;
    body.append(char(0x81)); // the arguments: one
    body.append(char(0x82)); // [byRef, value]
    body.append(char(0xF4)); // by value
    body.append(char(0x9A)); // array, 4-byte count
    for (int shift = 24; shift >= 0; shift -= 8) {
        body.append(char((n >> shift) & 0xFF));
    }
    body.append(QByteArray(n, char(0xF6)));
    const long before = peakResident();
    const TDispatchReply reply = d.Dispatch("Teste.rdmEco", "Eco", "tok-ana", body);
    EXPECT_EQ(reply.Status, 400);
    EXPECT_TRUE(DecodeErrorBody(reply.Body).contains("valores demais (mais de 524288)"))
        << DecodeErrorBody(reply.Body).toStdString();
    EXPECT_LT(peakResident() - before, 16L * body.size())
        << "memory a small multiple of the body, not a value per byte";
}

TEST(NetConnection, ConnectServerCountsAndNeverGoesBelowZero) {
    TNetConnection c("netParamCardIndu");
    int opened = 0;
    c.SetTransportFactory([&](const TNetConnection&) -> std::unique_ptr<TRpcTransport> {
        ++opened;
        class TNull : public TRpcTransport {
            TTransportReply Post(const QString&, const QString&, const QString&,
                                 const QByteArray&) override {
                return {};
            }
            TTransportReply SignIn(const QByteArray&) override { return {}; }
            TTransportReply SignOut(const QString&) override { return {}; }
        };
        return std::make_unique<TNull>();
    });
    TConnectionCounter counter;
    counter.ConnectServer(c, false);
    EXPECT_EQ(counter.Count(c), 0);
    {
        TServerCallScope outer(counter, c);
        EXPECT_TRUE(c.Connected());
        {
            TServerCallScope inner(counter, c);
            EXPECT_EQ(counter.Count(c), 2);
        }
        EXPECT_TRUE(c.Connected()) << "the outer call still holds it";
    }
    EXPECT_FALSE(c.Connected());
    EXPECT_EQ(opened, 1);
    try {
        TServerCallScope scope(counter, c);
        throw std::runtime_error("falha no meio");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(c.Connected()) << "released on failure too";
    EXPECT_EQ(counter.Count(c), 0);
}

TEST(NetConnection, ADownServerFailsQuicklyNamingServerAndMethod) {
    // A port that was free a moment ago and that nobody listens on.
    int port = 0;
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        ::close(fd);
    }
    TNetConnection c("netCustoServ");
    c.SetServerName("Pla00106.rdmCustoServ");
    c.SetTransportFactory([port](const TNetConnection&) {
        THttpClientOptions o;
        o.Port = port;
        o.ConnectTimeoutMs = 500;
        return std::make_unique<THttpTransport>(o);
    });
    QElapsedTimer t;
    t.start();
    try {
        c.Call("GetParams", QVariantList{QStringLiteral("0001")});
        FAIL();
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Status(), 0);
        EXPECT_TRUE(e.message().startsWith("Servidor Pla00106.rdmCustoServ, método GetParams"));
    }
    EXPECT_LT(t.elapsed(), 5000);
}

TEST(NetConnection, ASlowServerTimesOut) {
    TDispatcher d(sessions);
    d.AddModule(EchoModule());
    THttpServerOptions so;
    so.Port = 0;
    THttpServer server(d, so);
    const int port = server.Start();
    TNetConnection c("netLento");
    c.SetServerName("Teste.rdmEco");
    c.SetTokenSource([] { return QStringLiteral("tok-ana"); });
    c.SetTransportFactory([port](const TNetConnection&) {
        THttpClientOptions o;
        o.Port = port;
        o.ReadTimeoutMs = 300;
        return std::make_unique<THttpTransport>(o);
    });
    EXPECT_THROW(c.Call("Demora", QVariantList{qlonglong(1500)}), ERpcError);
}

TEST(HttpServer, RawRequestsAreAnsweredWithoutHarm) {
    TDispatcher d(sessions);
    d.AddModule(EchoModule());
    THttpServerOptions so;
    so.Port = 0;
    so.MaxBodyBytes = 1024;
    THttpServer server(d, so);
    httplib::Client cli("127.0.0.1", server.Start());
    const httplib::Headers auth{{"Authorization", "Bearer tok-ana"}};
    auto health = cli.Get("/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 200);
    auto garbage = cli.Post("/rpc/Teste.rdmEco/Eco", auth, "\xff\x00garbage", "application/cbor");
    ASSERT_TRUE(garbage);
    EXPECT_EQ(garbage->status, 400);
    EXPECT_FALSE(DecodeErrorBody(QByteArray::fromStdString(garbage->body)).isEmpty());
    auto big = cli.Post("/rpc/Teste.rdmEco/Eco", auth, std::string(4096, 'x'), "application/cbor");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->status, 413);
    EXPECT_FALSE(DecodeErrorBody(QByteArray::fromStdString(big->body)).isEmpty());
    auto path = cli.Get("/etc/passwd");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->status, 404);
    EXPECT_FALSE(DecodeErrorBody(QByteArray::fromStdString(path->body)).isEmpty());
    auto ok = cli.Post("/rpc/Teste.rdmEco/Eco", auth,
                       EncodeArgs({{QStringLiteral("ainda vivo"), false}}).toStdString(),
                       "application/cbor");
    ASSERT_TRUE(ok);
    EXPECT_EQ(DecodeResult(QByteArray::fromStdString(ok->body)).Result.toString(), "ainda vivo");
}

} // namespace
