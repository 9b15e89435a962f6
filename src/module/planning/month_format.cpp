#include "month_format.h"

namespace pla::module {

QString FormatoMes(const QString& shortDateFormat) {
    QString f = shortDateFormat.left(15);
    const qsizetype firstD = f.indexOf(QLatin1Char('d'), 0, Qt::CaseInsensitive);
    const int width = f.contains(QStringLiteral("dd"), Qt::CaseInsensitive) ? 3 : 2;
    if (firstD == 0) {
        f.remove(0, width);
    } else if (firstD > 0) {
        f.remove(firstD - 1, width);
    }
    if (!f.contains(QStringLiteral("mm"), Qt::CaseInsensitive)) {
        const qsizetype m = f.indexOf(QLatin1Char('m'), 0, Qt::CaseInsensitive);
        if (m >= 0) {
            f.insert(m, f.at(m));
        }
    }
    return f;
}

} // namespace pla::module
