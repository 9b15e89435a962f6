#include "format_settings.h"

#include <QLocale>

namespace pla {

namespace {

TFormatSettings& current() {
    static TFormatSettings settings = TFormatSettings::PtBr();
    return settings;
}

// Turns a Qt date pattern ("dd/MM/yyyy") into ours ("dd/mm/yyyy"): only the month
// letters differ for the short date.
QString fromQtDatePattern(const QString& qt) {
    QString out = qt;
    out.replace(QLatin1Char('M'), QLatin1Char('m'));
    return out;
}

} // namespace

TFormatSettings TFormatSettings::PtBr() {
    TFormatSettings s;
    s.DecimalSeparator = QLatin1Char(',');
    s.ThousandSeparator = QLatin1Char('.');
    s.DateSeparator = QLatin1Char('/');
    s.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    s.LongMonthNames = {
        QStringLiteral("janeiro"), QStringLiteral("fevereiro"), QStringLiteral("março"),
        QStringLiteral("abril"),   QStringLiteral("maio"),      QStringLiteral("junho"),
        QStringLiteral("julho"),   QStringLiteral("agosto"),    QStringLiteral("setembro"),
        QStringLiteral("outubro"), QStringLiteral("novembro"),  QStringLiteral("dezembro")};
    s.ShortMonthNames = {QStringLiteral("jan"), QStringLiteral("fev"), QStringLiteral("mar"),
                         QStringLiteral("abr"), QStringLiteral("mai"), QStringLiteral("jun"),
                         QStringLiteral("jul"), QStringLiteral("ago"), QStringLiteral("set"),
                         QStringLiteral("out"), QStringLiteral("nov"), QStringLiteral("dez")};
    s.LongDayNames = {QStringLiteral("domingo"),      QStringLiteral("segunda-feira"),
                      QStringLiteral("terça-feira"),  QStringLiteral("quarta-feira"),
                      QStringLiteral("quinta-feira"), QStringLiteral("sexta-feira"),
                      QStringLiteral("sábado")};
    s.ShortDayNames = {QStringLiteral("dom"), QStringLiteral("seg"), QStringLiteral("ter"),
                       QStringLiteral("qua"), QStringLiteral("qui"), QStringLiteral("sex"),
                       QStringLiteral("sáb")};
    return s;
}

TFormatSettings TFormatSettings::FromSystemLocale() {
    const QLocale loc = QLocale::system();
    TFormatSettings s;
    s.DecimalSeparator = loc.decimalPoint().at(0);
    s.ThousandSeparator = loc.groupSeparator().isEmpty() ? QChar() : loc.groupSeparator().at(0);
    s.ShortDateFormat = fromQtDatePattern(loc.dateFormat(QLocale::ShortFormat));
    s.DateSeparator = QLatin1Char('/');
    for (QChar c : loc.dateFormat(QLocale::ShortFormat)) {
        if (!c.isLetter()) {
            s.DateSeparator = c;
            break;
        }
    }
    for (int m = 1; m <= 12; ++m) {
        s.LongMonthNames[m - 1] = loc.standaloneMonthName(m, QLocale::LongFormat);
        s.ShortMonthNames[m - 1] = loc.standaloneMonthName(m, QLocale::ShortFormat);
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d; // Qt counts Monday as 1 and Sunday as 7
        s.LongDayNames[d] = loc.standaloneDayName(qtDay, QLocale::LongFormat);
        s.ShortDayNames[d] = loc.standaloneDayName(qtDay, QLocale::ShortFormat);
    }
    return s;
}

const TFormatSettings& TFormatSettings::Current() {
    return current();
}

void TFormatSettings::SetCurrent(const TFormatSettings& settings) {
    current() = settings;
}

TFormatSettingsScope::TFormatSettingsScope(const TFormatSettings& settings)
    : previous_(TFormatSettings::Current()) {
    TFormatSettings::SetCurrent(settings);
}

TFormatSettingsScope::~TFormatSettingsScope() {
    TFormatSettings::SetCurrent(previous_);
}

} // namespace pla
