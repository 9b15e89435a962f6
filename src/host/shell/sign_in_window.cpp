#include "sign_in_window.h"

#include "core/errors.h"
#include "db/database.h"
#include "host/dialog_presenter.h"
#include "host/help.h"
#include "host/host_messages.h"
#include "rpc/rpc_protocol.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::host {

TSignInWindow::TSignInWindow(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmSignIn"));
    InstalaAjuda(this, 12300001);
    setWindowTitle(QStringLiteral("pla - Entrar"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("<b>Planejamento de Cardápios</b>"), this);
    layout->addWidget(title);

    auto* who = new QFormLayout;
    edtOperador = new QLineEdit(this);
    edtOperador->setObjectName(QStringLiteral("edtOperador"));
    edtOperador->setMaxLength(12);
    edtSenha = new QLineEdit(this);
    edtSenha->setObjectName(QStringLiteral("edtSenha"));
    edtSenha->setEchoMode(QLineEdit::Password);
    who->addRow(QStringLiteral("Operador:"), edtOperador);
    who->addRow(QStringLiteral("Senha:"), edtSenha);
    layout->addLayout(who);

    auto* where = new QGroupBox(QStringLiteral("Dados"), this);
    auto* wl = new QFormLayout(where);
    rbtEmbutido = new QRadioButton(QStringLiteral("Banco embutido neste computador"), where);
    rbtEmbutido->setObjectName(QStringLiteral("rbtEmbutido"));
    wl->addRow(rbtEmbutido);
    auto* fileRow = new QHBoxLayout;
    edtArquivo = new QLineEdit(where);
    edtArquivo->setObjectName(QStringLiteral("edtArquivo"));
    auto* browse = new QToolButton(where);
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(QStringLiteral("Escolher o arquivo do banco"));
    fileRow->addWidget(edtArquivo, 1);
    fileRow->addWidget(browse);
    wl->addRow(QStringLiteral("Arquivo:"), fileRow);
    rbtServidor = new QRadioButton(QStringLiteral("Servidor de aplicação"), where);
    rbtServidor->setObjectName(QStringLiteral("rbtServidor"));
    wl->addRow(rbtServidor);
    auto* serverRow = new QHBoxLayout;
    edtServidor = new QLineEdit(where);
    edtServidor->setObjectName(QStringLiteral("edtServidor"));
    spnPorta = new QSpinBox(where);
    spnPorta->setObjectName(QStringLiteral("spnPorta"));
    spnPorta->setRange(1, 65535);
    chbTls = new QCheckBox(QStringLiteral("TLS"), where);
    chbTls->setObjectName(QStringLiteral("chbTls"));
    serverRow->addWidget(edtServidor, 1);
    serverRow->addWidget(spnPorta);
    serverRow->addWidget(chbTls);
    wl->addRow(QStringLiteral("Endereço:"), serverRow);
    edtConsultas = new QLineEdit(where);
    edtConsultas->setObjectName(QStringLiteral("edtConsultas"));
    edtConsultas->setPlaceholderText(QStringLiteral("postgresql://consulta@servidor/pla"));
    wl->addRow(QStringLiteral("Banco das consultas:"), edtConsultas);
    layout->addWidget(where);

    lblMensagem = new QLabel(this);
    lblMensagem->setObjectName(QStringLiteral("lblMensagem"));
    lblMensagem->setWordWrap(true);
    lblMensagem->setStyleSheet(QStringLiteral("color: #a00000"));
    layout->addWidget(lblMensagem);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* enter = buttons->addButton(QStringLiteral("Entrar"), QDialogButtonBox::AcceptRole);
    enter->setObjectName(QStringLiteral("btnEntrar"));
    enter->setDefault(true);
    buttons->addButton(QStringLiteral("Sair"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Entrar()) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(rbtEmbutido, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(browse, &QToolButton::clicked, this, [this] {
        const QString f = QFileDialog::getSaveFileName(
            this, QStringLiteral("Banco de dados"), edtArquivo->text(),
            QStringLiteral("Banco SQLite (*.db)"), nullptr, QFileDialog::DontConfirmOverwrite);
        if (!f.isEmpty()) {
            edtArquivo->setText(f);
        }
    });
    loadSettings();
    updateEnabled();
    edtOperador->setFocus();
}

TSignInWindow::~TSignInWindow() = default;

QString TSignInWindow::DefaultDatabaseFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/pla.db");
}

TDataSource TSignInWindow::Source() const {
    TDataSource s;
    s.Embedded = rbtEmbutido->isChecked();
    s.DatabaseFile = edtArquivo->text().trimmed();
    s.ServerHost = edtServidor->text().trimmed();
    s.ServerPort = spnPorta->value();
    s.Tls = chbTls->isChecked();
    s.LookupUrl = edtConsultas->text().trimmed();
    return s;
}

void TSignInWindow::loadSettings() {
    QSettings st;
    st.beginGroup(QStringLiteral("entrada"));
    const bool embedded = st.value(QStringLiteral("embutido"), true).toBool();
    (embedded ? rbtEmbutido : rbtServidor)->setChecked(true);
    edtArquivo->setText(st.value(QStringLiteral("arquivo"), DefaultDatabaseFile()).toString());
    edtServidor->setText(
        st.value(QStringLiteral("servidor"), QStringLiteral("127.0.0.1")).toString());
    spnPorta->setValue(st.value(QStringLiteral("porta"), 8421).toInt());
    chbTls->setChecked(st.value(QStringLiteral("tls"), false).toBool());
    edtConsultas->setText(st.value(QStringLiteral("consultas")).toString());
    edtOperador->setText(st.value(QStringLiteral("operador")).toString());
}

void TSignInWindow::saveSettings() const {
    QSettings st;
    st.beginGroup(QStringLiteral("entrada"));
    const TDataSource s = Source();
    st.setValue(QStringLiteral("embutido"), s.Embedded);
    st.setValue(QStringLiteral("arquivo"), s.DatabaseFile);
    st.setValue(QStringLiteral("servidor"), s.ServerHost);
    st.setValue(QStringLiteral("porta"), s.ServerPort);
    st.setValue(QStringLiteral("tls"), s.Tls);
    st.setValue(QStringLiteral("consultas"), s.LookupUrl);
    st.setValue(QStringLiteral("operador"), edtOperador->text().trimmed().toUpper());
}

void TSignInWindow::updateEnabled() {
    const bool embedded = rbtEmbutido->isChecked();
    edtArquivo->setEnabled(embedded);
    edtServidor->setEnabled(!embedded);
    spnPorta->setEnabled(!embedded);
    chbTls->setEnabled(!embedded);
    edtConsultas->setEnabled(!embedded);
}

bool TSignInWindow::Entrar() {
    lblMensagem->clear();
    const TDataSource s = Source();
    if (edtOperador->text().trimmed().isEmpty()) {
        lblMensagem->setText(QStringLiteral("Operador deve ser informado."));
        edtOperador->setFocus();
        return false;
    }
    if (s.Embedded && s.DatabaseFile.isEmpty()) {
        lblMensagem->setText(QStringLiteral("Arquivo do banco de dados deve ser informado."));
        edtArquivo->setFocus();
        return false;
    }
    try {
        // The same data is kept open between attempts: a wrong password does not
        // reopen (or re-create) the database.
        if (!backend_ || backend_->IsEmbedded() != s.Embedded || !s.Embedded ||
            opened_ != s.DatabaseFile) {
            backend_.reset();
            std::optional<server::TDemoResult> created;
            backend_ = s.Embedded ? TBackend::OpenEmbedded(s.DatabaseFile, created)
                                  : TBackend::OpenServer(s);
            opened_ = s.DatabaseFile;
            if (created) {
                showDemoOperators(*created);
            }
        }
        backend_->SignIn(edtOperador->text(), edtSenha->text());
    } catch (const db::EDatabaseError& e) {
        lblMensagem->setText(QStringLiteral("Não foi possível abrir o banco de dados: ") +
                             e.message());
        return false;
    } catch (const EPlaError& e) {
        lblMensagem->setText(e.message());
        edtSenha->selectAll();
        edtSenha->setFocus();
        return false;
    }
    saveSettings();
    return true;
}

void TSignInWindow::showDemoOperators(const server::TDemoResult& demo) {
    QString text = QStringLiteral("O banco de demonstração foi criado. Anote as senhas: elas não "
                                  "serão mostradas de novo.\n");
    for (const server::TDemoOperator& op : demo.Operators) {
        text += QStringLiteral("\n%1  %2  (%3)").arg(op.Code, -9).arg(op.Password, op.Role);
    }
    TDialogPresenter::Current().Message(text, TMsgDlgType::Information, mbOK);
    if (!demo.Operators.isEmpty() && edtOperador->text().trimmed().isEmpty()) {
        edtOperador->setText(demo.Operators.first().Code);
    }
}

} // namespace pla::host
