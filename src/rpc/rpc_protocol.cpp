#include "rpc_protocol.h"

namespace pla::rpc {

QByteArray EncodeArgs(const QList<TRpcArg>& args) {
    QVariantList list;
    list.reserve(args.size());
    for (const auto& a : args) {
        list.append(QVariant(QVariantList{a.ByRef, a.Value}));
    }
    return EncodeValue(list);
}

QList<TRpcArg> DecodeArgs(const QByteArray& body, const TDecodeLimits& limits) {
    const QVariant v = DecodeValue(body, limits);
    if (v.typeId() != QMetaType::QVariantList) {
        throw EDecodeError(QStringLiteral("Requisição inválida: lista de argumentos esperada"));
    }
    QList<TRpcArg> args;
    const QVariantList list = v.toList();
    args.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QVariantList pair = list[i].toList();
        if (list[i].typeId() != QMetaType::QVariantList || pair.size() != 2 ||
            pair[0].typeId() != QMetaType::Bool) {
            throw EDecodeError(
                QStringLiteral("Requisição inválida: argumento %1 malformado").arg(i + 1));
        }
        args.append({pair[1], pair[0].toBool()});
    }
    return args;
}

QByteArray EncodeResult(const TRpcResult& result) {
    QVariantList refs(result.RefValues.begin(), result.RefValues.end());
    return EncodeValue(QVariantList{result.Result, QVariant(refs)});
}

TRpcResult DecodeResult(const QByteArray& body, const TDecodeLimits& limits) {
    const QVariant v = DecodeValue(body, limits);
    const QVariantList list = v.toList();
    if (v.typeId() != QMetaType::QVariantList || list.size() != 2 ||
        list[1].typeId() != QMetaType::QVariantList) {
        throw EDecodeError(QStringLiteral("Resposta inválida do servidor"));
    }
    TRpcResult r;
    r.Result = list[0];
    const QVariantList refs = list[1].toList();
    r.RefValues = QList<QVariant>(refs.begin(), refs.end());
    return r;
}

QByteArray EncodeErrorBody(const QString& message) {
    return EncodeValue(message);
}

QString DecodeErrorBody(const QByteArray& body) {
    try {
        const QVariant v = DecodeValue(body);
        if (v.typeId() == QMetaType::QString) {
            return v.toString();
        }
    } catch (const EDecodeError&) {
    }
    return {};
}

bool IsValidName(const QString& name) {
    if (name.isEmpty() || name.size() > 64) {
        return false;
    }
    for (const QChar c : name) {
        const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                        (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                        (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                        c == QLatin1Char('_') || c == QLatin1Char('-');
        if (!ok) {
            return false;
        }
    }
    return name != QLatin1String(".") && name != QLatin1String("..");
}

QString CallPath(const QString& module, const QString& method) {
    return QStringLiteral("/rpc/%1/%2").arg(module, method);
}

bool ParseCallPath(const QString& path, QString& module, QString& method) {
    static const QString prefix = QStringLiteral("/rpc/");
    if (!path.startsWith(prefix)) {
        return false;
    }
    const QStringList parts = path.mid(prefix.size()).split(QLatin1Char('/'));
    if (parts.size() != 2 || !IsValidName(parts[0]) || !IsValidName(parts[1])) {
        return false;
    }
    module = parts[0];
    method = parts[1];
    return true;
}

} // namespace pla::rpc
