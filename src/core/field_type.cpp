#include "field_type.h"

#include "dates.h"
#include "errors.h"
#include "numbers.h"

#include <cmath>
#include <limits>

namespace pla {

QString FieldTypeName(TFieldType type) {
    switch (type) {
    case TFieldType::String:
        return QStringLiteral("string");
    case TFieldType::FixedString:
        return QStringLiteral("fixedstring");
    case TFieldType::Integer:
        return QStringLiteral("integer");
    case TFieldType::Float:
        return QStringLiteral("float");
    case TFieldType::Boolean:
        return QStringLiteral("boolean");
    case TFieldType::DateTime:
        return QStringLiteral("datetime");
    case TFieldType::Bytes:
        return QStringLiteral("bytes");
    }
    return {};
}

std::optional<TFieldType> FieldTypeFromName(const QString& name) {
    for (auto t :
         {TFieldType::String, TFieldType::FixedString, TFieldType::Integer, TFieldType::Float,
          TFieldType::Boolean, TFieldType::DateTime, TFieldType::Bytes}) {
        if (FieldTypeName(t) == name) {
            return t;
        }
    }
    return std::nullopt;
}

bool IsTextType(TFieldType type) {
    return type == TFieldType::String || type == TFieldType::FixedString;
}

bool IsNumericType(TFieldType type) {
    return type == TFieldType::Integer || type == TFieldType::Float;
}

bool IsNullValue(const QVariant& value) {
    return !value.isValid() || value.typeId() == QMetaType::Nullptr;
}

bool IsIntegralType(int id) {
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsFloatType(int id) {
    return id == QMetaType::Double || id == QMetaType::Float;
}

namespace {

[[noreturn]] void badValue(const TFieldDef& def, const QVariant& value, const char* what) {
    throw EConvertError(QStringLiteral("'%1' não é %2 para o campo %3")
                            .arg(value.toString(), QString::fromUtf8(what), def.Name));
}

QVariant toText(const TFieldDef& def, const QVariant& value) {
    QString s;
    const int id = value.typeId();
    if (id == QMetaType::QString) {
        s = value.toString();
    } else if (id == QMetaType::QDateTime || id == QMetaType::QDate) {
        s = ValueAsString(ToFieldValue({def.Name, TFieldType::DateTime, 0, false}, value));
    } else if (IsFloatType(id)) {
        s = FloatToStr(value.toDouble());
    } else if (id == QMetaType::QByteArray) {
        s = QString::fromUtf8(value.toByteArray());
    } else if (value.canConvert<QString>()) {
        s = value.toString();
    } else {
        badValue(def, value, "um texto válido");
    }
    if (def.Type == TFieldType::FixedString) {
        // Trailing blanks are padding, so a padded value of full width also fits.
        while (s.size() > def.Size && s.endsWith(QLatin1Char(' '))) {
            s.chop(1);
        }
    }
    if (def.Size > 0 && s.size() > def.Size) {
        throw EDataSetError(QStringLiteral("O texto \"%1\" excede o tamanho do campo %2 (%3 "
                                           "caracteres)")
                                .arg(s, def.Name)
                                .arg(def.Size));
    }
    if (def.Type == TFieldType::FixedString && s.size() < def.Size) {
        s = s.leftJustified(def.Size, QLatin1Char(' '));
    }
    return s;
}

QVariant toInteger(const TFieldDef& def, const QVariant& value) {
    const int id = value.typeId();
    if (id == QMetaType::ULongLong || id == QMetaType::ULong) {
        const auto u = value.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            badValue(def, value, "um valor inteiro válido");
        }
        return static_cast<qlonglong>(u);
    }
    if (IsIntegralType(id)) {
        return value.toLongLong();
    }
    if (IsFloatType(id)) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.2e18) {
            badValue(def, value, "um valor inteiro válido");
        }
        return static_cast<qlonglong>(d);
    }
    if (id == QMetaType::QString) {
        bool ok = false;
        const qlonglong v = value.toString().trimmed().toLongLong(&ok);
        if (!ok) {
            throw EConvertError(
                QStringLiteral("'%1' não é um valor inteiro válido").arg(value.toString()));
        }
        return v;
    }
    badValue(def, value, "um valor inteiro válido");
}

QVariant toFloat(const TFieldDef& def, const QVariant& value) {
    const int id = value.typeId();
    double d = 0;
    if (IsFloatType(id) || IsIntegralType(id)) {
        d = value.toDouble();
    } else if (id == QMetaType::QString) {
        d = StrToFloat(value.toString());
    } else {
        badValue(def, value, "um valor numérico válido");
    }
    if (!std::isfinite(d)) {
        badValue(def, value, "um valor numérico válido");
    }
    return d;
}

QVariant toBoolean(const TFieldDef& def, const QVariant& value) {
    const int id = value.typeId();
    if (id == QMetaType::Bool) {
        return value.toBool();
    }
    if (IsIntegralType(id)) {
        return value.toLongLong() != 0;
    }
    if (id == QMetaType::QString) {
        const QString s = value.toString().trimmed().toUpper();
        if (s == QLatin1String("S") || s == QLatin1String("TRUE") || s == QLatin1String("T") ||
            s == QLatin1String("1")) {
            return true;
        }
        if (s == QLatin1String("N") || s == QLatin1String("FALSE") || s == QLatin1String("F") ||
            s == QLatin1String("0")) {
            return false;
        }
    }
    badValue(def, value, "um valor lógico válido");
}

QVariant toDateTime(const TFieldDef& def, const QVariant& value) {
    const int id = value.typeId();
    if (id == QMetaType::QDateTime) {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid()) {
            return {};
        }
        return NormalizaDataHora(dt);
    }
    if (id == QMetaType::QDate) {
        const QDate d = value.toDate();
        return d.isValid() ? QVariant(DataHora(d)) : QVariant();
    }
    if (id == QMetaType::QString) {
        if (value.toString().trimmed().isEmpty()) {
            return {};
        }
        return StrToDateTime(value.toString());
    }
    badValue(def, value, "uma data válida");
}

} // namespace

bool IsCanonicalValue(const TFieldDef& f, const QVariant& v) {
    if (!v.isValid()) {
        return true;
    }
    switch (f.Type) {
    case TFieldType::String:
        return v.typeId() == QMetaType::QString &&
               (f.Size == 0 || static_cast<const QString*>(v.constData())->size() <= f.Size);
    case TFieldType::FixedString:
        return v.typeId() == QMetaType::QString &&
               static_cast<const QString*>(v.constData())->size() == f.Size;
    case TFieldType::Integer:
        return v.typeId() == QMetaType::LongLong;
    case TFieldType::Float:
        return v.typeId() == QMetaType::Double;
    case TFieldType::Boolean:
        return v.typeId() == QMetaType::Bool;
    case TFieldType::DateTime:
        return v.typeId() == QMetaType::QDateTime &&
               static_cast<const QDateTime*>(v.constData())->timeSpec() == Qt::UTC;
    case TFieldType::Bytes:
        return v.typeId() == QMetaType::QByteArray;
    }
    return false;
}

QVariant ToFieldValue(const TFieldDef& def, const QVariant& value) {
    if (IsNullValue(value)) {
        return {};
    }
    switch (def.Type) {
    case TFieldType::String:
    case TFieldType::FixedString:
        return toText(def, value);
    case TFieldType::Integer:
        return toInteger(def, value);
    case TFieldType::Float:
        return toFloat(def, value);
    case TFieldType::Boolean:
        return toBoolean(def, value);
    case TFieldType::DateTime:
        return toDateTime(def, value);
    case TFieldType::Bytes:
        if (value.typeId() == QMetaType::QByteArray) {
            return value;
        }
        if (value.typeId() == QMetaType::QString) {
            return value.toString().toUtf8();
        }
        badValue(def, value, "um valor binário válido");
    }
    return {};
}

QString ValueAsString(const QVariant& value) {
    if (IsNullValue(value)) {
        return {};
    }
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return FloatToStr(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? FormatDateTime(QStringLiteral("ddddd"), dt)
                                        : FormatDateTime(QStringLiteral("ddddd hh:nn:ss"), dt);
    }
    case QMetaType::QDate:
        return FormatDateTime(QStringLiteral("ddddd"), value.toDate());
    default:
        return value.toString();
    }
}

double ValueAsFloat(const QVariant& value) {
    if (IsNullValue(value)) {
        return 0.0;
    }
    if (value.typeId() == QMetaType::QString) {
        return StrToFloat(value.toString());
    }
    if (value.typeId() == QMetaType::QDateTime) {
        badValue({QString(), TFieldType::Float, 0, false}, value, "um valor numérico válido");
    }
    return value.toDouble();
}

qint64 ValueAsInteger(const QVariant& value) {
    if (IsNullValue(value)) {
        return 0;
    }
    return ToFieldValue({QString(), TFieldType::Integer, 0, false},
                        IsFloatType(value.typeId()) ? QVariant(std::round(value.toDouble()))
                                                    : value)
        .toLongLong();
}

QDateTime ValueAsDateTime(const QVariant& value) {
    if (IsNullValue(value)) {
        return {};
    }
    return ToFieldValue({QString(), TFieldType::DateTime, 0, false}, value).toDateTime();
}

bool ValueAsBoolean(const QVariant& value) {
    if (IsNullValue(value)) {
        return false;
    }
    return ToFieldValue({QString(), TFieldType::Boolean, 0, false}, value).toBool();
}

namespace {

template <typename T> int cmp(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

int CompareValues(const QVariant& a, const QVariant& b, bool caseInsensitive) {
    const bool an = IsNullValue(a);
    const bool bn = IsNullValue(b);
    if (an || bn) {
        return an == bn ? 0 : (an ? -1 : 1);
    }
    const int ta = a.typeId();
    const int tb = b.typeId();
    if (ta == QMetaType::QString && tb == QMetaType::QString) {
        const int c = QString::compare(*static_cast<const QString*>(a.constData()),
                                       *static_cast<const QString*>(b.constData()),
                                       caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (ta == QMetaType::LongLong && tb == QMetaType::LongLong) {
        return cmp(a.toLongLong(), b.toLongLong());
    }
    if ((IsFloatType(ta) || IsIntegralType(ta)) && (IsFloatType(tb) || IsIntegralType(tb))) {
        if (IsIntegralType(ta) && IsIntegralType(tb)) {
            return cmp(a.toLongLong(), b.toLongLong());
        }
        return cmp(a.toDouble(), b.toDouble());
    }
    if (ta == QMetaType::QDateTime && tb == QMetaType::QDateTime) {
        return cmp(a.toDateTime().toMSecsSinceEpoch(), b.toDateTime().toMSecsSinceEpoch());
    }
    if (ta == QMetaType::Bool && tb == QMetaType::Bool) {
        return cmp(a.toBool(), b.toBool());
    }
    if (ta == QMetaType::QByteArray && tb == QMetaType::QByteArray) {
        return cmp(a.toByteArray(), b.toByteArray());
    }
    // Values of different kinds: order by kind so that sorting stays total.
    return cmp(ta, tb);
}

} // namespace pla
