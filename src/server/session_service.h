#pragma once

#include "database.h"
#include "dispatcher.h"

#include <QDateTime>
#include <optional>

namespace pla::server {

struct TSession {
    QString Token; // given to the client once, never stored
    QString Operador;
    QDateTime Expira; // wall clock of the server
};

// Sign-in, sign-out and the check of every call's session, kept in the database so
// that any server over the same database honours any session.
class TSessionService : public ISessions {
public:
    TSessionService(TDatabasePool& pool, int lifetimeMinutes = 12 * 60)
        : pool_(pool)
        , lifetime_(lifetimeMinutes) {}

    // Raises EPlaError "Operador ou senha inválidos." for an unknown operator, a
    // wrong password or an inactive operator alike.
    TSession Open(const QString& operador, const QString& password);
    std::pair<QString, QDateTime> SignIn(const QString& operador,
                                         const QString& password) override {
        const TSession s = Open(operador, password);
        return {s.Token, s.Expira};
    }
    void SignOut(const QString& token) override;
    std::optional<QString> Authenticate(const QString& token) override;
    // Checks an operator's own password without opening a session (a supervisor
    // authorising an operation).
    bool CheckPassword(const QString& operador, const QString& password);
    int PurgeExpired();

private:
    TDatabasePool& pool_;
    int lifetime_;
};

} // namespace pla::server
