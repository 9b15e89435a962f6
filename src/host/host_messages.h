#pragma once

#include "core/errors.h"
#include "core/messages.h"
#include "dialog_presenter.h"

#include <exception>

namespace pla::host {

// Shows the text in the error box and ends the calling handler: nothing after it
// runs. (The second argument is kept from the screens' calls.)
[[noreturn]] void MensErro(const QString& text, bool endHandler = true);

// A catalogue text as a dialog with buttons; the answer (mrYes is 6).
int ShowMsg(const TMessages& messages, const QString& key, TMsgDlgType type, int buttons);
void ShowDetailError(const QString& message, const QString& detail);

// Runs a screen's handler: an ended handler (MensErro, Abort) ends silently; any
// other error is shown with its detail and goes no further. Returns whether the
// handler ran to its end.
template <typename Handler> bool RunHandler(Handler&& handler) {
    try {
        handler();
        return true;
    } catch (const EAbort&) {
    } catch (const EPlaError& e) {
        ShowDetailError(e.message(), QString());
    } catch (const EProgramError& e) {
        ShowDetailError(QStringLiteral("Erro interno do programa."), e.message());
    } catch (const std::exception& e) {
        ShowDetailError(QStringLiteral("Erro inesperado."), QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace pla::host
