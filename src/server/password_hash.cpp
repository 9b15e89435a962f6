#include "password_hash.h"

#include "core/errors.h"

#include <QCryptographicHash>
#include <QStringList>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace pla::server {

namespace {

QByteArray randomBytes(int n) {
    QByteArray b(n, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char*>(b.data()), n) != 1) {
        throw EPlaError(QStringLiteral("Gerador de números aleatórios indisponível"));
    }
    return b;
}

QByteArray derive(const QString& password, const QByteArray& salt, int iterations) {
    const QByteArray pw = password.toUtf8();
    QByteArray out(32, Qt::Uninitialized);
    if (PKCS5_PBKDF2_HMAC(pw.constData(), static_cast<int>(pw.size()),
                          reinterpret_cast<const unsigned char*>(salt.constData()),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(),
                          static_cast<int>(out.size()),
                          reinterpret_cast<unsigned char*>(out.data())) != 1) {
        throw EPlaError(QStringLiteral("Falha ao calcular o resumo da senha"));
    }
    return out;
}

} // namespace

QString HashPassword(const QString& password, int iterations) {
    if (iterations < 1000) {
        throw EProgramError(QStringLiteral("Iterações de senha baixas demais: %1").arg(iterations));
    }
    const QByteArray salt = randomBytes(16);
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()),
             QString::fromLatin1(derive(password, salt, iterations).toBase64()));
}

bool VerifyPassword(const QString& password, const QString& stored) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != QLatin1String("pbkdf2-sha256")) {
        return false;
    }
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1000 || iterations > 10'000'000) {
        return false;
    }
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    if (salt.isEmpty() || expected.size() != 32) {
        return false;
    }
    const QByteArray got = derive(password, salt, iterations);
    return CRYPTO_memcmp(got.constData(), expected.constData(), 32) == 0;
}

QString NewSessionToken() {
    return QString::fromLatin1(
        randomBytes(32).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString TokenDigest(const QString& token) {
    return QString::fromLatin1(
        QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace pla::server
