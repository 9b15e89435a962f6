#pragma once

#include "core/errors.h"
#include "core/field_type.h"
#include "database_url.h"
#include "rows.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace pla::db {

// A statement the database refused; the text carries the driver's reason.
class EDatabaseError : public EPlaError {
public:
    using EPlaError::EPlaError;
};

// The connection to the database broke (the server restarted, the network failed):
// the statement was not run, and the connection is opened anew for the next one.
class EConnectionLost : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The SQLite connection under a Qt connection to an SQLite database.
sqlite3* SqliteHandle(const QSqlDatabase& db);

// One connection, used by one thread. Statements take "?" placeholders; values are
// bound as the one representation both engines read the same way (wall-clock
// date-times as "yyyy-MM-dd hh:mm:ss[.zzz]" text).
class TDatabase {
public:
    TDatabase(const TDatabaseUrl& url, bool readOnly = false);
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    TDialect Dialect() const { return url_.Dialect; }
    // Appended to a SELECT of one table whose rows a write transaction checks before it
    // changes them: locked until it ends on PostgreSQL (two writers at once would both
    // pass the check); nothing on SQLite, whose write transaction holds the database.
    QString RowLock() const {
        return url_.Dialect == TDialect::PostgreSQL ? QStringLiteral(" FOR UPDATE") : QString();
    }

    // Many rows handed to one statement as one value: a JSON array of the rows
    // (RowsValue), read back as a table (RowsOf). Bound one by one, the values of a few
    // hundred rows took longer to prepare than the statement took to run (SQLite, under
    // Qt's driver, names every placeholder and looks each name up among the others;
    // PostgreSQL's EXECUTE parses each as a literal): one value keeps the statement's
    // text and its preparation the same whatever its rows, and the statement can stay
    // prepared on the connection. Null, numbers and texts as ToSql gives them.
    static QString RowsValue(const QList<QVariantList>& rows);
    // A subquery, "(SELECT ... FROM ...(?))", of the rows of such a value: its columns
    // named and typed as given, and ROWNO, each row's position in the value, which an
    // INSERT orders by to write the rows in the batch's order.
    QString RowsOf(const QStringList& names, const QList<TFieldType>& types) const;
    // A batch is split into statements of at most this many rows, and a list of values
    // (an IN list) into lists of at most this many: statements of a bounded size, far
    // under SQLite's limit of bound values. A connection's own: a test lowers it to
    // cross the boundaries with a few rows.
    static constexpr int DefaultMaxRowsPerStatement = 2000;
    int MaxRowsPerStatement() const { return maxRows_; }
    void SetMaxRowsPerStatement(int rows);
    // Runs `statement` over `items` in parts of at most MaxRowsPerStatement.
    template <typename T, typename F> void InParts(const QList<T>& items, F&& statement) const {
        for (qsizetype from = 0; from < items.size(); from += maxRows_) {
            statement(items.mid(from, maxRows_));
        }
    }
    // "?, ?, ?": the placeholders of an IN list.
    static QString Placeholders(qsizetype count);
    // The "?" placeholders as PostgreSQL's "$1", "$2", ... (none inside quotes), as the
    // connection prepares its statements there.
    static QString NumberedPlaceholders(const QString& sql);

    // Every statement this connection has sent, BEGIN and COMMIT included: what a test
    // counts to see that a write costs the same number of round trips whatever its size.
    quint64 Statements() const { return statements_; }
    // Told of every statement counted there, with its values as given (before ToSql):
    // what a benchmark captures to replay on the engine's own client, or a test reads.
    // None by default (one check per statement); called on the thread that runs it.
    using TTrace = std::function<void(const QString& sql, const QVariantList& params)>;
    void SetTrace(TTrace trace) { trace_ = std::move(trace); }
    const TDatabaseUrl& Url() const { return url_; }

    QSqlQuery Exec(const QString& sql, const QVariantList& params = {});
    // A read: its rows, read forward once (rows.h). On SQLite the statement stays prepared
    // on the connection, and a reader has it to itself until it ends.
    TRows Select(const QString& sql, const QVariantList& params = {});
    // The first column of the first row, or null when there is none.
    QVariant Scalar(const QString& sql, const QVariantList& params = {});
    // A write (INSERT, UPDATE, DELETE) run on a statement the connection keeps prepared,
    // as Select's; the answer is the rows affected.
    int ExecCount(const QString& sql, const QVariantList& params = {});

    void Begin(bool exclusive = false);
    void Commit();
    void Rollback();
    bool InTransaction() const { return depth_ > 0; }
    // The connection broke: nothing more can run on it.
    bool Lost() const { return lost_; }

    static QVariant ToSql(const QVariant& value);
    // A column value in a field type's canonical form, whatever the engine gave.
    static QVariant FromSql(TFieldType type, const QVariant& value);

private:
    QSqlQuery execPrepared(const QString& sql, const QVariantList& params);
    TRows selectSqlite(const QString& sql, const QVariantList& params);
    // The error of a failed statement, raised as a lost connection when it was one.
    [[noreturn]] void fail(const QString& why);
    void failIfLost(const QSqlError& error);

    TDatabaseUrl url_;
    QString name_;
    QSqlDatabase db_;
    int depth_ = 0;
    bool lost_ = false;
    int maxRows_ = DefaultMaxRowsPerStatement;
    quint64 statements_ = 0;
    TTrace trace_;
    std::vector<QSqlQuery> failed_;
    // SQLite: the statements of reads and counted writes, kept prepared on the connection
    // and lent to one reader at a time.
    sqlite3* sqlite_ = nullptr;
    std::unordered_map<QString, std::shared_ptr<TSqliteStatement>> kept_;
    // PostgreSQL: every statement with values stays prepared on the connection under a
    // name of its own, so that a read is one round trip (Qt's driver would prepare,
    // execute and release it: three).
    // Beyond that many (texts with IN lists of every length), the rest run unkept.
    static constexpr qsizetype MaxPrepared = 512;
    QHash<QString, QString> prepared_;
    int preparedCount_ = 0;
};

// A transaction for the life of the scope: committed by Commit, rolled back when
// the scope ends without it (an error halfway leaves nothing behind).
class TTransaction {
public:
    explicit TTransaction(TDatabase& db, bool exclusive = false)
        : db_(db) {
        db_.Begin(exclusive);
    }
    ~TTransaction() {
        if (!done_) {
            try {
                db_.Rollback();
            } catch (...) {
                // The connection is gone; the database drops the transaction with it.
            }
        }
    }
    void Commit() {
        db_.Commit();
        done_ = true;
    }
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

private:
    TDatabase& db_;
    bool done_ = false;
};

// A connection per thread that asks for one, opened on first use and kept for
// that thread (the server's workers live as long as the server); a connection that
// broke is opened anew when the thread asks again.
class TDatabasePool {
public:
    explicit TDatabasePool(const TDatabaseUrl& url)
        : url_(url) {}
    TDatabase& ForThisThread();
    const TDatabaseUrl& Url() const { return url_; }
    // The database answers this thread now (opening the connection anew if it broke):
    // what /health reports.
    bool Healthy();
    void CloseThisThread();

private:
    TDatabaseUrl url_;
    std::mutex mutex_;
    std::map<std::thread::id, std::unique_ptr<TDatabase>> connections_;
    std::deque<std::unique_ptr<TDatabase>> retired_; // lost connections
};

} // namespace pla::db
