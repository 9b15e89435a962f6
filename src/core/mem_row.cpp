#include "mem_row.h"

#include "errors.h"
#include "mem_table.h"

namespace pla {

namespace {

const TMemField& fieldOf(const TMemTable& table, const QString& name) {
    return table.FieldByName(name);
}

} // namespace

QVariant TMemRow::Value(const QString& field) const {
    const TMemField& f = fieldOf(table_, field);
    if (f.IsCalculated()) {
        if (!calc_) {
            return {};
        }
        return calc_->value(table_.StoreIndex(f));
    }
    return values_.value(table_.StoreIndex(f));
}

bool TMemRow::IsNull(const QString& field) const {
    return IsNullValue(Value(field));
}
QString TMemRow::AsString(const QString& field) const {
    return ValueAsString(Value(field));
}
double TMemRow::AsFloat(const QString& field) const {
    return ValueAsFloat(Value(field));
}
qint64 TMemRow::AsInteger(const QString& field) const {
    return ValueAsInteger(Value(field));
}
QDateTime TMemRow::AsDateTime(const QString& field) const {
    return ValueAsDateTime(Value(field));
}
bool TMemRow::AsBoolean(const QString& field) const {
    return ValueAsBoolean(Value(field));
}

void TCalcRow::SetValue(const QString& field, const QVariant& value) {
    const TMemField& f = fieldOf(table_, field);
    if (!f.IsCalculated()) {
        throw EDataSetError(
            QStringLiteral("O campo %1 de %2 não é calculado e não pode ser alterado no cálculo")
                .arg(f.FieldName(), table_.Name()));
    }
    out_[table_.StoreIndex(f)] = ToFieldValue(f.Def(), value);
}

} // namespace pla
