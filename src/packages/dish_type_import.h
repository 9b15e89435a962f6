#pragma once

#include "core/mem_table.h"
#include "core/reference.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <QSet>
#include <memory>

class QComboBox;
class QLabel;
class QTableView;

namespace pla::packages {

class TModeloTiposImportados;

// The dish types of a service's month brought from another month or service of the
// branch (PLA00121). The planner chooses where from; each position of the origin meets
// the month's position of the same order and the grid says what bringing it does (a new
// position, another dish type in a position, nothing, or a position of the month the
// origin has not, removed only if marked). Marked lines are written in one go on the
// server; a position holding dishes on days that can no longer change cannot be marked,
// and dishes go only after the planner agrees. Parameters, in order: branch, service,
// the month, and a reference (core/reference.h) to a boolean set when something was
// imported.
class TfrmImpTipoPrat : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmImpTipoPrat(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmImpTipoPrat() override;

    QLabel* lblDestino = nullptr;
    QComboBox* cbbServico = nullptr; // the origin's service
    QComboBox* cbbMes = nullptr;     // and month, of those with positions of their own
    QTableView* dbgTipos = nullptr;
    QLabel* lblAviso = nullptr;
    TMemTable* cdsOrigens = nullptr; // the branch's months with positions
    TMemTable* cdsLinhas = nullptr;  // what the import would do, by order

    // The lines marked to import, by order.
    const QSet<int>& Marcadas() const { return marcadas_; }
    // The origin's service and month as chosen.
    QString ServicoOrigem() const;
    QDate MesOrigem() const;
    // The preview of the origin chosen, with its default marks.
    void CarregaPrevia();
    // The planner marks or unmarks a line (a row of the grid, from 0).
    void MarcaLinha(int row);
    void sbtConfirmaClick() override;

protected:
    void FormActivate(bool first) override;

private:
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);
    void preencheMeses();
    QString valor(int row, const char* field) const;

    QString filial_;
    QString servico_;
    QDate mes_;
    TReference feito_;
    QSet<int> marcadas_;
    TModeloTiposImportados* modelo_ = nullptr;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
