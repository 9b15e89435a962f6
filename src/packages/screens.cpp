#include "screens.h"

#include "cost_charts.h"
#include "cost_reference_date.h"
#include "day_import.h"
#include "diners_by_type.h"
#include "dish_inversion.h"
#include "dish_selection.h"
#include "export_log.h"
#include "host/host_context.h"
#include "host/package_loader.h"
#include "period_deletion.h"
#include "rpc/contracts.h"

namespace pla::packages {

namespace {

template <typename TScreen> void runModal(const QVariantList& params) {
    TScreen screen(params);
    screen.ShowModal();
}

template <char Tipo> void runDataRef(const QVariantList& params) {
    TfrmDataRefCusto screen(Tipo, params);
    screen.ShowModal();
}

const QStringList Codes{QStringLiteral("PLA00115"), QStringLiteral("PLA00118"),
                        QStringLiteral("PLA00124"), QStringLiteral("PLA00132"),
                        QStringLiteral("PLA00108"), QStringLiteral("PLA00110"),
                        QStringLiteral("PLA00120"), QStringLiteral("PLA00126"),
                        QStringLiteral("PLA00109"), QStringLiteral("PLA06100")};

} // namespace

void RegisterScreens() {
    host::THostContext& h = host::Host();
    h.RegisterScreen(Codes[0], &runModal<TfrmSelPrato>);
    h.RegisterScreen(Codes[1], &runModal<TfrmDelCardPeriodo>);
    h.RegisterScreen(Codes[2], &runModal<TfrmComensEst>);
    h.RegisterScreen(Codes[3], &runModal<TfrmInvPrato>);
    // The charts stay open beside the monthly screen.
    for (const QString& code : {Codes[4], Codes[5]}) {
        h.RegisterScreen(code,
                         [code](const QVariantList& params) { AbreGraficoCusto(code, params); });
    }
    h.RegisterScreen(Codes[6], &runDataRef<rpc::BaseCustoPlanejado>);
    h.RegisterScreen(Codes[7], &runDataRef<rpc::BaseCustoRecalculo>);
    h.RegisterScreen(Codes[8], &runModal<TfrmImpCardDia>);
    h.RegisterScreen(Codes[9], &runModal<TfrmLogExpCard>);
}

void UnregisterScreens() {
    for (const QString& code : Codes) {
        host::Host().UnregisterScreen(code);
    }
}

} // namespace pla::packages

extern "C" {

Q_DECL_EXPORT int PlaPackageApi() {
    return pla::host::PackageApiVersion;
}

Q_DECL_EXPORT void PlaInitialize() {
    pla::packages::RegisterScreens();
}

Q_DECL_EXPORT void PlaFinalize() {
    pla::packages::UnregisterScreens();
}

} // extern "C"
