#pragma once

#include "servicos_exportacao.h"

#include <QPixmap>
#include <QStyledItemDelegate>

namespace pla::module {

// Draws the mark and the situation columns of the export's destinations as pictures
// (checked, unchecked, greyed; ok, warning, error, blocked), centred at the cell's top;
// the other columns as text.
class TServicosDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit TServicosDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The picture of a kind, 16 by 16 (public for the help and the tests).
    static QPixmap Imagem(TImagemServico imagem);
    // The picture a cell shows; Nenhuma for the text columns.
    static TImagemServico ImagemDaCelula(const QModelIndex& index);
};

} // namespace pla::module
