#pragma once

#include <QByteArray>
#include <QString>
#include <utility>

namespace pla {

// Whether every byte is ASCII, so that the bytes are the same text in UTF-8 and Latin-1.
bool IsAscii(QByteArrayView bytes);

// Writes CBOR (RFC 8949) items straight into bytes: every head in its shortest form,
// doubles as 64-bit floats, arrays and maps of definite length. Qt's stream writer goes
// through an I/O device for every item, which cost a month's answer more than reading
// its rows.
class TCborWriter {
public:
    TCborWriter() = default;
    // The buffer is written through a pointer of its own: never shared.
    TCborWriter(const TCborWriter&) = delete;
    TCborWriter& operator=(const TCborWriter&) = delete;
    TCborWriter(TCborWriter&& other) noexcept
        : buffer_(std::exchange(other.buffer_, QByteArray()))
        , data_(std::exchange(other.data_, nullptr))
        , size_(std::exchange(other.size_, 0)) {}
    TCborWriter& operator=(TCborWriter&&) = delete;
    ~TCborWriter() = default;

    // The bytes written, taken out of the writer.
    QByteArray Take();

    void Integer(qint64 value);
    void Double(double value);
    void Bool(bool value) { *room(1) = static_cast<char>(value ? 0xf5 : 0xf4); }
    void Null() { *room(1) = static_cast<char>(0xf6); }
    void Text(QStringView text);
    void Text(QLatin1StringView text);
    // A text already in UTF-8.
    void Utf8(QByteArrayView utf8);
    void Bytes(const QByteArray& bytes);
    // Items already encoded, as they are.
    void Raw(QByteArrayView encoded);
    void Array(quint64 count) { head(4, count); }
    void Map(quint64 pairs) { head(5, pairs); }
    void Tag(quint64 tag) { head(6, tag); }

private:
    void head(quint8 major, quint64 arg) {
        if (arg < 24) {
            *room(1) = static_cast<char>((major << 5) | arg);
        } else {
            longHead(major, arg);
        }
    }
    void longHead(quint8 major, quint64 arg);
    // `bytes` more at the end, grown by doubling: appending item by item to a QByteArray
    // checked its sharing and capacity every time, and a call per item was a tenth of a
    // month's answer.
    char* room(qsizetype bytes) {
        if (size_ + bytes > buffer_.size()) {
            grow(bytes);
        }
        char* at = data_ + size_;
        size_ += bytes;
        return at;
    }
    void grow(qsizetype bytes);

    QByteArray buffer_;
    char* data_ = nullptr; // buffer_'s, unshared
    qsizetype size_ = 0;
};

} // namespace pla
