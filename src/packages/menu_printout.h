#pragma once

#include "host/report_form.h"
#include "printed_menu.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <memory>

class QComboBox;
class QLabel;

namespace pla::host {
class TDateEdit;
}

namespace pla::packages {

// The printed menus of a branch's service (PLA00400 the day, PLA02600 the week,
// PLA02700 the month): the planner chooses the service and the day, a day of the week or
// the month (today's to begin with); the grid lists the period's dishes day by day, and
// the printout, previewed, printed or saved as PDF on the printouts' page, lays them out
// as the menu a kitchen pins on the wall (TDocumentoCardapio). One call to the server
// for each choice (GetCardapioImpresso). Parameters: the branch's code, alone.
class TfrmEmissaoCardapio : public host::TfrmDadosGerRel {
    Q_OBJECT

public:
    TfrmEmissaoCardapio(TTipoEmissao tipo, const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmEmissaoCardapio() override;

    QWidget* panEscolha = nullptr;
    QLabel* lblFilial = nullptr;
    QComboBox* cbbServico = nullptr;    // "code - name", the code as data
    host::TDateEdit* depData = nullptr; // the day; any day of the week; the month
    QLabel* lblPeriodo = nullptr;

    TTipoEmissao Tipo() const { return tipo_; }
    const QString& CdFilial() const { return filial_; }
    QString CdServico() const;
    TPeriodoEmissao Periodo() const; // of the date chosen; empty when none is
    // The menu as the last preparation read it.
    const TCardapioImpresso& Cardapio() const { return cardapio_; }

    // The screen code, caption and help page of each printout.
    static QString CodigoTela(TTipoEmissao tipo);
    static QString Titulo(TTipoEmissao tipo);

protected:
    void FillRows(TMemTable& rows) override;
    int PaintReport(QPagedPaintDevice& device) override;

private:
    void leParametros(const QVariantList& params);
    void carregaServicos();
    void escolhaAlterada();
    void mostraPeriodo();
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);

    TTipoEmissao tipo_;
    QString filial_;
    QString nmFilial_;
    TCardapioImpresso cardapio_;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
