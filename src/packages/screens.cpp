#include "screens.h"

#include "branch_history.h"
#include "contract_restrictions.h"
#include "cost_analysis.h"
#include "cost_charts.h"
#include "cost_reference_date.h"
#include "day_import.h"
#include "diners_by_type.h"
#include "dish_inversion.h"
#include "dish_ranking.h"
#include "dish_selection.h"
#include "dish_type_import.h"
#include "export_log.h"
#include "host/host_context.h"
#include "host/package_loader.h"
#include "menu_config.h"
#include "menu_history.h"
#include "menu_printout.h"
#include "nutrients.h"
#include "period_deletion.h"
#include "recipe_revision.h"
#include "rpc/contracts.h"

namespace pla::packages {

namespace {

template <typename TScreen> void runModal(const QVariantList& params) {
    TScreen screen(params);
    screen.ShowModal();
}

template <TTipoEmissao Tipo> void runEmissao(const QVariantList& params) {
    TfrmEmissaoCardapio screen(Tipo, params);
    screen.ShowModal();
}

template <char Tipo> void runDataRef(const QVariantList& params) {
    TfrmDataRefCusto screen(Tipo, params);
    screen.ShowModal();
}

const QStringList Codes{
    QStringLiteral("PLA00115"), QStringLiteral("PLA00118"), QStringLiteral("PLA00124"),
    QStringLiteral("PLA00132"), QStringLiteral("PLA00108"), QStringLiteral("PLA00110"),
    QStringLiteral("PLA00120"), QStringLiteral("PLA00126"), QStringLiteral("PLA00109"),
    QStringLiteral("PLA06100"), QStringLiteral("PLA00119"), QStringLiteral("PLA00106"),
    QStringLiteral("PLA00122"), QStringLiteral("PLA00107"), QStringLiteral("PLA00113"),
    QStringLiteral("PLA00400"), QStringLiteral("PLA02600"), QStringLiteral("PLA02700"),
    QStringLiteral("PLA00105"), QStringLiteral("PLA00121"), QStringLiteral("PLA08800"),
    QStringLiteral("PLA00127"), QStringLiteral("PLA00102")};

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
    h.RegisterScreen(QStringLiteral("PLA00119"), &runModal<TfrmConfigCard>);
    // The contract restrictions: the screen, or only the verdict without a window.
    h.RegisterScreen(QStringLiteral("PLA00113"), &AbreRestricoesContratuais);
    // The cost analyses, and the per-capita chart beside the monthly screen.
    h.RegisterScreen(QStringLiteral("PLA00106"), &runModal<TfrmAnaliseCusto>);
    h.RegisterScreen(QStringLiteral("PLA00122"), &runModal<TfrmRevisaoReceita>);
    h.RegisterScreen(QStringLiteral("PLA00107"), [](const QVariantList& params) {
        AbreGraficoCusto(QStringLiteral("PLA00107"), params);
    });
    // The printed menus of the day, the week and the month.
    h.RegisterScreen(QStringLiteral("PLA00400"), &runEmissao<TTipoEmissao::Dia>);
    h.RegisterScreen(QStringLiteral("PLA02600"), &runEmissao<TTipoEmissao::Semana>);
    h.RegisterScreen(QStringLiteral("PLA02700"), &runEmissao<TTipoEmissao::Mes>);
    // A day's nutrients, the dish types brought from elsewhere, the branch's history.
    h.RegisterScreen(QStringLiteral("PLA00105"), &runModal<TfrmNutriCard>);
    h.RegisterScreen(QStringLiteral("PLA00121"), &runModal<TfrmImpTipoPrat>);
    h.RegisterScreen(QStringLiteral("PLA08800"), &runModal<TfrmHistFilial>);
    // The history of the menu's changes and the dish ranking, which hand a dish back.
    h.RegisterScreen(QStringLiteral("PLA00127"), &runModal<TfrmHistCard>);
    h.RegisterScreen(QStringLiteral("PLA00102"), &runModal<TfrmRankPrato>);
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
