#include "cbor_codec.h"

#include "cbor_writer.h"
#include "dates.h"
#include "errors.h"
#include "packet_encoder.h"

#include <QSet>
#include <QtCborCommon>
#include <cmath>
#include <limits>

namespace pla {

namespace {

constexpr qint64 MinEpochSeconds = -62135596800LL; // 0001-01-01
constexpr qint64 MaxEpochSeconds = 253402300799LL; // 9999-12-31 23:59:59

void writeDateTime(TCborWriter& w, const QDateTime& value) {
    WriteDateTime(w, NormalizaDataHora(value).toMSecsSinceEpoch());
}

void writeValue(TCborWriter& w, const QVariant& value);

// Packet values are canonical, so the generic value writer serves them.
void writePacket(TCborWriter& w, const TDataPacket& p) {
    WritePacketHead(w, p.Fields, static_cast<quint64>(p.Rows.size()));
    for (const auto& row : p.Rows) {
        const bool modified = row.Kind == TRowKind::Modified;
        w.Array(
            static_cast<quint64>(1 + row.Values.size() + (modified ? row.Originals.size() : 0)));
        w.Integer(static_cast<qint64>(row.Kind));
        for (const auto& v : row.Values) {
            writeValue(w, v);
        }
        if (modified) {
            for (const auto& v : row.Originals) {
                writeValue(w, v);
            }
        }
    }
}

void writeValue(TCborWriter& w, const QVariant& value) {
    if (IsNullValue(value)) {
        w.Null();
        return;
    }
    const int id = value.typeId();
    switch (id) {
    case QMetaType::Bool:
        w.Bool(value.toBool());
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::SChar:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        w.Integer(value.toLongLong());
        return;
    case QMetaType::ULongLong:
    case QMetaType::ULong: {
        const auto u = value.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            throw EPlaError(QStringLiteral("Inteiro fora do intervalo: %1").arg(u));
        }
        w.Integer(static_cast<qint64>(u));
        return;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        w.Double(value.toDouble());
        return;
    case QMetaType::QString:
        w.Text(*static_cast<const QString*>(value.constData()));
        return;
    case QMetaType::QByteArray:
        w.Bytes(*static_cast<const QByteArray*>(value.constData()));
        return;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid()) {
            w.Null();
        } else {
            writeDateTime(w, dt);
        }
        return;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (!d.isValid()) {
            w.Null();
        } else {
            writeDateTime(w, DataHora(d));
        }
        return;
    }
    case QMetaType::QVariantList: {
        const auto& list = *static_cast<const QVariantList*>(value.constData());
        w.Array(static_cast<quint64>(list.size()));
        for (const auto& v : list) {
            writeValue(w, v);
        }
        return;
    }
    case QMetaType::QStringList: {
        const auto& list = *static_cast<const QStringList*>(value.constData());
        w.Array(static_cast<quint64>(list.size()));
        for (const auto& s : list) {
            w.Text(s);
        }
        return;
    }
    default:
        break;
    }
    if (id == qMetaTypeId<TDataPacket>()) {
        writePacket(w, *static_cast<const TDataPacket*>(value.constData()));
        return;
    }
    if (id == qMetaTypeId<TEncodedPacket>()) {
        w.Raw(static_cast<const TEncodedPacket*>(value.constData())->Bytes);
        return;
    }
    throw EPlaError(QStringLiteral("Tipo de valor não suportado: %1")
                        .arg(QString::fromLatin1(value.typeName())));
}

} // namespace

void WriteValue(TCborWriter& w, const QVariant& value) {
    writeValue(w, value);
}

void WriteDateTime(TCborWriter& w, qint64 msecsSinceEpoch) {
    w.Tag(static_cast<quint64>(QCborKnownTags::UnixTime_t));
    if (msecsSinceEpoch % 1000 == 0) {
        w.Integer(msecsSinceEpoch / 1000);
    } else {
        w.Double(static_cast<double>(msecsSinceEpoch) / 1000.0);
    }
}

void WritePacketHead(TCborWriter& w, const QList<TFieldDef>& fields, quint64 rows) {
    w.Tag(PacketTag);
    w.Map(2);
    w.Text(QLatin1StringView("fields"));
    w.Array(static_cast<quint64>(fields.size()));
    for (const auto& f : fields) {
        w.Array(4);
        w.Text(f.Name);
        w.Text(FieldTypeName(f.Type));
        w.Integer(f.Size);
        w.Bool(f.Required);
    }
    w.Text(QLatin1StringView("rows"));
    w.Array(rows);
}

QByteArray EncodeValue(const QVariant& value) {
    TCborWriter w;
    writeValue(w, value);
    return w.Take();
}

QByteArray EncodePacket(const TDataPacket& packet) {
    TCborWriter w;
    writePacket(w, packet);
    return w.Take();
}

// ---------------------------------------------------------------------------

using TKind = TCborReader::TKind;

TValueReader::TValueReader(QByteArrayView bytes, const TDecodeLimits& limits)
    : r_(bytes)
    , limits_(limits) {}

void TValueReader::countItem() {
    if (++items_ > limits_.MaxItems) {
        Fail(QStringLiteral("valores demais (mais de %1)").arg(limits_.MaxItems));
    }
}

namespace {

// Room made ahead for what a count declares, no more than a few pages: the rest grows
// as elements are actually read, so that memory follows the bytes, not the counts.
qsizetype reserveFor(quint64 declared) {
    return static_cast<qsizetype>(std::min<quint64>(declared, 1024));
}

} // namespace

quint64 TValueReader::checkedCount(const TCborReader::THead& head) {
    // Every item takes at least one byte: a count beyond what is left is a lie.
    if (!head.Indefinite && head.Arg > static_cast<quint64>(r_.Remaining())) {
        Fail(QStringLiteral("dados truncados"));
    }
    return head.Arg;
}

qint64 TValueReader::toInt64(const TCborReader::THead& head) {
    constexpr auto maxPos = static_cast<quint64>(std::numeric_limits<qint64>::max());
    if (head.Arg > maxPos) {
        Fail(QStringLiteral("inteiro fora do intervalo"));
    }
    const auto v = static_cast<qint64>(head.Arg);
    return head.Kind == TKind::UInt ? v : -1 - v;
}

QString TValueReader::readText(const TCborReader::THead& head, TTextCache* cache) {
    const QByteArrayView utf8 = r_.ReadStringBody(head, scratch_, limits_.MaxTextBytes);
    if (!cache) {
        return r_.ToText(utf8);
    }
    // Codes and names repeat down a column: a packet's repeated texts share one
    // string instead of each allocating its own.
    const QByteArray key = QByteArray::fromRawData(utf8.data(), utf8.size());
    const auto it = cache->constFind(key);
    if (it != cache->cend()) {
        return it.value();
    }
    QString s = r_.ToText(utf8);
    if (cache->size() < 512) {
        cache->insert(QByteArray(utf8.data(), utf8.size()), s);
    }
    return s;
}

QByteArray TValueReader::readBytes(const TCborReader::THead& head) {
    const QByteArrayView b = r_.ReadStringBody(head, scratch_, limits_.MaxTextBytes);
    return QByteArray(b.data(), b.size());
}

QDateTime TValueReader::readDateTime(quint64 tag) {
    const auto h = r_.ReadHead();
    if (tag == quint64(QCborKnownTags::DateTimeString)) {
        if (h.Kind != TKind::Text) {
            Fail(QStringLiteral("data em texto esperada"));
        }
        const QString s = readText(h);
        const QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid()) {
            Fail(QStringLiteral("data inválida: %1").arg(s.left(40)));
        }
        return NormalizaDataHora(dt);
    }
    qint64 ms = 0;
    if (h.Kind == TKind::UInt || h.Kind == TKind::NegInt) {
        if (h.Arg > static_cast<quint64>(MaxEpochSeconds)) {
            Fail(QStringLiteral("data fora do intervalo"));
        }
        const qint64 secs = toInt64(h);
        if (secs < MinEpochSeconds || secs > MaxEpochSeconds) {
            Fail(QStringLiteral("data fora do intervalo"));
        }
        ms = secs * 1000;
    } else if (h.Kind == TKind::Float) {
        const double s = h.Float;
        if (!std::isfinite(s) || s < double(MinEpochSeconds) || s > double(MaxEpochSeconds)) {
            Fail(QStringLiteral("data fora do intervalo"));
        }
        ms = std::llround(s * 1000.0);
    } else {
        Fail(QStringLiteral("data numérica esperada"));
    }
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QVariant TValueReader::Read() {
    return read(0);
}

QVariant TValueReader::read(int depth) {
    return readAfterHead(r_.ReadHead(), depth);
}

QVariant TValueReader::readAfterHead(const TCborReader::THead& h, int depth) {
    if (depth > limits_.MaxDepth) {
        Fail(QStringLiteral("aninhamento profundo demais (mais de %1 níveis)")
                 .arg(limits_.MaxDepth));
    }
    countItem();
    switch (h.Kind) {
    case TKind::UInt:
    case TKind::NegInt:
        return static_cast<qlonglong>(toInt64(h));
    case TKind::Float:
        return h.Float;
    case TKind::Text:
        return readText(h);
    case TKind::Bytes:
        return readBytes(h);
    case TKind::Simple:
        if (h.Arg == 20 || h.Arg == 21) {
            return h.Arg == 21;
        }
        if (h.Arg == 22) {
            return {};
        }
        Fail(QStringLiteral("valor simples não suportado"));
    case TKind::Array: {
        QVariantList list;
        const quint64 n = checkedCount(h);
        if (h.Indefinite) {
            for (;;) {
                const auto item = r_.ReadHead();
                if (item.Kind == TKind::Break) {
                    break;
                }
                list.append(readAfterHead(item, depth + 1));
            }
        } else {
            list.reserve(reserveFor(n));
            for (quint64 i = 0; i < n; ++i) {
                list.append(read(depth + 1));
            }
        }
        return list;
    }
    case TKind::Tag:
        if (h.Arg == quint64(QCborKnownTags::DateTimeString) ||
            h.Arg == quint64(QCborKnownTags::UnixTime_t)) {
            return readDateTime(h.Arg);
        }
        if (h.Arg == PacketTag) {
            return FromDataPacket(readPacketBody(depth + 1));
        }
        Fail(QStringLiteral("marca CBOR não suportada: %1").arg(h.Arg));
    case TKind::Map:
        Fail(QStringLiteral("mapa não suportado como valor"));
    case TKind::Break:
        Fail(QStringLiteral("fim de lista inesperado"));
    }
    Fail(QStringLiteral("valor esperado"));
}

QVariant TValueReader::readTyped(const TFieldDef& f, TTextCache& cache) {
    countItem();
    const auto h = r_.ReadHead();
    if (h.IsNull()) {
        return {};
    }
    switch (f.Type) {
    case TFieldType::String:
    case TFieldType::FixedString: {
        if (h.Kind != TKind::Text) {
            break;
        }
        QString s = readText(h, &cache);
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
    case TFieldType::Integer:
        if (h.Kind != TKind::UInt && h.Kind != TKind::NegInt) {
            break;
        }
        return static_cast<qlonglong>(toInt64(h));
    case TFieldType::Float: {
        double d = 0;
        if (h.Kind == TKind::Float) {
            d = h.Float;
        } else if (h.Kind == TKind::UInt || h.Kind == TKind::NegInt) {
            d = static_cast<double>(toInt64(h));
        } else {
            break;
        }
        if (!std::isfinite(d)) {
            Fail(QStringLiteral("número não finito no campo %1").arg(f.Name));
        }
        return d;
    }
    case TFieldType::Boolean:
        if (!h.IsBool()) {
            break;
        }
        return h.Arg == 21;
    case TFieldType::DateTime:
        if (h.Kind != TKind::Tag || (h.Arg != quint64(QCborKnownTags::DateTimeString) &&
                                     h.Arg != quint64(QCborKnownTags::UnixTime_t))) {
            break;
        }
        return readDateTime(h.Arg);
    case TFieldType::Bytes:
        if (h.Kind != TKind::Bytes) {
            break;
        }
        return readBytes(h);
    }
    Fail(QStringLiteral("valor do campo %1 não é do tipo %2").arg(f.Name, FieldTypeName(f.Type)));
}

TDataPacket TValueReader::ReadPacket() {
    const auto h = r_.ReadHead();
    if (h.Kind != TKind::Tag || h.Arg != PacketTag) {
        Fail(QStringLiteral("pacote de dados esperado"));
    }
    return readPacketBody(1);
}

TDataPacket TValueReader::readPacketBody(int depth) {
    if (depth > limits_.MaxDepth) {
        Fail(QStringLiteral("aninhamento profundo demais (mais de %1 níveis)")
                 .arg(limits_.MaxDepth));
    }
    const auto map = r_.ReadHead();
    if (map.Kind != TKind::Map || map.Indefinite || map.Arg != 2) {
        Fail(QStringLiteral("pacote de dados esperado"));
    }
    TDataPacket p;

    auto expectKey = [&](const char* key) {
        const auto k = r_.ReadHead();
        if (k.Kind != TKind::Text || readText(k) != QLatin1String(key)) {
            Fail(QStringLiteral("chave \"%1\" esperada no pacote").arg(QLatin1String(key)));
        }
    };
    // A list head of known length: rows and fields come that way from every writer.
    auto expectArray = [&](const QString& what) {
        const auto a = r_.ReadHead();
        if (a.Kind != TKind::Array || a.Indefinite) {
            Fail(what);
        }
        return checkedCount(a);
    };

    expectKey("fields");
    const quint64 nFields = expectArray(QStringLiteral("lista de campos esperada"));
    QSet<QString> names;
    for (quint64 i = 0; i < nFields; ++i) {
        countItem();
        if (expectArray(QStringLiteral("definição de campo esperada")) != 4) {
            Fail(QStringLiteral("definição de campo malformada"));
        }
        const auto hn = r_.ReadHead();
        if (hn.Kind != TKind::Text) {
            Fail(QStringLiteral("definição de campo malformada"));
        }
        TFieldDef f;
        f.Name = readText(hn);
        const auto htype = r_.ReadHead();
        if (htype.Kind != TKind::Text) {
            Fail(QStringLiteral("definição de campo malformada"));
        }
        const QString typeName = readText(htype);
        const auto t = FieldTypeFromName(typeName);
        if (!t) {
            Fail(QStringLiteral("tipo de campo desconhecido: %1").arg(typeName.left(40)));
        }
        f.Type = *t;
        const auto hs = r_.ReadHead();
        if (hs.Kind != TKind::UInt || hs.Arg > 1'000'000 ||
            (f.Type == TFieldType::FixedString && hs.Arg == 0)) {
            Fail(QStringLiteral("tamanho inválido do campo %1").arg(f.Name.left(40)));
        }
        f.Size = static_cast<int>(hs.Arg);
        const auto hr = r_.ReadHead();
        if (!hr.IsBool()) {
            Fail(QStringLiteral("definição de campo malformada"));
        }
        f.Required = hr.Arg == 21;
        if (f.Name.trimmed().isEmpty() || names.contains(f.Name.toUpper())) {
            Fail(QStringLiteral("nome de campo vazio ou repetido: %1").arg(f.Name.left(40)));
        }
        names.insert(f.Name.toUpper());
        p.Fields.append(f);
    }

    expectKey("rows");
    const quint64 nRows = expectArray(QStringLiteral("lista de linhas esperada"));
    const auto nf = static_cast<quint64>(p.Fields.size());
    std::vector<TTextCache> caches(static_cast<std::size_t>(nf));
    p.Rows.reserve(reserveFor(nRows));
    for (quint64 r = 0; r < nRows; ++r) {
        countItem();
        const auto rowHead = r_.ReadHead();
        if (rowHead.Kind != TKind::Array || rowHead.Indefinite) {
            Fail(QStringLiteral("linha %1: lista de valores esperada").arg(r + 1));
        }
        const quint64 len = checkedCount(rowHead);
        const auto kind = r_.ReadHead();
        if (len == 0 || kind.Kind != TKind::UInt || kind.Arg > 3) {
            Fail(QStringLiteral("linha %1: tipo de alteração inválido").arg(r + 1));
        }
        TPacketRow row;
        row.Kind = static_cast<TRowKind>(kind.Arg);
        const quint64 expected = 1 + nf * (row.Kind == TRowKind::Modified ? 2 : 1);
        if (len < 1 + nf) {
            Fail(QStringLiteral("linha %1: valores faltando").arg(r + 1));
        }
        if (len < expected) {
            Fail(QStringLiteral("linha %1: valores originais faltando").arg(r + 1));
        }
        if (len > expected) {
            Fail(QStringLiteral("linha %1: valores a mais").arg(r + 1));
        }
        row.Values.reserve(static_cast<qsizetype>(nf));
        for (quint64 c = 0; c < nf; ++c) {
            row.Values.append(readTyped(p.Fields[static_cast<qsizetype>(c)], caches[c]));
        }
        if (row.Kind == TRowKind::Modified) {
            row.Originals.reserve(static_cast<qsizetype>(nf));
            for (quint64 c = 0; c < nf; ++c) {
                row.Originals.append(readTyped(p.Fields[static_cast<qsizetype>(c)], caches[c]));
            }
        }
        p.Rows.append(std::move(row));
    }
    return p;
}

namespace {

template <typename Fn>
auto decodeWhole(const QByteArray& bytes, const TDecodeLimits& limits, Fn fn) {
    if (bytes.isEmpty()) {
        throw EDecodeError(QStringLiteral("Dados inválidos: vazio"));
    }
    TValueReader reader(bytes, limits);
    auto out = fn(reader);
    if (!reader.Cbor().AtEnd()) {
        reader.Fail(QStringLiteral("bytes a mais depois do valor"));
    }
    return out;
}

} // namespace

QVariant DecodeValue(const QByteArray& bytes, const TDecodeLimits& limits) {
    return decodeWhole(bytes, limits, [](TValueReader& r) { return r.Read(); });
}

TDataPacket DecodePacket(const QByteArray& bytes, const TDecodeLimits& limits) {
    return decodeWhole(bytes, limits, [](TValueReader& r) { return r.ReadPacket(); });
}

} // namespace pla
