#pragma once

#include "core/field_type.h"

#include <QSqlQuery>
#include <QVariant>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace pla {
class TCborWriter;
}

namespace pla::db {

class TDatabase;

// A prepared SQLite statement, finalized with its last holder: the connection's list of
// kept statements, or the reader it is lent to (which may end after the connection).
struct TSqliteStatement {
    explicit TSqliteStatement(sqlite3_stmt* handle)
        : Handle(handle) {}
    ~TSqliteStatement();
    TSqliteStatement(const TSqliteStatement&) = delete;
    TSqliteStatement& operator=(const TSqliteStatement&) = delete;

    sqlite3_stmt* const Handle;
    bool Busy = false; // lent to a reader
};

// The rows of one SELECT, read forward once (TDatabase::Select).
//
// On SQLite they come straight from SQLite's own API: Qt's driver prepares each
// statement again on every run and converts every text to UTF-16 and every value to a
// cached QVariant, which cost a month's open three times what SQLite spent on it. The
// statement stays prepared on the connection and is given back, reset, when this ends, so
// no read keeps its snapshot open beyond its scope. On PostgreSQL, Qt's query.
class TRows {
public:
    TRows(TRows&& other) noexcept;
    TRows& operator=(TRows&&) = delete;
    TRows(const TRows&) = delete;
    TRows& operator=(const TRows&) = delete;
    ~TRows();

    bool Next();
    int ColumnCount() const;
    // A column as the engine holds it: null (an invalid value), an integer (qlonglong), a
    // double, a text or bytes.
    QVariant Value(int column) const;
    bool IsNull(int column) const;
    // A column in a field type's canonical form (TDatabase::FromSql).
    QVariant Field(TFieldType type, int column) const;
    // On SQLite, a text column's UTF-8 as the engine holds it (empty when null), valid
    // until the next row; none for other storage and on PostgreSQL.
    std::optional<QByteArrayView> Utf8(int column) const;
    // A column as a packet of the field holds it (ToFieldValue of Field), written straight
    // onto the wire: on SQLite a null, a number, an ASCII text or a stored date-time goes
    // from the engine to the bytes without a value between.
    void Write(TCborWriter& w, const TFieldDef& field, int column) const;

private:
    friend class TDatabase;
    // SQLite: the statement is the reader's until it ends, then given back reset.
    TRows(sqlite3* db, std::shared_ptr<TSqliteStatement> statement);
    explicit TRows(QSqlQuery query);
    void release() noexcept;
    // SQLite's storage class of a column of the current row (SQLITE_INTEGER ...); 0 on
    // PostgreSQL, without a row or out of range.
    int storage(int column) const;
    // A SQLite text column's UTF-8, valid until the next row.
    QByteArrayView text(int column) const;

    sqlite3* db_ = nullptr;
    std::shared_ptr<TSqliteStatement> statement_;
    sqlite3_stmt* handle_ = nullptr; // statement_'s, while the reader has it
    std::optional<QSqlQuery> query_; // PostgreSQL
};

} // namespace pla::db
