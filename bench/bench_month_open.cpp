// Measures opening, saving and listing a month of the monthly menu on the server, over
// the demonstration data (bench_server.h), with the per-call log line off. The month is
// the restaurant's (branch 0001) lunch (service 00001) of next month, as operator NUTRI1
// opens it from the desktop: one GetCardapio call of module Pla00100.rdmParamCardIndu.
//
// BM_MonthOpen/<engine>: GetCardapio in process: arguments encoded, the call dispatched
// (session checked) and run, its answer of 17 elements encoded and decoded. Counters: the
// statements the call sent and the size of its answer (KiB).
//
// BM_MonthOpenServer/<engine>: the server's part of it: the request's bytes dispatched
// to the answer's bytes, without the client's encoding and decoding.
//
// BM_MonthOpenDirect/<engine>: the statements that one GetCardapio sent (captured once
// with the connection's trace, the session check included) replayed on the engine's own
// client, every column of every row read: SQLite through its C API, PostgreSQL through
// libpq, each statement prepared once (its "?" numbered as the server numbers them for
// PostgreSQL) and run with the captured values (bound by type on SQLite, as text on
// PostgreSQL). What the call adds over the database's own work is the ratio of the two.
//
// BM_MonthOpenHttp/SQLite: the same call over HTTP on loopback (THttpServer in this
// process, THttpTransport with keep-alive), against BM_MonthOpen/SQLite.
//
// BM_Save/<engine>: UpdateCache of the shares of five dishes of one day of the month
// (the first served on the 10th or after), each iteration the other of two values, so
// that every save changes them; the change record grows by five lines per save, as it
// does for a planner.
//
// BM_MonthList/<engine>: GetMesCard, the months the service has menus in.
//
// Scale: the demonstration at scale 1 (4 branches, 3 months of menus), and for those
// ending in "/scale20" at scale 20 on SQLite (80 branches, 60 months of menus from the
// month before today), seeded once per run in a temporary folder, which takes minutes.
// PostgreSQL runs on the throwaway cluster of tests/server/db_fixture.
#include "bench_server.h"

#include "core/clock.h"
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "rpc/http_transport.h"
#include "rpc/rpc_protocol.h"
#include "server/http_server.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <map>
#include <sqlite3.h>
#include <stdexcept>
#include <variant>

using namespace pla;
using pla::bench::TBenchServer;
using pla::test::TEngine;

namespace {

const QString Module = QStringLiteral("Pla00100.rdmParamCardIndu");
const QString Branch = QStringLiteral("0001");
const QString Service = QStringLiteral("00001");
const QString Operator = QStringLiteral("NUTRI1");

QDate nextMonth() {
    return PriDiaMes(Hoje()).addMonths(1);
}

// One server per engine and scale, made when a benchmark first asks for it and kept for
// the run (seeding scale 20 takes minutes); gone before the application is.
std::map<std::pair<TEngine, int>, std::unique_ptr<TBenchServer>>& servers() {
    static std::map<std::pair<TEngine, int>, std::unique_ptr<TBenchServer>> all;
    return all;
}

TBenchServer& serverOf(TEngine engine, int scale) {
    auto& slot = servers()[{engine, scale}];
    if (!slot) {
        slot = std::make_unique<TBenchServer>(engine, scale, Operator);
    }
    return *slot;
}

// GetCardapio's arguments, as the monthly screen gives them.
QVariantList monthArgs() {
    return {Branch, QStringLiteral("PLA00101"), Service, Operator, DataHora(nextMonth()), false};
}

QVariant openMonth(rpc::TNetConnection& c) {
    return bench::Call(c, rpc::metodos::GetCardapio(), monthArgs());
}

// The answer's error text, or empty when it is the month.
QString problemOf(const QVariant& answer) {
    if (answer.typeId() == QMetaType::QString) {
        return answer.toString();
    }
    try {
        return rpc::TRespostaCardapio::FromWire(answer)[rpc::TElemCardapio::Mensagem].toString();
    } catch (const EPlaError& e) {
        return e.message();
    }
}

// The size of the answer's body, as it travels over HTTP.
double answerKiB(TBenchServer& s) {
    const rpc::TMethodSpec& method = rpc::metodos::GetCardapio();
    const QByteArray body = rpc::EncodeArgs(rpc::Argumentos(method, monthArgs()));
    return double(s.Dispatcher().Dispatch(Module, method.Name, s.Token(), body).Body.size()) / 1024;
}

void countMonth(benchmark::State& state, const QVariant& answer) {
    const rpc::TRespostaCardapio month = rpc::TRespostaCardapio::FromWire(answer);
    state.counters["days"] = double(ToDataPacket(month[rpc::TElemCardapio::CardaDia]).Rows.size());
    state.counters["dishes"] =
        double(ToDataPacket(month[rpc::TElemCardapio::CompCard]).Rows.size());
}

void BM_MonthOpen(benchmark::State& state, TEngine engine, int scale) {
    TBenchServer& s = serverOf(engine, scale);
    auto c = s.Connect(Module);
    QVariant answer;
    quint64 statements = 0;
    for (auto _ : state) {
        const quint64 before = s.Db().Statements();
        answer = openMonth(*c);
        statements = s.Db().Statements() - before;
        if (answer.typeId() == QMetaType::QString) {
            state.SkipWithError(answer.toString().toUtf8().constData());
            return;
        }
    }
    if (const QString problem = problemOf(answer); !problem.isEmpty()) {
        state.SkipWithError(problem.toUtf8().constData());
        return;
    }
    countMonth(state, answer);
    state.counters["statements"] = double(statements);
    state.counters["KiB"] = answerKiB(s);
}

// The server's own part: the request's bytes dispatched (session checked, arguments
// decoded, the month read) to the answer's bytes, as the transports hand them over.
void BM_MonthOpenServer(benchmark::State& state, TEngine engine, int scale) {
    TBenchServer& s = serverOf(engine, scale);
    const rpc::TMethodSpec& method = rpc::metodos::GetCardapio();
    const QByteArray body = rpc::EncodeArgs(rpc::Argumentos(method, monthArgs()));
    int status = 0;
    for (auto _ : state) {
        const server::TDispatchReply reply =
            s.Dispatcher().Dispatch(Module, method.Name, s.Token(), body);
        status = reply.Status;
        benchmark::DoNotOptimize(reply.Body.constData());
    }
    if (status != 200) {
        state.SkipWithError("the call failed");
    }
}

void BM_MonthOpenHttp(benchmark::State& state, TEngine engine, int scale) {
    TBenchServer& s = serverOf(engine, scale);
    server::THttpServerOptions options;
    options.Port = 0;
    options.Threads = 2;
    server::THttpServer http(s.Dispatcher(), options);
    const int port = http.Start();
    rpc::TNetConnection c(QStringLiteral("netBenchHttp"));
    c.SetServerName(Module);
    c.SetTokenSource([&s] { return s.Token(); });
    c.SetTransportFactory(
        [port](const rpc::TNetConnection&) -> std::unique_ptr<rpc::TRpcTransport> {
            rpc::THttpClientOptions o;
            o.Port = port;
            return std::make_unique<rpc::THttpTransport>(o);
        });
    // Connected, and the worker's database connection opened, outside the timing.
    QVariant answer = openMonth(c);
    for (auto _ : state) {
        answer = openMonth(c);
        if (answer.typeId() == QMetaType::QString) {
            state.SkipWithError(answer.toString().toUtf8().constData());
            break;
        }
    }
    http.Stop();
    if (const QString problem = problemOf(answer); !problem.isEmpty()) {
        state.SkipWithError(problem.toUtf8().constData());
        return;
    }
    countMonth(state, answer);
}

// --- the statements replayed on the engine's own client ---------------------------------

struct TStatement {
    QString Sql;
    QVariantList Params;
};

// What one GetCardapio sent on the server's connection, in order.
QList<TStatement> captureMonthOpen(TBenchServer& s) {
    auto c = s.Connect(Module);
    openMonth(*c); // the server's first call prepares; the captured one is a usual one
    QList<TStatement> sent;
    s.Db().SetTrace([&sent](const QString& sql, const QVariantList& params) {
        sent.append({sql, params});
    });
    QVariant answer;
    try {
        answer = openMonth(*c);
    } catch (...) {
        s.Db().SetTrace({});
        throw;
    }
    s.Db().SetTrace({});
    if (const QString problem = problemOf(answer); !problem.isEmpty()) {
        throw std::runtime_error(problem.toStdString());
    }
    return sent;
}

// A captured value as the server hands it to the engine (TDatabase::ToSql): null, an
// integer, a double or a text.
using TValue = std::variant<std::monostate, qlonglong, double, QByteArray>;

TValue valueOf(const QVariant& given) {
    const QVariant v = db::TDatabase::ToSql(given);
    if (v.isNull()) {
        return std::monostate{};
    }
    if (IsIntegralType(v.typeId())) {
        return v.toLongLong();
    }
    if (IsFloatType(v.typeId())) {
        return v.toDouble();
    }
    return v.toString().toUtf8();
}

// The text PostgreSQL is given for a value.
QByteArray textOf(const TValue& v) {
    if (const auto* i = std::get_if<qlonglong>(&v)) {
        return QByteArray::number(*i);
    }
    if (const auto* d = std::get_if<double>(&v)) {
        return QByteArray::number(*d, 'g', 17);
    }
    return std::get<QByteArray>(v);
}

// What a replay read: rows, and a sum over every value so that none is skipped.
struct TRead {
    qint64 Rows = 0;
    quint64 Sum = 0;
};

class TSqliteReplay {
public:
    TSqliteReplay(const QString& path, const QList<TStatement>& statements) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            fail("open");
        }
        sqlite3_busy_timeout(db_, 10000);
        std::map<QString, sqlite3_stmt*> prepared;
        for (const TStatement& s : statements) {
            sqlite3_stmt*& stmt = prepared[s.Sql];
            if (!stmt) {
                const QByteArray sql = s.Sql.toUtf8();
                if (sqlite3_prepare_v3(db_, sql.constData(), int(sql.size()),
                                       SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
                    fail("prepare");
                }
                statements_.push_back(stmt);
            }
            TRun run{stmt, {}};
            for (const QVariant& p : s.Params) {
                run.Values.push_back(valueOf(p));
            }
            runs_.push_back(std::move(run));
        }
    }
    ~TSqliteReplay() {
        for (sqlite3_stmt* s : statements_) {
            sqlite3_finalize(s);
        }
        sqlite3_close(db_);
    }
    TSqliteReplay(const TSqliteReplay&) = delete;
    TSqliteReplay& operator=(const TSqliteReplay&) = delete;

    TRead Run() {
        TRead read;
        for (const TRun& r : runs_) {
            sqlite3_reset(r.Stmt);
            for (int i = 0; i < int(r.Values.size()); ++i) {
                const TValue& v = r.Values[std::size_t(i)];
                if (const auto* n = std::get_if<qlonglong>(&v)) {
                    sqlite3_bind_int64(r.Stmt, i + 1, *n);
                } else if (const auto* d = std::get_if<double>(&v)) {
                    sqlite3_bind_double(r.Stmt, i + 1, *d);
                } else if (const auto* t = std::get_if<QByteArray>(&v)) {
                    sqlite3_bind_text(r.Stmt, i + 1, t->constData(), int(t->size()), SQLITE_STATIC);
                } else {
                    sqlite3_bind_null(r.Stmt, i + 1);
                }
            }
            int rc;
            while ((rc = sqlite3_step(r.Stmt)) == SQLITE_ROW) {
                ++read.Rows;
                const int columns = sqlite3_column_count(r.Stmt);
                for (int c = 0; c < columns; ++c) {
                    switch (sqlite3_column_type(r.Stmt, c)) {
                    case SQLITE_INTEGER:
                        read.Sum += quint64(sqlite3_column_int64(r.Stmt, c));
                        break;
                    case SQLITE_FLOAT:
                        read.Sum += quint64(sqlite3_column_double(r.Stmt, c));
                        break;
                    case SQLITE_TEXT: {
                        const unsigned char* text = sqlite3_column_text(r.Stmt, c);
                        const int size = sqlite3_column_bytes(r.Stmt, c);
                        read.Sum += quint64(size) + (size > 0 ? text[size - 1] : 0);
                        break;
                    }
                    case SQLITE_BLOB:
                        sqlite3_column_blob(r.Stmt, c);
                        read.Sum += quint64(sqlite3_column_bytes(r.Stmt, c));
                        break;
                    default:
                        break;
                    }
                }
            }
            if (rc != SQLITE_DONE) {
                fail("step");
            }
        }
        return read;
    }

private:
    struct TRun {
        sqlite3_stmt* Stmt;
        std::vector<TValue> Values;
    };

    [[noreturn]] void fail(const char* what) {
        throw std::runtime_error(std::string("sqlite3 ") + what + ": " + sqlite3_errmsg(db_));
    }

    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
    std::vector<TRun> runs_;
};

class TPgReplay {
public:
    TPgReplay(const db::TDatabaseUrl& url, const QList<TStatement>& statements) {
        const QByteArray host = url.Host.toUtf8(), port = QByteArray::number(url.Port),
                         name = url.Database.toUtf8(), user = url.User.toUtf8(),
                         password = url.Password.toUtf8();
        const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
        const char* values[] = {host.constData(), port.constData(),     name.constData(),
                                user.constData(), password.constData(), nullptr};
        conn_ = PQconnectdbParams(keys, values, 0);
        if (PQstatus(conn_) != CONNECTION_OK) {
            fail("connect");
        }
        // As the server's connection is set.
        PQclear(checked(PQexec(conn_, "SET TIME ZONE 'UTC'"), "SET"));
        std::map<QString, QByteArray> prepared;
        for (const TStatement& s : statements) {
            QByteArray& name = prepared[s.Sql];
            if (name.isEmpty()) {
                name = "direct_" + QByteArray::number(qlonglong(prepared.size()));
                PQclear(checked(
                    PQprepare(conn_, name.constData(),
                              db::TDatabase::NumberedPlaceholders(s.Sql).toUtf8().constData(), 0,
                              nullptr),
                    "PREPARE"));
            }
            TRun run{name, {}, {}};
            for (const QVariant& p : s.Params) {
                const TValue v = valueOf(p);
                run.Texts.push_back(std::holds_alternative<std::monostate>(v) ? QByteArray()
                                                                              : textOf(v));
                run.Null.push_back(std::holds_alternative<std::monostate>(v));
            }
            runs_.push_back(std::move(run));
        }
    }
    ~TPgReplay() { PQfinish(conn_); }
    TPgReplay(const TPgReplay&) = delete;
    TPgReplay& operator=(const TPgReplay&) = delete;

    TRead Run() {
        TRead read;
        std::vector<const char*> values;
        for (const TRun& r : runs_) {
            values.clear();
            for (std::size_t i = 0; i < r.Texts.size(); ++i) {
                values.push_back(r.Null[i] ? nullptr : r.Texts[i].constData());
            }
            PGresult* result = checked(PQexecPrepared(conn_, r.Name.constData(), int(values.size()),
                                                      values.data(), nullptr, nullptr, 0),
                                       "EXECUTE");
            const int rows = PQntuples(result);
            const int columns = PQnfields(result);
            for (int row = 0; row < rows; ++row) {
                for (int c = 0; c < columns; ++c) {
                    if (!PQgetisnull(result, row, c)) {
                        const char* text = PQgetvalue(result, row, c);
                        const int size = PQgetlength(result, row, c);
                        read.Sum += quint64(size) + (size > 0 ? quint64(text[size - 1]) : 0);
                    }
                }
            }
            read.Rows += rows;
            PQclear(result);
        }
        return read;
    }

private:
    struct TRun {
        QByteArray Name;
        std::vector<QByteArray> Texts;
        std::vector<bool> Null;
    };

    PGresult* checked(PGresult* result, const char* what) {
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            PQclear(result);
            fail(what);
        }
        return result;
    }
    [[noreturn]] void fail(const char* what) {
        throw std::runtime_error(std::string("libpq ") + what + ": " + PQerrorMessage(conn_));
    }

    PGconn* conn_ = nullptr;
    std::vector<TRun> runs_;
};

template <typename TReplay>
void replay(benchmark::State& state, TReplay& direct, qsizetype statements) {
    TRead read;
    for (auto _ : state) {
        read = direct.Run();
        benchmark::DoNotOptimize(read.Sum);
    }
    state.counters["statements"] = double(statements);
    state.counters["rows"] = double(read.Rows);
}

void BM_MonthOpenDirect(benchmark::State& state, TEngine engine, int scale) {
    TBenchServer& s = serverOf(engine, scale);
    try {
        const QList<TStatement> sent = captureMonthOpen(s);
        if (engine == TEngine::SQLite) {
            TSqliteReplay direct(s.Url().Path, sent);
            replay(state, direct, sent.size());
        } else {
            TPgReplay direct(s.Url(), sent);
            replay(state, direct, sent.size());
        }
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// --- saving and listing -------------------------------------------------------------------

void BM_Save(benchmark::State& state, TEngine engine, int scale) {
    TBenchServer& s = serverOf(engine, scale);
    auto c = s.Connect(Module);
    const QVariant month = openMonth(*c);
    if (const QString problem = problemOf(month); !problem.isEmpty()) {
        state.SkipWithError(problem.toUtf8().constData());
        return;
    }
    TMemTable dishes{QStringLiteral("cdsCompCardCache")};
    dishes.SetData(
        ToDataPacket(rpc::TRespostaCardapio::FromWire(month)[rpc::TElemCardapio::CompCard]));
    // The day's dishes: the first day on the 10th or after that has any.
    QString day;
    for (dishes.First(); !dishes.Eof() && day.isEmpty(); dishes.Next()) {
        if (dishes.FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date().day() >= 10) {
            day = dishes.FieldByName(QStringLiteral("NRCARDAPIO")).AsString();
        }
    }
    constexpr int Changed = 5;
    double share = 40;
    quint64 statements = 0;
    int changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        share = share == 40 ? 41 : 40;
        changed = 0;
        for (dishes.First(); !dishes.Eof() && changed < Changed; dishes.Next()) {
            if (dishes.FieldByName(QStringLiteral("NRCARDAPIO")).AsString() == day) {
                dishes.Edit();
                dishes.FieldByName(QStringLiteral("VRPECONSCARD")).SetAsFloat(share);
                dishes.Post();
                ++changed;
            }
        }
        const QVariant delta = FromDataPacket(dishes.Delta());
        const quint64 before = s.Db().Statements();
        state.ResumeTiming();
        const QString answer =
            bench::Call(*c, rpc::metodos::UpdateCache(),
                        {Operator, false, QVariant(), delta, QStringLiteral("N")})
                .toString();
        state.PauseTiming();
        statements = s.Db().Statements() - before;
        if (changed == 0 || rpc::TextoDeErro(answer)) {
            state.SkipWithError(
                (changed == 0 ? QStringLiteral("no dish to change") : answer).toUtf8().constData());
            return;
        }
        dishes.MergeChangeLog();
        state.ResumeTiming();
    }
    // Saved: the day's dishes hold the last share given.
    const int saved = s.Db()
                          .Scalar(QStringLiteral("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = ? "
                                                 "AND NRCARDAPIO = ? AND VRPECONSCARD = ?"),
                                  {Branch, day, share})
                          .toInt();
    if (saved < changed) {
        state.SkipWithError("the shares were not saved");
        return;
    }
    state.counters["dishes"] = changed;
    state.counters["statements"] = double(statements);
}

void BM_MonthList(benchmark::State& state, TEngine engine, int scale) {
    TBenchServer& s = serverOf(engine, scale);
    auto c = s.Connect(Module);
    QVariant answer;
    for (auto _ : state) {
        answer = bench::Call(*c, rpc::metodos::GetMesCard(), {Branch, Service});
        if (answer.typeId() == QMetaType::QString) {
            state.SkipWithError(answer.toString().toUtf8().constData());
            return;
        }
    }
    state.counters["months"] = double(ToDataPacket(answer).Rows.size());
}

using TBench = void (*)(benchmark::State&, TEngine, int);

void add(const char* name, TBench bench, TEngine engine, int scale) {
    std::string full = std::string(name) + "/" + test::EngineName(engine);
    if (scale != 1) {
        full += "/scale" + std::to_string(scale);
    }
    benchmark::RegisterBenchmark(full.c_str(), bench, engine, scale)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

// In this order, so that the scale-20 demonstration is seeded only when its benchmarks
// come, after the others.
void registerAll() {
    add("BM_MonthOpen", BM_MonthOpen, TEngine::SQLite, 1);
    add("BM_MonthOpenServer", BM_MonthOpenServer, TEngine::SQLite, 1);
    add("BM_MonthOpenDirect", BM_MonthOpenDirect, TEngine::SQLite, 1);
    add("BM_MonthOpenHttp", BM_MonthOpenHttp, TEngine::SQLite, 1);
    add("BM_Save", BM_Save, TEngine::SQLite, 1);
    add("BM_MonthList", BM_MonthList, TEngine::SQLite, 1);
    add("BM_MonthOpen", BM_MonthOpen, TEngine::PostgreSQL, 1);
    add("BM_MonthOpenServer", BM_MonthOpenServer, TEngine::PostgreSQL, 1);
    add("BM_MonthOpenDirect", BM_MonthOpenDirect, TEngine::PostgreSQL, 1);
    add("BM_MonthOpen", BM_MonthOpen, TEngine::SQLite, 20);
    add("BM_MonthOpenServer", BM_MonthOpenServer, TEngine::SQLite, 20);
    add("BM_MonthOpenDirect", BM_MonthOpenDirect, TEngine::SQLite, 20);
    add("BM_Save", BM_Save, TEngine::SQLite, 20);
    add("BM_MonthList", BM_MonthList, TEngine::SQLite, 20);
}

} // namespace

int main(int argc, char** argv) {
    pla::FixaFusoHorario();
    QCoreApplication app(argc, argv);
    // One log line per call would be measured with the call.
    QLoggingCategory::setFilterRules(
        QStringLiteral("pla.server.calls.info=false\npla.server.schema.info=false"));
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    servers().clear();
    return 0;
}
