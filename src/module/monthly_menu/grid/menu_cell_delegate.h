#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace pla::module {

// Paints the monthly grid's cells: background, selection and one line of text cut to
// the cell's width. Each text is laid out once and kept, so a repaint after a change
// lays out only the cells whose text changed.
class TMenuCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    struct TKey {
        QString Text;
        int Width;
        bool Bold;
        friend bool operator==(const TKey&, const TKey&) = default;
        friend size_t qHash(const TKey& k, size_t seed = 0) {
            return qHashMulti(seed, k.Text, k.Width, k.Bold);
        }
    };
    const QStaticText& laidOut(const QString& text, const QFontMetrics& metrics, int width,
                               bool bold) const;

    mutable QHash<TKey, QStaticText> texts_;
};

} // namespace pla::module
