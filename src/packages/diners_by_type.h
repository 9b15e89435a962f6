#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"

#include <QPointer>

class QLabel;
class QTableView;

namespace pla::packages {

// Diners by dish type (PLA00124): the days on which the dishes of one dish type feed
// more diners than the day has, why the menu cannot be saved so, and a way to the
// day in the monthly grid.
class TfrmComensEst : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmComensEst(const QVariantList& params, QWidget* parent = nullptr);

    QLabel* lblExplica = nullptr;
    QTableView* dbgComensEst = nullptr;
    TMemTable* cdsComensEst = nullptr;

    // Closes and shows the chosen day in the monthly grid that opened this screen.
    void sbtConfirmaClick() override;

protected:
    // Where the planner types first.
    void FormActivate(bool first) override;

private:
    QPointer<QObject> tela_;
};

} // namespace pla::packages
