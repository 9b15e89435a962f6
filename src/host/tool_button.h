#pragma once

#include <QString>

class QToolButton;
class QWidget;

namespace pla::host {

// A toolbar button named for the tests and the tour: its themed icon alone, or its text
// where the machine has no icon theme; the hint as its tooltip.
QToolButton* BotaoFerramenta(QWidget* parent, const char* name, const QString& hint,
                             const char* icon);

// A button that shows its text beside the icon, for the bars of the report screens.
QToolButton* BotaoComTexto(QWidget* parent, const char* name, const QString& text,
                           const QString& hint, const char* icon);

} // namespace pla::host
