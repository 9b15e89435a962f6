// Measures the planning screen's server work over the demonstration data, in process:
// the months with menus, the month generation, and a month updated from its cycle.
#include "core/dates.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"
#include "rpc/session_client.h"
#include "server/demo_seed.h"
#include "server/dispatcher.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"
#include "server/session_service.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace pla;
using namespace pla::server;

namespace {

// One demonstration database and a signed-in connection for every benchmark.
struct TFixture {
    TFixture() {
        url.Path = dir.filePath(QStringLiteral("bench.db"));
        pool = std::make_unique<TDatabasePool>(url);
        Migrate(pool->ForThisThread());
        const TDemoResult demo = SeedDemo(pool->ForThisThread(), Hoje(), 1, 1000);
        sessions = std::make_unique<TSessionService>(*pool);
        dispatcher = std::make_unique<TDispatcher>(*sessions);
        dispatcher->SetDatabase([this] { return &pool->ForThisThread(); });
        AddAllModules(*dispatcher, *sessions);
        for (const TDemoOperator& op : demo.Operators) {
            if (op.Code == QLatin1String("GRUPO1")) {
                TInProcessTransport t(*dispatcher);
                token = rpc::SignIn(t, op.Code, op.Password).Token;
            }
        }
        connection.SetServerName(QStringLiteral("Pla00100.rdmParamCardIndu"));
        connection.SetTokenSource([this] { return token; });
        connection.SetTransportFactory([this](const rpc::TNetConnection&) {
            return std::make_unique<TInProcessTransport>(*dispatcher);
        });
        connection.SetConnected(true);
    }
    static TFixture& Get() {
        static TFixture f;
        return f;
    }

    QTemporaryDir dir;
    TDatabaseUrl url;
    std::unique_ptr<TDatabasePool> pool;
    std::unique_ptr<TSessionService> sessions;
    std::unique_ptr<TDispatcher> dispatcher;
    QString token;
    rpc::TNetConnection connection{QStringLiteral("netParamCardIndu")};
};

const QDate Month = PriDiaMes(Hoje());

void BM_GetMesCard(benchmark::State& state) {
    TFixture& f = TFixture::Get();
    const rpc::TMethodSpec& spec = rpc::metodos::GetMesCard();
    for (auto _ : state) {
        QList<rpc::TRpcArg> args = rpc::Argumentos(spec, {"0004", "00001"});
        benchmark::DoNotOptimize(f.connection.Call(spec.Name, args));
    }
}
BENCHMARK(BM_GetMesCard)->Unit(benchmark::kMicrosecond);

void BM_GeraCardapio(benchmark::State& state) {
    TFixture& f = TFixture::Get();
    const rpc::TMethodSpec& spec = rpc::metodos::Gera_Cardapio();
    for (auto _ : state) {
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {"0004", qlonglong(0), "00001", DataHora(Month),
                                   QStringLiteral("GRUPO1"), false});
        benchmark::DoNotOptimize(f.connection.Call(spec.Name, args));
    }
}
BENCHMARK(BM_GeraCardapio)->Unit(benchmark::kMicrosecond);

// The next month of the transported school service (about 22 school days, 6 positions):
// every day updated and its dishes replaced, in one transaction.
void BM_SetCriaCardCiclo(benchmark::State& state) {
    TFixture& f = TFixture::Get();
    const rpc::TMethodSpec& spec = rpc::metodos::SetCriaCardCiclo();
    for (auto _ : state) {
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {"0004", "00001", DataHora(Month.addMonths(1)),
                                   QStringLiteral("GRUPO1"), QStringLiteral("S")});
        benchmark::DoNotOptimize(f.connection.Call(spec.Name, args));
    }
}
BENCHMARK(BM_SetCriaCardCiclo)->Unit(benchmark::kMillisecond);

} // namespace
