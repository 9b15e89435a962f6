#include "diners_by_type.h"

#include "core/data_packet.h"
#include "core/data_source_model.h"
#include "host/host_messages.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::packages {

using namespace pla::host;

TfrmComensEst::TfrmComensEst(const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("PLA00124"), QStringLiteral("Comensais por Tipo de Prato"),
                    parent) {
    setObjectName(QStringLiteral("frmComensEst"));
    msgPadrao.AddLines({QStringLiteral("SEL_DIA|Selecione um dia.")});
    cdsComensEst = new TMemTable(QStringLiteral("cdsComensEst"), this);
    cdsComensEst->SetData(ToDataPacket(p.value(0)));
    tela_ = p.value(1).value<QObject*>();
    const std::pair<const char*, const char*> labels[] = {{"NMTIPOPRAT", "Tipo de Prato"},
                                                          {"DTCARDAPIO", "Dia"},
                                                          {"COMENSEST", "Comensais dos Pratos"},
                                                          {"COMENSDIA", "Comensais do Dia"},
                                                          {"DIFERENCA", "Diferença"}};
    for (int i = 0; i < cdsComensEst->FieldCount(); ++i) {
        cdsComensEst->Fields(i).SetVisible(false);
    }
    for (const auto& [name, label] : labels) {
        if (TMemField* f = cdsComensEst->FindField(QString::fromLatin1(name))) {
            f->SetVisible(true);
            f->SetDisplayLabel(QString::fromUtf8(label));
        }
    }
    for (const char* name : {"COMENSEST", "COMENSDIA", "DIFERENCA"}) {
        if (TMemField* f = cdsComensEst->FindField(QString::fromLatin1(name))) {
            f->SetDisplayFormat(QStringLiteral("#,##0.###"));
        }
    }
    if (TMemField* f = cdsComensEst->FindField(QStringLiteral("DTCARDAPIO"))) {
        f->SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    }
    auto* v = new QVBoxLayout(grbDadosRel);
    lblExplica = new QLabel(grbDadosRel);
    lblExplica->setObjectName(QStringLiteral("lblExplica"));
    lblExplica->setWordWrap(true);
    lblExplica->setText(QStringLiteral(
        "Nestes dias a soma dos comensais dos pratos de um mesmo tipo de prato é maior que o "
        "número de comensais do dia. O cardápio não pode ser gravado, nem seus custos "
        "calculados, enquanto isso não for corrigido: diminua os comensais (ou o percentual) "
        "dos pratos desse tipo, ou aumente os comensais do dia."));
    v->addWidget(lblExplica);
    dbgComensEst = new QTableView(grbDadosRel);
    dbgComensEst->setObjectName(QStringLiteral("dbgComensEst"));
    auto* model = new TDataSourceModel(cdsComensEst, dbgComensEst);
    model->SetReadOnly(true);
    dbgComensEst->setModel(model);
    dbgComensEst->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgComensEst->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgComensEst->setWordWrap(false);
    dbgComensEst->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    dbgComensEst->verticalHeader()->hide();
    v->addWidget(dbgComensEst, 1);
    if (!cdsComensEst->IsEmpty()) {
        dbgComensEst->selectRow(0);
    }
    sbtConfirma->setText(QStringLiteral("Ir para o dia"));
    sbtConfirma->setToolTip(QStringLiteral("Mostrar o dia escolhido no cardápio"));
    connect(dbgComensEst, &QTableView::doubleClicked, this,
            [this] { RunHandler([this] { sbtConfirmaClick(); }); });
    resize(640, 360);
}

void TfrmComensEst::sbtConfirmaClick() {
    const QModelIndex row = dbgComensEst->currentIndex();
    if (!row.isValid()) {
        MensErro(msgPadrao.Msg(QStringLiteral("SEL_DIA")), true);
    }
    cdsComensEst->SetRecNo(row.row() + 1);
    const QDate day = cdsComensEst->FieldByName(QStringLiteral("DTCARDAPIO")).AsDateTime().date();
    const QString type = cdsComensEst->FieldByName(QStringLiteral("CDTIPOPRAT")).AsString();
    if (tela_) {
        QMetaObject::invokeMethod(tela_, "IrParaDia", Q_ARG(QDate, day), Q_ARG(QString, type));
    }
    SetModalResult(1);
}

void TfrmComensEst::FormActivate(bool first) {
    if (first) {
        dbgComensEst->setFocus();
    }
}

} // namespace pla::packages
