#pragma once

#include "host/report_form.h"

namespace pla::module {

// The log of a menu update from a cycle (PLA00131): the report of the restrictions the
// server met, for the branch and log number it is given; it opens its preview at once
// when the log has lines.
class TfrmLogIntCard : public host::TfrmDadosGerRel {
    Q_OBJECT

public:
    explicit TfrmLogIntCard(QWidget* parent = nullptr);

    QString CdFilial;
    QString NrLogCardCiclo;

protected:
    void FormActivate(bool first) override;
    void rpddPadraoBeforeGetQueryParams(QMap<QString, QVariant>& params) override;

private:
    bool primeiraAtivacao_ = true;
};

} // namespace pla::module
