#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"
#include "host/month_cost.h"

#include <QDate>

class QFileDialog;
class QLabel;
class QPagedPaintDevice;
class QSplitter;
class QTabWidget;
class QTextDocument;

namespace pla::host {
class TDBGrid;
class TNumberEdit;
} // namespace pla::host

namespace pla::packages {

// A service's month taken apart for its cost analysis: the month's costs as the
// monthly screen's panel computes them (host::TCustoDoMes, the same figures), kept by
// dish on the server (the work area's dishes), and the tables a controller reads them
// in: each day against the standard, each dish type, the dishes that weigh most, and
// one day's dishes with their recipe cost per serving. Every figure comes from the
// work area; nothing here prices a dish again.
class TAnaliseCusto : public QObject {
    Q_OBJECT

public:
    TAnaliseCusto(const host::TParametrosCusto& parametros, const QDate& dia,
                  QObject* parent = nullptr);
    ~TAnaliseCusto() override;

    host::TCustoDoMes* Custo = nullptr;
    TMemTable* cdsPratosTrab = nullptr; // every dish of every day, as the server kept it
    TMemTable* cdsDias = nullptr;       // one row a calendar day
    TMemTable* cdsTipos = nullptr;      // one row a dish type, in the grid's order
    TMemTable* cdsPratos = nullptr;     // one row a dish, the costliest first
    TMemTable* cdsPratosDia = nullptr;  // the dishes of the day shown (MostraDia)

    const host::TParametrosCusto& Parametros() const { return parametros_; }
    QDate Dia() const { return dia_; } // the day the planner was on
    QDate Mes() const { return parametros_.DtMesCard.date(); }
    // The month's figures as the panel shows them on the month's last day.
    const host::TPainelCusto& Totais() const { return totais_; }
    // The diners the month's per capita divide by (the panel's basis).
    double ComensaisMes() const { return comensais_; }
    QDate DiaMostrado() const { return diaMostrado_; }

    // The month's costs calculated, with its dishes, and every table built.
    void Calcula();
    // The dishes read again from the work area (their recipes' flags may have
    // changed) and the tables built again.
    void RecarregaPratos();
    // The dishes of a day in cdsPratosDia, each with its share of the day.
    void MostraDia(const QDate& dia);
    // The work area released; the connection closed.
    void Libera();

private:
    void criaTabelas();
    void montaDias();
    void montaTipos();
    void montaPratos();

    host::TParametrosCusto parametros_;
    QDate dia_;
    QDate diaMostrado_;
    host::TPainelCusto totais_;
    double comensais_ = 0;
};

// The cost analysis of a service's month (PLA00106): the month's cost against its
// standard, then by day (with the day's dishes below the day chosen), by dish type and
// the dishes that weigh most; printed or saved as PDF on the host's page. Parameters, in
// order: branch, service, planned cost type, real cost type, the day the planner was on
// (the month is its month), the reference date of the costs (null when none), whether
// the reference is fixed, the cost branch (empty: the branch's own). Modal.
class TfrmAnaliseCusto : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmAnaliseCusto(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmAnaliseCusto() override;

    TAnaliseCusto* Analise = nullptr;
    QLabel* lblCabecalho = nullptr;
    QLabel* lblReferencia = nullptr;
    host::TNumberEdit *nedMatPriMes = nullptr, *nedConsMes = nullptr, *nedCustIndTotMes = nullptr,
                      *nedTotalMes = nullptr, *nedPadrMens = nullptr, *nedSaldoMes = nullptr,
                      *nedEstimados = nullptr, *nedPuMedioTeor = nullptr, *nedPadrPerc = nullptr,
                      *nedTotalRAcum = nullptr;
    QTabWidget* pgcAnalise = nullptr;
    host::TDBGrid* dbgDias = nullptr;
    QLabel* lblPratosDia = nullptr;
    host::TDBGrid* dbgPratosDia = nullptr;
    host::TDBGrid* dbgTipos = nullptr;
    host::TDBGrid* dbgPratos = nullptr;
    QToolButton* sbtVisualizar = nullptr;
    QToolButton* sbtSalvarPdf = nullptr;
    QToolButton* sbtFechar = nullptr;
    QFileDialog* svdSalvarPdf = nullptr;

    // The printout: the month, the days, the dish types and the dishes that weigh most.
    QString Relatorio() const;
    void Imprime(QPagedPaintDevice& device) const;
    void SalvaPdf(const QString& fileName) const;
    void sbtVisualizarClick();
    void sbtSalvarPdfClick();

protected:
    // For the analysis with recipe revision: the cost branch comes first.
    TfrmAnaliseCusto(const QString& screenCode, const QString& caption,
                     const std::pair<host::TParametrosCusto, QDate>& parametros, QWidget* parent);
    void FormActivate(bool first) override;
    // What the printout adds after the dishes that weigh most (HTML).
    virtual QString relatorioExtra() const { return {}; }
    // The figures shown again after the tables changed.
    void mostraTotais();
    QString titulo() const { return titulo_; }

private:
    void monta();
    QWidget* criaTotais(QWidget* parent);
    void diaEscolhido();

    QString titulo_;
    QString cabecalho_; // branch, service and month, as the screen's first line
};

// The parameters of PLA00106 in their order (see TfrmAnaliseCusto): the month's cost
// settings and the day the planner was on.
std::pair<host::TParametrosCusto, QDate> ParametrosAnalise(const QVariantList& params);

} // namespace pla::packages
