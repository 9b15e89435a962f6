#include "text_utils.h"

#include <algorithm>

namespace pla {

QString AllTrim(const QString& text) {
    return text.trimmed();
}

bool EmptyString(const QString& text) {
    return text.trimmed().isEmpty();
}

QString Ajusta(const QString& text, int width) {
    const QString t = text.trimmed();
    if (t.size() >= width) {
        return t;
    }
    bool numeric = !t.isEmpty();
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            numeric = false;
            break;
        }
    }
    return numeric ? t.rightJustified(width, QLatin1Char('0'))
                   : t.leftJustified(width, QLatin1Char(' '));
}

QString FormatTipoCusto(int number, const QString& name) {
    return Ajusta(QString::number(number), 2) + QStringLiteral(" - ") + name.trimmed();
}

int NiveisMascara(const QString& picture) {
    int levels = 0;
    bool inLevel = false;
    for (const QChar c : picture) {
        const bool digit = c == QLatin1Char('9');
        if (digit && !inLevel) {
            ++levels;
        }
        inLevel = digit;
    }
    return std::max(levels, 1);
}

QString FormataCodigo(const QString& code, const QString& picture) {
    const QString trimmed = code.trimmed();
    if (picture.count(QLatin1Char('9')) != trimmed.size()) {
        return trimmed;
    }
    QString out;
    qsizetype next = 0;
    for (const QChar c : picture) {
        out += c == QLatin1Char('9') ? trimmed.at(next++) : c;
    }
    return out;
}

} // namespace pla
