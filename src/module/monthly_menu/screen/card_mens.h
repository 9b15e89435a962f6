#pragma once

#include "host/base_forms.h"
#include "module/monthly_menu/model/cardapio_mensal.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariantList>
#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QMenu;
class QGroupBox;
class QTimer;
class QLabel;
class QTableView;
class QToolButton;

namespace pla::host {
class TDBGrid;
class THostQuery;
class TNumberEdit;
} // namespace pla::host

namespace pla::module {

class TMenuGridModel;
struct TDrawCell;

// The monthly menu screen (PLA00101): the view of one open month (TCardapioMensal) as a
// grid of days and dish positions, with the service list beside it. Any number may be
// open, one per branch, service and month. Its handlers call the model; its controls
// are its own.
class TfrmCardMens : public host::TfrmPadraoSimples {
    Q_OBJECT

public:
    explicit TfrmCardMens(QWidget* parent = nullptr);
    ~TfrmCardMens() override;

    // The open month this screen shows; screens that work on it receive it.
    TCardapioMensal& Cardapio() const { return *cardapio_; }

    // Start, by the creation function: the planning screen's choices.
    void Iniciar(const TEscolhaPlanejamento& escolha);
    // The planning screen closes the month before it goes; false when the planner
    // kept it open.
    bool FechaPeloPlanejamento();
    void Mostra(); // in front of the planner again

    // Handlers, as the planner's actions raise them.
    void cmbGrupoChange() { FiltraServicos(); }
    void dbgServicoDblClick();
    void SelecionaServicoParaElaboracao(const QString& cdServico, bool validado);
    void AtualizaTela();
    void MudaVisual(int mode);
    void mnuChangeViewClick();
    void sbtProcurarClick();
    void mnuVisuNCicloClick();
    bool degCardapioKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void degCardapioKeyUp();
    void degCardapioClick();
    void degCardapioDblClick();
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtExcluirClick() override;
    void sbtConfirmarClick() override;
    void sbtCancelarClick() override;
    void sbtDelCardClick();
    void sbtInvPratoClick();
    void spbImportacaoClick();
    void spbDuplicacaoClick();
    void pmnSubsPorEquiClick();
    void sbtCopiarCardClick();
    void sbtAtuComenDietaClick();
    // The month's dish positions (PLA00119), the month read again afterwards.
    void sbtConfigClick();
    // The costs updated from the purchasing central's price lists.
    void sbtAtuCustoClick();
    void sbtVerificarClick() override;
    // Costs.
    void sbtCustosClick();
    void sbtCalcularCustosClick();
    void AtualizaCusto();
    void ExibeAvisoRecalc(bool show);
    void timFlashPanTimer();
    void panAvisoRecalcClick();
    void chbSimultaneoClick();
    void mnuSimultaneoClick();
    void sbtPlanRealClick();
    void sbtCustoAcumClick();
    void btfDtRefCusClick();
    void btfDtRecCusClick();
    void AtualizaLblRefeCust();
    void nedSaldoPercChange();
    void nedSaldoMesChange();
    // The cost analyses.
    void sbtInfoCardClick();
    void mnuAnaliCustClick();
    void mnuAnaCustRevRecClick();
    void sbtGrafCustClick();
    // The contract restrictions (PLA00113).
    void sbtAnalRestContClick();
    // The colour analysis of the grid.
    void sbtAnaliCorClick();
    // The history of the menu's changes (PLA00127) and the dish ranking (PLA00102) for
    // the current cell; a dish chosen there goes into the cell.
    void btfHistCardClick();
    void sbtRankingPratosClick();
    // The print command: the printouts of the day, the week and the month in a popup
    // under the print button (and under mnuListagem), each as the operator may open it.
    void sbtImprimirClick() override;
    void EmissodoCardpiodoDia1Click();
    void EmissodoCardpiodaSemana1Click();
    void EmissodoCardpiodoMs1Click();
    // The nutrients of the current cell's day (PLA00105), the dish types brought from
    // another month or service (PLA00121, the month read again afterwards) and the
    // branch's history (PLA08800).
    void spbNutrientesClick();
    void sbtImpTPClick();
    void sbtHistoricoFilClick();
    // Shows a day (and a dish type, by its code) in the grid.
    void IrParaDia(const QDate& dia, const QString& cdTipoPrat);
    void HabilitaComandos(); // the toolbar and the menus follow the model's commands

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
    void posicionaCelula(const QDate& dia, const QString& tipo);
    void GetGruposServicos();
    void FiltraServicos();
    void HabilitaBotoesParaAlteracao();
    bool ExibeNrCiclo() const;
    TPivotCell celulaDaGrade() const;
    void degCardapioDecisionDrawCell(const TPivotCell& cell, TDrawCell& draw);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void buildCostPanel(QWidget* parent);
    void buildCostCommands(QMenu* menu);
    void aposCalculo();
    void habilitaCustos();
    void buildAnalysisCommands();
    void habilitaAnalises();
    void buildColourAnalysis();
    void buildPrintCommands();
    void habilitaEmissoes();
    void mostraAnaliCor(bool ativa);

    TCardapioMensal* cardapio_ = nullptr; // a child: it outlives no view
    QStringList ListaGrupos;

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
    // The cost panel, the warning bar below the grid and the reference label.
    QWidget* panCusto = nullptr;
    QWidget* subPanCusto = nullptr;
    QGroupBox* grbGraficos = nullptr;
    QGroupBox* grbCustoDia = nullptr;
    QGroupBox* grbCustTotaDia = nullptr;
    QGroupBox* grbCustoAcum = nullptr;
    QToolButton* sbtCalcularCustos = nullptr;
    QToolButton* sbtGrafCust = nullptr;
    QToolButton* sbtPlanReal = nullptr;
    QToolButton* sbtCustoAcum = nullptr;
    QCheckBox* chbSimultaneo = nullptr;
    host::TNumberEdit *nedMatPriPerc = nullptr, *nedMatPriMes = nullptr, *nedConsPerc = nullptr,
                      *nedConsMes = nullptr, *nedCustIndPercDia = nullptr,
                      *nedCustIndTotMes = nullptr, *nedPercDia = nullptr, *nedTotalMes = nullptr,
                      *nedPadrPerc = nullptr, *nedPadrMens = nullptr, *nedSaldoPerc = nullptr,
                      *nedSaldoMes = nullptr;
    host::TNumberEdit *nedMatPriCardPlan = nullptr, *nedConsCardPlan = nullptr,
                      *nedCustIndDia = nullptr, *nedCustoCardPlan = nullptr,
                      *nedCustoCardReal = nullptr;
    host::TNumberEdit *nedMatPriAcuPlan = nullptr, *nedConsAcuPlan = nullptr,
                      *nedCustIndPlan = nullptr, *nedTotalTAcum = nullptr, *nedTotalRAcum = nullptr,
                      *nedEstimados = nullptr, *nedEfetivos = nullptr, *nedPuMedioTeor = nullptr,
                      *nedPuMedioReal = nullptr;
    QLabel* lblRealizado = nullptr;
    QLabel* lblRealAcum = nullptr;
    QFrame* panAvisoRecalc = nullptr;
    QLabel* lblAvisoRecalc = nullptr;
    QLabel* imgAtencao = nullptr;
    QTimer* timFlashPan = nullptr;
    int ContFlash = 0;
    QLabel* lblDtRefeCust = nullptr;
    // The colour analysis's legend, shown while it is on.
    QFrame* panLegendaCor = nullptr;
    QMenu* pmnAnaCustos = nullptr;      // the analyses to choose from, under sbtInfoCard
    QMenu* pmnEmissaoRelCard = nullptr; // the printouts, under sbtImprimir
    std::array<QAction*, EmissoesCardapio.size()> itensEmissao_{}; // the popup's items
    std::array<QAction*, EmissoesCardapio.size()> menusEmissao_{}; // mnuListagem's items
    QHash<QString, QToolButton*> Botoes; // the screen's own toolbar buttons by name
    QHash<QString, QAction*> Menus;      // its menu entries by name
    host::THostQuery* qryGrupServ = nullptr;
};

} // namespace pla::module
