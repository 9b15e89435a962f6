#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"
#include "module/monthly_menu/editing/origin_marks.h"
#include "module/monthly_menu/grid/dish_lines.h"
#include "module/monthly_menu/grid/menu_pivot.h"
#include "module/monthly_menu/rules/command_states.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariantList>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QTableView;
class QToolButton;

namespace pla::rpc {
class TNetConnection;
}

namespace pla::host {
class TDBGrid;
class THostQuery;
} // namespace pla::host

namespace pla::module {

class TfrmParamCardIndu;
class TMenuGridModel;
struct TDrawCell;

// The monthly menu screen (PLA00101): the menu of one branch, service and month as a
// grid of days and dish positions, with the service list beside it. Any number may be
// open, one per branch, service and month.
class TfrmCardMens : public host::TfrmPadraoSimples {
    Q_OBJECT

public:
    explicit TfrmCardMens(QWidget* parent = nullptr);
    ~TfrmCardMens() override;

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
    bool CalculandoCusto = false;
    QDate DtBaseBloqueio;           // the branch's processing date: days before it plus
    int QtDiaBloqCar = 0;           // QTDIABLOQCAR days are blocked
    bool ExclusaoPelaGrade = false; // the grid's own removal flag
    QString IdCardCentral = QStringLiteral("N"); // the central flag of the load
    QStringList ListaGrupos;
    int ModoVisual = 2;
    int TipoCustoPlanejado = 0;
    int TipoCustoRealizado = 0;
    bool CustoPreparado = false;

    // The grid's lists.
    TDishLines StlPratos;
    QStringList StlDesc;
    QStringList StlOpcao;
    QStringList StlCorBloq;
    QStringList StlCorFeriado;

    // Controls.
    QWidget* panServico = nullptr;
    QComboBox* cmbGrupo = nullptr;
    host::TDBGrid* dbgServico = nullptr;
    QToolButton* sbtCopiarCard = nullptr;
    QLabel* panAviso = nullptr;
    QLabel* lblAviso = nullptr;
    QLabel* panFiliCusto = nullptr;
    QTableView* degCardapio = nullptr;
    TMenuGridModel* desCardapio = nullptr;
    QHash<QString, QToolButton*> Botoes; // the screen's own toolbar buttons by name
    QHash<QString, QAction*> Menus;      // its menu entries by name

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
    host::THostQuery* qryGrupServ = nullptr;
    host::THostQuery* qryFeriado = nullptr;
    host::THostQuery* qryDiaNaoUtil = nullptr;
    host::THostQuery* qryServico = nullptr;
    host::THostQuery* qryFeriCard = nullptr;
    host::THostQuery* qryTurno = nullptr;
    host::THostQuery* qryTipoPrato = nullptr;

    // The planning screen whose connection this screen borrows.
    TfrmParamCardIndu* Planejamento() const;

    // Start, by the creation function: the planning screen's choices.
    void Iniciar(TfrmParamCardIndu& planning);
    void GetGruposServicos();
    void GetServicos();
    void FiltraServicos();
    void cmbGrupoChange() { FiltraServicos(); }
    void SelecionaServicoParaElaboracao(const QString& cdServico, bool validado);
    void SetaVariaveis();
    void HabilitaBotoesParaAlteracao();
    void dbgServicoDblClick();

    // The grid.
    void AtualizaTela();
    void MontaStlPratos(bool local);
    void AtualizaStlPratos(bool refazer);
    void RetornaCompcard(const QVariant& packet, bool cache);
    QStringList GetStlPratosCli();
    bool CardBlock(const QString& dia) const;
    bool CheckOpcao(const QString& ordem) const;
    QDate DataCard() const;
    QString CellKey(const TPivotCell& cell) const;
    void degCardapioDecisionDrawCell(const TPivotCell& cell, TDrawCell& draw);
    void MudaVisual(int mode);
    void mnuChangeViewClick();
    void sbtProcurarClick();
    void mnuVisuNCicloClick();
    bool ExibeNrCiclo() const;

    // The change cache.
    bool CustoAnalisado = false;
    int AlteracoesPendentes() const;
    QString UpdCacheOnSrv();
    bool VerificaCardapioEmAlteracao();
    bool DiasSemPrato();
    void EstadoEdicaoAlterado(); // the buttons that follow the two tables
    void sbtConfirmarClick() override;
    void sbtCancelarClick() override;

    // Editing: the current cell, keys and clicks, copy and paste.
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
    int inActiveCol() const;
    int inActiveRow() const;
    bool CellVisible() const;
    TPivotCell CelulaAtual() const;
    std::optional<TDishLine> EntradaCelula() const;
    bool LinhaComensais() const; // the current cell is a day's diners
    bool degCardapioKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void degCardapioKeyUp();
    void degCardapioClick();
    void degCardapioDblClick();
    void VerificaDiaNaoUtil(const QDate& dia);
    void CopiaPrato(bool recortar);
    void ColaPrato();
    void DesabilitaAnaliCor();
    // Shows a day (and a dish type, by its code) in the grid; other screens ask for it.
    Q_INVOKABLE void IrParaDia(const QDate& dia, const QString& cdTipoPrat);
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtExcluirClick() override;

    // Dish insertion.
    int GetSeqPrat(int ordem);
    void LoadBPL_PLA00115();
    void InsereCardapio(const QString& cdPrato, const QString& nmPrato, const QString& valor,
                        const QString& cdFilAuxPrat, const QDate& dia, const QString& tipo);
    bool pratoExcluido(const QString& dia, int posicao);
    void CarregaPratoMatriz(const QString& nrCardapio, int posicao);
    TMarkDishes pratosDaPosicao(const QString& nrCardapio, const QDate& dia, int posicao);
    bool UtilizaPratoRelacionado();
    bool PosicaoContada(int posicao);
    void RegistraDiaEspecifico(const QDate& dia);

    // Period operations.
    void sbtDelCardClick();
    void sbtInvPratoClick();

    // Diners.
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

    // The shared date filter of the day and dish tables.
    void FiltraData(TMemTable& table, const QDate& dia);
    void DesligaFiltro(TMemTable& table);

    // Permissions.
    TPermissoes Permissoes() const;
    bool incluirPrato() const { return Permissoes().incluirPrato(); }
    bool alterarPrato() const { return Permissoes().alterarPrato(); }
    bool excluirPrato() const { return Permissoes().excluirPrato(); }
    bool alterarComEstDia() const { return Permissoes().alterarComEstDia(); }
    bool alterarComEstPrat() const { return Permissoes().alterarComEstPrat(); }
    bool analisarCustoRevRece() const { return Permissoes().analisarCustoRevRece(); }
    bool excluirCardPeriodo() const { return Permissoes().excluirCardPeriodo(); }
    bool importarCardDia() const { return Permissoes().importarCardDia(); }
    bool copiarPratCom() const { return Permissoes().copiarPratCom(); }
    bool configurarCard() const { return Permissoes().configurarCard(); }
    bool importarTipoPrat() const { return Permissoes().importarTipoPrat(); }
    bool atualizarDataRef() const { return Permissoes().atualizarDataRef(); }
    bool rankingPrat() const { return Permissoes().rankingPrat(); }
    bool atualizarDataRefRec() const { return Permissoes().atualizarDataRefRec(); }
    bool InverterPrato() const { return Permissoes().InverterPrato(); }
    bool alteraComCardAprov() const;
    bool cardapio_ReadOnly() const { return CardapioSomenteLeitura; }
    bool grupoParametrizado() const { return GrupoParametrizado; }
    bool operadorDoGrupo() const { return OperadorDoGrupo; }
    QChar tipoDeCardapio() const;
    QChar tipoDeOperador() const;
    bool dependeLiberacao() const;

    // The commands the planner may run now: the menu, the permissions and the
    // current cell. Every handler that edits asks it too.
    TSituacaoComandos SituacaoComandos() const;
    TEstadoComandos Comandos() const { return EstadoComandos(SituacaoComandos()); }
    void HabilitaComandos(); // the toolbar and the menus follow Comandos()

    // The month needs the room: the screen opens maximized the first time.
    Qt::WindowState JanelaInicial() const override { return Qt::WindowMaximized; }

protected:
    void FormActivate(bool first) override;
    bool FormCloseQuery() override;
    void FormClose(host::TCloseAction& action) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildServicePanel(QWidget* parent);
    void buildCommands();
    void arrangeToolbar();
    void loadCaption();
    void naoDisponivel(const QString& what);
    void descartaAlteracoes();
    void recarregaPratosExcluidos();
    void posicionaCelula(const QDate& dia, const QString& tipo);

    bool eventFilter(QObject* watched, QEvent* event) override;
    QString paramPlaneja(const char* name) const;
    QString paramGeral(const char* name) const;
    TMarkContext contextoMarca() const;
    void substituiPrato(const TDishLine& antes, const QString& cdPrato, const QString& nmPrato,
                        double valor, const QString& cdFilAuxPrat, int posicao,
                        const QString& nrCardapio);
    void atualizaComensaisRemocao(const QDate& dia, const QString& cdTipoPrat, double share);
    void registraExclusao(const QDate& dia, int posicao, const TDishLine& removida,
                          const QString& nrCardapio);
    void recarregaMes(const QVariantList& elementos, int primeiro);
    void linhaComensaisTipo(const QDate& dia, const QString& cdTipoPrat);

    bool primeiraAtivacao_ = true;
    QDate dataFiltro_;            // the date both tables filter on
    bool filtroCardaDia_ = false; // each table's own flag
    bool filtroCompCard_ = false;
    bool pratosCarregados_ = false;
    QDate dataPratos_;
};

} // namespace pla::module
