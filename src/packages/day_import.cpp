#include "day_import.h"

#include "day_import_dishes.h"

#include "core/data_source_model.h"
#include "core/dates.h"
#include "host/busy_scopes.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/server_call.h"
#include "rpc/contracts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

QString diaTexto(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

QTableView* lista(const char* name, QWidget* parent) {
    auto* v = new QTableView(parent);
    v->setObjectName(QString::fromLatin1(name));
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setWordWrap(false);
    v->verticalHeader()->hide();
    v->verticalHeader()->setDefaultSectionSize(20);
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    v->horizontalHeader()->setStretchLastSection(true);
    return v;
}

QWidget* comTitulo(const QString& title, QWidget* list, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(new QLabel(title, box));
    list->setParent(box);
    v->addWidget(list, 1);
    return box;
}

} // namespace

TfrmImpCardDia::TfrmImpCardDia(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00109"), QStringLiteral("Importar Cardápio do Dia"),
                    parent) {
    setObjectName(QStringLiteral("frmImpCardDia"));
    msgPadrao.AddLines(
        {QStringLiteral("DIA_OBRIG|Escolha o dia de origem."),
         QStringLiteral("TIPO_OBRIG|Escolha ao menos um tipo de prato."),
         QStringLiteral("CONF_IMP|Os pratos dos tipos escolhidos do dia %s serão substituídos "
                        "pelos do dia %s (%s). Confirma?"),
         QStringLiteral("IMP_OK|Importação concluída com êxito."),
         QStringLiteral("IMP_ADV|Importação concluída, com advertências.")});
    if (p.size() < 6) {
        throw EPlaError(
            QStringLiteral("Parâmetros incompletos para a importação do cardápio do dia."));
    }
    filial_ = p[0].toString().trimmed();
    servico_ = p[1].toString().trimmed();
    dia_ = p[2].toDateTime().date();
    mes_ = PriDiaMes(p[3].toDateTime().date());
    montagem_ = p[4].toInt();
    feito_ = TReference::Of(p[5]);
    feito_.Set(false);
    tipoOperador_ = p[6].toString().left(1);
    net_ = Host().NewConnection(QStringLiteral("netImpCardDia"),
                                QStringLiteral("Pla00109.rdmImpCardDia"));

    cdsServicos = new TMemTable(QStringLiteral("cdsServicos"), this);
    cdsDias = new TMemTable(QStringLiteral("cdsDias"), this);
    const auto day = [this](const char* name, TFieldType type, int size, const char* label) {
        cdsDias->AddField(QString::fromLatin1(name), type, size)
            .SetDisplayLabel(QString::fromUtf8(label));
    };
    day("DTCARDAPIO", TFieldType::DateTime, 0, "Dia");
    day("DSSEMANA", TFieldType::String, 15, "Dia da semana");
    day("QTCOMESTICAR", TFieldType::Float, 0, "Comensais");
    day("QTPRATOS", TFieldType::Integer, 0, "Pratos");
    cdsDias->FieldByName(QStringLiteral("DTCARDAPIO"))
        .SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    cdsDias->FieldByName(QStringLiteral("QTCOMESTICAR"))
        .SetDisplayFormat(QStringLiteral("#,##0.###"));
    cdsDias->CreateDataSet();
    cdsPratos = new TMemTable(QStringLiteral("cdsPratos"), this);
    DefineCamposPratos(*cdsPratos, montagem_);
    cdsPratos->CreateDataSet();

    auto* v = new QVBoxLayout(grbDadosRel);
    auto* form = new QFormLayout;
    edtDestino = new QLineEdit(grbDadosRel);
    edtDestino->setObjectName(QStringLiteral("edtDestino"));
    edtDestino->setReadOnly(true);
    form->addRow(QStringLiteral("Destino"), edtDestino);
    cbbServico = new QComboBox(grbDadosRel);
    cbbServico->setObjectName(QStringLiteral("cbbServico"));
    form->addRow(QStringLiteral("Serviço de origem"), cbbServico);
    depMes = new TDateEdit(grbDadosRel);
    depMes->setObjectName(QStringLiteral("depMes"));
    depMes->SetMonthOnly(true);
    form->addRow(QStringLiteral("Mês de origem"), depMes);
    v->addLayout(form);
    auto* lists = new QHBoxLayout;
    dbgDias = lista("dbgDias", grbDadosRel);
    auto* dias = new TDataSourceModel(cdsDias, dbgDias);
    dias->SetReadOnly(true);
    dbgDias->setModel(dias);
    // The days take the width their columns need; the dishes the rest.
    dbgDias->horizontalHeader()->setStretchLastSection(false);
    dbgDias->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    dbgDias->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lists->addWidget(comTitulo(QStringLiteral("Dias com pratos"), dbgDias, grbDadosRel));
    dbgPratos = lista("dbgPratos", grbDadosRel);
    pratos_ = new TTiposImportModel(cdsPratos, dbgPratos);
    dbgPratos->setModel(pratos_);
    dbgPratos->installEventFilter(this);
    lists->addWidget(comTitulo(QStringLiteral("Pratos do dia (marque os tipos a importar)"),
                               dbgPratos, grbDadosRel),
                     1);
    v->addLayout(lists, 1);
    sbtConfirma->setToolTip(QStringLiteral("Importar"));

    cdsServicos->SetData(rpc::PacoteServ(chama(rpc::metodos::GetServicosImp(), {filial_})));
    for (cdsServicos->First(); !cdsServicos->Eof(); cdsServicos->Next()) {
        const QString code = cdsServicos->FieldByName(QStringLiteral("CDSERVFILI")).AsString();
        cbbServico->addItem(
            code + QStringLiteral(" - ") +
                cdsServicos->FieldByName(QStringLiteral("NMSERVICO")).AsString().trimmed(),
            code.trimmed());
    }
    cbbServico->setCurrentIndex(std::max(0, cbbServico->findData(servico_)));
    edtDestino->setText(QStringLiteral("%1 - %2: %3")
                            .arg(servico_, nomeServico(servico_),
                                 FormatDateTime(QStringLiteral("dd/mm/yyyy, dddd"), dia_)));
    depMes->SetDate(mes_);
    CarregaDias();
    connect(cbbServico, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { CarregaDias(); }); });
    connect(depMes, &QDateEdit::dateChanged, this,
            [this] { RunHandler([this] { CarregaDias(); }); });
    connect(dbgDias->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { RunHandler([this] { CarregaPratos(); }); });
    connect(dbgPratos, &QTableView::clicked, this, [this](const QModelIndex& index) {
        RunHandler([this, index] { pratos_->Alterna(index); });
    });
    resize(900, 540);
}

TfrmImpCardDia::~TfrmImpCardDia() = default;

QVariant TfrmImpCardDia::chama(const rpc::TMethodSpec& spec, const QVariantList& args) {
    return ChamaServidor(*net_, counter_, spec, args);
}

QString TfrmImpCardDia::servicoOrigem() const {
    return cbbServico->currentData().toString();
}

QString TfrmImpCardDia::nomeServico(const QString& servico) {
    return cdsServicos->Lookup(QStringLiteral("CDSERVFILI"), {servico}, QStringLiteral("NMSERVICO"))
        .toString()
        .trimmed();
}

QDate TfrmImpCardDia::diaOrigem() {
    const QModelIndexList rows = dbgDias->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows[0].row() >= cdsDias->RecordCount()) {
        return {};
    }
    cdsDias->SetRecNo(rows[0].row() + 1);
    return cdsDias->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date();
}

// The target day itself is no source: it is left out of its own service's days.
void TfrmImpCardDia::CarregaDias() {
    cdsPratos->EmptyDataSet();
    const QString servico = servicoOrigem();
    const QDate mes = depMes->Date();
    TDataPacket dias;
    dias.Fields = cdsDias->DataFieldDefs();
    if (!servico.isEmpty() && mes.isValid()) {
        const TDataPacket p = rpc::PacoteServ(
            chama(rpc::metodos::GetDiasOrigem(), {filial_, servico, DataHora(PriDiaMes(mes))}));
        const int date = p.FieldIndex(QStringLiteral("DTCARDAPIO")),
                  diners = p.FieldIndex(QStringLiteral("QTCOMESTICAR")),
                  dishes = p.FieldIndex(QStringLiteral("QTPRATOS"));
        for (const TPacketRow& r : p.Rows) {
            const QDate d = r.Values.value(date).toDateTime().date();
            if (servico == servico_ && d == dia_) {
                continue;
            }
            TPacketRow row;
            row.Values = {DataHora(d), NomeSemana(d), r.Values.value(diners),
                          r.Values.value(dishes)};
            dias.Rows.append(row);
        }
    }
    cdsDias->SetData(dias);
    dbgDias->clearSelection();
}

void TfrmImpCardDia::CarregaPratos() {
    const QDate dia = diaOrigem();
    if (!dia.isValid()) {
        cdsPratos->EmptyDataSet();
        return;
    }
    PreenchePratos(
        *cdsPratos,
        rpc::PacoteServ(chama(rpc::metodos::GetCardDiaOrigem(),
                              {filial_, servicoOrigem(), DataHora(dia), servico_, DataHora(dia_)})),
        montagem_);
}

void TfrmImpCardDia::sbtConfirmaClick() {
    const QDate origem = diaOrigem();
    if (!origem.isValid()) {
        dbgDias->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("DIA_OBRIG")), true);
    }
    const QString tipos = TiposEscolhidos(*cdsPratos);
    if (tipos.isEmpty()) {
        dbgPratos->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("TIPO_OBRIG")), true);
    }
    const QString servico = servicoOrigem();
    if (TDialogPresenter::Current().Message(
            msgPadrao.Fmt(QStringLiteral("CONF_IMP"),
                          {diaTexto(dia_), diaTexto(origem), nomeServico(servico)}),
            TMsgDlgType::Confirmation, mbYes | mbNo) != mrYes) {
        return;
    }
    const QVariantList answer =
        rpc::CheckResultServ(
            chama(rpc::metodos::ImportaCardDia(), {filial_, servico, DataHora(origem), servico_,
                                                   DataHora(dia_), tipos, tipoOperador_}))
            .toList();
    feito_.Set(true);
    const QString naoImportados = answer.value(int(rpc::TElemImpCardDia::NaoImportados)).toString();
    if (!naoImportados.isEmpty()) {
        ShowDetailError(msgPadrao.Msg(QStringLiteral("IMP_ADV")), naoImportados);
    } else {
        TDialogPresenter::Current().Message(msgPadrao.Msg(QStringLiteral("IMP_OK")),
                                            TMsgDlgType::Information, mbOK);
    }
    SetModalResult(1);
}

void TfrmImpCardDia::FormActivate(bool first) {
    if (first) {
        dbgDias->setFocus();
    }
}

// The space bar ticks the dish type of the current row, as a click on its check does.
bool TfrmImpCardDia::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgPratos && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        RunHandler([this] { pratos_->Alterna(dbgPratos->currentIndex()); });
        return true;
    }
    return TfrmRotiGeral::eventFilter(watched, event);
}

} // namespace pla::packages
