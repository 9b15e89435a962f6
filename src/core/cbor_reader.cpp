#include "cbor_reader.h"

#include "errors.h"

#include <QStringDecoder>
#include <cmath>
#include <cstring>

namespace pla {

void TCborReader::Fail(const QString& what) const {
    throw EDecodeError(QStringLiteral("Dados inválidos (posição %1): %2").arg(pos_).arg(what));
}

const uchar* TCborReader::take(qsizetype n) {
    if (n < 0 || n > Remaining()) {
        Fail(QStringLiteral("dados truncados"));
    }
    const auto* p = reinterpret_cast<const uchar*>(data_.data()) + pos_;
    pos_ += n;
    return p;
}

quint64 TCborReader::readArg(quint8 info) {
    if (info < 24) {
        return info;
    }
    qsizetype n = 0;
    switch (info) {
    case 24:
        n = 1;
        break;
    case 25:
        n = 2;
        break;
    case 26:
        n = 4;
        break;
    case 27:
        n = 8;
        break;
    default:
        Fail(QStringLiteral("cabeçalho CBOR malformado"));
    }
    const uchar* p = take(n);
    quint64 v = 0;
    for (qsizetype i = 0; i < n; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

namespace {

double halfToDouble(quint16 h) {
    const int exp = (h >> 10) & 0x1f;
    const int mant = h & 0x3ff;
    double v = 0;
    if (exp == 0) {
        v = std::ldexp(mant, -24);
    } else if (exp != 31) {
        v = std::ldexp(mant + 1024, exp - 25);
    } else {
        v = mant == 0 ? INFINITY : NAN;
    }
    return (h & 0x8000) ? -v : v;
}

} // namespace

TCborReader::THead TCborReader::ReadHead() {
    const quint8 initial = *take(1);
    const quint8 major = initial >> 5;
    const quint8 info = initial & 0x1f;
    THead h;
    if (info >= 28 && info <= 30) {
        Fail(QStringLiteral("cabeçalho CBOR malformado"));
    }
    switch (major) {
    case 0:
    case 1:
    case 6:
        if (info == 31) {
            Fail(QStringLiteral("cabeçalho CBOR malformado"));
        }
        h.Kind = major == 0 ? TKind::UInt : (major == 1 ? TKind::NegInt : TKind::Tag);
        h.Arg = readArg(info);
        return h;
    case 2:
    case 3:
    case 4:
    case 5:
        h.Kind = major == 2   ? TKind::Bytes
                 : major == 3 ? TKind::Text
                 : major == 4 ? TKind::Array
                              : TKind::Map;
        if (info == 31) {
            h.Indefinite = true;
        } else {
            h.Arg = readArg(info);
        }
        return h;
    default:
        break;
    }
    // Major type 7.
    if (info == 31) {
        h.Kind = TKind::Break;
        return h;
    }
    if (info < 24) {
        h.Kind = TKind::Simple;
        h.Arg = info;
        return h;
    }
    if (info == 24) {
        h.Kind = TKind::Simple;
        h.Arg = *take(1);
        if (h.Arg < 32) {
            Fail(QStringLiteral("valor simples malformado"));
        }
        return h;
    }
    h.Kind = TKind::Float;
    const quint64 bits = readArg(info);
    if (info == 25) {
        h.Float = halfToDouble(static_cast<quint16>(bits));
    } else if (info == 26) {
        const auto b32 = static_cast<quint32>(bits);
        float f = 0;
        std::memcpy(&f, &b32, sizeof f);
        h.Float = f;
    } else {
        std::memcpy(&h.Float, &bits, sizeof h.Float);
    }
    return h;
}

TCborReader::THead TCborReader::PeekHead() {
    const qsizetype at = pos_;
    const THead h = ReadHead();
    pos_ = at;
    return h;
}

QByteArrayView TCborReader::ReadStringBody(const THead& head, QByteArray& scratch,
                                           qsizetype maxBytes) {
    if (!head.Indefinite) {
        if (head.Arg > static_cast<quint64>(maxBytes)) {
            Fail(QStringLiteral("texto grande demais (%1 bytes)").arg(head.Arg));
        }
        const auto n = static_cast<qsizetype>(head.Arg);
        const uchar* p = take(n);
        return QByteArrayView(reinterpret_cast<const char*>(p), n);
    }
    scratch.resize(0);
    for (;;) {
        const THead chunk = ReadHead();
        if (chunk.Kind == TKind::Break) {
            break;
        }
        if (chunk.Kind != head.Kind || chunk.Indefinite) {
            Fail(QStringLiteral("pedaço de texto malformado"));
        }
        if (chunk.Arg > static_cast<quint64>(maxBytes - scratch.size())) {
            Fail(QStringLiteral("texto grande demais"));
        }
        const auto n = static_cast<qsizetype>(chunk.Arg);
        scratch.append(reinterpret_cast<const char*>(take(n)), n);
    }
    return QByteArrayView(scratch);
}

QString TCborReader::ToText(QByteArrayView utf8) const {
    bool ascii = true;
    for (const char c : utf8) {
        if (static_cast<uchar>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return QString::fromLatin1(utf8.data(), utf8.size());
    }
    // A leading byte-order mark is content here, not a marker to drop.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString s = decoder.decode(utf8);
    if (decoder.hasError()) {
        Fail(QStringLiteral("texto com UTF-8 inválido"));
    }
    return s;
}

} // namespace pla
