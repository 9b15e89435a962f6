#include "card_mens.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/table_scopes.h"
#include "core/text_utils.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/db_grid.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/mask_edit.h"
#include "host/radio_group.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/grid/menu_cell_delegate.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/planning/param_card_indu.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::module {

using namespace pla::host;

namespace {

const QStringList Catalogue{
    QStringLiteral("CARDAPIO_CONSULTA|Cardápio habilitado apenas para consulta."),
    QStringLiteral("FILIAL|Filial:"),
    QStringLiteral("TotComens| Comensais"),
    QStringLiteral("Op|(Opção)"),
    QStringLiteral("N_Exibe_NrCiclo|&Visualizar Nº do Ciclo"),
    QStringLiteral("Exibe_NrCiclo|&Visualizar apenas dia do cardápio"),
    QStringLiteral("close_error|Ocorreu um erro na tentativa de fechar o cardápio."),
    QStringLiteral("getdataserv|Carregando dados do servidor..."),
    QStringLiteral("NaoDisponivel|%s ainda não está disponível nesta versão."),
    QStringLiteral("undochanges|Tem certeza que deseja desfazer todas as alterações?"),
    QStringLiteral("updatecache|Deseja gravar as alterações antes de sair?"),
    QStringLiteral("CARDAPIO_SEM_PRAT|Cardápio"),
    QStringLiteral("COMENSAIS_SEM_PRAT|Comensais"),
    QStringLiteral("CARD_SEM_PRAT|Existe(m) cardápio(s) sem prato. Deseja excluir os comensais "
                   "estimados do(s) mesmo(s)?"),
    QStringLiteral("SUCESSO|Os comensais estimados foram excluido com sucesso."),
    QStringLiteral("CONF_EXCL|Confirma exclusão?"),
    QStringLiteral("CONF_SUBS|Confirma substituição?"),
    QStringLiteral("CARDBLDIA_N_UTIL|Cardápio bloqueado para dia não útil."),
    QStringLiteral("BLOQ_PADR|Operação bloqueada. Prato não possui receita revisada."),
    QStringLiteral("PratRecProdInativ|Prato não pode conter produto inativo na receita (%s)."),
    QStringLiteral("Prato_Equiv|Prato não é equivalente."),
    QStringLiteral("COMENS_MAIOR_ZERO|Número de comensais do dia deve ser maior que zero."),
};

// The service under elaboration stands out in the list, also when the list is
// filtered: olive background, white text.
class TServicoDelegate : public QStyledItemDelegate {
public:
    TServicoDelegate(const TfrmCardMens& screen, QObject* parent)
        : QStyledItemDelegate(parent)
        , screen_(screen) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString row = index.sibling(index.row(), 0).data().toString();
        if (!screen_.CdServico.isEmpty() &&
            row.section(QLatin1Char(' '), 0, 0) == screen_.CdServico) {
            option->backgroundBrush = QColor(128, 128, 0);
            option->palette.setColor(QPalette::Text, Qt::white);
            option->palette.setColor(QPalette::HighlightedText, Qt::white);
        }
    }

private:
    const TfrmCardMens& screen_;
};

} // namespace

TfrmCardMens::TfrmCardMens(QWidget* parent)
    : TfrmPadraoSimples(QStringLiteral("PLA00101"), QStringLiteral("Elaboração do Cardápio"),
                        parent) {
    setObjectName(QStringLiteral("frmCardMens"));
    msgPadrao.AddLines(Catalogue);

    const auto table = [this](const char* name) {
        return new TMemTable(QString::fromLatin1(name), this);
    };
    cdsServicos = table("cdsServicos");
    cdsParamPlaneja = table("cdsParamPlaneja");
    cdsVisualCard = table("cdsVisualCard");
    cdsCnfCaMes = table("cdsCnfCaMes");
    cdsCardaDia = table("cdsCardaDia");
    cdsCardadiaStlPratos = table("cdsCardadiaStlPratos");
    cdsCompCardCache = table("cdsCompCardCache");
    cdsCompCardStlPratos = table("cdsCompCardStlPratos");
    cdsDecision = table("cdsDecision");
    cdsCardEsp = table("cdsCardEsp");
    cdsPratosExcluidos = table("cdsPratosExcluidos");
    cdsParamGeral = table("cdsParamGeral");
    cdsNrCiclo = table("cdsNrCiclo");
    cdsCardames = table("cdsCardames");
    cdsCardaMesCiclo = table("cdsCardaMesCiclo");
    cdsAnaliCor = table("cdsAnaliCor");
    cdsPrato = table("cdsPrato");
    cdsPratoMatriz = table("cdsPratoMatriz");
    cdsPratoEquiv = table("cdsPratoEquiv");
    cdsSerPratRelat = table("cdsSerPratRelat");
    cdsComensAux = table("cdsComensAux");
    cdsComensEst = table("cdsComensEst");
    cdsCardaCli = table("cdsCardaCli");
    // The list shows each service as its code, two blanks and its name.
    cdsServicos->AddCalcField(QStringLiteral("SERVICO"), TFieldType::String, 60)
        .SetDisplayLabel(QStringLiteral("Serviço"));
    cdsServicos->OnCalcFields = [](TCalcRow& row) {
        row.SetValue(QStringLiteral("SERVICO"), row.AsString(QStringLiteral("CDSERVFILI")) +
                                                    QStringLiteral("  ") +
                                                    row.AsString(QStringLiteral("NMSERVICO")));
    };
    for (TMemTable* t : {cdsComensAux, cdsComensEst}) {
        t->AddField(QStringLiteral("CDFILIAL"), TFieldType::String, 4);
        t->AddField(QStringLiteral("NMFILIAL"), TFieldType::String, 50);
        t->AddField(QStringLiteral("CDSERVFILI"), TFieldType::String, 5);
        t->AddField(QStringLiteral("NMSERVICO"), TFieldType::String, 50);
        t->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime);
        t->AddField(QStringLiteral("CDTIPOPRAT"), TFieldType::String, 2);
        t->AddField(QStringLiteral("NMTIPOPRAT"), TFieldType::String, 50);
        t->AddField(QStringLiteral("COMENSEST"), TFieldType::Float);
        t->AddField(QStringLiteral("COMENSDIA"), TFieldType::Float);
        t->AddField(QStringLiteral("DIFERENCA"), TFieldType::Float);
        t->CreateDataSet();
    }
    // Both tables filter on one shared date, each while its own flag is set.
    cdsCardaDia->SetOnFilterRecord([this](const TMemRow& row) {
        return filtroCardaDia_ &&
               row.AsDateTime(QStringLiteral("DTCARDAPIO")).date() == dataFiltro_;
    });
    cdsCompCardCache->SetOnFilterRecord([this](const TMemRow& row) {
        return filtroCompCard_ &&
               row.AsDateTime(QStringLiteral("DTCARDAPIO")).date() == dataFiltro_;
    });
    for (TMemTable* t : {cdsCardaDia, cdsCompCardCache}) {
        connect(t, &TMemTable::stateChanged, this,
                [this] { RunHandler([this] { EstadoEdicaoAlterado(); }); });
    }
    qryGrupServ = new THostQuery(QStringLiteral("qryGrupServ"), this);
    qryGrupServ->SetSql(
        QStringLiteral("SELECT CDGRUPSERV, NMGRUPSERV FROM GRUPSERV ORDER BY NMGRUPSERV"));
    qryFeriado = new THostQuery(QStringLiteral("qryFeriado"), this);
    qryFeriado->SetSql(QStringLiteral("SELECT DTFERIFILI, DSFERIFILI FROM FERIFILI WHERE "
                                      "CDFILIAL = :P_CDFILIAL AND DTFERIFILI >= :P_DTINICIO AND "
                                      "DTFERIFILI <= :P_DTFIM"));
    qryFeriado->AddField(QStringLiteral("DTFERIFILI"), TFieldType::DateTime);
    qryFeriado->AddField(QStringLiteral("DSFERIFILI"), TFieldType::String, 60);
    qryDiaNaoUtil = new THostQuery(QStringLiteral("qryDiaNaoUtil"), this);
    qryDiaNaoUtil->SetSql(QStringLiteral("SELECT DTFERIFILI, DSFERIFILI FROM FERIFILI WHERE "
                                         "CDFILIAL = :P_CDFILIAL AND DTFERIFILI = :P_DTCARDAPIO"));
    qryDiaNaoUtil->AddField(QStringLiteral("DTFERIFILI"), TFieldType::DateTime);
    qryDiaNaoUtil->AddField(QStringLiteral("DSFERIFILI"), TFieldType::String, 60);
    qryServico = new THostQuery(QStringLiteral("qryServico"), this);
    qryServico->SetSql(QStringLiteral("SELECT * FROM SERVICO WHERE CDFILIAL = :P_CDFILIAL AND "
                                      "CDSERVFILI = :P_CDSERVFILI"));
    qryFeriCard = new THostQuery(QStringLiteral("qryFeriCard"), this);
    qryFeriCard->SetSql(QStringLiteral("SELECT DTFERICARD, DSFERICARD FROM FERICARD WHERE "
                                       "CDFILIAL = :P_CDFILIAL AND DTFERICARD = :P_DTCARDAPIO"));
    qryTurno = new THostQuery(QStringLiteral("qryTurno"), this);
    qryTurno->SetSql(QStringLiteral("SELECT * FROM TURNOSERV WHERE CDFILIAL = :P_CDFILIAL AND "
                                    "CDSERVFILI = :P_CDSERVFILI ORDER BY CDTURNO"));
    qryTipoPrato = new THostQuery(QStringLiteral("qryTipoPrato"), this);
    qryTipoPrato->SetSql(
        QStringLiteral("SELECT NMTIPOPRAT FROM TIPOPRAT WHERE CDTIPOPRAT = :P_CDTIPOPRAT"));

    auto* layout = new QHBoxLayout(Client());
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Client());
    layout->addWidget(split);
    panServico = new QWidget(split);
    panServico->setObjectName(QStringLiteral("panServico"));
    buildServicePanel(panServico);
    panServico->hide();
    auto* right = new QWidget(split);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* notices = new QHBoxLayout;
    panAviso = new QLabel(right);
    panAviso->setObjectName(QStringLiteral("panAviso"));
    panAviso->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    lblAviso = panAviso;
    lblAviso->setText(msgPadrao.Msg(QStringLiteral("CARDAPIO_CONSULTA")));
    panAviso->hide();
    panFiliCusto = new QLabel(right);
    panFiliCusto->setObjectName(QStringLiteral("panFiliCusto"));
    panFiliCusto->hide();
    notices->addWidget(panAviso, 1);
    notices->addWidget(panFiliCusto);
    rightLayout->addLayout(notices);
    degCardapio = new QTableView(right);
    degCardapio->setObjectName(QStringLiteral("degCardapio"));
    desCardapio = new TMenuGridModel(this);
    desCardapio->setObjectName(QStringLiteral("desCardapio"));
    desCardapio->SetDrawHandler([this](const TPivotCell& cell, TDrawCell& draw) {
        degCardapioDecisionDrawCell(cell, draw);
    });
    degCardapio->setModel(desCardapio);
    degCardapio->setShowGrid(true);
    degCardapio->setWordWrap(false);
    degCardapio->setItemDelegate(new TMenuCellDelegate(degCardapio));
    degCardapio->setSelectionMode(QAbstractItemView::SingleSelection);
    degCardapio->setEditTriggers(QAbstractItemView::NoEditTriggers);
    degCardapio->horizontalHeader()->setDefaultSectionSize(140);
    degCardapio->verticalHeader()->setMinimumWidth(150);
    degCardapio->verticalHeader()->setDefaultSectionSize(18);
    degCardapio->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    rightLayout->addWidget(degCardapio, 1);
    split->setStretchFactor(1, 1);
    buildCommands();
    degCardapio->installEventFilter(this);
    // The commands follow the current cell, whatever moved it.
    connect(degCardapio->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { RunHandler([this] { degCardapioKeyUp(); }); });
    connect(degCardapio, &QTableView::clicked, this,
            [this] { RunHandler([this] { degCardapioClick(); }); });
    connect(degCardapio, &QTableView::doubleClicked, this,
            [this] { RunHandler([this] { degCardapioDblClick(); }); });
    resize(1100, 640);
}

TfrmCardMens::~TfrmCardMens() {
    // The children outlive this part of the screen: none may call back into it.
    degCardapio->removeEventFilter(this);
    desCardapio->SetDrawHandler({});
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
}

// A parameter of the branch's planning, or of the general ones, as trimmed text; empty
// when not loaded.
QString TfrmCardMens::paramPlaneja(const char* name) const {
    const TMemField* f = cdsParamPlaneja->Active() && !cdsParamPlaneja->IsEmpty()
                             ? cdsParamPlaneja->FindField(QString::fromLatin1(name))
                             : nullptr;
    return f && !f->IsNull() ? f->AsString().trimmed() : QString();
}

QString TfrmCardMens::paramGeral(const char* name) const {
    const TMemField* f = cdsParamGeral->Active() && !cdsParamGeral->IsEmpty()
                             ? cdsParamGeral->FindField(QString::fromLatin1(name))
                             : nullptr;
    return f && !f->IsNull() ? f->AsString().trimmed() : QString();
}

TfrmParamCardIndu* TfrmCardMens::Planejamento() const {
    return frmParamCardIndu;
}

void TfrmCardMens::buildServicePanel(QWidget* parent) {
    auto* v = new QVBoxLayout(parent);
    v->setContentsMargins(0, 0, 0, 0);
    auto* group = new QGroupBox(QStringLiteral("Grupo de Serviço"), parent);
    group->setObjectName(QStringLiteral("grbGrupo"));
    auto* gl = new QVBoxLayout(group);
    cmbGrupo = new QComboBox(group);
    cmbGrupo->setObjectName(QStringLiteral("cmbGrupo"));
    gl->addWidget(cmbGrupo);
    v->addWidget(group);
    dbgServico = new TDBGrid(parent);
    dbgServico->setObjectName(QStringLiteral("dbgServico"));
    dbgServico->setToolTip(
        QStringLiteral("Pressione ENTER ou dê um duplo clique para visualizar o cardápio"));
    dbgServico->SetReadOnly(true);
    dbgServico->setItemDelegate(new TServicoDelegate(*this, dbgServico));
    v->addWidget(dbgServico, 1);
    sbtCopiarCard = new QToolButton(parent);
    sbtCopiarCard->setObjectName(QStringLiteral("sbtCopiarCard"));
    sbtCopiarCard->setText(QStringLiteral("Exportar Cardápio"));
    sbtCopiarCard->setToolTip(QStringLiteral("Exportar Cardápio"));
    v->addWidget(sbtCopiarCard);
    connect(cmbGrupo, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { cmbGrupoChange(); }); });
    connect(dbgServico, &QAbstractItemView::doubleClicked, this,
            [this] { RunHandler([this] { dbgServicoDblClick(); }); });
    connect(sbtCopiarCard, &QToolButton::clicked, this,
            [this] { RunHandler([this] { naoDisponivel(QStringLiteral("Exportar Cardápio")); }); });
    parent->setMinimumWidth(260);
}

void TfrmCardMens::Iniciar(TfrmParamCardIndu& planning) {
    CdFilial = planning.medCdFilial->text();
    NmFilial = planning.edtNmFilial->text();
    DtMesCard = DataHora(PriDiaMes(planning.depMesCard->Date()));
    TipoMontagem = planning.rdgMontagem->ItemIndex();
    if (!cdsServicos->Active()) {
        GetGruposServicos();
        GetServicos();
    }
    Autorizacoes = rpc::CheckResultServ(planning.Chamar(QStringLiteral("CheckAutOper"),
                                                        QVariantList{Host().Operador}))
                       .toList();
    HabilitaComandos();
    const QString servico = AllTrim(planning.medCdServico->text());
    if (!servico.isEmpty()) {
        cdsServicos->Locate(QStringLiteral("CDSERVFILI"), Ajusta(servico, 5));
        SelecionaServicoParaElaboracao(Ajusta(servico, 5), true);
    } else {
        panServico->show();
    }
}

void TfrmCardMens::GetGruposServicos() {
    cmbGrupo->blockSignals(true);
    cmbGrupo->clear();
    ListaGrupos.clear();
    cmbGrupo->addItem(QString());
    ListaGrupos << QStringLiteral("T");
    qryGrupServ->SetConnection(Host().SharedConnection());
    qryGrupServ->Close();
    qryGrupServ->Open();
    for (qryGrupServ->First(); !qryGrupServ->Eof(); qryGrupServ->Next()) {
        const QString code = qryGrupServ->FieldByName(QStringLiteral("CDGRUPSERV")).AsString();
        cmbGrupo->addItem(code + QStringLiteral("  ") +
                          qryGrupServ->FieldByName(QStringLiteral("NMGRUPSERV")).AsString());
        ListaGrupos << code;
    }
    cmbGrupo->setCurrentIndex(0);
    cmbGrupo->blockSignals(false);
}

void TfrmCardMens::GetServicos() {
    TfrmParamCardIndu* planning = Planejamento();
    if (!planning) {
        throw EPlaError(QStringLiteral("A tela de elaboração do cardápio foi fechada."));
    }
    TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getdataserv")));
    QList<rpc::TRpcArg> args{{CdFilial, true}, {QStringLiteral("T"), false}};
    const QVariant answer = planning->Chamar(QStringLiteral("GetServicos"), args);
    cdsServicos->SetData(ToDataPacket(rpc::CheckResultServ(answer)));
    if (TMemField* f = cdsServicos->FindField(QStringLiteral("CDSERVFILI"))) {
        f->SetDisplayLabel(QStringLiteral("Serviço(Código)"));
    }
    if (TMemField* f = cdsServicos->FindField(QStringLiteral("NMSERVICO"))) {
        f->SetDisplayLabel(QStringLiteral("Serviço(Nome)"));
    }
    for (const char* hidden :
         {"CDSERVFILI", "NMSERVICO", "CDGRUPSERV", "IDSERVTRAN", "IDCARDDESCENTR"}) {
        if (TMemField* f = cdsServicos->FindField(QString::fromLatin1(hidden))) {
            f->SetVisible(false);
        }
    }
    dbgServico->SetDataSet(cdsServicos);
}

void TfrmCardMens::FiltraServicos() {
    TControlsDisabled quiet(*cdsServicos);
    cdsServicos->SetFiltered(false);
    const QString code = ListaGrupos.value(cmbGrupo->currentIndex(), QStringLiteral("T"));
    if (code != QLatin1String("T")) {
        cdsServicos->SetFilter([code](const TMemRow& row) {
            return row.AsString(QStringLiteral("CDGRUPSERV")) == code;
        });
        cdsServicos->SetFiltered(true);
    }
}

void TfrmCardMens::SelecionaServicoParaElaboracao(const QString& cdServico, bool validado) {
    if (cdsServicos->IsEmpty()) {
        return;
    }
    if (!VerificaCardapioEmAlteracao()) {
        return;
    }
    TfrmParamCardIndu* planning = Planejamento();
    if (!validado && planning) {
        planning->ValidaElaboracaoCardapio(CdFilial, cdServico, DtMesCard.date(), TipoMontagem);
        ResultadoGeracao = planning->ResultadoGeracao();
    }
    if (!cdsServicos->Locate(QStringLiteral("CDSERVFILI"), cdServico)) {
        return;
    }
    SetaVariaveis();
    AtualizaTela();
    if (planning) {
        QList<rpc::TRpcArg> args{{CdFilial, true}, {CdServico, true}};
        QtDietaServ =
            rpc::CheckResultServ(planning->Chamar(QStringLiteral("getDietaServ"), args)).toDouble();
    }
    HabilitaBotoesParaAlteracao();
    dbgServico->viewport()->update();
}

void TfrmCardMens::dbgServicoDblClick() {
    if (cdsServicos->IsEmpty()) {
        return;
    }
    SelecionaServicoParaElaboracao(
        cdsServicos->FieldByName(QStringLiteral("CDSERVFILI")).AsString(), false);
}

void TfrmCardMens::SetaVariaveis() {
    CdServico = cdsServicos->FieldByName(QStringLiteral("CDSERVFILI")).AsString();
    NmServico = cdsServicos->FieldByName(QStringLiteral("NMSERVICO")).AsString();
    const QString descentr = cdsServicos->FieldByName(QStringLiteral("IDCARDDESCENTR")).AsString();
    IdCardDescentr = descentr.isEmpty() ? QChar() : descentr.at(0);
    IdServTran = cdsServicos->FieldByName(QStringLiteral("IDSERVTRAN")).AsString();
    // What was read for the previous service.
    cdsSerPratRelat->Close();
    cdsCardaCli->Close();
    cdsComensAux->EmptyDataSet();
    pratosCarregados_ = false;
    if (TfrmParamCardIndu* planning = Planejamento();
        planning && !planning->cdsVerifCiclo->IsEmpty()) {
        CdCardCiclo =
            planning->cdsVerifCiclo->FieldByName(QStringLiteral("CDCARDCICLO")).AsString();
        NmCardCiclo =
            planning->cdsVerifCiclo->FieldByName(QStringLiteral("NMCARDCICLO")).AsString();
    } else {
        CdCardCiclo.clear();
        NmCardCiclo.clear();
    }
    CustoPreparado = false;
}

// Permissions.

TPermissoes TfrmCardMens::Permissoes() const {
    const QString tipo = TipoCardapio.trimmed();
    return {Autorizacoes, CardapioSomenteLeitura, ExclusaoPelaGrade, alteraComCardAprov(),
            tipo.isEmpty() ? QChar() : tipo.at(0)};
}

bool TfrmCardMens::alteraComCardAprov() const {
    const TMemField* f = cdsParamPlaneja->Active()
                             ? cdsParamPlaneja->FindField(QStringLiteral("IDALTCOMCARD"))
                             : nullptr;
    return f && !cdsParamPlaneja->IsEmpty() && f->AsString() == QLatin1String("S");
}

QChar TfrmCardMens::tipoDeCardapio() const {
    const QString t = TipoCardapio.trimmed();
    if (t.isEmpty()) {
        return {};
    }
    const QChar c = t.at(0);
    if (c != QLatin1Char('D') && c != QLatin1Char('N') && c != QLatin1Char('S')) {
        MensErro(t, true);
    }
    return c;
}

QChar TfrmCardMens::tipoDeOperador() const {
    if (GrupoParametrizado) {
        return OperadorDoGrupo ? QLatin1Char('M') : QLatin1Char('F');
    }
    return Host().ModuFili ? QLatin1Char('F') : QLatin1Char('M');
}

bool TfrmCardMens::dependeLiberacao() const {
    return tipoDeCardapio() == QLatin1Char('D') && IdCardDescentr == QLatin1Char('S');
}

// Commands.

void TfrmCardMens::HabilitaBotoesParaAlteracao() {
    if (!CdServico.isEmpty()) {
        arrangeToolbar();
    }
    HabilitaComandos();
}

void TfrmCardMens::FormActivate(bool first) {
    Q_UNUSED(first);
    HabilitaBotoesParaAlteracao();
}

void TfrmCardMens::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ControlModifier)) {
        if (sbtConfirmar->isEnabled()) {
            sbtConfirmar->click();
        }
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        dbgServico->hasFocus()) {
        RunHandler([this] { dbgServicoDblClick(); });
        event->accept();
        return;
    }
    TfrmPadraoSimples::keyPressEvent(event);
}

bool TfrmCardMens::FormCloseQuery() {
    return VerificaCardapioEmAlteracao();
}

void TfrmCardMens::FormClose(TCloseAction& action) {
    if (CalculandoCusto) {
        action = TCloseAction::None;
        return;
    }
    try {
        Fechando = true;
        for (TMemTable* t : findChildren<TMemTable*>()) {
            if (t->IsEditing()) {
                t->Cancel();
            }
        }
        action = TCloseAction::Free;
        if (!FechadoPeloPlanejamento) {
            if (TfrmParamCardIndu* planning = Planejamento()) {
                THostContext::SetWindowState(planning, Qt::WindowNoState);
                Host().ShowChild(planning);
            }
        }
    } catch (const EPlaError& e) {
        ShowDetailError(msgPadrao.Msg(QStringLiteral("close_error")), e.message());
        throw;
    }
}

void TfrmCardMens::naoDisponivel(const QString& what) {
    TDialogPresenter::Current().Message(msgPadrao.Fmt(QStringLiteral("NaoDisponivel"), {what}),
                                        TMsgDlgType::Information, mbOK);
}

} // namespace pla::module
