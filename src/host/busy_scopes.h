#pragma once

#include <QPointer>
#include <QString>

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
