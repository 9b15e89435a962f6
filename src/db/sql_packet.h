#pragma once

#include "core/data_packet.h"
#include "core/packet_encoder.h"
#include "database.h"

namespace pla::db {

// A query whose rows make a packet: one column per declared field, in order.
struct TPacketQuery {
    QList<TFieldDef> Fields;
    QString Sql;
    QVariantList Params;
};

// Runs the query and gives its rows as a data packet.
TDataPacket QueryPacket(TDatabase& db, const TPacketQuery& query);
TDataPacket QueryPacket(TDatabase& db, const QList<TFieldDef>& fields, const QString& sql,
                        const QVariantList& params = {});
// The same packet written straight into its bytes, for an answer.
TEncodedPacket EncodedQueryPacket(TDatabase& db, const TPacketQuery& query);

} // namespace pla::db
