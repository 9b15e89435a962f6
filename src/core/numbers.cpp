#include "numbers.h"

#include "decimal_digits.h"
#include "errors.h"
#include "format_settings.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace pla {

double RoundDec(double value, int decimals) {
    if (!std::isfinite(value)) {
        return value;
    }
    auto d = detail::TDecimalDigits::FromDouble(value);
    d.RoundTo(decimals);
    return d.ToDouble();
}

QString FloatToStr(double value) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? QStringLiteral("NAN")
                                 : (value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    QString s = QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
    s.replace(QLatin1Char('.'), TFormatSettings::Current().DecimalSeparator);
    return s;
}

bool TryStrToFloat(const QString& text, double& value) {
    const QChar dec = TFormatSettings::Current().DecimalSeparator;
    const QString t = text.trimmed();
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(t.size()));
    int i = 0;
    const int n = static_cast<int>(t.size());
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        if (t[i] == QLatin1Char('-')) {
            ascii.push_back('-');
        }
        ++i;
    }
    int mantissaDigits = 0;
    bool seenPoint = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ascii.push_back(static_cast<char>(c.unicode()));
            ++mantissaDigits;
        } else if (c == dec && !seenPoint) {
            ascii.push_back('.');
            seenPoint = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ascii.push_back('e');
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
            ascii.push_back(static_cast<char>(t[i].unicode()));
            ++i;
        }
        int expDigits = 0;
        for (; i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i) {
            ascii.push_back(static_cast<char>(t[i].unicode()));
            ++expDigits;
        }
        if (expDigits == 0) {
            return false;
        }
    }
    if (i != n) {
        return false;
    }
    double v = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size() || !std::isfinite(v)) {
        return false;
    }
    value = v;
    return true;
}

double StrToFloat(const QString& text) {
    double v = 0;
    if (!TryStrToFloat(text, v)) {
        throw EConvertError(QStringLiteral("'%1' não é um valor numérico válido").arg(text));
    }
    return v;
}

double FloatMaskOut(const QString& text) {
    const QChar dec = TFormatSettings::Current().DecimalSeparator;
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            kept.append(c);
        } else if (c == QLatin1Char(',') || c == QLatin1Char('.')) {
            kept.append(dec);
        }
    }
    return StrToFloat(kept);
}

} // namespace pla
