#pragma once

#include "base_forms.h"
#include "report_definition.h"

#include <QMap>
#include <QVariant>
#include <optional>

class QFileDialog;
class QPagedPaintDevice;
class QPrinter;

namespace pla {
class TMemTable;
}

namespace pla::host {

class TDBGrid;
class THostQuery;

// The report form: finds the report definition of its report code (lblCodRel) in
// the report folders, runs its query with the parameters the screen supplies
// (rpddPadraoBeforeGetQueryParams) or, for a definition without a query, takes the
// rows from the screen (FillRows), shows them, and previews, prints or saves the
// report as PDF (svdSaveReport). What is printed is what the grid shows: the rows of
// dtsPadrao as its index and filter walk them.
class TfrmDadosGerRel : public TForm {
    Q_OBJECT

public:
    TfrmDadosGerRel(const QString& screenCode, const QString& caption, const QString& reportCode,
                    QWidget* parent = nullptr);
    ~TfrmDadosGerRel() override;

    QWidget* panMenu = nullptr;
    QLabel* lblCodRel = nullptr;
    QToolButton *sbtVisualizar = nullptr, *sbtImprimir = nullptr, *sbtSalvar = nullptr,
                *sbtFechar = nullptr;
    TDBGrid* dbgPadrao = nullptr;
    THostQuery* dtsPadrao = nullptr; // the report's rows once prepared
    QFileDialog* svdSaveReport = nullptr;

    const QString& ReportCode() const { return reportCode_; }
    bool Prepared() const { return prepared_; }
    // The parameter values the last preparation ran the query with.
    const QMap<QString, QVariant>& QueryParams() const { return params_; }

    // Loads the definition and runs the query (or has the screen fill the rows); a
    // missing definition is reported with Arq_Rel_Err and ends the handler.
    void PrepareData();
    void Preview(); // print preview, from which the report prints or is saved
    void Print();
    void SavePdf(const QString& fileName);
    int PageCount(); // of the report on the printouts' page, as printed

protected:
    void FormActivate(bool first) override;
    // The screen sets the values of the parameters it knows; others stay null.
    virtual void rpddPadraoBeforeGetQueryParams(QMap<QString, QVariant>& params) {
        Q_UNUSED(params);
    }
    // A definition without a query: the screen appends the report's rows to the
    // table, open and empty with the declared fields. The labels, formats and
    // visibility of the columns are set afterwards, as for a query.
    virtual void FillRows(TMemTable& rows) { Q_UNUSED(rows); }
    // Lays the report out on the device's pages; the page count. The definition's columns
    // a line per row (TReportDocument), unless the screen lays its report out itself.
    virtual int PaintReport(QPagedPaintDevice& device);
    // A screen's own controls (filters) between the buttons and the grid.
    void AddAboveGrid(QWidget* panel);
    void sbtSalvarClick();

private:
    void openQuery();
    void paint(QPagedPaintDevice& device);
    static void setUpPage(QPagedPaintDevice& device);

    QString reportCode_;
    std::optional<TReportDefinition> definition_;
    QMap<QString, QVariant> params_;
    bool prepared_ = false;
};

} // namespace pla::host
