#pragma once

#include "core/data_packet.h"
#include "host/report_form.h"

#include <QStringList>

class QComboBox;
class QLabel;

namespace pla {
class TMemRow;
}

namespace pla::packages {

// The log of a menu export (PLA06100): the observations the server answered when a
// service's menu of a period went to other services of the branch, by destination,
// day (a line without a day concerns the whole destination, and comes first) and
// dish, each line with the name of its kind (rpc::TLinhaLogExportacao). The rows come
// from the answer, not from a query: the report definition declares the fields and
// this screen fills them, the kind's name included (NMSITUACAO). Two filters,
// destination and situation, narrow the grid and so what is printed or saved.
// Parameters, in order: the log packet (FromDataPacket), the branch, the destinations
// as exported ("00002_00003_") and whether to open the print preview at once (false
// from the export screen: the planner reads the grid first).
class TfrmLogExpCard : public host::TfrmDadosGerRel {
    Q_OBJECT

public:
    explicit TfrmLogExpCard(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmLogExpCard() override;

    QWidget* panFiltros = nullptr;
    QComboBox* cbxDestino = nullptr;  // "Todos", then "code - name"; the code as data
    QComboBox* cbxSituacao = nullptr; // "Todas", then the kinds' names; the kind as data
    QLabel* lblDestinos = nullptr;

    const QString& CdFilial() const { return filial_; }
    const QStringList& Destinos() const { return destinos_; }
    bool VisualizaAoAbrir() const { return visualiza_; }

protected:
    void FormActivate(bool first) override;
    void FillRows(TMemTable& rows) override;

private:
    void leParametros(const QVariantList& params);
    void criaFiltros();
    void filtroAlterado();
    bool mostra(const TMemRow& row) const;

    TDataPacket log_;
    QString filial_;
    QStringList destinos_;
    bool visualiza_ = false;
    QString destino_;  // the destination shown; empty: every one
    QString situacao_; // the kind shown; empty: every one
};

} // namespace pla::packages
