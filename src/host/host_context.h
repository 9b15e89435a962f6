#pragma once

#include "host_query.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <QHash>
#include <QVariantList>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

namespace pla::host {

// The signed-in context the screens read: who is working, in which branch, against
// which server, and the host's services around it (screen access, local caches of
// lookup tables, other packages' screens, connections).
class THostContext {
public:
    using TScreenOpener = std::function<void(const QVariantList& params)>;
    using TTransportFactory = rpc::TNetConnection::TTransportFactory;

    static THostContext& Instance();

    QString Operador;
    QString NmOperador;
    QString FiliProc;      // the current branch
    bool ModuFili = false; // the module works per branch: the branch is fixed
    int Idioma = 1;        // RetornaIdioma: 1 Portuguese
    QString WebURL;        // empty: the embedded server in this process
    int WebPort = 0;
    bool KeepConnected = false;
    QString ModuloAtiv = QStringLiteral("PLA");
    QString Token;

    int RetornaIdioma() const { return Idioma; }
    QString SiglaModulo(const QString& modulo) const { return modulo.trimmed().toUpper(); }

    // The read-only shared connection of the lookups.
    void SetSharedConnection(db::TDatabase* db) { shared_ = db; }
    db::TDatabase* SharedConnection() const { return shared_; }

    // How connections reach the server (in process or HTTP), set by the host.
    void SetTransportFactory(TTransportFactory factory) { transports_ = std::move(factory); }
    // A connection to a remote data module: its BeforeConnect sets Host and Port from
    // WebURL and WebPort; its calls carry the session.
    std::unique_ptr<rpc::TNetConnection> NewConnection(const QString& name,
                                                       const QString& serverName) const;

    // The branch's processing date (DTPROCESSA); invalid for an unknown branch.
    QDate DataProc(const QString& cdFilial) const;
    // The picture product codes are shown through ("9.99.999"); empty when unknown.
    QString MascaraProduto() const;
    // The levels of the dish code picture (PARAMGERAL.NRNIVEISPRATO); 1 when unknown.
    int NiveisPrato() const;
    // Whether the operator may open the screen named by "ACRONYM;SCREEN".
    bool ExisteAcesso(const QString& acesso, const QString& operador) const;

    // Reloads the host's local copies of lookup tables ("FERIFILI", "TURNOSERV",
    // "PRATO", ...); a table that is no lookup table is refused.
    void AtualizaLocalCache(const QStringList& tables);
    TMemTable* LocalCache(const QString& table) const;

    // Other packages' screens, by screen code.
    void RegisterScreen(const QString& code, TScreenOpener opener);
    void UnregisterScreen(const QString& code);
    bool HasScreen(const QString& code) const;
    // Opens a screen; a code no package serves raises EPlaError naming it.
    void LoadBPL(const QString& code, const QVariantList& params) const;

    // Where screens appear: the main window makes a modeless screen an MDI child;
    // without one (tests, the tour) it is a window of its own.
    using TChildShower = std::function<void(QWidget* form)>;
    void SetChildShower(TChildShower shower) { childShower_ = std::move(shower); }
    void ShowChild(QWidget* form) const;
    // The window state of a screen, whether it is an MDI child or a window.
    static void SetWindowState(QWidget* form, Qt::WindowState state);
    static Qt::WindowStates WindowState(const QWidget* form);

    // The application's icons: the Breeze theme when the machine has it.
    static void InstallIconTheme();

    // The folders that hold the report definitions ("<code>.json"), searched in order.
    QStringList ReportFolders;
    QStringList HelpFolders; // the help pages, <context>.html

    void Reset(); // signs out of everything (tests, sign-out)

private:
    QVariant paramGeral(const QString& column, TFieldType type) const;

    db::TDatabase* shared_ = nullptr;
    TTransportFactory transports_;
    QHash<QString, TScreenOpener> screens_;
    TChildShower childShower_;
    std::map<QString, std::unique_ptr<THostQuery>> caches_;
};

inline THostContext& Host() {
    return THostContext::Instance();
}

} // namespace pla::host
