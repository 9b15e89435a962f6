#pragma once

#include "dispatcher.h"
#include "server/db_layer.h"

#include "attempt_throttle.h"

#include <QDateTime>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace pla::server {

struct TSession {
    QString Token; // given to the client once, never stored
    QString Operador;
    QDateTime Expira; // wall clock of the server
};

// At most a few password checks at once (they are slow on purpose), and a short queue;
// beyond that a check is refused as busy at once, so that a flood of sign-ins holds
// only a few of the server's workers and the signed-in calls go on.
class TPasswordGate {
public:
    TPasswordGate(int running = 2, int waiting = 2)
        : running_(running)
        , waiting_(waiting) {}
    template <typename Fn> auto Run(Fn fn) {
        enter();
        struct TLeave {
            TPasswordGate& Gate;
            ~TLeave() { Gate.leave(); }
        } leave{*this};
        return fn();
    }

private:
    void enter();
    void leave();

    std::mutex mutex_;
    std::condition_variable free_;
    int running_;
    int waiting_;
    int busy_ = 0;
    int queued_ = 0;
};

// Sign-in, sign-out and the check of every call's session, kept in the database so
// that any server over the same database honours any session.
class TSessionService : public ISessions {
public:
    TSessionService(TDatabasePool& pool, int lifetimeMinutes = 12 * 60,
                    TAttemptThrottle throttle = TAttemptThrottle())
        : pool_(pool)
        , lifetime_(lifetimeMinutes)
        , throttle_(std::move(throttle)) {}

    // Raises EPlaError "Operador ou senha inválidos." for an unknown operator, a
    // wrong password or an inactive operator alike, and says when to try again after
    // too many failures (for the operator, or from the address).
    TSession Open(const QString& operador, const QString& password,
                  const QString& origin = QStringLiteral("local"));
    std::pair<QString, QDateTime> SignIn(const QString& operador, const QString& password,
                                         const QString& origin) override {
        const TSession s = Open(operador, password, origin);
        return {s.Token, s.Expira};
    }
    void SignOut(const QString& token) override;
    std::optional<QString> Authenticate(const QString& token) override;
    // Checks an operator's own password without opening a session (a supervisor
    // authorising an operation).
    bool CheckPassword(const QString& operador, const QString& password);
    const TAttemptThrottle& Throttle() const { return throttle_; }
    int PurgeExpired();

private:
    bool checkPassword(const QString& operador, const QString& password);

    TDatabasePool& pool_;
    int lifetime_;
    TAttemptThrottle throttle_;
    TPasswordGate gate_;
};

} // namespace pla::server
