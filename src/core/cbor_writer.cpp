#include "cbor_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pla {

bool IsAscii(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<uchar>(c) < 0x80; });
}

QByteArray TCborWriter::Take() {
    buffer_.truncate(size_);
    size_ = 0;
    data_ = nullptr;
    return std::exchange(buffer_, QByteArray());
}

void TCborWriter::grow(qsizetype bytes) {
    buffer_.resize(std::max<qsizetype>({256, 2 * buffer_.size(), size_ + bytes}));
    data_ = buffer_.data();
}

void TCborWriter::longHead(quint8 major, quint64 arg) {
    const auto initial = static_cast<quint8>(major << 5);
    const int width = arg <= 0xff ? 1 : arg <= 0xffff ? 2 : arg <= 0xffffffffULL ? 4 : 8;
    char* to = room(1 + width);
    *to++ = static_cast<char>(initial | (width == 1 ? 24 : width == 2 ? 25 : width == 4 ? 26 : 27));
    for (int i = 0; i < width; ++i) {
        *to++ = static_cast<char>(arg >> (8 * (width - 1 - i)));
    }
}

void TCborWriter::Integer(qint64 value) {
    if (value >= 0) {
        head(0, static_cast<quint64>(value));
    } else {
        head(1, ~static_cast<quint64>(value)); // -1 - value
    }
}

void TCborWriter::Double(double value) {
    const auto bits = std::bit_cast<quint64>(value);
    char* to = room(9);
    *to++ = static_cast<char>(0xfb);
    for (int i = 0; i < 8; ++i) {
        *to++ = static_cast<char>(bits >> (8 * (7 - i)));
    }
}

void TCborWriter::Text(QStringView text) {
    // Most texts are ASCII: written byte for byte, without a UTF-8 copy first.
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            const QByteArray utf8 = text.toUtf8();
            head(3, static_cast<quint64>(utf8.size()));
            std::memcpy(room(utf8.size()), utf8.constData(), static_cast<size_t>(utf8.size()));
            return;
        }
    }
    head(3, static_cast<quint64>(text.size()));
    char* to = room(text.size());
    for (const QChar c : text) {
        *to++ = static_cast<char>(c.unicode());
    }
}

void TCborWriter::Text(QLatin1StringView text) {
    if (!IsAscii(QByteArrayView(text.data(), text.size()))) {
        Text(QString(text));
        return;
    }
    head(3, static_cast<quint64>(text.size()));
    std::memcpy(room(text.size()), text.data(), static_cast<size_t>(text.size()));
}

void TCborWriter::Utf8(QByteArrayView utf8) {
    head(3, static_cast<quint64>(utf8.size()));
    Raw(utf8);
}

void TCborWriter::Raw(QByteArrayView encoded) {
    if (!encoded.isEmpty()) {
        std::memcpy(room(encoded.size()), encoded.data(), static_cast<size_t>(encoded.size()));
    }
}

void TCborWriter::Bytes(const QByteArray& bytes) {
    head(2, static_cast<quint64>(bytes.size()));
    std::memcpy(room(bytes.size()), bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace pla
