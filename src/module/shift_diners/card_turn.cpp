#include "card_turn.h"

#include "core/data_packet.h"
#include "core/dates.h"
#include "core/format_float.h"
#include "core/table_scopes.h"
#include "host/busy_scopes.h"
#include "host/db_grid.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/number_edit.h"
#include "module/monthly_menu/model/cardapio_mensal.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::module {

using namespace pla::host;

namespace {

const QString PontoComensais = QStringLiteral("QTCOMESTICLI");

// Only the diners of a delivery point are typed, as whole numbers without a sign.
class TPontoEntregaDelegate : public QStyledItemDelegate {
public:
    TPontoEntregaDelegate(TMemTable& pontos, QObject* parent)
        : QStyledItemDelegate(parent)
        , pontos_(pontos) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        const auto* model = qobject_cast<const TDataSourceModel*>(index.model());
        const int field = model ? model->FieldIndexAt(index.column()) : -1;
        if (field < 0 || pontos_.Fields(field).FieldName() != PontoComensais) {
            return nullptr;
        }
        auto* editor = new QLineEdit(parent);
        editor->setValidator(new QIntValidator(0, 999999, editor));
        editor->setAlignment(Qt::AlignRight);
        Q_UNUSED(option);
        return editor;
    }

private:
    TMemTable& pontos_;
};

TNumberEdit* numberBox(QWidget* parent, const QString& name) {
    auto* box = new TNumberEdit(parent);
    box->setObjectName(name);
    box->SetDecimals(0);
    box->SetIntegerDigits(6);
    box->SetThousandSeparator(false);
    box->SetAllowNegative(false);
    box->setAlignment(Qt::AlignRight);
    box->setMaximumWidth(90);
    return box;
}

void infoBk(TNumberEdit* box) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, QColor(0xff, 0xff, 0xe1));
    box->setPalette(p);
}

} // namespace

TfrmCardTurn::TfrmCardTurn(TCardapioMensal& cardapio, const QDate& dia, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00103"), QStringLiteral("Dados do Cardápio"), parent)
    , cardapio_(cardapio)
    , dia_(dia) {
    setObjectName(QStringLiteral("frmCardTurn"));
    msgPadrao.AddLines({
        QStringLiteral("Tot_Tur|Total de comensais estimados deve ser igual à somatória dos "
                       "turnos (%s)."),
        QStringLiteral("CONF_OP|Confirma operação?"),
        QStringLiteral("VAL_INV|Número inválido."),
        QStringLiteral("TotComens_Zero|Total de comensais deve ser maior que zero."),
        QStringLiteral("tot_entrega|Atenção! Total de comensais estimados difere da somatória "
                       "dos comensais dos pontos de entrega (%f)."),
        QStringLiteral("Alt_Propor|Deseja alterar proporcionalmente o número de porções dos "
                       "Pratos?"),
        QStringLiteral("Turnos_Excedentes|O cardápio do dia guarda os turnos de código 1 a 4. "
                       "Estes turnos do serviço não podem ser registrados no dia: %s."),
    });
    panHelp->setText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), dia) + QStringLiteral(" - ") +
                     NomeSemana(dia));
    sbtCancela = new QToolButton(panBotoes);
    sbtCancela->setObjectName(QStringLiteral("sbtCancela"));
    sbtCancela->setText(QStringLiteral("Cancelar"));
    sbtCancela->setToolTip(QStringLiteral("Cancelar"));
    sbtComesPdr = new QToolButton(panBotoes);
    sbtComesPdr->setObjectName(QStringLiteral("sbtComesPdr"));
    sbtComesPdr->setText(QStringLiteral("Valores Padrão"));
    sbtComesPdr->setToolTip(QStringLiteral("Valores Padrão (Ctrl+D)"));
    // Beside the confirmation, before the help.
    ButtonsLayout()->insertWidget(1, sbtComesPdr);
    ButtonsLayout()->insertWidget(2, sbtCancela);
    mnuComesPdr = new QAction(QStringLiteral("Valores Padrão"), this);
    mnuComesPdr->setObjectName(QStringLiteral("mnuComesPdr"));
    mnuComesPdr->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    mnuComesPdr->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(mnuComesPdr);

    auto* data = new QGridLayout(grbDadosRel);
    grbEstimados = new QGroupBox(QStringLiteral("Comensais"), grbDadosRel);
    grbEstimados->setObjectName(QStringLiteral("grbEstimados"));
    auto* estimados = new QFormLayout(grbEstimados);
    nedCliente = numberBox(grbEstimados, QStringLiteral("nedCliente"));
    nedFuncionario = numberBox(grbEstimados, QStringLiteral("nedFuncionario"));
    nedDoacoes = numberBox(grbEstimados, QStringLiteral("nedDoacoes"));
    nedTotal = numberBox(grbEstimados, QStringLiteral("nedTotal"));
    for (TNumberEdit* box : {nedCliente, nedFuncionario, nedDoacoes}) {
        infoBk(box);
    }
    nedTotal->setEnabled(false);
    estimados->addRow(QStringLiteral("Cliente"), nedCliente);
    estimados->addRow(QStringLiteral("Funcionário"), nedFuncionario);
    estimados->addRow(QStringLiteral("Doações"), nedDoacoes);
    estimados->addRow(QStringLiteral("Total"), nedTotal);
    data->addWidget(grbEstimados, 0, 0);

    grbTurno = new QGroupBox(QStringLiteral("Turnos"), grbDadosRel);
    grbTurno->setObjectName(QStringLiteral("grbTurno"));
    auto* turnos = new QGridLayout(grbTurno);
    for (int n = 0; n < 4; ++n) {
        lblTurno[n] = new QLabel(grbTurno);
        lblTurno[n]->setObjectName(QStringLiteral("lblTurno%1").arg(n + 1));
        nedTurno[n] = numberBox(grbTurno, QStringLiteral("nedTurno%1").arg(n + 1));
        lblTurno[n]->setBuddy(nedTurno[n]);
        turnos->addWidget(lblTurno[n], n, 0);
        turnos->addWidget(nedTurno[n], n, 1);
        lblTurno[n]->hide();
        nedTurno[n]->hide();
        connect(nedTurno[n], &QLineEdit::textEdited, this,
                [this] { RunHandler([this] { nedTurno1Change(); }); });
    }
    lblTurnosNaoGuardados = new QLabel(grbTurno);
    lblTurnosNaoGuardados->setObjectName(QStringLiteral("lblTurnosNaoGuardados"));
    lblTurnosNaoGuardados->setWordWrap(true);
    lblTurnosNaoGuardados->setStyleSheet(QStringLiteral("color: #b00000;"));
    lblTurnosNaoGuardados->hide();
    turnos->addWidget(lblTurnosNaoGuardados, 4, 0, 1, 2);
    turnos->setRowStretch(5, 1);
    grbTurno->hide();
    data->addWidget(grbTurno, 0, 1);

    auto* descricao = new QFormLayout();
    edtDsCard = new QLineEdit(grbDadosRel);
    edtDsCard->setObjectName(QStringLiteral("edtDsCard"));
    edtDsCard->setMaxLength(30);
    descricao->addRow(QStringLiteral("Descrição"), edtDsCard);
    data->addLayout(descricao, 1, 0, 1, 2);

    grbCardaCli = new QGroupBox(QStringLiteral("Pontos de Entrega"), grbDadosRel);
    grbCardaCli->setObjectName(QStringLiteral("grbCardaCli"));
    auto* pontos = new QVBoxLayout(grbCardaCli);
    cdsCardaCli = new TMemTable(QStringLiteral("cdsCardaCli"), this);
    dbgCardaCli = new TDBGrid(grbCardaCli);
    dbgCardaCli->setObjectName(QStringLiteral("dbgCardaCli"));
    dbgCardaCli->setItemDelegate(new TPontoEntregaDelegate(*cdsCardaCli, dbgCardaCli));
    dbgCardaCli->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
    pontos->addWidget(dbgCardaCli);
    grbCardaCli->hide();
    data->addWidget(grbCardaCli, 2, 0, 1, 2);
    cdsCardaCli->AfterPost = [this](TMemTable&) { pontoGravado(); };

    for (TNumberEdit* box : {nedCliente, nedFuncionario, nedDoacoes}) {
        connect(box, &QLineEdit::textEdited, this,
                [this] { RunHandler([this] { nedClienteChange(); }); });
    }
    connect(sbtCancela, &QToolButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(sbtComesPdr, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtComesPdrClick(); }); });
    connect(mnuComesPdr, &QAction::triggered, this, [this] {
        if (sbtComesPdr->isEnabled()) {
            sbtComesPdr->click();
        }
    });
    connect(dbgCardaCli, &TDBGrid::gridError, this, [](const QString& text) { MensErro(text); });
}

void TfrmCardTurn::FormActivate(bool first) {
    if (!first) {
        return;
    }
    Confirmando = false;
    bool existe = false;
    {
        TFilterSuspended todos(*cardapio_.cdsCardaDia);
        existe = cardapio_.cdsCardaDia->Active() &&
                 cardapio_.cdsCardaDia->Locate(
                     QStringLiteral("CDFILIAL;CDSERVFILI;DTCARDAPIO"),
                     {cardapio_.CdFilial, cardapio_.CdServico, DataHora(dia_)});
    }
    if (existe) {
        TWaitAnimation wait(this, 1);
        existe = cardapio_.RecarregaDia(dia_);
        Host().AtualizaLocalCache({QStringLiteral("TURNOSERV")});
    }
    padroes_ =
        TPadroesDia::Le(Host().SharedConnection(), cardapio_.CdFilial, cardapio_.CdServico, dia_);
    CodTurno = {};
    int slot = 0;
    for (const TTurnoDia& t : padroes_.TurnosGuardaveis()) {
        CodTurno[slot++] = t.Codigo;
        lblTurno[t.Codigo - 1]->setText(t.Nome);
        lblTurno[t.Codigo - 1]->show();
        nedTurno[t.Codigo - 1]->show();
    }
    const QString fora = padroes_.DescreveNaoGuardaveis();
    lblTurnosNaoGuardados->setText(
        fora.isEmpty() ? QString() : msgPadrao.Fmt(QStringLiteral("Turnos_Excedentes"), {fora}));
    lblTurnosNaoGuardados->setVisible(!fora.isEmpty());
    grbTurno->setVisible(!padroes_.Turnos.isEmpty());

    TMemTable& dias = *cardapio_.cdsCardaDia;
    TFilterSuspended todos(dias);
    if (!existe || !dias.Locate(QStringLiteral("CDFILIAL;CDSERVFILI;DTCARDAPIO"),
                                {cardapio_.CdFilial, cardapio_.CdServico, DataHora(dia_)})) {
        CardaDiaExiste = false;
        GetComEstPdr();
        GetComTurnoPdr();
        sbtComesPdr->setEnabled(false);
    } else {
        CardaDiaExiste = true;
        for (int n = 1; n <= 4; ++n) {
            const auto shift = std::find_if(padroes_.Turnos.cbegin(), padroes_.Turnos.cend(),
                                            [n](const TTurnoDia& t) { return t.Codigo == n; });
            const TMemField& stored = dias.FieldByName(QStringLiteral("QTESTITURNO%1").arg(n));
            if (shift == padroes_.Turnos.cend()) {
                nedTurno[n - 1]->SetValue(0);
            } else {
                nedTurno[n - 1]->SetValue(stored.IsNull() ? shift->Padrao : stored.AsFloat());
            }
        }
        nedFuncionario->SetValue(dias.FieldByName(QStringLiteral("QTFUNESTICAR")).AsFloat());
        nedDoacoes->SetValue(dias.FieldByName(QStringLiteral("QTDOAESTICAR")).AsFloat());
        nedTotal->SetValue(dias.FieldByName(QStringLiteral("QTCOMESTICAR")).AsFloat());
        nedCliente->SetValue(nedTotal->Value() - (nedFuncionario->Value() + nedDoacoes->Value()));
        edtDsCard->setText(dias.FieldByName(QStringLiteral("DSCARDAPIO")).AsString().trimmed());
    }
    SomaTurnos = 0;
    for (TNumberEdit* box : nedTurno) {
        SomaTurnos += box->Value();
    }
    carregaPontos();
    arrumaTela();
    nedCliente->setFocus();
    nedCliente->selectAll();
}

void TfrmCardTurn::GetComEstPdr() {
    {
        THourglass busy;
        Host().AtualizaLocalCache(
            {QStringLiteral("SERVICO"), QStringLiteral("TURNOSERV"), QStringLiteral("FERICARD")});
    }
    padroes_ =
        TPadroesDia::Le(Host().SharedConnection(), cardapio_.CdFilial, cardapio_.CdServico, dia_);
    nedCliente->SetValue(padroes_.Cliente);
    nedFuncionario->SetValue(padroes_.Funcionario);
    nedDoacoes->SetValue(padroes_.Doacoes);
    nedTotal->SetValue(padroes_.Total);
}

// The shifts' own defaults make the total when the service has shifts.
void TfrmCardTurn::GetComTurnoPdr() {
    for (const TTurnoDia& t : padroes_.TurnosGuardaveis()) {
        nedTurno[t.Codigo - 1]->SetValue(t.Padrao);
    }
    if (temTurnos()) {
        nedTurno1Change();
    }
}

void TfrmCardTurn::carregaPontos() {
    cdsCardaCli->SetData(rpc::PacoteServ(
        cardapio_.chama(rpc::metodos::GetCardaCli(),
                        {cardapio_.CdFilial, cardapio_.CdServico, DataHora(dia_),
                         padroes_.Feriado ? QStringLiteral("S") : QStringLiteral("N")})));
    const std::pair<const char*, const char*> columns[] = {{"CDDESTFILI", "Código"},
                                                           {"NMDESTFILI", "Nome"},
                                                           {"NMRAZSOCCLIE", "Cliente"},
                                                           {"QTCOMESTICLI", "Comensais"}};
    for (int i = 0; i < cdsCardaCli->FieldCount(); ++i) {
        cdsCardaCli->Fields(i).SetVisible(false);
    }
    for (const auto& [name, label] : columns) {
        TMemField& f = cdsCardaCli->FieldByName(QString::fromLatin1(name));
        f.SetVisible(true);
        f.SetDisplayLabel(QString::fromUtf8(label));
    }
    cdsCardaCli->FieldByName(PontoComensais).SetDisplayFormat(QStringLiteral("#,##0"));
    if (!cdsCardaCli->HasIndex(QStringLiteral("Ordena"))) {
        cdsCardaCli->AddIndex(QStringLiteral("Ordena"), QStringLiteral("CDDESTFILI;NMRAZSOCCLIE"));
    }
    cdsCardaCli->SetIndexName(QStringLiteral("Ordena"));
    dbgCardaCli->SetDataSet(cdsCardaCli);
    // The columns in the order the planner reads them.
    QHeaderView* header = dbgCardaCli->horizontalHeader();
    for (int i = 0; i < 4; ++i) {
        for (int c = 0; c < dbgCardaCli->DataSource()->columnCount(); ++c) {
            const int field = dbgCardaCli->DataSource()->FieldIndexAt(c);
            if (cdsCardaCli->Fields(field).FieldName() == QLatin1String(columns[i].first)) {
                header->moveSection(header->visualIndex(c), i);
            }
        }
    }
    cdsCardaCli->First();
    dbgCardaCli->resizeColumnsToContents();
}

void TfrmCardTurn::arrumaTela() {
    const bool pontos = !cdsCardaCli->IsEmpty();
    grbCardaCli->setVisible(pontos);
    resize(pontos || grbTurno->isVisibleTo(this) ? QSize(535, pontos ? 420 : 260)
                                                 : QSize(340, 260));
}

void TfrmCardTurn::nedClienteChange() {
    nedTotal->SetValue(nedCliente->Value() + nedFuncionario->Value() + nedDoacoes->Value());
}

void TfrmCardTurn::nedTurno1Change() {
    double total = 0;
    for (TNumberEdit* box : nedTurno) {
        if (box->isVisibleTo(grbTurno)) {
            total += box->Value();
        }
    }
    nedTotal->SetValue(total);
    SomaTurnos = total;
    nedCliente->SetValue(std::max(0.0, total - (nedFuncionario->Value() + nedDoacoes->Value())));
}

double TfrmCardTurn::SomaPtEntrega() {
    if (!cdsCardaCli->Active()) {
        return 0;
    }
    if (cdsCardaCli->IsEditing()) {
        cdsCardaCli->Post();
    }
    return somaPontos();
}

// Read from the rows as they stand, without moving the cursor: the grid follows the
// cursor, and a point is summed while its edit is being posted.
double TfrmCardTurn::somaPontos() const {
    const TDataPacket p = cdsCardaCli->Data();
    const int at = p.FieldIndex(PontoComensais);
    double soma = 0;
    for (const TPacketRow& r : p.Rows) {
        if (r.Kind != TRowKind::Deleted && at >= 0) {
            soma += r.Values[at].toDouble();
        }
    }
    return soma;
}

// The delivery points are the day's clients: a point the planner typed makes the total
// their sum. The dialog's own writes of the points run while confirming.
void TfrmCardTurn::pontoGravado() {
    if (Confirmando) {
        return;
    }
    const double soma = somaPontos();
    nedTotal->SetValue(soma);
    nedCliente->SetValue(std::max(0.0, soma - (nedFuncionario->Value() + nedDoacoes->Value())));
}

void TfrmCardTurn::sbtComesPdrClick() {
    if (ShowMsg(msgPadrao, QStringLiteral("CONF_OP"), TMsgDlgType::Confirmation, mbYes | mbNo) !=
        mrYes) {
        return;
    }
    GetComEstPdr();
    GetComTurnoPdr();
    if (cdsCardaCli->Active()) {
        {
            TControlsDisabled quiet(*cdsCardaCli);
            Confirmando = true;
            for (cdsCardaCli->First(); !cdsCardaCli->IsEmpty();) {
                cdsCardaCli->Delete();
            }
            Confirmando = false;
        }
        if (cdsCardaCli->ChangeCount() > 0) {
            cardapio_.EnviaCardaCli(*cdsCardaCli, true);
        }
    }
    carregaPontos();
    if (cdsCardaCli->ChangeCount() > 0) {
        TFilterSuspended todos(*cardapio_.cdsCardaDia);
        const QString nr = cardapio_.getNrCardapio(cardapio_.CdFilial, cardapio_.CdServico, dia_);
        Confirmando = true;
        for (cdsCardaCli->First(); !cdsCardaCli->Eof(); cdsCardaCli->Next()) {
            cdsCardaCli->Edit();
            cdsCardaCli->FieldByName(QStringLiteral("NRCARDAPIO")).SetAsString(nr.trimmed());
            cdsCardaCli->Post();
        }
        Confirmando = false;
        cardapio_.EnviaCardaCli(*cdsCardaCli, false);
    }
    arrumaTela();
}

TComensaisDia TfrmCardTurn::valores() const {
    TComensaisDia v;
    v.Dia = dia_;
    v.Total = nedTotal->Value();
    v.Funcionario = nedFuncionario->Value();
    v.Doacoes = nedDoacoes->Value();
    v.ComTurnos = temTurnos();
    for (const TTurnoDia& t : padroes_.TurnosGuardaveis()) {
        v.Turnos[t.Codigo - 1] = nedTurno[t.Codigo - 1]->Value();
    }
    v.Descricao = edtDsCard->text();
    return v;
}

void TfrmCardTurn::sbtConfirmaClick() {
    if (temTurnos() && nedTotal->Value() != SomaTurnos) {
        MensErro(msgPadrao.Fmt(QStringLiteral("Tot_Tur"),
                               {FormatFloat(QStringLiteral("#,##0.00"), SomaTurnos)}),
                 true);
    }
    double pontos = 0;
    {
        // The sum of the points is taken without the points' own rule running.
        Confirmando = true;
        const auto reset = qScopeGuard([this] { Confirmando = false; });
        const QWidget* focus = QApplication::focusWidget();
        const bool grade = focus && (focus == dbgCardaCli || dbgCardaCli->isAncestorOf(focus));
        pontos = SomaPtEntrega();
        if (grade && grbCardaCli->isVisibleTo(this)) {
            nedTotal->SetValue(pontos);
            nedCliente->SetValue(
                std::max(0.0, pontos - (nedFuncionario->Value() + nedDoacoes->Value())));
        }
    }
    if (nedTotal->Value() == 0) {
        nedCliente->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("TotComens_Zero")), true);
    }
    const QString nr = cardapio_.GravaComensaisDia(valores(), [this] {
        return ShowMsg(msgPadrao, QStringLiteral("Alt_Propor"), TMsgDlgType::Confirmation,
                       mbYes | mbNo) == mrYes;
    });
    CardaDiaExiste = true;
    if (grbCardaCli->isVisibleTo(this)) {
        if (nedTotal->Value() != pontos) {
            const QString text =
                msgPadrao.Msg(QStringLiteral("tot_entrega"))
                    .replace(QStringLiteral("%f"), FormatFloat(QStringLiteral("0.00"), pontos));
            if (nedCliente->Value() != pontos) {
                MensErro(text, true);
            }
            TDialogPresenter::Current().Message(text, TMsgDlgType::Warning, mbOK);
        }
        if (cdsCardaCli->ChangeCount() > 0) {
            Confirmando = true;
            const auto reset = qScopeGuard([this] { Confirmando = false; });
            for (cdsCardaCli->First(); !cdsCardaCli->Eof(); cdsCardaCli->Next()) {
                cdsCardaCli->Edit();
                cdsCardaCli->FieldByName(QStringLiteral("NRCARDAPIO")).SetAsString(nr);
                cdsCardaCli->Post();
            }
            cardapio_.EnviaCardaCli(*cdsCardaCli, false);
        }
    }
    SetModalResult(mrOk);
}

void TfrmCardTurn::keyPressEvent(QKeyEvent* event) {
    if (ModalResult() != mrNone) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        sbtConfirma->click();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        sbtCancela->click();
        return;
    }
    TfrmRotiGeral::keyPressEvent(event);
}

} // namespace pla::module
