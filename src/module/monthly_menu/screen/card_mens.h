#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"
#include "monthly_menu/grid/dish_lines.h"
#include "monthly_menu/grid/menu_pivot.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariantList>

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
    bool ExclusaoPelaGrade = false;              // the grid's own removal flag
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
    host::THostQuery* qryGrupServ = nullptr;
    host::THostQuery* qryFeriado = nullptr;

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

    // Permissions.
    bool incluirPrato() const { return allowed(0); }
    bool alterarPrato() const { return allowed(1); }
    bool excluirPrato() const;
    bool alterarComEstDia() const;
    bool alterarComEstPrat() const { return allowed(4); }
    bool analisarCustoRevRece() const { return allowed(6); }
    bool excluirCardPeriodo() const { return allowed(7); }
    bool importarCardDia() const { return allowed(8); }
    bool copiarPratCom() const { return allowed(9); }
    bool configurarCard() const { return allowed(10); }
    bool importarTipoPrat() const { return allowed(11); }
    bool atualizarDataRef() const { return allowed(12); }
    bool rankingPrat() const { return allowed(13); }
    bool atualizarDataRefRec() const { return allowed(14); }
    bool InverterPrato() const { return allowed(15); }
    bool alteraComCardAprov() const;
    bool cardapio_ReadOnly() const { return CardapioSomenteLeitura; }
    bool grupoParametrizado() const { return GrupoParametrizado; }
    bool operadorDoGrupo() const { return OperadorDoGrupo; }
    QChar tipoDeCardapio() const;
    QChar tipoDeOperador() const;
    bool dependeLiberacao() const;

protected:
    void FormActivate(bool first) override;
    bool FormCloseQuery() override;
    void FormClose(host::TCloseAction& action) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool allowed(int index) const;
    void buildServicePanel(QWidget* parent);
    void buildCommands();
    void arrangeToolbar();
    void loadCaption();
    void naoDisponivel(const QString& what);
    void habilitaConfirmacao(bool on);
    void descartaAlteracoes();
    void recarregaPratosExcluidos();

    bool primeiraAtivacao_ = true;
};

} // namespace pla::module
