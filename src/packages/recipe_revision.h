#pragma once

#include "cost_analysis.h"

class QCheckBox;

namespace pla::packages {

// The cost analysis with recipe revision (PLA00122): the month's cost analysis and, on
// its first page, the month's dishes whose recipe wants revising: a recipe not revised,
// or a cost per serving that changed since the comparison date (the month's date for
// the recalculation of costs, else the costs' reference date, else the month's first
// day) with nobody revising the recipe since. The planner marks the recipes revised
// (the server checks the permission and records who and when); the dishes are read
// again. Parameters, in order: the cost branch (empty: the branch's own), then the
// first seven of PLA00106 (branch, service, cost types, day, reference date, fixed
// reference). Modal.
class TfrmRevisaoReceita : public TfrmAnaliseCusto {
    Q_OBJECT

public:
    explicit TfrmRevisaoReceita(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmRevisaoReceita() override;

    TMemTable* cdsRevisao = nullptr; // the month's dishes; IDMARCADO "S" marked
    QLabel* lblComparacao = nullptr;
    QCheckBox* chbPendentes = nullptr; // only the dishes to revise (IDPENDENTE)
    host::TDBGrid* dbgRevisao = nullptr;
    QToolButton* sbtMarcarTodos = nullptr;
    QToolButton* sbtRevisar = nullptr;

    QDate Comparacao() const { return comparacao_; }
    int Revisadas() const { return revisadas_; } // recipes marked revised while open
    // The marked dishes, as "branch of record + code".
    QStringList Marcados();
    // The mark of a row of the grid flipped.
    void Marca(int viewRow);
    void sbtMarcarTodosClick(); // every dish shown marked, or unmarked when all are
    void sbtRevisarClick();

protected:
    QString relatorioExtra() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void montaRevisao();
    void carregaRevisao();
    void filtra();

    QDate comparacao_;
    QString origemComparacao_;
    int revisadas_ = 0;
};

} // namespace pla::packages
