#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace pla::host {

// The exit event of a control (or of a group of controls): raised when the focus
// moves from it to another control of the same window, not when another window (a
// message, a lookup) takes the focus. An exit handler that runs while another one is
// running is not raised again, so a handler that puts the focus back does not loop.
class TExitHandler : public QObject {
    Q_OBJECT

public:
    TExitHandler(QWidget* control, std::function<void()> handler);

    static bool Running();

private:
    void focusChanged(QWidget* old, QWidget* now);

    QWidget* control_;
    std::function<void()> handler_;
};

// Installs an exit handler owned by the control; the handler runs in the handler
// guard (messages end it silently).
void OnExit(QWidget* control, std::function<void()> handler);

} // namespace pla::host
