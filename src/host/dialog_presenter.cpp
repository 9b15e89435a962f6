#include "dialog_presenter.h"

#include "busy_scopes.h"
#include "core/errors.h"

#include <QApplication>
#include <QMessageBox>

namespace pla::host {

namespace {

TDialogPresenter* current = nullptr;

TMessageBoxPresenter& realDialogs() {
    static TMessageBoxPresenter presenter;
    return presenter;
}

QMessageBox::Icon iconOf(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::Warning:
        return QMessageBox::Warning;
    case TMsgDlgType::Error:
        return QMessageBox::Critical;
    case TMsgDlgType::Information:
        return QMessageBox::Information;
    case TMsgDlgType::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TDialogPresenter& TDialogPresenter::Current() {
    return current ? *current : realDialogs();
}

void TDialogPresenter::SetCurrent(TDialogPresenter* presenter) {
    current = presenter;
}

void TDialogPresenter::Error(const QString& text) {
    TNormalCursor waiting;
    DoError(text);
}

int TDialogPresenter::Message(const QString& text, TMsgDlgType type, int buttons) {
    TNormalCursor waiting;
    return DoMessage(text, type, buttons);
}

void TDialogPresenter::DetailError(const QString& message, const QString& detail) {
    TNormalCursor waiting;
    DoDetailError(message, detail);
}

void TMessageBoxPresenter::DoError(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          text);
}

int TMessageBoxPresenter::DoMessage(const QString& text, TMsgDlgType type, int buttons) {
    QMessageBox box(iconOf(type), QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, QApplication::activeWindow());
    struct TMap {
        int Mask;
        QMessageBox::StandardButton Button;
        int Answer;
    };
    const TMap map[] = {{mbYes, QMessageBox::Yes, mrYes},
                        {mbNo, QMessageBox::No, mrNo},
                        {mbOK, QMessageBox::Ok, mrOk},
                        {mbCancel, QMessageBox::Cancel, mrCancel}};
    for (const TMap& m : map) {
        if (buttons & m.Mask) {
            box.addButton(m.Button);
        }
    }
    if (buttons == 0) {
        box.addButton(QMessageBox::Ok);
    }
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const TMap& m : map) {
        if (pressed == m.Button) {
            return m.Answer;
        }
    }
    return mrCancel;
}

void TMessageBoxPresenter::DoDetailError(const QString& message, const QString& detail) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, QApplication::activeWindow());
    if (!detail.isEmpty()) {
        box.setDetailedText(detail);
    }
    box.exec();
}

QStringList TScriptedPresenter::Texts() const {
    QStringList out;
    for (const TShown& s : shown_) {
        out.append(s.Text);
    }
    return out;
}

void TScriptedPresenter::DoError(const QString& text) {
    shown_.append({"error", text, {}, CursorShown()});
}

int TScriptedPresenter::DoMessage(const QString& text, TMsgDlgType, int buttons) {
    shown_.append({"message", text, {}, CursorShown()});
    if (answers_.isEmpty()) {
        if (buttons == 0 || buttons == mbOK) {
            return mrOk;
        }
        throw EProgramError(
            QStringLiteral("Pergunta sem resposta no roteiro do teste: %1").arg(text));
    }
    return answers_.takeFirst();
}

void TScriptedPresenter::DoDetailError(const QString& message, const QString& detail) {
    shown_.append({"detail", message, detail, CursorShown()});
}

TPresenterScope::TPresenterScope(TDialogPresenter& presenter)
    : previous_(current) {
    current = &presenter;
}

TPresenterScope::~TPresenterScope() {
    current = previous_;
}

} // namespace pla::host
