// Measures remote calls: one round trip in process and over loopback HTTP with
// keep-alive, and calls per second with several clients at once.
#include "core/dates.h"
#include "rpc/http_transport.h"
#include "rpc/net_connection.h"
#include "server/http_server.h"
#include "server/in_process_transport.h"

#include <benchmark/benchmark.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;

namespace {

class TOneSession : public ISessions {
public:
    std::optional<QString> Authenticate(const QString& token) override {
        return token == "t" ? std::optional<QString>("ANA") : std::nullopt;
    }
    std::pair<QString, QDateTime> SignIn(const QString&, const QString&, const QString&) override {
        return {QStringLiteral("t"), Agora()};
    }
    void SignOut(const QString&) override {}
};

// A server with one small method answering like GetParams: an array with a
// one-row packet and two texts.
struct TBenchServer {
    TOneSession sessions;
    TDispatcher dispatcher{sessions};
    std::unique_ptr<THttpServer> http;
    int port = 0;

    TBenchServer() {
        auto m = std::make_unique<TRemoteDataModule>("Bench.rdmEco");
        m->Register({"GetParams",
                     {{"filial", TArgType::String},
                      {"tela", TArgType::String},
                      {"idioma", TArgType::Variant}},
                     -1,
                     [](TCallContext&, TMethodArgs& a) -> QVariant {
                         TDataPacket p;
                         p.Fields = {{"IDEXIBECUSTO", TFieldType::String, 1, false},
                                     {"IDPERCCOME", TFieldType::String, 1, false},
                                     {"CDTIPOCUSTOREA", TFieldType::String, 5, false},
                                     {"CDTIPOCUSTOPLA", TFieldType::String, 5, false}};
                         p.Rows = {{TRowKind::Unchanged, {"R", "C", "48", "6"}, {}}};
                         return QVariantList{FromDataPacket(p), a.String(0), a.String(1)};
                     }});
        dispatcher.AddModule(std::move(m));
        THttpServerOptions o;
        o.Port = 0;
        o.Threads = 16;
        http = std::make_unique<THttpServer>(dispatcher, o);
        port = http->Start();
    }

    std::unique_ptr<TNetConnection> connection(bool overHttp) {
        auto c = std::make_unique<TNetConnection>("netBench");
        c->SetServerName("Bench.rdmEco");
        c->SetTokenSource([] { return QStringLiteral("t"); });
        c->SetTransportFactory(
            [this, overHttp](const TNetConnection&) -> std::unique_ptr<TRpcTransport> {
                if (!overHttp) {
                    return std::make_unique<TInProcessTransport>(dispatcher);
                }
                THttpClientOptions o;
                o.Port = port;
                return std::make_unique<THttpTransport>(o);
            });
        return c;
    }
};

TBenchServer& server() {
    static TBenchServer s;
    return s;
}

void call(TNetConnection& c) {
    const QVariant r = c.Call("GetParams", QVariantList{"0001", "PLA00100", qlonglong(1)});
    benchmark::DoNotOptimize(r);
}

void BM_CallInProcess(benchmark::State& state) {
    auto c = server().connection(false);
    for (auto _ : state) {
        call(*c);
    }
}
BENCHMARK(BM_CallInProcess)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Each benchmark thread is one client with its own keep-alive connection.
void BM_CallHttpLoopback(benchmark::State& state) {
    auto c = server().connection(true);
    call(*c); // connect outside the timing
    for (auto _ : state) {
        call(*c);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CallHttpLoopback)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Threads(1)
    ->Threads(4)
    ->Threads(16);

} // namespace
