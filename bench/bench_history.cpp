// Measures what a service's menus have been, over five years of daily menus: the
// demonstration at scale 20 (80 branches, 60 months of menus from the month before today)
// on SQLite, in process, seeded once per run. The service is the hospital's lunch, served
// every day with its ten positions (some 1,830 days of ten dishes).
//
// GetRankingPratos: its dishes by how often they were served, /60 over the five years and
// /12 over the first year, without (/0) and with (/1) the cost per serving at today's
// prices.
//
// GetHistCard: the change record (HISTCARD) of the service. The demonstration records only
// the month before today (a main course on every fifth served day); here the record's own
// writer (TRegistroAlteracoes) adds what the planners would have left over the five years:
// three adjustments to every day of the menus, each on a day of its own before the menu's:
// a position's dish swapped for another of its type by the hospital's planner ten days
// before (a save), a dish's share changed by the other planner three days before (a save),
// and a dish replaced by another of its type the day before (a substitution); about 5,500
// changes. Asked for over the whole period (the five years and the month before): /0 every
// change (more than the 5,000 the answer holds, so cut there), /1 the changes of the dish
// changed most often, given with its dish branch as the screen gives the cell's dish, /2
// the same dish by its code alone.
#include "bench_server.h"

#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "server/modules/change_record.h"

#include <QCoreApplication>
#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <iterator>
#include <memory>

using namespace pla;
using namespace pla::server;

namespace {

const QString Branch = QStringLiteral("0003");
const QString Service = QStringLiteral("00001");
constexpr int Scale = 20;

// One adjustment made to every day: how many days before it, by whom, of what kind,
// and whether it changes a dish's share rather than the dish.
struct TAdjustment {
    int DaysBefore;
    const char* Operator;
    rpc::TOperacaoCardapio Kind;
    bool Share;
};
constexpr TAdjustment Adjustments[] = {
    {10, "HOSP1", rpc::TOperacaoCardapio::Gravacao, false},
    {3, "NUTRI2", rpc::TOperacaoCardapio::Gravacao, true},
    {1, "HOSP1", rpc::TOperacaoCardapio::Substituicao, false},
};

struct TDish {
    QString Filial;
    QString Codigo;
};

struct TFixture {
    TFixture()
        : server(test::TEngine::SQLite, Scale, QStringLiteral("HOSP1")) {
        TDatabase& db = server.Db();
        readDays(db);
        addHistory(db);
        connection = server.Connect(QStringLiteral("Pla00100.rdmParamCardIndu"));
    }
    // Made once the application exists, and gone before it is.
    static std::unique_ptr<TFixture>& Instance() {
        static std::unique_ptr<TFixture> f;
        return f;
    }
    static TFixture& Get() {
        if (!Instance()) {
            Instance() = std::make_unique<TFixture>();
        }
        return *Instance();
    }

    void readDays(TDatabase& db) {
        QSqlQuery q = db.Exec(QStringLiteral("SELECT NRCARDAPIO, DTCARDAPIO FROM CARDADIA WHERE "
                                             "CDFILIAL = ? AND CDSERVFILI = ? ORDER BY "
                                             "DTCARDAPIO"),
                              {Branch, Service});
        while (q.next()) {
            days.append({q.value(0).toString(),
                         TDatabase::FromSql(TFieldType::DateTime, q.value(1)).toDateTime().date()});
        }
    }

    // The adjustments of every day, each recorded by the writers' own record on the day
    // it was made, in one transaction.
    void addHistory(TDatabase& db) {
        QHash<QString, QList<TDish>> ofType; // active dishes, in code order
        {
            QSqlQuery q = db.Exec(QStringLiteral("SELECT CDTIPOPRAT, CDFILAUXPRAT, CDPRATO FROM "
                                                 "PRATO WHERE IDATIVO = 'S' ORDER BY CDTIPOPRAT, "
                                                 "CDPRATO"));
            while (q.next()) {
                ofType[q.value(0).toString()].append(
                    {q.value(1).toString(), q.value(2).toString()});
            }
        }
        TTransaction tx(db);
        for (qsizetype i = 0; i < days.size(); ++i) {
            const auto& [nr, day] = days[i];
            for (int a = 0; a < int(std::size(Adjustments)); ++a) {
                const TAdjustment& adj = Adjustments[a];
                QSqlQuery q = db.Exec(
                    QStringLiteral("SELECT C.NRSEQPRATCAR, C.NRORDPRATCAR, C.CDPRATO, "
                                   "C.VRPECONSCARD, P.CDTIPOPRAT FROM COMPCARD C JOIN PRATO P ON "
                                   "P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO = C.CDPRATO "
                                   "WHERE C.CDFILIAL = ? AND C.NRCARDAPIO = ? ORDER BY "
                                   "C.NRSEQPRATCAR, C.NRORDPRATCAR"),
                    {Branch, nr});
                QList<QVariantList> positions;
                QStringList onTheDay;
                while (q.next()) {
                    positions.append({q.value(0), q.value(1), q.value(3), q.value(4)});
                    onTheDay << q.value(2).toString();
                }
                if (positions.isEmpty()) {
                    continue;
                }
                const QVariantList& p = positions[(i * 3 + a * 4) % positions.size()];
                THojeScope made(day.addDays(-adj.DaysBefore));
                TRegistroAlteracoes record(db, Branch, QString::fromLatin1(adj.Operator), adj.Kind);
                record.Antes(nr);
                if (adj.Share) {
                    db.Exec(QStringLiteral("UPDATE COMPCARD SET VRPECONSCARD = ? WHERE CDFILIAL = "
                                           "? AND NRCARDAPIO = ? AND NRSEQPRATCAR = ? AND "
                                           "NRORDPRATCAR = ?"),
                            {p[2].toDouble() > 60 ? p[2].toDouble() - 10 : p[2].toDouble() + 10,
                             Branch, nr, p[0], p[1]});
                } else {
                    const QList<TDish> candidates = ofType.value(p[3].toString());
                    for (qsizetype k = 0; k < candidates.size(); ++k) {
                        const TDish& other = candidates[(i * 7 + a * 5 + k) % candidates.size()];
                        if (!onTheDay.contains(other.Codigo)) {
                            db.Exec(QStringLiteral("UPDATE COMPCARD SET CDFILAUXPRAT = ?, CDPRATO "
                                                   "= ? WHERE CDFILIAL = ? AND NRCARDAPIO = ? "
                                                   "AND NRSEQPRATCAR = ? AND NRORDPRATCAR = ?"),
                                    {other.Filial, other.Codigo, Branch, nr, p[0], p[1]});
                            break;
                        }
                    }
                }
                record.Registra();
            }
        }
        tx.Commit();
        records = db.Scalar(QStringLiteral("SELECT COUNT(*) FROM HISTCARD WHERE CDFILIAL = ? AND "
                                           "CDSERVFILI = ?"),
                            {Branch, Service})
                      .toInt();
        QSqlQuery q = db.Exec(
            QStringLiteral("SELECT CDFILAUXPRATNOV, CDPRATONOV, COUNT(*) FROM HISTCARD WHERE "
                           "CDFILIAL = ? AND CDSERVFILI = ? AND CDPRATONOV IS NOT NULL GROUP BY "
                           "CDFILAUXPRATNOV, CDPRATONOV ORDER BY 3 DESC, 2 LIMIT 1"),
            {Branch, Service});
        if (q.next()) {
            mostChanged = {q.value(0).toString(), q.value(1).toString()};
        }
    }

    QVariant call(const rpc::TMethodSpec& method, const QVariantList& values) {
        return bench::Call(*connection, method, values);
    }

    QDate first() const { return days.isEmpty() ? Hoje() : days.first().second; }
    QDate last() const { return days.isEmpty() ? Hoje() : days.last().second; }

    bench::TBenchServer server;
    std::unique_ptr<rpc::TNetConnection> connection;
    QList<std::pair<QString, QDate>> days; // of the service, in date order
    int records = 0;
    TDish mostChanged;
};

// The branch's cost type for planning, as the screen is given it.
qlonglong costType(TFixture& f) {
    return f.server.Db()
        .Scalar(QStringLiteral("SELECT CDTIPOCUSTOPLA FROM PARAMPLANEJA WHERE CDFILIAL = ?"),
                {Branch})
        .toLongLong();
}

void BM_GetRankingPratos(benchmark::State& state) {
    TFixture& f = TFixture::Get();
    const QDate inicio = f.first();
    const QDate fim =
        std::min(f.last(), PriDiaMes(inicio).addMonths(int(state.range(0))).addDays(-1));
    const bool withCost = state.range(1) != 0;
    const qlonglong tipo = costType(f);
    const rpc::TMethodSpec& method = rpc::metodos::GetRankingPratos();
    qsizetype rows = 0;
    for (auto _ : state) {
        const QVariant answer =
            f.call(method, {Branch, Service, DataHora(inicio), DataHora(fim), tipo,
                            DataHora(Hoje()), Branch, withCost, QString()});
        state.PauseTiming();
        if (answer.typeId() == QMetaType::QString) {
            state.SkipWithError(answer.toString().toStdString().c_str());
            break;
        }
        rows = ToDataPacket(answer).Rows.size();
        state.ResumeTiming();
    }
    state.counters["days"] = double(std::count_if(f.days.begin(), f.days.end(), [&](const auto& d) {
        return d.second >= inicio && d.second <= fim;
    }));
    state.counters["dishes"] = double(rows);
}
BENCHMARK(BM_GetRankingPratos)
    ->Args({60, 0})
    ->Args({60, 1})
    ->Args({12, 0})
    ->Args({12, 1})
    ->Unit(benchmark::kMillisecond);

void BM_GetHistCard(benchmark::State& state) {
    TFixture& f = TFixture::Get();
    const QDate inicio = f.first().addMonths(-1);
    const QDate fim = f.last();
    const int filter = int(state.range(0));
    const QString prato = filter == 0 ? QString() : f.mostChanged.Codigo;
    const QString filialPrato = filter == 1 ? f.mostChanged.Filial : QString();
    const rpc::TMethodSpec& method = rpc::metodos::GetHistCard();
    QVariantList list;
    for (auto _ : state) {
        const QVariant answer = f.call(method, {Branch, Service, prato, filialPrato,
                                                DataHora(inicio), DataHora(fim), QString()});
        state.PauseTiming();
        if (answer.typeId() == QMetaType::QString) {
            state.SkipWithError(answer.toString().toStdString().c_str());
            break;
        }
        list = answer.toList();
        state.ResumeTiming();
    }
    state.counters["records"] = f.records;
    state.counters["changes"] =
        double(ToDataPacket(list.value(int(rpc::TElemHistCard::Alteracoes))).Rows.size());
    state.counters["limited"] = list.value(int(rpc::TElemHistCard::Limitado)).toBool() ? 1 : 0;
}
BENCHMARK(BM_GetHistCard)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    pla::FixaFusoHorario();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TFixture::Instance().reset();
    return 0;
}
