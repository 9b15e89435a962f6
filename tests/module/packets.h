#pragma once

#include "core/data_packet.h"

namespace pla::test {

// A packet as a server answers it, from its fields and its rows' values.
inline TDataPacket Pacote(QList<TFieldDef> fields, QList<QVariantList> rows) {
    TDataPacket p;
    p.Fields = std::move(fields);
    for (QVariantList& r : rows) {
        TPacketRow row;
        row.Values = std::move(r);
        p.Rows.append(row);
    }
    return p;
}

} // namespace pla::test
