#pragma once

#include "server/db_layer.h"

#include <QDate>
#include <QMap>
#include <QString>
#include <array>
#include <optional>

namespace pla::server {

// A service's standing estimate of diners for one day: total, clients, employees,
// donations and the first four shifts, taken from its weekday (or holiday) columns.
struct TDayEstimate {
    double Comensais = 0;
    double Clientes = 0;
    double Funcionarios = 0;
    double Doacoes = 0;
    std::array<double, 4> Turnos{};
};

// The service's weekday and holiday estimates, read once and asked per day.
class TServiceEstimates {
public:
    TServiceEstimates(TDatabase& db, const QString& cdFilial, const QString& cdServFili);
    const TDayEstimate& ForDay(const QDate& day, bool holiday) const;
    // A day the service serves at all: its weekday estimate is above zero.
    bool Serves(const QDate& day) const { return ForDay(day, false).Comensais > 0; }

private:
    std::array<TDayEstimate, 8> days_; // Sunday .. Saturday, holiday
};

// The diners columns of a day menu (CARDADIA) with their names for the planner
// ("QTFUNESTICAR", "funcionários estimados").
const QList<QPair<QString, QString>>& DayDinersColumns();
// Refuses a negative figure of a day: "Valor negativo (<value>) de <what> no cardápio
// do dia <dd/mm/yyyy>."
void CheckDiners(double value, const QString& what, const QDate& day);
// Refuses a menu day that carries a time of day: menus are whole days.
void CheckWholeDay(const QDateTime& day);

// The branch's day-menu numbers: ten digits, one counter per branch. The counter row
// is updated before it is read, so concurrent writers queue on it.
QString NextMenuNumber(TDatabase& db, const QString& cdFilial);
// The next number of a branch's counter table (CDFILIAL, NRULTIMO), ten digits, taken
// the same way; `what` names the numbers when they run out.
QString NextBranchNumber(TDatabase& db, const QString& counter, const QString& cdFilial,
                         const QString& what);

// The first day that may still be changed: the processing date plus the days the
// branch's planning parameters keep blocked.
QDate FirstChangeableDay(TDatabase& db, const QString& cdFilial);

// The assignment of a COMPCARD row's portions withdrawn (QTPORCRETI) in an UPDATE that
// may give the row another dish: kept for the same dish, cleared for another, whose they
// are not. Two placeholders: the dish branch and the dish the row takes.
QString WithdrawnOfTheSameDishSql();

// Records that a service's day departs from the central menu it follows (CARDESP), once.
// The caller decides whether the service's menu records such days.
void RecordSpecialDay(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                      const QDate& day, const QString& nrCardapio);

// The branch's holidays in a month, by date.
QHash<QDate, QString> BranchHolidays(TDatabase& db, const QString& cdFilial, const QDate& month);

// Gives the month its dish-position configuration, copied from the service's standing
// one, when it has none. False when neither exists.
bool EnsureMonthConfiguration(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                              const QDate& month);

// The cycle a service follows in a month: the one whose start is the latest on or
// before the month's last day.
struct TCycleInfo {
    QString Code;
    QString Name;
    int Days = 0;
    QDate Start;
};
std::optional<TCycleInfo> ActiveCycle(TDatabase& db, const QString& cdFilial,
                                      const QString& cdServFili, const QDate& month);

// The cycle day of each serving day of the month on or after the cycle's start. The
// cycle advances on the days the service serves (its weekday estimate above zero),
// holidays included, so that it keeps to its weekdays.
QMap<QDate, int> CycleDays(const TCycleInfo& cycle, const TServiceEstimates& estimates,
                           const QDate& month);

} // namespace pla::server
