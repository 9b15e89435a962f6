#pragma once

#include "db/database.h"

#include <QString>

namespace pla::test {

enum class TEngine { SQLite, PostgreSQL };

// A fresh, empty database of the engine for one test: a file in a temporary folder
// for SQLite; for PostgreSQL a new database in a throwaway cluster that the first
// caller starts (initdb into a temporary folder, Unix socket, a free port) and that
// is removed when the test program ends. A machine without PostgreSQL fails the
// test, never skips it: the set-up installs it.
db::TDatabaseUrl FreshDatabase(TEngine engine);

// A new database with the contents of another that nobody is connected to: a copy
// of the file, or a PostgreSQL database made from it as template.
db::TDatabaseUrl CopyOfDatabase(TEngine engine, const db::TDatabaseUrl& source);

const char* EngineName(TEngine engine);

} // namespace pla::test
