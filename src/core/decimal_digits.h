#pragma once

#include <string>

namespace pla::detail {

// A double as the decimal a person reads: the shortest digit string that converts
// back to the same double. Value = (Negative ? -1 : 1) × 0.Digits × 10^PointPos.
// Rounding works on these digits, so 2.675 rounds as 2.675 and not as the binary
// 2.67499999... it is stored as.
struct TDecimalDigits {
    bool Negative = false;
    std::string Digits; // no leading or trailing zeros; empty for zero
    int PointPos = 0;

    static TDecimalDigits FromDouble(double value);
    // Rounds half away from zero to `decimals` places after the point.
    void RoundTo(int decimals);
    bool IsZero() const { return Digits.empty(); }
    double ToDouble() const;
    // The integer part's digits ("0" when there are none) and `decimals` fraction
    // digits, padded with zeros; call after RoundTo(decimals).
    std::string IntegerPart() const;
    std::string FractionPart(int decimals) const;
};

} // namespace pla::detail
