// pla-server: serves the planning data over HTTP to the desktop applications.
#include "core/clock.h"
#include "core/errors.h"
#include "server/migrations.h"
#include "server/modules/modules.h"
#include "server/server_config.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

using namespace pla;
using namespace pla::server;

int main(int argc, char** argv) {
    pla::FixaFusoHorario();
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(TServerConfig::Usage().toUtf8().constData(), stdout);
        return 0;
    }
    try {
        const TServerConfig config = TServerConfig::FromArguments(args);
        const TDatabaseUrl url = TDatabaseUrl::Parse(config.DatabaseUrl);

        // SIGINT and SIGTERM are taken by one thread that stops the server cleanly;
        // block them before any other thread starts so that none receives them.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

        // Every open desktop holds a descriptor while idle: take what the system allows.
        rlimit files{};
        if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
            files.rlim_cur = files.rlim_max;
            setrlimit(RLIMIT_NOFILE, &files);
        }

        TDatabasePool pool(url);
        const int version = Migrate(pool.ForThisThread());
        TSessionService sessions(pool, config.SessionMinutes);
        sessions.PurgeExpired();
        TDispatcher dispatcher(sessions);
        dispatcher.SetMaxBodyBytes(config.Http.MaxBodyBytes);
        dispatcher.SetDatabase([&pool] { return &pool.ForThisThread(); });
        AddAllModules(dispatcher, sessions);

        THttpServerOptions http = config.Http;
        http.Healthy = [&pool] { return pool.Healthy(); };
        THttpServer server(dispatcher, http);
        // The stopper may fire before serving starts; Stop then ends Serve at once.
        std::thread stopper([&server, stopSignals] {
            int sig = 0;
            sigwait(&stopSignals, &sig);
            server.Stop();
        });
        stopper.detach();
        const int port = server.Bind();
        std::fprintf(stderr,
                     "pla-server: %s://%s:%d, database %s (schema %d), %d database workers\n",
                     server.Tls() ? "https" : "http", qPrintable(http.Address), port,
                     qPrintable(url.Describe()), version, http.Threads);
        server.Serve();
        std::fprintf(stderr, "pla-server: stopped\n");
        return 0;
    } catch (const EPlaError& e) {
        std::fprintf(stderr, "pla-server: %s\n", qPrintable(e.message()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pla-server: %s\n", e.what());
        return 1;
    }
}
