#include "autoriza.h"

#include "dialog_presenter.h"
#include "help.h"
#include "mask_edit.h"
#include "modal_runner.h"
#include "rpc/contracts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace pla::host {

TAutorizaDialog::TAutorizaDialog(const QString& operation, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAutoriza"));
    InstalaAjuda(this, 12300002);
    setWindowTitle(QStringLiteral("Autorização do Supervisor"));
    auto* form = new QFormLayout(this);
    auto* what = new QLabel(QStringLiteral("Operação: %1").arg(operation), this);
    what->setWordWrap(true);
    supervisor_ = new TMaskEdit(QStringLiteral(">cccccccccccc;0; "), this);
    supervisor_->setObjectName(QStringLiteral("edtSupervisor"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("edtSenha"));
    password_->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(what);
    form->addRow(QStringLiteral("Supervisor"), supervisor_);
    form->addRow(QStringLiteral("Senha"), password_);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool Autoriza(rpc::TNetConnection& connection, int kind, const QString& operation) {
    for (;;) {
        TAutorizaDialog dialog(operation);
        if (TModalRunner::Run(dialog) != QDialog::Accepted) {
            return false;
        }
        const rpc::TMethodSpec& spec = rpc::metodos::Autoriza();
        QList<rpc::TRpcArg> args = rpc::Argumentos(spec, {qlonglong(kind), operation,
                                                          dialog.Supervisor()->text().trimmed(),
                                                          dialog.Password()->text()});
        const QVariant answer = connection.Call(spec.Name, args);
        if (answer.typeId() == QMetaType::Bool && answer.toBool()) {
            return true;
        }
        TDialogPresenter::Current().Error(answer.typeId() == QMetaType::QString
                                              ? answer.toString()
                                              : QStringLiteral("Operação não autorizada."));
    }
}

} // namespace pla::host
