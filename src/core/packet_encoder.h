#pragma once

#include "cbor_writer.h"
#include "field_type.h"

#include <QList>
#include <QMetaType>

namespace pla {

// A data packet already in its wire bytes: what the codec would write for the packet of
// the same fields and rows, and decoded as that packet.
struct TEncodedPacket {
    QByteArray Bytes;
    qsizetype Rows = 0;
};

// Writes a packet's rows straight into their bytes, for answers too large to build as
// values first: a month's dishes as packet rows cost twice what reading them did.
// Every row must be given exactly one value per field, in the fields' order, each in
// its field's canonical form (field_type.h).
class TPacketEncoder {
public:
    explicit TPacketEncoder(QList<TFieldDef> fields);

    // Starts the next unchanged row; its values follow on the writer given.
    TCborWriter& NextRow();
    TEncodedPacket Finish();

private:
    QList<TFieldDef> fields_;
    TCborWriter rows_;
    qsizetype count_ = 0;
};

} // namespace pla

Q_DECLARE_METATYPE(pla::TEncodedPacket)
