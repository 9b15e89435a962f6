#include "password_policy.h"

#include "core/errors.h"

#include <QSet>

namespace pla::server {

namespace {

// The passwords guessers try first, in Portuguese and English, as people write them
// (compared without regard to case).
const QSet<QString>& commonPasswords() {
    static const QSet<QString> list{
        QStringLiteral("12345678"),      QStringLiteral("123456789"),
        QStringLiteral("1234567890"),    QStringLiteral("87654321"),
        QStringLiteral("11223344"),      QStringLiteral("12341234"),
        QStringLiteral("123123123"),     QStringLiteral("12344321"),
        QStringLiteral("01234567"),      QStringLiteral("password"),
        QStringLiteral("password1"),     QStringLiteral("password123"),
        QStringLiteral("passw0rd"),      QStringLiteral("qwertyui"),
        QStringLiteral("qwerty123"),     QStringLiteral("qwertyuiop"),
        QStringLiteral("asdfghjk"),      QStringLiteral("asdf1234"),
        QStringLiteral("zxcvbnm1"),      QStringLiteral("abcd1234"),
        QStringLiteral("abc12345"),      QStringLiteral("abcdefgh"),
        QStringLiteral("iloveyou"),      QStringLiteral("sunshine"),
        QStringLiteral("football"),      QStringLiteral("baseball"),
        QStringLiteral("princess"),      QStringLiteral("welcome1"),
        QStringLiteral("admin123"),      QStringLiteral("administrator"),
        QStringLiteral("letmein1"),      QStringLiteral("trustno1"),
        QStringLiteral("senha123"),      QStringLiteral("senha1234"),
        QStringLiteral("senha12345"),    QStringLiteral("minhasenha"),
        QStringLiteral("mudar123"),      QStringLiteral("mudarsenha"),
        QStringLiteral("trocar123"),     QStringLiteral("brasil123"),
        QStringLiteral("brasil2026"),    QStringLiteral("flamengo"),
        QStringLiteral("corinthians"),   QStringLiteral("palmeiras"),
        QStringLiteral("saopaulo"),      QStringLiteral("vasco123"),
        QStringLiteral("gremio123"),     QStringLiteral("cruzeiro"),
        QStringLiteral("amor1234"),      QStringLiteral("deus1234"),
        QStringLiteral("jesus123"),      QStringLiteral("familia1"),
        QStringLiteral("cardapio"),      QStringLiteral("cardapio1"),
        QStringLiteral("cardapio123"),   QStringLiteral("nutricao"),
        QStringLiteral("nutricionista"), QStringLiteral("restaurante"),
        QStringLiteral("cozinha1"),      QStringLiteral("refeicao"),
        QStringLiteral("merenda1"),      QStringLiteral("usuario1"),
        QStringLiteral("operador"),      QStringLiteral("operador1"),
        QStringLiteral("supervisor"),    QStringLiteral("teste123"),
        QStringLiteral("testeteste"),    QStringLiteral("changeme"),
        QStringLiteral("default1"),
    };
    return list;
}

} // namespace

QString WhyWeakPassword(const QString& password, const QString& operador) {
    if (password.size() < MinPasswordLength) {
        return QStringLiteral("A senha deve ter ao menos %1 caracteres.").arg(MinPasswordLength);
    }
    if (!operador.trimmed().isEmpty() &&
        password.trimmed().compare(operador.trimmed(), Qt::CaseInsensitive) == 0) {
        return QStringLiteral("A senha não pode ser o código do operador.");
    }
    if (password.count(password.at(0)) == password.size()) {
        return QStringLiteral("A senha não pode ser um só caractere repetido.");
    }
    if (commonPasswords().contains(password.toLower())) {
        return QStringLiteral("A senha é uma das mais usadas e fáceis de adivinhar.");
    }
    return {};
}

void CheckPasswordStrength(const QString& password, const QString& operador) {
    const QString why = WhyWeakPassword(password, operador);
    if (!why.isEmpty()) {
        throw EPlaError(why);
    }
}

} // namespace pla::server
