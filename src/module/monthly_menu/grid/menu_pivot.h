#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace pla::module {

// What a cell of the monthly grid is, as the screen's draw handler needs to know it.
enum class TCellKind {
    Data,         // a dish position of a day
    Total,        // the day's total (its estimated diners)
    DayHeader,    // a member of "Dia"
    TypeHeader,   // a member of "Tipo de Prato"
    TotalCaption, // the member of "Tipo de Prato" that heads the day's total
};

struct TPivotCell {
    TCellKind Kind = TCellKind::Data;
    QDate Day;    // of data, total and day-header cells
    QString Type; // the dish-type label of data and type-header cells; the total caption
};

// The month as a pivot of days against dish-type labels, with one more type member,
// the day's total, last. Only days and types that have source rows are shown (sparse
// rows and columns). Three arrangements (views):
//   0: days and types both down the rows (day outermost), one column of values;
//   1: types down the rows, days across;
//   2: days down the rows, types across (the default).
// Headers are the model's row and column headers; cells are the rest.
class TMenuPivot {
public:
    // The source rows' days and labels, in any order and with repeats.
    void SetData(const QList<QDate>& days, const QStringList& types, const QString& totalCaption);
    void SetView(int view);
    int View() const { return view_; }

    const QList<QDate>& Days() const { return days_; }
    const QStringList& Types() const { return types_; } // the total caption last

    int RowCount() const;
    int ColumnCount() const;
    TPivotCell Cell(int row, int column) const;
    // The header of a row (its day, or its type; view 0: both, the day on the first
    // row of its day only) and of a column.
    TPivotCell RowHeader(int row) const;
    TPivotCell ColumnHeader(int column) const;
    // The row and column of a day's type cell; -1, -1 when the pivot lacks it.
    std::pair<int, int> Position(const QDate& day, const QString& type) const;

private:
    TPivotCell typeCell(int index) const;
    TPivotCell dayCell(int index) const;

    QList<QDate> days_;
    QStringList types_;
    QString total_;
    int view_ = 2;
};

} // namespace pla::module
