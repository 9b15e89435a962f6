#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pla::test {

// A run of text on a PDF page: its glyphs one after the other on one baseline, with
// its left edge and baseline in the page's drawing units (y grows downwards).
struct TTrechoPdf {
    double X = 0;
    double Y = 0;
    QString Texto;
};

// The text of a PDF written by Qt's PDF writer (QPdfWriter, QPrinter to PDF): the pages
// in order, each as its runs in reading order. It reads what that writer writes (fonts
// embedded with a ToUnicode map, one glyph shown per Tj, positioned by Td) and nothing
// else; a file it cannot read raises std::runtime_error.
class TTextoPdf {
public:
    static TTextoPdf Le(const QString& fileName);

    int Paginas() const { return int(paginas_.size()); }
    const QList<TTrechoPdf>& Trechos(int page) const { return paginas_.at(page); }
    // A page's lines, top to bottom: the runs of one baseline from left to right,
    // joined by " | ".
    QStringList Linhas(int page) const;
    // Every page's lines, one after the other.
    QStringList TodasAsLinhas() const;

private:
    QList<QList<TTrechoPdf>> paginas_;
};

} // namespace pla::test
