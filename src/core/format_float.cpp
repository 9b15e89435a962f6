#include "format_float.h"

#include "decimal_digits.h"
#include "errors.h"
#include "format_settings.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <cmath>

namespace pla {

namespace {

struct TMaskSection {
    QString Prefix;
    QString Suffix;
    bool Grouping = false;
    int MinInteger = 0;
    int MinDecimals = 0;
    int MaxDecimals = 0;
    bool HasPlaceholders = false;
};

struct TMask {
    QList<TMaskSection> Sections;
};

// Splits on ';' outside quotes.
QStringList splitSections(const QString& mask) {
    QStringList parts;
    QString cur;
    QChar quote;
    for (const QChar c : mask) {
        if (!quote.isNull()) {
            cur.append(c);
            if (c == quote) {
                quote = QChar();
            }
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            cur.append(c);
        } else if (c == QLatin1Char(';')) {
            parts.append(cur);
            cur.clear();
        } else {
            cur.append(c);
        }
    }
    parts.append(cur);
    return parts;
}

TMaskSection parseSection(const QString& mask, const QString& section) {
    TMaskSection s;
    bool inDigits = false;
    bool afterDigits = false;
    bool afterPoint = false;
    const int n = static_cast<int>(section.size());
    // Literals stand before or after the digits, never between them.
    auto literal = [&](const QString& text) {
        if (inDigits) {
            afterDigits = true;
            s.Suffix += text;
        } else {
            s.Prefix += text;
        }
    };
    for (int i = 0; i < n; ++i) {
        const QChar c = section[i];
        const bool placeholder = c == QLatin1Char('0') || c == QLatin1Char('#') ||
                                 c == QLatin1Char('.') || c == QLatin1Char(',');
        if (placeholder && afterDigits) {
            throw EProgramError(QStringLiteral("Máscara numérica não suportada: \"%1\"").arg(mask));
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int end = static_cast<int>(section.indexOf(c, i + 1));
            if (end < 0) {
                throw EProgramError(
                    QStringLiteral("Máscara numérica com aspas abertas: \"%1\"").arg(mask));
            }
            literal(section.mid(i + 1, end - i - 1));
            i = end;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            inDigits = true;
            s.HasPlaceholders = true;
            if (afterPoint) {
                if (c == QLatin1Char('0')) {
                    s.MinDecimals = s.MaxDecimals + 1;
                }
                ++s.MaxDecimals;
            } else if (c == QLatin1Char('0')) {
                ++s.MinInteger;
            }
        } else if (c == QLatin1Char('.')) {
            if (afterPoint) {
                throw EProgramError(
                    QStringLiteral("Máscara numérica com dois pontos decimais: \"%1\"").arg(mask));
            }
            inDigits = true;
            afterPoint = true;
        } else if (c == QLatin1Char(',')) {
            inDigits = true;
            if (!afterPoint) {
                s.Grouping = true;
            }
        } else if (c == QLatin1Char('E') || c == QLatin1Char('e')) {
            throw EProgramError(
                QStringLiteral("Máscara numérica científica não suportada: \"%1\"").arg(mask));
        } else {
            literal(QString(c));
        }
    }
    return s;
}

const TMask& parseMask(const QString& mask) {
    // Masks are few and fixed; parse each once.
    static QMutex mutex;
    static QHash<QString, TMask> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.find(mask);
    if (it != cache.end()) {
        return it.value();
    }
    const QStringList parts = splitSections(mask);
    if (parts.size() > 3) {
        throw EProgramError(
            QStringLiteral("Máscara numérica com mais de três seções: \"%1\"").arg(mask));
    }
    TMask m;
    for (const QString& p : parts) {
        m.Sections.append(parseSection(mask, p));
    }
    return cache.insert(mask, m).value();
}

QString formatDigits(const TMaskSection& s, const detail::TDecimalDigits& d) {
    const auto& fs = TFormatSettings::Current();
    if (!s.HasPlaceholders) {
        return s.Prefix + s.Suffix;
    }
    std::string intPart = d.IntegerPart();
    if (intPart == "0" && s.MinInteger == 0) {
        intPart.clear();
    }
    if (static_cast<int>(intPart.size()) < s.MinInteger) {
        intPart.insert(0, static_cast<std::size_t>(s.MinInteger) - intPart.size(), '0');
    }
    QString out = s.Prefix;
    const int len = static_cast<int>(intPart.size());
    for (int i = 0; i < len; ++i) {
        if (s.Grouping && i > 0 && (len - i) % 3 == 0 && !fs.ThousandSeparator.isNull()) {
            out.append(fs.ThousandSeparator);
        }
        out.append(QLatin1Char(intPart[static_cast<std::size_t>(i)]));
    }
    std::string frac = d.FractionPart(s.MaxDecimals);
    while (static_cast<int>(frac.size()) > s.MinDecimals && !frac.empty() && frac.back() == '0') {
        frac.pop_back();
    }
    if (!frac.empty()) {
        out.append(fs.DecimalSeparator);
        out.append(QString::fromLatin1(frac.data(), static_cast<int>(frac.size())));
    }
    out.append(s.Suffix);
    return out;
}

} // namespace

QString FormatFloat(const QString& mask, double value) {
    const TMask& m = parseMask(mask);
    if (!std::isfinite(value)) {
        return std::isnan(value) ? QStringLiteral("NAN")
                                 : (value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
    }
    auto d = detail::TDecimalDigits::FromDouble(value);
    const bool negative = d.Negative;
    const TMaskSection* section = &m.Sections[0];
    if (negative && m.Sections.size() >= 2) {
        section = &m.Sections[1];
    }
    d.RoundTo(section->MaxDecimals);
    if (d.IsZero()) {
        // A negative that rounds to zero shows as zero, without a sign.
        section = m.Sections.size() >= 3 ? &m.Sections[2] : &m.Sections[0];
        return formatDigits(*section, d);
    }
    QString out = formatDigits(*section, d);
    if (negative && m.Sections.size() < 2) {
        out.prepend(QLatin1Char('-'));
    }
    return out;
}

} // namespace pla
