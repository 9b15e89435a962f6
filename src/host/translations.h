#pragma once

class QLocale;

namespace pla::host {

// Qt's own texts (Yes, No, Cancel, the page set-up, the file dialogs) in the language
// of the application's settings, Brazilian Portuguese: the translations Debian ships
// with Qt, installed once for the application's life. False when they are missing (Qt
// then speaks English, and nothing else changes).
bool InstalaTraducoesQt(const QLocale& locale);

} // namespace pla::host
