#include "menu_grid_model.h"

#include "core/dates.h"

namespace pla::module {

TMenuGridModel::TMenuGridModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void TMenuGridModel::SetPivot(const TMenuPivot& pivot) {
    beginResetModel();
    pivot_ = pivot;
    endResetModel();
}

void TMenuGridModel::Refresh() {
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

QVariant TMenuGridModel::roleOf(const TPivotCell& cell, int role) const {
    if (role != Qt::DisplayRole && role != Qt::BackgroundRole && role != Qt::ForegroundRole &&
        role != Qt::FontRole && role != Qt::ToolTipRole) {
        return {};
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
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return draw.Text;
    case Qt::BackgroundRole:
        return draw.Background.isValid() ? QVariant(draw.Background) : QVariant();
    case Qt::ForegroundRole:
        return draw.FontColor.isValid() ? QVariant(draw.FontColor) : QVariant();
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

QVariant TMenuGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    return roleOf(pivot_.Cell(index.row(), index.column()), role);
}

QVariant TMenuGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (pivot_.View() == 0) {
            // Day and type in one header: the day only on the first row of its day.
            const TPivotCell type = pivot_.RowHeader(section);
            const int n = static_cast<int>(pivot_.Types().size());
            TPivotCell day;
            day.Kind = TCellKind::DayHeader;
            day.Day = type.Day;
            if (role == Qt::DisplayRole) {
                const QString d = section % n == 0 ? roleOf(day, role).toString() : QString();
                return d.leftJustified(12) + QLatin1Char(' ') + roleOf(type, role).toString();
            }
            return roleOf(section % n == 0 ? day : type, role);
        }
        return roleOf(pivot_.RowHeader(section), role);
    }
    if (pivot_.View() == 0) {
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    }
    return roleOf(pivot_.ColumnHeader(section), role);
}

} // namespace pla::module
