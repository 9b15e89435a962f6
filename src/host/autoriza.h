#pragma once

#include "rpc/net_connection.h"

#include <QDialog>

class QLineEdit;
class QLabel;

namespace pla::host {

// The dialog in which a supervisor signs for one operation of the signed-in
// operator: code and password, checked by the server.
class TAutorizaDialog : public QDialog {
    Q_OBJECT

public:
    explicit TAutorizaDialog(const QString& operation, QWidget* parent = nullptr);
    QLineEdit* Supervisor() const { return supervisor_; }
    QLineEdit* Password() const { return password_; }

private:
    QLineEdit* supervisor_ = nullptr;
    QLineEdit* password_ = nullptr;
};

// Autoriza: asks a supervisor to authorise `operation` of authorisation kind `kind`
// (7 the cost reference date, 12 the recipe cost reference date) through a
// connection to "Est.rdmAutoriza". A refusal is shown and the supervisor may try
// again; true once authorised, false when given up.
bool Autoriza(rpc::TNetConnection& connection, int kind, const QString& operation);

} // namespace pla::host
