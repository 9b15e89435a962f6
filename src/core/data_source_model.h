#pragma once

#include <QAbstractTableModel>
#include <QPointer>

namespace pla {

class TMemTable;

// Shows an in-memory table in a view (what the screens call a data source): one
// column per visible field with its label, values formatted with the field's
// display format, the inserting row included, following every change of the table.
// Editing a cell edits the table's row and posts it.
class TDataSourceModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TDataSourceModel(TMemTable* table = nullptr, QObject* parent = nullptr);

    void SetDataSet(TMemTable* table);
    TMemTable* DataSet() const { return table_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool ReadOnly() const { return readOnly_; }
    // The table's field index shown in a column; -1 when none.
    int FieldIndexAt(int column) const;
    // The name of the field shown in a column ("" when none), and the column showing a
    // field (-1 when hidden).
    QString FieldNameAt(int column) const;
    int ColumnOf(const QString& fieldName) const;
    const QString& LastError() const { return lastError_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // An edit through the view was refused; the text says why.
    void editFailed(const QString& message);

private:
    void rebuildColumns();
    void onReset();
    void onRowChanged(int row);

    QPointer<TMemTable> table_;
    QList<int> columns_; // visible fields, by table field index
    bool readOnly_ = false;
    QString lastError_;
};

} // namespace pla
