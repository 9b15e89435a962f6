#pragma once

// What a dish feeds a diner, from its recipe: each product's net quantity per serving
// weighed in grams, times what 100 g of the product hold of each nutrient; and how a
// day's total stands against the reference the branch keeps for the service.

#include "rpc/contracts.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace pla::server {

// The grams in one unit of a product: the weight of a unit its record gives (a product
// counted by the unit), else its unit's own (KG and L 1000, G and ML 1); none when
// neither says it, and then its nutrients cannot be weighed.
std::optional<double> GramasPorUnidade(const QString& sgUnidade, const QVariant& qtGramaUnid);

// A product's share of a nutrient in one serving: the quantity per serving in the
// product's unit, weighed in grams, times what 100 g hold.
double NutrientePorPorcao(double qtPerCapita, double gramasPorUnidade, double qtNutri100);

// A day's total of a nutrient against its minimum and maximum (either may be null): a
// total on a limit is within it.
rpc::TSituacaoNutriente SituacaoNutriente(double total, const QVariant& minimo,
                                          const QVariant& maximo);

// Nutrient figures are shown with one decimal and judged as shown.
inline constexpr int CasasNutriente = 1;

} // namespace pla::server
