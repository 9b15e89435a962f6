#pragma once

#include "core/mem_table.h"
#include "core/reference.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDateTime>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace pla::host {
class TDateEdit;
}

namespace pla::packages {

// The dish ranking (PLA00102): a service's dishes by how often they were on its menu in
// a period (the twelve months before the monthly screen's day, to begin with), with the
// portions the kitchen withdrew against those planned on the days it recorded them
// (acceptance), the cost per serving at the reference date when costs are shown, and
// the last day served; only a reference dish and its equivalents when one is given. The
// columns sort by a click on their header. The planner may hand a dish back, unless the
// day is blocked: then the ranking is only looked at.
// Parameters, in order: branch, service, planned cost type, cost reference date, the day
// is blocked, references for the dish code, its name, its branch, a fourth text (it
// comes with the cell's day and dish type, "yyyy-mm-dd;TT"; nothing is written to it)
// and the chosen flag, two empty texts, the cost branch, the reference dish code,
// whether costs are shown, and whether they follow the menu's day.
class TfrmRankPrato : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmRankPrato(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmRankPrato() override;

    QLineEdit* edtServico = nullptr;
    host::TDateEdit* depInicio = nullptr;
    host::TDateEdit* depFim = nullptr;
    QComboBox* cbbTipoPrato = nullptr; // "Todos", then the types ranked; the code as data
    QLabel* lblReferencia = nullptr;   // the reference dish, when one restricts the ranking
    QLabel* lblBloqueado = nullptr;
    QTableView* dbgRanking = nullptr;
    TMemTable* cdsRanking = nullptr;

    // The ranking again for the period.
    void Carrega();
    // Sorts by a column's field; the same field again turns the order round. Counts,
    // portions, acceptance and the last day begin with the largest.
    void Ordena(const QString& field);
    QString Ordem() const { return ordem_; }
    bool Decrescente() const { return decrescente_; }
    void sbtConfirmaClick() override;

protected:
    void FormActivate(bool first) override;
    QSize sizeHint() const override { return {1000, 560}; }

private:
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);
    void filtraTipo();
    void aplicaOrdem();

    QString filial_;
    QString servico_;
    int tipoCusto_ = 0;
    QDateTime referencia_;
    bool bloqueado_ = false;
    QDate dia_;          // the monthly screen's day
    QString tipoCelula_; // and its dish type
    QString filialCusto_;
    QString pratoReferencia_;
    bool exibeCusto_ = false;
    bool refeCardapio_ = false;
    TReference cdPrato_, nmPrato_, cdFilAux_, escolhido_;
    QString ordem_;
    bool decrescente_ = false;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
