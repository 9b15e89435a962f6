#pragma once

#include <QString>

namespace pla {

// Rounds half away from zero on the decimal value a person reads:
// RoundDec(2.675, 2) = 2.68, RoundDec(-1.005, 2) = -1.01.
double RoundDec(double value, int decimals);

// The shortest text that reads back as the same double, with the current
// decimal separator and no thousands separator ("12,5").
QString FloatToStr(double value);

// The standard text-to-float conversion: optional blanks and sign, digits with at
// most one current decimal separator, an optional exponent. Anything else raises
// EConvertError "'text' não é um valor numérico válido".
double StrToFloat(const QString& text);
bool TryStrToFloat(const QString& text, double& value);

// Parses a number as shown by a masked edit or a grid cell: keeps the digits in
// order, turns every "," and "." into the decimal separator, drops everything else
// (signs included) and converts with StrToFloat. "12,50" and "12.50" give 12.5,
// "-3" gives 3, "1.234,5" fails.
double FloatMaskOut(const QString& text);

} // namespace pla
