#pragma once

#include "core/mem_table.h"
#include "core/messages.h"
#include "core/origin_marks.h"
#include "module/monthly_menu/costs/custo_mensal.h"
#include "module/monthly_menu/editing/comensais_dia.h"
#include "module/monthly_menu/grid/dish_lines.h"
#include "module/monthly_menu/grid/menu_pivot.h"
#include "module/monthly_menu/launchers/printouts.h"
#include "module/monthly_menu/rules/command_states.h"
#include "module/planning/planejamento.h"
#include "rpc/contracts.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>

class QWidget;

namespace pla::host {
class THostQuery;
}

namespace pla::module {

class TAnaliseCores;

// A new day's number until the server gives one.
constexpr auto NrCardapioProvisorio = "XXXXXXXXXX";

// The monthly menu's message catalogue, shared by the open month and its screen.
const QStringList& CatalogoCardapio();

// The menu of one branch, service and month while it is open: its state, its tables,
// the dish lines the grid shows, and every operation on it. It borrows the planning
// screen's connection, asks the planner through the host's dialog presenter, and
// tells its views what changed through signals. Screens that work on the open month
// receive this object.
class TCardapioMensal : public QObject {
    Q_OBJECT

public:
    using TProvedorPlanejamento = std::function<IPlanejamento*()>;
    using TProvedorCelula = std::function<TPivotCell()>;

    // Without a provider the planning screen of the package is used.
    explicit TCardapioMensal(QObject* parent = nullptr, TProvedorPlanejamento planejamento = {});
    ~TCardapioMensal() override;

    IPlanejamento* Planejamento() const; // null once the planning screen is gone
    // A declared method through the planning screen's connection, which the open
    // month lends to the screens that work on it.
    QVariant chama(const rpc::TMethodSpec& metodo, const QVariantList& valores);
    TMessages msgPadrao;

    // State of the menu.
    QString CdFilial;
    QString NmFilial;
    QString CdServico;
    QString NmServico;
    QDateTime DtMesCard;
    int TipoMontagem = 0;
    bool Arredondar = false;
    bool ExibeCusto = false;
    bool RefeCardapio = false;
    QDateTime DtRefeCusto;
    QString CdFiliCust;
    QVariantList Autorizacoes;
    QString TipoCardapio;
    bool CardapioSomenteLeitura = false;
    bool GrupoParametrizado = false;
    bool OperadorDoGrupo = false;
    QChar IdCardDescentr;
    QString IdServTran;
    QString CdCardCiclo;
    QString NmCardCiclo;
    double QtDietaServ = 0;
    QVariantList ResultadoGeracao;
    bool Fechando = false;
    bool FechadoPeloPlanejamento = false;
    QDate DtBaseBloqueio;           // the branch's processing date: days before it plus
    int QtDiaBloqCar = 0;           // QTDIABLOQCAR days are blocked
    bool ExclusaoPelaGrade = false; // the grid's own removal flag
    QString IdCardCentral = QStringLiteral("N"); // the central flag of the load
    int ModoVisual = 2;
    int TipoCustoPlanejado = 0;
    int TipoCustoRealizado = 0;
    bool CustoPreparado = false;
    bool CustoAnalisado = false;
    bool AvisoRecalculo = false; // the costs no longer match the menu
    // The month's planned and real costs.
    TCustoMensal& Custo() const { return *custo_; }

    // The grid's lists.
    TDishLines StlPratos;
    QStringList StlDesc;
    QStringList StlOpcao;
    QStringList StlCorBloq;
    QStringList StlCorFeriado;
    QSet<QDate> Feriados; // the branch's holidays in the month

    // Tables.
    TMemTable* cdsServicos = nullptr;
    TMemTable* cdsParamPlaneja = nullptr;
    TMemTable* cdsVisualCard = nullptr;
    TMemTable* cdsCnfCaMes = nullptr;
    TMemTable* cdsCardaDia = nullptr;
    TMemTable* cdsCardadiaStlPratos = nullptr;
    TMemTable* cdsCompCardCache = nullptr;
    TMemTable* cdsCompCardStlPratos = nullptr;
    TMemTable* cdsDecision = nullptr;
    TMemTable* cdsCardEsp = nullptr;
    TMemTable* cdsPratosExcluidos = nullptr;
    TMemTable* cdsParamGeral = nullptr;
    TMemTable* cdsNrCiclo = nullptr;
    TMemTable* cdsCardames = nullptr;
    TMemTable* cdsCardaMesCiclo = nullptr;
    TMemTable* cdsAnaliCor = nullptr;
    TMemTable* cdsPrato = nullptr;
    TMemTable* cdsPratoMatriz = nullptr;
    TMemTable* cdsPratoEquiv = nullptr;
    TMemTable* cdsSerPratRelat = nullptr;
    TMemTable* cdsComensAux = nullptr;
    TMemTable* cdsComensEst = nullptr;
    TMemTable* cdsCardaCli = nullptr;

    // --- start and load -----------------------------------------------------
    // The branch and month the planner chose, the services and the operator's rights.
    void Iniciar(const TEscolhaPlanejamento& escolha);
    void CarregaServicos();
    // The service chosen for elaboration (validated by the planning screen unless
    // already); false when nothing changed.
    bool SelecionaServico(const QString& cdServico, bool validado);
    void SetaVariaveis();
    void CarregaDietas();
    // The planner changed the choices while this month is open.
    bool EhDoMes(const QString& cdFilial, const QString& cdServico, const QDateTime& mes) const;
    void AplicaEscolha(const TEscolhaPlanejamento& escolha);
    // The month in one call, with its blocked days and holidays.
    void Carrega();
    // The grid of the month as the view mode arranges it, and where the planner starts.
    TMenuPivot Pivo() const;
    QDate PrimeiroDiaAlteravel(const QList<QDate>& dias) const;

    // --- the dish lines -------------------------------------------------------
    void MontaStlPratos(bool local);
    void AtualizaStlPratos(bool refazer);
    void RetornaCompcard(const QVariant& packet, bool cache);
    QStringList GetStlPratosCli();
    bool CardBlock(const QString& dia) const;
    bool CheckOpcao(const QString& ordem) const;
    QString CellKey(const TPivotCell& cell) const;
    QString paramPlaneja(const char* name) const;
    QString paramGeral(const char* name) const;
    // The levels of the dish code's picture (NRNIVEISPRATO), one when not set.
    QString niveisPrato() const;

    // --- the current cell, as the view shows it ---------------------------------
    void SetProvedorCelula(TProvedorCelula celula);
    void SetCelulaAtual(const TPivotCell& cell); // a fixed cell, without a view
    TPivotCell CelulaAtual() const;
    QDate DataCard() const;
    bool CellVisible() const;
    bool LinhaComensais() const; // the current cell is a day's diners
    std::optional<TDishLine> EntradaCelula() const;
    // Asks the views to show a day (and a dish type, by its code).
    Q_INVOKABLE void IrParaDia(const QDate& dia, const QString& cdTipoPrat);

    // --- permissions and commands -------------------------------------------------
    TPermissoes Permissoes() const;
    bool incluirPrato() const { return Permissoes().incluirPrato(); }
    bool alterarPrato() const { return Permissoes().alterarPrato(); }
    bool excluirPrato() const { return Permissoes().excluirPrato(); }
    bool alterarComEstDia() const { return Permissoes().alterarComEstDia(); }
    bool alterarComEstPrat() const { return Permissoes().alterarComEstPrat(); }
    bool alteraComCardAprov() const;
    bool cardapio_ReadOnly() const { return CardapioSomenteLeitura; }
    bool grupoParametrizado() const { return GrupoParametrizado; }
    bool operadorDoGrupo() const { return OperadorDoGrupo; }
    QChar tipoDeCardapio() const;
    QChar tipoDeOperador() const;
    bool dependeLiberacao() const;
    // The commands the planner may run now: the menu, the permissions and the
    // current cell. Every operation that edits asks it too.
    TSituacaoComandos SituacaoComandos() const;
    TEstadoComandos Comandos() const { return EstadoComandos(SituacaoComandos()); }

    // --- editing --------------------------------------------------------------
    struct TPratoCopiado {
        QString CdPrato;
        QString CdFilAuxPrat;
        QString NmPrato; // without its origin mark
        double Valor = 0;
        bool Vazio() const { return CdPrato.isEmpty() && CdFilAuxPrat.isEmpty(); }
    };
    TPratoCopiado PratoCopiado;
    QString ChaveConfirmacao;       // the removal's question; empty is "CONF_EXCL"
    bool ExclusaoRealizada = false; // the last removal deleted a dish
    void VerificaDiaNaoUtil(const QDate& dia);
    // A dish may be placed only with a revised recipe and no inactive product in it;
    // else the planner is told and the handler ends.
    void VerificaReceitaPrato(const QString& cdPrato, const QString& cdFilAuxPrat,
                              const QString& niveisPrato);
    // The colour analysis ends before every editing or launching action.
    void DesabilitaAnaliCor();
    TAnaliseCores& AnaliseCores() const { return *analiseCores_; }
    void CopiaPrato(bool recortar);
    void ColaPrato();
    // The dish selection for the current cell, and what the planner chose placed.
    void LoadBPL_PLA00115();
    // The current cell's dish removed, if the planner confirms.
    void ExcluiPrato();
    void InsereCardapio(const QString& cdPrato, const QString& nmPrato, const QString& valor,
                        const QString& cdFilAuxPrat, const QDate& dia, const QString& tipo);
    int GetSeqPrat(int ordem);
    bool pratoExcluido(const QString& dia, int posicao);
    void CarregaPratoMatriz(const QString& nrCardapio, int posicao);
    TMarkDishes pratosDaPosicao(const QString& nrCardapio, const QDate& dia, int posicao);
    bool UtilizaPratoRelacionado();
    bool PosicaoContada(int posicao);
    void RegistraDiaEspecifico(const QDate& dia);

    // --- period operations (other packages work on the server, the month reloads) ---
    void ExcluiCardapioPeriodo();
    void InvertePrato();
    void GravaVisual(int modo); // the operator's view mode, remembered on the server

    // --- menus brought from elsewhere ---------------------------------------------
    // The current cell's day replaced, for the dish types the planner chooses, by the
    // dishes of another day (PLA00109); the month is read again afterwards.
    void ImportaCardapioDia();
    // The current cell's dish, or its diners, repeated over the month by the copy
    // screen, after the pending changes are saved.
    void CopiaPratoComensais();
    // The month's dishes replaced by cheaper equivalents (PLA00134), after the pending
    // changes are settled; the month is read again when something was replaced.
    void SubstituiPorEquivalentes();
    // The month exported to other services of the branch (PLA00133), after the pending
    // changes are settled, since the server exports what it holds; false when they
    // held it back.
    bool ExportaCardapio();
    // The first day that may still be changed.
    QDate PrimeiroDiaEditavel() const;
    // The month's dish positions configured (PLA00119), for an operator allowed it,
    // after the pending changes are saved; once the screen closes the month is read
    // again through `recarrega` and its costs recalculated or said out of date, as after
    // a dish-type import. True when the screen opened.
    bool ConfiguraCardapio(const std::function<void()>& recarrega);
    // The products' costs updated from the price lists the planner marks among those
    // of the branch's purchasing central (the branch itself when it has none).
    void AtualizaCustoListaPreco();

    // --- diners ---------------------------------------------------------------
    double comensaisDia(const QDate& dia);
    QString getNrCardapio(const QString& filial, const QString& servico, const QDate& dia);
    double comensal_Percentual();
    double somaComensais(const QString& nrCardapio, const QString& cdTipoPrat, int posicao,
                         double valor);
    void VerificaComensaisTipo(const QDate& dia, const QString& tipo, int posicao, double valor);
    void InsereCardaCli(const QString& nrCardapio, const QDate& dia, bool feriado);
    bool VerificaSomaTP();
    bool getSomaComEst() const { return SomaComEst; }
    void AbreComensaisPorTipo();
    bool SomaComEst = false;
    // The day's diners dialog for the current cell's day, and the grid after it.
    void CriaComensaisDoDia();
    // The day's record read again from the server, unless the planner has changed it
    // here; false when the month holds no record of the day.
    bool RecarregaDia(const QDate& dia);
    // The day's diners as the planner set them, written into the day table and saved
    // with the rest of the month; the day's number. When the menu is assembled by
    // number of diners and the day's total changes, `alteraProporcional` is asked
    // whether the dishes' portions follow the new total (true) or are kept (false).
    QString GravaComensaisDia(const TComensaisDia& valores,
                              const std::function<bool()>& alteraProporcional);
    // A day without diners serves every dish to all: its dishes at 100 %.
    void PratosDoDiaIntegrais(const QDate& dia);
    // The description shown beside the day's number in the grid.
    void RegistraDescricao(const QDate& dia, const QString& descricao);
    // Sends the delivery points as the table holds them (all rows, or only the
    // changes), then merges them; on a failure they go back to their last saved state.
    void EnviaCardaCli(TMemTable& pontos, bool soAlteracoes);
    // The diners of the current cell's day from the diets prescribed for the service,
    // after the pending changes are settled; the month is loaded again afterwards.
    bool AtualizaComensaisDieta();
    // Pending changes saved or dropped, as the planner answers, before a screen that
    // writes on the server opens; false when the dish types over their day's diners
    // hold them, or the planner stays.
    bool AcertaAlteracoesPendentes();
    // The menu changed here after its costs were calculated: the planner is told.
    void ExibeAvisoRecalc();

    // --- costs ------------------------------------------------------------------
    // The month's costs calculated again, pending changes saved first (false when the
    // dish types over their day's diners keep them from being saved: the planner is
    // shown those days instead).
    bool CalculaCusto();
    // After a change made on the server: recalculated when the planner asked for it
    // on every change, else the planner is told the costs are out of date.
    void RecalculaOuAvisa();
    // The stored reference date for the month's costs; invalid when none.
    QDate CheckDtRefCust();
    QDate CheckDtRefRecCus() { return CheckDtRefCust(); }
    // The reference date for costs (or for their recalculation) edited, a stored one
    // only with a supervisor's authorisation.
    void AlteraDataReferencia(bool recalculo);
    // The closing's cost checks: the month's cost within the branch's tolerance and,
    // where the branch asks for it, analysed since the last save (else the analysis
    // opens and the month stays open). False refuses.
    bool VerificaCustoFechamento(const TMemTable& cdsParamCloseCard);
    // A closing parameter ("S" or "N") of cdsParamCloseCard; false when it has no row.
    static bool ParametroFechamento(const TMemTable& cdsParamCloseCard, const char* name);

    // --- the analyses -------------------------------------------------------------
    // The launchers' common prelude: pending changes saved as the confirm button saves
    // them, unless the dish types over their day's diners hold them back (their screen
    // is shown instead, and false).
    bool GravaAntesDeLancar();
    // Whether the operator chooses among the analyses (access to the module's screen
    // PLA01300) rather than going straight to the plain one.
    bool EscolheAnalise() const;
    // The month's cost analysis (PLA00106); the month counts as analysed.
    void AnalisaCustos();
    // The cost analysis with recipe revision (PLA00122), for an operator allowed it;
    // the month is read again afterwards (GetAtualizaCustos).
    void AnalisaCustosRevisaoReceita();

    // --- the printouts -------------------------------------------------------------
    // Whether the operator may open each printout of the print command, in its order
    // (EmissoesCardapio): access to the active module's screen (ExisteAcesso).
    std::array<bool, EmissoesCardapio.size()> AcessoEmissoes() const;
    // The printout of a position of the print command, for the month's branch.
    void EmiteCardapio(int posicao);

    // --- the history of the menu and the dish ranking ------------------------------
    // The changes made to the service's menu (PLA00127) and its dishes ranked by how
    // often they were served (PLA00102), opened for the current cell after the pending
    // changes are saved; a dish chosen there goes into the cell (RecebePrato).
    void ConsultaHistorico();
    void ConsultaRanking();
    // The ranking's reference dish for the current cell, for its equivalents: empty
    // unless an operator outside a parameterised group plans a service that uses
    // related dishes; then the cell's dish, or the position's central or removed one.
    QString PratoReferenciaRanking(const QString& nrCardapio, int posicao);
    // A dish handed back for the current cell, put in as a paste puts one: the same
    // checks (blocked day, working day, diners, recipe, inactive products,
    // equivalence), its origin mark (MarcaRetorno), inserted into an empty cell with the
    // day's diners (or 100 %), else in the place of the cell's dish with its value.
    struct TPratoRetornado {
        QString CdPrato;
        QString CdFilAuxPrat;
        QString NmPrato; // without its origin mark
    };
    void RecebePrato(const TPratoRetornado& prato);
    // Outside a parameterised group's operators, a service that uses related dishes takes
    // in a position only its central (or removed) dish or one of that dish's equivalents.
    void VerificaEquivalencia(const TDishRef& prato, const QString& nrCardapio, const QDate& dia,
                              int posicao);

    // --- the nutrients, the dish types brought in, the branch's history ------------
    // The current cell's dish and day in the nutrient query (PLA00105), after the pending
    // changes are saved as the confirm button saves them (unless the dish types over
    // their day's diners hold them back: their screen instead).
    void ConsultaNutrientes();
    // Dish types brought from another month or service (PLA00121), for an operator
    // allowed it, after the pending changes are saved. When the screen imported
    // something the month is read again through `recarrega` (the view's reload, under
    // the new positions) and its costs recalculated or said out of date, said out of date
    // also when the reload fails; true then.
    bool ImportaTiposPrato(const std::function<void()>& recarrega);
    // The branch's history (PLA08800) of the branch typed on the planning screen.
    void HistoricoFilial();

    // --- contract restrictions --------------------------------------------------
    // Whether the month kept every contract restriction of the service when they were
    // last judged (PLA00113 answers through it).
    bool RestricoesOk = true;
    // The service's contract restrictions with their verdict on the month (PLA00113),
    // after the pending changes are saved.
    void AnalisaRestricoesContratuais();
    // The closing's contract check, where the branch asks for it (IDRESTRCARD) and the
    // month is not past: false, with the planner told why, when the month breaks one.
    bool VerificaRestricoesFechamento(const TMemTable& cdsParamCloseCard);
    // The shared date filter of the day and dish tables.
    void FiltraData(TMemTable& table, const QDate& dia);
    void DesligaFiltro(TMemTable& table);

    // --- the change cache -------------------------------------------------------
    int AlteracoesPendentes() const;
    QString UpdCacheOnSrv();
    void Confirma(); // saved, unless dish types exceed their day's diners
    void Cancela();  // back to the saved state, if the planner confirms
    void DescartaAlteracoes();
    bool VerificaCardapioEmAlteracao();
    bool DiasSemPrato();

signals:
    void gradeAlterada();     // the dish lines or their colours changed
    void comandosAlterados(); // what the planner may do changed
    void carregado();         // a month (re)loaded from the server
    void irParaDia(const QDate& dia, const QString& cdTipoPrat);
    void custoDesatualizado(); // the costs shown no longer match the menu
    void custoCalculado();     // the costs were calculated again
    void referenciaAlterada(); // the reference date of the costs changed

private:
    QWidget* janela() const; // the view the wait animation covers, if any
    TMarkContext contextoMarca() const;
    void substituiPrato(const TDishLine& antes, const QString& cdPrato, const QString& nmPrato,
                        double valor, const QString& cdFilAuxPrat, int posicao,
                        const QString& nrCardapio);
    // How a replacing dish's share of its day's diners follows from its cell's value on
    // a day without diners: all of them whatever the assembly, or only when the menu is
    // assembled by number of diners (by percentage the value stays).
    enum class TParteSemComensais { Integral, IntegralPorComensais };
    // The cell's dish replaced: the marked name, the mark for IDPRATOESPE (null: the row
    // keeps its own) and the value shown in the cell.
    struct TTrocaPrato {
        TDishLine Antes;
        TDishRef Escolhido;
        QString Marcado;
        QChar Marca;
        double Valor = 0;
        QString ValorTexto;
        TParteSemComensais SemComensais = TParteSemComensais::Integral;
        TDishRef Central; // the position's central dish
        int Posicao = 0;
        QString NrCardapio;
    };
    // Writes the replacement into the cell's cache row, then the cell's line follows it;
    // a dish without its code or branch changes only the line. False, with nothing
    // changed, when the cell's dish has no cache row.
    bool trocaPratoCelula(const TTrocaPrato& troca);
    bool localizaPratoCelula(const TDishLine& antes, const QDate& dia, const QString& nrCardapio,
                             int posicao);
    // The central dish the cache row being edited records, as a dish replaces another.
    void registraPratoMatriz(const TMarkDishes& dishes, const TDishRef& escolhido,
                             const TDishRef& anterior);
    void atualizaComensaisRemocao(const QDate& dia, const QString& cdTipoPrat, double share);
    void registraExclusao(const QDate& dia, int posicao, const TDishLine& removida,
                          const QString& nrCardapio);
    void recarregaMes(const rpc::TMesRecarregado& mes);
    void gravaConfirmado();
    QVariantList parametrosAnalise() const;
    void recarregaAposOperacao();
    // After the month's positions changed on the server: `recarrega`, then the costs
    // recalculated or said out of date; said out of date also when the reload fails.
    void recarregaPosicoes(const std::function<void()>& recarrega);
    void recarregaPratosExcluidos();
    void linhaComensaisTipo(const QDate& dia, const QString& cdTipoPrat);

    TProvedorPlanejamento planejamento_;
    TCustoMensal* custo_ = nullptr;
    TAnaliseCores* analiseCores_ = nullptr;
    TProvedorCelula celula_;
    host::THostQuery* qryFeriado = nullptr;
    host::THostQuery* qryDiaNaoUtil = nullptr;
    host::THostQuery* qryTipoPrato = nullptr;
    QDate dataFiltro_;            // the date both tables filter on
    bool filtroCardaDia_ = false; // each table's own flag
    bool filtroCompCard_ = false;
    bool pratosCarregados_ = false;
    QDate dataPratos_;
};

} // namespace pla::module
