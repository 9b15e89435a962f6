#include "menu_grid_model.h"

#include "core/dates.h"

#include <QApplication>
#include <QPalette>

namespace pla::module {

TGridPalette TGridPalette::FromApplication() {
    const QPalette p = QApplication::palette();
    return {p.color(QPalette::ToolTipBase), p.color(QPalette::ToolTipText),
            p.color(QPalette::Button),      p.color(QPalette::ButtonText),
            p.color(QPalette::Highlight),   p.color(QPalette::HighlightedText)};
}

TMenuGridModel::TMenuGridModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void TMenuGridModel::SetPivot(const TMenuPivot& pivot) {
    beginResetModel();
    pivot_ = pivot;
    drawn_.clear();
    endResetModel();
}

void TMenuGridModel::Refresh() {
    drawn_.clear();
    if (rowCount() > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    emit headerDataChanged(Qt::Vertical, 0, std::max(0, rowCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}

QString TMenuGridModel::DayCaption(const QDate& day) {
    return FormatDateTime(QStringLiteral("dd ddd"), day);
}

int TMenuGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : pivot_.RowCount();
}

int TMenuGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : pivot_.ColumnCount();
}

const TDrawCell& TMenuGridModel::drawn(const TPivotCell& cell, quint64 key) const {
    auto it = drawn_.find(key);
    if (it != drawn_.end()) {
        return it.value();
    }
    TDrawCell draw;
    switch (cell.Kind) {
    case TCellKind::DayHeader:
        draw.Text = DayCaption(cell.Day);
        break;
    case TCellKind::TypeHeader:
    case TCellKind::TotalCaption:
        draw.Text = cell.Type;
        break;
    default:
        break;
    }
    if (draw_) {
        try {
            draw_(cell, draw);
        } catch (const std::exception&) {
            // Painting cannot stop for a message: the cell keeps its plain caption.
        }
    }
    return drawn_.insert(key, draw).value();
}

QVariant TMenuGridModel::roleOf(const TDrawCell& draw, int role, bool label) const {
    switch (role) {
    case Qt::DisplayRole:
        return draw.Text;
    case Qt::ToolTipRole:
        return draw.Hint.isEmpty() ? draw.Text : draw.Hint;
    case Qt::BackgroundRole:
        return draw.Background.isValid() ? draw.Background : label ? palette_.Label : palette_.Data;
    case Qt::ForegroundRole:
        return draw.FontColor.isValid() ? draw.FontColor
               : label                  ? palette_.LabelText
                                        : palette_.DataText;
    case Qt::FontRole:
        if (draw.Bold) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    default:
        return {};
    }
}

namespace {

bool drawnRole(int role) {
    return role == Qt::DisplayRole || role == Qt::BackgroundRole || role == Qt::ForegroundRole ||
           role == Qt::FontRole || role == Qt::ToolTipRole;
}

// Cells, row headers (with the day and type parts of view 0) and column headers each
// have their own keys.
quint64 cellKey(int kind, int a, int b) {
    return (quint64(kind) << 56) | (quint64(quint32(a)) << 28) | quint64(quint32(b) & 0xFFFFFFF);
}

} // namespace

QVariant TMenuGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !drawnRole(role)) {
        return {};
    }
    return roleOf(
        drawn(pivot_.Cell(index.row(), index.column()), cellKey(0, index.row(), index.column())),
        role, false);
}

QVariant TMenuGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!drawnRole(role)) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        if (pivot_.View() == 0) {
            return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
        }
        return roleOf(drawn(pivot_.ColumnHeader(section), cellKey(2, section, 0)), role, true);
    }
    const TPivotCell header = pivot_.RowHeader(section);
    if (pivot_.View() != 0) {
        return roleOf(drawn(header, cellKey(1, section, 0)), role, true);
    }
    // Day and type in one header: the day only on the first row of its day, whose
    // colours the header then takes.
    const int n = static_cast<int>(pivot_.Types().size());
    TPivotCell day;
    day.Kind = TCellKind::DayHeader;
    day.Day = header.Day;
    const TDrawCell& type = drawn(header, cellKey(1, section, 0));
    if (section % n != 0) {
        return role == Qt::DisplayRole ? QVariant(QString(13, QLatin1Char(' ')) + type.Text)
                                       : roleOf(type, role, true);
    }
    const TDrawCell& dayDrawn = drawn(day, cellKey(3, section, 0));
    if (role == Qt::DisplayRole) {
        return dayDrawn.Text.leftJustified(12) + QLatin1Char(' ') + type.Text;
    }
    return roleOf(dayDrawn, role, true);
}

} // namespace pla::module
