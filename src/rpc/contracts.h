#pragma once

// What the server and the desktop agree on by position: the declarations of every
// method the server answers, the elements of their positional results, the
// operator's permission array and the answers that carry an error text in a
// result's place. Both sides include this header; nothing here changes the bytes on
// the wire (docs/PROTOCOL.md).

#include "rpc_protocol.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace pla::rpc {

// The declared type of a method's argument. A value of another kind is refused
// before the method runs, and so is null unless the argument is optional (a variant,
// such as a change set, may always be null).
enum class TArgType { String, Integer, Float, Boolean, DateTime, Bytes, Variant };

struct TParam {
    QString Name;
    TArgType Type = TArgType::Variant;
    bool ByRef = false;
    bool Optional = false; // null stands for "none" (a date not given)
    friend bool operator==(const TParam&, const TParam&) = default;
};

// A method's name and arguments, in order; which argument names the operator.
struct TMethodSpec {
    QString Name;
    QList<TParam> Params;
    int OperatorParam = -1;
    // The method only reads: a call lost with its connection may be sent once more.
    // Anything else is never sent twice.
    bool SoLeitura = false;
};

// The arguments of a call to a declared method: the by-reference flags come from the
// declaration; a wrong count is a programming error.
QList<TRpcArg> Argumentos(const TMethodSpec& spec, const QVariantList& values);

// --- the declared methods, by the remote data module that answers them ----------------
// Each as the server registers it and the desktop calls it; the functions carry the
// names of the wire.
namespace metodos {
// Pla00100.rdmParamCardIndu: the planning parameters and the operator's permissions.
const TMethodSpec& GetParams();
const TMethodSpec& CheckAutOper();
// Months, reference date, generation.
const TMethodSpec& GetMesCard();
const TMethodSpec& GetDtReferencia();
const TMethodSpec& Gera_Cardapio();
// Menu cycles.
const TMethodSpec& getVerificaCiclo();
const TMethodSpec& SetCriaCardCiclo();
// The monthly menu's load.
const TMethodSpec& GetServicos();
const TMethodSpec& getDietaServ();
const TMethodSpec& GetTipodeCardapio();
const TMethodSpec& GetCardCiclo();
const TMethodSpec& GetCardapio();
const TMethodSpec& GetStlPratos();
const TMethodSpec& GetStlDesc();
const TMethodSpec& DelCnfCaMes();
const TMethodSpec& GravaVisualCard();
// Saving the month.
const TMethodSpec& UpdateCache();
const TMethodSpec& GetDiaCardEspecif();
const TMethodSpec& GetCardSemPrat();
const TMethodSpec& SetCardSemPrat();
const TMethodSpec& getDelCard();
const TMethodSpec& getImpCardDia();
const TMethodSpec& getPratosExcluidos();
// The month's days and dishes again after the cost analysis with recipe revision:
// [days, dishes]; an error text in its place.
const TMethodSpec& GetAtualizaCustos();
// Checks before placing a dish, and the dish lists.
const TMethodSpec& GetRecPrato();
const TMethodSpec& GetVerifProdInativo();
const TMethodSpec& GetServUtPratRelat();
const TMethodSpec& getPratoMatriz();
const TMethodSpec& GetPratoEquiv();
const TMethodSpec& getPratoRelac();
const TMethodSpec& GetPratoPesq();
const TMethodSpec& GetPratoCusto();
const TMethodSpec& GetCnfCaMes();
// Period deletion, dish inversion.
const TMethodSpec& DelCardPeriodo();
const TMethodSpec& InvertePratos();
// The month's dishes that have a cheaper equivalent, a dish's equivalents by cost, and
// the substitution of the lines the planner marked.
const TMethodSpec& getSubsPratoEqui();
const TMethodSpec& getListaEquiPrato();
const TMethodSpec& setSubsPratoEqui();
// The export of a period's menu to other services of the branch: each service's
// situation for the period, and the export itself, whose answer is its log.
const TMethodSpec& GetServicosExport();
const TMethodSpec& ExportarCardapio();
// The day's delivery points.
const TMethodSpec& GetCardaCli();
const TMethodSpec& SetCardaCli();
// The day's diners: the day (or the month) read again, and the diners of the prescribed
// diets written, or the day deleted when none is prescribed.
const TMethodSpec& GetCardadia();
const TMethodSpec& getDietaPrescrita();
const TMethodSpec& setAtuComensDiet();
const TMethodSpec& setDeletaCardapio();
// Closing: the month's planned per capita against the standard and the branch's
// tolerances; the stored reference date for costs.
const TMethodSpec& getVdFechaCardapioCus();
const TMethodSpec& GetDtRefCust();
// The colour analysis of the monthly grid: each dish of the period with its cost per
// serving and its class against its position's target (TFaixaCusto, docs/COSTS.md).
const TMethodSpec& GetAnaliCor();
// A service's contract restrictions: read, written from the change set of the screen's
// table (with who and when), and the month's menu judged against them.
const TMethodSpec& GetRestContServ();
const TMethodSpec& SetRestContServ();
const TMethodSpec& GetAnaliRestCont();
// The month's dish positions as the configuration screen (PLA00119) edits them: read
// (the service's standing positions while the month has none of its own) and written
// in one transaction.
const TMethodSpec& GetConfigCardMes();
const TMethodSpec& SetConfigCardMes();
// The history of changes to a service's menu positions (PLA00127), filtered by dish,
// period of the change and operator; the ranking of a service's dishes by how often
// they were served in a period (PLA00102), with acceptance and cost per serving.
const TMethodSpec& GetHistCard();
const TMethodSpec& GetRankingPratos();

// Pla00120.rdmBaseCusto: the stored reference dates of a branch's month (for costs and
// for the recalculation of costs), with who changed them and when.
const TMethodSpec& GetBaseCusto();
const TMethodSpec& SetBaseCusto();

// Pla00109.rdmImpCardDia: a day's menu brought from another day of the branch (same or
// another service, any month): the services the operator may take from, the days of a
// month that have dishes, one day's dishes by dish type, and the import itself.
const TMethodSpec& GetServicosImp();
const TMethodSpec& GetDiasOrigem();
const TMethodSpec& GetCardDiaOrigem();
const TMethodSpec& ImportaCardDia();

// Pla00105.rdmNutriCard: a day's dishes with their nutrients per serving from their
// recipes, the day's totals per diner against the service's reference values, and the
// cell's dish among them.
const TMethodSpec& GetNutriCard();

// Pla00121.rdmImpTipoPrat: a month's dish types brought from another month or service
// of the branch: the months that have positions to bring, what bringing them would do
// to each position of the month, and the import itself, in one transaction.
const TMethodSpec& GetOrigensTipoPrat();
const TMethodSpec& GetPrevTipoPrat();
const TMethodSpec& ImportaTipoPrat();

// Pla08800.rdmHistFilial: the branch's months, service by service, with their planned
// and real cost, diners and standard.
const TMethodSpec& GetHistFilial();

// Pla00400.rdmEmissaoCard: the printed menus of the day, the week and the month
// (PLA00400, PLA02600, PLA02700): a service's menu of a period in one answer.
const TMethodSpec& GetCardapioImpresso();

// PLA00124.rdmComensEst: the diners by dish type.
const TMethodSpec& getComensEst();

// Pla00106.rdmCustoServ: its "GetParams", named apart here because Pla00100's
// method of that name takes other arguments.
const TMethodSpec& GetParamsCustoServ();
// The month's costs: the standard per capita, the planned diners, the planned cost of
// every day (kept in a work area under a key until DelConsplan releases it) and the
// real cost of the served days.
const TMethodSpec& GetCustoPadrao();
const TMethodSpec& GetComensPlan();
const TMethodSpec& DelConsplan();
const TMethodSpec& GetTrabCusto();
const TMethodSpec& GetRealizado();
// The cost analyses: the dishes a work area kept (made with "porprato"), each with its
// name, dish type and whether its recipe is revised; the month's dishes for the recipe
// revision, with their cost per serving at a comparison date against the month's and
// their last revision; and the recipes marked revised by the planner, each recorded
// with who and when.
const TMethodSpec& GetPratosTrabCusto();
const TMethodSpec& GetRevisaoReceita();
const TMethodSpec& SetReceitaRevisada();

// Cus00000.rdmCustProd: the cost types.
const TMethodSpec& ListaTipoCusto();

// CMP02500.rdmProdCmpFilial: the price lists of a branch's purchasing central, and the
// products' costs updated from the lists chosen.
const TMethodSpec& GetPrevLista();
const TMethodSpec& Atu_Custo_ListPr();

// Est.rdmAutoriza: supervisor authorisation, the signed-in operator, screen access.
const TMethodSpec& Autoriza();
const TMethodSpec& GetOperador();
const TMethodSpec& ExisteAcesso();

// A declared method and the remote data module that answers it.
struct TMetodoDeModulo {
    QString Modulo;
    const TMethodSpec* Metodo = nullptr;
};
// Every declared method: what the server's modules are checked against.
const QList<TMetodoDeModulo>& Todos();
// Whether the declared method of that module only reads (names ignore case); false
// for anything undeclared.
bool SoLeitura(const QString& modulo, const QString& metodo);
} // namespace metodos

// UpdateCache's arguments: the change sets and the central flag come back by
// reference.
enum class TArgUpdateCache { Operador, ModuFili, Dias, Pratos, Central };
// SetCriaCardCiclo's arguments: branch, service and month come back normalised.
enum class TArgCriaCardCiclo { Filial, Servico, Data, Operador, Origem };

// --- the operator's permission array (CheckAutOper, GetCardapio's element 8) ---------
// Seventeen texts, "1" allowed; the last says whether the operator may open this
// branch's menus ("0" or "1"; any other text refuses it and says why).
enum class TAutorizacao {
    IncluirPrato = 0,
    AlterarPrato = 1,
    ExcluirPrato = 2,
    AlterarComEstDia = 3,
    AlterarComEstPrat = 4,
    AnalisarCustoRevRece = 6,
    ExcluirCardPeriodo = 7,
    ImportarCardDia = 8,
    CopiarPratCom = 9,
    ConfigurarCard = 10,
    ImportarTipoPrat = 11,
    AtualizarDataRef = 12,
    RankingPrat = 13,
    AtualizarDataRefRec = 14,
    InverterPrato = 15,
    AcessoFilial = 16,
};
constexpr int QtAutorizacoes = 17;
constexpr int Posicao(TAutorizacao a) {
    return static_cast<int>(a);
}

// --- GetCardapio's answer: the month in one result of 17 elements ---------------------
enum class TElemCardapio {
    ParamPlaneja,    // planning parameters (packet)
    VisualCard,      // the operator's saved view (packet)
    Mensagem,        // empty, or why the service cannot be loaded
    Opcoes,          // optional positions, "ooo%S" lines
    CnfCaMes,        // the month's dish positions (packet)
    CardaDia,        // the days (packet)
    CompCard,        // the dishes (packet)
    Decision,        // the grid's days and dish types (packet)
    Autorizacoes,    // the permission array
    CardEsp,         // days that depart from the central menu (packet)
    Grupo,           // [group parameterised, operator of the group]
    PratosExcluidos, // central dishes removed (packet)
    SomenteLeitura,  // the month may only be read
    IdCardCentral,   // "S" when the days follow a central menu
    ParamGeral,      // general parameters (packet)
    NrCiclo,         // cycle day numbers (packet)
    Cardames,        // the month's scenario (packet)
    Quantidade
};

struct TRespostaCardapio {
    QVariantList Elementos = QVariantList(int(TElemCardapio::Quantidade));

    QVariant& operator[](TElemCardapio e) { return Elementos[int(e)]; }
    const QVariant& operator[](TElemCardapio e) const { return Elementos[int(e)]; }

    QVariant ToWire() const { return Elementos; }
    // EPlaError with the server's text when the answer is an error text, or when it
    // has fewer elements than declared.
    static TRespostaCardapio FromWire(const QVariant& answer);
};

// --- getDelCard and getImpCardDia: the month again after a period operation ------------
// [days, dishes, removed dishes], preceded by the special days for getImpCardDia.
struct TMesRecarregado {
    std::optional<QVariant> CardEsp;
    QVariant CardaDia;
    QVariant CompCard;
    QVariant PratosExcluidos;

    QVariant ToWire() const;
    static TMesRecarregado FromWire(const QVariant& answer, bool comDiasEspeciais);
};

// --- GetTrabCusto's answer: [work area key or error text, the days' packet] -------------
// Its trailing flag ("porprato"): the work area also keeps each dish of each day, for
// the cost analysis; the days' packet is the same either way.
enum class TElemTrabCusto { Chave, Dias, Quantidade };

// --- GetAnaliCor: a dish's class (IDFAIXACUSTO) -----------------------------------------
// Its cost per serving against its position's target: below the target less the
// tolerance, within it (both edges included), above it. The tolerance in percent.
enum class TFaixaCusto : char { Barato = 'B', NaFaixa = 'F', Caro = 'C' };
inline constexpr int ToleranciaFaixaCusto = 20;

// --- ImportaCardDia's answer -------------------------------------------------------------
// The number of dishes written into the target day, and one line per source dish that
// found no position of its dish type in the target month (empty when all did).
enum class TElemImpCardDia { Importados, NaoImportados };
// --- the export of a period's menu (GetServicosExport, ExportarCardapio) -----------------
// A destination's situation (IDSITSERV), with the keys of its messages (DSMENSERRROS,
// each followed by ";"): exported as it is, exported with warnings, not exported
// (error), not exported now (blocked).
namespace situacao_exportacao {
inline constexpr char Ok = 'O';
inline constexpr char Alerta = 'A';
inline constexpr char Erro = 'E';
inline constexpr char Bloqueado = 'B';
} // namespace situacao_exportacao
// The kind of a line of the export's log (IDNUMERRO). The answer carries the
// observations; the lines of the days exported as asked stay in the stored log only.
enum class TLinhaLogExportacao : char {
    DiaExportado = 'O',        // the day got the origin's dishes (stored only)
    DiaSobreposto = 'S',       // the day's dishes gave way to the origin's (stored only)
    ServicoNaoExportado = 'D', // blocked, in error, or its writing failed and was undone
    DiaMantido = 'M',          // the day had dishes and "Acrescentar" kept them
    DiaNaoUtil = 'F',          // a holiday where the branch plans working days only
    DiaSemComensais = 'C',     // no diners for the day: nothing to serve
    PratoSemPosicao = 'P',     // the destination's month has no free position of its type
    ReceitaNaoRevisada = 'R',
    ProdutoInativo = 'I',
};
// How the log screen names a kind; empty for an unknown one.
QString NomeLinhaLogExportacao(QChar kind);
// The keys a situation's messages are given by, with their texts: the export screen's
// catalogue shows them, the server writes them into the log.
const QList<QPair<QString, QString>>& MensagensSituacaoExportacao();
QString MensagemSituacaoExportacao(const QString& key); // the key itself when unknown

// --- GetConfigCardMes's answer -----------------------------------------------------------
// The positions (NRSEQCNFMES ... QTDIASBLOQ), the dish types, where the positions come
// from ("" none yet), the first day that may still change, and the service's name.
enum class TElemConfigCard {
    Posicoes,
    TiposPrato,
    Origem,
    PrimeiroDiaAlteravel,
    NomeServico,
    Quantidade
};
inline constexpr char ConfigDoMes = 'M';     // the month's own (CNFCARDMES)
inline constexpr char ConfigDoServico = 'S'; // the service's standing ones (CNFCARDSERV)

// --- Atu_Custo_ListPr's answer: the lists applied and the product costs written ----------
enum class TElemAtuCustoLista { Listas, Custos, Quantidade };
// The cost types whose prices a price list sets.
inline constexpr int TiposCustoListaPreco[] = {6, 10, 48};

// --- the change record of menu positions (HISTCARD.IDOPERACAO) ----------------------------
// What changed a position: every server write of a day's dishes records itself under
// one of these. A copy over the month reaches the server through the save.
enum class TOperacaoCardapio : char {
    Gravacao = 'G',        // the monthly screen's save (pastes, selections, copies)
    ImportacaoDia = 'I',   // a day's menu imported from another day (PLA00109)
    Exportacao = 'E',      // a period exported from another service
    Substituicao = 'S',    // substitution by cheaper equivalents
    ExclusaoPeriodo = 'D', // the menu of a period deleted
    Inversao = 'V',        // the dishes of two days swapped
    Ciclo = 'L',           // the month updated from a menu cycle
    Configuracao = 'P',    // a position of the month removed or given another dish type
    ImportacaoTipos = 'T', // dish types imported into the month
    Dietas = 'R',          // a day deleted by the diners from the diets
};
// How the history names a kind; empty for an unknown one.
QString NomeOperacaoCardapio(QChar kind);

// --- GetHistCard's answer: the changes (newest first), the operators who made changes
// to the service in the period, and whether the changes were cut at the limit ---------
enum class TElemHistCard { Alteracoes, Operadores, Limitado, Quantidade };
inline constexpr int LimiteHistCard = 5000;

// --- GetNutriCard's answer ---------------------------------------------------------------
// Per nutrient: the cell's dish per serving, the day's total per diner, the reference and
// how the total stands against it; the day's dishes, one column per nutrient (named by
// its code) per serving; the reference's description; the cell dish's products without
// a composition. Its third argument names one nutrient by its code, or all of them.
enum class TElemNutriCard { Nutrientes, PratosDia, Referencia, SemComposicao, Quantidade };
inline constexpr char TodosNutrientes[] = "XXXX";
// A day's total against the service's reference (IDSITNUTRI): a limit reached is within.
enum class TSituacaoNutriente : char {
    Abaixo = 'B',
    Adequado = 'D',
    Acima = 'A',
    SemReferencia = 'N', // no reference, or no dish on the day
};

// --- GetPrevTipoPrat's answer: what the import would do, position by position, the first
// day that may still change, and where the month's positions come from (TElemConfigCard) --
enum class TElemPrevTipoPrat { Linhas, PrimeiroDiaAlteravel, Origem, Quantidade };
// A line of the preview (IDACAO), matched by the positions' order: the origin's type
// becomes a new position, changes the month's position, is there already; or a position
// of the month the origin has not, removed only when asked.
enum class TAcaoTipoPrat : char { Nova = 'N', Altera = 'A', Igual = 'I', Remove = 'E' };
// ImportaTipoPrat's answer: the positions written and the dishes removed with them.
enum class TElemImpTipoPrat { Posicoes, PratosExcluidos, Quantidade };

// --- GetHistFilial's answer: one row per service and month, and the branch's name ---------
enum class TElemHistFilial { Meses, NomeFilial, Quantidade };

// --- GetCardapioImpresso's answer: a service's menu of a period as printed ---------------
// The branch's and the service's names; the printed positions of each month the period
// touches, in the month's order (DTREFECNFMES, NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT,
// NMTIPOPRAT, IDOPCCNFMES); their dishes (DTCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR,
// CDPRATO, NMPRATO); the days with a menu (DTCARDAPIO, DSCARDAPIO); the holidays with
// their names (DTFERIADO, DSFERIADO).
enum class TElemCardapioImpresso {
    NomeFilial,
    NomeServico,
    Posicoes,
    Pratos,
    Dias,
    Feriados,
    Quantidade
};
// The longest period one answer covers: the six weeks a month's calendar may show.
inline constexpr int DiasCardapioImpresso = 42;

// SetBaseCusto's kind of date.
inline constexpr char BaseCustoPlanejado = 'P'; // DTBASCONCUSPLAN: costs of the month
inline constexpr char BaseCustoRecalculo = 'R'; // DTBASRECCUS: recalculation of costs

// --- a menu number or an error text in its place (UpdateCache, cycle updates) ---------
constexpr int TamanhoNrCardapio = 10;
// Longer than a menu number: the server's explanation of a refusal.
bool TextoDeErro(const QString& answer);

} // namespace pla::rpc
