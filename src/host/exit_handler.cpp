#include "exit_handler.h"

#include "host_messages.h"

#include <QApplication>
#include <QWidget>

namespace pla::host {

namespace {

int running = 0;

bool within(const QWidget* w, const QWidget* container) {
    return w && (w == container || container->isAncestorOf(w));
}

} // namespace

TExitHandler::TExitHandler(QWidget* control, std::function<void()> handler)
    : QObject(control)
    , control_(control)
    , handler_(std::move(handler)) {
    connect(qApp, &QApplication::focusChanged, this, &TExitHandler::focusChanged);
}

bool TExitHandler::Running() {
    return running > 0;
}

void TExitHandler::focusChanged(QWidget* old, QWidget* now) {
    // A control that is being hidden (its screen closing) has nothing to check.
    if (running > 0 || !within(old, control_) || !now || within(now, control_) ||
        now->window() != control_->window() || !control_->isVisible()) {
        return;
    }
    ++running;
    RunHandler([this] { handler_(); });
    --running;
}

void OnExit(QWidget* control, std::function<void()> handler) {
    new TExitHandler(control, std::move(handler));
}

} // namespace pla::host
