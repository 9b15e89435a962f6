#include "net_connection.h"

#include "contracts.h"

namespace pla::rpc {

namespace {
const QString MaybeDoneWarning =
    QStringLiteral(". A operação pode ter sido feita no servidor: confira antes de repetir");
} // namespace

TNetConnection::TNetConnection(const QString& name, QObject* parent)
    : QObject(parent) {
    setObjectName(name);
}

TNetConnection::~TNetConnection() = default;

void TNetConnection::SetConnected(bool connected) {
    if (connected == Connected()) {
        return;
    }
    if (!connected) {
        transport_.reset();
        return;
    }
    if (BeforeConnect) {
        BeforeConnect(*this);
    }
    if (!factory_) {
        throw ERpcError(
            0,
            QStringLiteral("Servidor %1: nenhuma forma de conexão configurada").arg(serverName_));
    }
    transport_ = factory_(*this);
}

QVariant TNetConnection::Call(const QString& method, QList<TRpcArg>& args) {
    if (!Connected()) {
        SetConnected(true);
    }
    const QString where = QStringLiteral("Servidor %1, método %2").arg(serverName_, method);
    const TTransportReply reply =
        transport_->Post(serverName_, method, token_ ? token_() : QString(), EncodeArgs(args));
    if (reply.Status == 0) {
        QString text = QStringLiteral("%1: %2").arg(where, reply.Failure);
        if (reply.MaybeDone && !metodos::SoLeitura(serverName_, method)) {
            text += MaybeDoneWarning;
        }
        throw ERpcError(0, text);
    }
    if (reply.Status != static_cast<int>(TRpcStatus::Ok)) {
        QString text = DecodeErrorBody(reply.Body);
        if (text.isEmpty()) {
            text = QStringLiteral("resposta HTTP %1").arg(reply.Status);
            // A balancer's word for a server lost mid-call: a write may have been done.
            if ((reply.Status == 502 || reply.Status == 504) &&
                !metodos::SoLeitura(serverName_, method)) {
                text += MaybeDoneWarning;
            }
        }
        throw ERpcError(reply.Status, QStringLiteral("%1: %2").arg(where, text));
    }
    TRpcResult result;
    try {
        result = DecodeResult(reply.Body);
    } catch (const EDecodeError& e) {
        throw ERpcError(0, QStringLiteral("%1: %2").arg(where, e.message()));
    }
    int r = 0;
    for (auto& a : args) {
        if (!a.ByRef) {
            continue;
        }
        if (r >= result.RefValues.size()) {
            throw ERpcError(
                0, QStringLiteral("%1: resposta sem os argumentos por referência").arg(where));
        }
        a.Value = result.RefValues[r++];
    }
    return result.Result;
}

QVariant TNetConnection::Call(const QString& method, const QVariantList& byValue) {
    QList<TRpcArg> args;
    for (const auto& v : byValue) {
        args.append({v, false});
    }
    return Call(method, args);
}

QVariant CheckResultServ(const QVariant& element, bool raise, int flags) {
    Q_UNUSED(flags);
    if (element.typeId() == QMetaType::QString) {
        if (raise) {
            throw EPlaError(element.toString());
        }
        return {};
    }
    return element;
}

TDataPacket PacoteServ(const QVariant& element) {
    return ToDataPacket(CheckResultServ(element));
}

void TConnectionCounter::ConnectServer(TNetConnection& connection, bool connect) {
    int& n = counts_[connection.objectName()];
    if (connect) {
        if (n == 0) {
            connection.SetConnected(true);
        }
        ++n;
        return;
    }
    n = n > 0 ? n - 1 : 0;
    if (n == 0) {
        connection.SetConnected(false);
    }
}

int TConnectionCounter::Count(const TNetConnection& connection) const {
    return counts_.value(connection.objectName(), 0);
}

} // namespace pla::rpc
