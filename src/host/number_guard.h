#pragma once

#include <QChar>
#include <QString>

namespace pla::host {

// The host's number guard for a key typed into a number box: the key to take, or a
// null QChar to refuse it. Digits and one decimal separator ("," or "." typed, the
// locale's given back) are taken while the text, with the selection replaced, keeps
// at most `integerDigits` digits before the separator and `decimals` after it.
// Control keys (backspace, ...) always pass; anything else is refused.
QChar MaxNumber(const QString& text, int integerDigits, int decimals, QChar key, int selStart,
                int selLength);

} // namespace pla::host
