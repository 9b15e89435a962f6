#include "month_format.h"

namespace pla::module {

QString FormatoMes(const QString& shortDateFormat) {
    QString f = shortDateFormat.left(15);
    const qsizetype firstD = f.indexOf(QLatin1Char('d'));
    const int width = f.contains(QStringLiteral("dd")) ? 3 : 2;
    if (firstD == 0) {
        f.remove(0, width);
    } else if (firstD > 0) {
        f.remove(firstD - 1, width);
    }
    if (!f.contains(QStringLiteral("MM"))) {
        const qsizetype m = f.indexOf(QLatin1Char('M'));
        if (m >= 0) {
            f.insert(m, QLatin1Char('M'));
        }
    }
    return f;
}

} // namespace pla::module
