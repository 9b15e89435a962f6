// Measures the core library's hot paths: loading a month of dishes from the wire,
// finding a row through an index, and taking a change set.
#include "core/cbor_codec.h"
#include "core/dates.h"
#include "core/mem_table.h"

#include <benchmark/benchmark.h>

using namespace pla;

namespace {

// A dish packet as the server sends a month's COMPCARD rows: 16 fields.
TDataPacket dishPacket(int rows) {
    TDataPacket p;
    p.Fields = {
        {"CDFILIAL", TFieldType::FixedString, 4, true},
        {"DTCARDAPIO", TFieldType::DateTime, 0, true},
        {"NRCARDAPIO", TFieldType::FixedString, 10, true},
        {"NRSEQPRATCAR", TFieldType::Integer, 0, true},
        {"CDFILAUXPRAT", TFieldType::FixedString, 4, false},
        {"CDPRATO", TFieldType::FixedString, 10, false},
        {"VRPECONSCARD", TFieldType::Float, 0, false},
        {"CDTIPOPRAT", TFieldType::FixedString, 2, false},
        {"NMTIPOPRAT", TFieldType::String, 38, false},
        {"NMPRATO", TFieldType::String, 41, false},
        {"IDPRATOESPE", TFieldType::FixedString, 1, false},
        {"NRORDPRATCAR", TFieldType::Integer, 0, false},
        {"CDSERVFILI", TFieldType::FixedString, 5, false},
        {"CDPRATOMAT", TFieldType::String, 10, false},
        {"CDFILAUXPRATMAT", TFieldType::String, 4, false},
        {"COMENS", TFieldType::Float, 0, false},
    };
    const QDate month(2026, 12, 1);
    for (int i = 0; i < rows; ++i) {
        TPacketRow r;
        const int day = i % 31;
        r.Values = {QStringLiteral("0001"),
                    DataHora(month.addDays(day)),
                    QString::number(100000 + day).rightJustified(10, QLatin1Char('0')),
                    qlonglong(i / 31 + 1),
                    QStringLiteral("0001"),
                    QString::number(i % 300 + 1).rightJustified(10, QLatin1Char('0')),
                    double(i % 97) + 0.25,
                    QString::number(i % 15 + 10),
                    QStringLiteral("%1 PRATO PRINCIPAL").arg(i % 15 + 10),
                    QStringLiteral("NFEIJOADA COMPLETA %1").arg(i % 300),
                    QStringLiteral("N"),
                    qlonglong(i % 15),
                    QStringLiteral("00001"),
                    QVariant(),
                    QVariant(),
                    double(i % 500) * 1.5};
        p.Rows.append(r);
    }
    return p;
}

void BM_DecodeAndLoadDishes(benchmark::State& state) {
    const QByteArray bytes = EncodePacket(dishPacket(static_cast<int>(state.range(0))));
    TMemTable table(QStringLiteral("cdsCompCardCache"));
    for (auto _ : state) {
        table.SetData(DecodePacket(bytes));
        benchmark::DoNotOptimize(table.RecordCount());
    }
    state.counters["bytes"] = double(bytes.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DecodeAndLoadDishes)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_DecodeDishes(benchmark::State& state) {
    const QByteArray bytes = EncodePacket(dishPacket(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodePacket(bytes));
    }
}
BENCHMARK(BM_DecodeDishes)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoadDishes(benchmark::State& state) {
    const TDataPacket packet = dishPacket(static_cast<int>(state.range(0)));
    TMemTable table(QStringLiteral("cdsCompCardCache"));
    for (auto _ : state) {
        table.SetData(packet);
        benchmark::DoNotOptimize(table.RecordCount());
    }
}
BENCHMARK(BM_LoadDishes)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_EncodeDishes(benchmark::State& state) {
    const TDataPacket p = dishPacket(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodePacket(p));
    }
}
BENCHMARK(BM_EncodeDishes)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LocateThroughIndex(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TMemTable table(QStringLiteral("cdsLocate"));
    table.AddField(QStringLiteral("CDPRATO"), TFieldType::Integer);
    table.AddField(QStringLiteral("NMPRATO"), TFieldType::String, 40);
    table.AddIndex(QStringLiteral("Codigo"), QStringLiteral("CDPRATO"));
    table.CreateDataSet();
    TDataPacket p;
    p.Fields = table.DataFieldDefs();
    for (int i = 0; i < n; ++i) {
        p.Rows.append({TRowKind::Unchanged, {qlonglong(i * 7 % n), QStringLiteral("PRATO")}, {}});
    }
    table.SetData(p);
    table.SetIndexName(QStringLiteral("Codigo"));
    qlonglong key = 0;
    for (auto _ : state) {
        key = (key + 7919) % n;
        if (!table.Locate(QStringLiteral("CDPRATO"), key)) {
            state.SkipWithError("row not found");
        }
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_LocateThroughIndex)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity(benchmark::oLogN);

void BM_DeltaOfChanges(benchmark::State& state) {
    TMemTable table(QStringLiteral("cdsCompCardCache"));
    table.SetData(dishPacket(10000));
    const int changes = static_cast<int>(state.range(0));
    for (int i = 0; i < changes; ++i) {
        table.SetRecNo(i * 7 + 1);
        table.Edit();
        table.FieldByName(QStringLiteral("VRPECONSCARD")).SetAsFloat(50.0 + i);
        table.Post();
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodePacket(table.Delta()));
    }
}
BENCHMARK(BM_DeltaOfChanges)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
