#include "host_context.h"

#include <QIcon>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <algorithm>

#include "db/lookup_tables.h"
#include "rpc/contracts.h"

namespace pla::host {

THostContext& THostContext::Instance() {
    static THostContext context;
    return context;
}

std::unique_ptr<rpc::TNetConnection> THostContext::NewConnection(const QString& name,
                                                                 const QString& serverName) const {
    auto c = std::make_unique<rpc::TNetConnection>(name);
    c->SetServerName(serverName);
    c->SetThrowException(false);
    c->BeforeConnect = [this](rpc::TNetConnection& n) {
        n.SetHost(WebURL);
        n.SetPort(WebPort);
    };
    c->SetTokenSource([this] { return Token; });
    if (transports_) {
        c->SetTransportFactory(transports_);
    }
    return c;
}

QDate THostContext::DataProc(const QString& cdFilial) const {
    if (!shared_) {
        throw EPlaError(QStringLiteral("Sem conexão com o banco de dados"));
    }
    THostQuery q(QStringLiteral("qryDataProc"));
    q.SetConnection(shared_);
    q.AddField(QStringLiteral("DTPROCESSA"), TFieldType::DateTime);
    q.SetSql(QStringLiteral("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"));
    q.SetParam(QStringLiteral("P_CDFILIAL"), cdFilial);
    q.Open();
    return q.IsEmpty() ? QDate() : q.FieldByName(QStringLiteral("DTPROCESSA")).AsDateTime().date();
}

QString THostContext::MascaraProduto() const {
    return paramGeral(QStringLiteral("DSMASCPROD"), TFieldType::String).toString().trimmed();
}

int THostContext::NiveisPrato() const {
    return std::max(1, paramGeral(QStringLiteral("NRNIVEISPRATO"), TFieldType::Integer).toInt());
}

// A column of the installation's one row of general parameters (a name of ours, never
// the planner's text).
QVariant THostContext::paramGeral(const QString& column, TFieldType type) const {
    if (!shared_) {
        throw EPlaError(QStringLiteral("Sem conexão com o banco de dados"));
    }
    THostQuery q(QStringLiteral("qryParamGeral"));
    q.SetConnection(shared_);
    q.AddField(column, type, type == TFieldType::String ? 20 : 0);
    q.SetSql(QStringLiteral("SELECT %1 FROM PARAMGERAL").arg(column));
    q.Open();
    return q.IsEmpty() ? QVariant() : q.FieldByName(column).Value();
}

bool THostContext::ExisteAcesso(const QString& acesso, const QString& operador) const {
    auto c = NewConnection(QStringLiteral("netExisteAcesso"), QStringLiteral("Est.rdmAutoriza"));
    const rpc::TMethodSpec& spec = rpc::metodos::ExisteAcesso();
    QList<rpc::TRpcArg> args = rpc::Argumentos(spec, {acesso, operador});
    const QVariant answer = rpc::CheckResultServ(c->Call(spec.Name, args));
    return answer.toBool();
}

void THostContext::AtualizaLocalCache(const QStringList& tables) {
    if (!shared_) {
        throw EPlaError(QStringLiteral("Sem conexão com o banco de dados"));
    }
    for (const QString& t : tables) {
        const QString name = t.trimmed().toUpper();
        // Only the lookup tables: the name goes into the statement's text.
        if (!db::LookupTables().contains(name)) {
            throw EProgramError(QStringLiteral("%1 não é uma tabela de consulta").arg(t));
        }
        auto q = std::make_unique<THostQuery>(name);
        q->SetConnection(shared_);
        q->SetSql(QStringLiteral("SELECT * FROM %1").arg(name));
        q->Open();
        caches_[name] = std::move(q);
    }
}

TMemTable* THostContext::LocalCache(const QString& table) const {
    const auto it = caches_.find(table.trimmed().toUpper());
    return it == caches_.end() ? nullptr : it->second.get();
}

void THostContext::RegisterScreen(const QString& code, TScreenOpener opener) {
    screens_.insert(code.trimmed().toUpper(), std::move(opener));
}

bool THostContext::HasScreen(const QString& code) const {
    return screens_.contains(code.trimmed().toUpper());
}

void THostContext::UnregisterScreen(const QString& code) {
    screens_.remove(code.trimmed().toUpper());
}

void THostContext::LoadBPL(const QString& code, const QVariantList& params) const {
    const auto it = screens_.constFind(code.trimmed().toUpper());
    if (it == screens_.cend()) {
        throw EPlaError(
            QStringLiteral("A tela %1 não está disponível nesta instalação.").arg(code));
    }
    it.value()(params);
}

void THostContext::InstallIconTheme() {
    // The desktop's own theme when it has the icons the screens use.
    if (QIcon::fromTheme(QStringLiteral("document-print")).isNull()) {
        // Platforms without a desktop (offscreen) know no theme folders.
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& p :
             QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory)) {
            if (!paths.contains(p)) {
                paths << p;
            }
        }
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(QStringLiteral("breeze"));
    }
}

void THostContext::ShowChild(QWidget* form) const {
    if (childShower_) {
        childShower_(form);
    } else {
        form->show();
    }
}

namespace {

QWidget* frameOf(QWidget* form) {
    auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    return sub ? static_cast<QWidget*>(sub) : form;
}

} // namespace

void THostContext::SetWindowState(QWidget* form, Qt::WindowState state) {
    QWidget* frame = frameOf(form);
    switch (state) {
    case Qt::WindowMinimized:
        frame->showMinimized();
        break;
    case Qt::WindowMaximized:
        frame->showMaximized();
        break;
    default:
        frame->showNormal();
        break;
    }
}

Qt::WindowStates THostContext::WindowState(const QWidget* form) {
    return frameOf(const_cast<QWidget*>(form))->windowState();
}

void THostContext::Reset() {
    Operador.clear();
    NmOperador.clear();
    FiliProc.clear();
    ModuFili = false;
    Token.clear();
    caches_.clear();
}

} // namespace pla::host
