#pragma once

namespace pla::packages {

// The screens of this package by their codes, offered to the host's LoadBPL while
// the package is loaded: dish selection (PLA00115), period deletion (PLA00118),
// diners by dish type (PLA00124), dish inversion (PLA00132), the month's dish positions
// (PLA00119) and the reference dates of the month's costs (PLA00120) and of their
// recalculation (PLA00126) run modally; the
// cost charts (PLA00108 per capita, PLA00110 accumulated cost) stay open beside the
// monthly screen; the contract restrictions (PLA00113) run modally, or without a window
// when only their verdict is asked for; a day's nutrients (PLA00105), the dish types
// brought into a month (PLA00121) and the branch's history (PLA08800) run modally.
void RegisterScreens();
void UnregisterScreens();

} // namespace pla::packages
