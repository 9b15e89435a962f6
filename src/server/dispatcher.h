#pragma once

#include "core/cbor_codec.h"
#include "remote_data_module.h"
#include "server/db_layer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pla::server {

struct TDispatchReply {
    int Status = 200;
    QByteArray Body;
};

// The server cannot take this now (too many at once); the caller may try again
// shortly. Answered as 503.
class EServerBusy : public EPlaError {
public:
    using EPlaError::EPlaError;
};

// Where sessions live: the database in the server, a table of tokens in tests.
class ISessions {
public:
    virtual ~ISessions() = default;
    // The operator of a live session, or nothing when the token names none.
    virtual std::optional<QString> Authenticate(const QString& token) = 0;
    // Raises EPlaError with the text for the operator when the sign-in is refused;
    // `origin` is the address the attempt came from.
    virtual std::pair<QString, QDateTime> SignIn(const QString& operador, const QString& password,
                                                 const QString& origin) = 0;
    virtual void SignOut(const QString& token) = 0;
};

// A month's save is well under a megabyte.
constexpr qsizetype DefaultMaxBodyBytes = 4 * 1024 * 1024;

// Receives a call by module and method name with its encoded arguments and
// answers with the encoded result, or with a transport error (see rpc_protocol.h).
// Both transports go through it: the in-process one and HTTP. Thread-safe once the
// modules are added.
class TDispatcher {
public:
    static inline const QString Local = QStringLiteral("local");

    explicit TDispatcher(ISessions& sessions);
    ~TDispatcher();

    void AddModule(std::unique_ptr<TRemoteDataModule> module); // before serving
    const TRemoteDataModule* FindModule(const QString& name) const;
    QStringList ModuleNames() const;
    void SetDecodeLimits(const TDecodeLimits& limits) { limits_ = limits; }
    // The largest call accepted; the values one call may hold follow it (a value per
    // eight bytes), so that the memory of a call stays a small multiple of its body.
    void SetMaxBodyBytes(qsizetype bytes);
    // The calling worker's database connection.
    void SetDatabase(std::function<TDatabase*()> provider) { database_ = std::move(provider); }
    qsizetype MaxBodyBytes() const { return maxBody_; }

    // `origin` is the caller's address ("local" in process), for the refusals it logs.
    TDispatchReply Dispatch(const QString& module, const QString& method, const QString& token,
                            const QByteArray& body, const QString& origin = Local) const;
    // Sign-in: body [operator, password]; answer [token, expiry]. Sign-out: the token.
    TDispatchReply SignIn(const QByteArray& body, const QString& origin = Local) const;
    TDispatchReply SignOut(const QString& token) const;

private:
    ISessions& sessions_;
    std::function<TDatabase*()> database_;
    std::vector<std::unique_ptr<TRemoteDataModule>> modules_;
    TDecodeLimits limits_;
    qsizetype maxBody_ = DefaultMaxBodyBytes;
};

} // namespace pla::server
