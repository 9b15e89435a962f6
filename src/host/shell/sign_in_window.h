#pragma once

#include "backend.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QLabel;

namespace pla::host {

// The sign-in window: the operator's code and password, and where the data lives
// (the embedded database file, or a server address with the database the lookups
// read). The last choice is remembered. A refusal says why and keeps what was typed.
class TSignInWindow : public QDialog {
    Q_OBJECT

public:
    explicit TSignInWindow(QWidget* parent = nullptr);
    ~TSignInWindow() override;

    QLineEdit* edtOperador = nullptr;
    QLineEdit* edtSenha = nullptr;
    QRadioButton* rbtEmbutido = nullptr;
    QLineEdit* edtArquivo = nullptr;
    QRadioButton* rbtServidor = nullptr;
    QLineEdit* edtServidor = nullptr;
    QSpinBox* spnPorta = nullptr;
    QCheckBox* chbTls = nullptr;
    QLineEdit* edtConsultas = nullptr;
    QLabel* lblMensagem = nullptr;

    // The default embedded database: a file in the user's data folder.
    static QString DefaultDatabaseFile();
    TDataSource Source() const;

    // Opens the data and signs in; true when signed in (the backend is then ready to
    // be taken), else the reason is shown in the window.
    bool Entrar();
    std::unique_ptr<TBackend> TakeBackend() { return std::move(backend_); }

private:
    void loadSettings();
    void saveSettings() const;
    void updateEnabled();
    void showDemoOperators(const server::TDemoResult& demo);

    std::unique_ptr<TBackend> backend_;
    QString opened_; // the embedded file the backend has open
};

} // namespace pla::host
