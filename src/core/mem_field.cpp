#include "mem_field.h"

#include "dates.h"
#include "format_float.h"
#include "mem_table.h"
#include "numbers.h"

namespace pla {

TMemField::TMemField(TMemTable& table, const TFieldDef& def, TFieldKind kind, bool persistent)
    : table_(table)
    , def_(def)
    , kind_(kind)
    , persistent_(persistent) {}

QVariant TMemField::Value() const {
    return table_.CurrentValue(*this);
}

void TMemField::SetValue(const QVariant& value) {
    table_.SetCurrentValue(*this, value);
}

bool TMemField::IsNull() const {
    return IsNullValue(Value());
}

QString TMemField::AsString() const {
    return ValueAsString(Value());
}
void TMemField::SetAsString(const QString& value) {
    SetValue(value);
}
double TMemField::AsFloat() const {
    return ValueAsFloat(Value());
}
void TMemField::SetAsFloat(double value) {
    SetValue(value);
}
qint64 TMemField::AsInteger() const {
    return ValueAsInteger(Value());
}
void TMemField::SetAsInteger(qint64 value) {
    SetValue(static_cast<qlonglong>(value));
}
QDateTime TMemField::AsDateTime() const {
    return ValueAsDateTime(Value());
}
void TMemField::SetAsDateTime(const QDateTime& value) {
    SetValue(value);
}
bool TMemField::AsBoolean() const {
    return ValueAsBoolean(Value());
}
void TMemField::SetAsBoolean(bool value) {
    SetValue(value);
}

QVariant TMemField::OldValue() const {
    return table_.CurrentOldValue(*this);
}

QString TMemField::DisplayText() const {
    return FormatValue(Value(), def_.Type, format_);
}

QString TMemField::FormatValue(const QVariant& value, TFieldType type, const QString& format) {
    if (IsNullValue(value)) {
        return {};
    }
    if (!format.isEmpty()) {
        if (IsNumericType(type)) {
            return FormatFloat(format, value.toDouble());
        }
        if (type == TFieldType::DateTime) {
            return FormatDateTime(format, value.toDateTime());
        }
    }
    return ValueAsString(value);
}

} // namespace pla
