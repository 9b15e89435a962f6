#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace pla {

// Reads CBOR (RFC 8949) items from bytes it does not trust. Every length and
// count is checked against what is left before anything is read or reserved;
// any fault raises EDecodeError naming the offset. It reads heads and string
// contents; what the items mean is the caller's.
class TCborReader {
public:
    enum class TKind : quint8 {
        UInt,   // Arg is the value
        NegInt, // the value is -1 - Arg
        Bytes,
        Text,   // Arg is the byte length unless Indefinite
        Array,  // Arg is the count unless Indefinite
        Map,    // Arg is the number of pairs unless Indefinite
        Tag,    // Arg is the tag number; the tagged item follows
        Simple, // Arg: 20 false, 21 true, 22 null, 23 undefined, others unassigned
        Float,  // half, single or double, in Float
        Break,  // ends an indefinite item
    };
    struct THead {
        TKind Kind = TKind::Simple;
        quint64 Arg = 0;
        bool Indefinite = false;
        double Float = 0;

        bool IsNull() const { return Kind == TKind::Simple && Arg == 22; }
        bool IsBool() const { return Kind == TKind::Simple && (Arg == 20 || Arg == 21); }
    };

    explicit TCborReader(QByteArrayView data)
        : data_(data) {}

    qsizetype Offset() const { return pos_; }
    qsizetype Remaining() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }

    THead ReadHead();
    THead PeekHead();
    // The whole string after its head: definite ones point into the input
    // (no copy); indefinite ones are joined in `scratch`.
    QByteArrayView ReadStringBody(const THead& head, QByteArray& scratch, qsizetype maxBytes);
    [[noreturn]] void Fail(const QString& what) const;

    // Valid UTF-8 to a QString; anything else raises.
    QString ToText(QByteArrayView utf8) const;

private:
    quint64 readArg(quint8 info);
    const uchar* take(qsizetype n);

    QByteArrayView data_;
    qsizetype pos_ = 0;
};

} // namespace pla
