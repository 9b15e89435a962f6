#pragma once

#include <QStringList>

namespace pla::server {

// The tables the desktop application's lookups read directly, read-only.
const QStringList& LookupTables();

} // namespace pla::server
