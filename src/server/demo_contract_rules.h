#pragma once

#include "server/db_layer.h"

#include <QDate>

namespace pla::server {

// The demonstration's fried dishes (breaded or deep-fried, by their names in the
// catalogue) and the contract restrictions of the restaurant's lunch (0001, 00001):
// at most two fried dishes a week, fruit on at least fifteen days of the month, the
// same main course no closer than seven days, and a per capita at most 10 % above the
// standard of today's month. Runs inside the demonstration's transaction, after its
// menus and standards.
void SeedDemoContractRules(TDatabase& db, const QDate& today);

} // namespace pla::server
