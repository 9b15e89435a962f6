#include "data_source_model.h"

#include "errors.h"
#include "mem_table.h"

namespace pla {

TDataSourceModel::TDataSourceModel(TMemTable* table, QObject* parent)
    : QAbstractTableModel(parent) {
    SetDataSet(table);
}

void TDataSourceModel::SetDataSet(TMemTable* table) {
    beginResetModel();
    if (table_) {
        disconnect(table_, nullptr, this, nullptr);
    }
    table_ = table;
    if (table_) {
        connect(table_, &TMemTable::rowsReset, this, &TDataSourceModel::onReset);
        connect(table_, &TMemTable::rowChanged, this, &TDataSourceModel::onRowChanged);
        connect(table_, &QObject::destroyed, this, [this] { SetDataSet(nullptr); });
    }
    rebuildColumns();
    endResetModel();
}

void TDataSourceModel::rebuildColumns() {
    columns_.clear();
    if (!table_) {
        return;
    }
    for (int i = 0; i < table_->FieldCount(); ++i) {
        if (table_->Fields(i).Visible()) {
            columns_.append(i);
        }
    }
}

void TDataSourceModel::onReset() {
    beginResetModel();
    rebuildColumns();
    endResetModel();
}

void TDataSourceModel::onRowChanged(int row) {
    if (row < 0 || row >= rowCount() || columns_.isEmpty()) {
        return;
    }
    emit dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
}

int TDataSourceModel::FieldIndexAt(int column) const {
    return column >= 0 && column < columns_.size() ? columns_[column] : -1;
}

QString TDataSourceModel::FieldNameAt(int column) const {
    const int f = FieldIndexAt(column);
    return f < 0 || !table_ ? QString() : table_->Fields(f).FieldName();
}

int TDataSourceModel::ColumnOf(const QString& fieldName) const {
    for (int c = 0; c < columns_.size(); ++c) {
        if (FieldNameAt(c) == fieldName) {
            return c;
        }
    }
    return -1;
}

int TDataSourceModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !table_) {
        return 0;
    }
    return table_->ViewRowCount();
}

int TDataSourceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : static_cast<int>(columns_.size());
}

QVariant TDataSourceModel::data(const QModelIndex& index, int role) const {
    if (!table_ || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int fi = FieldIndexAt(index.column());
    if (fi < 0) {
        return {};
    }
    const TMemField& f = table_->Fields(fi);
    try {
        switch (role) {
        case Qt::DisplayRole:
            return TMemField::FormatValue(table_->ViewValue(index.row(), fi), f.DataType(),
                                          f.DisplayFormat());
        case Qt::EditRole:
            return table_->ViewValue(index.row(), fi);
        case Qt::TextAlignmentRole:
            return IsNumericType(f.DataType()) ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                               : QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
        default:
            return {};
        }
    } catch (const std::exception&) {
        // A calculated field that fails shows empty rather than taking the view down.
        return {};
    }
}

QVariant TDataSourceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !table_) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    const int fi = FieldIndexAt(section);
    return fi < 0 ? QVariant() : QVariant(table_->Fields(fi).DisplayLabel());
}

Qt::ItemFlags TDataSourceModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    const int fi = FieldIndexAt(index.column());
    if (table_ && fi >= 0 && !readOnly_ && !table_->Fields(fi).IsCalculated()) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool TDataSourceModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !table_ || readOnly_ || !index.isValid()) {
        return false;
    }
    const int fi = FieldIndexAt(index.column());
    if (fi < 0 || table_->Fields(fi).IsCalculated()) {
        return false;
    }
    const bool startedEdit = !table_->IsEditing();
    try {
        table_->MoveToViewRow(index.row());
        if (!table_->IsEditing()) {
            table_->Edit();
        }
        table_->Fields(fi).SetValue(value);
        if (startedEdit && table_->State() == TDataSetState::Edit) {
            table_->Post();
        }
        lastError_.clear();
        return true;
    } catch (const EAbort&) {
        if (startedEdit && table_->IsEditing()) {
            table_->Cancel();
        }
        return false;
    } catch (const EPlaError& e) {
        lastError_ = e.message();
    } catch (const std::exception& e) {
        lastError_ = QString::fromUtf8(e.what());
    }
    if (startedEdit && table_->State() == TDataSetState::Edit) {
        table_->Cancel();
    }
    emit editFailed(lastError_);
    return false;
}

} // namespace pla
