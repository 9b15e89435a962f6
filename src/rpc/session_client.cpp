#include "session_client.h"

#include "rpc_protocol.h"

namespace pla::rpc {

namespace {

[[noreturn]] void raise(const TTransportReply& reply, const QString& what) {
    if (reply.Status == 0) {
        throw ERpcError(0, QStringLiteral("%1: %2").arg(what, reply.Failure));
    }
    QString text = DecodeErrorBody(reply.Body);
    if (text.isEmpty()) {
        text = QStringLiteral("resposta HTTP %1").arg(reply.Status);
    }
    throw ERpcError(reply.Status, text);
}

} // namespace

TSignedIn SignIn(TRpcTransport& transport, const QString& operador, const QString& password) {
    const TTransportReply reply = transport.SignIn(EncodeValue(QVariantList{operador, password}));
    if (reply.Status != static_cast<int>(TRpcStatus::Ok)) {
        raise(reply, QStringLiteral("Entrada no servidor"));
    }
    try {
        const QVariantList pair = DecodeValue(reply.Body).toList();
        if (pair.size() == 2 && pair[0].typeId() == QMetaType::QString &&
            pair[1].typeId() == QMetaType::QDateTime) {
            return {pair[0].toString(), pair[1].toDateTime()};
        }
    } catch (const EDecodeError&) {
    }
    throw ERpcError(0, QStringLiteral("Entrada no servidor: resposta inválida"));
}

void SignOut(TRpcTransport& transport, const QString& token) {
    const TTransportReply reply = transport.SignOut(token);
    if (reply.Status != static_cast<int>(TRpcStatus::Ok)) {
        raise(reply, QStringLiteral("Saída do servidor"));
    }
}

} // namespace pla::rpc
