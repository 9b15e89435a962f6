#include "servicos_delegate.h"

#include "core/data_source_model.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace pla::module {

namespace {

constexpr int Lado = 16;

QString valor(const TDataSourceModel& m, int row, const QString& field) {
    const TMemTable* t = m.DataSet();
    for (int f = 0; t && f < t->FieldCount(); ++f) {
        if (t->Fields(f).FieldName() == field) {
            return t->ViewValue(row, f).toString();
        }
    }
    return {};
}

void caixa(QPainter& p, const QColor& borda, const QColor& fundo) {
    p.setPen(QPen(borda, 1));
    p.setBrush(fundo);
    p.drawRect(QRectF(1.5, 1.5, 12, 12));
}

void visto(QPainter& p, const QColor& cor, double largura) {
    p.setPen(QPen(cor, largura, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(4, 8);
    path.lineTo(6.5, 11);
    path.lineTo(12, 4.5);
    p.drawPath(path);
}

} // namespace

TServicosDelegate::TServicosDelegate(QObject* parent)
    : QStyledItemDelegate(parent) {}

QPixmap TServicosDelegate::Imagem(TImagemServico imagem) {
    QPixmap pix(Lado, Lado);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    switch (imagem) {
    case TImagemServico::Marcado:
        caixa(p, QColor(0x33, 0x33, 0x33), Qt::white);
        visto(p, QColor(0x10, 0x10, 0x10), 2);
        break;
    case TImagemServico::Desmarcado:
        caixa(p, QColor(0x33, 0x33, 0x33), Qt::white);
        break;
    case TImagemServico::MarcadoCinza:
        caixa(p, QColor(0xa0, 0xa0, 0xa0), QColor(0xe4, 0xe4, 0xe4));
        visto(p, QColor(0xa0, 0xa0, 0xa0), 2);
        break;
    case TImagemServico::Ok:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x8b, 0x3a));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        visto(p, Qt::white, 2);
        break;
    case TImagemServico::Alerta: {
        QPainterPath tri;
        tri.moveTo(8, 1);
        tri.lineTo(15, 14.5);
        tri.lineTo(1, 14.5);
        tri.closeSubpath();
        p.setPen(QPen(QColor(0x9a, 0x6b, 0x00), 1));
        p.setBrush(QColor(0xf5, 0xc2, 0x1b));
        p.drawPath(tri);
        p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 5.5), QPointF(8, 9.5));
        p.drawPoint(QPointF(8, 12.3));
        break;
    }
    case TImagemServico::Erro:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc6, 0x28, 0x28));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case TImagemServico::Bloqueado:
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
        p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x6b, 0x6b, 0x6b));
        p.drawRoundedRect(QRectF(2.5, 7, 11, 8), 1.5, 1.5);
        break;
    case TImagemServico::Nenhuma:
        break;
    }
    return pix;
}

TImagemServico TServicosDelegate::ImagemDaCelula(const QModelIndex& index) {
    const auto* m = qobject_cast<const TDataSourceModel*>(index.model());
    if (!m || !m->DataSet() || m->DataSet()->IsEmpty()) {
        return TImagemServico::Nenhuma;
    }
    const int f = m->FieldIndexAt(index.column());
    if (f < 0) {
        return TImagemServico::Nenhuma;
    }
    const QString field = m->DataSet()->Fields(f).FieldName();
    return ImagemServico(field, valor(*m, index.row(), QStringLiteral("IDSITSERV")),
                         valor(*m, index.row(), QStringLiteral("IDMARCADO")));
}

void TServicosDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const TImagemServico imagem = ImagemDaCelula(index);
    if (imagem == TImagemServico::Nenhuma) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    opt.text.clear();
    opt.icon = QIcon();
    // The cell's background and selection, as the text columns have them.
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const QRect r = option.rect;
    painter->drawPixmap(r.left() + (r.width() - Lado) / 2, r.top() + 1, Imagem(imagem));
}

} // namespace pla::module
