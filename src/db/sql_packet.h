#pragma once

#include "core/data_packet.h"
#include "database.h"

namespace pla::db {

// Runs a query and gives its rows as a data packet with the declared fields, in
// the order the query's columns come (one column per field).
TDataPacket QueryPacket(TDatabase& db, const QList<TFieldDef>& fields, const QString& sql,
                        const QVariantList& params = {});

} // namespace pla::db
