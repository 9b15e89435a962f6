#include "host_messages.h"

namespace pla::host {

void MensErro(const QString& text, bool endHandler) {
    Q_UNUSED(endHandler);
    TDialogPresenter::Current().Error(text);
    throw EAbort();
}

int ShowMsg(const TMessages& messages, const QString& key, TMsgDlgType type, int buttons) {
    return TDialogPresenter::Current().Message(messages.Msg(key), type, buttons);
}

void ShowDetailError(const QString& message, const QString& detail) {
    TDialogPresenter::Current().DetailError(message, detail);
}

} // namespace pla::host
