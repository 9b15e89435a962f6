#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

namespace pla {

enum class TFieldType : quint8 {
    String,      // text of at most Size characters (Size 0: unbounded)
    FixedString, // text of exactly Size characters, padded with blanks on the right
    Integer,     // 64-bit
    Float,       // double
    Boolean,
    DateTime, // wall-clock date-time (see dates.h)
    Bytes,
};

// The type's name on the wire ("string", "fixedstring", "integer", ...).
QString FieldTypeName(TFieldType type);
std::optional<TFieldType> FieldTypeFromName(const QString& name);
bool IsTextType(TFieldType type);
bool IsNumericType(TFieldType type);

struct TFieldDef {
    QString Name;
    TFieldType Type = TFieldType::String;
    int Size = 0;
    bool Required = false;

    friend bool operator==(const TFieldDef&, const TFieldDef&) = default;
};

// Values are QVariant; null is the invalid QVariant. A field value is canonical
// when it is null or of the field type's one representation: QString, qlonglong,
// double, bool, QDateTime in Qt::UTC (wall clock) or QByteArray.
bool IsNullValue(const QVariant& value);
// Whether a value's type is one of the integer types, or a floating-point one.
bool IsIntegralType(int typeId);
bool IsFloatType(int typeId);

// Whether a value is already in the field's canonical form (null is the invalid
// QVariant only), so that it can be taken without converting.
bool IsCanonicalValue(const TFieldDef& def, const QVariant& value);

// Converts any value to the canonical form of the field, checking text sizes;
// raises EConvertError (a text that is no number or date) or EDataSetError (too
// long a text) with a message naming the field.
QVariant ToFieldValue(const TFieldDef& def, const QVariant& value);

// Typed reads of a canonical value; null reads as "", 0, false or an invalid date.
QString ValueAsString(const QVariant& value);
double ValueAsFloat(const QVariant& value);
qint64 ValueAsInteger(const QVariant& value);
QDateTime ValueAsDateTime(const QVariant& value);
bool ValueAsBoolean(const QVariant& value);

// Orders two canonical values of one type; null sorts first.
int CompareValues(const QVariant& a, const QVariant& b, bool caseInsensitive = false);
inline bool SameValue(const QVariant& a, const QVariant& b) {
    return CompareValues(a, b) == 0;
}

} // namespace pla
