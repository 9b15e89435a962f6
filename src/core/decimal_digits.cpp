#include "decimal_digits.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace pla::detail {

TDecimalDigits TDecimalDigits::FromDouble(double value) {
    TDecimalDigits d;
    if (value == 0.0 || !std::isfinite(value)) {
        return d;
    }
    d.Negative = value < 0;
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    // Shortest scientific form: "d[.ddd]e±xx".
    const std::string s(buf, res.ptr);
    const auto e = s.find('e');
    for (std::size_t i = 0; i < e; ++i) {
        if (s[i] != '.') {
            d.Digits.push_back(s[i]);
        }
    }
    d.PointPos = std::atoi(s.c_str() + e + 1) + 1;
    while (!d.Digits.empty() && d.Digits.back() == '0') {
        d.Digits.pop_back();
    }
    return d;
}

void TDecimalDigits::RoundTo(int decimals) {
    const int keep = PointPos + decimals;
    if (keep >= static_cast<int>(Digits.size())) {
        return;
    }
    if (keep < 0) {
        Digits.clear();
        PointPos = 0;
        return;
    }
    const bool up = Digits[static_cast<std::size_t>(keep)] >= '5';
    Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            char& c = Digits[static_cast<std::size_t>(i)];
            if (c == '9') {
                c = '0';
            } else {
                ++c;
                break;
            }
        }
        if (i < 0) {
            Digits.insert(Digits.begin(), '1');
            ++PointPos;
        }
    }
    while (!Digits.empty() && Digits.back() == '0') {
        Digits.pop_back();
    }
    if (Digits.empty()) {
        PointPos = 0;
        Negative = false;
    }
}

double TDecimalDigits::ToDouble() const {
    if (Digits.empty()) {
        return 0.0;
    }
    std::string s = (Negative ? "-0." : "0.") + Digits + "e" + std::to_string(PointPos);
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc()) {
        // Out of range after rounding up at the very top of the double range.
        return Negative ? -HUGE_VAL : HUGE_VAL;
    }
    return v;
}

std::string TDecimalDigits::IntegerPart() const {
    if (PointPos <= 0 || Digits.empty()) {
        return "0";
    }
    std::string out = Digits.substr(0, std::min<std::size_t>(Digits.size(), PointPos));
    out.append(static_cast<std::size_t>(PointPos) - out.size(), '0');
    return out;
}

std::string TDecimalDigits::FractionPart(int decimals) const {
    std::string out;
    out.reserve(static_cast<std::size_t>(std::max(decimals, 0)));
    for (int i = 0; i < decimals; ++i) {
        const int idx = PointPos + i; // index into Digits of the i-th fraction digit
        out.push_back(idx >= 0 && idx < static_cast<int>(Digits.size())
                          ? Digits[static_cast<std::size_t>(idx)]
                          : '0');
    }
    return out;
}

} // namespace pla::detail
