// Measures the month's planned cost (GetTrabCusto) of the largest demonstration service,
// the hospital's lunch, served every day: a month of 31 days with 40 dishes a day (its
// ten positions each given three more dishes), over SQLite, in process. Then the same
// after ten years of monthly prices of every product, cost type and branch: the price of
// each product at a date is one seek in CUSTOPROD's key, so it must not grow.
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

#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace pla;
using namespace pla::server;

namespace {

const QString Branch = QStringLiteral("0003");
const QString Service = QStringLiteral("00001");
constexpr int DishesPerPosition = 4;
constexpr int HistoryMonths = 120;

// The demonstration's month of 31 days (one of any three months in a row has them).
QDate longMonth() {
    for (int m = -1; m <= 1; ++m) {
        const QDate month = PriDiaMes(Hoje()).addMonths(m);
        if (month.daysInMonth() == 31) {
            return month;
        }
    }
    return PriDiaMes(Hoje());
}

struct TFixture {
    explicit TFixture(bool history) {
        url.Path = dir.filePath(QStringLiteral("bench.db"));
        pool = std::make_unique<TDatabasePool>(url);
        TDatabase& db = pool->ForThisThread();
        Migrate(db);
        const TDemoResult demo = SeedDemo(db, Hoje(), 1, 1000);
        widenTheMonth(db);
        if (history) {
            addHistory(db);
        }
        sessions = std::make_unique<TSessionService>(*pool);
        dispatcher = std::make_unique<TDispatcher>(*sessions);
        dispatcher->SetDatabase([this] { return &pool->ForThisThread(); });
        AddAllModules(*dispatcher, *sessions);
        for (const TDemoOperator& op : demo.Operators) {
            if (op.Code == QLatin1String("HOSP1")) {
                TInProcessTransport t(*dispatcher);
                token = rpc::SignIn(t, op.Code, op.Password).Token;
            }
        }
        connection.SetServerName(QStringLiteral("Pla00106.rdmCustoServ"));
        connection.SetTokenSource([this] { return token; });
        connection.SetTransportFactory([this](const rpc::TNetConnection&) {
            return std::make_unique<TInProcessTransport>(*dispatcher);
        });
        connection.SetConnected(true);
    }

    // Three more dishes of the position's type in every position of every day.
    void widenTheMonth(TDatabase& db) {
        TTransaction tx(db);
        QSqlQuery q = db.Exec(
            QStringLiteral("SELECT C.NRCARDAPIO, C.NRSEQPRATCAR, P.CDTIPOPRAT FROM COMPCARD C "
                           "JOIN CARDADIA D ON D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = "
                           "C.NRCARDAPIO JOIN PRATO P ON P.CDFILAUXPRAT = C.CDFILAUXPRAT AND "
                           "P.CDPRATO = C.CDPRATO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? AND "
                           "D.DTMESCARD = ? ORDER BY C.NRCARDAPIO, C.NRSEQPRATCAR"),
            {Branch, Service, DataHora(longMonth())});
        QList<QVariantList> positions;
        while (q.next()) {
            positions.append({q.value(0), q.value(1), q.value(2)});
        }
        int n = 0;
        for (const QVariantList& p : positions) {
            for (int order = 2; order <= DishesPerPosition; ++order) {
                db.Exec(QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                                       "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD) SELECT "
                                       "?, ?, ?, ?, CDFILAUXPRAT, CDPRATO, 25 FROM PRATO WHERE "
                                       "CDTIPOPRAT = ? ORDER BY CDPRATO LIMIT 1 OFFSET ?"),
                        {Branch, p[0], p[1], order, p[2], (++n * 7) % 6});
            }
        }
        tx.Commit();
        dishes = db.Scalar(QStringLiteral("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON "
                                          "D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = "
                                          "C.NRCARDAPIO WHERE D.CDFILIAL = ? AND D.CDSERVFILI = ? "
                                          "AND D.DTMESCARD = ?"),
                           {Branch, Service, DataHora(longMonth())})
                     .toInt();
    }

    // Monthly prices for ten years before the demonstration's first, of every product,
    // cost type and branch.
    void addHistory(TDatabase& db) {
        TTransaction tx(db);
        const QDate first =
            TDatabase::FromSql(TFieldType::DateTime,
                               db.Scalar(QStringLiteral("SELECT MIN(DTVIGENCIA) FROM CUSTOPROD")))
                .toDateTime()
                .date();
        for (int m = 1; m <= HistoryMonths; ++m) {
            db.ExecCount(QStringLiteral("INSERT INTO CUSTOPROD (CDFILIAL, CDPRODUTO, NRTIPOCUSTO, "
                                        "DTVIGENCIA, VRCUSTUNIT) SELECT CDFILIAL, CDPRODUTO, "
                                        "NRTIPOCUSTO, ?, VRCUSTUNIT * ? FROM CUSTOPROD WHERE "
                                        "DTVIGENCIA = ?"),
                         {DataHora(first.addMonths(-m)), 1.0 - 0.004 * m, DataHora(first)});
        }
        tx.Commit();
        prices = db.Scalar(QStringLiteral("SELECT COUNT(*) FROM CUSTOPROD")).toInt();
    }

    QTemporaryDir dir;
    TDatabaseUrl url;
    std::unique_ptr<TDatabasePool> pool;
    std::unique_ptr<TSessionService> sessions;
    std::unique_ptr<TDispatcher> dispatcher;
    QString token;
    rpc::TNetConnection connection{QStringLiteral("netCustoServ")};
    int dishes = 0;
    int prices = 0;
};

TFixture& fixture(bool history) {
    if (history) {
        static TFixture f(true);
        return f;
    }
    static TFixture f(false);
    return f;
}

// The whole month, each day at its own prices; the argument asks for each dish of each day
// in the work area too. The screen releases the previous work area before it asks again:
// so does the benchmark, outside the time measured.
void measure(benchmark::State& state, bool history) {
    TFixture& f = fixture(history);
    const QDate month = longMonth();
    const bool byDish = state.range(0) != 0;
    const rpc::TMethodSpec& metodo = rpc::metodos::GetTrabCusto();
    const rpc::TMethodSpec& release = rpc::metodos::DelConsplan();
    for (auto _ : state) {
        QList<rpc::TRpcArg> args = rpc::Argumentos(
            metodo, {Branch, Service, DataHora(month), DataHora(UltimoDiaMes(month)), qlonglong(6),
                     QStringLiteral("HOSP1"), false, QVariant(), QString(), byDish});
        const QVariantList answer = f.connection.Call(metodo.Name, args).toList();
        state.PauseTiming();
        QList<rpc::TRpcArg> key = rpc::Argumentos(release, {answer.value(0), Branch});
        f.connection.Call(release.Name, key);
        state.ResumeTiming();
    }
    state.counters["dishes"] = f.dishes;
    state.counters["prices"] = f.prices > 0 ? f.prices
                                            : f.pool->ForThisThread()
                                                  .Scalar(QStringLiteral("SELECT COUNT(*) FROM "
                                                                         "CUSTOPROD"))
                                                  .toInt();
}

void BM_GetTrabCusto(benchmark::State& state) {
    measure(state, false);
}
BENCHMARK(BM_GetTrabCusto)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GetTrabCustoTenYearsOfPrices(benchmark::State& state) {
    measure(state, true);
}
BENCHMARK(BM_GetTrabCustoTenYearsOfPrices)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
