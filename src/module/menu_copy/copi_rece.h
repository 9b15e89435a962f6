#pragma once

#include "copia_valores.h"
#include "host/base_forms.h"

#include <QPointer>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;

namespace pla::host {
class TNumberEdit;
}

namespace pla::module {

class TCardapioMensal;
class TCopiaPrato;

// The copy of a dish and its diners over the month (PLA00111): the dish itself into
// every permitted day ("Prato"), or only its quantity where it already stands
// ("Comensais"), with a value per weekday and for holidays. Works on the open month's
// change cache; closes after a copy.
class TfrmCopiRece : public host::TfrmPadrImportExport {
    Q_OBJECT

public:
    // The dish copied is the month's change cache's current row.
    TfrmCopiRece(TCardapioMensal& cardapio, const TParametrosCopia& parametros,
                 QWidget* parent = nullptr);
    ~TfrmCopiRece() override;

    QLineEdit* edtNmPrato = nullptr;
    QTabWidget* pgcPadrao = nullptr;
    QWidget* tshPrato = nullptr;
    QWidget* tshComensais = nullptr;
    QRadioButton* rdbDia = nullptr;
    QRadioButton* rdbPrato = nullptr;
    host::TNumberEdit* edtPrato = nullptr;
    QCheckBox* chbSobrepor = nullptr;
    QLabel* lblComensais = nullptr;
    host::TNumberEdit* edtComensais = nullptr;
    // The exceptions of each page, Monday first and holidays last.
    std::array<QCheckBox*, QtExcecoes> chbExcPrat{};
    std::array<host::TNumberEdit*, QtExcecoes> edtExcPrat{};
    std::array<QCheckBox*, QtExcecoes> chbExcCom{};
    std::array<host::TNumberEdit*, QtExcecoes> edtExcCom{};

    TCopiaPrato& Copia() const { return *copia_; }
    // What the planner typed on the page in use.
    TValoresCopia Valores() const;

    void sbtImportExportClick() override;
    void rdbDiaClick();
    void rdbPratoClick();

protected:
    void FormActivate(bool first) override;

private:
    QWidget* criaPagina(bool prato);
    bool paginaPrato() const;

    QPointer<TCardapioMensal> cardapio_;
    TCopiaPrato* copia_ = nullptr;
};

} // namespace pla::module
