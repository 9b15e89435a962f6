#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

namespace pla::host {

enum class TMsgDlgType { Warning, Error, Information, Confirmation };

// The buttons a message offers, and the answers as the screens compare them.
enum TMsgDlgButton : int { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// Every message box of the application goes through the current presenter: real
// dialogs in the application, a script in tests.
// While a message waits for the planner, the normal cursor shows.
class TDialogPresenter {
public:
    virtual ~TDialogPresenter() = default;
    void Error(const QString& text);
    // Shows a message with buttons (a TMsgDlgButton mask); the answer (mrYes ...).
    int Message(const QString& text, TMsgDlgType type, int buttons);
    void DetailError(const QString& message, const QString& detail);

    static TDialogPresenter& Current();
    static void SetCurrent(TDialogPresenter* presenter); // nullptr: the real dialogs

protected:
    virtual void DoError(const QString& text) = 0;
    virtual int DoMessage(const QString& text, TMsgDlgType type, int buttons) = 0;
    virtual void DoDetailError(const QString& message, const QString& detail) = 0;
};

// Real dialogs over the active window.
class TMessageBoxPresenter : public TDialogPresenter {
protected:
    void DoError(const QString& text) override;
    int DoMessage(const QString& text, TMsgDlgType type, int buttons) override;
    void DoDetailError(const QString& message, const QString& detail) override;
};

// What a test scripts: the answers to give, in order, and a record of what was shown.
class TScriptedPresenter : public TDialogPresenter {
public:
    struct TShown {
        QString Kind; // "error", "message", "detail"
        QString Text;
        QString Detail;
        Qt::CursorShape Cursor = Qt::ArrowCursor; // what the planner saw meanwhile
    };

    void Answer(int answer) { answers_.append(answer); }
    const QList<TShown>& Shown() const { return shown_; }
    QStringList Texts() const;
    QString LastText() const { return shown_.isEmpty() ? QString() : shown_.last().Text; }
    void Clear() { shown_.clear(); }

protected:
    void DoError(const QString& text) override;
    // With no scripted answer left, a question is a test's mistake: it raises.
    int DoMessage(const QString& text, TMsgDlgType type, int buttons) override;
    void DoDetailError(const QString& message, const QString& detail) override;

private:
    QList<int> answers_;
    QList<TShown> shown_;
};

// Installs a presenter for the life of the scope.
class TPresenterScope {
public:
    explicit TPresenterScope(TDialogPresenter& presenter);
    ~TPresenterScope();
    TPresenterScope(const TPresenterScope&) = delete;
    TPresenterScope& operator=(const TPresenterScope&) = delete;

private:
    TDialogPresenter* previous_;
};

} // namespace pla::host
