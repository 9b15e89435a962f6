#pragma once

#include <QPointer>
#include <QString>
#include <Qt>

class QWidget;

namespace pla::host {

// The hourglass cursor for the life of the scope, restored also on an error.
class THourglass {
public:
    THourglass();
    ~THourglass();
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};

// While a modal screen or message waits for the planner: the normal cursor (over any
// hourglass) and no wait animation; both come back when the scope ends.
class TNormalCursor {
public:
    TNormalCursor();
    ~TNormalCursor();
    TNormalCursor(const TNormalCursor&) = delete;
    TNormalCursor& operator=(const TNormalCursor&) = delete;

private:
    bool cursor_ = false;
    bool animation_ = false;
};

// The cursor the planner sees now (the top override, else the arrow).
Qt::CursorShape CursorShown();

// The wait animation over a form during a long call. Calls nest: the animation goes
// when the last one ends.
void ActiveShowAvi(QWidget* form, int kind, const QString& text = QString());
void DeactiveShowAvi();
bool WaitAnimationVisible();
QString WaitAnimationText();

class TWaitAnimation {
public:
    TWaitAnimation(QWidget* form, int kind, const QString& text = QString()) {
        ActiveShowAvi(form, kind, text);
    }
    ~TWaitAnimation() { DeactiveShowAvi(); }
    TWaitAnimation(const TWaitAnimation&) = delete;
    TWaitAnimation& operator=(const TWaitAnimation&) = delete;
};

} // namespace pla::host
