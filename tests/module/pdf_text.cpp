#include "pdf_text.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace pla::test {

namespace {

[[noreturn]] void falha(const QString& why) {
    throw std::runtime_error(why.toStdString());
}

// An indirect object: its dictionary (or value) and its stream, inflated.
struct TObjeto {
    QByteArray Dicionario;
    QByteArray Stream;
};

// Empty when the bytes do not inflate.
QByteArray tentaInflar(const QByteArray& raw) {
    // qUncompress wants the expected size first; it grows the buffer when it is short.
    QByteArray sized(4, '\0');
    qToBigEndian<quint32>(quint32(std::max<qsizetype>(raw.size() * 8, 1024)), sized.data());
    return qUncompress(sized + raw);
}

// `raw` runs up to "endstream"; one end of line stands before it (Qt writes a line
// feed), but the compressed bytes may themselves end in a byte that reads as one (a
// carriage return before that line feed is then theirs), so each way of taking the end
// of line off is tried: one byte, then two, then none.
QByteArray inflate(const QByteArray& raw) {
    QList<QByteArray> candidates;
    if (raw.endsWith('\n') || raw.endsWith('\r')) {
        candidates << raw.chopped(1);
    }
    if (raw.endsWith("\r\n")) {
        candidates << raw.chopped(2);
    }
    candidates << raw;
    for (const QByteArray& c : candidates) {
        const QByteArray out = tentaInflar(c);
        if (!out.isEmpty() || c.isEmpty()) {
            return out;
        }
    }
    falha(QStringLiteral("fluxo comprimido ilegível"));
}

// The objects one after the other, each read to its end before the next is looked for,
// so that nothing inside an embedded font is taken for an object.
QHash<int, TObjeto> objetos(const QByteArray& pdf) {
    QHash<int, TObjeto> out;
    static const QRegularExpression start(QStringLiteral("(?:^|\\n)(\\d+) 0 obj\\s*"));
    const QString latin = QString::fromLatin1(pdf);
    qsizetype pos = 0;
    for (auto m = start.match(latin, pos); m.hasMatch(); m = start.match(latin, pos)) {
        const int number = m.captured(1).toInt();
        const qsizetype begin = m.capturedEnd();
        qsizetype end = pdf.indexOf("endobj", begin);
        if (end < 0) {
            falha(QStringLiteral("objeto %1 sem fim").arg(number));
        }
        TObjeto o;
        const qsizetype stream = pdf.indexOf("stream", begin);
        if (stream >= 0 && stream < end) {
            o.Dicionario = pdf.mid(begin, stream - begin);
            qsizetype data = stream + 6;
            if (data < pdf.size() && pdf.at(data) == '\r') {
                ++data;
            }
            if (data < pdf.size() && pdf.at(data) == '\n') {
                ++data;
            }
            const qsizetype close = pdf.indexOf("endstream", data);
            if (close < 0) {
                falha(QStringLiteral("fluxo do objeto %1 sem fim").arg(number));
            }
            QByteArray raw = pdf.mid(data, close - data);
            if (o.Dicionario.contains("/FlateDecode")) {
                o.Stream = inflate(raw);
            } else {
                if (raw.endsWith("\r\n")) {
                    raw.chop(2);
                } else if (raw.endsWith('\n') || raw.endsWith('\r')) {
                    raw.chop(1);
                }
                o.Stream = raw;
            }
            end = pdf.indexOf("endobj", close);
            if (end < 0) {
                falha(QStringLiteral("objeto %1 sem fim").arg(number));
            }
        } else {
            o.Dicionario = pdf.mid(begin, end - begin);
        }
        out.insert(number, o);
        pos = end + 6;
    }
    return out;
}

// The object a key of a dictionary refers to ("/Contents 14 0 R"); -1 when none.
int referencia(const QByteArray& dict, const char* key) {
    const QRegularExpression re(QStringLiteral("%1\\s+(\\d+)\\s+0\\s+R").arg(QLatin1String(key)));
    const auto m = re.match(QString::fromLatin1(dict));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QList<int> referencias(const QString& text) {
    QList<int> out;
    static const QRegularExpression ref(QStringLiteral("(\\d+)\\s+0\\s+R"));
    for (auto it = ref.globalMatch(text); it.hasNext();) {
        out << it.next().captured(1).toInt();
    }
    return out;
}

// The pages in order, from the page tree's kids.
QList<int> paginas(const QHash<int, TObjeto>& objs, int node) {
    const QString dict = QString::fromLatin1(objs.value(node).Dicionario);
    if (!dict.contains(QLatin1String("/Kids"))) {
        return {node};
    }
    static const QRegularExpression kids(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]"));
    QList<int> out;
    for (int kid : referencias(kids.match(dict).captured(1))) {
        out << paginas(objs, kid);
    }
    return out;
}

char32_t unicode(const QString& hex) {
    const QString h = hex.trimmed();
    if (h.size() == 8) { // a surrogate pair
        const char16_t hi = char16_t(h.left(4).toUInt(nullptr, 16));
        const char16_t lo = char16_t(h.mid(4).toUInt(nullptr, 16));
        return QChar::surrogateToUcs4(hi, lo);
    }
    return char32_t(h.toUInt(nullptr, 16));
}

// A font's glyph codes to text, from its ToUnicode map.
QHash<uint, QString> mapaUnicode(const QByteArray& cmap) {
    QHash<uint, QString> out;
    const QString text = QString::fromLatin1(cmap);
    const auto put = [&out](uint code, char32_t u) {
        // The writer maps the blank to a tab when both share a glyph.
        out.insert(code, u == U'\t' ? QStringLiteral(" ") : QString::fromUcs4(&u, 1));
    };
    static const QRegularExpression chars(QStringLiteral("beginbfchar(.*?)endbfchar"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression pair(QStringLiteral("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>"));
    for (auto it = chars.globalMatch(text); it.hasNext();) {
        const QString block = it.next().captured(1);
        for (auto p = pair.globalMatch(block); p.hasNext();) {
            const auto m = p.next();
            put(m.captured(1).toUInt(nullptr, 16), unicode(m.captured(2)));
        }
    }
    static const QRegularExpression ranges(QStringLiteral("beginbfrange(.*?)endbfrange"),
                                           QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression range(QStringLiteral(
        "<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*(?:<([0-9A-Fa-f]+)>|\\[([^\\]]*)\\])"));
    static const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]+)>"));
    for (auto it = ranges.globalMatch(text); it.hasNext();) {
        const QString block = it.next().captured(1);
        for (auto r = range.globalMatch(block); r.hasNext();) {
            const auto m = r.next();
            const uint first = m.captured(1).toUInt(nullptr, 16);
            const uint last = m.captured(2).toUInt(nullptr, 16);
            if (!m.captured(3).isEmpty()) {
                const char32_t base = unicode(m.captured(3));
                for (uint c = first; c <= last; ++c) {
                    put(c, char32_t(base + (c - first)));
                }
            } else {
                uint c = first;
                for (auto h = hex.globalMatch(m.captured(4)); h.hasNext() && c <= last; ++c) {
                    put(c, unicode(h.next().captured(1)));
                }
            }
        }
    }
    return out;
}

// A font's advance widths in thousandths of its size, by glyph code (/W).
QHash<uint, double> larguras(const QByteArray& cidFont) {
    QHash<uint, double> out;
    const QString dict = QString::fromLatin1(cidFont);
    const qsizetype w = dict.indexOf(QLatin1String("/W"));
    if (w < 0) {
        return out;
    }
    // "/W [c [w1 w2 ...] c1 c2 w ...]": the list ends at the bracket that closes it.
    qsizetype i = dict.indexOf(QLatin1Char('['), w);
    int depth = 0;
    qsizetype end = i;
    for (; end < dict.size(); ++end) {
        depth += dict[end] == QLatin1Char('[') ? 1 : dict[end] == QLatin1Char(']') ? -1 : 0;
        if (depth == 0) {
            break;
        }
    }
    static const QRegularExpression token(QStringLiteral("\\[|\\]|-?[0-9.]+"));
    QStringList tokens;
    for (auto it = token.globalMatch(dict.mid(i + 1, end - i - 1)); it.hasNext();) {
        tokens << it.next().captured(0);
    }
    for (qsizetype t = 0; t < tokens.size();) {
        const uint first = tokens[t].toUInt();
        if (t + 1 < tokens.size() && tokens[t + 1] == QLatin1String("[")) {
            uint c = first;
            for (t += 2; t < tokens.size() && tokens[t] != QLatin1String("]"); ++t) {
                out.insert(c++, tokens[t].toDouble());
            }
            ++t;
        } else if (t + 2 < tokens.size()) {
            const uint last = tokens[t + 1].toUInt();
            for (uint c = first; c <= last; ++c) {
                out.insert(c, tokens[t + 2].toDouble());
            }
            t += 3;
        } else {
            break;
        }
    }
    return out;
}

struct TFonte {
    QHash<uint, QString> Texto;
    QHash<uint, double> Largura;
};

struct TGlifo {
    double X = 0;
    double Y = 0;
    double Fim = 0; // where the next glyph of the word would start
    double Tamanho = 0;
    QString Texto;
};

QList<TTrechoPdf> trechos(QList<TGlifo> glifos) {
    // Baselines of one line are equal to the writer's precision: compared in tenths.
    const auto linha = [](const TGlifo& g) { return qRound64(g.Y * 10); };
    std::stable_sort(glifos.begin(), glifos.end(), [&linha](const TGlifo& a, const TGlifo& b) {
        return linha(a) != linha(b) ? linha(a) < linha(b) : a.X < b.X;
    });
    QList<TTrechoPdf> out;
    const TGlifo* anterior = nullptr;
    for (const TGlifo& g : glifos) {
        // A new baseline, or a gap wider than a third of the letters' size.
        if (!anterior || linha(g) != linha(*anterior) || g.X - anterior->Fim > g.Tamanho / 3) {
            out.append({g.X, g.Y, QString()});
        }
        out.last().Texto += g.Texto;
        anterior = &g;
    }
    for (TTrechoPdf& t : out) {
        t.Texto = t.Texto.trimmed();
    }
    out.removeIf([](const TTrechoPdf& t) { return t.Texto.isEmpty(); });
    return out;
}

QList<TTrechoPdf> lePagina(const QHash<int, TObjeto>& objs, int page) {
    const QByteArray& dict = objs.value(page).Dicionario;
    const int contents = referencia(dict, "/Contents");
    QByteArray resources = dict;
    if (const int r = referencia(dict, "/Resources"); r >= 0) {
        resources = objs.value(r).Dicionario;
    }
    QHash<QString, TFonte> fontes;
    static const QRegularExpression fontDict(QStringLiteral("/Font\\s*<<([^>]*)>>"));
    static const QRegularExpression fontRef(QStringLiteral("/(\\w+)\\s+(\\d+)\\s+0\\s+R"));
    for (auto it = fontRef.globalMatch(fontDict.match(QString::fromLatin1(resources)).captured(1));
         it.hasNext();) {
        const auto m = it.next();
        const QByteArray& font = objs.value(m.captured(2).toInt()).Dicionario;
        TFonte f;
        f.Texto = mapaUnicode(objs.value(referencia(font, "/ToUnicode")).Stream);
        static const QRegularExpression descendant(
            QStringLiteral("/DescendantFonts\\s*\\[\\s*(\\d+)\\s+0\\s+R"));
        const auto d = descendant.match(QString::fromLatin1(font));
        if (d.hasMatch()) {
            f.Largura = larguras(objs.value(d.captured(1).toInt()).Dicionario);
        }
        fontes.insert(m.captured(1), f);
    }

    // Only what the writer writes: q, Q and cm for the transformation, BT, Tf, Tm, Td, Tj,
    // ET for the text; numbers before their operator.
    const QByteArray content = objs.value(contents).Stream;
    static const QRegularExpression tokens(
        QStringLiteral("<([0-9A-Fa-f\\s]*)>|/(\\w+)|(-?[0-9]*\\.?[0-9]+)|([A-Za-z\\*'\"]+)"));
    QList<double> numeros;
    QString hex;
    const TFonte* fonte = nullptr;
    double tamanho = 0;
    double m[6] = {1, 0, 0, 1, 0, 0};
    double tx = 0;
    double ty = 0;
    // The transformation to the page (a b c d e f: x' = a x + c y + e, y' = b x + d y + f),
    // saved and restored by q and Q.
    std::array<double, 6> ctm{1, 0, 0, 1, 0, 0};
    QList<std::array<double, 6>> saved;
    QList<TGlifo> glifos;
    QString nomeFonte;
    for (auto it = tokens.globalMatch(QString::fromLatin1(content)); it.hasNext();) {
        const auto t = it.next();
        if (t.capturedLength(1) > 0 || t.captured(0) == QLatin1String("<>")) {
            hex = t.captured(1).remove(QRegularExpression(QStringLiteral("\\s")));
            continue;
        }
        if (!t.captured(2).isEmpty()) {
            nomeFonte = t.captured(2);
            continue;
        }
        if (!t.captured(3).isEmpty()) {
            numeros << t.captured(3).toDouble();
            continue;
        }
        const QString op = t.captured(4);
        if (op == QLatin1String("q")) {
            saved.append(ctm);
        } else if (op == QLatin1String("Q") && !saved.isEmpty()) {
            ctm = saved.takeLast();
        } else if (op == QLatin1String("cm") && numeros.size() >= 6) {
            const double* n = numeros.constData() + numeros.size() - 6;
            ctm = {n[0] * ctm[0] + n[1] * ctm[2],          n[0] * ctm[1] + n[1] * ctm[3],
                   n[2] * ctm[0] + n[3] * ctm[2],          n[2] * ctm[1] + n[3] * ctm[3],
                   n[4] * ctm[0] + n[5] * ctm[2] + ctm[4], n[4] * ctm[1] + n[5] * ctm[3] + ctm[5]};
        } else if (op == QLatin1String("BT")) {
            tx = ty = 0;
            std::fill(std::begin(m), std::end(m), 0.0);
            m[0] = m[3] = 1;
        } else if (op == QLatin1String("Tf") && !numeros.isEmpty()) {
            fonte = fontes.contains(nomeFonte) ? &fontes[nomeFonte] : nullptr;
            tamanho = numeros.last();
        } else if (op == QLatin1String("Tm") && numeros.size() >= 6) {
            for (int i = 0; i < 6; ++i) {
                m[i] = numeros[numeros.size() - 6 + i];
            }
            tx = ty = 0;
        } else if (op == QLatin1String("Td") && numeros.size() >= 2) {
            tx += numeros[numeros.size() - 2];
            ty += numeros.last();
        } else if (op == QLatin1String("Tj") && fonte) {
            // Text space to the page: the text matrix, then the transformation; on the page
            // y grows upwards, so a baseline's height is kept negated (top to bottom).
            const double scale =
                std::hypot(m[0] * ctm[0] + m[1] * ctm[2], m[0] * ctm[1] + m[1] * ctm[3]);
            double u = tx;
            for (qsizetype i = 0; i + 4 <= hex.size(); i += 4) {
                const uint code = hex.mid(i, 4).toUInt(nullptr, 16);
                const double x1 = m[0] * u + m[2] * ty + m[4];
                const double y1 = m[1] * u + m[3] * ty + m[5];
                const double x = ctm[0] * x1 + ctm[2] * y1 + ctm[4];
                const double y = ctm[1] * x1 + ctm[3] * y1 + ctm[5];
                const double advance = fonte->Largura.value(code, 500) / 1000.0 * tamanho;
                glifos.append(
                    {x, -y, x + advance * scale, tamanho * scale, fonte->Texto.value(code)});
                u += advance;
            }
        }
        numeros.clear();
    }
    return trechos(glifos);
}

} // namespace

TTextoPdf TTextoPdf::Le(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        falha(QStringLiteral("não foi possível ler %1").arg(fileName));
    }
    const QByteArray pdf = f.readAll();
    if (!pdf.startsWith("%PDF-")) {
        falha(QStringLiteral("%1 não é um PDF").arg(fileName));
    }
    const QHash<int, TObjeto> objs = objetos(pdf);
    int root = -1;
    for (auto it = objs.cbegin(); it != objs.cend(); ++it) {
        if (it->Dicionario.contains("/Type /Catalog")) {
            root = referencia(it->Dicionario, "/Pages");
        }
    }
    if (root < 0) {
        falha(QStringLiteral("%1 sem árvore de páginas").arg(fileName));
    }
    TTextoPdf out;
    for (int page : paginas(objs, root)) {
        out.paginas_.append(lePagina(objs, page));
    }
    return out;
}

QStringList TTextoPdf::Linhas(int page) const {
    QStringList out;
    const QList<TTrechoPdf>& runs = paginas_.at(page);
    for (qsizetype i = 0; i < runs.size();) {
        QStringList line{runs[i].Texto};
        qsizetype j = i + 1;
        for (; j < runs.size() && qRound64(runs[j].Y * 10) == qRound64(runs[i].Y * 10); ++j) {
            line << runs[j].Texto;
        }
        out << line.join(QStringLiteral(" | "));
        i = j;
    }
    return out;
}

QStringList TTextoPdf::TodasAsLinhas() const {
    QStringList out;
    for (int p = 0; p < Paginas(); ++p) {
        out << Linhas(p);
    }
    return out;
}

} // namespace pla::test
