#pragma once

#include "core/cbor_codec.h"
#include "core/errors.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace pla::rpc {

// One argument of a call, in declared order. A by-reference argument may be
// changed by the server; its new value comes back with the result.
struct TRpcArg {
    QVariant Value;
    bool ByRef = false;
};

// What a call returns: the method's result (a variant array, a packet, a value or
// an error text, as each method declares) and the new values of the by-reference
// arguments, in the order those arguments were given.
struct TRpcResult {
    QVariant Result;
    QList<QVariant> RefValues;
};

// Transport outcomes, as HTTP status codes on both transports.
enum class TRpcStatus : int {
    Ok = 200,
    BadRequest = 400,      // malformed body, wrong argument count or type
    Unauthorized = 401,    // no session, or an expired or unknown one
    Forbidden = 403,       // the session may not make this call
    NotFound = 404,        // unknown module or method
    PayloadTooLarge = 413, // body over the server's limit
    InternalError = 500,   // the method failed unexpectedly
    Unavailable = 503,     // the server cannot serve now (database down, shutting down)
};

// A call that did not reach its method or did not come back: never the method's own
// error text, which travels inside the result.
class ERpcError : public EPlaError {
public:
    ERpcError(int status, const QString& message)
        : EPlaError(message)
        , status_(status) {}
    int Status() const { return status_; }

private:
    int status_;
};

// Bodies, all CBOR (see docs/PROTOCOL.md):
//   request  [[byRef, value], ...]
//   response [result, [refValue, ...]]
//   error    a text naming the problem
QByteArray EncodeArgs(const QList<TRpcArg>& args);
QList<TRpcArg> DecodeArgs(const QByteArray& body, const TDecodeLimits& limits = {});
QByteArray EncodeResult(const TRpcResult& result);
TRpcResult DecodeResult(const QByteArray& body, const TDecodeLimits& limits = {});
QByteArray EncodeErrorBody(const QString& message);
QString DecodeErrorBody(const QByteArray& body);

// "/rpc/<module>/<method>": the names are letters, digits, "." and "_" only, so
// they need no escaping and cannot climb out of the path.
QString CallPath(const QString& module, const QString& method);
bool ParseCallPath(const QString& path, QString& module, QString& method);
bool IsValidName(const QString& name);

} // namespace pla::rpc
