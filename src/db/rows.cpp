#include "rows.h"

#include "database.h"
#include "stored_date.h"

#include "core/cbor_codec.h"
#include "core/cbor_writer.h"

#include <QSqlRecord>
#include <cmath>
#include <sqlite3.h>

namespace pla::db {

TSqliteStatement::~TSqliteStatement() {
    sqlite3_finalize(Handle);
}

TRows::TRows(sqlite3* db, std::shared_ptr<TSqliteStatement> statement)
    : db_(db)
    , statement_(std::move(statement))
    , handle_(statement_->Handle) {
    statement_->Busy = true;
}

TRows::TRows(QSqlQuery query)
    : query_(std::move(query)) {}

TRows::TRows(TRows&& other) noexcept
    : db_(std::exchange(other.db_, nullptr))
    , statement_(std::move(other.statement_))
    , handle_(std::exchange(other.handle_, nullptr))
    , query_(std::exchange(other.query_, std::nullopt)) {}

TRows::~TRows() {
    release();
}

void TRows::release() noexcept {
    if (!statement_) {
        return;
    }
    sqlite3_reset(handle_);
    sqlite3_clear_bindings(handle_);
    statement_->Busy = false;
    statement_.reset();
    handle_ = nullptr;
}

bool TRows::Next() {
    if (!db_) {
        return query_ && query_->next();
    }
    if (!handle_) {
        return false;
    }
    const int rc = sqlite3_step(handle_);
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
    return handle_ ? sqlite3_column_count(handle_) : 0;
}

QVariant TRows::Value(int column) const {
    if (!db_) {
        return query_ ? query_->value(column) : QVariant();
    }
    switch (storage(column)) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(handle_, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(handle_, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(text(column));
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(handle_, column));
        return QByteArray(bytes, sqlite3_column_bytes(handle_, column));
    }
    default:
        return {};
    }
}

bool TRows::IsNull(int column) const {
    if (!db_) {
        return !query_ || query_->isNull(column);
    }
    return !handle_ || sqlite3_column_type(handle_, column) == SQLITE_NULL;
}

int TRows::storage(int column) const {
    return db_ && handle_ && column >= 0 && column < sqlite3_column_count(handle_)
               ? sqlite3_column_type(handle_, column)
               : 0;
}

QByteArrayView TRows::text(int column) const {
    return {reinterpret_cast<const char*>(sqlite3_column_text(handle_, column)),
            sqlite3_column_bytes(handle_, column)};
}

QVariant TRows::Field(TFieldType type, int column) const {
    // What SQLite holds in the field's own form already is taken as it is.
    switch (storage(column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        if (type == TFieldType::Integer) {
            return static_cast<qlonglong>(sqlite3_column_int64(handle_, column));
        }
        [[fallthrough]];
    case SQLITE_FLOAT:
        if (type == TFieldType::Float) {
            const double value = sqlite3_column_double(handle_, column);
            if (std::isfinite(value)) { // the rest is refused below, as anywhere
                return value;
            }
        }
        break;
    case SQLITE_TEXT:
        if (type == TFieldType::String) {
            return Value(column);
        }
        break;
    }
    return TDatabase::FromSql(type, Value(column));
}

std::optional<QByteArrayView> TRows::Utf8(int column) const {
    switch (storage(column)) {
    case SQLITE_NULL:
        return QByteArrayView();
    case SQLITE_TEXT:
        return text(column);
    default:
        return std::nullopt;
    }
}

void TRows::Write(TCborWriter& w, const TFieldDef& field, int column) const {
    const TFieldType type = field.Type;
    switch (storage(column)) {
    case SQLITE_NULL:
        w.Null();
        return;
    case SQLITE_INTEGER:
        if (type == TFieldType::Integer) {
            w.Integer(sqlite3_column_int64(handle_, column));
            return;
        }
        [[fallthrough]];
    case SQLITE_FLOAT:
        if (type == TFieldType::Float) {
            const double value = sqlite3_column_double(handle_, column);
            if (std::isfinite(value)) {
                w.Double(value);
                return;
            }
        }
        break;
    case SQLITE_TEXT:
        if (type == TFieldType::DateTime) {
            if (const auto msecs = StoredMsecs(text(column))) {
                WriteDateTime(w, *msecs);
                return;
            }
        } else if (type == TFieldType::String) {
            // Other texts go through QString, which mends invalid UTF-8 as Field does.
            const QByteArrayView utf8 = text(column);
            if ((field.Size <= 0 || utf8.size() <= field.Size) && IsAscii(utf8)) {
                w.Utf8(utf8);
                return;
            }
        }
        break;
    }
    WriteValue(w, ToFieldValue(field, Field(type, column)));
}

} // namespace pla::db
