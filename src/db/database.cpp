#include "database.h"

#include "core/dates.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlRecord>

namespace pla::db {

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
        db_.setConnectOptions(QStringLiteral("connect_timeout=10"));
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
    } else {
        Exec(QStringLiteral("SET TIME ZONE 'UTC'"));
        if (readOnly) {
            Exec(QStringLiteral("SET default_transaction_read_only = on"));
        }
    }
}

TDatabase::~TDatabase() {
    writes_.clear();
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

QSqlQuery TDatabase::Exec(const QString& sql, const QVariantList& params) {
    if (lost_) {
        throw EConnectionLost(QStringLiteral("Conexão com o banco perdida"));
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

void TDatabase::fail(const QString& why) {
    // A PostgreSQL connection that broke reports itself closed after the failure.
    if (url_.Dialect == TDialect::PostgreSQL && !db_.isOpen()) {
        lost_ = true;
        throw EConnectionLost(QStringLiteral("Conexão com o banco perdida: %1").arg(why));
    }
    throw EDatabaseError(why);
}

bool TDatabase::isWrite(const QString& sql) {
    const QStringView head = QStringView(sql).trimmed().left(6);
    return head.compare(u"INSERT", Qt::CaseInsensitive) == 0 ||
           head.compare(u"UPDATE", Qt::CaseInsensitive) == 0 ||
           head.compare(u"DELETE", Qt::CaseInsensitive) == 0;
}

// A write run on its kept statement; the answer is the rows it affected.
int TDatabase::execWrite(const QString& sql, const QVariantList& params) {
    constexpr qsizetype MaxKept = 256; // dynamic statements cannot grow it without end
    if (lost_) {
        throw EConnectionLost(QStringLiteral("Conexão com o banco perdida"));
    }
    auto it = writes_.find(sql);
    if (it == writes_.end()) {
        if (writes_.size() >= MaxKept) {
            writes_.clear();
        }
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        if (!q.prepare(sql)) {
            if (url_.Dialect == TDialect::PostgreSQL && !db_.isOpen()) {
                fail(describeError(q.lastError()));
            }
            throw EDatabaseError(QStringLiteral("Comando inválido: %1 (%2)")
                                     .arg(describeError(q.lastError()), sql.left(200)));
        }
        it = writes_.insert(sql, q);
    }
    QSqlQuery& q = it.value();
    for (int i = 0; i < params.size(); ++i) {
        q.bindValue(i, ToSql(params[i]));
    }
    if (!q.exec()) {
        // Kept as it is: PostgreSQL could not release it inside the aborted transaction.
        fail(describeError(q.lastError()));
    }
    return q.numRowsAffected();
}

QVariant TDatabase::Scalar(const QString& sql, const QVariantList& params) {
    QSqlQuery q = Exec(sql, params);
    return q.next() ? q.value(0) : QVariant();
}

int TDatabase::ExecCount(const QString& sql, const QVariantList& params) {
    if (!params.isEmpty() && isWrite(sql)) {
        return execWrite(sql, params);
    }
    return Exec(sql, params).numRowsAffected();
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
