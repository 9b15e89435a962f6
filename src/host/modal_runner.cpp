#include "modal_runner.h"

#include "busy_scopes.h"

#include <QDialog>

namespace pla::host {

namespace {

TModalRunner::TScript& script() {
    static TModalRunner::TScript s;
    return s;
}

} // namespace

int TModalRunner::Run(QDialog& dialog) {
    TNormalCursor waiting; // the planner's turn
    if (script()) {
        dialog.setModal(true);
        dialog.show();
        const int result = script()(dialog);
        dialog.hide();
        return result;
    }
    return dialog.exec();
}

TModalRunner::TScope::TScope(TScript s)
    : previous_(script()) {
    script() = std::move(s);
}

TModalRunner::TScope::~TScope() {
    script() = std::move(previous_);
}

} // namespace pla::host
