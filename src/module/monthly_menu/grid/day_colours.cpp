#include "day_colours.h"

namespace pla::module {

namespace {

const QString None = QStringLiteral("  ");

template <typename Applies>
QStringList perDay(const QDate& month, Applies applies, const QString& colour) {
    QStringList out{QStringLiteral("0")};
    const QDate first(month.year(), month.month(), 1);
    for (int d = 1; d <= first.daysInMonth(); ++d) {
        out << (applies(first.addDays(d - 1)) ? colour : None);
    }
    return out;
}

} // namespace

bool CardBlock(const QDate& day, const QDate& baseDate, int qtDiaBloqCar) {
    return day < baseDate.addDays(qtDiaBloqCar);
}

QStringList CoresBloqueio(const QDate& month, const QDate& baseDate, int qtDiaBloqCar,
                          const QString& colour) {
    return perDay(
        month, [&](const QDate& d) { return CardBlock(d, baseDate, qtDiaBloqCar); }, colour);
}

QStringList CoresFeriado(const QDate& month, const QSet<QDate>& holidays, const QString& colour) {
    return perDay(
        month, [&](const QDate& d) { return holidays.contains(d); }, colour);
}

bool CheckOpcao(const QStringList& stlOpcao, const QString& order) {
    return stlOpcao.contains(order.left(3).leftJustified(3) + QStringLiteral("%S"));
}

} // namespace pla::module
