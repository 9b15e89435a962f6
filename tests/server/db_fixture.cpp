#include "db_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace pla::test {

namespace {

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

QString pgBin(const QString& tool) {
    for (const QString& dir : {QStringLiteral("/usr/lib/postgresql/15/bin"),
                               QStringLiteral("/usr/lib/postgresql/16/bin"),
                               QStringLiteral("/usr/lib/postgresql/17/bin")}) {
        if (QFile::exists(dir + "/" + tool)) {
            return dir + "/" + tool;
        }
    }
    throw std::runtime_error(
        ("PostgreSQL's " + tool + " was not found: run scripts/setup").toStdString());
}

// The cluster runs as the "postgres" user when the tests run as root (initdb
// refuses root), as the current user otherwise.
class TCluster {
public:
    TCluster() {
        dir_ = QDir::tempPath() + "/pla-pg-" + QUuid::createUuid().toString(QUuid::Id128);
        QDir().mkpath(dir_);
        asPostgres_ = ::geteuid() == 0;
        if (asPostgres_) {
            const passwd* pw = ::getpwnam("postgres");
            if (!pw) {
                throw std::runtime_error("no postgres user to run the test cluster as");
            }
            if (::chown(dir_.toLocal8Bit().constData(), pw->pw_uid, pw->pw_gid) != 0) {
                throw std::runtime_error("cannot give the test cluster folder to postgres");
            }
        }
        run(pgBin("initdb"), {"-D", dir_ + "/data", "-A", "trust", "-U", "pla", "--no-sync", "-E",
                              "UTF8", "--locale=C"});
        // Another test program may take the same free port between the probe and the
        // start: try a few.
        for (int attempt = 0;; ++attempt) {
            port_ = freePort();
            try {
                run(pgBin("pg_ctl"),
                    {"-D", dir_ + "/data", "-l", dir_ + "/log", "-w", "-t", "60", "-o",
                     QStringLiteral("-k %1 -p %2 -c listen_addresses='' -c fsync=off "
                                    "-c synchronous_commit=off -c full_page_writes=off")
                         .arg(dir_)
                         .arg(port_),
                     "start"});
                return;
            } catch (const std::runtime_error&) {
                if (attempt == 2) {
                    throw;
                }
            }
        }
    }

    ~TCluster() {
        // Static destruction: no Qt event loop to rely on, only the shell.
        const std::string stop =
            (asPostgres_ ? std::string("runuser -u postgres -- ") : std::string()) +
            pgBin("pg_ctl").toStdString() + " -D '" + dir_.toStdString() +
            "/data' -m immediate -w stop >/dev/null 2>&1";
        [[maybe_unused]] const int rc1 = std::system(stop.c_str());
        const std::string remove = "rm -rf '" + dir_.toStdString() + "'";
        [[maybe_unused]] const int rc2 = std::system(remove.c_str());
    }

    db::TDatabaseUrl Url(const QString& database) const {
        db::TDatabaseUrl u;
        u.Dialect = db::TDialect::PostgreSQL;
        u.Host = dir_;
        u.Port = port_;
        u.User = QStringLiteral("pla");
        u.Database = database;
        return u;
    }

private:
    void run(const QString& program, QStringList args) {
        QProcess p;
        if (asPostgres_) {
            args.prepend(program);
            args.prepend(QStringLiteral("--"));
            args.prepend(QStringLiteral("postgres"));
            args.prepend(QStringLiteral("-u"));
            p.start(QStringLiteral("runuser"), args);
        } else {
            p.start(program, args);
        }
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            QFile log(dir_ + "/log");
            log.open(QIODevice::ReadOnly);
            throw std::runtime_error(
                (QStringLiteral("test cluster: %1 failed: %2 %3 %4")
                     .arg(program, QString::fromLocal8Bit(p.readAllStandardError()),
                          QString::fromLocal8Bit(p.readAllStandardOutput()),
                          QString::fromLocal8Bit(log.readAll())))
                    .toStdString());
        }
    }

    QString dir_;
    int port_ = 0;
    bool asPostgres_ = false;
};

TCluster& cluster() {
    static TCluster c;
    return c;
}

} // namespace

const char* EngineName(TEngine engine) {
    return engine == TEngine::SQLite ? "SQLite" : "PostgreSQL";
}

db::TDatabaseUrl FreshDatabase(TEngine engine) {
    static std::mutex mutex;
    static int counter = 0;
    std::lock_guard lock(mutex);
    ++counter;
    if (engine == TEngine::SQLite) {
        static QTemporaryDir dir;
        db::TDatabaseUrl u;
        u.Dialect = db::TDialect::SQLite;
        u.Path = dir.filePath(QStringLiteral("t%1.db").arg(counter));
        return u;
    }
    TCluster& c = cluster();
    const QString name = QStringLiteral("pla_t%1").arg(counter);
    {
        db::TDatabase admin(c.Url(QStringLiteral("postgres")));
        admin.Exec(QStringLiteral("CREATE DATABASE %1").arg(name));
    }
    return c.Url(name);
}

db::TDatabaseUrl CopyOfDatabase(TEngine engine, const db::TDatabaseUrl& source) {
    db::TDatabaseUrl copy = FreshDatabase(engine);
    if (engine == TEngine::SQLite) {
        QFile::remove(copy.Path);
        if (!QFile::copy(source.Path, copy.Path)) {
            throw std::runtime_error("cannot copy " + source.Path.toStdString());
        }
        return copy;
    }
    db::TDatabase admin(cluster().Url(QStringLiteral("postgres")));
    admin.Exec(QStringLiteral("DROP DATABASE %1").arg(copy.Database));
    admin.Exec(
        QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(copy.Database, source.Database));
    return copy;
}

} // namespace pla::test
