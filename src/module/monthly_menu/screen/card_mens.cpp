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
#include "host/service_groups.h"
#include "module/frame/module_state.h"
#include "module/monthly_menu/grid/menu_cell_delegate.h"
#include "module/monthly_menu/grid/menu_grid_model.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::module {

using namespace pla::host;

namespace {

// The service under elaboration stands out in the list, also when the list is
// filtered: olive background, white text.
class TServicoDelegate : public QStyledItemDelegate {
public:
    TServicoDelegate(const TCardapioMensal& cardapio, QObject* parent)
        : QStyledItemDelegate(parent)
        , cardapio_(cardapio) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString row = index.sibling(index.row(), 0).data().toString();
        const QString& servico = cardapio_.CdServico;
        if (!servico.isEmpty() && row.section(QLatin1Char(' '), 0, 0) == servico) {
            option->backgroundBrush = QColor(128, 128, 0);
            option->palette.setColor(QPalette::Text, Qt::white);
            option->palette.setColor(QPalette::HighlightedText, Qt::white);
        }
    }

private:
    const TCardapioMensal& cardapio_;
};

} // namespace

TfrmCardMens::TfrmCardMens(QWidget* parent)
    : TfrmPadraoSimples(QStringLiteral("PLA00101"), QStringLiteral("Elaboração do Cardápio"),
                        parent) {
    setObjectName(QStringLiteral("frmCardMens"));
    msgPadrao.AddLines(CatalogoCardapio());

    cardapio_ = new TCardapioMensal(this);
    cardapio_->SetProvedorCelula([this] { return celulaDaGrade(); });
    // The model's news, each through the screen's error handling.
    connect(cardapio_, &TCardapioMensal::gradeAlterada, this, [this] { desCardapio->Refresh(); });
    connect(cardapio_, &TCardapioMensal::comandosAlterados, this,
            [this] { RunHandler([this] { HabilitaComandos(); }); });
    connect(cardapio_, &TCardapioMensal::irParaDia, this,
            [this](const QDate& dia, const QString& tipo) { IrParaDia(dia, tipo); });
    qryGrupServ = new THostQuery(QStringLiteral("qryGrupServ"), this);
    qryGrupServ->SetSql(
        QStringLiteral("SELECT CDGRUPSERV, NMGRUPSERV FROM GRUPSERV ORDER BY NMGRUPSERV"));

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
    buildCostPanel(right);
    rightLayout->addWidget(panCusto);
    rightLayout->addWidget(panAvisoRecalc);
    split->setStretchFactor(1, 1);
    buildCommands();
    buildPrintCommands();
    buildColourAnalysis();
    degCardapio->installEventFilter(this);
    // The commands follow the current cell, whatever moved it.
    connect(degCardapio->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { RunHandler([this] { degCardapioKeyUp(); }); });
    connect(degCardapio, &QTableView::clicked, this,
            [this] { RunHandler([this] { degCardapioClick(); }); });
    connect(degCardapio, &QTableView::doubleClicked, this,
            [this] { RunHandler([this] { degCardapioDblClick(); }); });
    resize(1100, 640);
    RegistraCardapioMensal(this);
}

TfrmCardMens::~TfrmCardMens() {
    // The children outlive this part of the screen: none may call back into it.
    degCardapio->removeEventFilter(this);
    desCardapio->SetDrawHandler({});
    cardapio_->SetProvedorCelula({});
    RemoveCardapioMensal(this);
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
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
    dbgServico->setItemDelegate(new TServicoDelegate(*cardapio_, dbgServico));
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
            [this] { RunHandler([this] { sbtCopiarCardClick(); }); });
    parent->setMinimumWidth(260);
}

void TfrmCardMens::Iniciar(const TEscolhaPlanejamento& escolha) {
    const bool first = !cardapio_->cdsServicos->Active();
    cardapio_->Iniciar(escolha);
    if (first) {
        GetGruposServicos();
        dbgServico->SetDataSet(cardapio_->cdsServicos);
    }
    const QString servico = AllTrim(escolha.CdServico);
    if (!servico.isEmpty()) {
        cardapio_->cdsServicos->Locate(QStringLiteral("CDSERVFILI"), Ajusta(servico, 5));
        SelecionaServicoParaElaboracao(Ajusta(servico, 5), true);
    } else {
        panServico->show();
    }
}

void TfrmCardMens::GetGruposServicos() {
    qryGrupServ->SetConnection(Host().SharedConnection());
    ListaGrupos = PreencheGruposServico(*cmbGrupo, *qryGrupServ);
}

void TfrmCardMens::FiltraServicos() {
    TMemTable& servicos = *cardapio_->cdsServicos;
    TControlsDisabled quiet(servicos);
    servicos.SetFiltered(false);
    const QString code = ListaGrupos.value(cmbGrupo->currentIndex(), QStringLiteral("T"));
    if (code != QLatin1String("T")) {
        servicos.SetFilter([code](const TMemRow& row) {
            return row.AsString(QStringLiteral("CDGRUPSERV")) == code;
        });
        servicos.SetFiltered(true);
    }
}

void TfrmCardMens::SelecionaServicoParaElaboracao(const QString& cdServico, bool validado) {
    if (!cardapio_->SelecionaServico(cdServico, validado)) {
        return;
    }
    AtualizaTela();
    cardapio_->CarregaDietas();
    HabilitaBotoesParaAlteracao();
    dbgServico->viewport()->update();
}

void TfrmCardMens::dbgServicoDblClick() {
    if (cardapio_->cdsServicos->IsEmpty()) {
        return;
    }
    SelecionaServicoParaElaboracao(
        cardapio_->cdsServicos->FieldByName(QStringLiteral("CDSERVFILI")).AsString(), false);
}

// Commands.

void TfrmCardMens::HabilitaBotoesParaAlteracao() {
    if (!cardapio_->CdServico.isEmpty()) {
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
    return cardapio_->VerificaCardapioEmAlteracao();
}

bool TfrmCardMens::FechaPeloPlanejamento() {
    cardapio_->FechadoPeloPlanejamento = true;
    if (!close()) {
        cardapio_->FechadoPeloPlanejamento = false;
        return false;
    }
    return true;
}

void TfrmCardMens::Mostra() {
    Host().ShowChild(this);
    THostContext::SetWindowState(this, Qt::WindowNoState);
}

void TfrmCardMens::FormClose(TCloseAction& action) {
    if (cardapio_->Custo().CalculandoCusto) {
        action = TCloseAction::None;
        return;
    }
    try {
        cardapio_->Fechando = true;
        timFlashPan->stop();
        cardapio_->Custo().Desconecta();
        for (TMemTable* t : cardapio_->findChildren<TMemTable*>()) {
            if (t->IsEditing()) {
                t->Cancel();
            }
        }
        action = TCloseAction::Free;
        if (!cardapio_->FechadoPeloPlanejamento) {
            if (IPlanejamento* planning = cardapio_->Planejamento()) {
                planning->Mostra();
            }
        }
    } catch (const EPlaError& e) {
        ShowDetailError(msgPadrao.Msg(QStringLiteral("close_error")), e.message());
        throw;
    }
}

} // namespace pla::module
