#include "core/dates.h"
#include "core/errors.h"
#include "db_fixture.h"
#include "qt_print.h"
#include "server/admin.h"
#include "server/demo_seed.h"
#include "server/migrations.h"
#include "server/session_service.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>
#include <thread>

using namespace pla;
using namespace pla::server;
using pla::test::TEngine;

namespace {

TDatabaseUrl sqliteAt(const QString& path) {
    TDatabaseUrl u;
    u.Dialect = TDialect::SQLite;
    u.Path = path;
    return u;
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

int rows(TDatabase& db, const QString& table) {
    return db.Scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt();
}

// Every row of the table, whatever order the engine returns them in.
QByteArray checksum(TDatabase& db, const QString& table) {
    QSqlQuery q = db.Exec(QStringLiteral("SELECT * FROM %1").arg(table));
    QStringList lines;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i) {
            values.append(q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
        }
        lines.append(values.join(QChar(0x1f)));
    }
    lines.sort();
    return QCryptographicHash::hash(lines.join(QChar(0x1e)).toUtf8(), QCryptographicHash::Sha256)
        .toHex();
}

const QStringList ComparedTables = {"OPERADOR", "FILIAL",   "SERVICO", "PRATO",
                                    "CARDADIA", "COMPCARD", "CARDAMES"};

// The restored database serves as the original did: the schema needs nothing, the
// tables hold the same rows, and a demonstration operator signs in.
void expectSameData(const TDatabaseUrl& original, const TDatabaseUrl& restored,
                    const TDemoOperator& op) {
    TDatabasePool originalPool(original);
    TDatabasePool restoredPool(restored);
    TDatabase& a = originalPool.ForThisThread();
    TDatabase& b = restoredPool.ForThisThread();
    const int version = SchemaVersion(a);
    ASSERT_GT(version, 0);
    EXPECT_EQ(SchemaVersion(b), version);
    const int steps = rows(b, "SCHEMAVERSAO");
    EXPECT_EQ(Migrate(b), version);
    EXPECT_EQ(rows(b, "SCHEMAVERSAO"), steps) << "migrate applied a step to the restored copy";
    for (const QString& table : ComparedTables) {
        EXPECT_EQ(rows(b, table), rows(a, table)) << table.toStdString();
    }
    EXPECT_GT(rows(a, "COMPCARD"), 100);
    EXPECT_EQ(checksum(b, "COMPCARD"), checksum(a, "COMPCARD"));
    EXPECT_EQ(checksum(b, "OPERADOR"), checksum(a, "OPERADOR"));
    TSessionService sessions(restoredPool);
    EXPECT_NO_THROW(sessions.Open(op.Code, op.Password)) << op.Code.toStdString();
}

void expectRefused(const TDatabaseUrl& source, const QString& target, const QString& words) {
    try {
        BackupDatabase(source, target);
        ADD_FAILURE() << "backup of " << source.Describe().toStdString() << " was not refused";
    } catch (const EPlaError& e) {
        EXPECT_TRUE(e.message().contains(words)) << e.message().toStdString();
    }
}

// A schema with a branch and a dish type, and some dishes, so that the copy takes many
// small steps.
void prepare(const TDatabaseUrl& url) {
    TDatabase db(url);
    Migrate(db);
    TTransaction tx(db, true);
    db.Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROCESSA) VALUES ('0001', 'escritos 0', ?)",
            {DataHora(QDate(2026, 12, 7))});
    db.Exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES ('01', 'Prato principal')");
    for (int i = 1; i <= 1500; ++i) {
        db.ExecCount("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) "
                     "VALUES ('0001', ?, ?, '01')",
                     {QStringLiteral("B%1").arg(i, 6, 10, QLatin1Char('0')),
                      QStringLiteral("Prato de base número %1").arg(i)});
    }
    tx.Commit();
}

// What a writer leaves in one transaction: a dish and, on the branch, how many it has
// written. A copy that mixed two moments would disagree with itself.
QStringList writeStatements(int n) {
    return {QStringLiteral("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES "
                           "('0001', 'W%1', 'Prato escrito %2', '01')")
                .arg(n, 6, 10, QLatin1Char('0'))
                .arg(n),
            QStringLiteral("UPDATE FILIAL SET NMFILIAL = 'escritos %1' WHERE CDFILIAL = '0001'")
                .arg(n)};
}

// The copy holds every row committed before the backup began, agrees with itself, and
// is a moment's picture: the rows written during the copy are not in it.
void expectConsistentCopy(const QString& copy, int committedBefore, int committedAtEnd) {
    TDatabase db(sqliteAt(copy), true);
    EXPECT_EQ(db.Scalar("PRAGMA integrity_check").toString(), "ok");
    const int written = db.Scalar("SELECT COUNT(*) FROM PRATO WHERE CDPRATO LIKE 'W%'").toInt();
    EXPECT_GE(written, committedBefore);
    EXPECT_LT(written, committedAtEnd);
    EXPECT_EQ(db.Scalar("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = '0001'").toString(),
              QStringLiteral("escritos %1").arg(written));
    EXPECT_EQ(db.Scalar("SELECT MAX(CDPRATO) FROM PRATO WHERE CDPRATO LIKE 'W%'").toString(),
              QStringLiteral("W%1").arg(written, 6, 10, QLatin1Char('0')));
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM PRATO WHERE CDPRATO LIKE 'B%'").toInt(), 1500);
}

// Waits until the writer has committed past `seen`; false when it could not within
// ten seconds (it was held back).
bool writerMovedOn(const std::atomic<int>& committed, int seen) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (committed.load() <= seen) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Runs SQL on a plain SQLite connection, which leaves the journal mode as it finds it.
void execRaw(sqlite3* db, const QString& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const std::string why = error ? error : "";
    sqlite3_free(error);
    if (rc != SQLITE_OK) {
        throw std::runtime_error(why);
    }
}

// Commits one transaction of statements, on the writer's thread.
using TCommit = std::function<void(const QStringList& statements)>;

// A writer for a live copy: how it opens on its own thread, how many transactions it
// commits before the copy begins, and how long it pauses after each.
struct TLiveWriter {
    std::function<TCommit()> Open;
    int WarmUp = 0;
    std::chrono::milliseconds Pause{0};
};

struct TLiveCopy {
    TBackupResult Result;
    int Before = 0; // transactions committed when the copy began
    int AtEnd = 0;  // and when it had ended
};

// Copies the database at `url` to `target`, four pages a step, while a writer commits one
// transaction after another. Between every two steps the writer commits: it is never held
// back by the copy.
void copyWhileWriting(const TDatabaseUrl& url, const QString& target, const TLiveWriter& w,
                      TLiveCopy& copy) {
    std::atomic<int> committed{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> writerFailed{false};
    std::thread writer([&] {
        try {
            const TCommit commit = w.Open();
            for (int n = 1; !stop.load(); ++n) {
                commit(writeStatements(n));
                committed.store(n);
                if (w.Pause.count() > 0) {
                    std::this_thread::sleep_for(w.Pause);
                }
            }
        } catch (const std::exception&) {
            writerFailed.store(true);
        }
    });
    const bool warmedUp = writerMovedOn(committed, w.WarmUp);
    if (!warmedUp) {
        stop.store(true);
        writer.join();
    }
    ASSERT_TRUE(warmedUp);
    copy.Before = committed.load();

    int held = 0;
    TBackupOptions options;
    options.PagesPerStep = 4;
    options.Progress = [&](int, int) {
        if (!writerMovedOn(committed, committed.load())) {
            ++held;
        }
    };
    try {
        copy.Result = BackupDatabase(url, target, options);
    } catch (const EPlaError& e) {
        ADD_FAILURE() << e.message().toStdString();
    }
    stop.store(true);
    writer.join();
    copy.AtEnd = committed.load();

    EXPECT_FALSE(writerFailed.load());
    EXPECT_EQ(held, 0);
}

TEST(Backup, ALiveDatabaseIsCopiedConsistentlyWhileAnotherConnectionWrites) {
    QTemporaryDir dir;
    const TDatabaseUrl url = sqliteAt(dir.filePath("pla.db"));
    prepare(url);

    TLiveWriter writer;
    writer.Open = [&] {
        auto db = std::make_shared<TDatabase>(url);
        return TCommit([db](const QStringList& statements) {
            TTransaction tx(*db, true);
            for (const QString& sql : statements) {
                db->Exec(sql);
            }
            tx.Commit();
        });
    };
    writer.WarmUp = 20;
    TLiveCopy copy;
    ASSERT_NO_FATAL_FAILURE(copyWhileWriting(url, dir.filePath("copia.db"), writer, copy));
    const TBackupResult& r = copy.Result;

    EXPECT_TRUE(r.Wal);
    EXPECT_EQ(r.Restarts, 0);
    EXPECT_GT(r.Steps, 20);
    EXPECT_GE(copy.AtEnd - copy.Before, r.Steps);
    EXPECT_GT(r.SchemaVersion, 0);
    EXPECT_EQ(r.Bytes, QFileInfo(dir.filePath("copia.db")).size());
    // The copy holds password hashes: readable by its owner only.
    EXPECT_FALSE(QFile::permissions(dir.filePath("copia.db")) & QFileDevice::ReadOther);
    // Nothing beside the source's own files and the copy.
    for (const QString& f : filesIn(dir.path())) {
        EXPECT_TRUE(f.startsWith("pla.db") || f == "copia.db") << f.toStdString();
    }
    expectConsistentCopy(dir.filePath("copia.db"), copy.Before, copy.AtEnd);
}

// A database left in the rollback-journal mode: each step reads under a lock, a write
// between steps begins the copy anew, and after a few restarts the rest goes in one
// step, so that a busy database is still copied, consistently.
TEST(Backup, WithoutWalTheCopyStillEndsAndIsConsistent) {
    QTemporaryDir dir;
    const TDatabaseUrl url = sqliteAt(dir.filePath("pla.db"));
    prepare(url);
    auto journalMode = [&] {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(url.Path).constData(), &db);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr);
        sqlite3_step(stmt);
        const QString mode =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return mode;
    };
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(url.Path).constData(), &db), SQLITE_OK);
        execRaw(db, "PRAGMA journal_mode=DELETE");
        sqlite3_close(db);
    }
    ASSERT_EQ(journalMode(), "delete");

    // The writer on a plain connection: the project's connections turn WAL on.
    TLiveWriter writer;
    writer.Open = [&] {
        sqlite3* opened = nullptr;
        sqlite3_open(QFile::encodeName(url.Path).constData(), &opened);
        std::shared_ptr<sqlite3> db(opened, sqlite3_close);
        sqlite3_busy_timeout(db.get(), 10000);
        return TCommit([db](const QStringList& statements) {
            execRaw(db.get(), "BEGIN IMMEDIATE; " + statements.join("; ") + "; COMMIT");
        });
    };
    writer.WarmUp = 5;
    writer.Pause = std::chrono::milliseconds(1);
    TLiveCopy copy;
    ASSERT_NO_FATAL_FAILURE(copyWhileWriting(url, dir.filePath("copia.db"), writer, copy));
    const TBackupResult& r = copy.Result;

    EXPECT_FALSE(r.Wal);
    EXPECT_EQ(r.Restarts, 3);
    EXPECT_EQ(r.Steps, 5);
    expectConsistentCopy(dir.filePath("copia.db"), copy.Before, copy.AtEnd);
    EXPECT_EQ(journalMode(), "delete") << "the backup changed the source";
}

TEST(Backup, AnExistingTargetIsRefusedAndKept) {
    QTemporaryDir dir;
    const TDatabaseUrl url = sqliteAt(dir.filePath("pla.db"));
    prepare(url);
    QTemporaryDir out;
    QFile kept(out.filePath("copia.db"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("cópia de ontem");
    kept.close();

    expectRefused(url, out.filePath("copia.db"), "já existe");
    EXPECT_EQ(filesIn(out.path()), QStringList{"copia.db"});
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("cópia de ontem"));
    // The source itself is a file that exists too.
    expectRefused(url, url.Path, "já existe");
    expectRefused(url, out.filePath("falta/copia.db"), "não existe");
    expectRefused(url, "", "--to");
    EXPECT_EQ(filesIn(out.path()), QStringList{"copia.db"});
}

TEST(Backup, ASourceThatIsNoPlaDatabaseIsRefusedAndNothingIsWritten) {
    QTemporaryDir dir;
    QTemporaryDir out;
    const QString target = out.filePath("copia.db");

    QFile text(dir.filePath("notas.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray("não é um banco\n").repeated(400));
    text.close();
    expectRefused(sqliteAt(text.fileName()), target, "não é um banco do pla");

    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(dir.filePath("outro.db")).constData(), &db),
                  SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE X (A INTEGER)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const QByteArray otherBefore = [&] {
        QFile f(dir.filePath("outro.db"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    expectRefused(sqliteAt(dir.filePath("outro.db")), target, "não é um banco do pla");

    expectRefused(sqliteAt(dir.filePath("falta.db")), target, "não encontrado");
    expectRefused(sqliteAt(dir.path()), target, "não é um banco do pla");

    EXPECT_TRUE(filesIn(out.path()).isEmpty()) << filesIn(out.path()).join(", ").toStdString();
    // The sources are as they were: no file created, none changed.
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"notas.txt", "outro.db"}));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll(), QByteArray("não é um banco\n").repeated(400));
    QFile other(dir.filePath("outro.db"));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), otherBefore);
}

TEST(Backup, ACopyThatFailsHalfwayLeavesNoFile) {
    QTemporaryDir dir;
    const TDatabaseUrl url = sqliteAt(dir.filePath("pla.db"));
    prepare(url);
    QTemporaryDir out;
    TBackupOptions options;
    options.PagesPerStep = 4;
    int steps = 0;
    options.Progress = [&](int copied, int total) {
        ASSERT_LT(copied, total);
        if (++steps == 3) {
            throw EPlaError("disco cheio");
        }
    };
    try {
        BackupDatabase(url, out.filePath("copia.db"), options);
        ADD_FAILURE() << "the interrupted copy was reported as done";
    } catch (const EPlaError& e) {
        EXPECT_EQ(e.message(), "disco cheio");
    }
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(filesIn(out.path()).isEmpty()) << filesIn(out.path()).join(", ").toStdString();
}

TEST(Backup, PostgreSqlIsSentToPgDump) {
    QTemporaryDir out;
    // No connection is attempted: the host does not exist.
    const TDatabaseUrl url = TDatabaseUrl::Parse("postgresql://pla@banco.invalid:5433/pla");
    expectRefused(url, out.filePath("copia.dump"), "pg_dump -Fc");
    expectRefused(url, out.filePath("copia.dump"), "-h banco.invalid -p 5433 -U pla");
    EXPECT_TRUE(filesIn(out.path()).isEmpty());
}

// Restoring is copying the file back while the servers are stopped.
TEST(Backup, ARestoredSqliteCopyOpensMigratesAsIsAndHoldsTheData) {
    const TDatabaseUrl url = test::FreshDatabase(TEngine::SQLite);
    TDemoResult demo;
    {
        TDatabase db(url);
        Migrate(db);
        demo = SeedDemo(db, QDate(2026, 12, 6), 1, 1000);
    }
    ASSERT_FALSE(demo.Operators.isEmpty());
    QTemporaryDir out;
    const TBackupResult r = BackupDatabase(url, out.filePath("copia.db"));
    EXPECT_GT(r.Pages, 0);

    QTemporaryDir server;
    ASSERT_TRUE(QFile::copy(out.filePath("copia.db"), server.filePath("pla.db")));
    expectSameData(url, sqliteAt(server.filePath("pla.db")), demo.Operators.first());
}

QString postgresTool(const QString& tool) {
    for (const char* dir : {"/usr/lib/postgresql/15/bin", "/usr/lib/postgresql/16/bin",
                            "/usr/lib/postgresql/17/bin"}) {
        const QString path = QLatin1String(dir) + QLatin1Char('/') + tool;
        if (QFile::exists(path)) {
            return path;
        }
    }
    return {};
}

void runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ASSERT_TRUE(p.waitForFinished(300000)) << program.toStdString();
    ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << program.toStdString();
    ASSERT_EQ(p.exitCode(), 0) << program.toStdString() << ": "
                               << p.readAllStandardError().toStdString();
}

// The documented way for PostgreSQL: pg_dump -Fc while the servers run; pg_restore into
// a new database without the source's owners and grants, then the lookup role granted
// anew by pla-admin.
TEST(Backup, PgDumpAndPgRestoreGiveADatabaseThatServes) {
    const QString pgDump = postgresTool("pg_dump");
    const QString pgRestore = postgresTool("pg_restore");
    if (pgDump.isEmpty() || pgRestore.isEmpty()) {
        GTEST_SKIP() << "pg_dump or pg_restore not found in /usr/lib/postgresql/*/bin "
                        "(Debian's postgresql-client): the dump and restore cannot be tried";
    }
    const QString lookupPassword = "consulta-da-copia-2026";
    const TDatabaseUrl url = test::FreshDatabase(TEngine::PostgreSQL);
    TDemoResult demo;
    {
        TDatabase db(url);
        Migrate(db);
        demo = SeedDemo(db, QDate(2026, 12, 6), 1, 1000);
        CreateLookupRole(db, "pla_consulta_copia", lookupPassword);
    }
    ASSERT_FALSE(demo.Operators.isEmpty());
    QTemporaryDir out;
    const QString dump = out.filePath("pla.dump");
    const QStringList connection = {"-h", url.Host, "-p", QString::number(url.Port),
                                    "-U", url.User};
    runTool(pgDump, QStringList{"-Fc", "-f", dump} + connection + QStringList{url.Database});
    ASSERT_GT(QFileInfo(dump).size(), 0);

    const TDatabaseUrl restored = test::FreshDatabase(TEngine::PostgreSQL);
    runTool(pgRestore,
            QStringList{"--exit-on-error", "--no-owner", "--no-acl", "-d", restored.Database} +
                connection + QStringList{dump});
    expectSameData(url, restored, demo.Operators.first());

    TDatabaseUrl lookup = restored;
    lookup.User = "pla_consulta_copia";
    lookup.Password = lookupPassword;
    {
        TDatabase reader(lookup, true);
        EXPECT_THROW(reader.Scalar("SELECT COUNT(*) FROM PRATO"), EPlaError)
            << "the grants came with the dump";
    }
    {
        TDatabase db(restored);
        CreateLookupRole(db, "pla_consulta_copia", lookupPassword);
    }
    TDatabase reader(lookup, true);
    TDatabase source(url);
    EXPECT_EQ(reader.Scalar("SELECT COUNT(*) FROM PRATO").toInt(), rows(source, "PRATO"));
}

} // namespace
