#pragma once

#include "rpc_protocol.h"
#include "rpc_transport.h"

#include <QObject>
#include <functional>
#include <memory>

namespace pla::rpc {

// A connection to one remote data module of the application server, named by
// ServerName ("Pla00100.rdmParamCardIndu"). Connecting runs BeforeConnect (where
// the host sets Host and Port) and opens a transport from the factory: in process
// when no host is set, HTTP otherwise. Calls name a method and pass arguments in
// declared order; by-reference arguments come back changed.
class TNetConnection : public QObject {
    Q_OBJECT

public:
    using TTransportFactory = std::function<std::unique_ptr<TRpcTransport>(const TNetConnection&)>;
    using TTokenSource = std::function<QString()>;

    explicit TNetConnection(const QString& name = QString(), QObject* parent = nullptr);
    ~TNetConnection() override;

    QString ServerName() const { return serverName_; }
    void SetServerName(const QString& name) { serverName_ = name; }
    QString Host() const { return host_; }
    void SetHost(const QString& host) { host_ = host; }
    int Port() const { return port_; }
    void SetPort(int port) { port_ = port; }
    // Method failures come back inside results, never as errors of the connection;
    // only a call that could not be made raises. Kept for the screens' settings.
    bool ThrowException() const { return throwException_; }
    void SetThrowException(bool value) { throwException_ = value; }

    bool Connected() const { return transport_ != nullptr; }
    void SetConnected(bool connected);

    std::function<void(TNetConnection&)> BeforeConnect;
    void SetTransportFactory(TTransportFactory factory) { factory_ = std::move(factory); }
    void SetTokenSource(TTokenSource source) { token_ = std::move(source); }

    // Calls a method; connects first when not connected. A call that does not reach
    // the method raises ERpcError naming server and method.
    QVariant Call(const QString& method, QList<TRpcArg>& args);
    QVariant Call(const QString& method, const QVariantList& byValue);

private:
    QString serverName_;
    QString host_;
    int port_ = 0;
    bool throwException_ = false;
    TTransportFactory factory_;
    TTokenSource token_;
    std::unique_ptr<TRpcTransport> transport_;
};

// What the screens do with each element of a result that should hold a packet or
// a value: a text is the server's error text and is raised (or, without raise,
// gives a null); anything else is passed through.
QVariant CheckResultServ(const QVariant& element, bool raise = true, int flags = 0);
// An element that holds a packet: the server's error text raised, the packet decoded.
TDataPacket PacoteServ(const QVariant& element);

// The reference count of connect and disconnect around every call, keyed by the
// connection's name: the first connect opens, the last disconnect closes, and the
// count never goes below zero.
class TConnectionCounter {
public:
    void ConnectServer(TNetConnection& connection, bool connect);
    int Count(const TNetConnection& connection) const;

private:
    QHash<QString, int> counts_;
};

// Connects for the life of the scope and disconnects at its end, also on an error.
class TServerCallScope {
public:
    TServerCallScope(TConnectionCounter& counter, TNetConnection& connection)
        : counter_(counter)
        , connection_(connection) {
        counter_.ConnectServer(connection_, true);
    }
    ~TServerCallScope() {
        try {
            counter_.ConnectServer(connection_, false);
        } catch (...) {
            // Disconnecting closes a transport and cannot fail in a way to report here.
        }
    }
    TServerCallScope(const TServerCallScope&) = delete;
    TServerCallScope& operator=(const TServerCallScope&) = delete;

private:
    TConnectionCounter& counter_;
    TNetConnection& connection_;
};

} // namespace pla::rpc
