#pragma once

#include <QChar>
#include <QString>
#include <array>

namespace pla {

// Process-wide number and date conventions, Brazilian Portuguese unless the
// administrator chooses the system locale. Tests pin the settings they assume.
struct TFormatSettings {
    QChar DecimalSeparator;
    QChar ThousandSeparator;
    QChar DateSeparator;
    QString ShortDateFormat; // in FormatDateTime's pattern language, e.g. "dd/mm/yyyy"
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 12> ShortMonthNames;
    std::array<QString, 7> LongDayNames; // Sunday first
    std::array<QString, 7> ShortDayNames;

    static TFormatSettings PtBr();
    static TFormatSettings FromSystemLocale();

    static const TFormatSettings& Current();
    static void SetCurrent(const TFormatSettings& settings);
};

// Installs a settings value for the life of the scope and restores the previous one.
class TFormatSettingsScope {
public:
    explicit TFormatSettingsScope(const TFormatSettings& settings);
    ~TFormatSettingsScope();
    TFormatSettingsScope(const TFormatSettingsScope&) = delete;
    TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

private:
    TFormatSettings previous_;
};

} // namespace pla
