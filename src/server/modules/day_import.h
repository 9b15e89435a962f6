#pragma once

#include "day_import_match.h"
#include "menu_days.h"
#include "server/remote_data_module.h"

#include <QDate>
#include <optional>

namespace pla::server {

// What the import reads of the branch, shared by the lists that lead to it and by the
// import itself (module "Pla00109.rdmImpCardDia").

// The source and the target of an import, as the methods receive them (branch, source
// service and day, target service and day), codes padded; both services refused unless
// they are normal services of the branch.
struct TImportArgs {
    QString Filial;
    QString Servico;
    QDate Dia;
    QString Destino;
    QDate DiaDestino;
    static TImportArgs Of(TMethodArgs& args);
    void CheckServices(TDatabase& db) const;
};

// Refuses an operator who may not change the branch's menus: only such an operator
// imports into them, and the lists serve nothing else.
void CheckImportAccess(TCallContext& ctx, const QString& cdFilial);
// Refuses a service that is not one of the branch's normal services (those the
// monthly screen lists); `what` names it in the refusal ("Serviço de origem").
void CheckNormalService(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                        const QString& what);

// The source day's record and its dishes in its month's position order; nullopt when
// the service has no menu that day.
struct TSourceDay {
    QString Number;
    double Diners = 0;
    TDayEstimate Figures; // the day's diners: total, shifts, clients, employees, donations
    QList<TSourceDish> Dishes;
};
std::optional<TSourceDay> SourceDay(TDatabase& db, const QString& cdFilial,
                                    const QString& cdServFili, const QDate& day);

// The dish positions of the target month in their order; a month not configured yet
// shows the service's standing positions, which it will copy.
QList<TTargetPosition> TargetPositions(TDatabase& db, const QString& cdFilial,
                                       const QString& cdServFili, const QDate& month);

// ImportaCardDia (day_import_write.cpp).
QVariant ImportaCardDiaMethod(TCallContext& ctx, TMethodArgs& args);

} // namespace pla::server
