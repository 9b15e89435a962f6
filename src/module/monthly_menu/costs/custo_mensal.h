#pragma once

#include "core/mem_table.h"
#include "module/monthly_menu/costs/painel_custo.h"

#include <QDate>
#include <QObject>
#include <functional>
#include <memory>

namespace pla::rpc {
class TNetConnection;
struct TMethodSpec;
} // namespace pla::rpc

namespace pla::module {

class TCardapioMensal;

// The open month's costs: the planned cost of every day and the real cost of the
// served days, fetched from the cost server and accumulated as the panel reads them,
// and the two comparison tables the charts receive. It belongs to the open month and
// reads the month's choices (branch, service, cost types, reference) from it; the
// cost server's connection is its own, opened on first use.
class TCustoMensal : public QObject {
    Q_OBJECT

public:
    explicit TCustoMensal(TCardapioMensal& cardapio);
    ~TCustoMensal() override;

    bool CustoCalculado = false;  // calculated at least once while the month is open
    bool CalculandoCusto = false; // a calculation runs: the screen may not close
    bool Simultaneo = false;      // recalculated after every saved change
    QString ChaveTrabCusto;       // the server's work area of the last calculation
    double ComensPlanMes = 0;

    TMemTable* cdsParamFilial = nullptr;
    TMemTable* cdsCustoPadrao = nullptr;
    TMemTable* cdsTrabCusto = nullptr;
    TMemTable* cdsTotalMes = nullptr;
    TMemTable* cdsRealizado = nullptr;
    TMemTable* cdsGrafPlanReal = nullptr;
    TMemTable* cdsCustoAcum = nullptr;

    // Fetches and accumulates the month's planned and real costs, `dia` being the day
    // the planner is on. The tables change only when every answer arrived; the work
    // area of the previous calculation is released first.
    void CalculaCusto(const QDate& dia);
    // The panel's figures for a day (the tables' cursors move to it when it is there);
    // the real costs count for days before the branch's processing date.
    TPainelCusto Painel(const QDate& dia, const QDate& dataProc);
    // The comparison tables, one row per day of the planned costs.
    void MontaGrafPlanReal();
    void MontaCustoAcum();
    // The standard per capita of the month; 0 when none is known.
    double VrCustPadr() const;
    // The costs use one reference date rather than each day's own.
    bool ReferenciaFixa() const;
    // At close: the work area released (an answer other than empty is an error
    // text) and the connection closed.
    void LiberaTrabalho();
    void Desconecta();

private:
    void criaTabelas();
    void calculaLinhaTrabCusto(TCalcRow& row) const;
    void acumulaTrabCusto(TMemTable& t);
    void acumulaRealizado(TMemTable& t);
    void recarregaRealizado();
    void montaComparacao(TMemTable& g, const char* campoReal,
                         const std::function<void(TMemTable&, double)>& linha);
    QVariant chama(const rpc::TMethodSpec& metodo, const QVariantList& valores);
    QVariant buscaRealizado(const QDate& mes);

    TCardapioMensal& cardapio_;
    std::unique_ptr<rpc::TNetConnection> netCustoServ;
};

} // namespace pla::module
