#include "database.h"

#include "core/dates.h"
#include "stored_date.h"

#include <QAtomicInteger>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <sqlite3.h>

namespace pla::db {

namespace {

// NULL as the drivers bind it: no value, or a null text, bytes or date (Qt 6's
// QVariant::isNull no longer says so for a null QString).
bool isSqlNull(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return true;
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString().isNull();
    case QMetaType::QByteArray:
        return v.toByteArray().isNull();
    case QMetaType::QDateTime:
        return !v.toDateTime().isValid();
    case QMetaType::QDate:
        return !v.toDate().isValid();
    default:
        return false;
    }
}

} // namespace

namespace {

QString connectionName() {
    static QAtomicInteger<quint64> next{0};
    return QStringLiteral("pla-db-%1").arg(++next);
}

QString describeError(const QSqlError& e) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) {
        text = e.driverText().trimmed();
    }
    return text;
}

} // namespace

sqlite3* SqliteHandle(const QSqlDatabase& db) {
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) {
        throw EDatabaseError(QStringLiteral("O driver SQLite do Qt não expõe a conexão."));
    }
    // The handle is used through the SQLite this program links: it must be the very
    // library Qt's driver opened it with (a Qt with SQLite built in would not be).
    QSqlQuery q(db);
    const QString theirs = q.exec(QStringLiteral("SELECT sqlite_source_id()")) && q.next()
                               ? q.value(0).toString()
                               : QString();
    const QString ours = QString::fromLatin1(sqlite3_sourceid());
    if (theirs != ours) {
        throw EDatabaseError(QStringLiteral("O driver SQLite do Qt usa outra biblioteca SQLite "
                                            "(%1) que este programa (%2).")
                                 .arg(theirs, ours));
    }
    return *static_cast<sqlite3* const*>(h.constData());
}

TDatabase::TDatabase(const TDatabaseUrl& url, bool readOnly)
    : url_(url)
    , name_(connectionName()) {
    if (url.Dialect == TDialect::SQLite) {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(url.Path);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
        if (readOnly) {
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        }
        db_.setConnectOptions(options);
    } else {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db_.setHostName(url.Host);
        db_.setPort(url.Port);
        db_.setDatabaseName(url.Database);
        db_.setUserName(url.User);
        db_.setPassword(url.Password);
        // A database host that vanished (no reset, no answer) is noticed within about a
        // minute, waiting for an answer (keepalives) or with a statement unacknowledged
        // (tcp_user_timeout), instead of holding the worker, or the health check, for good.
        db_.setConnectOptions(QStringLiteral("connect_timeout=10;keepalives=1;keepalives_idle=30;"
                                             "keepalives_interval=10;keepalives_count=3;"
                                             "tcp_user_timeout=60000"));
    }
    if (!db_.isValid()) {
        throw EDatabaseError(QStringLiteral("O driver do banco %1 não está instalado")
                                 .arg(url.Dialect == TDialect::SQLite ? "SQLite" : "PostgreSQL"));
    }
    if (!db_.open()) {
        const QString why = describeError(db_.lastError());
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw EDatabaseError(
            QStringLiteral("Não foi possível abrir o banco %1: %2").arg(url.Describe(), why));
    }
    if (url.Dialect == TDialect::SQLite) {
        // Concurrent readers with one writer, and foreign keys enforced.
        if (!readOnly) {
            Exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        }
        Exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        Exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        sqlite_ = SqliteHandle(db_);
    } else {
        Exec(QStringLiteral("SET TIME ZONE 'UTC'"));
        if (readOnly) {
            Exec(QStringLiteral("SET default_transaction_read_only = on"));
        }
    }
}

TDatabase::~TDatabase() {
    kept_.clear(); // a statement still lent is finalized by its reader
    failed_.clear();
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

QVariant TDatabase::ToSql(const QVariant& value) {
    if (IsNullValue(value)) {
        return QVariant(QMetaType(QMetaType::QString));
    }
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = NormalizaDataHora(value.toDateTime());
        return dt.time().msec() == 0 ? dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                     : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    }
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00"));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("S") : QStringLiteral("N");
    default:
        return value;
    }
}

QVariant TDatabase::FromSql(TFieldType type, const QVariant& value) {
    if (value.isNull() || !value.isValid()) {
        return {};
    }
    if (type == TFieldType::DateTime) {
        if (value.typeId() == QMetaType::QDateTime) {
            return NormalizaDataHora(value.toDateTime());
        }
        const QString s = value.toString().trimmed();
        // Read straight as UTC: QDateTime::fromString would read it as local time first,
        // and glibc looks at the time zone file again on every such conversion.
        if (const auto stored = StoredMsecs(QStringView(s))) {
            return QDateTime::fromMSecsSinceEpoch(*stored, Qt::UTC);
        }
        QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid()) {
            dt = QDateTime::fromString(s.left(23), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        }
        if (!dt.isValid()) {
            dt = QDateTime::fromString(s.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        if (!dt.isValid()) {
            throw EDatabaseError(QStringLiteral("Data inválida no banco: %1").arg(s));
        }
        return NormalizaDataHora(dt);
    }
    return ToFieldValue({QString(), type, 0, false}, value);
}

void TDatabase::SetMaxRowsPerStatement(int rows) {
    maxRows_ = std::max(1, rows);
}

QString TDatabase::RowsValue(const QList<QVariantList>& rows) {
    QString out;
    out.reserve(rows.size() * 64);
    out += QLatin1Char('[');
    for (qsizetype r = 0; r < rows.size(); ++r) {
        out += r == 0 ? QLatin1String("[") : QLatin1String(",[");
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            if (c > 0) {
                out += QLatin1Char(',');
            }
            const QVariant v = ToSql(rows[r][c]);
            if (isSqlNull(v)) {
                out += QLatin1String("null");
            } else if (IsIntegralType(v.typeId())) {
                out += v.toString();
            } else if (IsFloatType(v.typeId())) {
                // The shortest text that reads back as the same double; JSON has no
                // infinities, which no column holds.
                const double d = v.toDouble();
                out += std::isfinite(d) ? QString::number(d, 'g', QLocale::FloatingPointShortest)
                                        : QStringLiteral("null");
            } else {
                out += QLatin1Char('"');
                for (const QChar ch : v.toString()) {
                    if (ch == QLatin1Char('"') || ch == QLatin1Char('\\')) {
                        out += QLatin1Char('\\');
                        out += ch;
                    } else if (ch.unicode() < 0x20) {
                        out += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
                    } else {
                        out += ch;
                    }
                }
                out += QLatin1Char('"');
            }
        }
        out += QLatin1Char(']');
    }
    out += QLatin1Char(']');
    return out;
}

QString TDatabase::RowsOf(const QStringList& names, const QList<TFieldType>& types) const {
    QStringList columns;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (url_.Dialect == TDialect::SQLite) {
            columns << QStringLiteral("json_extract(value, '$[%1]') AS %2").arg(i).arg(names[i]);
            continue;
        }
        QString type;
        switch (types.value(i)) {
        case TFieldType::Integer:
            type = QStringLiteral("BIGINT");
            break;
        case TFieldType::Float:
            type = QStringLiteral("DOUBLE PRECISION");
            break;
        case TFieldType::DateTime:
            type = QStringLiteral("TIMESTAMP(3)");
            break;
        default: // texts, and booleans as "S" or "N"
            type = QStringLiteral("VARCHAR");
            break;
        }
        columns << QStringLiteral("CAST(R.value->>%1 AS %2) AS %3").arg(i).arg(type, names[i]);
    }
    if (url_.Dialect == TDialect::SQLite) {
        // "LIMIT -1" (no limit) keeps SQLite from flattening the subquery into the join
        // of an UPDATE, where it would read the value again for each row of the table.
        return QStringLiteral("(SELECT %1, key AS ROWNO FROM json_each(?) LIMIT -1)")
            .arg(columns.join(QStringLiteral(", ")));
    }
    return QStringLiteral("(SELECT %1, R.ROWNO FROM jsonb_array_elements(CAST(? AS JSONB)) WITH "
                          "ORDINALITY AS R(value, ROWNO))")
        .arg(columns.join(QStringLiteral(", ")));
}

QString TDatabase::Placeholders(qsizetype count) {
    return QStringList(count, QStringLiteral("?")).join(QStringLiteral(", "));
}

QSqlQuery TDatabase::Exec(const QString& sql, const QVariantList& params) {
    if (lost_) {
        throw EConnectionLost(QStringLiteral("Conexão com o banco perdida"));
    }
    ++statements_;
    if (trace_) {
        trace_(sql, params);
    }
    if (!params.isEmpty() && url_.Dialect == TDialect::PostgreSQL &&
        (prepared_.size() < MaxPrepared || prepared_.contains(sql))) {
        return execPrepared(sql, params);
    }
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (params.isEmpty()) {
        // Statements without values run as they are: PostgreSQL cannot prepare
        // SET, BEGIN or COMMIT.
        if (!q.exec(sql)) {
            fail(describeError(q.lastError()));
        }
        return q;
    }
    if (!q.prepare(sql)) {
        if (url_.Dialect == TDialect::PostgreSQL && !db_.isOpen()) {
            fail(describeError(q.lastError()));
        }
        throw EDatabaseError(QStringLiteral("Comando inválido: %1 (%2)")
                                 .arg(describeError(q.lastError()), sql.left(200)));
    }
    for (const auto& p : params) {
        q.addBindValue(ToSql(p));
    }
    if (!q.exec()) {
        const QString why = describeError(q.lastError());
        if (depth_ > 0) {
            // PostgreSQL cannot free the prepared statement inside the aborted
            // transaction: keep it until the rollback.
            failed_.push_back(q);
        }
        fail(why);
    }
    return q;
}

QString TDatabase::NumberedPlaceholders(const QString& sql) {
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            quote = c == quote ? QChar() : quote;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out;
}

// Prepared once per connection (PREPARE outlives a rolled-back transaction), then run
// by name with the values written as the driver writes them for its own EXECUTE.
QSqlQuery TDatabase::execPrepared(const QString& sql, const QVariantList& params) {
    auto it = prepared_.constFind(sql);
    if (it == prepared_.cend()) {
        const QString name = QStringLiteral("pla_%1").arg(++preparedCount_);
        QSqlQuery prepare(db_);
        if (!prepare.exec(
                QStringLiteral("PREPARE %1 AS %2").arg(name, NumberedPlaceholders(sql)))) {
            failIfLost(prepare.lastError());
            throw EDatabaseError(QStringLiteral("Comando inválido: %1 (%2)")
                                     .arg(describeError(prepare.lastError()), sql.left(200)));
        }
        it = prepared_.insert(sql, name);
    }
    QStringList values;
    values.reserve(params.size());
    for (const QVariant& p : params) {
        const QVariant v = ToSql(p);
        if (isSqlNull(v)) {
            values.append(QStringLiteral("NULL"));
            continue;
        }
        QSqlField field(QString(), v.metaType());
        field.setValue(v);
        values.append(db_.driver()->formatValue(field));
    }
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("EXECUTE %1 (%2)").arg(it.value(), values.join(QStringLiteral(", "))))) {
        failIfLost(q.lastError());
        fail(describeError(q.lastError()));
    }
    return q;
}

// Every answer of the server carries its SQLSTATE; a failure without one never reached
// it. Class 08 (connection) and 57P (the server shutting down, the backend terminated)
// end the connection too.
void TDatabase::failIfLost(const QSqlError& error) {
    const QString state = error.nativeErrorCode();
    if (!db_.isOpen() || state.isEmpty() || state.startsWith(QLatin1String("08")) ||
        state.startsWith(QLatin1String("57P"))) {
        lost_ = true;
        throw EConnectionLost(
            QStringLiteral("Conexão com o banco perdida: %1").arg(describeError(error)));
    }
}

void TDatabase::fail(const QString& why) {
    // A PostgreSQL connection that broke reports itself closed after the failure.
    if (url_.Dialect == TDialect::PostgreSQL && !db_.isOpen()) {
        lost_ = true;
        throw EConnectionLost(QStringLiteral("Conexão com o banco perdida: %1").arg(why));
    }
    throw EDatabaseError(why);
}

QVariant TDatabase::Scalar(const QString& sql, const QVariantList& params) {
    TRows rows = Select(sql, params);
    return rows.Next() ? rows.Value(0) : QVariant();
}

TRows TDatabase::Select(const QString& sql, const QVariantList& params) {
    if (url_.Dialect != TDialect::SQLite) {
        return TRows(Exec(sql, params));
    }
    ++statements_;
    if (trace_) {
        trace_(sql, params);
    }
    return selectSqlite(sql, params);
}

TRows TDatabase::selectSqlite(const QString& sql, const QVariantList& params) {
    constexpr std::size_t MaxKept = 256;
    const auto it = kept_.find(sql);
    std::shared_ptr<TSqliteStatement> lent;
    if (it != kept_.end() && !it->second->Busy) {
        lent = it->second;
    } else {
        // A text read again while its kept statement is still being read gets one of its
        // own for this reader.
        const bool keep = it == kept_.end();
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v3(sqlite_, text.constData(), static_cast<int>(text.size()),
                                          keep ? SQLITE_PREPARE_PERSISTENT : 0, &raw, &tail);
        if (raw) {
            lent = std::make_shared<TSqliteStatement>(raw);
        }
        const bool more = tail && std::any_of(tail, text.constData() + text.size(), [](char c) {
                              return c != ';' && !std::isspace(static_cast<unsigned char>(c));
                          });
        if (rc != SQLITE_OK || !raw || more) {
            const QString why = rc != SQLITE_OK ? QString::fromUtf8(sqlite3_errmsg(sqlite_))
                                : !raw          ? QStringLiteral("nenhum comando")
                                                : QStringLiteral("mais de um comando");
            throw EDatabaseError(
                QStringLiteral("Comando inválido: %1 (%2)").arg(why, sql.left(200)));
        }
        if (keep) {
            if (kept_.size() >= MaxKept) {
                // Texts made with lists of every length would grow it without end; a
                // statement lent now lives on with its reader.
                kept_.clear();
            }
            kept_.emplace(sql, lent);
        }
    }
    sqlite3_stmt* statement = lent->Handle;
    TRows rows(sqlite_, std::move(lent)); // gives the statement back however this ends
    if (sqlite3_bind_parameter_count(statement) != params.size()) {
        throw EDatabaseError(QStringLiteral("Comando com %1 valores para %2 parâmetros (%3)")
                                 .arg(params.size())
                                 .arg(sqlite3_bind_parameter_count(statement))
                                 .arg(sql.left(200)));
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant v = ToSql(params[i]);
        int rc = SQLITE_OK;
        if (isSqlNull(v)) {
            rc = sqlite3_bind_null(statement, i + 1);
        } else if (IsIntegralType(v.typeId())) {
            rc = sqlite3_bind_int64(statement, i + 1, v.toLongLong());
        } else if (IsFloatType(v.typeId())) {
            rc = sqlite3_bind_double(statement, i + 1, v.toDouble());
        } else if (v.typeId() == QMetaType::QByteArray) {
            const QByteArray bytes = v.toByteArray();
            rc = sqlite3_bind_blob64(statement, i + 1, bytes.constData(),
                                     static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
        } else {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text64(statement, i + 1, text.constData(),
                                     static_cast<sqlite3_uint64>(text.size()), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
        }
        if (rc != SQLITE_OK) {
            throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(sqlite_)));
        }
    }
    return rows;
}

int TDatabase::ExecCount(const QString& sql, const QVariantList& params) {
    if (url_.Dialect != TDialect::SQLite) {
        return Exec(sql, params).numRowsAffected(); // prepared by name there
    }
    TRows rows = Select(sql, params);
    while (rows.Next()) {
    }
    return sqlite3_changes(sqlite_);
}

void TDatabase::Begin(bool exclusive) {
    if (depth_ > 0) {
        throw EDatabaseError(QStringLiteral("Transação já aberta nesta conexão"));
    }
    if (url_.Dialect == TDialect::SQLite) {
        // IMMEDIATE takes the write lock at once, so two writers wait instead of
        // failing halfway on a busy database.
        Exec(exclusive ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    } else {
        Exec(QStringLiteral("BEGIN"));
    }
    depth_ = 1;
}

void TDatabase::Commit() {
    Exec(QStringLiteral("COMMIT"));
    depth_ = 0;
    failed_.clear();
}

void TDatabase::Rollback() {
    depth_ = 0;
    Exec(QStringLiteral("ROLLBACK"));
    failed_.clear();
}

TDatabase& TDatabasePool::ForThisThread() {
    std::lock_guard lock(mutex_);
    auto& slot = connections_[std::this_thread::get_id()];
    if (slot && slot->Lost()) {
        // Someone of this thread's call may still hold it: retired, not destroyed, until
        // many calls later.
        retired_.push_back(std::move(slot));
        if (retired_.size() > 64) {
            retired_.pop_front();
        }
    }
    if (!slot) {
        slot = std::make_unique<TDatabase>(url_);
    }
    return *slot;
}

bool TDatabasePool::Healthy() {
    try {
        return ForThisThread().Scalar(QStringLiteral("SELECT 1")).toInt() == 1;
    } catch (const EDatabaseError&) {
        return false;
    }
}

void TDatabasePool::CloseThisThread() {
    std::lock_guard lock(mutex_);
    connections_.erase(std::this_thread::get_id());
}

} // namespace pla::db
