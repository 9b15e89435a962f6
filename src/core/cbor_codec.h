#pragma once

#include "cbor_reader.h"
#include "data_packet.h"

#include <QByteArray>
#include <QHash>
#include <QVariant>

namespace pla {

// The one encoding of values to and from CBOR (RFC 8949):
//   null, booleans, 64-bit integers, doubles, text, byte strings;
//   date-times as tag 1 (seconds since 1970-01-01 of the wall clock, integral
//   when there are no milliseconds; tag 0 text is also read);
//   arrays (QVariantList, nested) and data packets (tag 5262401, see docs).
// Decoding trusts nothing: wrong types, truncation, trailing bytes, too deep a
// nesting or too large a text give EDecodeError, never a partly filled result.
struct TDecodeLimits {
    int MaxDepth = 32;
    qsizetype MaxTextBytes = 16 * 1024 * 1024;
    qsizetype MaxItems = 20'000'000; // values read in one decode, all levels
};

constexpr quint64 PacketTag = 5262401; // "PLA"

class TCborWriter;

QByteArray EncodeValue(const QVariant& value);
// The parts of the encoding that answers written straight into bytes share
// (packet_encoder.h, the server's readers): a value, a date-time by its instant in
// milliseconds of the wall clock, and a packet's fields up to the head of its rows.
void WriteValue(TCborWriter& w, const QVariant& value);
void WriteDateTime(TCborWriter& w, qint64 msecsSinceEpoch);
void WritePacketHead(TCborWriter& w, const QList<TFieldDef>& fields, quint64 rows);
QVariant DecodeValue(const QByteArray& bytes, const TDecodeLimits& limits = {});

QByteArray EncodePacket(const TDataPacket& packet);
TDataPacket DecodePacket(const QByteArray& bytes, const TDecodeLimits& limits = {});

class TValueReader {
public:
    TValueReader(QByteArrayView bytes, const TDecodeLimits& limits = {});
    QVariant Read();          // any value
    TDataPacket ReadPacket(); // a tagged data packet
    TCborReader& Cbor() { return r_; }
    [[noreturn]] void Fail(const QString& what) const { r_.Fail(what); }

private:
    using TTextCache = QHash<QByteArray, QString>;
    QVariant read(int depth);
    QVariant readAfterHead(const TCborReader::THead& head, int depth);
    TDataPacket readPacketBody(int depth);
    QVariant readTyped(const TFieldDef& field, TTextCache& cache);
    QString readText(const TCborReader::THead& head, TTextCache* cache = nullptr);
    QByteArray readBytes(const TCborReader::THead& head);
    QDateTime readDateTime(quint64 tag);
    qint64 toInt64(const TCborReader::THead& head);
    quint64 checkedCount(const TCborReader::THead& head);
    void countItem();

    TCborReader r_;
    TDecodeLimits limits_;
    qsizetype items_ = 0;
    QByteArray scratch_;
};

} // namespace pla
