#pragma once

#include <QByteArray>
#include <QString>

namespace pla::rpc {

// What came back from one exchange with the server. Status 0 means the server was
// not reached or did not answer in time; Failure then says why.
struct TTransportReply {
    int Status = 0;
    QByteArray Body;
    QString Failure;
    // With status 0: the request may have reached the server before the connection
    // failed, so a call that writes may have been done.
    bool MaybeDone = false;
};

// Carries one call's encoded arguments to a remote data module and brings the
// encoded answer back: in process, or over HTTP.
class TRpcTransport {
public:
    virtual ~TRpcTransport() = default;
    virtual TTransportReply Post(const QString& module, const QString& method, const QString& token,
                                 const QByteArray& body) = 0;
    // Sign-in (body: [operator, password]) and sign-out of a session.
    virtual TTransportReply SignIn(const QByteArray& body) = 0;
    virtual TTransportReply SignOut(const QString& token) = 0;
};

} // namespace pla::rpc
