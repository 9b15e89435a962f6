#include "number_guard.h"

#include "core/format_settings.h"

namespace pla::host {

QChar MaxNumber(const QString& text, int integerDigits, int decimals, QChar key, int selStart,
                int selLength) {
    if (key.unicode() < 0x20) {
        return key; // backspace, enter, tab
    }
    const QChar dec = TFormatSettings::Current().DecimalSeparator;
    QChar typed = key;
    if (key == QLatin1Char(',') || key == QLatin1Char('.')) {
        typed = dec;
    } else if (!key.isDigit()) {
        return {};
    }
    const int start = std::clamp(selStart, 0, static_cast<int>(text.size()));
    const int length = std::clamp(selLength, 0, static_cast<int>(text.size()) - start);
    const QString result = text.left(start) + typed + text.mid(start + length);
    const auto point = result.indexOf(dec);
    if (typed == dec && (decimals <= 0 || result.count(dec) > 1)) {
        return {};
    }
    int intDigits = 0;
    int decDigits = 0;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result[i].isDigit()) {
            (point >= 0 && i > point ? decDigits : intDigits) += 1;
        }
    }
    if (intDigits > integerDigits || decDigits > decimals) {
        return {};
    }
    return typed;
}

} // namespace pla::host
