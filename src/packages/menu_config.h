#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <QSet>
#include <memory>

class QLabel;
class QTableView;
class QToolButton;

namespace pla::packages {

class TModeloPosicoes;

// The configuration of a service's month (PLA00119): its dish positions in display
// order, each with its dish type, whether it is optional, counted in the diners by dish
// type and printed, and the days of the month it holds dishes on. The planner adds,
// removes, reorders and edits them; the save writes them on the server in one go, and a
// refusal leaves everything on the screen as it was.
class TfrmConfigCard : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    // Branch, service, month.
    explicit TfrmConfigCard(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmConfigCard() override;

    QLabel* lblServico = nullptr;
    QLabel* lblOrigem = nullptr;
    QTableView* dbgPosicoes = nullptr;
    QToolButton* sbtIncluir = nullptr;
    QToolButton* sbtExcluir = nullptr;
    QToolButton* sbtSubir = nullptr;
    QToolButton* sbtDescer = nullptr;
    TMemTable* cdsPosicoes = nullptr;
    TMemTable* cdsTiposPrato = nullptr;

    // The positions as the server holds them; nothing pending afterwards.
    void Carrega();
    // The planner's actions on the grid's rows (in display order, from 0).
    void IncluiPosicao();
    void ExcluiPosicao(int row);
    void MovePosicao(int row, int passo); // -1 up, +1 down
    void TipoEscolhido(int row, const QString& cdTipoPrat);
    void OrdemDigitada(int row, int ordem);
    void AlternaMarca(int row, const QString& campo);
    // The positions whose dishes the planner agreed to lose, by number.
    const QSet<int>& PratosConfirmados() const { return confirmados_; }
    bool Alterada() const; // something not yet saved
    void sbtConfirmaClick() override;

protected:
    void FormActivate(bool first) override;
    bool FormCloseQuery() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);
    void vaiPara(int row);
    void selecionaLinha(int row, const QString& campo);
    // Asks whether the current row's dishes may go; true when they may (or it has none).
    bool confirmaPerdaDosPratos(const QString& chave);

    QString filial_;
    QString servico_;
    QDate mes_;
    QString origem_; // where the positions shown come from (rpc::ConfigDoMes ...)
    QSet<int> confirmados_;
    TModeloPosicoes* modelo_ = nullptr;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
