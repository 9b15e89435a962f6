#pragma once

#include <QDate>

namespace pla::module {

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

} // namespace pla::module
