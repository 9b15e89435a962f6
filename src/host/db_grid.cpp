#include "db_grid.h"

#include "core/errors.h"

#include <QHeaderView>

namespace pla::host {

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent)
    , model_(new TDataSourceModel(nullptr, this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    connect(model_, &TDataSourceModel::editFailed, this, &TDBGrid::gridError);
    // After a reset the view forgets its current row: put it back on the cursor.
    connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::followCursor);
}

void TDBGrid::SetDataSet(TMemTable* table) {
    if (DataSet()) {
        disconnect(DataSet(), nullptr, this, nullptr);
    }
    model_->SetDataSet(table);
    if (table) {
        connect(table, &TMemTable::currentChanged, this, &TDBGrid::followCursor);
    }
    followCursor();
}

void TDBGrid::SetReadOnly(bool readOnly) {
    model_->SetReadOnly(readOnly);
    setEditTriggers(readOnly
                        ? QAbstractItemView::NoEditTriggers
                        : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
}

void TDBGrid::followCursor() {
    TMemTable* t = DataSet();
    if (!t || !t->Active() || syncing_) {
        return;
    }
    const int row = t->ViewCurrentRow();
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    syncing_ = true;
    setCurrentIndex(model_->index(row, std::max(0, col)));
    syncing_ = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    TMemTable* t = DataSet();
    if (syncing_ || !t || !t->Active() || !current.isValid() ||
        current.row() == t->ViewCurrentRow()) {
        return;
    }
    syncing_ = true;
    try {
        t->MoveToViewRow(current.row());
    } catch (const EPlaError& e) {
        syncing_ = false;
        emit gridError(e.message());
        followCursor();
        return;
    }
    syncing_ = false;
}

} // namespace pla::host
