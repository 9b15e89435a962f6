// The main of the benchmarks that need a Qt application object (the server's SQL
// drivers and its logging).
#include "core/clock.h"
#include <QCoreApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    pla::FixaFusoHorario();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
