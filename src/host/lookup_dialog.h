#pragma once

#include "core/mem_table.h"

#include <QDialog>

class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace pla::host {

// The host's lookup: the rows of a table in a searchable, sortable list under a
// title. Typing filters on every shown column; clicking a heading sorts; Enter or a
// double click chooses. With marking on, each row has a check box and every marked
// row is chosen.
class TLookupDialog : public QDialog {
    Q_OBJECT

public:
    TLookupDialog(TMemTable& table, const QString& title, bool marking, QWidget* parent = nullptr);
    ~TLookupDialog() override;

    QLineEdit* SearchEdit() const { return search_; }
    QTableView* View() const { return view_; }
    // The table's shown row of the list's current row, or -1.
    int CurrentTableRow() const;
    // Marks or unmarks the table's shown row (marking lookups).
    void SetMarked(int tableRow, bool marked);
    QList<int> MarkedTableRows() const;

private:
    class TMarkingModel;
    TMemTable& table_;
    QLineEdit* search_ = nullptr;
    QTableView* view_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    TMarkingModel* model_ = nullptr;
};

// Pesquisar: shows the lookup over a table; when the planner chooses a row, the
// table's cursor is on it and the answer is true. An empty table shows the empty
// text instead, and the answer is false.
bool Pesquisar(TMemTable& table, const QString& title, const QString& emptyText);

// PesquisaLista: the same with marking; the chosen rows' values of `field`, joined by
// ";" in `result` (the answer is false when nothing was chosen). `confirmed`, when
// given, tells a list the planner confirmed with no row marked from one cancelled.
bool PesquisaLista(TMemTable& table, const QString& title, const QString& field,
                   const QString& emptyText, QString& result, bool* confirmed = nullptr);

} // namespace pla::host
