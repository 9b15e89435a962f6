#pragma once

#include "core/field_type.h"

#include <QSqlQuery>
#include <QVariant>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace pla::db {

class TDatabase;

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

private:
    friend class TDatabase;
    // SQLite: `kept` is the busy mark of a statement the connection keeps, given back at
    // the end; without it the statement is the reader's own and is finalized.
    TRows(sqlite3* db, sqlite3_stmt* statement, bool* kept);
    explicit TRows(QSqlQuery query);
    void release() noexcept;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    bool* kept_ = nullptr;
    std::optional<QSqlQuery> query_; // PostgreSQL
};

} // namespace pla::db
