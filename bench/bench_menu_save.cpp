// Measures the monthly menu's save on the server (UpdateCache), in process over the
// demonstration data, on SQLite and on a throwaway PostgreSQL cluster: 200 changed
// dishes of next month from the call with its change set (encoded, dispatched, decoded)
// to the committed transaction. The counter "statements" is what the connection sent
// for one save. Arguments: 0 SQLite, 1 PostgreSQL.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "rpc/contracts.h"
#include "server/embedded_server.h"

#include <benchmark/benchmark.h>

using namespace pla;

namespace {

const QDate Next = PriDiaMes(Hoje()).addMonths(1);

test::TEngine engineOf(const benchmark::State& state) {
    return state.range(0) == 0 ? test::TEngine::SQLite : test::TEngine::PostgreSQL;
}

// The metalworks' lunch of next month as the monthly screen holds it.
void loadDishes(rpc::TNetConnection& c, TMemTable& dishes) {
    const rpc::TMethodSpec& carga = rpc::metodos::GetCardapio();
    QList<rpc::TRpcArg> load = rpc::Argumentos(
        carga, {QStringLiteral("0001"), QStringLiteral("PLA00101"), QStringLiteral("00001"),
                QStringLiteral("NUTRI1"), DataHora(Next), false});
    dishes.SetData(ToDataPacket(
        rpc::TRespostaCardapio::FromWire(c.Call(carga.Name, load))[rpc::TElemCardapio::CompCard]));
}

// Gives the first 200 dishes another share, each run the other of two.
void changeShares(TMemTable& dishes, double share) {
    int changed = 0;
    for (dishes.First(); !dishes.Eof() && changed < 200; dishes.Next(), ++changed) {
        dishes.Edit();
        dishes.FieldByName(QStringLiteral("VRPECONSCARD")).SetAsFloat(share);
        dishes.Post();
    }
}

// Saves the 200 changed dishes once a run, measuring the call alone, and counts the
// statements the last save sent.
void BM_Save200Dishes(benchmark::State& state) {
    test::TEmbeddedServer server(engineOf(state), Hoje());
    auto c = server.Connect(QStringLiteral("Pla00100.rdmParamCardIndu"),
                            server.SignIn(QStringLiteral("NUTRI1")));
    TMemTable dishes;
    loadDishes(*c, dishes);
    const rpc::TMethodSpec& gravacao = rpc::metodos::UpdateCache();
    double share = 40;
    quint64 statements = 0;
    for (auto _ : state) {
        state.PauseTiming();
        share = share == 40 ? 41 : 40;
        changeShares(dishes, share);
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(gravacao, {QStringLiteral("NUTRI1"), false, QVariant(),
                                       FromDataPacket(dishes.Delta()), QStringLiteral("N")});
        const quint64 before = server.Db().Statements();
        state.ResumeTiming();
        const QString answer = c->Call(gravacao.Name, args).toString();
        state.PauseTiming();
        statements = server.Db().Statements() - before;
        if (rpc::TextoDeErro(answer)) {
            state.SkipWithError(answer.toUtf8().constData());
            break;
        }
        dishes.MergeChangeLog();
        state.ResumeTiming();
    }
    state.counters["statements"] = double(statements);
}
BENCHMARK(BM_Save200Dishes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
