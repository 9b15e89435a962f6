// Measures ExportarCardapio: the restaurant's dinner of a whole month exported into ten
// lunch services of the branch, over SQLite, in process. /0 into services without days
// (every day created with the service's estimate); /1 into services that already have
// the month (every day's dishes replaced and the dinner's diners copied).
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
#include <QSqlRecord>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace pla;
using namespace pla::server;

namespace {

const QString Branch = QStringLiteral("0001");
const QString Origin = QStringLiteral("00002");
constexpr int Destinations = 10;

// Next month: every day of it may change.
QDate month() {
    return PriDiaMes(Hoje()).addMonths(1);
}

QString destination(int i) {
    return QStringLiteral("%1").arg(11 + i, 5, 10, QLatin1Char('0'));
}

struct TFixture {
    TFixture() {
        url.Path = dir.filePath(QStringLiteral("bench.db"));
        pool = std::make_unique<TDatabasePool>(url);
        TDatabase& db = pool->ForThisThread();
        Migrate(db);
        const TDemoResult demo = SeedDemo(db, Hoje(), 1, 1000);
        {
            TTransaction tx(db);
            for (int i = 0; i < Destinations; ++i) {
                copyLunch(db, destination(i));
            }
            tx.Commit();
        }
        sessions = std::make_unique<TSessionService>(*pool);
        dispatcher = std::make_unique<TDispatcher>(*sessions);
        dispatcher->SetDatabase([this] { return &pool->ForThisThread(); });
        AddAllModules(*dispatcher, *sessions);
        for (const TDemoOperator& op : demo.Operators) {
            if (op.Code == QLatin1String("NUTRI1")) {
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
        for (int i = 0; i < Destinations; ++i) {
            origens += Origin + QLatin1Char('_');
            destinos += destination(i) + QLatin1Char('_');
        }
    }

    // A service with the lunch's estimates, shifts, positions, costs and consumption,
    // and no days.
    static void copyLunch(TDatabase& db, const QString& code) {
        for (const char* table :
             {"SERVICO", "TURNOSERV", "CNFCARDSERV", "CUSTOSERVMES", "CONSSERV"}) {
            const QSqlRecord r =
                db.Exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(QLatin1String(table)))
                    .record();
            QStringList columns;
            QStringList values;
            for (int i = 0; i < r.count(); ++i) {
                columns << r.fieldName(i).toUpper();
                values << (columns.last() == QLatin1String("CDSERVFILI")
                               ? QStringLiteral("'%1'").arg(code)
                               : columns.last());
            }
            db.Exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %1 WHERE CDFILIAL = ? AND "
                                   "CDSERVFILI = '00001'")
                        .arg(QLatin1String(table), columns.join(QLatin1Char(',')),
                             values.join(QLatin1Char(','))),
                    {Branch});
        }
    }

    QVariant exportar(const QString& sobrepor, const QString& copia) {
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(rpc::metodos::ExportarCardapio(),
                            {Branch, origens, destinos, DataHora(month()), DataHora(month()),
                             DataHora(UltimoDiaMes(month())), sobrepor, copia,
                             QStringLiteral("NUTRI1"), false, qlonglong(Destinations)});
        return connection.Call(rpc::metodos::ExportarCardapio().Name, args);
    }

    // The ten services back to no days, and no logs.
    void clear() {
        TDatabase& db = pool->ForThisThread();
        TTransaction tx(db);
        const QString days =
            QStringLiteral("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND "
                           "CDSERVFILI > '00010'");
        db.Exec(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = ? AND NRCARDAPIO IN (%1)")
                    .arg(days),
                {Branch, Branch});
        db.Exec(QStringLiteral("DELETE FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI > '00010'"),
                {Branch});
        db.Exec(
            QStringLiteral("DELETE FROM CNFCARDMES WHERE CDFILIAL = ? AND CDSERVFILI > '00010'"),
            {Branch});
        db.Exec(QStringLiteral("DELETE FROM LOGEXPCARDITEM"));
        db.Exec(QStringLiteral("DELETE FROM LOGEXPCARD"));
        tx.Commit();
    }

    int count(const QString& sql) { return pool->ForThisThread().Scalar(sql, {Branch}).toInt(); }

    QTemporaryDir dir;
    TDatabaseUrl url;
    std::unique_ptr<TDatabasePool> pool;
    std::unique_ptr<TSessionService> sessions;
    std::unique_ptr<TDispatcher> dispatcher;
    QString token;
    rpc::TNetConnection connection{QStringLiteral("netParamCardIndu")};
    QString origens;
    QString destinos;
};

TFixture& fixture() {
    static TFixture f;
    return f;
}

void BM_ExportAMonthToTenServices(benchmark::State& state) {
    TFixture& f = fixture();
    const bool overwrite = state.range(0) != 0;
    f.clear();
    if (overwrite) {
        f.exportar(QStringLiteral("S"), QStringLiteral("N"));
    }
    for (auto _ : state) {
        const QVariant answer = overwrite ? f.exportar(QStringLiteral("S"), QStringLiteral("S"))
                                          : f.exportar(QStringLiteral("S"), QStringLiteral("N"));
        state.PauseTiming();
        if (answer.typeId() == QMetaType::QString) {
            state.SkipWithError(answer.toString().toStdString().c_str());
            break;
        }
        if (!overwrite) {
            f.clear();
        }
        state.ResumeTiming();
    }
    if (!overwrite) {
        f.exportar(QStringLiteral("S"), QStringLiteral("N")); // counted, not timed
    }
    state.counters["days"] = f.count(QStringLiteral("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL "
                                                    "= ? AND CDSERVFILI > '00010'"));
    state.counters["dishes"] = f.count(
        QStringLiteral("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
                       "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = ? AND "
                       "D.CDSERVFILI > '00010'"));
}
BENCHMARK(BM_ExportAMonthToTenServices)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
