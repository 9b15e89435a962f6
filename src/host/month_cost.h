#pragma once

#include "core/mem_table.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <functional>
#include <memory>

namespace pla::rpc {
class TNetConnection;
struct TMethodSpec;
} // namespace pla::rpc

namespace pla::host {

// What a service's month is costed with: the open menu's keys and its cost settings.
struct TParametrosCusto {
    QString CdFilial;
    QString CdServico;
    QDateTime DtMesCard; // the menu month's first day
    int TipoCustoPlanejado = 0;
    int TipoCustoRealizado = 0;
    bool ReferenciaFixa = false; // one reference date rather than each day's own
    QDateTime DtRefeCusto;       // the fixed reference; invalid: today's
    QString CdFiliCust;          // whose prices; empty: the branch's own
};

// The cost panel's figures for one day, as its boxes show them (five decimals). The
// per-capita cost of the day includes the indirect cost; the month's cost, the day's
// total and the accumulated total are raw material plus consumption, the indirect cost
// on a row of its own; the running average includes it.
struct TPainelCusto {
    QDate Dia;
    // Per capita of the day, and the month.
    double MatPriPerc = 0;
    double ConsPerc = 0;
    double CustIndPercDia = 0;
    double PercDia = 0;
    double PadrPerc = 0;
    double SaldoPerc = 0;
    double MatPriMes = 0;
    double ConsMes = 0;
    double CustIndTotMes = 0;
    double TotalMes = 0;
    double PadrMens = 0;
    double SaldoMes = 0;
    // The day, planned and real.
    double MatPriCardPlan = 0;
    double ConsCardPlan = 0;
    double CustIndDia = 0;
    double CustoCardPlan = 0;
    double CustoCardReal = 0;
    // Accumulated up to the day, planned and real.
    double MatPriAcuPlan = 0;
    double ConsAcuPlan = 0;
    double CustIndPlan = 0;
    double TotalTAcum = 0;
    double TotalRAcum = 0;
    double Estimados = 0;
    double Efetivos = 0;
    double PuMedioTeor = 0;
    double PuMedioReal = 0;
    // The real column means something only for days before the processing date.
    bool RealHabilitado = false;
};

// A month's costs: the planned cost of every day and the real cost of the served days,
// fetched from the cost server ("Pla00106.rdmCustoServ") and accumulated as the panel
// reads them, and the comparison tables the charts receive. The monthly screen's open
// month and the cost analyses read their figures here, so that both show the same
// numbers; the parameters are asked for at each calculation. The cost server's
// connection is its own, opened on first use.
class TCustoDoMes : public QObject {
    Q_OBJECT

public:
    using TProvedorParametros = std::function<TParametrosCusto()>;

    explicit TCustoDoMes(TProvedorParametros parametros, QObject* parent = nullptr);
    ~TCustoDoMes() override;

    bool CustoCalculado = false;  // calculated at least once while the month is open
    bool CalculandoCusto = false; // a calculation runs: the screen may not close
    bool Simultaneo = false;      // recalculated after every saved change
    bool PorPrato = false;        // the work area keeps each dish of each day too
    QString ChaveTrabCusto;       // the server's work area of the last calculation
    double ComensPlanMes = 0;

    TMemTable* cdsParamFilial = nullptr;
    TMemTable* cdsCustoPadrao = nullptr;
    TMemTable* cdsTrabCusto = nullptr;
    TMemTable* cdsTotalMes = nullptr;
    TMemTable* cdsRealizado = nullptr;
    TMemTable* cdsGrafPlanReal = nullptr;
    TMemTable* cdsCustoAcum = nullptr;
    TMemTable* cdsGrafCust = nullptr;

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
    // The per capita of each day against the standard (cdsGrafCust).
    void MontaGrafCust();
    // The standard per capita of the month; 0 when none is known.
    double VrCustPadr() const;
    // The costs use one reference date rather than each day's own.
    bool ReferenciaFixa() const;
    // A value shared out over diners as every per capita here is: five decimals, 0
    // without diners.
    static double Percapita(double valor, double comensais);
    // At close: the work area released (an answer other than empty is an error
    // text) and the connection closed.
    void LiberaTrabalho();
    void Desconecta();
    // A declared method of the cost server through this month's connection.
    QVariant chama(const rpc::TMethodSpec& metodo, const QVariantList& valores);

private:
    void criaTabelas();
    void calculaLinhaTrabCusto(TCalcRow& row) const;
    void acumulaTrabCusto(TMemTable& t);
    void acumulaRealizado(TMemTable& t);
    void recarregaRealizado();
    void montaComparacao(TMemTable& g, const char* campoReal,
                         const std::function<void(TMemTable&, double)>& linha);
    QVariant buscaRealizado(const QDate& mes);

    TProvedorParametros parametros_;
    std::unique_ptr<rpc::TNetConnection> netCustoServ;
};

} // namespace pla::host
