#pragma once

#include "base_forms.h"
#include "report_definition.h"

#include <QMap>
#include <QVariant>
#include <optional>

class QFileDialog;
class QPagedPaintDevice;
class QPrinter;

namespace pla::host {

class TDBGrid;
class THostQuery;

// The report form: finds the report definition of its report code (lblCodRel) in
// the report folders, runs its query with the parameters the screen supplies
// (rpddPadraoBeforeGetQueryParams), shows the rows, and previews, prints or saves
// the report as PDF (svdSaveReport).
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

    // Loads the definition and runs the query; a missing definition is reported
    // with Arq_Rel_Err and ends the handler.
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
    void sbtSalvarClick();

private:
    void paint(QPagedPaintDevice& device);
    static void setUpPage(QPagedPaintDevice& device);

    QString reportCode_;
    std::optional<TReportDefinition> definition_;
    QMap<QString, QVariant> params_;
    bool prepared_ = false;
};

} // namespace pla::host
