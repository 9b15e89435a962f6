#pragma once

#include <QString>

namespace pla {

// Text without leading and trailing blanks.
QString AllTrim(const QString& text);

// True when the text holds nothing but blanks.
bool EmptyString(const QString& text);

// A code typed shorter than its width, made fixed-width: a numeric code gets
// leading zeros ("1" → "0001"), any other is padded with blanks on the right.
// Blanks around the typed code are dropped first; a longer code is returned as
// typed, so that the field's own size check reports it.
QString Ajusta(const QString& text, int width);

// A code picture ("9.99.999"): each run of "9" is one level of the code, the other
// characters separate them. The number of levels; 1 for an empty picture.
int NiveisMascara(const QString& picture);
// The code shown through its picture ("101001" → "1.01.001"). A code that does not
// fill the picture's positions exactly is shown as it is.
QString FormataCodigo(const QString& code, const QString& picture);

// How a cost type shows in the cost-type lists: "06 - CUSTO MEDIO".
QString FormatTipoCusto(int number, const QString& name);

template <typename T> T iif(bool condition, const T& whenTrue, const T& whenFalse) {
    return condition ? whenTrue : whenFalse;
}

inline QString iif(bool condition, const char* whenTrue, const char* whenFalse) {
    return QString::fromUtf8(condition ? whenTrue : whenFalse);
}

} // namespace pla
