#pragma once

#include "host/base_forms.h"
#include "rpc/net_connection.h"

#include <QDateTime>
#include <memory>

namespace pla::host {
class TDateEdit;
}

namespace pla::packages {

// Deleting the menu of a period (PLA00118): the days of the month from a first to a
// last day, none before the first day that may still be changed, with their dishes
// and clients, deleted on the server at once.
class TfrmDelCardPeriodo : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmDelCardPeriodo(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmDelCardPeriodo() override;

    host::TDateEdit* depInicio = nullptr;
    host::TDateEdit* depFim = nullptr;
    QDate PrimeiroDia() const { return primeiro_; } // the first day that may be changed
    int DiasExcluidos() const { return excluidos_; }
    void sbtConfirmaClick() override;

protected:
    // Where the planner types first.
    void FormActivate(bool first) override;

private:
    QString filial_;
    QString servico_;
    QDate mes_;
    QDate primeiro_;
    int excluidos_ = 0;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
