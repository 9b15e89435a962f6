#pragma once

// The demonstration's deliberate departures from tidy data, in one place: each gives
// a check of the planning screens or of the server something to find, and tests
// look for them. Numbering counts from 1 in catalogue order (demo/*.json).
namespace pla::server::demo {

// Every 31st product is inactive...
inline constexpr int InactiveProductEvery = 31;
// ...and this dish's recipe keeps the first of them, for the check that refuses a
// dish with an inactive product. No other recipe names an inactive product.
inline constexpr int DishWithInactiveProduct = 41;

// Every 23rd dish is retired (inactive) and every 17th lacks a revised recipe: menus
// and the school cycle leave both out, the dish searches and checks report them.
inline constexpr int RetiredDishEvery = 23;
inline constexpr int UnrevisedRecipeEvery = 17;

// The first day whose menu may change is this many days past the branch's
// processing date (the day before today); the days before it are blocked.
inline constexpr int BlockedDays = 2;

// The hospital takes the central kitchen's dish of the day and type ("R") except
// where (day of month + position) is a multiple of this: there it puts its own ("S").
inline constexpr int OwnDishEvery = 4;

// The log of the cycle update that built the current month names the first dish
// without revised recipe on every fifth school day (the 1st, 6th, 11th...), besides
// the weekday holidays, which have no estimate and no menu.
inline constexpr int UnrevisedLogEvery = 5;

// The school network's cycle of menus, which its services follow. The log of its
// update (above) is the branch's first, number 1.
inline constexpr char SchoolCycle[] = "CIC01";

// On the hospital's first day from today: a special day (CARDESP) and the dish of
// this position (NRSEQPRATCAR) excluded (PRATEXCL).
inline constexpr int ExcludedPosition = 4;

// The closing cost check. NUTRI1's restaurant blocks the close of a month whose planned
// per capita lies further from the standard than its tolerance (percent, above and
// below), and its months keep inside it: their standards lie 3 % above what the menus
// cost. The central kitchen does the same with a narrower tolerance, and the month
// after today's costs more than its standard allows: its standard is this share of the
// planned per capita, so that closing that month is refused. The others have no
// tolerance.
inline constexpr char BranchWithinTolerance[] = "0001";
inline constexpr double ToleranceWithinTolerance = 15;
inline constexpr char BranchOutOfTolerance[] = "0002";
inline constexpr char ServiceOutOfTolerance[] = "00001";
inline constexpr double ToleranceOutOfTolerance = 5;
inline constexpr double OutOfToleranceStandard = 0.85;

// The school network spreads no indirect cost over its diners (branches.json gives it
// none); the other branches have one every month.
inline constexpr char BranchWithoutIndirectCost[] = "0004";

// Operators with a particular role (demo/operators.json holds their permissions).
inline constexpr char RestrictedPlanner[] = "NUTRI2"; // may not remove dishes nor periods
inline constexpr char ReadOnlyOperator[] = "CONSULTA";
inline constexpr char GroupOperator[] = "GRUPO1";       // the school group's only operator
inline constexpr char OutOfGroupOperator[] = "ESCOLA1"; // a school's, outside the group
inline constexpr char Supervisor[] = "SUPERV";
// The kinds of operation the supervisor may authorise (AUTORIZSUPERV).
inline constexpr int CostReferenceDateChange = 7;
inline constexpr int SupervisorAuthorisations[] = {CostReferenceDateChange, 12};

} // namespace pla::server::demo
