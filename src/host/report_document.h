#pragma once

#include "report_definition.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

class QPagedPaintDevice;
class QPainter;

namespace pla {
class TMemTable;
}

namespace pla::host {

// A report laid out on pages: the title, the head fields of the first row, the
// column headings and the rows (long texts wrap), with "Página n de m" on every
// page. The rows are read once from the table; painting does not touch it again.
class TReportDocument {
public:
    TReportDocument(const TReportDefinition& definition, TMemTable& data,
                    const QDateTime& printedAt);

    // Lays the rows out on the device's pages and paints them; the page count.
    int Paint(QPagedPaintDevice& device) const;
    const QList<QStringList>& Rows() const { return rows_; }
    const QStringList& HeadLines() const { return head_; }

private:
    struct TLayout;
    TLayout layout(QPainter& painter) const;

    TReportDefinition definition_;
    QStringList head_;
    QList<QStringList> rows_;
    QDateTime printedAt_;
};

} // namespace pla::host
