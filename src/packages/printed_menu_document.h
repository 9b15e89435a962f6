#pragma once

#include "printed_menu.h"

#include <QDateTime>
#include <QRect>

class QPagedPaintDevice;
class QPainter;

namespace pla::packages {

// A printed menu laid out on the printouts' page: on every page the title, "Página n
// de m", the branch, the service and the period, and at the foot the legend of the
// optional positions, the report code and when it was printed. The day: its positions
// one under the other, the dishes beside their dish type. The week and the month: a
// calendar, a column per weekday from Sunday and a row per week, each day's cell with
// its number, its holiday and its positions; a month that does not fit one page breaks
// between weeks, the weekdays repeated on each page. Nothing is left out: a day's position
// or a week taller than a page goes on over the next, cut between lines, its dish type
// (or its days' numbers) repeated there.
class TDocumentoCardapio {
public:
    TDocumentoCardapio(const TCardapioImpresso& cardapio, const QString& codigo,
                       const QDateTime& emitidoEm);

    // Lays the menu out on the device's pages and paints it; the page count.
    int Paint(QPagedPaintDevice& device) const;
    // The point size the calendar's cells were laid out with in the last Paint.
    double TamanhoFonte() const { return tamanho_; }

private:
    int cabecalho(QPainter& painter, int page, int pages) const; // the height used
    void rodape(QPainter& painter) const;
    int paintDia(QPainter& painter, QPagedPaintDevice& device) const;
    int paintCalendario(QPainter& painter, QPagedPaintDevice& device) const;

    const TCardapioImpresso& cardapio_;
    QString codigo_;
    QDateTime emitidoEm_;
    mutable double tamanho_ = 0;
};

} // namespace pla::packages
