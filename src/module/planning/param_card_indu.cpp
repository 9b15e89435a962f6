#include "param_card_indu.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/format_settings.h"
#include "core/text_utils.h"
#include "host/btn_pesquisa.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/exit_handler.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/mask_edit.h"
#include "host/radio_group.h"
#include "host/valida_filial.h"
#include "module/frame/creation.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "month_format.h"
#include "rpc/contracts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace pla::module {

using namespace pla::host;

const QDate TfrmParamCardIndu::DtMesMin(1900, 1, 1);
const QDate TfrmParamCardIndu::DtMesMax(2099, 12, 31);

namespace {

const QStringList Catalogue{
    QStringLiteral("SERV_NAO_CAD|Serviço não cadastrado."),
    QStringLiteral("SERV_DEVE|Serviço deve ser informado."),
    QStringLiteral("N_HA_CARD|Não há cardápio para o mês de referência informado."),
    QStringLiteral("Montagem|Tipo de montagem do cardápio deve ser informado."),
    QStringLiteral("TipoCust|Tipo de custo deve ser informado."),
    QStringLiteral("TipoCust_Real|Tipo de custo realizado deve ser informado."),
    QStringLiteral("NOT_CONFCARD|Não existe configuração de cardápio cadastrada para o serviço "
                   "informado."),
    QStringLiteral("FILI_DEVE|Filial deve ser informada."),
    QStringLiteral("FILI_NAO_CAD|Filial não cadastrada."),
    QStringLiteral("FILI_RESC|Filial com contrato rescindido."),
    QStringLiteral("MES_INF|Mês de referência do cardápio deve ser informado."),
    QStringLiteral("CardPadr|Cardápio Padronizado"),
    QStringLiteral("SERV_INF|Serviço deve ser informado."),
    QStringLiteral("N_HA_CARD_CAD|Não há cardápio cadastrado."),
    QStringLiteral("opeNcad|Operação bloqueada. Não existe nenhum operador cadastrado no "
                   "sistema."),
    QStringLiteral("DATA_INV|Mês de referência deve estar entre %s e %s."),
    QStringLiteral("getdataserv|Carregando dados do servidor..."),
    QStringLiteral("valid_elab|Validando dados para elaboração do cardápio..."),
    QStringLiteral("No_Oper|Função não disponível. Não há operador cadastrado no sistema."),
    QStringLiteral("getparams|Carregando parâmetros da filial..."),
    QStringLiteral("getdatacard|Carregando cardápios gravados..."),
    QStringLiteral("Refer_Inf|Data de referência deve ser informada."),
    QStringLiteral("CUSTPADR|Serviço não possui custo padrão cadastrado."),
    QStringLiteral("CONSSERV|Serviço não possui consumo fixo / percapita no período informado."),
    QStringLiteral("ERRO|Erro no servidor."),
    QStringLiteral("close_error|Ocorreu um erro na tentativa de fechar o cardápio."),
    QStringLiteral("CARD_CENT_N_LIB|Cardápio não liberado."),
    QStringLiteral("CARD_N_LIB_MATRIZ|Cardápio não liberado pela matriz."),
    QStringLiteral("FILICUST_DIF|Filial para cálculo de custo deve ser diferente da filial do "
                   "cardápio."),
    QStringLiteral("Card_Ciclo_Atu|O cardápio será atualizado considerando o ciclo do cardápio "
                   "ativo no período. Confirma operação?"),
    QStringLiteral("Card_Ciclo_Restr|Cardápio atualizado com restrições. Deseja visualizar?"),
    QStringLiteral("Atu_Card_Mes_Maior|Mês do cardápio para atualização deve ser maior que o "
                   "mês atual."),
    QStringLiteral("Conf_CardCiclo|Cardápio será criado utilizando o ciclo %s. Confirma?"),
};

QLabel* label(const QString& text, const QString& name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit* readOnlyEdit(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
}

TBtnPesquisa* lookupButton(const QString& name, const QString& title, const QString& empty,
                           QWidget* parent) {
    auto* b = new TBtnPesquisa(parent);
    b->setObjectName(name);
    b->SetTitle(title);
    b->SetEmptyText(empty);
    b->setToolTip(QStringLiteral("Pesquisar ") + title.toLower());
    return b;
}

} // namespace

TfrmParamCardIndu::TfrmParamCardIndu(QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00100"), QStringLiteral("Elaboração do Cardápio"), parent) {
    setObjectName(QStringLiteral("frmParamCardIndu"));
    msgPadrao.AddLines(Catalogue);
    buildControls();
    buildQueries();
    connectHandlers();

    ownParamCardIndu_ = Host().NewConnection(QStringLiteral("netParamCardIndu"),
                                             QStringLiteral("Pla00100.rdmParamCardIndu"));
    ownCustProd_ =
        Host().NewConnection(QStringLiteral("netCustProd"), QStringLiteral("Cus00000.rdmCustProd"));
    netParamCardIndu = ownParamCardIndu_.get();
    netCustProd = ownCustProd_.get();

    cdsParamPlaneja = new TMemTable(QStringLiteral("cdsParamPlaneja"), this);
    cdsMesCard = new TMemTable(QStringLiteral("cdsMesCard"), this);
    cdsMesCard->AddField(QStringLiteral("DTMESCARD"), TFieldType::String, 18)
        .SetDisplayLabel(QStringLiteral("Mês"));
    cdsMesCard->AddField(QStringLiteral("DTORDENA"), TFieldType::DateTime).SetVisible(false);
    cdsMesCard->AddCalcField(QStringLiteral("NmMes"), TFieldType::String, 10)
        .SetDisplayLabel(QStringLiteral("Nome do mês"));
    cdsMesCard->OnCalcFields = [this](TCalcRow& row) { cdsMesCardCalcFields(row); };
    btpMes->SetDataSet(cdsMesCard);
    cdsDtReferencia = new TMemTable(QStringLiteral("cdsDtReferencia"), this);
    cdsVerifCiclo = new TMemTable(QStringLiteral("cdsVerifCiclo"), this);

    // Creation: the connection kept open when the host keeps connections.
    if (Host().KeepConnected) {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getdataserv")));
        ConnectServer(*netParamCardIndu, true);
        keptConnected_ = true;
    }
}

TfrmParamCardIndu::~TfrmParamCardIndu() {
    if (frmParamCardIndu == this) {
        SetPlanejamentoCriado(false);
    }
}

void TfrmParamCardIndu::buildControls() {
    panHelp->setText(QStringLiteral("Informe a filial, o serviço e o mês do cardápio."));
    btnCriaCardCiclo = new QPushButton(QIcon::fromTheme(QStringLiteral("view-refresh")),
                                       QStringLiteral("Ciclo"), panBotoes);
    btnCriaCardCiclo->setObjectName(QStringLiteral("btnCriaCardCiclo"));
    btnCriaCardCiclo->setToolTip(QStringLiteral("Atualizar Cardápio (Ciclo)"));
    ButtonsLayout()->insertWidget(0, btnCriaCardCiclo);
    sbtConfirma->setIcon(QIcon::fromTheme(QStringLiteral("dialog-ok")));
    sbtConfirma->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sbtConfirma->setShortcut(QKeySequence(Qt::Key_F2));
    sbtConfirma->setToolTip(QStringLiteral("Confirmar (F2)"));

    auto* grid = new QGridLayout(grbDadosRel);
    QWidget* data = grbDadosRel;
    lblFilial = label(QStringLiteral("Filial"), QStringLiteral("lblFilial"), data);
    medCdFilial = new TMaskEdit(QStringLiteral(">aaaa;0; "), data);
    medCdFilial->setObjectName(QStringLiteral("medCdFilial"));
    medCdFilial->setMaximumWidth(70);
    btpFilial = lookupButton(QStringLiteral("btpFilial"), QStringLiteral("Filial"),
                             QStringLiteral("Não há filial cadastrada."), data);
    edtNmFilial = readOnlyEdit(QStringLiteral("edtNmFilial"), data);
    grid->addWidget(lblFilial, 0, 0);
    grid->addWidget(medCdFilial, 0, 1);
    grid->addWidget(btpFilial, 0, 2);
    grid->addWidget(edtNmFilial, 0, 3, 1, 3);

    medCdServico = new TMaskEdit(QStringLiteral("ccccc;0; "), data);
    medCdServico->setObjectName(QStringLiteral("medCdServico"));
    medCdServico->setMaximumWidth(70);
    btpServico =
        lookupButton(QStringLiteral("btpServico"), QStringLiteral("Serviço"),
                     QStringLiteral("Não há serviço cadastrado para filial informada."), data);
    edtNmServico = readOnlyEdit(QStringLiteral("edtNmServico"), data);
    grid->addWidget(label(QStringLiteral("Serviço"), QStringLiteral("lblServico"), data), 1, 0);
    grid->addWidget(medCdServico, 1, 1);
    grid->addWidget(btpServico, 1, 2);
    grid->addWidget(edtNmServico, 1, 3, 1, 3);

    grbData = new QGroupBox(QStringLiteral("Mês do Cardápio"), data);
    grbData->setObjectName(QStringLiteral("grbData"));
    auto* dataRow = new QHBoxLayout(grbData);
    depMesCard = new TDateEdit(grbData);
    depMesCard->setObjectName(QStringLiteral("depMesCard"));
    depMesCard->SetMonthOnly(true);
    btpMes = lookupButton(QStringLiteral("btpMes"), QStringLiteral("Mês"),
                          QStringLiteral("Não há cardápio cadastrado."), grbData);
    dataRow->addWidget(depMesCard);
    dataRow->addWidget(btpMes);
    dataRow->addStretch(1);
    grid->addWidget(grbData, 2, 0, 1, 3);

    rdgMontagem = new TRadioGroup(
        QStringLiteral("Montagem através de"),
        {QStringLiteral("Número de Comensais"), QStringLiteral("Percentual de Consumo")}, data);
    rdgMontagem->setObjectName(QStringLiteral("rdgMontagem"));
    rdgMontagem->SetItemIndex(0);
    grid->addWidget(rdgMontagem, 2, 3);

    grbArredond = new QGroupBox(QStringLiteral("Visualização"), data);
    grbArredond->setObjectName(QStringLiteral("grbArredond"));
    auto* roundRow = new QVBoxLayout(grbArredond);
    chbArredond = new QCheckBox(QStringLiteral("Arredondar Número de Comensais"), grbArredond);
    chbArredond->setObjectName(QStringLiteral("chbArredond"));
    roundRow->addWidget(chbArredond);
    grid->addWidget(grbArredond, 2, 4, 1, 2);

    auto* grbTipoCust = new QGroupBox(QStringLiteral("Tipo de Custo"), data);
    grbTipoCust->setObjectName(QStringLiteral("grbTipoCust"));
    auto* costGrid = new QGridLayout(grbTipoCust);
    cbbTipoCust = new QComboBox(grbTipoCust);
    cbbTipoCust->setObjectName(QStringLiteral("cbbTipoCust"));
    cbbTipoCustReal = new QComboBox(grbTipoCust);
    cbbTipoCustReal->setObjectName(QStringLiteral("cbbTipoCustReal"));
    for (QComboBox* c : {cbbTipoCust, cbbTipoCustReal}) {
        c->setMinimumContentsLength(24);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    costGrid->addWidget(label(QStringLiteral("Planejado"), QStringLiteral("lblTipoCust"), data), 0,
                        0);
    costGrid->addWidget(cbbTipoCust, 0, 1);
    costGrid->addWidget(label(QStringLiteral("Realizado"), QStringLiteral("lblTipoCustReal"), data),
                        1, 0);
    costGrid->addWidget(cbbTipoCustReal, 1, 1);
    grid->addWidget(grbTipoCust, 3, 0, 1, 3);

    auto* grbCusto = new QGroupBox(data);
    grbCusto->setObjectName(QStringLiteral("grbExibeCusto"));
    auto* showGrid = new QGridLayout(grbCusto);
    chbShowCust = new QCheckBox(QStringLiteral("Exibir custos com base na:"), grbCusto);
    chbShowCust->setObjectName(QStringLiteral("chbShowCust"));
    rbtReferCard = new QRadioButton(QStringLiteral("Data do Cardápio"), grbCusto);
    rbtReferCard->setObjectName(QStringLiteral("rbtReferCard"));
    rbtRefer = new QRadioButton(QStringLiteral("Data de Referência"), grbCusto);
    rbtRefer->setObjectName(QStringLiteral("rbtRefer"));
    rbtRefer->setChecked(true);
    depRefer = new TDateEdit(grbCusto);
    depRefer->setObjectName(QStringLiteral("depRefer"));
    showGrid->addWidget(chbShowCust, 0, 0, 1, 2);
    showGrid->addWidget(rbtReferCard, 1, 0, 1, 2);
    showGrid->addWidget(rbtRefer, 2, 0);
    showGrid->addWidget(depRefer, 2, 1);
    grid->addWidget(grbCusto, 3, 3, 1, 3);

    grbCalcComBase = new QGroupBox(QStringLiteral("Calcular o Custo com base na"), data);
    grbCalcComBase->setObjectName(QStringLiteral("grbCalcComBase"));
    auto* baseRow = new QHBoxLayout(grbCalcComBase);
    lblFiliCust = label(QStringLiteral("Filial"), QStringLiteral("lblFiliCust"), grbCalcComBase);
    medCdFiliCust = new TMaskEdit(QStringLiteral(">aaaa;0; "), grbCalcComBase);
    medCdFiliCust->setObjectName(QStringLiteral("medCdFiliCust"));
    medCdFiliCust->setMaximumWidth(70);
    btnPesqFiliCust = lookupButton(QStringLiteral("btnPesqFiliCust"), QStringLiteral("Filial"),
                                   QStringLiteral("Não há filial cadastrada."), grbCalcComBase);
    edtNmFiliCust = readOnlyEdit(QStringLiteral("edtNmFiliCust"), grbCalcComBase);
    baseRow->addWidget(lblFiliCust);
    baseRow->addWidget(medCdFiliCust);
    baseRow->addWidget(btnPesqFiliCust);
    baseRow->addWidget(edtNmFiliCust, 1);
    grid->addWidget(grbCalcComBase, 4, 0, 1, 6);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(3, 1);

    // Tab order follows the planner's reading order.
    setTabOrder(medCdFilial, medCdServico);
    setTabOrder(medCdServico, depMesCard);
    setTabOrder(depMesCard, rdgMontagem->Button(0));
    setTabOrder(rdgMontagem->Button(0), chbArredond);
    setTabOrder(chbArredond, cbbTipoCust);
    setTabOrder(cbbTipoCust, cbbTipoCustReal);
    setTabOrder(cbbTipoCustReal, chbShowCust);
    setTabOrder(chbShowCust, medCdFiliCust);
    setMinimumSize(760, 420);
}

void TfrmParamCardIndu::buildQueries() {
    qryFilial = new THostQuery(QStringLiteral("qryFilial"), this);
    qryFilial->SetSql(QStringLiteral("SELECT CDFILIAL, NMFILIAL, IDCNTRRESC, CDSEGMER FROM FILIAL "
                                     "WHERE ((CDFILIAL = :P_CDFILIAL) OR (:P_TCDFILIAL = 'T')) "
                                     "ORDER BY CDFILIAL"));
    qryServico = new THostQuery(QStringLiteral("qryServico"), this);
    qryServico->SetSql(
        QStringLiteral("SELECT CDSERVFILI, NMSERVICO, CDFILIAL, COALESCE(IDCARDDESCENTR, 'N') AS "
                       "IDCARDDESCENTR, IDSERVTRAN FROM SERVICO WHERE CDFILIAL    = :P_CDFILIAL "
                       "AND IDTIPOSERV  = 'N'         AND ((CDSERVFILI = :P_CDSERVFILI) OR "
                       "(:P_TCDSERVFILI = 'T')) ORDER BY CDFILIAL, CDSERVFILI"));
    qryFiliCust = new THostQuery(QStringLiteral("qryFiliCust"), this);
    qryFiliCust->SetSql(
        QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL WHERE ((CDFILIAL = :P_CDFILIAL) OR "
                       "(:P_TCDFILIAL = 'T')) AND CDFILIAL <> :P_CDFILIALCARD ORDER BY CDFILIAL"));
    for (THostQuery* q : {qryFilial, qryFiliCust}) {
        q->AddField(QStringLiteral("CDFILIAL"), TFieldType::String, 4)
            .SetDisplayLabel(QStringLiteral("Código"));
        q->AddField(QStringLiteral("NMFILIAL"), TFieldType::String, 40)
            .SetDisplayLabel(QStringLiteral("Nome"));
    }
    qryFilial->AddField(QStringLiteral("IDCNTRRESC"), TFieldType::String, 1).SetVisible(false);
    qryFilial->AddField(QStringLiteral("CDSEGMER"), TFieldType::String, 4).SetVisible(false);
    qryServico->AddField(QStringLiteral("CDSERVFILI"), TFieldType::String, 5)
        .SetDisplayLabel(QStringLiteral("Código"));
    qryServico->AddField(QStringLiteral("NMSERVICO"), TFieldType::String, 40)
        .SetDisplayLabel(QStringLiteral("Nome"));
    qryServico->AddField(QStringLiteral("CDFILIAL"), TFieldType::String, 4).SetVisible(false);
    qryServico->AddField(QStringLiteral("IDCARDDESCENTR"), TFieldType::String, 1).SetVisible(false);
    qryServico->AddField(QStringLiteral("IDSERVTRAN"), TFieldType::String, 1).SetVisible(false);
    btpFilial->SetDataSet(qryFilial);
    btpServico->SetDataSet(qryServico);
    btnPesqFiliCust->SetDataSet(qryFiliCust);
}

void TfrmParamCardIndu::connectHandlers() {
    const auto guarded = [](auto f) { return [f] { RunHandler(f); }; };
    connect(medCdFilial, &QLineEdit::textChanged, this, guarded([this] { medCdFilialChange(); }));
    connect(medCdServico, &QLineEdit::textChanged, this, guarded([this] { medCdServicoChange(); }));
    connect(medCdFiliCust, &QLineEdit::textChanged, this,
            guarded([this] { medCdFiliCustChange(); }));
    connect(depMesCard, &QDateEdit::dateChanged, this, guarded([this] { depMesCardDateChange(); }));
    connect(chbShowCust, &QCheckBox::clicked, this, guarded([this] { chbShowCustClick(); }));
    connect(rbtRefer, &QRadioButton::toggled, this, guarded([this] { rbtReferClick(); }));
    connect(rdgMontagem, &TRadioGroup::Clicked, this, guarded([this] { rdgMontagemClick(); }));
    connect(btnCriaCardCiclo, &QPushButton::clicked, this,
            guarded([this] { btnCriaCardCicloClick(); }));
    OnExit(medCdFilial, [this] { medCdFilialExit(); });
    OnExit(medCdServico, [this] { medCdServicoExit(); });
    OnExit(depMesCard, [this] { depMesCardExit(); });
    OnExit(grbData, [this] { grbDataExit(); });
    OnExit(depRefer, [this] { depReferExit(); });
    OnExit(medCdFiliCust, [this] { medCdFiliCustExit(); });
    btpFilial->BeforePesq = [this](TBtnPesquisa&, bool& cancel) { btpFilialBeforePesq(cancel); };
    btpFilial->AfterPesq = [this](TBtnPesquisa&) { btpFilialAfterPesq(); };
    btpServico->BeforePesq = [this](TBtnPesquisa&, bool& cancel) { btpServicoBeforePesq(cancel); };
    btpServico->AfterPesq = [this](TBtnPesquisa&) { btpServicoAfterPesq(); };
    btpMes->BeforePesq = [this](TBtnPesquisa&, bool& cancel) { btpMesBeforePesq(cancel); };
    btpMes->AfterPesq = [this](TBtnPesquisa&) { btpMesAfterPesq(); };
    btnPesqFiliCust->BeforePesq = [this](TBtnPesquisa&, bool& cancel) {
        btnPesqFiliCustBeforePesq(cancel);
    };
    btnPesqFiliCust->AfterPesq = [this](TBtnPesquisa&) { btnPesqFiliCustAfterPesq(); };
}

void TfrmParamCardIndu::ConnectServer(rpc::TNetConnection& connection, bool connect) {
    counter_.ConnectServer(connection, connect);
}

int TfrmParamCardIndu::ConnectionCount(const rpc::TNetConnection& connection) const {
    return counter_.Count(connection);
}

QVariant TfrmParamCardIndu::Chamar(const QString& method, QList<rpc::TRpcArg>& args) {
    rpc::TServerCallScope call(counter_, *netParamCardIndu);
    return netParamCardIndu->Call(method, args);
}

QVariant TfrmParamCardIndu::Chamar(const QString& method, const QVariantList& args) {
    rpc::TServerCallScope call(counter_, *netParamCardIndu);
    return netParamCardIndu->Call(method, args);
}

QString TfrmParamCardIndu::fmt(const QString& key, const QStringList& args) const {
    return msgPadrao.Fmt(key, args);
}

void TfrmParamCardIndu::focusAndFail(QWidget* control, const QString& key) {
    if (control->isEnabled()) {
        control->setFocus();
    }
    MensErro(msgPadrao.Msg(key), true);
}

// Without an operator nothing on this screen may be used: it says so on every
// activation, and its data and buttons stay disabled.
void TfrmParamCardIndu::exigeOperador() {
    if (Host().Operador.trimmed().isEmpty()) {
        grbDadosRel->setEnabled(false);
        panBotoes->setEnabled(false);
        MensErro(msgPadrao.Msg(QStringLiteral("No_Oper")), true);
    }
}

void TfrmParamCardIndu::FormActivate(bool first) {
    exigeOperador();
    if (!first) {
        update();
        return;
    }
    THostContext& host = Host();
    host.AtualizaLocalCache(
        {QStringLiteral("FERIFILI"), QStringLiteral("TURNOSERV"), QStringLiteral("PRATO")});
    for (THostQuery* q : {qryFilial, qryServico, qryFiliCust}) {
        q->SetConnection(host.SharedConnection());
    }
    medCdFilial->setText(host.FiliProc);
    qryFilial->Close();
    qryFilial->ClearParams();
    qryFilial->SetParam(QStringLiteral("P_CDFILIAL"), host.FiliProc);
    qryFilial->SetParam(QStringLiteral("P_TCDFILIAL"), QString());
    qryFilial->Open();
    edtNmFilial->setText(qryFilial->FieldByName(QStringLiteral("NMFILIAL")).AsString());
    for (QWidget* w : std::initializer_list<QWidget*>{lblFilial, medCdFilial, btpFilial}) {
        w->setEnabled(!host.ModuFili);
    }
    depMesCard->SetDate(PriDiaMes(Hoje()));
    depRefer->Clear();
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getdataserv")));
        rpc::TServerCallScope call(counter_, *netCustProd);
        costTypes_.Load(*netCustProd);
        costTypes_.Fill(*cbbTipoCust);
        costTypes_.Fill(*cbbTipoCustReal);
    }
    GetParamPlaneja(medCdFilial->text());
    for (QWidget* w : std::initializer_list<QWidget*>{grbCalcComBase, lblFiliCust, medCdFiliCust,
                                                      btnPesqFiliCust}) {
        w->setEnabled(!host.ModuFili);
    }
    btnCriaCardCiclo->setEnabled(!host.ModuFili);
    if (medCdFilial->isEnabled()) {
        medCdFilial->setFocus();
        medCdFilial->selectAll();
    }
}

void TfrmParamCardIndu::GetParamPlaneja(const QString& cdFilial) {
    QVariant answer;
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getparams")));
        rpc::TServerCallScope call(counter_, *netParamCardIndu);
        const rpc::TMethodSpec& spec = rpc::metodos::GetParams();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {cdFilial, QStringLiteral("PLA00100"), Host().RetornaIdioma()});
        answer = netParamCardIndu->Call(spec.Name, args);
    }
    if (answer.typeId() == QMetaType::QString) {
        throw EPlaError(answer.toString());
    }
    const QVariantList l = answer.toList();
    cdsParamPlaneja->SetData(rpc::PacoteServ(l.value(0)));
    tipoCustPla_ = l.value(1).toString();
    tipoCustRea_ = l.value(2).toString();
    if (cdsParamPlaneja->IsEmpty()) {
        return;
    }
    const auto field = [this](const char* name) {
        return cdsParamPlaneja->FieldByName(QString::fromLatin1(name)).AsString();
    };
    rdgMontagem->SetItemIndex(field("IDPERCCOME").toUpper() == QLatin1String("C") ? 0 : 1);
    rdgMontagemClick();
    if (!EmptyString(field("CDTIPOCUSTOPLA"))) {
        TCostTypeList::PreencheCombo(*cbbTipoCust, tipoCustPla_);
    } else {
        cbbTipoCust->setCurrentIndex(cbbTipoCust->count() > 0 ? 0 : -1);
    }
    if (!EmptyString(field("CDTIPOCUSTOREA"))) {
        TCostTypeList::PreencheCombo(*cbbTipoCustReal, tipoCustRea_);
    } else {
        cbbTipoCustReal->setCurrentIndex(cbbTipoCustReal->count() > 0 ? 0 : -1);
    }
    const QString show = field("IDEXIBECUSTO");
    if (EmptyString(show)) {
        chbShowCust->setChecked(false);
    } else {
        chbShowCust->setChecked(true);
        (show == QLatin1String("R") ? rbtRefer : rbtReferCard)->setChecked(true);
    }
    rbtRefer->setEnabled(chbShowCust->isChecked());
    rbtReferCard->setEnabled(chbShowCust->isChecked());
    depRefer->setEnabled(chbShowCust->isChecked() && rbtRefer->isChecked());
}

// Branch.

void TfrmParamCardIndu::medCdFilialChange() {
    edtNmFilial->clear();
    medCdServico->clear();
    medCdFiliCust->clear();
}

QString TfrmParamCardIndu::cdFilial() const {
    return Ajusta(AllTrim(medCdFilial->text()), 4);
}

void TfrmParamCardIndu::validateBranch(bool checkContract) {
    try {
        const QString code = cdFilial();
        if (!EmptyString(code) && code != medCdFilial->text()) {
            medCdFilial->setText(code); // a changed text clears the name: it is read again
        }
        edtNmFilial->setText(ValidaFilial(medCdFilial->text(), Host().Operador, checkContract));
    } catch (const EAbort&) {
        medCdFilial->setFocus();
        throw;
    }
}

void TfrmParamCardIndu::medCdFilialExit() {
    validateBranch(false);
    if (!Host().ModuFili) {
        GetParamPlaneja(medCdFilial->text());
    }
    depMesCardDateChange();
}

void TfrmParamCardIndu::btpFilialBeforePesq(bool& cancel) {
    Q_UNUSED(cancel);
    qryFilial->Close();
    qryFilial->SetParam(QStringLiteral("P_TCDFILIAL"), QStringLiteral("T"));
    qryFilial->SetParam(QStringLiteral("P_CDFILIAL"), QVariant());
    qryFilial->Open();
}

void TfrmParamCardIndu::btpFilialAfterPesq() {
    medCdFilial->setText(qryFilial->FieldByName(QStringLiteral("CDFILIAL")).AsString());
    edtNmFilial->setText(qryFilial->FieldByName(QStringLiteral("NMFILIAL")).AsString());
}

// Service.

void TfrmParamCardIndu::medCdServicoChange() {
    edtNmServico->clear();
    cdsMesCard->Close();
}

void TfrmParamCardIndu::Vd_CdServFili(bool required) {
    validateService(required, true);
}

void TfrmParamCardIndu::validateService(bool required, bool resetMonth) {
    try {
        if (EmptyString(medCdServico->text())) {
            if (required) {
                MensErro(msgPadrao.Msg(QStringLiteral("SERV_INF")), true);
            }
            return;
        }
        const QString code = Ajusta(AllTrim(medCdServico->text()), 5);
        if (code != medCdServico->text()) {
            medCdServico->setText(code);
        }
        qryServico->Close();
        qryServico->ClearParams();
        qryServico->SetParam(QStringLiteral("P_CDFILIAL"), medCdFilial->text());
        qryServico->SetParam(QStringLiteral("P_CDSERVFILI"), code);
        qryServico->SetParam(QStringLiteral("P_TCDSERVFILI"), QString());
        qryServico->Open();
        if (qryServico->IsEmpty()) {
            MensErro(msgPadrao.Msg(QStringLiteral("SERV_NAO_CAD")), true);
        }
        edtNmServico->setText(qryServico->FieldByName(QStringLiteral("NMSERVICO")).AsString());
        if (code != ultServico_) {
            ultServico_ = code;
            if (!required && resetMonth) {
                depMesCard->SetDate(Hoje());
            }
        }
    } catch (const EAbort&) {
        medCdServico->setFocus();
        throw;
    }
}

void TfrmParamCardIndu::medCdServicoExit() {
    Vd_CdServFili(false);
}

void TfrmParamCardIndu::btpServicoBeforePesq(bool& cancel) {
    Q_UNUSED(cancel);
    qryServico->Close();
    qryServico->ClearParams();
    qryServico->SetParam(QStringLiteral("P_CDFILIAL"), cdFilial());
    qryServico->SetParam(QStringLiteral("P_TCDSERVFILI"), QStringLiteral("T"));
    qryServico->Open();
}

void TfrmParamCardIndu::btpServicoAfterPesq() {
    medCdServico->setText(qryServico->FieldByName(QStringLiteral("CDSERVFILI")).AsString());
    edtNmServico->setText(qryServico->FieldByName(QStringLiteral("NMSERVICO")).AsString());
}

// Month.

void TfrmParamCardIndu::btpMesBeforePesq(bool& cancel) {
    if (cdsMesCard->Active()) {
        return;
    }
    // The application's date settings, as every other date of the screens.
    const QString format = FormatoMes(TFormatSettings::Current().ShortDateFormat);
    QVariant answer;
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getdatacard")));
        rpc::TServerCallScope call(counter_, *netParamCardIndu);
        const rpc::TMethodSpec& spec = rpc::metodos::GetMesCard();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(spec, {cdFilial(), AllTrim(medCdServico->text())});
        answer = netParamCardIndu->Call(spec.Name, args);
    }
    cdsMesCard->SetData(rpc::PacoteServ(answer));
    for (cdsMesCard->First(); !cdsMesCard->Eof(); cdsMesCard->Next()) {
        cdsMesCard->Edit();
        cdsMesCard->FieldByName(QStringLiteral("DTMESCARD"))
            .SetAsString(FormatDateTime(
                format, cdsMesCard->FieldByName(QStringLiteral("DTORDENA")).AsDateTime()));
        cdsMesCard->Post();
    }
    cdsMesCard->MergeChangeLog();
    cdsMesCard->First();
    if (cdsMesCard->IsEmpty()) {
        cdsMesCard->Close();
        cancel = true;
        MensErro(msgPadrao.Msg(QStringLiteral("N_HA_CARD_CAD")), true);
    }
}

void TfrmParamCardIndu::cdsMesCardCalcFields(TCalcRow& row) {
    const QDateTime d = row.AsDateTime(QStringLiteral("DTORDENA"));
    row.SetValue(QStringLiteral("NmMes"),
                 d.isValid() ? FormatDateTime(QStringLiteral("mmmm"), PriDiaMes(d.date()))
                             : QString());
}

void TfrmParamCardIndu::btpMesAfterPesq() {
    depMesCard->SetDate(
        PriDiaMes(cdsMesCard->FieldByName(QStringLiteral("DTORDENA")).AsDateTime().date()));
}

void TfrmParamCardIndu::referenceDate(bool onExit) {
    QVariant answer;
    {
        rpc::TServerCallScope call(counter_, *netParamCardIndu);
        const rpc::TMethodSpec& spec = rpc::metodos::GetDtReferencia();
        QList<rpc::TRpcArg> args = rpc::Argumentos(
            spec, {cdFilial(),
                   depMesCard->IsEmpty() ? QVariant() : QVariant(DataHora(depMesCard->Date()))});
        answer = netParamCardIndu->Call(spec.Name, args);
    }
    cdsDtReferencia->SetData(rpc::PacoteServ(answer));
    QDate reference = Hoje();
    if (!cdsDtReferencia->IsEmpty()) {
        const TMemField& f = cdsDtReferencia->FieldByName(QStringLiteral("DTBASCONCUSPLAN"));
        // On exit a zero date counts as none; on a change an empty one.
        const QDate base = f.IsNull() ? QDate() : f.AsDateTime().date();
        const bool usable = onExit ? base.isValid() && base != QDate(1899, 12, 30) : !f.IsNull();
        if (usable && base.isValid()) {
            reference = base;
        }
    }
    depRefer->SetDate(reference);
}

void TfrmParamCardIndu::depMesCardExit() {
    referenceDate(true);
    checkMonth();
}

void TfrmParamCardIndu::depMesCardDateChange() {
    if (!Host().SharedConnection() || Host().Token.isEmpty()) {
        return; // before sign-in (the screen being built)
    }
    referenceDate(false);
}

void TfrmParamCardIndu::grbDataExit() {
    depMesCardDateChange();
}

void TfrmParamCardIndu::checkMonth() {
    if (depMesCard->IsEmpty()) {
        depMesCard->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("MES_INF")), true);
    }
    const QDate month = depMesCard->Date();
    if (month > DtMesMax || month < DtMesMin) {
        depMesCard->setFocus();
        MensErro(
            fmt(QStringLiteral("DATA_INV"), {FormatDateTime(QStringLiteral("mm/yyyy"), DtMesMin),
                                             FormatDateTime(QStringLiteral("mm/yyyy"), DtMesMax)}),
            true);
    }
}

// Costs and viewing.

void TfrmParamCardIndu::chbShowCustClick() {
    const bool on = chbShowCust->isChecked();
    rbtRefer->setEnabled(on);
    depRefer->setEnabled(on);
    rbtReferCard->setEnabled(on);
    if (depRefer->IsEmpty()) {
        depRefer->SetDate(Hoje());
    }
}

void TfrmParamCardIndu::rbtReferClick() {
    depRefer->setEnabled(rbtRefer->isChecked());
}

void TfrmParamCardIndu::depReferExit() {
    // The date box holds only real dates; an empty one is the confirmation's to refuse.
}

void TfrmParamCardIndu::rdgMontagemClick() {
    const bool diners = rdgMontagem->ItemIndex() == 0;
    for (QWidget* child : grbArredond->findChildren<QWidget*>()) {
        child->setEnabled(diners);
    }
    if (rdgMontagem->ItemIndex() == 1) {
        chbArredond->setChecked(false);
    }
}

// Cost branch.

void TfrmParamCardIndu::medCdFiliCustChange() {
    edtNmFiliCust->clear();
}

void TfrmParamCardIndu::medCdFiliCustExit() {
    try {
        if (EmptyString(medCdFiliCust->text())) {
            return;
        }
        const QString code = Ajusta(AllTrim(medCdFiliCust->text()), 4);
        if (code != medCdFiliCust->text()) {
            medCdFiliCust->setText(code);
        }
        if (code == cdFilial()) {
            MensErro(msgPadrao.Msg(QStringLiteral("FILICUST_DIF")), true);
        }
        // The typed branch only: with every branch selected any code would pass
        // and the first branch's name be taken.
        qryFiliCust->Close();
        qryFiliCust->ClearParams();
        qryFiliCust->SetParam(QStringLiteral("P_CDFILIAL"), code);
        qryFiliCust->SetParam(QStringLiteral("P_TCDFILIAL"), QString());
        qryFiliCust->SetParam(QStringLiteral("P_CDFILIALCARD"), cdFilial());
        qryFiliCust->Open();
        if (qryFiliCust->IsEmpty()) {
            MensErro(msgPadrao.Msg(QStringLiteral("FILI_NAO_CAD")), true);
        }
        edtNmFiliCust->setText(qryFiliCust->FieldByName(QStringLiteral("NMFILIAL")).AsString());
    } catch (const EAbort&) {
        medCdFiliCust->setFocus();
        throw;
    }
}

void TfrmParamCardIndu::btnPesqFiliCustBeforePesq(bool& cancel) {
    Q_UNUSED(cancel);
    qryFiliCust->Close();
    qryFiliCust->ClearParams();
    qryFiliCust->SetParam(QStringLiteral("P_CDFILIAL"), QVariant());
    qryFiliCust->SetParam(QStringLiteral("P_TCDFILIAL"), QStringLiteral("T"));
    qryFiliCust->SetParam(QStringLiteral("P_CDFILIALCARD"), cdFilial());
    qryFiliCust->Open();
}

void TfrmParamCardIndu::btnPesqFiliCustAfterPesq() {
    medCdFiliCust->setText(qryFiliCust->FieldByName(QStringLiteral("CDFILIAL")).AsString());
    edtNmFiliCust->setText(qryFiliCust->FieldByName(QStringLiteral("NMFILIAL")).AsString());
}

// Confirmation.

void TfrmParamCardIndu::sbtConfirmaClick() {
    exigeOperador();
    // 1. The branch.
    validateBranch(true);
    // 2. The service and the cost branch.
    validateService(false, false);
    medCdFiliCustExit();
    // 3. The month.
    checkMonth();
    // 4. Montage and cost types.
    if (rdgMontagem->ItemIndex() < 0) {
        MensErro(msgPadrao.Msg(QStringLiteral("Montagem")), true);
    }
    if (cbbTipoCust->currentIndex() < 0 || cbbTipoCust->currentText().isEmpty()) {
        focusAndFail(cbbTipoCust, QStringLiteral("TipoCust"));
    }
    if (cbbTipoCustReal->currentIndex() < 0 || cbbTipoCustReal->currentText().isEmpty()) {
        focusAndFail(cbbTipoCustReal, QStringLiteral("TipoCust_Real"));
    }
    // 5. The reference date of the costs.
    if (chbShowCust->isChecked()) {
        if (depRefer->IsEmpty() && rbtRefer->isChecked()) {
            focusAndFail(depRefer, QStringLiteral("Refer_Inf"));
        }
        depReferExit();
    }
    // 6. The month of the service may be elaborated.
    if (!EmptyString(medCdServico->text())) {
        ValidaElaboracaoCardapio(medCdFilial->text(), medCdServico->text(), depMesCard->Date(),
                                 rdgMontagem->ItemIndex());
    }
    // 7. The monthly screen of this branch, service and month, or a new one.
    const QString servico =
        EmptyString(medCdServico->text()) ? QString() : Ajusta(AllTrim(medCdServico->text()), 5);
    const QDateTime mes = DataHora(PriDiaMes(depMesCard->Date()));
    for (TfrmCardMens* screen : CardapiosMensais()) {
        TCardapioMensal& cardapio = screen->Cardapio();
        if (!cardapio.Fechando && cardapio.EhDoMes(medCdFilial->text(), servico, mes)) {
            cardapio.AplicaEscolha(Escolha());
            screen->Mostra();
            return;
        }
    }
    THostContext::SetWindowState(this, Qt::WindowMinimized);
    CriaCardMens();
}

TEscolhaPlanejamento TfrmParamCardIndu::Escolha() const {
    TEscolhaPlanejamento e;
    e.CdFilial = medCdFilial->text();
    e.NmFilial = edtNmFilial->text();
    e.CdServico = medCdServico->text();
    e.DtMesCard = DataHora(PriDiaMes(depMesCard->Date()));
    e.TipoMontagem = rdgMontagem->ItemIndex();
    e.Arredondar = chbArredond->isChecked();
    e.ExibeCusto = chbShowCust->isChecked();
    e.RefeCardapio = rbtReferCard->isChecked();
    e.DtRefeCusto = DataHora(depRefer->Date());
    e.CdFiliCust = medCdFiliCust->text();
    e.TipoCustoPlanejado = costTypes_.NumeroTipoCusto(cbbTipoCust->currentIndex());
    e.TipoCustoRealizado = costTypes_.NumeroTipoCusto(cbbTipoCustReal->currentIndex());
    if (cdsVerifCiclo->Active() && !cdsVerifCiclo->IsEmpty()) {
        e.CdCardCiclo = cdsVerifCiclo->FieldByName(QStringLiteral("CDCARDCICLO")).AsString();
        e.NmCardCiclo = cdsVerifCiclo->FieldByName(QStringLiteral("NMCARDCICLO")).AsString();
    }
    return e;
}

void TfrmParamCardIndu::Mostra() {
    THostContext::SetWindowState(this, Qt::WindowNoState);
    Host().ShowChild(this);
}

void TfrmParamCardIndu::FormClose(TCloseAction& action) {
    // The monthly screens first: they borrow this screen's connection.
    for (TfrmCardMens* screen : CardapiosMensais()) {
        if (screen->Cardapio().Fechando) {
            continue;
        }
        if (!screen->FechaPeloPlanejamento()) {
            ShowDetailError(msgPadrao.Msg(QStringLiteral("close_error")), screen->windowTitle());
            action = TCloseAction::None;
            return;
        }
    }
    SetPlanejamentoCriado(false);
    if (keptConnected_) {
        keptConnected_ = false;
        ConnectServer(*netParamCardIndu, false);
    }
    netParamCardIndu->SetConnected(false);
    netCustProd->SetConnected(false);
    action = TCloseAction::Free;
}

} // namespace pla::module
