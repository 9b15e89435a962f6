#include "report_form.h"

#include "busy_scopes.h"
#include "core/dates.h"
#include "core/table_scopes.h"
#include "db_grid.h"
#include "host_context.h"
#include "host_messages.h"
#include "host_query.h"
#include "modal_runner.h"
#include "page_setup.h"
#include "report_document.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::host {

namespace {

QToolButton* toolButton(QWidget* parent, const QString& name, const QString& text,
                        const QString& icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(text);
    b->setIcon(QIcon::fromTheme(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

} // namespace

TfrmDadosGerRel::TfrmDadosGerRel(const QString& screenCode, const QString& caption,
                                 const QString& reportCode, QWidget* parent)
    : TForm(screenCode, caption, parent)
    , reportCode_(reportCode) {
    msgPadrao.AddLines({QStringLiteral("Arq_Rel_Err|O arquivo contendo a definição do relatório "
                                       "de código '%s' não foi encontrado no diretório '%s'."),
                        QStringLiteral("printing|Preparando dados para impressão do "
                                       "relatório...")});
    auto* layout = new QVBoxLayout(this);
    panMenu = new QWidget(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    auto* bar = new QHBoxLayout(panMenu);
    sbtVisualizar =
        toolButton(panMenu, QStringLiteral("sbtVisualizar"), QStringLiteral("Visualizar"),
                   QStringLiteral("document-print-preview"));
    sbtImprimir = toolButton(panMenu, QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"),
                             QStringLiteral("document-print"));
    sbtSalvar = toolButton(panMenu, QStringLiteral("sbtSalvar"), QStringLiteral("Salvar PDF"),
                           QStringLiteral("document-save-as"));
    sbtFechar = toolButton(panMenu, QStringLiteral("sbtFechar"), QStringLiteral("Fechar"),
                           QStringLiteral("window-close"));
    for (QToolButton* b : {sbtVisualizar, sbtImprimir, sbtSalvar, sbtFechar}) {
        bar->addWidget(b);
    }
    bar->addStretch(1);
    lblCodRel = new QLabel(QStringLiteral("Relatório %1").arg(reportCode_), panMenu);
    lblCodRel->setObjectName(QStringLiteral("lblCodRel"));
    bar->addWidget(lblCodRel);
    bar->addWidget(lblCodTela = new QLabel(screenCode, panMenu));
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    layout->addWidget(panMenu);
    dbgPadrao = new TDBGrid(this);
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    dbgPadrao->SetReadOnly(true);
    layout->addWidget(dbgPadrao, 1);
    dtsPadrao = new THostQuery(QStringLiteral("dtsPadrao"), this);
    svdSaveReport = new QFileDialog(this, QStringLiteral("Salvar relatório"));
    svdSaveReport->setObjectName(QStringLiteral("svdSaveReport"));
    svdSaveReport->setAcceptMode(QFileDialog::AcceptSave);
    svdSaveReport->setNameFilter(QStringLiteral("PDF (*.pdf)"));
    svdSaveReport->setDefaultSuffix(QStringLiteral("pdf"));
    svdSaveReport->setOption(QFileDialog::DontUseNativeDialog);

    connect(sbtVisualizar, &QToolButton::clicked, this,
            [this] { RunHandler([this] { Preview(); }); });
    connect(sbtImprimir, &QToolButton::clicked, this, [this] { RunHandler([this] { Print(); }); });
    connect(sbtSalvar, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtSalvarClick(); }); });
    connect(sbtFechar, &QToolButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

TfrmDadosGerRel::~TfrmDadosGerRel() = default;

void TfrmDadosGerRel::FormActivate(bool first) {
    if (first) {
        PrepareData();
    }
}

void TfrmDadosGerRel::PrepareData() {
    if (!definition_) {
        QString searched;
        definition_ = TReportDefinition::Find(reportCode_, Host().ReportFolders, searched);
        if (!definition_) {
            MensErro(msgPadrao.Fmt(QStringLiteral("Arq_Rel_Err"), {reportCode_, searched}), true);
        }
    }
    TWaitAnimation wait(this, 1, msgPadrao.Msg(QStringLiteral("printing")));
    // Until the rows are in again, nothing stale is printed: a failed preparation is
    // tried again by the next print.
    prepared_ = false;
    dtsPadrao->Close();
    dtsPadrao->ClearFields();
    for (const TFieldDef& f : definition_->Fields) {
        dtsPadrao->AddField(f.Name, f.Type, f.Size);
    }
    params_.clear();
    if (definition_->HasQuery()) {
        openQuery();
    } else {
        dtsPadrao->CreateDataSet();
        {
            const TControlsDisabled still(*dtsPadrao);
            FillRows(*dtsPadrao);
            dtsPadrao->CheckBrowseMode();
            // The screen's rows are the report, not changes to save.
            dtsPadrao->MergeChangeLog();
        }
        dtsPadrao->First();
    }
    for (const TReportColumn& c : definition_->Columns) {
        if (TMemField* f = dtsPadrao->FindField(c.Field)) {
            f->SetDisplayLabel(c.Title);
            f->SetDisplayFormat(c.Format);
        }
    }
    for (int i = 0; i < dtsPadrao->FieldCount(); ++i) {
        TMemField& f = dtsPadrao->Fields(i);
        bool shown = false;
        for (const TReportColumn& c : definition_->Columns) {
            shown = shown || c.Field.compare(f.FieldName(), Qt::CaseInsensitive) == 0;
        }
        f.SetVisible(shown);
    }
    dbgPadrao->SetDataSet(dtsPadrao);
    prepared_ = true;
}

void TfrmDadosGerRel::openQuery() {
    for (const QString& name : definition_->ParamNames()) {
        params_.insert(name, QVariant());
    }
    rpddPadraoBeforeGetQueryParams(params_);
    dtsPadrao->SetConnection(Host().SharedConnection());
    dtsPadrao->SetSql(definition_->Sql, definition_->SqlPostgres);
    dtsPadrao->ClearParams();
    for (auto it = params_.cbegin(); it != params_.cend(); ++it) {
        dtsPadrao->SetParam(it.key(), it.value());
    }
    dtsPadrao->Open();
}

void TfrmDadosGerRel::AddAboveGrid(QWidget* panel) {
    auto* box = qobject_cast<QVBoxLayout*>(layout());
    box->insertWidget(box->indexOf(dbgPadrao), panel);
}

void TfrmDadosGerRel::setUpPage(QPagedPaintDevice& device) {
    device.setPageLayout(PaginaImpressao());
}

void TfrmDadosGerRel::paint(QPagedPaintDevice& device) {
    PaintReport(device);
}

int TfrmDadosGerRel::PaintReport(QPagedPaintDevice& device) {
    const TReportDocument document(*definition_, *dtsPadrao, Agora());
    return document.Paint(device);
}

void TfrmDadosGerRel::Preview() {
    if (!prepared_) {
        PrepareData();
    }
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(printer);
    printer.setDocName(definition_->Title);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("dlgPreview"));
    preview.setWindowTitle(windowTitle());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { paint(*p); });
    // Saving is a step of the preview, next to printing.
    if (auto* tools = preview.findChild<QToolBar*>()) {
        QAction* save = tools->addAction(QIcon::fromTheme(QStringLiteral("document-save-as")),
                                         QStringLiteral("Salvar PDF"));
        save->setObjectName(QStringLiteral("actSalvarPdf"));
        connect(save, &QAction::triggered, this,
                [this] { RunHandler([this] { sbtSalvarClick(); }); });
    }
    preview.resize(900, 1000);
    TModalRunner::Run(preview);
}

void TfrmDadosGerRel::Print() {
    if (!prepared_) {
        PrepareData();
    }
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(printer);
    printer.setDocName(definition_->Title);
    QPrintDialog dialog(&printer, this);
    if (TModalRunner::Run(dialog) == QDialog::Accepted) {
        THourglass busy;
        paint(printer);
    }
}

void TfrmDadosGerRel::sbtSalvarClick() {
    if (!prepared_) {
        PrepareData();
    }
    svdSaveReport->selectFile(reportCode_ + QStringLiteral(".pdf"));
    if (TModalRunner::Run(*svdSaveReport) != QDialog::Accepted ||
        svdSaveReport->selectedFiles().isEmpty()) {
        return;
    }
    SavePdf(svdSaveReport->selectedFiles().first());
}

void TfrmDadosGerRel::SavePdf(const QString& fileName) {
    if (!prepared_) {
        PrepareData();
    }
    THourglass busy;
    QPdfWriter writer(fileName);
    setUpPage(writer);
    writer.setTitle(definition_->Title);
    writer.setCreator(QStringLiteral("pla"));
    paint(writer);
}

int TfrmDadosGerRel::PageCount() {
    if (!prepared_) {
        PrepareData();
    }
    QPdfWriter writer(QStringLiteral("/dev/null"));
    setUpPage(writer);
    return PaintReport(writer);
}

} // namespace pla::host
