#include "qt_print.h"
#include "server/server_config.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pla;
using namespace pla::server;

namespace {

TEST(ServerConfig, DefaultsAreSafe) {
    const TServerConfig c = TServerConfig::FromArguments({});
    EXPECT_EQ(c.Http.Address, "127.0.0.1") << "loopback unless told otherwise";
    EXPECT_EQ(c.Http.Port, 8421);
    EXPECT_GE(c.Http.Threads, 4);
    EXPECT_EQ(c.DatabaseUrl, "sqlite:pla.db");
    EXPECT_TRUE(c.Http.CertFile.isEmpty());
}

TEST(ServerConfig, TheCommandLineOverridesTheFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("pla.ini");
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[server]\nlisten=0.0.0.0\nport=9000\nthreads=12\n"
              "database=postgresql://pla@db.local/pla\nmax-body=1048576\nsession-minutes=60\n"
              "trusted-proxy=10.0.0.5, ::ffff:10.0.0.6\nhealth-timeout=2\nmax-connections=5000\n");
    ini.close();
    const TServerConfig c = TServerConfig::FromArguments({"--port", "9100", "--config", file});
    EXPECT_EQ(c.Http.Address, "0.0.0.0");
    EXPECT_EQ(c.Http.Port, 9100);
    EXPECT_EQ(c.Http.Threads, 12);
    EXPECT_EQ(c.DatabaseUrl, "postgresql://pla@db.local/pla");
    EXPECT_EQ(c.Http.MaxBodyBytes, 1048576);
    EXPECT_EQ(c.SessionMinutes, 60);
    EXPECT_EQ(c.Http.TrustedProxies, QStringList({"10.0.0.5", "10.0.0.6"}));
    EXPECT_EQ(c.Http.HealthTimeoutMs, 2000);
    EXPECT_EQ(c.Http.MaxConnections, 5000);
}

TEST(ServerConfig, BadOptionsAreNamed) {
    auto message = [](const QStringList& args) {
        try {
            TServerConfig::FromArguments(args);
        } catch (const EPlaError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_TRUE(message({"--port", "70000"}).contains("port"));
    EXPECT_TRUE(message({"--threads", "muitas"}).contains("threads"));
    EXPECT_TRUE(message({"--porta", "1"}).contains("porta"));
    EXPECT_TRUE(message({"--port"}).contains("Falta o valor"));
    EXPECT_TRUE(message({"--health-timeout", "0"}).contains("health-timeout"));
    EXPECT_TRUE(message({"solto"}).contains("solto"));
    EXPECT_TRUE(message({"--database", "mysql://x/y"}).contains("sqlite:"));
    EXPECT_TRUE(message({"--cert", "a.pem"}).contains("--key"));
    EXPECT_TRUE(message({"--trusted-proxy", "10.0.0.5,balanceador"}).contains("balanceador"));
    EXPECT_TRUE(message({"--config", "/nao/existe.ini"}).contains("/nao/existe.ini"));
}

} // namespace
