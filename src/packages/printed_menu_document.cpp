#include "printed_menu_document.h"

#include "core/dates.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QHash>
#include <QMap>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace pla::packages {

namespace {

// The calendar's cells are laid out at the largest of these sizes that puts the whole
// period on one page; failing that, at the first, a page holding as many weeks as fit.
constexpr double TamanhosUmaPagina[] = {8, 7.5, 7, 6.5, 6};
constexpr double MenorTamanho = 5;
constexpr double TamanhoDia = 11;

QFont fonte(double points, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

int alturaLinha(const QFont& f, QPaintDevice* device) {
    return QFontMetrics(f, device).height();
}

int alturaTexto(const QFont& f, QPaintDevice* device, int width, const QString& text) {
    return QFontMetrics(f, device)
        .boundingRect(QRect(0, 0, std::max(1, width), 1 << 24), Qt::TextWordWrap, text)
        .height();
}

// Something laid out one under the other. Its content (the dishes) may go on over the
// next page when it does not fit one: every piece repeats the head (the dish type, the
// day's number) over the part of the content it holds, and is at least `Minimo` tall.
// The content's places are those of its text's layout, cut only where a line begins.
struct TBloco {
    int Cabeca = 0;      // the piece's height over its content
    double Minimo = 0;   // the least height of a piece's content
    double Conteudo = 0; // the whole content's height
    // The lowest place at or above `ate`, below `de`, where the content may be cut
    // without cutting a line in two; `de` when there is none.
    std::function<double(double de, double ate)> Corte;
    // Paints the content from `de` to `ate` at `y`, in a piece `altura` tall;
    // `continua` for every piece but the first.
    std::function<void(QPainter&, int y, double de, double ate, int altura, bool continua)> Pinta;

    int Altura(double de, double ate) const {
        return Cabeca + int(std::ceil(std::max(Minimo, ate - de)));
    }
};

// The part of a block's content that one page holds.
struct TPedaco {
    int Bloco = 0;
    double De = 0;
    double Ate = 0;
};

// The pieces of each page: the blocks as they come while they fit the room; a block that
// does not fit what is left starts the next page, unless it is taller than a whole page:
// then it fills what is left and goes on over the pages after, cut between lines.
QList<QList<TPedaco>> paginas(const QList<TBloco>& blocos, int room) {
    QList<QList<TPedaco>> out(1);
    int used = 0;
    const auto novaPagina = [&] {
        out.append(QList<TPedaco>());
        used = 0;
    };
    for (int i = 0; i < blocos.size(); ++i) {
        const TBloco& b = blocos[i];
        double de = 0;
        while (true) {
            const int resto = b.Altura(de, b.Conteudo);
            if (resto <= room - used) {
                out.last().append({i, de, b.Conteudo});
                used += resto;
                break;
            }
            if (!out.last().isEmpty() && resto <= room) {
                novaPagina();
                continue;
            }
            const int cabe = room - used - b.Cabeca;
            double ate =
                cabe >= b.Minimo && b.Corte ? std::min(b.Corte(de, de + cabe), b.Conteudo) : de;
            if (!(ate > de)) {
                if (!out.last().isEmpty()) {
                    novaPagina();
                    continue;
                }
                // Not one line fits a whole page: the content is cut where the page ends
                // and the rest of the line goes on the next.
                ate = std::min(b.Conteudo, de + std::max(1, cabe));
                if (!(ate > de)) {
                    out.last().append({i, de, b.Conteudo});
                    used += resto;
                    break;
                }
            }
            out.last().append({i, de, ate});
            novaPagina();
            de = ate;
        }
    }
    return out;
}

// The lowest place at or above `ate` where none of the documents has a line across it.
double corteEntreLinhas(const QList<const QTextDocument*>& docs, double de, double ate) {
    double y = ate;
    for (bool moved = true; moved && y > de;) {
        moved = false;
        for (const QTextDocument* doc : docs) {
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
                const QTextLayout* layout = b.layout();
                const double top = layout->position().y();
                for (int l = 0; l < layout->lineCount(); ++l) {
                    const QTextLine line = layout->lineAt(l);
                    const double lineTop = top + line.y();
                    if (lineTop < y && y < lineTop + line.height()) {
                        y = lineTop;
                        moved = true;
                    }
                }
            }
        }
    }
    return std::max(de, y);
}

// A document's lines that begin from `de` to before `ate`, painted with `de` at the
// painter's origin: each line on the piece where it begins, and only there.
void pintaTrecho(QPainter& p, const QTextDocument& doc, double de, double ate) {
    constexpr double folga = 0.01; // the cuts are the lines' own tops
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextLayout* layout = b.layout();
        const QPointF pos = layout->position();
        for (int l = 0; l < layout->lineCount(); ++l) {
            const QTextLine line = layout->lineAt(l);
            const double top = pos.y() + line.y();
            if (top < de - folga || top >= ate - folga) {
                continue;
            }
            line.draw(&p, QPointF(pos.x(), pos.y() - de));
        }
    }
}

// Each page: its head (which says where it ends), its pieces one under the other, and
// its foot.
void pintaPaginas(QPagedPaintDevice& device, const QList<TBloco>& blocos,
                  const QList<QList<TPedaco>>& pages,
                  const std::function<int(int page, int pages)>& cabeca,
                  const std::function<void()>& pe, QPainter& painter) {
    for (int p = 0; p < pages.size(); ++p) {
        if (p > 0) {
            device.newPage();
        }
        int y = cabeca(p, int(pages.size()));
        for (const TPedaco& pedaco : pages[p]) {
            const TBloco& b = blocos[pedaco.Bloco];
            const int h = b.Altura(pedaco.De, pedaco.Ate);
            b.Pinta(painter, y, pedaco.De, pedaco.Ate, h, pedaco.De > 0);
            y += h;
        }
        pe();
    }
}

std::shared_ptr<QTextDocument> novoDocumento(const QFont& corpo, int width, QPaintDevice* device) {
    auto doc = std::make_shared<QTextDocument>();
    doc->documentLayout()->setPaintDevice(device);
    doc->setDocumentMargin(0);
    doc->setDefaultFont(corpo);
    doc->setTextWidth(std::max(1, width));
    return doc;
}

const QColor Cinza(235, 235, 235);
const QColor CinzaTexto(90, 90, 90);
const QColor Vermelho(160, 0, 0);

// A day's cell below its number, laid out for the device: the holiday in red, the
// description, "Sem cardápio" in grey, each position with its dish type in bold before
// its dishes; one letter throughout, so that the cells of a week keep their lines level.
std::shared_ptr<QTextDocument> textoCelula(const TDiaCardapio& dia, const QFont& corpo, int width,
                                           QPaintDevice* device) {
    auto doc = novoDocumento(corpo, width, device);
    QTextCursor cursor(doc.get());
    bool first = true;
    const auto linha = [&](const QString& rotulo, const QString& texto, const QColor& cor) {
        if (!first) {
            cursor.insertBlock();
        }
        first = false;
        QTextCharFormat plain;
        plain.setForeground(cor);
        if (!rotulo.isEmpty()) {
            QTextCharFormat bold = plain;
            bold.setFontWeight(QFont::Bold);
            cursor.insertText(rotulo, bold);
            cursor.insertText(QStringLiteral(" "), plain);
        }
        cursor.insertText(texto, plain);
    };
    for (const TLinhaTexto& l : TCardapioImpresso::LinhasDia(dia)) {
        linha(l.Rotulo, l.Texto,
              l.Tipo == TLinhaTexto::Feriado       ? Vermelho
              : l.Tipo == TLinhaTexto::SemCardapio ? CinzaTexto
                                                   : QColor(Qt::black));
    }
    return doc;
}

} // namespace

TDocumentoCardapio::TDocumentoCardapio(const TCardapioImpresso& cardapio, const QString& codigo,
                                       const QDateTime& emitidoEm)
    : cardapio_(cardapio)
    , codigo_(codigo)
    , emitidoEm_(emitidoEm) {}

int TDocumentoCardapio::cabecalho(QPainter& painter, int page, int pages) const {
    QPaintDevice* device = painter.device();
    const int w = painter.window().width();
    const QFont titulo = fonte(14, true);
    const QFont corpo = fonte(10);
    const int gap = alturaLinha(corpo, device) / 3;
    int y = 0;
    const int th = alturaLinha(titulo, device);
    if (page >= 0) {
        // The page's number on the title's baseline, against the right margin.
        const int baseline = y + QFontMetrics(titulo, device).ascent();
        painter.setPen(Qt::black);
        painter.setFont(titulo);
        painter.drawText(QPoint(0, baseline), cardapio_.Titulo());
        const QFont numero = fonte(9);
        const QString pagina = QStringLiteral("Página %1 de %2").arg(page + 1).arg(pages);
        painter.setFont(numero);
        painter.drawText(
            QPoint(w - QFontMetrics(numero, device).horizontalAdvance(pagina), baseline), pagina);
    }
    y += th + gap;
    const std::pair<QString, bool> linhas[] = {{cardapio_.LinhaFilial(), false},
                                               {cardapio_.LinhaServico(), false},
                                               {cardapio_.LinhaPeriodo(), true}};
    for (const auto& [texto, negrito] : linhas) {
        const QFont f = fonte(10, negrito);
        const int h = alturaLinha(f, device);
        if (page >= 0) {
            painter.setFont(f);
            painter.drawText(QRect(0, y, w, h), Qt::AlignLeft | Qt::AlignVCenter, texto);
        }
        y += h;
    }
    y += gap;
    if (page >= 0) {
        painter.drawLine(0, y, w, y);
    }
    return y + gap;
}

void TDocumentoCardapio::rodape(QPainter& painter) const {
    QPaintDevice* device = painter.device();
    const QRect page = painter.window();
    const QFont f = fonte(8);
    const int h = alturaLinha(f, device);
    const int foot = page.height() - h;
    painter.setPen(Qt::black);
    painter.drawLine(0, foot - h / 4, page.width(), foot - h / 4);
    painter.setFont(f);
    if (cardapio_.TemOpcional()) {
        painter.drawText(QRect(0, foot, page.width(), h), Qt::AlignLeft | Qt::AlignVCenter,
                         TCardapioImpresso::LegendaOpcional());
    }
    painter.drawText(QRect(0, foot, page.width(), h), Qt::AlignRight | Qt::AlignVCenter,
                     codigo_ + QStringLiteral(" - Emitido em ") +
                         FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), emitidoEm_));
}

int TDocumentoCardapio::Paint(QPagedPaintDevice& device) const {
    QPainter painter(&device);
    painter.setWindow(painter.viewport());
    return cardapio_.Tipo == TTipoEmissao::Dia ? paintDia(painter, device)
                                               : paintCalendario(painter, device);
}

// The day: the holiday and the description, then each position with its dish type at
// the left and its dishes at the right, one under the other.
int TDocumentoCardapio::paintDia(QPainter& painter, QPagedPaintDevice& device) const {
    tamanho_ = TamanhoDia;
    const int w = painter.window().width();
    const QFont corpo = fonte(TamanhoDia);
    const QFont tipo = fonte(TamanhoDia, true);
    const QFont nota = fonte(TamanhoDia, false, true);
    const int gap = alturaLinha(corpo, &device) / 2;
    const int colTipo = w * 35 / 100;
    TDiaCardapio vazio;
    vazio.Dia = cardapio_.Periodo.Inicio;
    const TDiaCardapio* dia = cardapio_.Dia(cardapio_.Periodo.Inicio);
    const TDiaCardapio& d = dia ? *dia : vazio;

    QList<TBloco> blocos;
    const auto linha = [&](const QString& texto, const QFont& f, const QColor& cor) {
        const int h = alturaTexto(f, &device, w, texto) + gap;
        TBloco b;
        b.Conteudo = h;
        b.Pinta = [texto, f, cor, w, h](QPainter& p, int y, double, double, int, bool) {
            p.setPen(cor);
            p.setFont(f);
            p.drawText(QRect(0, y, w, h), Qt::AlignLeft | Qt::TextWordWrap, texto);
        };
        blocos.append(b);
    };
    if (!d.Feriado.isEmpty()) {
        linha(QStringLiteral("Feriado: ") + d.Feriado, nota, Vermelho);
    }
    if (!d.Descricao.isEmpty() && d.Descricao != d.Feriado) {
        linha(d.Descricao, nota, Qt::black);
    }
    if (d.SemCardapio()) {
        linha(TCardapioImpresso::SemCardapioTexto(), fonte(14, true), CinzaTexto);
    }
    // Each position: its dish type at the left, its dishes one under the other at the
    // right; a position longer than a page goes on over the next, its type repeated.
    const int larguraPratos = w - colTipo;
    for (const TLinhaCardapio& l : d.Linhas) {
        const QString rotulo =
            l.TipoPrato + (l.Opcional ? TCardapioImpresso::MarcaOpcional() : QString());
        const QString continuacao = rotulo + QStringLiteral(" (continuação)");
        std::shared_ptr<QTextDocument> pratos = novoDocumento(corpo, larguraPratos, &device);
        pratos->setPlainText(l.Pratos.join(QLatin1Char('\n')));
        TBloco b;
        b.Cabeca = gap * 2;
        b.Minimo = std::max(alturaTexto(tipo, &device, colTipo - gap, rotulo),
                            alturaTexto(tipo, &device, colTipo - gap, continuacao));
        b.Conteudo = std::ceil(pratos->size().height());
        b.Corte = [pratos](double de, double ate) {
            return corteEntreLinhas({pratos.get()}, de, ate);
        };
        b.Pinta = [=](QPainter& p, int y, double de, double ate, int h, bool continua) {
            p.setPen(QColor(200, 200, 200));
            p.drawLine(0, y, w, y);
            p.setPen(Qt::black);
            p.setFont(tipo);
            p.drawText(QRect(0, y + gap, colTipo - gap, h - gap), Qt::AlignLeft | Qt::TextWordWrap,
                       continua ? continuacao : rotulo);
            p.save();
            p.translate(colTipo, y + gap);
            pintaTrecho(p, *pratos, de, ate);
            p.restore();
        };
        blocos.append(b);
    }

    const int top = cabecalho(painter, -1, 0);
    const int foot = alturaLinha(fonte(8), &device) * 3 / 2;
    const QList<QList<TPedaco>> pages = paginas(blocos, painter.window().height() - top - foot);
    pintaPaginas(
        device, blocos, pages, [&](int pg, int n) { return cabecalho(painter, pg, n); },
        [&] { rodape(painter); }, painter);
    return int(pages.size());
}

// The week and the month: the weekdays' heading, then a row of cells per week.
int TDocumentoCardapio::paintCalendario(QPainter& painter, QPagedPaintDevice& device) const {
    const QRect page = painter.window();
    const int w = page.width();
    QList<int> x;
    for (int i = 0; i <= 7; ++i) {
        x << w * i / 7;
    }
    const QList<TSemanaCalendario> semanas = SemanasCalendario(cardapio_.Periodo);
    const bool semana = cardapio_.Tipo == TTipoEmissao::Semana;
    const auto numero = [semana](const QDate& d) {
        return semana ? FormatDateTime(QStringLiteral("dd/mm"), d) : QString::number(d.day());
    };

    // The weeks laid out at a size: each week's height (its tallest cell, at least three
    // lines) and the cells' texts, kept for painting; each size is laid out once.
    struct TDisposicao {
        QList<int> Alturas;
        QHash<QDate, std::shared_ptr<QTextDocument>> Textos;
        int Total = 0;
        int Maior = 0;
    };
    QMap<double, TDisposicao> feitas;
    const auto dispoe = [&](double size) -> const TDisposicao& {
        const auto found = feitas.constFind(size);
        if (found != feitas.cend()) {
            return *found;
        }
        const QFont corpo = fonte(size);
        const QFont negrito = fonte(size, true);
        const int pad = alturaLinha(corpo, &device) / 4;
        const int width = x[1] - x[0] - 2 * pad;
        TDisposicao out;
        for (const TSemanaCalendario& s : semanas) {
            int row = 2 * pad + alturaLinha(negrito, &device) + 3 * alturaLinha(corpo, &device);
            for (const QDate& d : s) {
                const TDiaCardapio* dia = cardapio_.Dia(d);
                if (!dia) {
                    continue;
                }
                const auto doc = textoCelula(*dia, corpo, width, &device);
                out.Textos.insert(d, doc);
                row = std::max(row, 2 * pad + alturaLinha(negrito, &device) +
                                        int(std::ceil(doc->size().height())));
            }
            out.Alturas << row;
            out.Total += row;
            out.Maior = std::max(out.Maior, row);
        }
        return *feitas.insert(size, out);
    };
    const int top = cabecalho(painter, -1, 0);
    const int foot = alturaLinha(fonte(8), &device) * 3 / 2;
    const auto room = [&](double size) {
        const QFont negrito = fonte(size, true);
        return page.height() - top - foot - alturaLinha(negrito, &device) * 3 / 2;
    };
    const auto cabe = [&](double size) { return dispoe(size).Total <= room(size); };
    // The largest size that puts the period on one page; the smallest is tried right after
    // the largest, so that a period too long for one page is laid out only twice.
    const double maiorTamanho = TamanhosUmaPagina[0];
    const double menorTamanho = std::end(TamanhosUmaPagina)[-1];
    double size = 0;
    if (cabe(maiorTamanho)) {
        size = maiorTamanho;
    } else if (cabe(menorTamanho)) {
        for (const double s : TamanhosUmaPagina) {
            if (cabe(s)) {
                size = s;
                break;
            }
        }
    } else {
        // Weeks per page; a week taller than a page takes smaller letters, down to the
        // smallest, and goes on over the next page past that.
        size = maiorTamanho;
        while (dispoe(size).Maior > room(size) && size > MenorTamanho) {
            size -= 0.5;
        }
    }
    const TDisposicao& disposicao = dispoe(size);
    const QHash<QDate, std::shared_ptr<QTextDocument>> textos = disposicao.Textos;
    tamanho_ = size;

    const QFont corpo = fonte(size);
    const QFont negrito = fonte(size, true);
    const int pad = alturaLinha(corpo, &device) / 4;
    const int headH = alturaLinha(negrito, &device) * 3 / 2;
    const int roomH = room(size);
    const int nh = alturaLinha(negrito, &device);
    QList<TBloco> blocos;
    for (const TSemanaCalendario& s : semanas) {
        QList<const QTextDocument*> docs;
        TBloco b;
        b.Cabeca = 2 * pad + nh;
        b.Minimo = 3 * alturaLinha(corpo, &device);
        for (const QDate& d : s) {
            if (const auto doc = textos.value(d)) {
                docs << doc.get();
                b.Conteudo = std::max(b.Conteudo, std::ceil(doc->size().height()));
            }
        }
        b.Corte = [docs](double de, double ate) { return corteEntreLinhas(docs, de, ate); };
        // A week that goes on over the next page repeats its days' numbers there.
        b.Pinta = [=, this](QPainter& p, int y, double de, double ate, int h, bool) {
            for (int c = 0; c < 7; ++c) {
                const QRect cell(x[c], y, x[c + 1] - x[c], h);
                const TDiaCardapio* dia = cardapio_.Dia(s[c]);
                if (!dia) {
                    p.fillRect(cell, Cinza);
                }
                p.setPen(Qt::black);
                p.drawRect(cell);
                if (!dia) {
                    continue;
                }
                const int width = cell.width() - 2 * pad;
                const int ty = y + pad;
                p.setFont(negrito);
                p.drawText(QRect(cell.left() + pad, ty, width, nh),
                           Qt::AlignLeft | Qt::AlignVCenter, numero(s[c]));
                if (const auto doc = textos.value(s[c])) {
                    p.save();
                    p.translate(cell.left() + pad, ty + nh);
                    pintaTrecho(p, *doc, de, ate);
                    p.restore();
                }
            }
        };
        blocos.append(b);
    }
    const QList<QList<TPedaco>> pages = paginas(blocos, roomH);
    // Sunday first, whatever the week of the period.
    const QDate domingo =
        cardapio_.Periodo.Inicio.addDays(-(cardapio_.Periodo.Inicio.dayOfWeek() % 7));
    const auto cabeca = [&](int pg, int n) {
        int y = cabecalho(painter, pg, n);
        painter.setFont(negrito);
        for (int c = 0; c < 7; ++c) {
            const QRect cell(x[c], y, x[c + 1] - x[c], headH);
            painter.fillRect(cell, Cinza);
            painter.setPen(Qt::black);
            painter.drawRect(cell);
            painter.drawText(cell.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter,
                             NomeSemana(domingo.addDays(c)));
        }
        return y + headH;
    };
    pintaPaginas(
        device, blocos, pages, cabeca, [&] { rodape(painter); }, painter);
    return int(pages.size());
}

} // namespace pla::packages
