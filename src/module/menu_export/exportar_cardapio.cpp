#include "exportar_cardapio.h"

#include "servicos_delegate.h"
#include "servicos_exportacao.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/text_utils.h"
#include "host/btn_pesquisa.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/db_grid.h"
#include "host/dialog_presenter.h"
#include "host/exit_handler.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/mask_edit.h"
#include "host/service_groups.h"
#include "module/planning/planejamento.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pla::module {

using namespace pla::host;

namespace {

const QStringList Mensagens{
    QStringLiteral("FILIAL_NINF|Filial deve ser informada."),
    QStringLiteral("FILIAL_NCAD|Filial informada não cadastrada"),
    QStringLiteral("SERVICO_NINF|Serviço deve ser informado"),
    QStringLiteral("SERVICO_NCAD|Serviço informado não cadastrado"),
    QStringLiteral("DATAINI_N_INF|Data inicial deve ser informada."),
    QStringLiteral("DATAFIN_N_INF|Data final deve ser informada"),
    QStringLiteral("DATAINI>DATAFIN|Data inicial deve ser menor ou igual à data final"),
    QStringLiteral("MES_DATAINI<>MES_DATAFIN|Data inicial e final devem compreender o mesmo mês."),
    QStringLiteral("SERVDEST_N_INF|Ao menos um serviço de destino deve ser selecionado."),
    QStringLiteral("SUCESSO|Procedimento realizado com sucesso."),
    QStringLiteral("VERLOG|Exportação realizada, com observações. Deseja visualizar o log da "
                   "integração?"),
    QStringLiteral("DATAINI_<_DATAPROC|Data inicial deve ser maior ou igual à %s."),
    QStringLiteral("getservicos|Verificando a situação dos serviços de destino..."),
    QStringLiteral("exportando|Exportando o cardápio..."),
};

QLineEdit* somenteLeitura(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    e->setPalette(p);
    return e;
}

TBtnPesquisa* pesquisa(const QString& name, const QString& title, const QString& empty,
                       QWidget* parent) {
    auto* b = new TBtnPesquisa(parent);
    b->setObjectName(name);
    b->SetTitle(title);
    b->SetEmptyText(empty);
    b->setToolTip(title);
    return b;
}

QString dia(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

} // namespace

TfrmExportarCardapio::TfrmExportarCardapio(IPlanejamento& planejamento, const QString& cdFilial,
                                           const QString& nmFilial, const QString& cdServico,
                                           const QString& nmServico, const QDate& mes,
                                           QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00133"), QStringLiteral("Exportar Cardápio"), parent)
    , planejamento_(planejamento)
    , mes_(PriDiaMes(mes)) {
    setObjectName(QStringLiteral("frmExportarCardapio"));
    msgPadrao.AddLines(Mensagens);
    for (const auto& [key, text] : rpc::MensagensSituacaoExportacao()) {
        msgPadrao.Add(key, text);
    }
    buildControls();
    buildQueries();
    cdsServicos = new TMemTable(QStringLiteral("cdsServicos"), this);
    cdsLogIntCard = new TMemTable(QStringLiteral("cdsLogIntCard"), this);
    cdsParamPlaneja = new TMemTable(QStringLiteral("cdsParamPlaneja"), this);
    dbgServicos->SetDataSet(cdsServicos);
    dbgServicos->setItemDelegate(new TServicosDelegate(dbgServicos));

    medCdFilial->setText(cdFilial);
    edtNmFilial->setText(nmFilial);
    medCdServico->setText(cdServico);
    edtNmServico->setText(nmServico);
    GetGrupoServicos();
    GetParams();
    const int bloqueados =
        cdsParamPlaneja->IsEmpty()
            ? 0
            : cdsParamPlaneja->FieldByName(QStringLiteral("QTDIABLOQCAR")).AsInteger();
    limite_ = Host().DataProc(AllTrim(cdFilial)).addDays(bloqueados);
    depDataIni->SetDate(std::max(limite_, mes_));
    depDataFin->SetDate(UltimoDiaMes(depDataIni->Date()));
    depDataIniDateChange();
    depDataFinDateChange();
    connectHandlers();
}

TfrmExportarCardapio::~TfrmExportarCardapio() = default;

void TfrmExportarCardapio::buildControls() {
    panHelp->setText(QStringLiteral("Informe a origem, o período e os serviços de destino."));
    sbtConfirma->setIcon(QIcon::fromTheme(QStringLiteral("document-export")));
    sbtConfirma->setText(QStringLiteral("Exportar"));
    sbtConfirma->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sbtConfirma->setShortcut(QKeySequence(Qt::Key_F2));
    sbtConfirma->setToolTip(QStringLiteral("Exportar o cardápio (F2)"));
    auto* main = new QVBoxLayout(grbDadosRel);

    grbOrigem = new QGroupBox(QStringLiteral("Origem"), grbDadosRel);
    grbOrigem->setObjectName(QStringLiteral("grbOrigem"));
    auto* o = new QGridLayout(grbOrigem);
    medCdFilial = new TMaskEdit(QStringLiteral(">aaaa;0; "), grbOrigem);
    medCdFilial->setObjectName(QStringLiteral("medCdFilial"));
    medCdFilial->setMaximumWidth(70);
    medCdFilial->setEnabled(false);
    btnFilial = pesquisa(QStringLiteral("btnFilial"), QStringLiteral("Filial"),
                         QStringLiteral("Não há filial cadastrada."), grbOrigem);
    btnFilial->setEnabled(false);
    edtNmFilial = somenteLeitura(QStringLiteral("edtNmFilial"), grbOrigem);
    medCdServico = new TMaskEdit(QStringLiteral("ccccc;0; "), grbOrigem);
    medCdServico->setObjectName(QStringLiteral("medCdServico"));
    medCdServico->setMaximumWidth(70);
    btnServico =
        pesquisa(QStringLiteral("btnServico"), QStringLiteral("Serviço"),
                 QStringLiteral("Não há serviço cadastrado para a filial informada."), grbOrigem);
    edtNmServico = somenteLeitura(QStringLiteral("edtNmServico"), grbOrigem);
    o->addWidget(new QLabel(QStringLiteral("Filial"), grbOrigem), 0, 0);
    o->addWidget(medCdFilial, 0, 1);
    o->addWidget(btnFilial, 0, 2);
    o->addWidget(edtNmFilial, 0, 3);
    o->addWidget(new QLabel(QStringLiteral("Serviço"), grbOrigem), 1, 0);
    o->addWidget(medCdServico, 1, 1);
    o->addWidget(btnServico, 1, 2);
    o->addWidget(edtNmServico, 1, 3);

    grbData = new QGroupBox(QStringLiteral("Data"), grbOrigem);
    grbData->setObjectName(QStringLiteral("grbData"));
    auto* d = new QGridLayout(grbData);
    depDataIni = new TDateEdit(grbData);
    depDataIni->setObjectName(QStringLiteral("depDataIni"));
    edtNmDataIni = somenteLeitura(QStringLiteral("edtNmDataIni"), grbData);
    depDataFin = new TDateEdit(grbData);
    depDataFin->setObjectName(QStringLiteral("depDataFin"));
    edtNmDataFin = somenteLeitura(QStringLiteral("edtNmDataFin"), grbData);
    d->addWidget(new QLabel(QStringLiteral("de"), grbData), 0, 0);
    d->addWidget(depDataIni, 0, 1);
    d->addWidget(edtNmDataIni, 0, 2);
    d->addWidget(new QLabel(QStringLiteral("até"), grbData), 1, 0);
    d->addWidget(depDataFin, 1, 1);
    d->addWidget(edtNmDataFin, 1, 2);
    o->addWidget(grbData, 2, 0, 1, 4);

    auto* opcoes = new QHBoxLayout();
    rbtAcrescentar = new QRadioButton(QStringLiteral("Acrescentar"), grbOrigem);
    rbtAcrescentar->setObjectName(QStringLiteral("rbtAcrescentar"));
    rbtAcrescentar->setChecked(true);
    rbtSobrepor = new QRadioButton(QStringLiteral("Sobrepor"), grbOrigem);
    rbtSobrepor->setObjectName(QStringLiteral("rbtSobrepor"));
    grbComensais = new QGroupBox(QStringLiteral("Comensais"), grbOrigem);
    grbComensais->setObjectName(QStringLiteral("grbComensais"));
    auto* c = new QHBoxLayout(grbComensais);
    chbCopComens =
        new QCheckBox(QStringLiteral("Copiar comensais do cardápio de origem"), grbComensais);
    chbCopComens->setObjectName(QStringLiteral("chbCopComens"));
    c->addWidget(chbCopComens);
    opcoes->addWidget(rbtAcrescentar);
    opcoes->addWidget(rbtSobrepor);
    opcoes->addWidget(grbComensais, 1);
    o->addLayout(opcoes, 3, 0, 1, 4);
    main->addWidget(grbOrigem);

    grbServicosDestino = new QGroupBox(QStringLiteral("Destino"), grbDadosRel);
    grbServicosDestino->setObjectName(QStringLiteral("grbServicosDestino"));
    auto* s = new QVBoxLayout(grbServicosDestino);
    auto* g = new QHBoxLayout();
    auto* lblGrupo = new QLabel(QStringLiteral("Grupo"), grbServicosDestino);
    cmbGrupo = new QComboBox(grbServicosDestino);
    cmbGrupo->setObjectName(QStringLiteral("cmbGrupo"));
    lblGrupo->setBuddy(cmbGrupo);
    g->addWidget(lblGrupo);
    g->addWidget(cmbGrupo, 1);
    s->addLayout(g);
    dbgServicos = new TDBGrid(grbServicosDestino);
    dbgServicos->setObjectName(QStringLiteral("dbgServicos"));
    dbgServicos->SetReadOnly(true);
    dbgServicos->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgServicos->setToolTip(QStringLiteral("Clique na primeira coluna ou tecle Espaço para marcar; "
                                           "clique na situação para ver as observações."));
    dbgServicos->installEventFilter(this);
    s->addWidget(dbgServicos, 1);
    main->addWidget(grbServicosDestino, 1);
    setMinimumSize(640, 600);
}

void TfrmExportarCardapio::buildQueries() {
    qryFilialPesq = new THostQuery(QStringLiteral("qryFilialPesq"), this);
    qryFilialPesq->SetSql(
        QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL WHERE ((CDFILIAL = "
                       ":P_CDFILIAL) OR (:P_TCDFILIAL = 'T')) ORDER BY CDFILIAL"));
    qryFilialPesq->AddField(QStringLiteral("CDFILIAL"), TFieldType::String, 4)
        .SetDisplayLabel(QStringLiteral("Código"));
    qryFilialPesq->AddField(QStringLiteral("NMFILIAL"), TFieldType::String, 40)
        .SetDisplayLabel(QStringLiteral("Nome"));
    qryServicoPesq = new THostQuery(QStringLiteral("qryServicoPesq"), this);
    qryServicoPesq->SetSql(QStringLiteral(
        "SELECT CDSERVFILI, NMSERVICO FROM SERVICO WHERE IDTIPOSERV = 'N' AND CDFILIAL = "
        ":P_CDFILIAL AND ((CDSERVFILI = :P_CDSERVFILI) OR (:P_TCDSERVFILI = 'T')) ORDER BY "
        "CDSERVFILI"));
    qryServicoPesq->AddField(QStringLiteral("CDSERVFILI"), TFieldType::String, 5)
        .SetDisplayLabel(QStringLiteral("Código"));
    qryServicoPesq->AddField(QStringLiteral("NMSERVICO"), TFieldType::String, 40)
        .SetDisplayLabel(QStringLiteral("Nome"));
    qryGrupServ = new THostQuery(QStringLiteral("qryGrupServ"), this);
    qryGrupServ->SetSql(
        QStringLiteral("SELECT CDGRUPSERV, NMGRUPSERV FROM GRUPSERV ORDER BY NMGRUPSERV"));
    for (THostQuery* q : {qryFilialPesq, qryServicoPesq, qryGrupServ}) {
        q->SetConnection(Host().SharedConnection());
    }
    btnFilial->SetDataSet(qryFilialPesq);
    btnServico->SetDataSet(qryServicoPesq);
}

void TfrmExportarCardapio::connectHandlers() {
    const auto guarded = [](auto f) { return [f] { RunHandler(f); }; };
    for (QLineEdit* e :
         {static_cast<QLineEdit*>(medCdFilial), static_cast<QLineEdit*>(medCdServico)}) {
        connect(e, &QLineEdit::textChanged, this, guarded([this] { DescartaServicos(); }));
    }
    connect(depDataIni, &QDateEdit::dateChanged, this, guarded([this] {
                depDataIniDateChange();
                DescartaServicos();
            }));
    connect(depDataFin, &QDateEdit::dateChanged, this, guarded([this] {
                depDataFinDateChange();
                DescartaServicos();
            }));
    connect(cmbGrupo, &QComboBox::currentIndexChanged, this,
            guarded([this] { DescartaServicos(); }));
    connect(dbgServicos, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) {
        RunHandler([this, i] { dbgServicosCellClick(i.column()); });
    });
    connect(dbgServicos, &QAbstractItemView::doubleClicked, this,
            guarded([this] { dbgServicosDblClick(); }));
    connect(dbgServicos->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { RunHandler([this, column] { dbgServicosTitleClick(column); }); });
    OnExit(medCdFilial, [this] { medCdFilialExit(); });
    OnExit(medCdServico, [this] { medCdServicoExit(); });
    OnExit(grbOrigem, [this] { grbOrigemExit(); });
    // The date edits keep their dates valid themselves: an emptied one reads as empty.
    btnFilial->BeforePesq = [this](TBtnPesquisa&, bool&) { btnFilialBeforePesq(); };
    btnFilial->AfterPesq = [this](TBtnPesquisa&) { btnFilialAfterPesq(); };
    btnServico->BeforePesq = [this](TBtnPesquisa&, bool&) { btnServicoBeforePesq(); };
    btnServico->AfterPesq = [this](TBtnPesquisa&) { btnServicoAfterPesq(); };
}

void TfrmExportarCardapio::FormActivate(bool first) {
    if (first) {
        medCdServico->setFocus();
    }
}

// Groups: an empty item for all, then each group as "code  name".
void TfrmExportarCardapio::GetGrupoServicos() {
    grupos_ = PreencheGruposServico(*cmbGrupo, *qryGrupServ);
}

void TfrmExportarCardapio::GetParams() {
    cdsParamPlaneja->SetData(
        rpc::PacoteServ(Chama(planejamento_, rpc::metodos::GetParams(),
                              {AllTrim(medCdFilial->text()), QStringLiteral("PLA00101"),
                               qlonglong(Host().RetornaIdioma())})));
}

// Checks.

void TfrmExportarCardapio::falha(QWidget* control, const QString& text) {
    if (control->isEnabled()) {
        control->setFocus();
    }
    MensErro(text, true);
}

void TfrmExportarCardapio::Vd_Filial(bool obrigatorio) {
    if (AllTrim(medCdFilial->text()).isEmpty()) {
        if (obrigatorio) {
            falha(medCdFilial, msgPadrao.Msg(QStringLiteral("FILIAL_NINF")));
        }
        return;
    }
    const QString code = Ajusta(AllTrim(medCdFilial->text()), 4);
    if (code != medCdFilial->text()) {
        medCdFilial->setText(code);
    }
    qryFilialPesq->Close();
    qryFilialPesq->ClearParams();
    qryFilialPesq->SetParam(QStringLiteral("P_CDFILIAL"), code);
    qryFilialPesq->SetParam(QStringLiteral("P_TCDFILIAL"), QString());
    qryFilialPesq->Open();
    if (qryFilialPesq->IsEmpty()) {
        falha(medCdFilial, msgPadrao.Msg(QStringLiteral("FILIAL_NCAD")));
    }
    edtNmFilial->setText(qryFilialPesq->FieldByName(QStringLiteral("NMFILIAL")).AsString());
}

void TfrmExportarCardapio::Vd_Servico(bool obrigatorio) {
    if (AllTrim(medCdServico->text()).isEmpty()) {
        if (obrigatorio) {
            falha(medCdServico, msgPadrao.Msg(QStringLiteral("SERVICO_NINF")));
        }
        return;
    }
    Vd_Filial(true);
    const QString code = Ajusta(AllTrim(medCdServico->text()), 5);
    if (code != medCdServico->text()) {
        medCdServico->setText(code);
    }
    qryServicoPesq->Close();
    qryServicoPesq->ClearParams();
    qryServicoPesq->SetParam(QStringLiteral("P_CDFILIAL"), medCdFilial->text());
    qryServicoPesq->SetParam(QStringLiteral("P_CDSERVFILI"), code);
    qryServicoPesq->SetParam(QStringLiteral("P_TCDSERVFILI"), QString());
    qryServicoPesq->Open();
    if (qryServicoPesq->IsEmpty()) {
        edtNmServico->clear();
        falha(medCdServico, msgPadrao.Msg(QStringLiteral("SERVICO_NCAD")));
    }
    edtNmServico->setText(qryServicoPesq->FieldByName(QStringLiteral("NMSERVICO")).AsString());
}

void TfrmExportarCardapio::Vd_Periodo() {
    const QString key = VerificaPeriodo(depDataIni->Date(), depDataFin->Date(), limite_);
    if (key.isEmpty()) {
        return;
    }
    const bool fim =
        key == QLatin1String("DATAFIN_N_INF") || key == QLatin1String("DATAINI>DATAFIN");
    const QString text = key == QLatin1String("DATAINI_<_DATAPROC")
                             ? msgPadrao.Fmt(key, {dia(limite_)})
                             : msgPadrao.Msg(key);
    falha(fim ? static_cast<QWidget*>(depDataFin) : depDataIni, text);
}

void TfrmExportarCardapio::Vd_Campos() {
    Vd_Filial(true);
    Vd_Servico(true);
    Vd_Periodo();
}

// Handlers.

void TfrmExportarCardapio::medCdFilialExit() {
    Vd_Filial(false);
}

void TfrmExportarCardapio::medCdServicoExit() {
    Vd_Servico(false);
}

void TfrmExportarCardapio::grbOrigemExit() {
    Vd_Campos();
}

void TfrmExportarCardapio::btnFilialBeforePesq() {
    qryFilialPesq->Close();
    qryFilialPesq->ClearParams();
    qryFilialPesq->SetParam(QStringLiteral("P_TCDFILIAL"), QStringLiteral("T"));
    qryFilialPesq->Open();
}

void TfrmExportarCardapio::btnFilialAfterPesq() {
    medCdFilial->setText(qryFilialPesq->FieldByName(QStringLiteral("CDFILIAL")).AsString());
    edtNmFilial->setText(qryFilialPesq->FieldByName(QStringLiteral("NMFILIAL")).AsString());
}

void TfrmExportarCardapio::btnServicoBeforePesq() {
    Vd_Filial(true);
    qryServicoPesq->Close();
    qryServicoPesq->ClearParams();
    qryServicoPesq->SetParam(QStringLiteral("P_CDFILIAL"), medCdFilial->text());
    qryServicoPesq->SetParam(QStringLiteral("P_TCDSERVFILI"), QStringLiteral("T"));
    qryServicoPesq->Open();
}

void TfrmExportarCardapio::btnServicoAfterPesq() {
    medCdServico->setText(qryServicoPesq->FieldByName(QStringLiteral("CDSERVFILI")).AsString());
    edtNmServico->setText(qryServicoPesq->FieldByName(QStringLiteral("NMSERVICO")).AsString());
}

void TfrmExportarCardapio::depDataIniDateChange() {
    edtNmDataIni->setText(depDataIni->IsEmpty() ? QString() : NomeSemana(depDataIni->Date()));
}

void TfrmExportarCardapio::depDataFinDateChange() {
    edtNmDataFin->setText(depDataFin->IsEmpty() ? QString() : NomeSemana(depDataFin->Date()));
}

void TfrmExportarCardapio::DescartaServicos() {
    if (cdsServicos->Active()) {
        cdsServicos->EmptyDataSet();
    }
}

void TfrmExportarCardapio::GetServicos() {
    QVariant answer;
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("getservicos")));
        answer = Chama(planejamento_, rpc::metodos::GetServicosExport(),
                       {AllTrim(medCdFilial->text()), DataHora(depDataIni->Date()),
                        DataHora(depDataFin->Date()), Host().ModuFili, Host().Operador,
                        grupos_.value(cmbGrupo->currentIndex(), QStringLiteral("T")),
                        AllTrim(medCdServico->text())});
    }
    cdsServicos->SetData(rpc::PacoteServ(answer));
    formataServicos();
    cdsServicos->First();
}

void TfrmExportarCardapio::formataServicos() {
    cdsServicos->SetIndexFieldNames(QStringLiteral("CDSERVFILI"));
    const struct {
        const char* Field;
        const char* Label;
    } shown[] = {{"IDMARCADO", "\u2713"},
                 {"CDSERVFILI", "Código"},
                 {"NMSERVICO", "Nome"},
                 {"IDSITSERV", "Sit."}};
    for (int i = 0; i < cdsServicos->FieldCount(); ++i) {
        cdsServicos->Fields(i).SetVisible(false);
    }
    for (const auto& s : shown) {
        TMemField& f = cdsServicos->FieldByName(QLatin1String(s.Field));
        f.SetVisible(true);
        f.SetDisplayLabel(QString::fromUtf8(s.Label));
    }
    cdsServicos->Resync(); // the grid takes the columns shown
    QHeaderView* h = dbgServicos->horizontalHeader();
    h->setSectionResizeMode(QHeaderView::Interactive);
    for (int c = 0; c < dbgServicos->model()->columnCount(); ++c) {
        const QString field = campoDaColuna(c);
        if (field == QLatin1String("IDMARCADO") || field == QLatin1String("IDSITSERV")) {
            dbgServicos->setColumnWidth(c, 40);
        } else if (field == QLatin1String("CDSERVFILI")) {
            dbgServicos->setColumnWidth(c, 70);
        } else if (field == QLatin1String("NMSERVICO")) {
            h->setSectionResizeMode(c, QHeaderView::Stretch);
        }
    }
}

QString TfrmExportarCardapio::campoDaColuna(int column) const {
    return dbgServicos->DataSource()->FieldNameAt(column);
}

QString TfrmExportarCardapio::campoAtual(const char* field) const {
    return cdsServicos->FieldByName(QLatin1String(field)).AsString().trimmed();
}

void TfrmExportarCardapio::dbgServicosEnter() {
    // With the origin or the period refused, leaving them says why; nothing to fetch.
    if (AllTrim(medCdServico->text()).isEmpty() ||
        !VerificaPeriodo(depDataIni->Date(), depDataFin->Date(), limite_).isEmpty()) {
        return;
    }
    if (!cdsServicos->Active() || cdsServicos->IsEmpty()) {
        GetServicos();
    }
}

void TfrmExportarCardapio::dbgServicosCellClick(int column) {
    if (!cdsServicos->Active() || cdsServicos->IsEmpty()) {
        return;
    }
    const QString field = campoDaColuna(column);
    const QString situacao = campoAtual("IDSITSERV");
    if (field == QLatin1String("IDSITSERV") && situacao != QLatin1String("O")) {
        ExibeMensagem(situacao, campoAtual("DSMENSERRROS"));
    } else if (field == QLatin1String("IDMARCADO") && situacao != QLatin1String("E")) {
        MarcaServico(false);
    }
}

void TfrmExportarCardapio::dbgServicosDblClick() {
    if (cdsServicos->Active() && !cdsServicos->IsEmpty() &&
        campoAtual("IDSITSERV") != QLatin1String("O")) {
        ExibeMensagem(campoAtual("IDSITSERV"), campoAtual("DSMENSERRROS"));
    }
}

void TfrmExportarCardapio::dbgServicosTitleClick(int column) {
    if (campoDaColuna(column) == QLatin1String("IDMARCADO")) {
        MarcaServico(true);
    }
}

bool TfrmExportarCardapio::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgServicos && event->type() == QEvent::FocusIn) {
        RunHandler([this] { dbgServicosEnter(); });
    } else if (watched == dbgServicos && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            return true;
        }
        if (key->key() == Qt::Key_Space) {
            RunHandler([this] { MarcaServico(false); });
            return true;
        }
    }
    return TfrmRotiGeral::eventFilter(watched, event);
}

void TfrmExportarCardapio::MarcaServico(bool todos) {
    module::MarcaServico(*cdsServicos, todos);
}

void TfrmExportarCardapio::ExibeMensagem(const QString& situacao, const QString& chaves) {
    const QString text = TextoSituacao(msgPadrao, chaves);
    if (text.isEmpty()) {
        return;
    }
    const TMsgDlgType type = situacao == QLatin1String("E")   ? TMsgDlgType::Error
                             : situacao == QLatin1String("B") ? TMsgDlgType::Information
                                                              : TMsgDlgType::Warning;
    TDialogPresenter::Current().Message(text, type, mbOK);
}

// Confirmation.

void TfrmExportarCardapio::sbtConfirmaClick() {
    try {
        exporta();
    } catch (const EPlaError& e) {
        // The server refuses with a key of this screen's catalogue or with a text.
        const QString text =
            msgPadrao.Contains(e.message()) ? msgPadrao.Msg(e.message()) : e.message();
        MensErro(text, true);
    }
}

void TfrmExportarCardapio::exporta() {
    Vd_Campos();
    if (!cdsServicos->Active()) {
        GetServicos();
    }
    const TListasExportacao listas = ListasExportacao(*cdsServicos, AllTrim(medCdServico->text()));
    if (listas.Destinos.isEmpty()) {
        MensErro(msgPadrao.Msg(QStringLiteral("SERVDEST_N_INF")), true);
    }
    QVariant answer;
    {
        TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("exportando")));
        const QDate inicio = depDataIni->Date();
        answer = Chama(planejamento_, rpc::metodos::ExportarCardapio(),
                       {AllTrim(medCdFilial->text()), listas.Origens, listas.Destinos,
                        DataHora(PriDiaMes(inicio)), DataHora(inicio), DataHora(depDataFin->Date()),
                        rbtSobrepor->isChecked() ? QStringLiteral("S") : QStringLiteral("N"),
                        chbCopComens->isChecked() ? QStringLiteral("S") : QStringLiteral("N"),
                        Host().Operador, Host().ModuFili, qlonglong(listas.Quantidade)});
    }
    cdsLogIntCard->SetData(rpc::PacoteServ(answer));
    // The destinations' situations changed with what was written: read them again,
    // unmarked, so that nothing is exported twice by a second click.
    GetServicos();
    if (cdsLogIntCard->IsEmpty()) {
        TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("SUCESSO")),
                                            TMsgDlgType::Information, mbOK);
        return;
    }
    if (TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("VERLOG")),
                                            TMsgDlgType::Confirmation, mbYes | mbNo) == mrYes) {
        Host().LoadBPL(QStringLiteral("PLA06100"),
                       {FromDataPacket(cdsLogIntCard->Data()), AllTrim(medCdFilial->text()),
                        listas.Destinos, false});
    }
}

} // namespace pla::module
