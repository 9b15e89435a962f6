#include "packet_encoder.h"

#include "cbor_codec.h"
#include "data_packet.h"

namespace pla {

TPacketEncoder::TPacketEncoder(QList<TFieldDef> fields)
    : fields_(std::move(fields)) {}

TCborWriter& TPacketEncoder::NextRow() {
    ++count_;
    rows_.Array(static_cast<quint64>(1 + fields_.size()));
    rows_.Integer(static_cast<qint64>(TRowKind::Unchanged));
    return rows_;
}

TEncodedPacket TPacketEncoder::Finish() {
    TCborWriter w;
    WritePacketHead(w, fields_, static_cast<quint64>(count_));
    w.Raw(rows_.Take());
    return {w.Take(), std::exchange(count_, 0)};
}

} // namespace pla
