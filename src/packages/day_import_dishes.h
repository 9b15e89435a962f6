#pragma once

#include "core/data_packet.h"
#include "core/mem_table.h"

#include <QIdentityProxyModel>

namespace pla {
class TDataSourceModel;
}

namespace pla::packages {

// The source day's dishes as the import lists them: grouped by dish type in the order
// each type first comes, the type's name and its check on the type's first row
// (ticked when a dish of the type finds a position in the target month), the quantity
// in the month's montage (0: diners, the share of the source day's diners, whole; 1:
// the percentage) and a word on the dishes that find no position.
void DefineCamposPratos(TMemTable& table, int montagem);
// Loads the table (its fields defined above) from GetCardDiaOrigem's packet.
void PreenchePratos(TMemTable& table, const TDataPacket& origem, int montagem);
// The dish types ticked, as the server takes them ("01;03"); empty when none.
QString TiposEscolhidos(const TMemTable& table);

// The dishes' grid model: the check of each dish type on its first row, ticked and
// cleared by TTiposImportModel::Alterna (a click or the space bar on it).
class TTiposImportModel : public QIdentityProxyModel {
    Q_OBJECT

public:
    TTiposImportModel(TMemTable* table, QObject* parent = nullptr);

    int ColunaImportar() const;
    bool LinhaDeTipo(int row) const;
    void Alterna(const QModelIndex& index);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    TMemTable* table_ = nullptr;
    TDataSourceModel* source_ = nullptr;
};

} // namespace pla::packages
