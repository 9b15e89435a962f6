#pragma once

#include <QString>

namespace pla::server {

// Passwords are kept only as "pbkdf2-sha256$<iterations>$<salt>$<hash>" (salt and
// hash in base64): PBKDF2-HMAC-SHA256 with a random 16-byte salt.
constexpr int DefaultPasswordIterations = 600000;

QString HashPassword(const QString& password, int iterations = DefaultPasswordIterations);
// Constant-time check; a malformed stored text never matches.
bool VerifyPassword(const QString& password, const QString& stored);

// A fresh random token of 32 bytes, base64url, and the SHA-256 (hex) kept for it.
QString NewSessionToken();
QString TokenDigest(const QString& token);

} // namespace pla::server
