#include "atu_comens_dieta.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/mem_table.h"
#include "core/table_scopes.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/exit_handler.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/host_query.h"
#include "host/lookup_dialog.h"
#include "host/mask_edit.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::module {

using namespace pla::host;

TfrmAtuComensDieta::TfrmAtuComensDieta(QWidget* parent)
    : TfrmPadrImportExport(QStringLiteral("PLA00140"),
                           QStringLiteral("Atualizar Comensais com Base nas Dietas"), parent) {
    setObjectName(QStringLiteral("frmAtuComensDieta"));
    msgPadrao.AddLines({
        QStringLiteral("CARD_BLOQ|Não foi possível atualizar o número de comensais estimados, "
                       "pois o dia está bloqueado para alterações."),
        QStringLiteral("DT_VAZIA|Data do cardápio deve ser informada."),
        QStringLiteral("DIETA|Dieta"),
        QStringLiteral("DIA_SEM_CARD|O dia selecionado não possui cardápio. Operação bloqueada."),
        QStringLiteral("excl_cardapio|Não há dieta prescrita para o serviço %s. Deseja excluir o "
                       "cardápio?"),
        QStringLiteral("SUCESSO|Atualização realizada com sucesso."),
        QStringLiteral("EXCL_SUCESSO|Cardápio do dia excluído com sucesso."),
        QStringLiteral("Confirma|Confirma"),
    });
    sbtImportExport->setToolTip(QStringLiteral("Atualizar Comensais com Base nas Dietas"));
    sbtImportExport->setText(QStringLiteral("Atualizar"));

    auto* v = new QVBoxLayout(grbDadosRel);
    panFilial = new QWidget(grbDadosRel);
    panFilial->setObjectName(QStringLiteral("panFilial"));
    auto* form = new QFormLayout(panFilial);
    form->setContentsMargins(0, 0, 0, 0);
    auto* filial = new QHBoxLayout();
    medCdFilial = new TMaskEdit(QString(), panFilial);
    medCdFilial->setObjectName(QStringLiteral("medCdFilial"));
    medCdFilial->setMaximumWidth(60);
    medCdFilial->setEnabled(false);
    btnPesqFilial = new QToolButton(panFilial);
    btnPesqFilial->setObjectName(QStringLiteral("btnPesqFilial"));
    btnPesqFilial->setText(QStringLiteral("..."));
    btnPesqFilial->setEnabled(false);
    edtNmFilial = new QLineEdit(panFilial);
    edtNmFilial->setObjectName(QStringLiteral("edtNmFilial"));
    edtNmFilial->setEnabled(false);
    filial->addWidget(medCdFilial);
    filial->addWidget(btnPesqFilial);
    filial->addWidget(edtNmFilial, 1);
    form->addRow(QStringLiteral("Filial"), filial);
    auto* data = new QHBoxLayout();
    depData = new TDateEdit(panFilial);
    depData->setObjectName(QStringLiteral("depData"));
    edtDiaSemana = new QLineEdit(panFilial);
    edtDiaSemana->setObjectName(QStringLiteral("edtDiaSemana"));
    edtDiaSemana->setEnabled(false);
    data->addWidget(depData);
    data->addWidget(edtDiaSemana, 1);
    form->addRow(QStringLiteral("Data"), data);
    v->addWidget(panFilial);

    auto* grbDieta = new QGroupBox(QStringLiteral("Dieta"), grbDadosRel);
    grbDieta->setObjectName(QStringLiteral("grbDieta"));
    auto* dieta = new QHBoxLayout(grbDieta);
    rbtTDieta = new QRadioButton(QStringLiteral("Todas"), grbDieta);
    rbtTDieta->setObjectName(QStringLiteral("rbtTDieta"));
    rbtTDieta->setChecked(true);
    rbtLDieta = new QRadioButton(QStringLiteral("Lista"), grbDieta);
    rbtLDieta->setObjectName(QStringLiteral("rbtLDieta"));
    btnPesqDieta = new QToolButton(grbDieta);
    btnPesqDieta->setObjectName(QStringLiteral("btnPesqDieta"));
    btnPesqDieta->setText(QStringLiteral("..."));
    btnPesqDieta->setToolTip(QStringLiteral("Escolher as dietas (F9)"));
    btnPesqDieta->setEnabled(false);
    dieta->addWidget(rbtTDieta);
    dieta->addWidget(rbtLDieta);
    dieta->addWidget(btnPesqDieta);
    dieta->addStretch(1);
    v->addWidget(grbDieta);
    v->addStretch(1);

    cdsDietaPrescrita = new TMemTable(QStringLiteral("cdsDietaPrescrita"), this);
    qryDieta = new THostQuery(QStringLiteral("qryDieta"), this);
    qryDieta->SetSql(QStringLiteral(
        "SELECT D.CDDIETPAD, D.DSDIETPAD FROM DIETPADR D JOIN DIETSERV S ON S.CDDIETPAD = "
        "D.CDDIETPAD WHERE S.CDFILIAL = :P_CDFILIAL AND S.CDSERVFILI = :P_CDSERVFILI AND "
        "D.IDFORMDIET NOT IN ('1', '2') AND (CAST(:P_CDDIETPAD AS VARCHAR(4)) IS NULL OR "
        "D.CDDIETPAD = CAST(:P_CDDIETPAD AS VARCHAR(4))) ORDER BY D.CDDIETPAD"));
    qryDieta->AddField(QStringLiteral("CDDIETPAD"), TFieldType::String, 4, true)
        .SetDisplayLabel(QStringLiteral("Código"));
    qryDieta->AddField(QStringLiteral("DSDIETPAD"), TFieldType::String, 50)
        .SetDisplayLabel(QStringLiteral("Nome"));

    new TExitHandler(depData, [this] { depDataExit(); });
    connect(rbtTDieta, &QRadioButton::clicked, this,
            [this] { RunHandler([this] { rbtTDietaClick(); }); });
    connect(rbtLDieta, &QRadioButton::clicked, this,
            [this] { RunHandler([this] { rbtLDietaClick(); }); });
    connect(btnPesqDieta, &QToolButton::clicked, this,
            [this] { RunHandler([this] { btnPesqDietaClick(); }); });
    rbtLDieta->installEventFilter(this);
    resize(480, 240);
}

void TfrmAtuComensDieta::SetCardapio(TCardapioMensal& cardapio) {
    cardapio_ = &cardapio;
}

void TfrmAtuComensDieta::FormCreate() {
    if (cardapio_) {
        medCdFilial->setText(cardapio_->CdFilial);
        edtNmFilial->setText(cardapio_->NmFilial);
    }
}

void TfrmAtuComensDieta::FormActivate(bool first) {
    Q_UNUSED(first);
    dietas_ = QStringLiteral("T");
    depData->SetDate(dtDataCardapio.date());
    edtDiaSemana->setText(NomeSemana(depData->Date()));
}

void TfrmAtuComensDieta::FormClose(TCloseAction& action) {
    boIdCriado = false;
    action = TCloseAction::Hide;
}

bool TfrmAtuComensDieta::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rbtLDieta && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F9) {
        btnPesqDieta->click();
        return true;
    }
    return TfrmPadrImportExport::eventFilter(watched, event);
}

void TfrmAtuComensDieta::depDataExit() {
    edtDiaSemana->setText(NomeSemana(depData->Date()));
}

void TfrmAtuComensDieta::rbtTDietaClick() {
    btnPesqDieta->setEnabled(false);
    dietas_ = QStringLiteral("T");
}

void TfrmAtuComensDieta::rbtLDietaClick() {
    btnPesqDieta->setEnabled(true);
    dietas_.clear();
}

void TfrmAtuComensDieta::btnPesqDietaClick() {
    qryDieta->SetConnection(Host().SharedConnection());
    qryDieta->Close();
    qryDieta->SetParam(QStringLiteral("P_CDDIETPAD"), QVariant());
    qryDieta->SetParam(QStringLiteral("P_CDFILIAL"), medCdFilial->text());
    qryDieta->SetParam(QStringLiteral("P_CDSERVFILI"), stCdServico);
    qryDieta->Open();
    QString chosen;
    if (PesquisaLista(*qryDieta, msgPadrao.Msg(QStringLiteral("DIETA")),
                      QStringLiteral("CDDIETPAD"), QString(), chosen)) {
        dietas_ = chosen;
    }
}

// A write answers nothing, or why it was refused.
void TfrmAtuComensDieta::verificaGravacao(const QVariant& answer) {
    if (answer.typeId() == QMetaType::QString && !answer.toString().isEmpty()) {
        MensErro(answer.toString(), true);
    }
}

void TfrmAtuComensDieta::vdExisteCardapio() {
    if (!cardapio_) {
        MensErro(msgPadrao.Msg(QStringLiteral("DIA_SEM_CARD")), true);
    }
    TFilterSuspended todos(*cardapio_->cdsCardaDia);
    stNrCardapio = cardapio_->getNrCardapio(medCdFilial->text(), stCdServico, depData->Date());
    if (stNrCardapio.trimmed().isEmpty()) {
        MensErro(msgPadrao.Msg(QStringLiteral("DIA_SEM_CARD")), true);
    }
}

void TfrmAtuComensDieta::vdDtVazia() {
    if (depData->IsEmpty()) {
        depData->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("DT_VAZIA")), true);
    }
}

void TfrmAtuComensDieta::vdDiaBloqueado() {
    if (cardapio_->CardBlock(QString::number(depData->Date().day()))) {
        depData->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("CARD_BLOQ")), true);
    }
}

// The diners of the prescribed diets, whole; 0 when there are none (the planner was
// offered the day's deletion).
qint64 TfrmAtuComensDieta::vdDietaPrescrita() {
    const QDateTime data = DataHora(depData->Date());
    cdsDietaPrescrita->SetData(rpc::PacoteServ(cardapio_->chama(
        rpc::metodos::getDietaPrescrita(), {medCdFilial->text(), stCdServico, data, dietas_})));
    const qint64 comensais =
        cdsDietaPrescrita->IsEmpty()
            ? 0
            : qint64(cdsDietaPrescrita->FieldByName(QStringLiteral("QTCOMENSDIETA")).AsFloat());
    if (comensais != 0) {
        return comensais;
    }
    if (TDialogPresenter::Current().Message(
            msgPadrao.Fmt(QStringLiteral("excl_cardapio"), {stNmServico}),
            TMsgDlgType::Confirmation, mbYes | mbNo) == mrYes) {
        verificaGravacao(cardapio_->chama(rpc::metodos::setDeletaCardapio(),
                                          {medCdFilial->text(), stNrCardapio, stCdServico, data}));
        ShowMsg(msgPadrao, QStringLiteral("EXCL_SUCESSO"), TMsgDlgType::Information, mbOK);
    }
    return 0;
}

void TfrmAtuComensDieta::sbtImportExportClick() {
    vdExisteCardapio();
    vdDtVazia();
    vdDiaBloqueado();
    const qint64 comensais = vdDietaPrescrita();
    if (comensais == 0) {
        return;
    }
    verificaGravacao(cardapio_->chama(
        rpc::metodos::setAtuComensDiet(),
        {medCdFilial->text(), stNrCardapio, comensais, stCdServico, DataHora(depData->Date())}));
    ShowMsg(msgPadrao, QStringLiteral("SUCESSO"), TMsgDlgType::Information, mbOK);
}

} // namespace pla::module
