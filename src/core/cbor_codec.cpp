#include "cbor_codec.h"

#include "dates.h"
#include "errors.h"

#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QSet>
#include <cmath>
#include <limits>

namespace pla {

namespace {

constexpr qint64 MinEpochSeconds = -62135596800LL; // 0001-01-01
constexpr qint64 MaxEpochSeconds = 253402300799LL; // 9999-12-31 23:59:59

// The current CBOR integer, when it fits in 64 signed bits. A negative integer
// comes as its absolute value, where 0 stands for -2^64.
bool readInt64(const QCborStreamReader& r, qint64& v) {
    constexpr auto maxPos = static_cast<quint64>(std::numeric_limits<qint64>::max());
    if (r.isUnsignedInteger()) {
        const quint64 u = r.toUnsignedInteger();
        if (u > maxPos) {
            return false;
        }
        v = static_cast<qint64>(u);
        return true;
    }
    const auto abs = quint64(r.toNegativeInteger());
    if (abs == 0 || abs > maxPos + 1) {
        return false;
    }
    v = abs == maxPos + 1 ? std::numeric_limits<qint64>::min() : -static_cast<qint64>(abs);
    return true;
}

void writeDateTime(QCborStreamWriter& w, const QDateTime& value) {
    const QDateTime dt = NormalizaDataHora(value);
    const qint64 ms = dt.toMSecsSinceEpoch();
    w.append(QCborKnownTags::UnixTime_t);
    if (ms % 1000 == 0) {
        w.append(static_cast<qint64>(ms / 1000));
    } else {
        w.append(static_cast<double>(ms) / 1000.0);
    }
}

void writeTyped(QCborStreamWriter& w, const QVariant& v) {
    // Packet values are canonical, so the generic writer serves them too.
    WriteValue(w, v);
}

void writePacket(QCborStreamWriter& w, const TDataPacket& p) {
    w.append(QCborTag(PacketTag));
    w.startMap(2);
    w.append(QLatin1String("fields"));
    w.startArray(static_cast<quint64>(p.Fields.size()));
    for (const auto& f : p.Fields) {
        w.startArray(4);
        w.append(f.Name);
        w.append(FieldTypeName(f.Type));
        w.append(static_cast<qint64>(f.Size));
        w.append(f.Required);
        w.endArray();
    }
    w.endArray();
    w.append(QLatin1String("rows"));
    w.startArray(static_cast<quint64>(p.Rows.size()));
    for (const auto& row : p.Rows) {
        const bool modified = row.Kind == TRowKind::Modified;
        w.startArray(
            static_cast<quint64>(1 + row.Values.size() + (modified ? row.Originals.size() : 0)));
        w.append(static_cast<qint64>(row.Kind));
        for (const auto& v : row.Values) {
            writeTyped(w, v);
        }
        if (modified) {
            for (const auto& v : row.Originals) {
                writeTyped(w, v);
            }
        }
        w.endArray();
    }
    w.endArray();
    w.endMap();
}

} // namespace

void WriteValue(QCborStreamWriter& w, const QVariant& value) {
    if (IsNullValue(value)) {
        w.appendNull();
        return;
    }
    const int id = value.typeId();
    switch (id) {
    case QMetaType::Bool:
        w.append(value.toBool());
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::SChar:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        w.append(static_cast<qint64>(value.toLongLong()));
        return;
    case QMetaType::ULongLong:
    case QMetaType::ULong: {
        const auto u = value.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            throw EPlaError(QStringLiteral("Inteiro fora do intervalo: %1").arg(u));
        }
        w.append(static_cast<qint64>(u));
        return;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        w.append(value.toDouble());
        return;
    case QMetaType::QString:
        w.append(value.toString());
        return;
    case QMetaType::QByteArray:
        w.append(value.toByteArray());
        return;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid()) {
            w.appendNull();
        } else {
            writeDateTime(w, dt);
        }
        return;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (!d.isValid()) {
            w.appendNull();
        } else {
            writeDateTime(w, DataHora(d));
        }
        return;
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        w.startArray(static_cast<quint64>(list.size()));
        for (const auto& v : list) {
            WriteValue(w, v);
        }
        w.endArray();
        return;
    }
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        w.startArray(static_cast<quint64>(list.size()));
        for (const auto& s : list) {
            w.append(s);
        }
        w.endArray();
        return;
    }
    default:
        break;
    }
    if (id == qMetaTypeId<TDataPacket>()) {
        writePacket(w, value.value<TDataPacket>());
        return;
    }
    throw EPlaError(QStringLiteral("Tipo de valor não suportado: %1")
                        .arg(QString::fromLatin1(value.typeName())));
}

QByteArray EncodeValue(const QVariant& value) {
    QByteArray out;
    QCborStreamWriter w(&out);
    WriteValue(w, value);
    return out;
}

QByteArray EncodePacket(const TDataPacket& packet) {
    QByteArray out;
    QCborStreamWriter w(&out);
    writePacket(w, packet);
    return out;
}

// ---------------------------------------------------------------------------

TValueReader::TValueReader(QCborStreamReader& reader, qsizetype totalBytes,
                           const TDecodeLimits& limits)
    : r_(reader)
    , total_(totalBytes)
    , limits_(limits) {}

void TValueReader::Fail(const QString& what) const {
    throw EDecodeError(
        QStringLiteral("Dados inválidos (posição %1): %2").arg(r_.currentOffset()).arg(what));
}

void TValueReader::CheckReader() const {
    const QCborError e = r_.lastError();
    if (e.c == QCborError::NoError) {
        return;
    }
    if (e.c == QCborError::EndOfFile) {
        Fail(QStringLiteral("dados truncados"));
    }
    Fail(e.toString());
}

qsizetype TValueReader::remaining() const {
    return total_ - r_.currentOffset();
}

void TValueReader::countItem() {
    if (++items_ > limits_.MaxItems) {
        Fail(QStringLiteral("valores demais (mais de %1)").arg(limits_.MaxItems));
    }
}

QVariant TValueReader::Read() {
    return read(0);
}

QString TValueReader::readText() {
    if (r_.isLengthKnown()) {
        const auto len = static_cast<qsizetype>(r_.length());
        if (len > limits_.MaxTextBytes) {
            Fail(QStringLiteral("texto grande demais (%1 bytes)").arg(len));
        }
        if (len > remaining()) {
            Fail(QStringLiteral("dados truncados"));
        }
    }
    QString s;
    auto res = r_.readString();
    while (res.status == QCborStreamReader::Ok) {
        s += res.data;
        if (s.size() > limits_.MaxTextBytes) {
            Fail(QStringLiteral("texto grande demais"));
        }
        res = r_.readString();
    }
    if (res.status == QCborStreamReader::Error) {
        CheckReader();
        Fail(QStringLiteral("texto inválido"));
    }
    return s;
}

QByteArray TValueReader::readBytes() {
    if (r_.isLengthKnown()) {
        const auto len = static_cast<qsizetype>(r_.length());
        if (len > limits_.MaxTextBytes) {
            Fail(QStringLiteral("bloco binário grande demais (%1 bytes)").arg(len));
        }
        if (len > remaining()) {
            Fail(QStringLiteral("dados truncados"));
        }
    }
    QByteArray b;
    auto res = r_.readByteArray();
    while (res.status == QCborStreamReader::Ok) {
        b += res.data;
        if (b.size() > limits_.MaxTextBytes) {
            Fail(QStringLiteral("bloco binário grande demais"));
        }
        res = r_.readByteArray();
    }
    if (res.status == QCborStreamReader::Error) {
        CheckReader();
        Fail(QStringLiteral("bloco binário inválido"));
    }
    return b;
}

QDateTime TValueReader::readDateTime(quint64 tag) {
    CheckReader();
    if (tag == quint64(QCborKnownTags::DateTimeString)) {
        if (!r_.isString()) {
            Fail(QStringLiteral("data em texto esperada"));
        }
        const QString s = readText();
        const QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid()) {
            Fail(QStringLiteral("data inválida: %1").arg(s.left(40)));
        }
        return NormalizaDataHora(dt);
    }
    qint64 ms = 0;
    if (r_.isInteger()) {
        qint64 secs = 0;
        if (!readInt64(r_, secs) || secs < MinEpochSeconds || secs > MaxEpochSeconds) {
            Fail(QStringLiteral("data fora do intervalo"));
        }
        ms = secs * 1000;
    } else if (r_.isDouble() || r_.isFloat()) {
        const double s = r_.isDouble() ? r_.toDouble() : double(r_.toFloat());
        if (!std::isfinite(s) || s < double(MinEpochSeconds) || s > double(MaxEpochSeconds)) {
            Fail(QStringLiteral("data fora do intervalo"));
        }
        ms = std::llround(s * 1000.0);
    } else {
        Fail(QStringLiteral("data numérica esperada"));
    }
    r_.next();
    CheckReader();
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QVariant TValueReader::read(int depth) {
    CheckReader();
    if (depth > limits_.MaxDepth) {
        Fail(QStringLiteral("aninhamento profundo demais (mais de %1 níveis)")
                 .arg(limits_.MaxDepth));
    }
    countItem();
    QVariant out;
    switch (r_.type()) {
    case QCborStreamReader::UnsignedInteger:
    case QCborStreamReader::NegativeInteger: {
        qint64 v = 0;
        if (!readInt64(r_, v)) {
            Fail(QStringLiteral("inteiro fora do intervalo"));
        }
        out = static_cast<qlonglong>(v);
        r_.next();
        break;
    }
    case QCborStreamReader::Double:
        out = r_.toDouble();
        r_.next();
        break;
    case QCborStreamReader::Float:
        out = double(r_.toFloat());
        r_.next();
        break;
    case QCborStreamReader::Float16:
        out = double(float(r_.toFloat16()));
        r_.next();
        break;
    case QCborStreamReader::TextString:
        out = readText();
        break;
    case QCborStreamReader::ByteArray:
        out = readBytes();
        break;
    case QCborStreamReader::SimpleType:
        if (r_.isBool()) {
            out = r_.toBool();
        } else if (!r_.isNull()) {
            Fail(QStringLiteral("valor simples não suportado"));
        }
        r_.next();
        break;
    case QCborStreamReader::Array: {
        QVariantList list;
        if (r_.isLengthKnown()) {
            const auto n = r_.length();
            if (n > static_cast<quint64>(remaining())) {
                Fail(QStringLiteral("dados truncados"));
            }
            list.reserve(static_cast<qsizetype>(n));
        }
        r_.enterContainer();
        while (r_.hasNext()) {
            list.append(read(depth + 1));
        }
        CheckReader();
        r_.leaveContainer();
        out = list;
        break;
    }
    case QCborStreamReader::Tag: {
        const quint64 tag = quint64(r_.toTag());
        r_.next();
        CheckReader();
        if (tag == quint64(QCborKnownTags::DateTimeString) ||
            tag == quint64(QCborKnownTags::UnixTime_t)) {
            out = readDateTime(tag);
        } else if (tag == PacketTag) {
            out = FromDataPacket(ReadPacketBody());
        } else {
            Fail(QStringLiteral("marca CBOR não suportada: %1").arg(tag));
        }
        break;
    }
    case QCborStreamReader::Map:
        Fail(QStringLiteral("mapa não suportado como valor"));
    case QCborStreamReader::Invalid:
    default:
        CheckReader();
        Fail(QStringLiteral("valor esperado"));
    }
    CheckReader();
    return out;
}

QVariant TValueReader::readTyped(const TFieldDef& f) {
    countItem();
    if (r_.isNull()) {
        r_.next();
        return {};
    }
    switch (f.Type) {
    case TFieldType::String:
    case TFieldType::FixedString: {
        if (!r_.isString()) {
            break;
        }
        QString s = readText();
        if (f.Type == TFieldType::FixedString) {
            while (s.size() > f.Size && s.endsWith(QLatin1Char(' '))) {
                s.chop(1);
            }
        }
        if (f.Size > 0 && s.size() > f.Size) {
            Fail(QStringLiteral("texto do campo %1 excede %2 caracteres").arg(f.Name).arg(f.Size));
        }
        if (f.Type == TFieldType::FixedString && s.size() < f.Size) {
            s = s.leftJustified(f.Size, QLatin1Char(' '));
        }
        return s;
    }
    case TFieldType::Integer: {
        if (!r_.isInteger()) {
            break;
        }
        qint64 v = 0;
        if (!readInt64(r_, v)) {
            Fail(QStringLiteral("inteiro fora do intervalo no campo %1").arg(f.Name));
        }
        r_.next();
        return static_cast<qlonglong>(v);
    }
    case TFieldType::Float: {
        double d = 0;
        if (r_.isDouble()) {
            d = r_.toDouble();
        } else if (r_.isFloat()) {
            d = double(r_.toFloat());
        } else if (r_.isFloat16()) {
            d = double(float(r_.toFloat16()));
        } else if (r_.isInteger()) {
            qint64 v = 0;
            if (!readInt64(r_, v)) {
                Fail(QStringLiteral("inteiro fora do intervalo no campo %1").arg(f.Name));
            }
            d = static_cast<double>(v);
        } else {
            break;
        }
        if (!std::isfinite(d)) {
            Fail(QStringLiteral("número não finito no campo %1").arg(f.Name));
        }
        r_.next();
        return d;
    }
    case TFieldType::Boolean:
        if (!r_.isBool()) {
            break;
        }
        {
            const bool b = r_.toBool();
            r_.next();
            return b;
        }
    case TFieldType::DateTime:
        if (!r_.isTag()) {
            break;
        }
        {
            const quint64 tag = quint64(r_.toTag());
            if (tag != quint64(QCborKnownTags::DateTimeString) &&
                tag != quint64(QCborKnownTags::UnixTime_t)) {
                break;
            }
            r_.next();
            CheckReader();
            return readDateTime(tag);
        }
    case TFieldType::Bytes:
        if (!r_.isByteArray()) {
            break;
        }
        return readBytes();
    }
    CheckReader();
    Fail(QStringLiteral("valor do campo %1 não é do tipo %2").arg(f.Name, FieldTypeName(f.Type)));
}

TDataPacket TValueReader::ReadPacketBody() {
    CheckReader();
    if (!r_.isMap()) {
        Fail(QStringLiteral("pacote de dados esperado"));
    }
    TDataPacket p;
    bool haveFields = false;
    bool haveRows = false;
    r_.enterContainer();
    while (r_.hasNext()) {
        if (!r_.isString()) {
            CheckReader();
            Fail(QStringLiteral("chave do pacote deve ser texto"));
        }
        const QString key = readText();
        if (key == QLatin1String("fields")) {
            if (haveFields || haveRows) {
                Fail(QStringLiteral("campos do pacote fora de ordem ou repetidos"));
            }
            haveFields = true;
            if (!r_.isArray()) {
                CheckReader();
                Fail(QStringLiteral("lista de campos esperada"));
            }
            QSet<QString> names;
            r_.enterContainer();
            while (r_.hasNext()) {
                countItem();
                if (!r_.isArray()) {
                    CheckReader();
                    Fail(QStringLiteral("definição de campo esperada"));
                }
                r_.enterContainer();
                TFieldDef f;
                const QVariant name = r_.hasNext() ? read(2) : QVariant();
                const QVariant type = r_.hasNext() ? read(2) : QVariant();
                const QVariant size = r_.hasNext() ? read(2) : QVariant();
                const QVariant req = r_.hasNext() ? read(2) : QVariant();
                if (r_.hasNext() || name.typeId() != QMetaType::QString ||
                    type.typeId() != QMetaType::QString || size.typeId() != QMetaType::LongLong ||
                    req.typeId() != QMetaType::Bool) {
                    CheckReader();
                    Fail(QStringLiteral("definição de campo malformada"));
                }
                CheckReader();
                r_.leaveContainer();
                f.Name = name.toString();
                const auto t = FieldTypeFromName(type.toString());
                if (!t) {
                    Fail(QStringLiteral("tipo de campo desconhecido: %1")
                             .arg(type.toString().left(40)));
                }
                f.Type = *t;
                if (size.toLongLong() < 0 || size.toLongLong() > 1'000'000 ||
                    (f.Type == TFieldType::FixedString && size.toLongLong() == 0)) {
                    Fail(QStringLiteral("tamanho inválido do campo %1").arg(f.Name));
                }
                f.Size = static_cast<int>(size.toLongLong());
                f.Required = req.toBool();
                if (f.Name.trimmed().isEmpty() || names.contains(f.Name.toUpper())) {
                    Fail(
                        QStringLiteral("nome de campo vazio ou repetido: %1").arg(f.Name.left(40)));
                }
                names.insert(f.Name.toUpper());
                p.Fields.append(f);
            }
            CheckReader();
            r_.leaveContainer();
        } else if (key == QLatin1String("rows")) {
            if (!haveFields || haveRows) {
                Fail(QStringLiteral("linhas do pacote antes dos campos ou repetidas"));
            }
            haveRows = true;
            if (!r_.isArray()) {
                CheckReader();
                Fail(QStringLiteral("lista de linhas esperada"));
            }
            if (r_.isLengthKnown()) {
                const auto n = r_.length();
                if (n > static_cast<quint64>(remaining())) {
                    Fail(QStringLiteral("dados truncados"));
                }
                p.Rows.reserve(static_cast<qsizetype>(n));
            }
            const auto nf = p.Fields.size();
            r_.enterContainer();
            while (r_.hasNext()) {
                countItem();
                if (!r_.isArray()) {
                    CheckReader();
                    Fail(QStringLiteral("linha %1: lista de valores esperada")
                             .arg(p.Rows.size() + 1));
                }
                r_.enterContainer();
                if (!r_.isUnsignedInteger() || r_.toUnsignedInteger() > 3) {
                    CheckReader();
                    Fail(QStringLiteral("linha %1: tipo de alteração inválido")
                             .arg(p.Rows.size() + 1));
                }
                TPacketRow row;
                row.Kind = static_cast<TRowKind>(r_.toUnsignedInteger());
                r_.next();
                row.Values.reserve(nf);
                for (qsizetype c = 0; c < nf; ++c) {
                    if (!r_.hasNext()) {
                        CheckReader();
                        Fail(QStringLiteral("linha %1: valores faltando").arg(p.Rows.size() + 1));
                    }
                    row.Values.append(readTyped(p.Fields[c]));
                }
                if (row.Kind == TRowKind::Modified) {
                    row.Originals.reserve(nf);
                    for (qsizetype c = 0; c < nf; ++c) {
                        if (!r_.hasNext()) {
                            CheckReader();
                            Fail(QStringLiteral("linha %1: valores originais faltando")
                                     .arg(p.Rows.size() + 1));
                        }
                        row.Originals.append(readTyped(p.Fields[c]));
                    }
                }
                if (r_.hasNext()) {
                    Fail(QStringLiteral("linha %1: valores a mais").arg(p.Rows.size() + 1));
                }
                CheckReader();
                r_.leaveContainer();
                p.Rows.append(std::move(row));
            }
            CheckReader();
            r_.leaveContainer();
        } else {
            Fail(QStringLiteral("chave desconhecida no pacote: %1").arg(key.left(40)));
        }
    }
    CheckReader();
    r_.leaveContainer();
    if (!haveFields || !haveRows) {
        Fail(QStringLiteral("pacote sem campos ou sem linhas"));
    }
    return p;
}

namespace {

template <typename Fn>
auto decodeWhole(const QByteArray& bytes, const TDecodeLimits& limits, Fn fn) {
    if (bytes.isEmpty()) {
        throw EDecodeError(QStringLiteral("Dados inválidos: vazio"));
    }
    QCborStreamReader r(bytes);
    TValueReader vr(r, bytes.size(), limits);
    auto out = fn(vr, r);
    vr.CheckReader();
    if (r.currentOffset() != bytes.size()) {
        vr.Fail(QStringLiteral("bytes a mais depois do valor"));
    }
    return out;
}

} // namespace

QVariant DecodeValue(const QByteArray& bytes, const TDecodeLimits& limits) {
    return decodeWhole(bytes, limits,
                       [](TValueReader& vr, QCborStreamReader&) { return vr.Read(); });
}

TDataPacket DecodePacket(const QByteArray& bytes, const TDecodeLimits& limits) {
    return decodeWhole(bytes, limits, [](TValueReader& vr, QCborStreamReader& r) {
        vr.CheckReader();
        if (!r.isTag() || quint64(r.toTag()) != PacketTag) {
            vr.Fail(QStringLiteral("pacote de dados esperado"));
        }
        r.next();
        return vr.ReadPacketBody();
    });
}

} // namespace pla
