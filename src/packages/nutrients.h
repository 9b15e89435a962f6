#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"
#include "rpc/contracts.h"
#include "rpc/net_connection.h"

#include <QDate>
#include <memory>

class QComboBox;
class QLabel;
class QToolButton;

namespace pla::host {
class TDBGrid;
}

namespace pla::packages {

// The nutrients of a menu's day (PLA00105): what one serving of the cell's dish holds,
// what a diner takes over the day (each dish by its share of the day's diners), the
// service's reference for the meal with what is over or under it marked, and the day's
// dishes nutrient by nutrient. Parameters, in order: branch, service, the nutrient by its
// code (CDNUTRIENTE, four characters; "XXXX" for every nutrient), the cell's date, the
// cell's dish code and its name without the origin mark (both empty for an empty cell).
// It only shows: nothing is written.
class TfrmNutriCard : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    explicit TfrmNutriCard(const QVariantList& params, QWidget* parent = nullptr);
    ~TfrmNutriCard() override;

    QLabel* lblDia = nullptr;
    QLabel* lblPrato = nullptr;
    QLabel* lblReferencia = nullptr;
    QLabel* lblSemComposicao = nullptr; // the cell dish's products without composition
    QComboBox* cbbNutriente = nullptr;  // every nutrient, or one
    host::TDBGrid* dbgNutrientes = nullptr;
    host::TDBGrid* dbgPratosDia = nullptr;
    QToolButton* sbtFechar = nullptr;
    TMemTable* cdsNutrientes = nullptr; // one row a nutrient
    TMemTable* cdsPratosDia = nullptr;  // one row a dish of the day, a column a nutrient

    // The nutrient chosen: its code, or rpc::TodosNutrientes.
    QString Escolha() const;
    // The day asked of the server again for the nutrient chosen.
    void Carrega();
    // How the planner reads a situation (IDSITNUTRI).
    static QString TextoSituacao(const QString& situacao);

protected:
    void FormActivate(bool first) override;

private:
    QVariant chama(const rpc::TMethodSpec& spec, const QVariantList& args);
    void montaPratos(const TDataPacket& packet);

    QString filial_;
    QString servico_;
    QDate dia_;
    QString prato_;
    QString nomePrato_;
    std::unique_ptr<rpc::TNetConnection> net_;
    rpc::TConnectionCounter counter_;
};

} // namespace pla::packages
