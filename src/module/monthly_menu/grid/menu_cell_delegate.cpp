#include "menu_cell_delegate.h"

#include <QApplication>
#include <QPainter>

namespace pla::module {

namespace {

constexpr int Margin = 3;
constexpr qsizetype MaxTexts = 20000; // a few grids' worth; then laid out anew

} // namespace

const QStaticText& TMenuCellDelegate::laidOut(const QString& text, const QFontMetrics& metrics,
                                              int width, bool bold) const {
    const TKey key{text, width, bold};
    auto it = texts_.constFind(key);
    if (it != texts_.cend()) {
        return *it;
    }
    if (texts_.size() > MaxTexts) {
        texts_.clear();
    }
    QStaticText laid(metrics.elidedText(text, Qt::ElideRight, width));
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    return *texts_.insert(key, laid);
}

void TMenuCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    const QVariant background = index.data(Qt::BackgroundRole);
    if (selected) {
        painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
    } else if (background.isValid()) {
        painter->fillRect(option.rect, background.value<QBrush>());
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        QFont font = option.font;
        const QVariant f = index.data(Qt::FontRole);
        if (f.isValid()) {
            font = f.value<QFont>();
        }
        painter->setFont(font);
        const QVariant fg = index.data(Qt::ForegroundRole);
        painter->setPen(selected       ? option.palette.color(QPalette::HighlightedText)
                        : fg.isValid() ? fg.value<QBrush>().color()
                                       : option.palette.color(QPalette::Text));
        const QFontMetrics metrics(font);
        const int width = option.rect.width() - 2 * Margin;
        const QStaticText& laid = laidOut(text, metrics, width, font.bold());
        const int top = option.rect.top() + (option.rect.height() - metrics.height()) / 2;
        painter->drawStaticText(option.rect.left() + Margin, top, laid);
    }
    if (option.state & QStyle::State_HasFocus) {
        QPen pen(option.palette.color(QPalette::Text));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

} // namespace pla::module
