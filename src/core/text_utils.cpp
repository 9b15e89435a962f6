#include "text_utils.h"

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

} // namespace pla
