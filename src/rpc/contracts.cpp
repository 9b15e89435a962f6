#include "contracts.h"

#include <QSet>

namespace pla::rpc {

QList<TRpcArg> Argumentos(const TMethodSpec& spec, const QVariantList& values) {
    if (values.size() != spec.Params.size()) {
        throw EProgramError(QStringLiteral("%1 declara %2 argumentos e recebeu %3")
                                .arg(spec.Name)
                                .arg(spec.Params.size())
                                .arg(values.size()));
    }
    QList<TRpcArg> args;
    args.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        args.append({values[i], spec.Params[i].ByRef});
    }
    return args;
}

namespace metodos {

namespace {
using P = TParam;
constexpr auto S = TArgType::String;
constexpr auto D = TArgType::DateTime;
constexpr auto I = TArgType::Integer;
constexpr auto B = TArgType::Boolean;
constexpr auto V = TArgType::Variant;
constexpr bool Ref = true;
constexpr bool Opcional = true;

// The month again: the same arguments for both period reloads.
QList<TParam> mesNovamente() {
    return {P{"filial", S},    P{"servico", S}, P{"mes", D},
            P{"ultimodia", D}, P{"zero", I},    P{"flag", S}};
}

// A method that only reads: a call lost with its connection may be sent once more.
TMethodSpec leitura(TMethodSpec spec) {
    spec.SoLeitura = true;
    return spec;
}

// A service's days from one date to another: read, cleared or deleted alike.
QList<TParam> periodo() {
    return {P{"filial", S}, P{"servico", S}, P{"inicio", D}, P{"fim", D}};
}
} // namespace

// --- Pla00100.rdmParamCardIndu: parameters and permissions -----------------------------

const TMethodSpec& GetParams() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetParams"), {P{"filial", S}, P{"tela", S}, P{"idioma", V}}});
    return spec;
}

const TMethodSpec& CheckAutOper() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("CheckAutOper"), {P{"operador", S}}, 0});
    return spec;
}

// --- Pla00100.rdmParamCardIndu: months, reference date, generation ----------------------

const TMethodSpec& GetMesCard() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetMesCard"), {P{"filial", S}, P{"servico", S}}});
    return spec;
}

const TMethodSpec& GetDtReferencia() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetDtReferencia"), {P{"filial", S}, P{"data", D, false, Opcional}}});
    return spec;
}

const TMethodSpec& Gera_Cardapio() {
    static const TMethodSpec spec{QStringLiteral("Gera_Cardapio"),
                                  {P{"filial", S, Ref}, P{"montagem", I, Ref, Opcional},
                                   P{"servico", S, Ref}, P{"data", D, Ref}, P{"operador", S},
                                   P{"modulofilial", B}},
                                  4};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: menu cycles ---------------------------------------------

const TMethodSpec& getVerificaCiclo() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("getVerificaCiclo"),
                 {P{"filial", S, Ref}, P{"servico", S, Ref}, P{"data", D, Ref}}});
    return spec;
}

const TMethodSpec& SetCriaCardCiclo() {
    static const TMethodSpec spec{QStringLiteral("SetCriaCardCiclo"),
                                  {P{"filial", S, Ref}, P{"servico", S, Ref}, P{"data", D, Ref},
                                   P{"operador", S}, P{"origem", S}},
                                  3};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: the monthly menu's load ---------------------------------

const TMethodSpec& GetServicos() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetServicos"), {P{"filial", S, Ref}, P{"todos", S}}});
    return spec;
}

const TMethodSpec& getDietaServ() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("getDietaServ"), {P{"filial", S, Ref}, P{"servico", S, Ref}}});
    return spec;
}

const TMethodSpec& GetTipodeCardapio() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetTipodeCardapio"), {P{"filial", S, Ref}}});
    return spec;
}

const TMethodSpec& GetCardCiclo() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetCardCiclo"),
                 {P{"filial", S, Ref}, P{"servico", S, Ref}, P{"mes", D, Ref}}});
    return spec;
}

const TMethodSpec& GetCardapio() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetCardapio"),
                 {P{"filial", S, Ref}, P{"tela", S}, P{"servico", S, Ref}, P{"operador", S},
                  P{"mes", D, Ref}, P{"modulofilial", B}},
                 3});
    return spec;
}

const TMethodSpec& GetStlPratos() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetStlPratos"),
                 {P{"filial", S}, P{"servico", S}, P{"mes", D, Ref}, P{"ultimodia", D},
                  P{"montagem", I, Ref}, P{"total", S}}});
    return spec;
}

const TMethodSpec& GetStlDesc() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetStlDesc"),
                 {P{"filial", S}, P{"servico", S}, P{"inicio", D, Ref}, P{"fim", D, Ref}}});
    return spec;
}

const TMethodSpec& DelCnfCaMes() {
    static const TMethodSpec spec{
        QStringLiteral("DelCnfCaMes"),
        {P{"filial", S}, P{"servico", S}, P{"mes", D, Ref}, P{"ultimodia", D}}};
    return spec;
}

const TMethodSpec& GravaVisualCard() {
    static const TMethodSpec spec{
        QStringLiteral("GravaVisualCard"),
        {P{"filial", S}, P{"servico", S, Ref}, P{"operador", S}, P{"visual", I, Ref}},
        2};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: saving the month ----------------------------------------

const TMethodSpec& UpdateCache() {
    static const TMethodSpec spec{QStringLiteral("UpdateCache"),
                                  {P{"operador", S}, P{"modulofilial", B}, P{"dias", V, Ref},
                                   P{"pratos", V, Ref}, P{"central", S, Ref}},
                                  0};
    return spec;
}

const TMethodSpec& GetDiaCardEspecif() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetDiaCardEspecif"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

const TMethodSpec& GetCardSemPrat() {
    static const TMethodSpec spec = leitura({QStringLiteral("GetCardSemPrat"), periodo()});
    return spec;
}

const TMethodSpec& SetCardSemPrat() {
    static const TMethodSpec spec{QStringLiteral("SetCardSemPrat"), periodo()};
    return spec;
}

const TMethodSpec& getDelCard() {
    static const TMethodSpec spec = leitura({QStringLiteral("getDelCard"), mesNovamente()});
    return spec;
}

const TMethodSpec& getImpCardDia() {
    static const TMethodSpec spec = leitura({QStringLiteral("getImpCardDia"), mesNovamente()});
    return spec;
}

const TMethodSpec& GetAtualizaCustos() {
    static const TMethodSpec spec = leitura({QStringLiteral("GetAtualizaCustos"), mesNovamente()});
    return spec;
}

const TMethodSpec& getPratosExcluidos() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("getPratosExcluidos"),
                 {P{"filial", S}, P{"servico", S}, P{"mes", D}, P{"ultimodia", D}}});
    return spec;
}

// --- Pla00100.rdmParamCardIndu: checks before placing a dish, the dish lists ------------

const TMethodSpec& GetRecPrato() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetRecPrato"),
         {P{"filial", S}, P{"servico", S}, P{"niveis", S}, P{"prato", S}, P{"filialprato", S}}});
    return spec;
}

const TMethodSpec& GetVerifProdInativo() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetVerifProdInativo"),
         {P{"filial", S}, P{"prato", S}, P{"filialprato", S}, P{"servico", S}, P{"niveis", S}}});
    return spec;
}

const TMethodSpec& GetServUtPratRelat() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetServUtPratRelat"), {P{"filial", S}, P{"servico", S}}});
    return spec;
}

const TMethodSpec& getPratoMatriz() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("getPratoMatriz"), {P{"filial", S}, P{"cardapio", S}, P{"posicao", I}}});
    return spec;
}

const TMethodSpec& GetPratoEquiv() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetPratoEquiv"), {P{"prato", S}, P{"filialprato", S}}});
    return spec;
}

// The dishes a dish may stand in for when copied over the month: itself and its
// equivalents.
const TMethodSpec& getPratoRelac() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("getPratoRelac"), {P{"filialprato", S}, P{"prato", S}}});
    return spec;
}

const TMethodSpec& GetPratoPesq() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetPratoPesq"),
                 {P{"filial", S}, P{"servico", S}, P{"niveis", S}, P{"vazio", S}, P{"central", S},
                  P{"ocultainativos", B}}});
    return spec;
}

const TMethodSpec& GetPratoCusto() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetPratoCusto"),
                 {P{"filial", S}, P{"servico", S}, P{"niveis", S}, P{"vazio", S}, P{"tipocusto", I},
                  P{"referencia", D, false, Opcional}, P{"filialcusto", S}, P{"central", S},
                  P{"ocultainativos", B}}});
    return spec;
}

const TMethodSpec& GetCnfCaMes() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetCnfCaMes"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

// --- Pla00100.rdmParamCardIndu: period deletion, dish inversion -------------------------

const TMethodSpec& DelCardPeriodo() {
    static const TMethodSpec spec{QStringLiteral("DelCardPeriodo"), periodo()};
    return spec;
}

const TMethodSpec& InvertePratos() {
    static const TMethodSpec spec{QStringLiteral("InvertePratos"),
                                  {P{"filial", S}, P{"servico", S}, P{"dia", D}, P{"outrodia", D}}};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: dishes substituted by cheaper equivalents ---------------

// The cost reference: "S" each menu day's own date, "N" the reference date given; the
// quantity shown: "P" the share of the day's diners, "C" the diners.
const TMethodSpec& getSubsPratoEqui() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("getSubsPratoEqui"),
         {P{"filial", S, Ref}, P{"servico", S, Ref}, P{"mes", D, Ref}, P{"tipocusto", S, Ref},
          P{"refecardapio", S, Ref}, P{"datareferencia", D, Ref}, P{"tipoquantidade", S, Ref}}});
    return spec;
}

// The relation kind ("E" equivalents); the code "T" lists every equivalent, any other
// only that one.
const TMethodSpec& getListaEquiPrato() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("getListaEquiPrato"),
                 {P{"filialprato", S}, P{"prato", S}, P{"idequivalencia", S}, P{"filial", S, Ref},
                  P{"servico", S, Ref}, P{"mes", D, Ref}, P{"tipocusto", S, Ref},
                  P{"datareferencia", D, Ref}, P{"tipoquantidade", S, Ref}, P{"codigo", S, Ref}}});
    return spec;
}

// The lines as getSubsPratoEqui gave them, the marked ones ("S") with their chosen
// equivalent and share.
const TMethodSpec& setSubsPratoEqui() {
    static const TMethodSpec spec{QStringLiteral("setSubsPratoEqui"),
                                  {P{"filial", S, Ref}, P{"servico", S, Ref}, P{"mes", D, Ref},
                                   P{"linhas", V}, P{"operador", S}, P{"porfilial", B}},
                                  4};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: the export of a period's menu --------------------------

// The group "T" lists every group; the origin service is left out of the list.
const TMethodSpec& GetServicosExport() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetServicosExport"),
                 {P{"filial", S}, P{"inicio", D}, P{"fim", D}, P{"modulofilial", B},
                  P{"operador", S}, P{"grupo", S}, P{"servicoorigem", S}},
                 4});
    return spec;
}

// The origins and destinations as codes each followed by "_", as many as the count;
// the flags "S" or "N".
const TMethodSpec& ExportarCardapio() {
    static const TMethodSpec spec{QStringLiteral("ExportarCardapio"),
                                  {P{"filial", S}, P{"origens", S, Ref}, P{"destinos", S, Ref},
                                   P{"mes", D}, P{"inicio", D}, P{"fim", D}, P{"sobrepor", S, Ref},
                                   P{"copiacomensais", S, Ref}, P{"operador", S},
                                   P{"modulofilial", B}, P{"quantidade", I, Ref}},
                                  8};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: the day's delivery points -------------------------------

const TMethodSpec& GetCardaCli() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetCardaCli"),
                 {P{"filial", S}, P{"servico", S}, P{"dia", D}, P{"feriado", S}}});
    return spec;
}

const TMethodSpec& SetCardaCli() {
    static const TMethodSpec spec{QStringLiteral("SetCardaCli"), {P{"pontos", V}}};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: the day's diners ----------------------------------------

// "S" with a day: that day only; otherwise the days of the period.
const TMethodSpec& GetCardadia() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetCardadia"),
                 {P{"filial", S}, P{"servico", S}, P{"inicio", D}, P{"fim", D},
                  P{"dia", D, false, Opcional}, P{"sodia", S}}});
    return spec;
}

// The diets: "T" for every diet of the service, else the codes chosen, joined by ";".
const TMethodSpec& getDietaPrescrita() {
    static const TMethodSpec spec = leitura({QStringLiteral("getDietaPrescrita"),
                                             {P{"filial", S}, P{"servico", S, Ref},
                                              P{"dia", D, false, Opcional}, P{"dietas", S, Ref}}});
    return spec;
}

// The service and date the screen believes the number is: a number that names another
// day is refused rather than written.
const TMethodSpec& setAtuComensDiet() {
    static const TMethodSpec spec{QStringLiteral("setAtuComensDiet"),
                                  {P{"filial", S}, P{"cardapio", S, Ref}, P{"comensais", I},
                                   P{"servico", S, false, Opcional}, P{"dia", D, false, Opcional}}};
    return spec;
}

const TMethodSpec& setDeletaCardapio() {
    static const TMethodSpec spec{QStringLiteral("setDeletaCardapio"),
                                  {P{"filial", S}, P{"cardapio", S, Ref},
                                   P{"servico", S, false, Opcional}, P{"dia", D, false, Opcional}}};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: closing cost check, stored reference date -----------------

// The reference kind is "C" (each day's own date, the date null) or "X" (the date).
const TMethodSpec& getVdFechaCardapioCus() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("getVdFechaCardapioCus"),
                 {P{"filial", S}, P{"servico", S}, P{"mes", D}, P{"ultimodia", D}, P{"operador", S},
                  P{"tipocusto", I}, P{"tiporeferencia", S}, P{"referencia", D, false, Opcional}},
                 4});
    return spec;
}

const TMethodSpec& GetDtRefCust() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetDtRefCust"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

// The first and last day of one month.
const TMethodSpec& GetAnaliCor() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetAnaliCor"),
                 {P{"filial", S}, P{"servico", S}, P{"inicio", D}, P{"fim", D}}});
    return spec;
}

// --- Pla00100.rdmParamCardIndu: contract restrictions ----------------------------------

const TMethodSpec& GetRestContServ() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetRestContServ"), {P{"filial", S}, P{"servico", S}}});
    return spec;
}

// The change set of the restrictions' table (rows without branch or service: those of
// the arguments).
const TMethodSpec& SetRestContServ() {
    static const TMethodSpec spec{
        QStringLiteral("SetRestContServ"),
        {P{"filial", S}, P{"servico", S}, P{"alteracoes", V}, P{"operador", S}},
        3};
    return spec;
}

const TMethodSpec& GetAnaliRestCont() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetAnaliRestCont"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

// --- Pla00100.rdmParamCardIndu: the month's dish positions ------------------------------

const TMethodSpec& GetConfigCardMes() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetConfigCardMes"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

// The positions as the screen's table holds them (its deleted rows left out); the
// positions whose dishes the planner agreed to lose, as their numbers joined by ";".
const TMethodSpec& SetConfigCardMes() {
    static const TMethodSpec spec{QStringLiteral("SetConfigCardMes"),
                                  {P{"filial", S}, P{"servico", S}, P{"mes", D}, P{"posicoes", V},
                                   P{"excluirpratos", S}, P{"operador", S}},
                                  5};
    return spec;
}

// --- Pla00100.rdmParamCardIndu: the history of changes and the dish ranking ---------------

// An empty dish code: every dish; an empty dish branch: the code in any branch; an
// empty operator: every operator. The period is of the change's date, both days whole.
const TMethodSpec& GetHistCard() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetHistCard"),
                 {P{"filial", S}, P{"servico", S}, P{"prato", S}, P{"filialprato", S},
                  P{"inicio", D}, P{"fim", D}, P{"operadorfiltro", S}}});
    return spec;
}

// The period is of the menu's days; the cost per serving only when asked (exibecusto),
// at the reference date (null: today) in the cost branch (empty: the menu's); with a
// reference dish code, only that dish and its equivalents.
const TMethodSpec& GetRankingPratos() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetRankingPratos"),
                 {P{"filial", S}, P{"servico", S}, P{"inicio", D}, P{"fim", D}, P{"tipocusto", I},
                  P{"referencia", D, false, Opcional}, P{"filialcusto", S}, P{"exibecusto", B},
                  P{"pratoreferencia", S}}});
    return spec;
}

// --- Pla00120.rdmBaseCusto -----------------------------------------------------------------

const TMethodSpec& GetBaseCusto() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetBaseCusto"), {P{"filial", S}, P{"mes", D}}});
    return spec;
}

// The kind is BaseCustoPlanejado or BaseCustoRecalculo.
const TMethodSpec& SetBaseCusto() {
    static const TMethodSpec spec{
        QStringLiteral("SetBaseCusto"),
        {P{"filial", S}, P{"mes", D}, P{"tipo", S}, P{"data", D}, P{"operador", S}},
        4};
    return spec;
}

// --- Pla00109.rdmImpCardDia --------------------------------------------------------------

const TMethodSpec& GetServicosImp() {
    static const TMethodSpec spec = leitura({QStringLiteral("GetServicosImp"), {P{"filial", S}}});
    return spec;
}

// The days of the month that hold dishes.
const TMethodSpec& GetDiasOrigem() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetDiasOrigem"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

// The source day's dishes, each said to have a position in the target month or not.
const TMethodSpec& GetCardDiaOrigem() {
    static const TMethodSpec spec = leitura({QStringLiteral("GetCardDiaOrigem"),
                                             {P{"filial", S}, P{"servico", S}, P{"dia", D},
                                              P{"servicodestino", S}, P{"diadestino", D}}});
    return spec;
}

// The dish types to bring, as their codes separated by ";"; the operator's kind ("M"
// head office, "F" branch) as the monthly screen knows it, for the dishes' marks.
const TMethodSpec& ImportaCardDia() {
    static const TMethodSpec spec{QStringLiteral("ImportaCardDia"),
                                  {P{"filial", S}, P{"servico", S}, P{"dia", D},
                                   P{"servicodestino", S}, P{"diadestino", D}, P{"tipos", S},
                                   P{"tipooperador", S}}};
    return spec;
}

// --- Pla00105.rdmNutriCard ----------------------------------------------------------------

// The nutrient's code (rpc::TodosNutrientes: every one), the day, the cell's dish (empty
// for an empty cell).
const TMethodSpec& GetNutriCard() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetNutriCard"),
                 {P{"filial", S}, P{"servico", S}, P{"nutriente", S}, P{"dia", D}, P{"prato", S}}});
    return spec;
}

// --- Pla00121.rdmImpTipoPrat ---------------------------------------------------------------

// The branch's services and months with positions of their own, the month itself left
// out.
const TMethodSpec& GetOrigensTipoPrat() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetOrigensTipoPrat"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

const TMethodSpec& GetPrevTipoPrat() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetPrevTipoPrat"),
         {P{"filial", S}, P{"servico", S}, P{"mes", D}, P{"servicoorigem", S}, P{"mesorigem", D}}});
    return spec;
}

// The orders of the origin's positions to bring and of the month's positions to remove,
// each joined by ";"; the month's positions whose dishes the planner agreed to lose, by
// number, joined by ";".
const TMethodSpec& ImportaTipoPrat() {
    static const TMethodSpec spec{QStringLiteral("ImportaTipoPrat"),
                                  {P{"filial", S}, P{"servico", S}, P{"mes", D},
                                   P{"servicoorigem", S}, P{"mesorigem", D}, P{"trazer", S},
                                   P{"remover", S}, P{"excluirpratos", S}, P{"operador", S}},
                                  8};
    return spec;
}

// --- Pla00400.rdmEmissaoCard ---------------------------------------------------------------

// The period's first and last day.
const TMethodSpec& GetCardapioImpresso() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetCardapioImpresso"),
                 {P{"filial", S}, P{"servico", S}, P{"inicio", D}, P{"fim", D}}});
    return spec;
}

// --- Pla08800.rdmHistFilial ----------------------------------------------------------------

const TMethodSpec& GetHistFilial() {
    static const TMethodSpec spec = leitura({QStringLiteral("GetHistFilial"), {P{"filial", S}}});
    return spec;
}

// --- PLA00124.rdmComensEst ---------------------------------------------------------------

const TMethodSpec& getComensEst() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("getComensEst"),
         {P{"filial", S}, P{"servico", S}, P{"mes", D}, P{"processamento", D}, P{"arredonda", S}}});
    return spec;
}

// --- Pla00106.rdmCustoServ ---------------------------------------------------------------

const TMethodSpec& GetParamsCustoServ() {
    static const TMethodSpec spec = leitura({QStringLiteral("GetParams"), {P{"filial", S}}});
    return spec;
}

const TMethodSpec& GetCustoPadrao() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetCustoPadrao"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

const TMethodSpec& GetComensPlan() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetComensPlan"), {P{"filial", S}, P{"servico", S}, P{"mes", D}}});
    return spec;
}

const TMethodSpec& DelConsplan() {
    static const TMethodSpec spec{QStringLiteral("DelConsplan"), {P{"chave", S}, P{"filial", S}}};
    return spec;
}

// The reference date is null when the costs follow each day's own date.
const TMethodSpec& GetTrabCusto() {
    static const TMethodSpec spec{QStringLiteral("GetTrabCusto"),
                                  {P{"filial", S}, P{"servico", S}, P{"inicio", D}, P{"fim", D},
                                   P{"tipocusto", I}, P{"operador", S}, P{"referenciafixa", B},
                                   P{"referencia", D, false, Opcional}, P{"filialcusto", S},
                                   P{"porprato", B}},
                                  5};
    return spec;
}

const TMethodSpec& GetRealizado() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetRealizado"),
         {P{"filial", S}, P{"servico", S}, P{"mes", D}, P{"tipocusto", I}, P{"referenciafixa", B},
          P{"referencia", D, false, Opcional}, P{"filialcusto", S}}});
    return spec;
}

const TMethodSpec& GetPratosTrabCusto() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetPratosTrabCusto"), {P{"chave", S}, P{"filial", S}}});
    return spec;
}

// The comparison date is the one the month's costs are compared from.
const TMethodSpec& GetRevisaoReceita() {
    static const TMethodSpec spec = leitura(
        {QStringLiteral("GetRevisaoReceita"), {P{"chave", S}, P{"filial", S}, P{"comparacao", D}}});
    return spec;
}

// The dishes as a packet of CDFILAUXPRAT and CDPRATO; the answer is how many were marked.
const TMethodSpec& SetReceitaRevisada() {
    static const TMethodSpec spec{
        QStringLiteral("SetReceitaRevisada"),
        {P{"filial", S}, P{"servico", S}, P{"mes", D}, P{"pratos", V}, P{"operador", S}},
        4};
    return spec;
}

// --- Cus00000.rdmCustProd ----------------------------------------------------------------

const TMethodSpec& ListaTipoCusto() {
    static const TMethodSpec spec = leitura({QStringLiteral("ListaTipoCusto"), {}});
    return spec;
}

// --- CMP02500.rdmProdCmpFilial ------------------------------------------------------------

// The branch of the planning screen and its processing date.
const TMethodSpec& GetPrevLista() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("GetPrevLista"), {P{"filial", S}, P{"processamento", D}}});
    return spec;
}

// The lists as the host's list lookup gives them: numbers joined by ";".
const TMethodSpec& Atu_Custo_ListPr() {
    static const TMethodSpec spec{
        QStringLiteral("Atu_Custo_ListPr"),
        {P{"centralcompras", S}, P{"listas", S}, P{"filial", S}, P{"operador", S}},
        3};
    return spec;
}

// --- Est.rdmAutoriza ---------------------------------------------------------------------

const TMethodSpec& Autoriza() {
    static const TMethodSpec spec{
        QStringLiteral("Autoriza"),
        {P{"tipo", I}, P{"operacao", S}, P{"supervisor", S}, P{"senha", S}}};
    return spec;
}

const TMethodSpec& GetOperador() {
    static const TMethodSpec spec = leitura({QStringLiteral("GetOperador"), {P{"operador", S}}, 0});
    return spec;
}

const TMethodSpec& ExisteAcesso() {
    static const TMethodSpec spec =
        leitura({QStringLiteral("ExisteAcesso"), {P{"acesso", S}, P{"operador", S}}, 1});
    return spec;
}

bool SoLeitura(const QString& modulo, const QString& metodo) {
    static const QSet<QString> leituras = [] {
        QSet<QString> out;
        for (const auto& [nome, spec] : Todos()) {
            if (spec->SoLeitura) {
                out.insert((nome + QLatin1Char('.') + spec->Name).toLower());
            }
        }
        return out;
    }();
    return leituras.contains((modulo + QLatin1Char('.') + metodo).toLower());
}

const QList<TMetodoDeModulo>& Todos() {
    static const QList<TMetodoDeModulo> todos = [] {
        const QString ParamCardIndu = QStringLiteral("Pla00100.rdmParamCardIndu");
        const QString ComensEst = QStringLiteral("PLA00124.rdmComensEst");
        const QString CustoServ = QStringLiteral("Pla00106.rdmCustoServ");
        const QString CustProd = QStringLiteral("Cus00000.rdmCustProd");
        const QString BaseCusto = QStringLiteral("Pla00120.rdmBaseCusto");
        const QString ImpCardDia = QStringLiteral("Pla00109.rdmImpCardDia");
        const QString ProdCmpFilial = QStringLiteral("CMP02500.rdmProdCmpFilial");
        const QString Autorizacao = QStringLiteral("Est.rdmAutoriza");
        const QString NutriCard = QStringLiteral("Pla00105.rdmNutriCard");
        const QString ImpTipoPrat = QStringLiteral("Pla00121.rdmImpTipoPrat");
        const QString HistFilial = QStringLiteral("Pla08800.rdmHistFilial");
        const QString EmissaoCard = QStringLiteral("Pla00400.rdmEmissaoCard");
        return QList<TMetodoDeModulo>{
            {ParamCardIndu, &GetParams()},
            {ParamCardIndu, &CheckAutOper()},
            {ParamCardIndu, &GetMesCard()},
            {ParamCardIndu, &GetDtReferencia()},
            {ParamCardIndu, &Gera_Cardapio()},
            {ParamCardIndu, &getVerificaCiclo()},
            {ParamCardIndu, &SetCriaCardCiclo()},
            {ParamCardIndu, &GetServicos()},
            {ParamCardIndu, &getDietaServ()},
            {ParamCardIndu, &GetTipodeCardapio()},
            {ParamCardIndu, &GetCardCiclo()},
            {ParamCardIndu, &GetCardapio()},
            {ParamCardIndu, &GetStlPratos()},
            {ParamCardIndu, &GetStlDesc()},
            {ParamCardIndu, &DelCnfCaMes()},
            {ParamCardIndu, &GravaVisualCard()},
            {ParamCardIndu, &UpdateCache()},
            {ParamCardIndu, &GetDiaCardEspecif()},
            {ParamCardIndu, &GetCardSemPrat()},
            {ParamCardIndu, &SetCardSemPrat()},
            {ParamCardIndu, &getDelCard()},
            {ParamCardIndu, &getImpCardDia()},
            {ParamCardIndu, &getPratosExcluidos()},
            {ParamCardIndu, &GetAtualizaCustos()},
            {ParamCardIndu, &GetRecPrato()},
            {ParamCardIndu, &GetVerifProdInativo()},
            {ParamCardIndu, &GetServUtPratRelat()},
            {ParamCardIndu, &getPratoMatriz()},
            {ParamCardIndu, &GetPratoEquiv()},
            {ParamCardIndu, &getPratoRelac()},
            {ParamCardIndu, &GetPratoPesq()},
            {ParamCardIndu, &GetPratoCusto()},
            {ParamCardIndu, &GetCnfCaMes()},
            {ParamCardIndu, &DelCardPeriodo()},
            {ParamCardIndu, &InvertePratos()},
            {ParamCardIndu, &getSubsPratoEqui()},
            {ParamCardIndu, &getListaEquiPrato()},
            {ParamCardIndu, &setSubsPratoEqui()},
            {ParamCardIndu, &GetServicosExport()},
            {ParamCardIndu, &ExportarCardapio()},
            {ParamCardIndu, &GetCardaCli()},
            {ParamCardIndu, &SetCardaCli()},
            {ParamCardIndu, &GetCardadia()},
            {ParamCardIndu, &getDietaPrescrita()},
            {ParamCardIndu, &setAtuComensDiet()},
            {ParamCardIndu, &setDeletaCardapio()},
            {ParamCardIndu, &getVdFechaCardapioCus()},
            {ParamCardIndu, &GetDtRefCust()},
            {ParamCardIndu, &GetAnaliCor()},
            {ParamCardIndu, &GetRestContServ()},
            {ParamCardIndu, &SetRestContServ()},
            {ParamCardIndu, &GetAnaliRestCont()},
            {ParamCardIndu, &GetConfigCardMes()},
            {ParamCardIndu, &SetConfigCardMes()},
            {ParamCardIndu, &GetHistCard()},
            {ParamCardIndu, &GetRankingPratos()},
            {NutriCard, &GetNutriCard()},
            {ImpTipoPrat, &GetOrigensTipoPrat()},
            {ImpTipoPrat, &GetPrevTipoPrat()},
            {ImpTipoPrat, &ImportaTipoPrat()},
            {HistFilial, &GetHistFilial()},
            {EmissaoCard, &GetCardapioImpresso()},
            {ComensEst, &getComensEst()},
            {CustoServ, &GetParamsCustoServ()},
            {CustoServ, &GetCustoPadrao()},
            {CustoServ, &GetComensPlan()},
            {CustoServ, &DelConsplan()},
            {CustoServ, &GetTrabCusto()},
            {CustoServ, &GetRealizado()},
            {CustoServ, &GetPratosTrabCusto()},
            {CustoServ, &GetRevisaoReceita()},
            {CustoServ, &SetReceitaRevisada()},
            {BaseCusto, &GetBaseCusto()},
            {BaseCusto, &SetBaseCusto()},
            {ImpCardDia, &GetServicosImp()},
            {ImpCardDia, &GetDiasOrigem()},
            {ImpCardDia, &GetCardDiaOrigem()},
            {ImpCardDia, &ImportaCardDia()},
            {CustProd, &ListaTipoCusto()},
            {ProdCmpFilial, &GetPrevLista()},
            {ProdCmpFilial, &Atu_Custo_ListPr()},
            {Autorizacao, &Autoriza()},
            {Autorizacao, &GetOperador()},
            {Autorizacao, &ExisteAcesso()},
        };
    }();
    return todos;
}

} // namespace metodos

QString NomeLinhaLogExportacao(QChar kind) {
    using L = TLinhaLogExportacao;
    switch (static_cast<L>(kind.toLatin1())) {
    case L::DiaExportado:
        return QStringLiteral("Dia exportado");
    case L::DiaSobreposto:
        return QStringLiteral("Dia sobreposto");
    case L::ServicoNaoExportado:
        return QStringLiteral("Serviço não exportado");
    case L::DiaMantido:
        return QStringLiteral("Dia mantido");
    case L::DiaNaoUtil:
        return QStringLiteral("Dia não útil");
    case L::DiaSemComensais:
        return QStringLiteral("Dia sem comensais");
    case L::PratoSemPosicao:
        return QStringLiteral("Prato sem posição");
    case L::ReceitaNaoRevisada:
        return QStringLiteral("Receita não revisada");
    case L::ProdutoInativo:
        return QStringLiteral("Produto inativo");
    }
    return {};
}

QString NomeOperacaoCardapio(QChar kind) {
    using O = TOperacaoCardapio;
    switch (static_cast<O>(kind.toLatin1())) {
    case O::Gravacao:
        return QStringLiteral("Gravação do cardápio");
    case O::ImportacaoDia:
        return QStringLiteral("Importação do dia");
    case O::Exportacao:
        return QStringLiteral("Exportação");
    case O::Substituicao:
        return QStringLiteral("Substituição por equivalente");
    case O::ExclusaoPeriodo:
        return QStringLiteral("Exclusão do período");
    case O::Inversao:
        return QStringLiteral("Inversão de pratos");
    case O::Ciclo:
        return QStringLiteral("Ciclo de cardápio");
    case O::Configuracao:
        return QStringLiteral("Configuração do mês");
    case O::ImportacaoTipos:
        return QStringLiteral("Importação de tipo de prato");
    case O::Dietas:
        return QStringLiteral("Comensais das dietas");
    }
    return {};
}

const QList<QPair<QString, QString>>& MensagensSituacaoExportacao() {
    static const QList<QPair<QString, QString>> texts{
        {QStringLiteral("HA_CICLO"), QStringLiteral("Existe ciclo definido para o serviço.")},
        {QStringLiteral("CARD_CENT_N_LIB"), QStringLiteral("Cardápio não liberado.")},
        {QStringLiteral("CARD_N_LIB_MATRIZ"), QStringLiteral("Cardápio não liberado pela matriz.")},
        {QStringLiteral("NOT_CONFCARD"),
         QStringLiteral(
             "Não existe configuração de cardápio cadastrada para o serviço informado.")},
        {QStringLiteral("N_HA_CARD"),
         QStringLiteral("Não há cardápio para o mês de referência informado.")},
        {QStringLiteral("CUSTPADR"), QStringLiteral("Serviço não possui custo padrão cadastrado.")},
        {QStringLiteral("CONSSERV"),
         QStringLiteral("Serviço não possui consumo fixo / percapita no período informado.")},
        {QStringLiteral("CARD_JA_APROV_FILIAL"),
         QStringLiteral("Cardápio já aprovado pela filial.")},
        {QStringLiteral("CARD_JA_APROV_MATRIZ"),
         QStringLiteral("Cardápio já aprovado pela matriz.")},
        {QStringLiteral("DTATUAL>DTLIMITE"),
         QStringLiteral("Data atual é superior à data limite para alteração do cardápio.")},
        {QStringLiteral("FILI_PODE_ALTERAR_CARD"),
         QStringLiteral("Filial ainda possui acesso para alteração do cardápio.")},
        {QStringLiteral("NAO_PERMITE_ALT_CARD"),
         QStringLiteral("Não é permitido alterar cardápio de serviços que não dependem de "
                        "liberação.")},
        {QStringLiteral("CARD_N_LIB_AGRE"),
         QStringLiteral("Cardápio não liberado para as filiais agregadas.")},
        {QStringLiteral("CARD_SOMENTE_LEITURA"),
         QStringLiteral("Cardápio habilitado apenas para consulta.")},
        {QStringLiteral("SERV_OUTRO_TIPO"),
         QStringLiteral("Serviço de outro tipo: o cardápio só é exportado entre serviços do "
                        "mesmo tipo.")},
        {QStringLiteral("TIPOPRAT_N_CONF"),
         QStringLiteral("O cardápio do serviço não tem posição para nenhum tipo de prato do "
                        "cardápio de origem.")},
        {QStringLiteral("TIPOPRAT_FALTA"),
         QStringLiteral("O cardápio do serviço não tem posição para alguns tipos de prato do "
                        "cardápio de origem; esses pratos não serão exportados.")},
        {QStringLiteral("DIAS_COM_PRATOS"),
         QStringLiteral("O serviço já tem pratos em dias do período: com \"Sobrepor\" eles "
                        "serão substituídos; com \"Acrescentar\" esses dias serão mantidos.")},
        {QStringLiteral("FERIADO_PERIODO"),
         QStringLiteral("Há feriado no período: o cardápio desses dias não será exportado.")},
        {QStringLiteral("PRATO_REC_N_REV"),
         QStringLiteral("Há prato sem receita revisada no cardápio de origem: ele não será "
                        "exportado.")},
        {QStringLiteral("PRATO_PROD_INAT"),
         QStringLiteral("Há prato com produto inativo na receita no cardápio de origem: ele não "
                        "será exportado.")},
    };
    return texts;
}

QString MensagemSituacaoExportacao(const QString& key) {
    for (const auto& [k, text] : MensagensSituacaoExportacao()) {
        if (k == key) {
            return text;
        }
    }
    return key;
}

TRespostaCardapio TRespostaCardapio::FromWire(const QVariant& answer) {
    if (answer.typeId() == QMetaType::QString) {
        throw EPlaError(answer.toString());
    }
    const QVariantList list = answer.toList();
    if (list.size() < int(TElemCardapio::Quantidade)) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao carregar o cardápio."));
    }
    TRespostaCardapio r;
    r.Elementos = list.mid(0, int(TElemCardapio::Quantidade));
    return r;
}

QVariant TMesRecarregado::ToWire() const {
    QVariantList out;
    if (CardEsp) {
        out << *CardEsp;
    }
    out << CardaDia << CompCard << PratosExcluidos;
    return out;
}

TMesRecarregado TMesRecarregado::FromWire(const QVariant& answer, bool comDiasEspeciais) {
    const QVariantList list = answer.toList();
    const int primeiro = comDiasEspeciais ? 1 : 0;
    if (answer.typeId() == QMetaType::QString || list.size() < primeiro + 3) {
        throw EPlaError(QStringLiteral("Resposta incompleta do servidor ao recarregar o mês."));
    }
    TMesRecarregado m;
    if (comDiasEspeciais) {
        m.CardEsp = list[0];
    }
    m.CardaDia = list[primeiro];
    m.CompCard = list[primeiro + 1];
    m.PratosExcluidos = list[primeiro + 2];
    return m;
}

bool TextoDeErro(const QString& answer) {
    return answer.size() > TamanhoNrCardapio;
}

} // namespace pla::rpc
