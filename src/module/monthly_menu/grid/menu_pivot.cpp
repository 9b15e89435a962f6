#include "menu_pivot.h"

#include <algorithm>

namespace pla::module {

void TMenuPivot::SetData(const QList<QDate>& days, const QStringList& types,
                         const QString& totalCaption) {
    days_ = days;
    std::sort(days_.begin(), days_.end());
    days_.erase(std::unique(days_.begin(), days_.end()), days_.end());
    types_ = types;
    types_.sort();
    types_.removeDuplicates();
    types_.removeAll(totalCaption);
    total_ = totalCaption;
    types_.append(totalCaption);
}

void TMenuPivot::SetView(int view) {
    view_ = std::clamp(view, 0, 2);
}

int TMenuPivot::RowCount() const {
    switch (view_) {
    case 0:
        return static_cast<int>(days_.size() * types_.size());
    case 1:
        return static_cast<int>(types_.size());
    default:
        return static_cast<int>(days_.size());
    }
}

int TMenuPivot::ColumnCount() const {
    switch (view_) {
    case 0:
        return days_.isEmpty() ? 0 : 1;
    case 1:
        return static_cast<int>(days_.size());
    default:
        return static_cast<int>(types_.size());
    }
}

TPivotCell TMenuPivot::typeCell(int index) const {
    TPivotCell c;
    c.Type = types_.value(index);
    c.Kind = index == types_.size() - 1 ? TCellKind::TotalCaption : TCellKind::TypeHeader;
    return c;
}

TPivotCell TMenuPivot::dayCell(int index) const {
    TPivotCell c;
    c.Kind = TCellKind::DayHeader;
    c.Day = days_.value(index);
    return c;
}

TPivotCell TMenuPivot::RowHeader(int row) const {
    switch (view_) {
    case 0: {
        const int n = static_cast<int>(types_.size());
        TPivotCell c = typeCell(row % n);
        c.Day = days_.value(row / n);
        return c;
    }
    case 1:
        return typeCell(row);
    default:
        return dayCell(row);
    }
}

TPivotCell TMenuPivot::ColumnHeader(int column) const {
    switch (view_) {
    case 0:
        return {};
    case 1:
        return dayCell(column);
    default:
        return typeCell(column);
    }
}

TPivotCell TMenuPivot::Cell(int row, int column) const {
    TPivotCell c;
    if (view_ == 0) {
        const int n = static_cast<int>(types_.size());
        c.Day = days_.value(row / n);
        c.Type = types_.value(row % n);
    } else if (view_ == 1) {
        c.Day = days_.value(column);
        c.Type = types_.value(row);
    } else {
        c.Day = days_.value(row);
        c.Type = types_.value(column);
    }
    c.Kind = c.Type == total_ ? TCellKind::Total : TCellKind::Data;
    return c;
}

std::pair<int, int> TMenuPivot::Position(const QDate& day, const QString& type) const {
    const int d = static_cast<int>(days_.indexOf(day));
    const int t = static_cast<int>(types_.indexOf(type));
    if (d < 0 || t < 0) {
        return {-1, -1};
    }
    switch (view_) {
    case 0:
        return {d * static_cast<int>(types_.size()) + t, 0};
    case 1:
        return {t, d};
    default:
        return {d, t};
    }
}

} // namespace pla::module
