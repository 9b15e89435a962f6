// Two pla-server processes on one PostgreSQL behind HAProxy, as a deployment with
// several servers runs them: any server answers any session, the optimistic refusal
// holds across servers, and a server killed mid-run loses nothing committed.
#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "rpc/http_transport.h"
#include "rpc/net_connection.h"
#include "rpc/session_client.h"
#include "server/embedded_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::test;

namespace {

const QString Haproxy = QStringLiteral("/usr/sbin/haproxy");
const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");
const QString Branch = QStringLiteral("0001");
const QString Service = QStringLiteral("00001");

QString urlOf(const db::TDatabaseUrl& u) {
    // The throwaway cluster listens on a Unix socket folder.
    return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4")
        .arg(u.User, u.Database, u.Host)
        .arg(u.Port);
}

// A server or balancer started by the test ends with it, even when it crashes.
void dieWithTheTest() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    socklen_t len = sizeof(addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// A pla-server process; its port is the one it prints when it listens.
class TServerProcess {
public:
    TServerProcess(const QString& url) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PLA_HOJE"), Hoje().toString(Qt::ISODate));
        process_.setProcessEnvironment(env);
        process_.setReadChannel(QProcess::StandardError);
        process_.setChildProcessModifier(dieWithTheTest);
        process_.start(QStringLiteral(PLA_SERVER_BIN),
                       {"--database", url, "--port", "0", "--threads", "4", "--trusted-proxy",
                        "127.0.0.1", "--idle-timeout", "30"});
        const QRegularExpression listening(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)"));
        QElapsedTimer waited;
        waited.start();
        while (port_ == 0 && waited.elapsed() < 60000 && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(200);
            log_ += QString::fromUtf8(process_.readAllStandardError());
            if (const auto m = listening.match(log_); m.hasMatch()) {
                port_ = m.captured(1).toInt();
            }
        }
    }
    ~TServerProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    int Port() const { return port_; }
    QString Log() { return log_ += QString::fromUtf8(process_.readAllStandardError()); }
    QProcess& Process() { return process_; }

private:
    QProcess process_;
    QString log_;
    int port_ = 0;
};

std::unique_ptr<TNetConnection> connectTo(int port, const QString& token) {
    auto c = std::make_unique<TNetConnection>(QStringLiteral("netPlanejamento"));
    c->SetServerName(Module);
    c->SetTokenSource([token] { return token; });
    c->SetTransportFactory([port](const TNetConnection&) {
        THttpClientOptions o;
        o.Port = port;
        o.ReadTimeoutMs = 20000;
        return std::make_unique<THttpTransport>(o);
    });
    return c;
}

QString signIn(int port, const QString& code, const QString& password) {
    THttpClientOptions o;
    o.Port = port;
    THttpTransport t(o);
    try {
        return SignIn(t, code, password).Token;
    } catch (const ERpcError&) {
        return {}; // the balancer may not see a server up yet
    }
}

// One planner's open month, as the screen holds it.
struct TOpenMonth {
    TMemTable Days{"cdsCardaDia"};
    TMemTable Dishes{"cdsCompCardCache"};

    void Load(TNetConnection& c, const QDate& month) {
        QList<TRpcArg> args{{Branch, true},    {"PLA00101", false},     {Service, true},
                            {"NUTRI1", false}, {DataHora(month), true}, {false, false}};
        const QVariantList r = c.Call("GetCardapio", args).toList();
        Days.SetData(ToDataPacket(r[5]));
        Dishes.SetData(ToDataPacket(r[6]));
    }
    // Sets the diners of the nth day of the month the service has.
    QString SetDiners(int nth, int diners) {
        Days.First();
        for (int i = 0; i < nth && !Days.Eof(); ++i) {
            Days.Next();
        }
        Days.Edit();
        Days.FieldByName("QTCOMESTICAR").SetAsFloat(diners);
        Days.Post();
        return Days.FieldByName("NRCARDAPIO").AsString();
    }
    QString Save(TNetConnection& c) {
        const auto delta = [](TMemTable& t) {
            return t.ChangeCount() > 0 ? FromDataPacket(t.Delta()) : QVariant();
        };
        QList<TRpcArg> args{{"NUTRI1", false},
                            {false, false},
                            {delta(Days), true},
                            {delta(Dishes), true},
                            {QStringLiteral("N"), true}};
        return c.Call("UpdateCache", args).toString();
    }
};

TEST(Cluster, TwoServersBehindHaproxyShareSessionsRefusalsAndSurviveALoss) {
    if (!QFile::exists(Haproxy)) {
        GTEST_SKIP() << "haproxy is not installed (scripts/setup installs it)";
    }
    TEmbeddedServer data(TEngine::PostgreSQL, Hoje());
    const QString url = urlOf(data.Url());
    QString password;
    for (const auto& op : data.Demo().Operators) {
        if (op.Code == QLatin1String("NUTRI1")) {
            password = op.Password;
        }
    }
    auto a = std::make_unique<TServerProcess>(url);
    TServerProcess b(url);
    ASSERT_GT(a->Port(), 0) << a->Log().toStdString();
    ASSERT_GT(b.Port(), 0) << b.Log().toStdString();

    QTemporaryDir dir;
    const int front = freePort();
    QFile cfg(dir.filePath("haproxy.cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write(QStringLiteral("global\n"
                             "    maxconn 2000\n"
                             "defaults\n"
                             "    mode http\n"
                             "    timeout connect 2s\n"
                             "    timeout client 60s\n"
                             "    timeout server 60s\n"
                             "    option forwardfor\n"
                             "    option redispatch\n"
                             "    retries 3\n"
                             "frontend planejamento\n"
                             "    bind 127.0.0.1:%1\n"
                             "    default_backend servidores\n"
                             "backend servidores\n"
                             "    balance roundrobin\n"
                             "    option httpchk GET /health\n"
                             "    default-server inter 200ms fall 2 rise 1\n"
                             "    server a 127.0.0.1:%2 check\n"
                             "    server b 127.0.0.1:%3 check\n")
                  .arg(front)
                  .arg(a->Port())
                  .arg(b.Port())
                  .toUtf8());
    cfg.close();
    QProcess balancer;
    balancer.setProcessChannelMode(QProcess::MergedChannels);
    balancer.setChildProcessModifier(dieWithTheTest);
    balancer.start(Haproxy, {"-db", "-f", cfg.fileName()});
    ASSERT_TRUE(balancer.waitForStarted(5000));
    const auto stopBalancer = qScopeGuard([&] {
        balancer.kill();
        balancer.waitForFinished(5000);
    });
    QString token;
    for (int i = 0; i < 100 && token.isEmpty(); ++i) {
        QThread::msleep(100);
        token = signIn(front, "NUTRI1", password);
    }
    ASSERT_FALSE(token.isEmpty()) << balancer.readAll().toStdString();

    // A session signed in through one server works through the other.
    const QString onA = signIn(a->Port(), "NUTRI1", password);
    ASSERT_FALSE(onA.isEmpty());
    EXPECT_FALSE(
        connectTo(b.Port(), onA)->Call("GetMesCard", QVariantList{Branch, Service}).isNull());

    // Two desktops save the same day through different servers: the later is refused
    // and the earlier's diners stay.
    const QDate month = PriDiaMes(Hoje()).addMonths(1);
    const QString onB = signIn(b.Port(), "NUTRI1", password);
    auto viaA = connectTo(a->Port(), onA);
    auto viaB = connectTo(b.Port(), onB);
    TOpenMonth first;
    TOpenMonth second;
    first.Load(*viaA, month);
    second.Load(*viaB, month);
    const QString day = first.SetDiners(3, 411);
    second.SetDiners(3, 422);
    EXPECT_EQ(first.Save(*viaA), day); // a save answers with its day
    EXPECT_TRUE(second.Save(*viaB).contains("foi alterado por outro operador"));
    const auto diners = [&](const QString& nr) {
        return data.Db()
            .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = ? AND NRCARDAPIO = ?",
                    {Branch, nr})
            .toInt();
    };
    EXPECT_EQ(diners(day), 411);

    // Through the balancer, one server is killed while a reader and a writer work:
    // every read is answered (one lost with its server is sent again), every save
    // reported done is in the database, and the other server goes on answering.
    std::atomic<bool> reading{true};
    std::atomic<int> reads{0};
    std::atomic<int> readFailures{0};
    std::thread reader([&] {
        auto c = connectTo(front, token);
        while (reading) {
            try {
                TOpenMonth m;
                m.Load(*c, month);
                ++reads;
            } catch (const ERpcError& e) {
                ++readFailures;
                qWarning("read failed: %s", qPrintable(e.message()));
            }
        }
    });
    auto viaFront = connectTo(front, token);
    std::map<QString, int> saved;
    int failures = 0;
    int afterLoss = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 6) {
            a->Process().kill();
            a->Process().waitForFinished(5000);
        }
        try {
            TOpenMonth m;
            m.Load(*viaFront, month);
            const QString nr = m.SetDiners(5 + i, 500 + i);
            if (m.Save(*viaFront) == nr) {
                saved[nr] = 500 + i;
                afterLoss += i >= 6 ? 1 : 0;
            }
        } catch (const ERpcError&) {
            ++failures; // a save in flight on the killed server: reported, never resent
        }
    }
    reading = false;
    reader.join();
    EXPECT_EQ(readFailures.load(), 0) << reads.load() << " reads";
    EXPECT_LE(failures, 1);
    EXPECT_GE(afterLoss, 9) << "the other server keeps answering";
    for (const auto& [nr, value] : saved) {
        EXPECT_EQ(diners(nr), value) << nr.toStdString();
    }

    // SIGTERM with open connections: the server stops at once and says so.
    viaB->Call("GetMesCard", QVariantList{Branch, Service}); // a kept-alive connection
    QElapsedTimer stopping;
    stopping.start();
    b.Process().terminate();
    ASSERT_TRUE(b.Process().waitForFinished(10000));
    EXPECT_EQ(b.Process().exitCode(), 0);
    EXPECT_LT(stopping.elapsed(), 5000) << "open connections did not hold the stop";
    EXPECT_TRUE(b.Log().contains("pla-server: stopped"));
}

} // namespace
