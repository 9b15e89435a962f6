#pragma once

namespace pla::packages {

// The screens of this package by their codes, offered to the host's LoadBPL while
// the package is loaded: dish selection (PLA00115), period deletion (PLA00118),
// diners by dish type (PLA00124) and dish inversion (PLA00132). Each runs modally.
void RegisterScreens();
void UnregisterScreens();

} // namespace pla::packages
