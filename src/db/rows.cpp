#include "rows.h"

#include "database.h"

#include <QSqlRecord>
#include <sqlite3.h>

namespace pla::db {

TRows::TRows(sqlite3* db, sqlite3_stmt* statement, bool* kept)
    : db_(db)
    , statement_(statement)
    , kept_(kept) {}

TRows::TRows(QSqlQuery query)
    : query_(std::move(query)) {}

TRows::TRows(TRows&& other) noexcept
    : db_(std::exchange(other.db_, nullptr))
    , statement_(std::exchange(other.statement_, nullptr))
    , kept_(std::exchange(other.kept_, nullptr))
    , query_(std::exchange(other.query_, std::nullopt)) {}

TRows::~TRows() {
    release();
}

void TRows::release() noexcept {
    if (!statement_) {
        return;
    }
    if (kept_) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
        *kept_ = false;
    } else {
        sqlite3_finalize(statement_);
    }
    statement_ = nullptr;
    kept_ = nullptr;
}

bool TRows::Next() {
    if (!db_) {
        return query_ && query_->next();
    }
    if (!statement_) {
        return false;
    }
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        // Given back at once: a reader that stops at the last row holds nothing.
        release();
        return false;
    }
    const QString why = QString::fromUtf8(sqlite3_errmsg(db_));
    release();
    throw EDatabaseError(why);
}

int TRows::ColumnCount() const {
    if (!db_) {
        return query_ ? query_->record().count() : 0;
    }
    return statement_ ? sqlite3_column_count(statement_) : 0;
}

QVariant TRows::Value(int column) const {
    if (!db_) {
        return query_ ? query_->value(column) : QVariant();
    }
    if (!statement_ || column < 0 || column >= sqlite3_column_count(statement_)) {
        return {};
    }
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(statement_, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement_, column);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(statement_, column));
    }
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
        return QByteArray(bytes, sqlite3_column_bytes(statement_, column));
    }
    default:
        return {};
    }
}

bool TRows::IsNull(int column) const {
    if (!db_) {
        return !query_ || query_->isNull(column);
    }
    return !statement_ || sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

QVariant TRows::Field(TFieldType type, int column) const {
    // What SQLite holds in the field's own form already is taken as it is.
    if (db_ && statement_ && column >= 0 && column < sqlite3_column_count(statement_)) {
        const int storage = sqlite3_column_type(statement_, column);
        if (storage == SQLITE_NULL) {
            return {};
        }
        if (storage == SQLITE_INTEGER && type == TFieldType::Integer) {
            return static_cast<qlonglong>(sqlite3_column_int64(statement_, column));
        }
        if ((storage == SQLITE_FLOAT || storage == SQLITE_INTEGER) && type == TFieldType::Float) {
            return sqlite3_column_double(statement_, column);
        }
        if (storage == SQLITE_TEXT && type == TFieldType::String) {
            return Value(column);
        }
    }
    return TDatabase::FromSql(type, Value(column));
}

} // namespace pla::db
