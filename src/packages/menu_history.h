#pragma once

#include "core/mem_table.h"
#include "core/reference.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDateTime>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace pla::host {
class TDateEdit;
}

namespace pla::packages {

// The history of a service's menu adjustments (PLA00127): every change made to a
// position of its menus (who, when, which dish gave way to which, on which day, by
// which operation), as the server records it, newest first; filtered by dish (the
// monthly screen's cell's, to begin with), by the period of the change and by operator.
// The planner may hand a dish of a change back: the one before or the one after, as the
// current column says. Parameters, in order: branch, service, the cell's dish code and
// its branch, the cost reference date, then references for the dish code, its branch,
// its name and the chosen flag.
class TfrmHistCard : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmHistCard(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmHistCard() override;

    QLineEdit* edtServico = nullptr;
    QLineEdit* edtPrato = nullptr; // a dish code; empty: every dish
    QLabel* lblPrato = nullptr;    // the name of the dish filtered
    host::TDateEdit* depInicio = nullptr;
    host::TDateEdit* depFim = nullptr;
    QComboBox* cbbOperador = nullptr; // "Todos", then the operators; the code as data
    QTableView* dbgHistorico = nullptr;
    QLabel* lblLimite = nullptr;
    TMemTable* cdsHistorico = nullptr;

    // The changes again, under the filters as they stand.
    void Carrega();
    // The dish of the current change handed back: the one before when the current
    // column is one of the state before the change, else the one after (the other side
    // when that one is empty); a change without a dish on either side is refused.
    void sbtConfirmaClick() override;

protected:
    void FormActivate(bool first) override;
    QSize sizeHint() const override { return {1000, 560}; }

private:
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);
    QString nomePrato(const QString& codigo, const QString& filial);
    void carregaOperadores(const TDataPacket& operadores);

    QString filial_;
    QString servico_;
    QString prato_;       // the cell's dish
    QString filialPrato_; // and its branch
    QDateTime referencia_;
    TReference cdPrato_, cdFilAux_, nmPrato_, escolhido_;
    bool carregando_ = false;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
