#pragma once

#include "core/errors.h"
#include "core/field_type.h"
#include "database_url.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
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
    const TDatabaseUrl& Url() const { return url_; }

    QSqlQuery Exec(const QString& sql, const QVariantList& params = {});
    // The first column of the first row, or null when there is none.
    QVariant Scalar(const QString& sql, const QVariantList& params = {});
    // A write (INSERT, UPDATE, DELETE) run on a statement the connection keeps
    // prepared; the answer is the rows affected.
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
    static bool isWrite(const QString& sql);
    int execWrite(const QString& sql, const QVariantList& params);
    // The error of a failed statement, raised as a lost connection when it was one.
    [[noreturn]] void fail(const QString& why);

    TDatabaseUrl url_;
    QString name_;
    QSqlDatabase db_;
    int depth_ = 0;
    bool lost_ = false;
    std::vector<QSqlQuery> failed_;
    // Writes stay prepared on the connection: a save repeats a few statements many
    // times, and preparing and releasing each anew costs PostgreSQL two round trips.
    QHash<QString, QSqlQuery> writes_;
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
