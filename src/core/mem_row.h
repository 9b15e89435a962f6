#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

namespace pla {

class TMemTable;

// Read access to one row of a table by field name, for filters and calculated
// fields. It sees the data fields of the row and, for calculated-field handlers,
// the calculated values set so far.
class TMemRow {
public:
    TMemRow(const TMemTable& table, const QList<QVariant>& values, const QList<QVariant>* calc)
        : table_(table)
        , values_(values)
        , calc_(calc) {}

    QVariant Value(const QString& field) const;
    bool IsNull(const QString& field) const;
    QString AsString(const QString& field) const;
    double AsFloat(const QString& field) const;
    qint64 AsInteger(const QString& field) const;
    QDateTime AsDateTime(const QString& field) const;
    bool AsBoolean(const QString& field) const;

protected:
    const TMemTable& table_;
    const QList<QVariant>& values_;
    const QList<QVariant>* calc_;
};

// What a calculated-fields handler gets: the row, and the right to set its
// calculated fields (only those).
class TCalcRow : public TMemRow {
public:
    TCalcRow(const TMemTable& table, const QList<QVariant>& values, QList<QVariant>& calc)
        : TMemRow(table, values, &calc)
        , out_(calc) {}
    void SetValue(const QString& field, const QVariant& value);

private:
    QList<QVariant>& out_;
};

} // namespace pla
