#pragma once

#include <QString>

namespace pla::server {

constexpr int MinPasswordLength = 8;

// Why a password is too easy to guess, in the administrator's words; empty when it is
// not: shorter than MinPasswordLength, the operator's own code, one character
// repeated, or one of the common passwords a guesser tries first.
QString WhyWeakPassword(const QString& password, const QString& operador);

// Raises EPlaError with that reason.
void CheckPasswordStrength(const QString& password, const QString& operador);

} // namespace pla::server
