#include "clock.h"

#include "dates.h"
#include "errors.h"

#include <cstdlib>
#include <ctime>

namespace pla {

namespace {

QDate fromEnvironment() {
    const QString text = qEnvironmentVariable("PLA_HOJE").trimmed();
    if (text.isEmpty()) {
        return {};
    }
    const QDate day = LeHoje(text);
    if (!day.isValid()) {
        throw EPlaError(QStringLiteral("PLA_HOJE não é uma data (aaaa-mm-dd): %1").arg(text));
    }
    return day;
}

QDate& fixed() {
    static QDate day = fromEnvironment();
    return day;
}

} // namespace

QDateTime Instante() {
    return QDateTime::currentDateTimeUtc();
}

QDate LeHoje(const QString& text) {
    return QDate::fromString(text.trimmed(), Qt::ISODate);
}

void FixaFusoHorario() {
    if (std::getenv("TZ") == nullptr) {
        ::setenv("TZ", ":/etc/localtime", 0);
        ::tzset();
    }
}

QDate Hoje() {
    const QDate day = fixed();
    return day.isValid() ? day : QDate::currentDate();
}

QDateTime Agora() {
    const QDateTime now = NormalizaDataHora(QDateTime::currentDateTime());
    const QDate day = fixed();
    return day.isValid() ? DataHora(day, now.time()) : now;
}

THojeScope::THojeScope(const QDate& today)
    : previous_(fixed()) {
    fixed() = today;
}

THojeScope::~THojeScope() {
    fixed() = previous_;
}

} // namespace pla
