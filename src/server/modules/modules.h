#pragma once

#include "core/data_packet.h"
#include "server/dispatcher.h"
#include "server/session_service.h"

#include <memory>

namespace pla::server {

// The remote data modules, by the names the screens connect to.
std::unique_ptr<TRemoteDataModule> MakeParamCardIndu(); // "Pla00100.rdmParamCardIndu"
std::unique_ptr<TRemoteDataModule> MakeCustoServ();     // "Pla00106.rdmCustoServ"
std::unique_ptr<TRemoteDataModule> MakeComensEst();     // "PLA00124.rdmComensEst"
std::unique_ptr<TRemoteDataModule> MakeAutoriza(TSessionService& sessions); // "Est.rdmAutoriza"
std::unique_ptr<TRemoteDataModule> MakeCustProd();      // "Cus00000.rdmCustProd"
std::unique_ptr<TRemoteDataModule> MakeProdCmpFilial(); // "CMP02500.rdmProdCmpFilial"
std::unique_ptr<TRemoteDataModule> MakeBaseCusto();     // "Pla00120.rdmBaseCusto"
std::unique_ptr<TRemoteDataModule> MakeImpCardDia();    // "Pla00109.rdmImpCardDia"
std::unique_ptr<TRemoteDataModule> MakeNutriCard();     // "Pla00105.rdmNutriCard"
std::unique_ptr<TRemoteDataModule> MakeImpTipoPrat();   // "Pla00121.rdmImpTipoPrat"
std::unique_ptr<TRemoteDataModule> MakeHistFilial();    // "Pla08800.rdmHistFilial"
std::unique_ptr<TRemoteDataModule> MakeEmissaoCard();   // "Pla00400.rdmEmissaoCard"

// The methods of "Pla00100.rdmParamCardIndu", by concern.
void RegisterMenuMonthMethods(TRemoteDataModule& module);     // months, reference date, generation
void RegisterMenuCycleMethods(TRemoteDataModule& module);     // menu cycles
void RegisterMonthlyMenuMethods(TRemoteDataModule& module);   // the monthly menu's load
void RegisterMenuSaveMethods(TRemoteDataModule& module);      // saving the month
void RegisterMenuDishMethods(TRemoteDataModule& module);      // checks before placing a dish
void RegisterMenuPeriodMethods(TRemoteDataModule& module);    // period deletion, inversion
void RegisterEquivalentMethods(TRemoteDataModule& module);    // cheaper equivalents
void RegisterMenuExportMethods(TRemoteDataModule& module);    // export to other services
void RegisterMenuDinersMethods(TRemoteDataModule& module);    // the day's delivery points
void RegisterMenuDayDinersMethods(TRemoteDataModule& module); // the day's diners, the diets
void RegisterClosingCostMethods(TRemoteDataModule& module);   // the closing cost check
void RegisterMenuConfigMethods(TRemoteDataModule& module);    // the month's dish positions
void RegisterMenuHistoryMethods(TRemoteDataModule& module);   // change history, dish ranking
// The contract restrictions of a service: read, written, judged against a month.
void RegisterContractRuleMethods(TRemoteDataModule& module);
// The grid's colour analysis, of "Pla00100.rdmParamCardIndu".
void RegisterColourAnalysisMethods(TRemoteDataModule& module);
// The month's costs, of "Pla00106.rdmCustoServ".
void RegisterMonthCostMethods(TRemoteDataModule& module);
void RegisterCostAnalysisMethods(TRemoteDataModule& module); // the analyses, recipe revision

// The price lists and the costs they update, of "CMP02500.rdmProdCmpFilial".
void RegisterPriceListMethods(TRemoteDataModule& module);

void AddAllModules(TDispatcher& dispatcher, TSessionService& sessions);

// Shared by the methods: refusals raise EPlaError with the planner's text.
void CheckBranch(TDatabase& db, const QString& cdFilial);
void CheckService(TDatabase& db, const QString& cdFilial, const QString& cdServFili);
QString CostTypeText(TDatabase& db, const QString& code); // "" when none
TDataPacket PlanningParameters(TDatabase& db, const QString& cdFilial);
QVariantList OperatorPermissions(TDatabase& db, const QString& cdOperador);
// Deletes a service's days from `first` to `last` (one month) with what hangs on them:
// dishes, delivery points, the records of departing from the central menu and the
// central dishes removed from them; the dishes that go are recorded in the change
// record under the operator and operation. The number of days deleted.
int DeleteMenuDays(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                   const QDate& first, const QDate& last, const QString& cdOperador,
                   rpc::TOperacaoCardapio operacao);
// A service's month as the monthly screen holds it: its day records, its dishes (with
// the position's label, the marked name and the diners), its dish positions, the days
// that depart from the central menu, its removed central dishes.
TDataPacket DaysOfMonth(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                        const QDateTime& month);
TPacketQuery DaysOfMonthQuery(const QString& cdFilial, const QString& cdServFili,
                              const QDateTime& month);
// The day records of the days from `first` to `last`, as DaysOfMonth gives them.
TDataPacket DaysOfPeriod(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                         const QDate& first, const QDate& last);
TDataPacket DishesOfMonth(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                          const QDateTime& month);
TDataPacket PositionsOfMonth(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                             const QDateTime& month);
TPacketQuery PositionsOfMonthQuery(const QString& cdFilial, const QString& cdServFili,
                                   const QDateTime& month);
TDataPacket SpecialDaysOfMonth(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                               const QDateTime& month);
TDataPacket RemovedDishesOfMonth(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                                 const QDateTime& month);

// What keeps a service's month from being planned, as a key of the screens'
// catalogues (FILI_RESC, N_HA_CARD, NOT_CONFCARD, CUSTPADR, CONSSERV, CARD_N_LIB_MATRIZ,
// CARD_CENT_N_LIB ...); empty when it may be planned.
QString MonthRefusal(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                     const QDateTime& month, const QString& cdOperador);

// How a service's menu follows a central one, for one operator: the branch's menu
// type, the head office it follows (type "S"), the service's group, and whether the
// day menus follow a central menu at all (the central flag "S").
struct TCentralMenu {
    QChar MenuType;
    QString CentralBranch; // CDFILCENTPME
    bool GroupParameterised = false;
    bool OperatorOfGroup = false;
    bool Decentralised = false; // IDCARDDESCENTR
    bool Follows = false;
    // "M" an operator of the central kitchen or of the group, "F" one of the branch.
    QChar OperatorKind(bool moduFili) const;
    // Days whose changes depart from the central menu are recorded.
    bool RecordsSpecialDays() const;
};
TCentralMenu CentralMenuOf(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                           const QString& cdOperador);

} // namespace pla::server
