#pragma once

#include "core/mem_table.h"
#include "core/reference.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <memory>

class QComboBox;
class QLineEdit;
class QTableView;

namespace pla {
class TDataSourceModel;
}

namespace pla::host {
class TDateEdit;
}

namespace pla::packages {

class TTiposImportModel;

// Importing a day's menu (PLA00109): the dishes of the chosen dish types of another
// day of the branch (any service, any month) replace those of the monthly screen's
// day, on the server at once; the caller learns through its done flag and reloads
// the month.
class TfrmImpCardDia : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmImpCardDia(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmImpCardDia() override;

    QLineEdit* edtDestino = nullptr;
    QComboBox* cbbServico = nullptr;
    host::TDateEdit* depMes = nullptr;
    QTableView* dbgDias = nullptr;
    QTableView* dbgPratos = nullptr;
    TMemTable* cdsServicos = nullptr;
    TMemTable* cdsDias = nullptr;
    TMemTable* cdsPratos = nullptr;

    // The days of the chosen service and month that have dishes; none chosen yet.
    void CarregaDias();
    // The dishes of the day chosen in the list.
    void CarregaPratos();
    void sbtConfirmaClick() override;

protected:
    void FormActivate(bool first) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString servicoOrigem() const;
    QString nomeServico(const QString& servico);
    QDate diaOrigem(); // invalid when no day is chosen
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);

    QString filial_;
    QString servico_;
    QDate dia_;
    QDate mes_;
    int montagem_ = 0;
    QString tipoOperador_; // M head office, F branch
    TReference feito_;
    TTiposImportModel* pratos_ = nullptr;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
