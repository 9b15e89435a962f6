#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDateTime>
#include <memory>

class QTableView;
class QToolButton;

namespace pla::module {

class TLinhasEquivalentes;
class TConsumoDelegate;
class TModeloEquivalentes;

// The substitution of the month's dishes by cheaper equivalents (PLA00134): the
// server's lines, each with its proposal; the planner marks the lines, may type or
// search another equivalent and its consumption, and the marked ones are replaced on
// the server at once.
class TfrmSubsPratoEqui : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmSubsPratoEqui(QWidget* parent = nullptr);
    ~TfrmSubsPratoEqui() override;

    QString CdFilial;
    QString CdServico;
    QDateTime Mes;
    QString TipoCusto;
    QString RefeCardapio; // "S" each day's own date, "N" DtRefeCusto
    QDateTime DtRefeCusto;
    QString TipoQuantidade; // "C" diners, "P" share
    QString Arredondar;
    QDateTime DataLimite; // the first day that may change

    QTableView* dbgPrincipal = nullptr;
    QToolButton* btnPesqEqui = nullptr;
    TMemTable* cdsPrincipal = nullptr;
    TMemTable* cdsEquivalentes = nullptr;
    std::unique_ptr<rpc::TNetConnection> netPadrao;

    // The lines from the server, with the values above.
    void Carrega();
    TLinhasEquivalentes& Linhas() const { return *linhas_; }
    bool LinhasProntas() const { return linhas_ != nullptr; }

    // The planner's actions on the grid's row (the table's row `row`, from 0).
    void AlternaLinha(int row);
    void AlternaTodas();
    void EquivalenteDigitado(int row, const QString& codigo);
    void ConsumoDigitado(int row, double consumo);
    void PesquisaEquivalente(int row);
    void sbtConfirmaClick() override;

protected:
    void FormActivate(bool first) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVariant chama(const rpc::TMethodSpec& metodo, const QVariantList& args);
    void vaiPara(int row);
    // The equivalents of the current line's dish: all ("T") or of one code.
    void listaEquivalentes(const QString& codigo);
    void defineFormatos();

    std::unique_ptr<TLinhasEquivalentes> linhas_;
    TModeloEquivalentes* modelo_ = nullptr;
    TConsumoDelegate* consumo_ = nullptr;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::module
