// Measures pla-admin seed-demo: the demonstration written into a new SQLite file.
#include "server/demo_seed.h"
#include "server/migrations.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace pla::server;

namespace {

void BM_SeedDemo(benchmark::State& state) {
    QTemporaryDir dir;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TDatabaseUrl url;
        url.Path = dir.filePath(QStringLiteral("seed%1.db").arg(++n));
        TDatabase db(url);
        Migrate(db);
        state.ResumeTiming();
        // Password hashing at full strength costs about 0.25 s per operator and does
        // not grow with the scale; it is kept out so the figure shows the data.
        const TDemoResult r =
            SeedDemo(db, QDate(2026, 12, 6), static_cast<int>(state.range(0)), 1000);
        state.counters["days"] = r.Days;
        state.counters["dishes"] = r.Dishes;
    }
}
BENCHMARK(BM_SeedDemo)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
