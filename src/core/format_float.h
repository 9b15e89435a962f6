#pragma once

#include <QString>

namespace pla {

// Formats a number with a mask in the usual picture language: "0" a required
// digit, "#" an optional digit, "." the decimal separator, "," anywhere in the
// integer part turns on thousands grouping, text in quotes and any other character
// is copied; up to three sections "positive;negative;zero". The separators come
// from the current format settings. Rounding is half away from zero on the decimal
// value. A mask this does not understand is a programming error (EProgramError).
QString FormatFloat(const QString& mask, double value);

} // namespace pla
