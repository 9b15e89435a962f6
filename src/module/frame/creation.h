#pragma once

#include <QString>

namespace pla::module {

// The package's creation functions (also exported with C names for the host).
void IniProc();
// Creates the one planning screen, or shows the open one again.
void CriaElabCard();
// Opens a new monthly menu screen with the open planning screen's choices.
void CriaCardMens();
// Opens the log report of a cycle update, modally.
void CriaLogCardCiclo(const QString& cdFilial, const QString& nrLogCardCiclo);

} // namespace pla::module
