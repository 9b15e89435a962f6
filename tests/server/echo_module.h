#pragma once

#include "server/dispatcher.h"

#include <memory>

namespace pla::server {

// A module ("Teste.rdmEco") with one method per thing the framework must get right.
std::unique_ptr<TRemoteDataModule> EchoModule();

// Two fixed sessions ("tok-ana" is ANA, "tok-bia" is BIA; ANA signs in with
// "segredo"), so that transport tests need no database.
class TFixedSessions : public ISessions {
public:
    std::optional<QString> Authenticate(const QString& token) override;
    std::pair<QString, QDateTime> SignIn(const QString& operador, const QString& pw,
                                         const QString& origin) override;
    void SignOut(const QString&) override {}
};

} // namespace pla::server
