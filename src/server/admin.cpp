#include "admin.h"

#include "password_hash.h"

#include <QRegularExpression>

namespace pla::server {

namespace {

QString checkedCode(const QString& code) {
    const QString c = code.trimmed().toUpper();
    static const QRegularExpression valid(QStringLiteral("^[A-Z0-9_.]{1,12}$"));
    if (!valid.match(c).hasMatch()) {
        throw EPlaError(QStringLiteral("Código de operador inválido: \"%1\" (até 12 letras e "
                                       "algarismos)")
                            .arg(code));
    }
    return c;
}

void checkPermissions(const QString& permissions) {
    static const QRegularExpression valid(QStringLiteral("^[01]{17}$"));
    if (!valid.match(permissions).hasMatch()) {
        throw EPlaError(
            QStringLiteral("Permissões devem ser 17 caracteres 0 ou 1: \"%1\"").arg(permissions));
    }
}

void requireOperator(TDatabase& db, const QString& code) {
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = ?"), {code})
            .toInt() == 0) {
        throw EPlaError(QStringLiteral("Operador %1 não cadastrado.").arg(code));
    }
}

QString hash(const QString& password, int iterations) {
    return iterations > 0 ? HashPassword(password, iterations) : HashPassword(password);
}

} // namespace

void CheckOperatorFields(const TNewOperator& op) {
    checkedCode(op.Code);
    if (op.Name.trimmed().isEmpty() || op.Name.trimmed().size() > 40) {
        throw EPlaError(QStringLiteral("Nome do operador deve ter de 1 a 40 caracteres."));
    }
    checkPermissions(op.Permissions);
    if (op.Kind != QLatin1Char('M') && op.Kind != QLatin1Char('F')) {
        throw EPlaError(QStringLiteral("Tipo de operador deve ser M ou F."));
    }
}

void AddOperator(TDatabase& db, const TNewOperator& op, int iterations) {
    CheckOperatorFields(op);
    const QString code = checkedCode(op.Code);
    CheckPasswordStrength(op.Password, code);
    TTransaction tx(db, true);
    if (db.Scalar(QStringLiteral("SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = ?"), {code})
            .toInt() > 0) {
        throw EPlaError(QStringLiteral("Operador %1 já cadastrado.").arg(code));
    }
    if (!op.Branch.isEmpty() &&
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = ?"), {op.Branch})
                .toInt() == 0) {
        throw EPlaError(QStringLiteral("Filial %1 não cadastrada.").arg(op.Branch));
    }
    db.Exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSSENHA, IDATIVO, "
                           "IDSUPERVISOR, IDTIPOOPER, DSPERMISSAO, CDFILIAL) "
                           "VALUES (?, ?, ?, 'S', ?, ?, ?, ?)"),
            {code, op.Name.trimmed(), hash(op.Password, iterations),
             op.Supervisor ? QStringLiteral("S") : QStringLiteral("N"), QString(op.Kind),
             op.Permissions, op.Branch.isEmpty() ? QVariant() : QVariant(op.Branch)});
    tx.Commit();
}

void SetPassword(TDatabase& db, const QString& code, const QString& password, int iterations) {
    const QString c = checkedCode(code);
    CheckPasswordStrength(password, c);
    TTransaction tx(db, true);
    requireOperator(db, c);
    db.Exec(QStringLiteral("UPDATE OPERADOR SET DSSENHA = ? WHERE CDOPERADOR = ?"),
            {hash(password, iterations), c});
    // A new password ends the sessions opened with the old one.
    db.Exec(QStringLiteral("DELETE FROM SESSAO WHERE CDOPERADOR = ?"), {c});
    tx.Commit();
}

void Grant(TDatabase& db, const QString& code, const QString& permissions,
           const QStringList& screens, const QList<int>& supervise) {
    const QString c = checkedCode(code);
    if (!permissions.isEmpty()) {
        checkPermissions(permissions);
    }
    static const QRegularExpression access(QStringLiteral("^[A-Z0-9]{2,10};[A-Z0-9-]{2,20}$"));
    for (const QString& s : screens) {
        if (!access.match(s).hasMatch()) {
            throw EPlaError(
                QStringLiteral("Acesso deve ser SIGLA;TELA, como PLA;PLA00115: \"%1\"").arg(s));
        }
    }
    for (int k : supervise) {
        if (k <= 0) {
            throw EPlaError(QStringLiteral("Tipo de autorização inválido: %1").arg(k));
        }
    }
    TTransaction tx(db, true);
    requireOperator(db, c);
    if (!permissions.isEmpty()) {
        db.Exec(QStringLiteral("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = ?"),
                {permissions, c});
    }
    for (const QString& s : screens) {
        db.Exec(QStringLiteral("DELETE FROM ACESSOTELA WHERE CDOPERADOR = ? AND DSACESSO = ?"),
                {c, s});
        db.Exec(QStringLiteral("INSERT INTO ACESSOTELA (CDOPERADOR, DSACESSO) VALUES (?, ?)"),
                {c, s});
    }
    if (!supervise.isEmpty()) {
        db.Exec(QStringLiteral("UPDATE OPERADOR SET IDSUPERVISOR = 'S' WHERE CDOPERADOR = ?"), {c});
    }
    for (int k : supervise) {
        db.Exec(QStringLiteral("DELETE FROM AUTORIZSUPERV WHERE CDOPERADOR = ? AND "
                               "NRTIPOAUTORIZ = ?"),
                {c, k});
        db.Exec(
            QStringLiteral("INSERT INTO AUTORIZSUPERV (CDOPERADOR, NRTIPOAUTORIZ) VALUES (?, ?)"),
            {c, k});
    }
    tx.Commit();
}

void CreateLookupRole(TDatabase& db, const QString& role, const QString& password) {
    if (db.Dialect() != TDialect::PostgreSQL) {
        throw EPlaError(QStringLiteral("Papel de consulta só existe no PostgreSQL; no SQLite o "
                                       "aplicativo abre o arquivo só para leitura."));
    }
    static const QRegularExpression valid(QStringLiteral("^[a-z_][a-z0-9_]{0,30}$"));
    if (!valid.match(role).hasMatch()) {
        throw EPlaError(
            QStringLiteral("Nome de papel inválido: \"%1\" (minúsculas, algarismos e _)")
                .arg(role));
    }
    CheckPasswordStrength(password, role);
    // Names cannot be bound as values: the role is checked above, the password is
    // quoted by doubling its quotes.
    QString quoted = password;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    TTransaction tx(db, true);
    const bool exists =
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM pg_roles WHERE rolname = ?"), {role})
            .toInt() > 0;
    db.Exec(QStringLiteral("%1 ROLE %2 LOGIN PASSWORD '%3'")
                .arg(exists ? QStringLiteral("ALTER") : QStringLiteral("CREATE"), role, quoted));
    db.Exec(QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(role));
    db.Exec(QStringLiteral("GRANT SELECT ON %1 TO %2")
                .arg(LookupTables().join(QStringLiteral(", ")), role));
    tx.Commit();
}

} // namespace pla::server
