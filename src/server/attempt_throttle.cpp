#include "attempt_throttle.h"

#include "core/clock.h"
#include "core/errors.h"
#include "server/db_layer.h"

namespace pla::server {

namespace {

QDateTime utcNow() {
    return Instante();
}

} // namespace

TAttemptThrottle::TAttemptThrottle(TRules rules, TClock now)
    : rules_(rules)
    , now_(now ? std::move(now) : TClock(utcNow)) {}

void TAttemptThrottle::Check(TDatabase& db, const QString& kind, const QString& operador,
                             const QString& origin) const {
    const QDateTime now = now_();
    const QDateTime since = now.addSecs(-60LL * rules_.WindowMinutes);
    const auto lockedUntil = [&](const QString& column, const QString& value, int limit) {
        // The limit-th most recent failure leaves the window last of those that lock.
        TRows q = db.Select(QStringLiteral("SELECT DTTENTATIVA FROM TENTATIVAFALHA WHERE "
                                           "DSTIPO = ? AND %1 = ? AND DTTENTATIVA > ? ORDER "
                                           "BY DTTENTATIVA DESC")
                                .arg(column),
                            {kind, value, since});
        int n = 0;
        while (q.Next()) {
            if (++n == limit) {
                return TDatabase::FromSql(TFieldType::DateTime, q.Value(0))
                    .toDateTime()
                    .addSecs(60LL * rules_.WindowMinutes);
            }
        }
        return QDateTime();
    };
    QDateTime until = lockedUntil(QStringLiteral("CDOPERADOR"), operador, rules_.PerOperator);
    if (!until.isValid()) {
        until = lockedUntil(QStringLiteral("DSORIGEM"), origin, rules_.PerOrigin);
    }
    if (until.isValid()) {
        // The server's own wall clock: the planner reads it as the time of day.
        const QDateTime local = QDateTime(until.date(), until.time(), Qt::UTC).toLocalTime();
        throw EPlaError(QStringLiteral("Muitas tentativas sem sucesso. Tente novamente às %1.")
                            .arg(local.toString(QStringLiteral("HH:mm"))));
    }
}

void TAttemptThrottle::Failed(TDatabase& db, const QString& kind, const QString& operador,
                              const QString& origin, const QString& asker) const {
    db.Exec(QStringLiteral("INSERT INTO TENTATIVAFALHA (DSTIPO, CDOPERADOR, CDSOLICITANTE, "
                           "DSORIGEM, DTTENTATIVA) VALUES (?, ?, ?, ?, ?)"),
            {kind, operador.left(12), asker.isEmpty() ? QVariant() : QVariant(asker.left(12)),
             origin.left(64), now_()});
}

void TAttemptThrottle::Succeeded(TDatabase& db, const QString& kind,
                                 const QString& operador) const {
    db.Exec(QStringLiteral("DELETE FROM TENTATIVAFALHA WHERE DSTIPO = ? AND CDOPERADOR = ?"),
            {kind, operador});
}

} // namespace pla::server
