#pragma once

#include <QString>

class QWidget;

namespace pla::host {

// Each screen's window as the planner left it, per operator: the size and place of a
// modal screen's window, the state (maximized or not) and place of a screen in the
// main window. Keyed by the screen code.
void LembraJanela(const QString& screenCode, const QWidget* frame);
// Gives the frame what was remembered; false when nothing was.
bool RestauraJanela(const QString& screenCode, QWidget* frame);

} // namespace pla::host
