#pragma once

#include "data_packet.h"

#include <QByteArray>
#include <QVariant>

class QCborStreamReader;
class QCborStreamWriter;

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

QByteArray EncodeValue(const QVariant& value);
QVariant DecodeValue(const QByteArray& bytes, const TDecodeLimits& limits = {});

QByteArray EncodePacket(const TDataPacket& packet);
TDataPacket DecodePacket(const QByteArray& bytes, const TDecodeLimits& limits = {});

// Streaming forms, for protocols that embed values in a larger message.
void WriteValue(QCborStreamWriter& writer, const QVariant& value);

class TValueReader {
public:
    TValueReader(QCborStreamReader& reader, qsizetype totalBytes, const TDecodeLimits& limits);
    QVariant Read();              // any value
    TDataPacket ReadPacketBody(); // after the packet tag
    [[noreturn]] void Fail(const QString& what) const;
    void CheckReader() const; // raises on a reader error (truncation, bad bytes)

private:
    QVariant read(int depth);
    QVariant readTyped(const TFieldDef& field);
    QString readText();
    QByteArray readBytes();
    QDateTime readDateTime(quint64 tag);
    qsizetype remaining() const;
    void countItem();

    QCborStreamReader& r_;
    qsizetype total_;
    TDecodeLimits limits_;
    qsizetype items_ = 0;
};

} // namespace pla
