#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <QList>
#include <memory>

class QBarCategoryAxis;
class QBarSet;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QToolButton;
class QValueAxis;

namespace pla::host {
class TDBGrid;
}

namespace pla::packages {

// The branch's history (PLA08800): for the service chosen, every month planned with its
// days, planned and real diners, planned and real cost and per capita, the standard
// per capita and how far each lies from it, month by month in a grid and a chart (bars
// of the planned and real per capita under the standard's dashed line). The figures are
// the month's cost rules (docs/COSTS.md). Parameter: the branch code. It only shows.
class TfrmHistFilial : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    // A month of the service chosen, as the chart draws it.
    struct TMes {
        QDate Mes;
        double Planejado = 0; // per capita; 0 without diners
        double Realizado = 0;
        double Padrao = 0; // 0 without a standard
    };

    explicit TfrmHistFilial(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmHistFilial() override;

    QLabel* lblFilial = nullptr;
    QLabel* lblAviso = nullptr;
    QComboBox* cbbServico = nullptr;
    host::TDBGrid* dbgMeses = nullptr;
    QChartView* chvHistorico = nullptr;
    QChart* chtHistorico = nullptr;
    QBarCategoryAxis* axsMeses = nullptr;
    QValueAxis* axsValores = nullptr;
    QBarSet* barPlanejado = nullptr;
    QBarSet* barRealizado = nullptr;
    QLineSeries* serPadrao = nullptr;
    QToolButton* sbtFechar = nullptr;
    TMemTable* cdsMeses = nullptr; // every service's months; the grid shows the one chosen

    // The service chosen's months, oldest first, as the chart shows them.
    const QList<TMes>& Meses() const { return meses_; }
    // The grid and the chart for the service chosen in cbbServico.
    void MostraServico();

protected:
    void FormActivate(bool first) override;

private:
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);

    QString filial_;
    QList<TMes> meses_;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
