#pragma once

#include <QStringList>

namespace pla::db {

// The tables the desktop application's lookups read directly, read-only.
const QStringList& LookupTables();

} // namespace pla::db
