#include "report_document.h"

#include "core/dates.h"
#include "core/format_float.h"
#include "core/mem_table.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

namespace pla::host {

namespace {

QString fieldText(const TMemField& f, const QString& format) {
    if (f.IsNull()) {
        return {};
    }
    switch (f.DataType()) {
    case TFieldType::DateTime:
        return FormatDateTime(format.isEmpty() ? QStringLiteral("dd/mm/yyyy") : format,
                              f.AsDateTime());
    case TFieldType::Float:
        return format.isEmpty() ? f.AsString() : FormatFloat(format, f.AsFloat());
    default:
        return f.AsString();
    }
}

QFont font(int points, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

} // namespace

struct TReportDocument::TLayout {
    QRect Page;
    QList<int> ColumnX;    // left edge of each column, and the right edge last
    QList<int> RowHeight;  // of each row
    QList<int> FirstRowOf; // the first row of each page
    int HeadHeight = 0;    // title, head lines and headings
    int FootHeight = 0;
};

TReportDocument::TReportDocument(const TReportDefinition& definition, TMemTable& data,
                                 const QDateTime& printedAt)
    : definition_(definition)
    , printedAt_(printedAt) {
    data.First();
    if (!data.Eof()) {
        for (const TReportHeadField& h : definition_.Head) {
            if (const TMemField* f = data.FindField(h.Field)) {
                head_ << h.Label + QStringLiteral(": ") + fieldText(*f, h.Format);
            }
        }
    }
    for (; !data.Eof(); data.Next()) {
        QStringList row;
        for (const TReportColumn& c : definition_.Columns) {
            const TMemField* f = data.FindField(c.Field);
            row << (f ? fieldText(*f, c.Format) : QString());
        }
        rows_ << row;
    }
    data.First();
}

TReportDocument::TLayout TReportDocument::layout(QPainter& painter) const {
    TLayout l;
    l.Page = painter.viewport();
    int totalWidth = 0;
    for (const TReportColumn& c : definition_.Columns) {
        totalWidth += c.Width;
    }
    int x = 0;
    for (const TReportColumn& c : definition_.Columns) {
        l.ColumnX << x;
        x += l.Page.width() * c.Width / totalWidth;
    }
    l.ColumnX << l.Page.width();

    const QFontMetrics title(font(13, true), painter.device());
    const QFontMetrics body(font(9), painter.device());
    const int gap = body.height() / 3;
    l.HeadHeight = title.height() + body.height() * (1 + head_.size()) + gap * 4 + body.height();
    l.FootHeight = body.height() + gap;
    for (const QStringList& row : rows_) {
        int h = body.height();
        for (int c = 0; c < row.size(); ++c) {
            const int w = l.ColumnX[c + 1] - l.ColumnX[c] - gap;
            h = std::max(
                h, body.boundingRect(QRect(0, 0, std::max(1, w), 100000), Qt::TextWordWrap, row[c])
                       .height());
        }
        l.RowHeight << h + gap;
    }
    const int room = l.Page.height() - l.HeadHeight - l.FootHeight;
    l.FirstRowOf << 0;
    int used = 0;
    for (int r = 0; r < l.RowHeight.size(); ++r) {
        if (used > 0 && used + l.RowHeight[r] > room) {
            l.FirstRowOf << r;
            used = 0;
        }
        used += l.RowHeight[r];
    }
    return l;
}

int TReportDocument::Paint(QPagedPaintDevice& device) const {
    QPainter painter(&device);
    painter.setWindow(painter.viewport());
    const TLayout l = layout(painter);
    const int pages = static_cast<int>(l.FirstRowOf.size());
    const QFontMetrics body(font(9), &device);
    const int gap = body.height() / 3;
    for (int p = 0; p < pages; ++p) {
        if (p > 0) {
            device.newPage();
        }
        int y = 0;
        painter.setFont(font(13, true));
        const QFontMetrics title(painter.font(), &device);
        painter.drawText(QRect(0, y, l.Page.width(), title.height()), Qt::AlignLeft,
                         definition_.Title);
        painter.setFont(font(9));
        painter.drawText(QRect(0, y, l.Page.width(), title.height()),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Página %1 de %2").arg(p + 1).arg(pages));
        y += title.height() + gap;
        painter.drawText(QRect(0, y, l.Page.width(), body.height()), Qt::AlignLeft,
                         QStringLiteral("Emitido em ") +
                             FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), printedAt_));
        y += body.height();
        for (const QString& line : head_) {
            painter.drawText(QRect(0, y, l.Page.width(), body.height()), Qt::AlignLeft, line);
            y += body.height();
        }
        y += gap;
        painter.drawLine(0, y, l.Page.width(), y);
        y += gap;
        painter.setFont(font(9, true));
        for (int c = 0; c < definition_.Columns.size(); ++c) {
            painter.drawText(
                QRect(l.ColumnX[c], y, l.ColumnX[c + 1] - l.ColumnX[c] - gap, body.height()),
                definition_.Columns[c].Align, definition_.Columns[c].Title);
        }
        y += body.height() + gap;
        painter.drawLine(0, y - gap / 2, l.Page.width(), y - gap / 2);
        y = std::max(y, l.HeadHeight);
        painter.setFont(font(9));
        const int end = p + 1 < pages ? l.FirstRowOf[p + 1] : static_cast<int>(rows_.size());
        for (int r = l.FirstRowOf[p]; r < end; ++r) {
            for (int c = 0; c < rows_[r].size(); ++c) {
                painter.drawText(
                    QRect(l.ColumnX[c], y, l.ColumnX[c + 1] - l.ColumnX[c] - gap, l.RowHeight[r]),
                    definition_.Columns[c].Align | Qt::TextWordWrap, rows_[r][c]);
            }
            y += l.RowHeight[r];
        }
        const int foot = l.Page.height() - body.height();
        painter.drawLine(0, foot - gap / 2, l.Page.width(), foot - gap / 2);
        painter.drawText(QRect(0, foot, l.Page.width(), body.height()), Qt::AlignLeft,
                         definition_.Code);
    }
    return pages;
}

} // namespace pla::host
