#pragma once

#include "server/db_layer.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace pla::server {

// Failed attempts to prove who one is (a sign-in, a supervisor's authorisation), kept
// in the database so that every server over it honours them. Too many failures for one
// operator, or from one address, within the window close the door until the oldest of
// them leaves the window.
struct TThrottleRules {
    int PerOperator = 5;
    int PerOrigin = 20;
    int WindowMinutes = 15;
};

class TAttemptThrottle {
public:
    using TRules = TThrottleRules;
    using TClock = std::function<QDateTime()>; // an instant, in UTC

    explicit TAttemptThrottle(TRules rules = {}, TClock now = {});

    // Raises EPlaError "Muitas tentativas sem sucesso ... Tente novamente às hh:mm."
    void Check(TDatabase& db, const QString& kind, const QString& operador,
               const QString& origin) const;
    // Records a failure: the operator named, the address it came from and, for an
    // authorisation, who asked for it.
    void Failed(TDatabase& db, const QString& kind, const QString& operador, const QString& origin,
                const QString& asker = {}) const;
    // A success forgets the operator's failures.
    void Succeeded(TDatabase& db, const QString& kind, const QString& operador) const;

private:
    TRules rules_;
    TClock now_;
};

} // namespace pla::server
