#pragma once

#include "host/base_forms.h"
#include "padroes_dia.h"

#include <QDate>
#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace pla {
class TMemTable;
}

namespace pla::host {
class TDBGrid;
class TNumberEdit;
} // namespace pla::host

namespace pla::module {

class TCardapioMensal;
struct TComensaisDia;

// The day's diners (PLA00103): the split into clients, employees and donations, the
// diners of each shift and of each delivery point, and the day's description, for
// one day of an open month. Confirming writes the day into the month and saves it.
class TfrmCardTurn : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    TfrmCardTurn(TCardapioMensal& cardapio, const QDate& dia, QWidget* parent = nullptr);

    // The day has a record in the month (found when the dialog opened, or made by the
    // confirmation); the monthly screen reads it after the dialog closes.
    bool CardaDiaExiste = false;

    QGroupBox* grbEstimados = nullptr;
    host::TNumberEdit* nedCliente = nullptr;
    host::TNumberEdit* nedFuncionario = nullptr;
    host::TNumberEdit* nedDoacoes = nullptr;
    host::TNumberEdit* nedTotal = nullptr;
    QGroupBox* grbTurno = nullptr;
    std::array<QLabel*, 4> lblTurno{};
    std::array<host::TNumberEdit*, 4> nedTurno{};
    QLabel* lblTurnosNaoGuardados = nullptr; // shifts a day cannot keep
    QLineEdit* edtDsCard = nullptr;
    QGroupBox* grbCardaCli = nullptr;
    host::TDBGrid* dbgCardaCli = nullptr;
    TMemTable* cdsCardaCli = nullptr;
    QToolButton* sbtCancela = nullptr;
    QToolButton* sbtComesPdr = nullptr;
    QAction* mnuComesPdr = nullptr;

    void sbtConfirmaClick() override;
    void sbtComesPdrClick();
    void nedClienteChange();
    void nedTurno1Change();

protected:
    void FormActivate(bool first) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool temTurnos() const { return !padroes_.TurnosGuardaveis().isEmpty(); }
    void GetComEstPdr();
    void GetComTurnoPdr();
    void carregaPontos();
    double SomaPtEntrega();
    double somaPontos() const;
    void pontoGravado();
    void arrumaTela();
    TComensaisDia valores() const;

    TCardapioMensal& cardapio_;
    QDate dia_;
    TPadroesDia padroes_;
    std::array<int, 4> CodTurno{};
    double SomaTurnos = 0;
    bool Confirmando = false;
};

} // namespace pla::module
