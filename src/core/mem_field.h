#pragma once

#include "field_type.h"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

namespace pla {

class TMemTable;

enum class TFieldKind : quint8 { Data, Calculated };

// A field of an in-memory table: its definition, how it is shown, and typed access
// to its value in the table's current row (the edit buffer while editing).
class TMemField {
public:
    TMemField(TMemTable& table, const TFieldDef& def, TFieldKind kind, bool persistent);

    const QString& FieldName() const { return def_.Name; }
    const TFieldDef& Def() const { return def_; }
    TFieldType DataType() const { return def_.Type; }
    int Size() const { return def_.Size; }
    bool Required() const { return def_.Required; }
    TFieldKind Kind() const { return kind_; }
    bool IsCalculated() const { return kind_ == TFieldKind::Calculated; }
    int Index() const { return index_; } // position among the table's fields
    TMemTable& DataSet() const { return table_; }

    QString DisplayLabel() const { return label_.isEmpty() ? def_.Name : label_; }
    void SetDisplayLabel(const QString& label) { label_ = label; }
    // A FormatFloat mask for numbers, a FormatDateTime pattern for dates.
    const QString& DisplayFormat() const { return format_; }
    void SetDisplayFormat(const QString& format) { format_ = format; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    void SetRequired(bool required) { def_.Required = required; }

    QVariant Value() const;
    void SetValue(const QVariant& value);
    bool IsNull() const;
    void Clear() { SetValue(QVariant()); }

    QString AsString() const;
    void SetAsString(const QString& value);
    double AsFloat() const;
    void SetAsFloat(double value);
    qint64 AsInteger() const;
    void SetAsInteger(qint64 value);
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime& value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);

    // During an edit: the value the row had when the edit began, and the value now.
    QVariant OldValue() const;
    QVariant NewValue() const { return Value(); }

    // The value as shown: formatted with DisplayFormat, or its plain text.
    QString DisplayText() const;
    static QString FormatValue(const QVariant& value, TFieldType type, const QString& format);

    // Called after the field's value changed in the edit buffer.
    std::function<void(TMemField&)> OnChange;

private:
    friend class TMemTable;
    TMemTable& table_;
    TFieldDef def_;
    TFieldKind kind_;
    bool persistent_; // declared by the screen, not taken from the last packet
    int index_ = -1;
    int storeIndex_ = -1; // into the record's data or calculated values
    QString label_;
    QString format_;
    bool visible_ = true;
};

} // namespace pla
