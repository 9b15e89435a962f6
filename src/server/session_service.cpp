#include "session_service.h"

#include "core/clock.h"
#include "password_hash.h"

namespace pla::server {

namespace {

// Sessions expire at an instant, whatever the time zone of the server that checks:
// they are kept in UTC, unlike the planning dates, which are wall-clock days.
QDateTime now() {
    return Instante();
}

const QString& badSignIn() {
    static const QString text = QStringLiteral("Operador ou senha inválidos.");
    return text;
}

} // namespace

void TPasswordGate::enter() {
    std::unique_lock lock(mutex_);
    if (busy_ >= running_) {
        if (queued_ >= waiting_) {
            throw EServerBusy(QStringLiteral("Muitas entradas ao mesmo tempo: tente de novo em "
                                             "instantes."));
        }
        ++queued_;
        free_.wait(lock, [this] { return busy_ < running_; });
        --queued_;
    }
    ++busy_;
}

void TPasswordGate::leave() {
    {
        std::lock_guard lock(mutex_);
        --busy_;
    }
    free_.notify_one();
}

bool TSessionService::CheckPassword(const QString& operador, const QString& password) {
    return gate_.Run([&] { return checkPassword(operador, password); });
}

bool TSessionService::checkPassword(const QString& operador, const QString& password) {
    TDatabase& db = pool_.ForThisThread();
    TRows q = db.Select(QStringLiteral("SELECT DSSENHA, IDATIVO FROM OPERADOR WHERE "
                                       "CDOPERADOR = ?"),
                        {operador.trimmed().toUpper()});
    if (!q.Next()) {
        // Spend the same time as a real check, so that timing does not tell which
        // operators exist.
        static const QString dummy = QStringLiteral("pbkdf2-sha256$%1$%2$%3")
                                         .arg(DefaultPasswordIterations)
                                         .arg(QString::fromLatin1(QByteArray(16, '\0').toBase64()),
                                              QString::fromLatin1(QByteArray(32, '\0').toBase64()));
        VerifyPassword(password, dummy);
        return false;
    }
    const QString stored = q.Value(0).toString();
    const bool active = q.Value(1).toString() == QLatin1String("S");
    return VerifyPassword(password, stored) && active;
}

TSession TSessionService::Open(const QString& operador, const QString& password,
                               const QString& origin) {
    const QString code = operador.trimmed().toUpper().left(12);
    TDatabase& attempts = pool_.ForThisThread();
    throttle_.Check(attempts, QStringLiteral("ENTRADA"), code, origin);
    if (code.isEmpty() || !CheckPassword(code, password)) {
        throttle_.Failed(attempts, QStringLiteral("ENTRADA"), code, origin);
        throw EPlaError(badSignIn());
    }
    throttle_.Succeeded(attempts, QStringLiteral("ENTRADA"), code);
    TSession s;
    s.Token = NewSessionToken();
    s.Operador = code;
    const QDateTime created = now();
    s.Expira = created.addSecs(qint64(lifetime_) * 60);
    TDatabase& db = pool_.ForThisThread();
    TTransaction tx(db, true);
    db.Exec(QStringLiteral("INSERT INTO SESSAO (DSTOKEN, CDOPERADOR, DTCRIACAO, DTEXPIRA) "
                           "VALUES (?, ?, ?, ?)"),
            {TokenDigest(s.Token), code, created, s.Expira});
    tx.Commit();
    return s;
}

void TSessionService::SignOut(const QString& token) {
    if (token.isEmpty()) {
        return;
    }
    TDatabase& db = pool_.ForThisThread();
    db.Exec(QStringLiteral("DELETE FROM SESSAO WHERE DSTOKEN = ?"), {TokenDigest(token)});
}

std::optional<QString> TSessionService::Authenticate(const QString& token) {
    if (token.isEmpty() || token.size() > 200) {
        return std::nullopt;
    }
    TDatabase& db = pool_.ForThisThread();
    TRows q = db.Select(QStringLiteral("SELECT S.CDOPERADOR, S.DTEXPIRA, O.IDATIVO FROM SESSAO S "
                                       "JOIN OPERADOR O ON O.CDOPERADOR = S.CDOPERADOR "
                                       "WHERE S.DSTOKEN = ?"),
                        {TokenDigest(token)});
    if (!q.Next()) {
        return std::nullopt;
    }
    const QDateTime expira = TDatabase::FromSql(TFieldType::DateTime, q.Value(1)).toDateTime();
    if (expira <= now() || q.Value(2).toString() != QLatin1String("S")) {
        return std::nullopt;
    }
    return q.Value(0).toString();
}

int TSessionService::PurgeExpired() {
    TDatabase& db = pool_.ForThisThread();
    // Failures older than a day close no door any more.
    db.Exec(QStringLiteral("DELETE FROM TENTATIVAFALHA WHERE DTTENTATIVA <= ?"),
            {now().addDays(-1)});
    return db.ExecCount(QStringLiteral("DELETE FROM SESSAO WHERE DTEXPIRA <= ?"), {now()});
}

} // namespace pla::server
