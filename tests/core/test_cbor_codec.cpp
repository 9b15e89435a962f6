#include "core/cbor_codec.h"
#include "core/cbor_writer.h"
#include "core/dates.h"
#include "core/errors.h"
#include "core/packet_encoder.h"

#include "qt_print.h"
#include <QCborArray>
#include <QCborValue>
#include <QFile>
#include <QPoint>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <limits>

using namespace pla;

namespace {

QVariant roundTrip(const QVariant& v) {
    return DecodeValue(EncodeValue(v));
}

TDataPacket everyTypePacket() {
    TDataPacket p;
    p.Fields = {{"CDFILIAL", TFieldType::FixedString, 4, true},
                {"NMPRATO", TFieldType::String, 41, false},
                {"NRSEQ", TFieldType::Integer, 0, false},
                {"VRPECONSCARD", TFieldType::Float, 0, false},
                {"IDATIVO", TFieldType::Boolean, 0, false},
                {"DTCARDAPIO", TFieldType::DateTime, 0, false},
                {"FOTO", TFieldType::Bytes, 0, false}};
    p.Rows.append({TRowKind::Unchanged,
                   {QStringLiteral("0001"), QStringLiteral("NArroz à grega"), qlonglong(7), 12.5,
                    true, DataHora(QDate(2026, 12, 1)), QByteArray("\x00\x01\xff", 3)},
                   {}});
    p.Rows.append({TRowKind::Unchanged,
                   {QStringLiteral("0002"), QVariant(), QVariant(), QVariant(), QVariant(),
                    QVariant(), QVariant()},
                   {}});
    p.Rows.append({TRowKind::Modified,
                   {QStringLiteral("0003"), QStringLiteral("novo"), qlonglong(-1), -0.001, false,
                    DataHora(QDate(2026, 12, 2), QTime(13, 45, 10, 250)), QByteArray()},
                   {QStringLiteral("0003"), QStringLiteral("velho"), qlonglong(1), 1.0, true,
                    DataHora(QDate(2026, 12, 2)), QVariant()}});
    p.Rows.append({TRowKind::Deleted,
                   {QStringLiteral("0004"), QString(), qlonglong(0), 0.0, false,
                    DataHora(QDate(1900, 1, 1)), QVariant()},
                   {}});
    p.Rows.append(
        {TRowKind::Inserted,
         {QStringLiteral("0005"), QStringLiteral(""), std::numeric_limits<qlonglong>::min(), 1e300,
          true, DataHora(QDate(9999, 12, 31)), QVariant()},
         {}});
    return p;
}

TEST(CborCodec, ScalarsRoundTripWithTheirTypes) {
    EXPECT_FALSE(roundTrip(QVariant()).isValid());
    EXPECT_EQ(roundTrip(true), QVariant(true));
    EXPECT_EQ(roundTrip(qlonglong(0)).typeId(), QMetaType::LongLong);
    EXPECT_EQ(roundTrip(42).toLongLong(), 42);
    EXPECT_EQ(roundTrip(std::numeric_limits<qlonglong>::max()).toLongLong(),
              std::numeric_limits<qlonglong>::max());
    EXPECT_EQ(roundTrip(std::numeric_limits<qlonglong>::min()).toLongLong(),
              std::numeric_limits<qlonglong>::min());
    const QVariant d = roundTrip(2.0);
    EXPECT_EQ(d.typeId(), QMetaType::Double) << "a whole double stays a double";
    EXPECT_EQ(roundTrip(0.1).toDouble(), 0.1);
    EXPECT_EQ(roundTrip(QStringLiteral("Feijão com arroz")).toString(), "Feijão com arroz");
    EXPECT_EQ(roundTrip(QByteArray("\x00\x7f", 2)).toByteArray(), QByteArray("\x00\x7f", 2));
    EXPECT_EQ(roundTrip(QString()).typeId(), QMetaType::QString);
}

TEST(CborCodec, DatesTravelAsTheirWallClock) {
    const QDateTime midnight = DataHora(QDate(2018, 11, 4));
    const QByteArray bytes = EncodeValue(midnight);
    // Tag 1, seconds of 2018-11-04T00:00 read as UTC: the same on every machine.
    EXPECT_EQ(bytes, QByteArray::fromHex("c11a5bde3680"));
    const QDateTime back = DecodeValue(bytes).toDateTime();
    EXPECT_EQ(back.date(), QDate(2018, 11, 4));
    EXPECT_EQ(back.time(), QTime(0, 0));

    const QDateTime withMs = DataHora(QDate(2026, 12, 5), QTime(8, 1, 2, 345));
    EXPECT_EQ(roundTrip(withMs).toDateTime(), withMs);
    EXPECT_EQ(roundTrip(QDate(2026, 12, 31)).toDateTime(), DataHora(QDate(2026, 12, 31)));
    EXPECT_EQ(roundTrip(QDateTime(QDate(2026, 2, 1), QTime(0, 0))).toDateTime().date(),
              QDate(2026, 2, 1));
    // A text date (tag 0) keeps the wall clock it was written with.
    const QByteArray text =
        QByteArray::fromHex("c0") + QByteArray::fromHex("7819") + "2026-12-05T00:00:00-03:00";
    EXPECT_EQ(DecodeValue(text).toDateTime(), DataHora(QDate(2026, 12, 5)));
}

TEST(CborCodec, NestedArraysAndPackets) {
    const QVariantList inner{1, QStringLiteral("S"), QVariant()};
    const QVariantList outer{inner, QVariantList{}, FromDataPacket(everyTypePacket()), 3.5};
    const QVariantList back = roundTrip(outer).toList();
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back[0].toList().size(), 3);
    EXPECT_EQ(back[0].toList()[1].toString(), "S");
    EXPECT_FALSE(back[0].toList()[2].isValid());
    EXPECT_TRUE(back[1].toList().isEmpty());
    ASSERT_TRUE(IsDataPacket(back[2]));
    EXPECT_EQ(ToDataPacket(back[2]), everyTypePacket());
    EXPECT_EQ(roundTrip(QStringList{"a", "b"}).toList().size(), 2);
}

TEST(CborCodec, PacketRoundTripKeepsKindsOriginalsAndNulls) {
    const TDataPacket p = everyTypePacket();
    p.Validate();
    const TDataPacket back = DecodePacket(EncodePacket(p));
    EXPECT_EQ(back, p);
    EXPECT_EQ(back.Rows[1].Values[1].isValid(), false);
    EXPECT_EQ(back.Rows[2].Originals[3].toDouble(), 1.0);
    EXPECT_EQ(back.ChangeCount(), 3);
}

TEST(CborCodec, UnsupportedValuesAreRefusedOnEncode) {
    EXPECT_THROW(EncodeValue(QVariant::fromValue(QPoint(1, 2))), EPlaError);
    EXPECT_THROW(EncodeValue(std::numeric_limits<qulonglong>::max()), EPlaError);
}

TEST(CborCodec, MalformedValuesGiveClearErrors) {
    auto fails = [](const QByteArray& hex) {
        try {
            DecodeValue(QByteArray::fromHex(hex));
        } catch (const EDecodeError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_NE(fails(""), "");
    EXPECT_TRUE(fails("1b").contains("truncados"));                   // integer cut short
    EXPECT_TRUE(fails("0101").contains("bytes a mais"));              // two values
    EXPECT_TRUE(fails("1bffffffffffffffff").contains("intervalo"));   // above int64
    EXPECT_TRUE(fails("3bffffffffffffffff").contains("intervalo"));   // below int64
    EXPECT_TRUE(fails("a0").contains("mapa"));                        // maps are no values
    EXPECT_TRUE(fails("f7").contains("simples"));                     // undefined
    EXPECT_TRUE(fails("d86401").contains("marca"));                   // unknown tag
    EXPECT_TRUE(fails("c1fb7ff0000000000000").contains("intervalo")); // infinite date
    EXPECT_TRUE(fails("c07801").contains("truncados"));
    EXPECT_TRUE(fails("c06161").contains("data inválida"));
    // An array claiming more items than there are bytes is refused before allocating.
    EXPECT_NE(fails("9b7fffffffffffffff"), "");
    EXPECT_NE(fails("7b7fffffffffffffff"), "");
}

TEST(CborCodec, OtherWritersFormsAreRead) {
    // Indefinite text and arrays, half and single floats, as other encoders write them.
    EXPECT_EQ(DecodeValue(QByteArray::fromHex("7f624172614dff")).toString(), "ArM");
    EXPECT_EQ(DecodeValue(QByteArray::fromHex("5f4101420203ff")).toByteArray(),
              QByteArray::fromHex("010203"));
    const QVariantList list = DecodeValue(QByteArray::fromHex("9f0102ff")).toList();
    EXPECT_EQ(list, (QVariantList{qlonglong(1), qlonglong(2)}));
    EXPECT_EQ(DecodeValue(QByteArray::fromHex("f93e00")).toDouble(), 1.5);
    EXPECT_EQ(DecodeValue(QByteArray::fromHex("f90001")).toDouble(), 5.960464477539063e-08);
    EXPECT_EQ(DecodeValue(QByteArray::fromHex("fa47c35000")).toDouble(), 100000.0);
    EXPECT_EQ(DecodeValue(QByteArray::fromHex("c11a5bde3680")).toDateTime(),
              DataHora(QDate(2018, 11, 4)));
    // A byte-order mark inside a text is content.
    EXPECT_EQ(DecodeValue(QByteArray::fromHex("65efbbbf6f6b")).toString(),
              QString(QChar(0xFEFF)) + "ok");
}

TEST(CborCodec, MalformedHeadsAndTexts) {
    for (const char* hex : {"1c",          // reserved additional information
                            "f818",        // two-byte simple value below 32
                            "ff",          // break with nothing to end
                            "7f6161",      // indefinite text never ended
                            "7f0161ff",    // a chunk that is not text
                            "62c328",      // invalid UTF-8
                            "5f6161ff",    // text chunk inside bytes
                            "9f01",        // indefinite array never ended
                            "c1f97e00"}) { // date of NaN seconds
        EXPECT_THROW(DecodeValue(QByteArray::fromHex(hex)), EDecodeError) << hex;
    }
}

TEST(CborCodec, NestingDepthIsBounded) {
    TDecodeLimits limits;
    limits.MaxDepth = 8;
    QByteArray ok(8, char(0x81));
    ok.append(char(0x01));
    EXPECT_NO_THROW(DecodeValue(ok, limits));
    QByteArray deep(9, char(0x81));
    deep.append(char(0x01));
    EXPECT_THROW(DecodeValue(deep, limits), EDecodeError);
    // The default limit holds against a hostile depth without exhausting the stack.
    EXPECT_THROW(DecodeValue(QByteArray(100000, char(0x81))), EDecodeError);
}

TEST(CborCodec, TextAndItemLimits) {
    TDecodeLimits limits;
    limits.MaxTextBytes = 4;
    EXPECT_THROW(DecodeValue(EncodeValue(QStringLiteral("abcde")), limits), EDecodeError);
    limits = {};
    limits.MaxItems = 3;
    EXPECT_THROW(DecodeValue(EncodeValue(QVariantList{1, 2, 3}), limits), EDecodeError);
}

QByteArray packetBytes(const QByteArray& fieldsHex, const QByteArray& rowsHex) {
    // tag 5262401, map of 2: "fields" ..., "rows" ...
    return QByteArray::fromHex("da00504c41a2") + QByteArray::fromHex("666669656c6473") +
           QByteArray::fromHex(fieldsHex) + QByteArray::fromHex("64726f7773") +
           QByteArray::fromHex(rowsHex);
}

TEST(CborCodec, MalformedPacketsAreRejectedWhole) {
    // One field ["A", "integer", 0, false]: 84 61 41 67 "integer" 00 f4
    const QByteArray oneInt =
        "81846141" + QByteArray("67") + QByteArray("integer").toHex() + "00f4";
    EXPECT_NO_THROW(DecodePacket(packetBytes(oneInt, "81820005")));
    auto message = [](const QByteArray& bytes) {
        try {
            DecodePacket(bytes);
        } catch (const EDecodeError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_TRUE(message(packetBytes(oneInt, "818200f5")).contains("tipo integer"));
    EXPECT_TRUE(message(packetBytes(oneInt, "818100")).contains("faltando"));
    EXPECT_TRUE(message(packetBytes(oneInt, "8183000102")).contains("a mais"));
    EXPECT_TRUE(message(packetBytes(oneInt, "81820405")).contains("tipo de alteração"));
    EXPECT_TRUE(message(packetBytes(oneInt, "8182020505")).contains("originais faltando"));
    const QByteArray unknownType =
        "81846141" + QByteArray("64") + QByteArray("real").toHex() + "00f4";
    EXPECT_TRUE(message(packetBytes(unknownType, "80")).contains("desconhecido"));
    const QByteArray twice = "82" + oneInt.mid(2) + oneInt.mid(2);
    EXPECT_TRUE(message(packetBytes(twice, "80")).contains("repetido"));
    // Fixed text longer than its size.
    const QByteArray fixed2 =
        "81846141" + QByteArray("6b") + QByteArray("fixedstring").toHex() + "02f4";
    EXPECT_TRUE(message(packetBytes(fixed2, "8182006461626364")).contains("excede"));
    EXPECT_EQ(DecodePacket(packetBytes(fixed2, "818200616b")).Rows[0].Values[0].toString(), "k ");
    // Not a packet at all, or rows before fields.
    EXPECT_NE(message(EncodeValue(1)), "");
    EXPECT_TRUE(message(QByteArray::fromHex("da00504c41a2") + QByteArray::fromHex("64726f7773") +
                        QByteArray::fromHex("80") + QByteArray::fromHex("666669656c6473") +
                        QByteArray::fromHex("80"))
                    .contains("\"fields\" esperada"));
}

TEST(CborCodec, EveryTruncationOfAPacketFailsCleanly) {
    const QByteArray bytes = EncodePacket(everyTypePacket());
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        EXPECT_THROW(DecodePacket(bytes.left(n)), EDecodeError) << "cut at " << n;
        EXPECT_THROW(DecodeValue(bytes.left(n)), EDecodeError) << "cut at " << n;
    }
}

TEST(CborCodec, CorruptedBytesNeverCrashOrHalfDecode) {
    const QByteArray good = EncodePacket(everyTypePacket());
    QRandomGenerator rng(20261206);
    int decoded = 0;
    for (int i = 0; i < 3000; ++i) {
        QByteArray bad = good;
        const int flips = 1 + int(rng.bounded(4));
        for (int f = 0; f < flips; ++f) {
            bad[int(rng.bounded(int(bad.size())))] = char(rng.bounded(256));
        }
        try {
            const TDataPacket p = DecodePacket(bad);
            p.Validate(); // whatever decodes is a whole, well-formed packet
            ++decoded;
        } catch (const EDecodeError&) {
        }
    }
    SUCCEED() << decoded << " mutations still decoded";
}

} // namespace

namespace {

// The peak virtual memory of this process, in bytes: what was ever reserved, touched
// or not.
long peakVirtual() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmPeak:")) {
            return line.mid(7).trimmed().split(' ').value(0).toLong() * 1024L;
        }
    }
    return 0;
}

// Arrays each declaring as many elements as there are bytes left, nested as deep as
// allowed, then cut: every level would reserve a slot per declared element.
QByteArray nestedLiars(qsizetype size) {
    QByteArray out;
    for (int level = 0; level < 30; ++level) {
        const quint64 left = quint64(size - out.size() - 9);
        out.append(char(0x9B)); // array, 8-byte count
        for (int shift = 56; shift >= 0; shift -= 8) {
            out.append(char((left >> shift) & 0xFF));
        }
    }
    out.append(QByteArray(size - out.size(), char(0xF6))); // nulls to the end
    return out;
}

TEST(CborDecodeLimits, NothingIsReservedForElementsNotYetRead) {
    const QByteArray body = nestedLiars(2 * 1024 * 1024);
    const long before = peakVirtual();
    EXPECT_THROW(DecodeValue(body), EDecodeError);
    EXPECT_LT(peakVirtual() - before, 256L * 1024 * 1024)
        << "not a slot per declared element at every level (30 × 64 MB)";
}

TEST(CborDecodeLimits, AValueLimitStopsABodyOfTinyValues) {
    // An array of four million nulls: one byte each.
    QByteArray body;
    body.append(char(0x9A)); // array, 4-byte count
    const quint32 n = 4'000'000;
    for (int shift = 24; shift >= 0; shift -= 8) {
        body.append(char((n >> shift) & 0xFF));
    }
    body.append(QByteArray(n, char(0xF6)));
    TDecodeLimits limits;
    limits.MaxItems = 1'000'000;
    try {
        DecodeValue(body, limits);
        FAIL() << "decoded past the limit of values";
    } catch (const EDecodeError& e) {
        EXPECT_TRUE(e.message().contains("valores")) << e.message().toStdString();
    }
    EXPECT_EQ(DecodeValue(body).toList().size(), int(n)) << "within the limit it is read";
}

} // namespace

// The encoding is the one Qt's own CBOR values write: shortest heads at every boundary,
// doubles in 64 bits, texts in UTF-8, definite lengths.
TEST(CborCodec, EncodingMatchesQtsCborValues) {
    QVariantList values;
    QCborArray expected;
    const auto add = [&](const QVariant& v, const QCborValue& cbor) {
        values.append(v);
        expected.append(cbor);
    };
    for (const qint64 n :
         {0LL, 23LL, 24LL, 255LL, 256LL, 65535LL, 65536LL, 4294967295LL, 4294967296LL, -1LL, -24LL,
          -25LL, -256LL, -257LL, -65537LL, std::numeric_limits<qint64>::max(),
          std::numeric_limits<qint64>::min()}) {
        add(qlonglong(n), QCborValue(n));
    }
    for (const double d : {0.0, -0.0, 1.5, 0.1, -1e300, 2.0}) {
        add(d, QCborValue(d));
    }
    for (const QString& s :
         {QString(), QStringLiteral("Arroz"), QString(23, QChar('a')), QString(24, QChar('b')),
          QString(300, QChar('c')), QStringLiteral("Feijão à moda"), QStringLiteral("€ 😀")}) {
        add(s, QCborValue(s));
    }
    add(QByteArray(30, '\x01'), QCborValue(QByteArray(30, '\x01')));
    add(true, QCborValue(true));
    add(QVariant(), QCborValue(nullptr));
    add(QStringList{"a", "é"}, QCborArray{QStringLiteral("a"), QStringLiteral("é")});
    QRandomGenerator random(20270228);
    for (int i = 0; i < 200; ++i) {
        const qint64 n = static_cast<qint64>(random.generate64()) >> random.bounded(64);
        add(qlonglong(n), QCborValue(n));
    }
    EXPECT_EQ(EncodeValue(values).toHex().toStdString(),
              QCborValue(expected).toCbor().toHex().toStdString());
    // Date-times: tag 1 on whole seconds, or on a double when there are milliseconds.
    const qint64 seconds = DataHora(QDate(2027, 2, 28)).toSecsSinceEpoch();
    EXPECT_EQ(EncodeValue(DataHora(QDate(2027, 2, 28))),
              QByteArray::fromHex("c1") + QCborValue(seconds).toCbor());
    EXPECT_EQ(EncodeValue(DataHora(QDate(2027, 2, 28), QTime(10, 0, 0, 250))),
              QByteArray::fromHex("c1") + QCborValue(seconds + 36000.25).toCbor());
}

// A packet written row by row straight into bytes is the packet the codec writes, and an
// answer holding it carries those bytes as they are.
TEST(CborCodec, PacketsWrittenRowByRowAreTheCodecsBytes) {
    TDataPacket p = everyTypePacket();
    p.Rows.removeIf([](const TPacketRow& r) { return r.Kind != TRowKind::Unchanged; });
    ASSERT_EQ(p.Rows.size(), 2);
    TPacketEncoder e(p.Fields);
    for (const TPacketRow& r : p.Rows) {
        TCborWriter& row = e.NextRow();
        for (const QVariant& v : r.Values) {
            WriteValue(row, v);
        }
    }
    const TEncodedPacket written = e.Finish();
    EXPECT_EQ(written.Rows, 2);
    EXPECT_EQ(written.Bytes.toHex().toStdString(), EncodePacket(p).toHex().toStdString());
    EXPECT_EQ(DecodePacket(written.Bytes), p);
    const QVariantList answer{QStringLiteral("ok"), QVariant::fromValue(written), qlonglong(3)};
    const QVariantList back = DecodeValue(EncodeValue(answer)).toList();
    ASSERT_EQ(back.size(), 3);
    EXPECT_EQ(ToDataPacket(back[1]), p);
    EXPECT_EQ(back[2].toLongLong(), 3);

    TPacketEncoder none(p.Fields);
    EXPECT_EQ(none.Finish().Bytes, EncodePacket(TDataPacket{p.Fields, {}})) << "no rows";

    // A date-time by its instant, as the codec writes a QDateTime.
    for (const QDateTime& dt :
         {DataHora(QDate(2027, 2, 28)), DataHora(QDate(1969, 12, 31), QTime(23, 59, 59, 500))}) {
        TCborWriter w;
        WriteDateTime(w, dt.toMSecsSinceEpoch());
        EXPECT_EQ(w.Take(), EncodeValue(dt)) << dt.toString(Qt::ISODateWithMs).toStdString();
    }
}
