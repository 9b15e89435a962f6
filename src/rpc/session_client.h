#pragma once

#include "rpc_transport.h"

#include <QDateTime>

namespace pla::rpc {

struct TSignedIn {
    QString Token;
    QDateTime Expira;
};

// Opens a session for an operator; a refusal raises ERpcError with the server's
// text ("Operador ou senha inválidos.").
TSignedIn SignIn(TRpcTransport& transport, const QString& operador, const QString& password);
void SignOut(TRpcTransport& transport, const QString& token);

} // namespace pla::rpc
