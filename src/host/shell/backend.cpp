#include "backend.h"

#include "core/dates.h"
#include "core/errors.h"
#include "db/database.h"
#include "host/host_context.h"
#include "rpc/contracts.h"
#include "rpc/http_transport.h"
#include "rpc/session_client.h"
#include "server/dispatcher.h"
#include "server/in_process_transport.h"
#include "server/migrations.h"
#include "server/modules/modules.h"
#include "server/session_service.h"

#include <QDir>
#include <QFileInfo>

namespace pla::host {

struct TBackend::TState {
    TDataSource Source;
    std::unique_ptr<db::TDatabasePool> Pool;
    std::unique_ptr<server::TSessionService> Sessions;
    std::unique_ptr<server::TDispatcher> Dispatcher;
    std::unique_ptr<db::TDatabase> Lookups;
    QString Token;
};

TBackend::TBackend()
    : d_(std::make_unique<TState>()) {}

TBackend::~TBackend() {
    try {
        SignOut();
    } catch (...) {
        // Leaving: a session the server cannot close expires by itself.
    }
}

std::unique_ptr<TBackend> TBackend::OpenEmbedded(const QString& file,
                                                 std::optional<server::TDemoResult>& created) {
    created.reset();
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath())) {
        throw EPlaError(
            QStringLiteral("Não foi possível criar a pasta %1.").arg(info.absolutePath()));
    }
    const bool fresh = !info.exists();
    std::unique_ptr<TBackend> b(new TBackend);
    b->d_->Source.Embedded = true;
    b->d_->Source.DatabaseFile = info.absoluteFilePath();
    db::TDatabaseUrl url;
    url.Dialect = db::TDialect::SQLite;
    url.Path = info.absoluteFilePath();
    try {
        b->d_->Pool = std::make_unique<db::TDatabasePool>(url);
        db::TDatabase& db = b->d_->Pool->ForThisThread();
        server::Migrate(db);
        if (fresh) {
            created = server::SeedDemo(db, Hoje());
        }
    } catch (...) {
        if (fresh) {
            // A half-made database would pass for a real one next time.
            b.reset();
            QFile::remove(info.absoluteFilePath());
        }
        throw;
    }
    b->d_->Sessions = std::make_unique<server::TSessionService>(*b->d_->Pool);
    b->d_->Dispatcher = std::make_unique<server::TDispatcher>(*b->d_->Sessions);
    db::TDatabasePool* pool = b->d_->Pool.get();
    b->d_->Dispatcher->SetDatabase([pool] { return &pool->ForThisThread(); });
    server::AddAllModules(*b->d_->Dispatcher, *b->d_->Sessions);
    b->d_->Lookups = std::make_unique<db::TDatabase>(url, true);
    return b;
}

std::unique_ptr<TBackend> TBackend::OpenServer(const TDataSource& source) {
    if (source.ServerHost.trimmed().isEmpty()) {
        throw EPlaError(QStringLiteral("Endereço do servidor deve ser informado."));
    }
    if (source.LookupUrl.trimmed().isEmpty()) {
        throw EPlaError(QStringLiteral("Banco de dados das consultas deve ser informado."));
    }
    std::unique_ptr<TBackend> b(new TBackend);
    b->d_->Source = source;
    b->d_->Lookups =
        std::make_unique<db::TDatabase>(db::TDatabaseUrl::Parse(source.LookupUrl.trimmed()), true);
    return b;
}

bool TBackend::IsEmbedded() const {
    return d_->Source.Embedded;
}

std::unique_ptr<rpc::TRpcTransport> TBackend::NewTransport() const {
    if (d_->Source.Embedded) {
        return std::make_unique<server::TInProcessTransport>(*d_->Dispatcher);
    }
    rpc::THttpClientOptions o;
    o.Host = d_->Source.ServerHost.trimmed();
    o.Port = d_->Source.ServerPort;
    o.Tls = d_->Source.Tls;
    return std::make_unique<rpc::THttpTransport>(o);
}

void TBackend::SignIn(const QString& operador, const QString& password) {
    const QString code = operador.trimmed().toUpper();
    if (code.isEmpty()) {
        throw EPlaError(QStringLiteral("Operador deve ser informado."));
    }
    auto transport = NewTransport();
    const rpc::TSignedIn s = rpc::SignIn(*transport, code, password);
    THostContext& host = Host();
    const QString previousToken = host.Token;
    host.Token = s.Token;
    host.SetSharedConnection(d_->Lookups.get());
    host.WebURL = d_->Source.Embedded ? QString() : d_->Source.ServerHost.trimmed();
    host.WebPort = d_->Source.Embedded ? 0 : d_->Source.ServerPort;
    const TBackend* self = this;
    host.SetTransportFactory([self](const rpc::TNetConnection&) { return self->NewTransport(); });
    try {
        auto c =
            host.NewConnection(QStringLiteral("netOperador"), QStringLiteral("Est.rdmAutoriza"));
        const rpc::TMethodSpec& spec = rpc::metodos::GetOperador();
        QList<rpc::TRpcArg> args = rpc::Argumentos(spec, {code});
        const QVariantList who = rpc::CheckResultServ(c->Call(spec.Name, args)).toList();
        host.Operador = code;
        host.NmOperador = who.value(0).toString();
        host.FiliProc = who.value(1).toString();
    } catch (...) {
        host.Token = previousToken;
        rpc::SignOut(*transport, s.Token);
        throw;
    }
    d_->Token = s.Token;
}

void TBackend::SignOut() {
    if (d_->Token.isEmpty()) {
        return;
    }
    const QString token = d_->Token;
    d_->Token.clear();
    if (Host().Token == token) {
        Host().Reset();
        Host().SetSharedConnection(nullptr);
        Host().SetTransportFactory({});
    }
    auto transport = NewTransport();
    rpc::SignOut(*transport, token);
}

} // namespace pla::host
