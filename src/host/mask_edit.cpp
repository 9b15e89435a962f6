#include "mask_edit.h"

#include <QKeyEvent>

namespace pla::host {

TMaskEdit::TMaskEdit(const QString& editMask, QWidget* parent)
    : QLineEdit(parent) {
    SetEditMask(editMask);
}

void TMaskEdit::SetEditMask(const QString& editMask) {
    mask_ = editMask;
    const QString picture = editMask.section(QLatin1Char(';'), 0, 0);
    picture_.clear();
    caseMode_ = 0;
    for (const QChar c : picture) {
        if (c == QLatin1Char('>')) {
            caseMode_ = 1;
        } else if (c == QLatin1Char('<')) {
            caseMode_ = -1;
        } else {
            picture_.append(c);
        }
    }
    setMaxLength(picture_.isEmpty() ? 32767 : static_cast<int>(picture_.size()));
}

namespace {

bool fits(QChar pos, QChar c) {
    switch (pos.toLatin1()) {
    case 'a':
    case 'A':
        return c.isLetterOrNumber();
    case '9':
    case '0':
        return c.isDigit();
    case 'l':
    case 'L':
        return c.isLetter();
    default:
        return !c.isNull(); // c, C and anything else: any character
    }
}

} // namespace

bool TMaskEdit::IsComplete() const {
    const QString t = text();
    for (qsizetype i = 0; i < picture_.size(); ++i) {
        if (picture_[i].isUpper() || picture_[i] == QLatin1Char('0')) {
            if (i >= t.size() || t[i].isSpace()) {
                return false;
            }
        }
    }
    return true;
}

void TMaskEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (picture_.isEmpty() || typed.isEmpty() || typed.at(0).unicode() < 0x20 ||
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QChar c = typed.at(0);
    c = caseMode_ > 0 ? c.toUpper() : caseMode_ < 0 ? c.toLower() : c;
    const int pos = hasSelectedText() ? selectionStart() : cursorPosition();
    if (pos >= picture_.size() && !hasSelectedText()) {
        return;
    }
    if (!fits(picture_[std::min<qsizetype>(pos, picture_.size() - 1)], c)) {
        return;
    }
    insert(QString(c));
}

} // namespace pla::host
