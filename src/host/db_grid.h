#pragma once

#include "core/data_source_model.h"
#include "core/mem_table.h"

#include <QTableView>

namespace pla::host {

// A grid over a table (the screens' "dbg" grids): it shows the table through its
// data source, keeps its current row on the table's cursor, and moves the cursor
// when the planner moves in the grid (posting a pending edit, as moving does).
class TDBGrid : public QTableView {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);

    void SetDataSet(TMemTable* table);
    TMemTable* DataSet() const { return model_->DataSet(); }
    TDataSourceModel* DataSource() const { return model_; }
    void SetReadOnly(bool readOnly);

signals:
    // A refused move or edit: the text says why (the screen shows it).
    void gridError(const QString& message);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followCursor();

    TDataSourceModel* model_ = nullptr;
    bool syncing_ = false;
};

} // namespace pla::host
