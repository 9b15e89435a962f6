#pragma once

#include "server/database.h"

#include <QString>

namespace pla::test {

enum class TEngine { SQLite, PostgreSQL };

// A fresh, empty database of the engine for one test: a file in a temporary folder
// for SQLite; for PostgreSQL a new database in a throwaway cluster that the first
// caller starts (initdb into a temporary folder, Unix socket, a free port) and that
// is removed when the test program ends. A machine without PostgreSQL fails the
// test, never skips it: the set-up installs it.
server::TDatabaseUrl FreshDatabase(TEngine engine);

const char* EngineName(TEngine engine);

} // namespace pla::test
