#pragma once

#include "server/db_layer.h"

#include <QDate>
#include <QList>
#include <QPair>

namespace pla::server {

struct TDemoOperator {
    QString Code;
    QString Name;
    QString Role;
    QString Password; // shown once by the command that seeds
};

struct TDemoResult {
    QList<TDemoOperator> Operators;
    int Branches = 0;
    int Services = 0;
    int Days = 0;
    int Dishes = 0; // dishes placed in days
};

// Fills an empty database with a realistic, deterministic demonstration of
// Brazilian institutional food service: branches of the three menu types, services
// with weekday estimates and shifts, a transported service with clients and
// delivery points, dish types and about 300 dishes, month configurations, national
// holidays, operators of every kind and a supervisor, and menus for the month
// before, the month of and the month after `today`, with effective diners on the
// days already served. `scale` multiplies branches and months. All in one
// transaction; a database that already has branches is refused.
TDemoResult SeedDemo(TDatabase& db, const QDate& today, int scale = 1, int passwordIterations = 0);

// The national holidays of Brazil in a year (Carnival, Good Friday and Corpus
// Christi from Easter).
QList<QPair<QDate, QString>> NationalHolidays(int year);

} // namespace pla::server
