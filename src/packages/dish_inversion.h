#pragma once

#include "core/reference.h"
#include "host/base_forms.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <memory>

class QLineEdit;

namespace pla::host {
class TDateEdit;
}

namespace pla::packages {

// Dish inversion (PLA00132): the dishes of the chosen day and of another day of the
// month change places, on the server at once; the caller learns through its done
// flag.
class TfrmInvPrato : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmInvPrato(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmInvPrato() override;

    QLineEdit* edtDia = nullptr;
    host::TDateEdit* depOutroDia = nullptr;
    void sbtConfirmaClick() override;

protected:
    // Where the planner types first.
    void FormActivate(bool first) override;

private:
    QString filial_;
    QString servico_;
    QDate dia_;
    QDate mes_;
    QDate primeiro_;
    TReference feito_;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
