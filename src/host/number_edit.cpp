#include "number_edit.h"

#include "core/format_float.h"
#include "core/format_settings.h"
#include "core/numbers.h"
#include "number_guard.h"

#include <QKeyEvent>
#include <QPalette>

namespace pla::host {

TNumberEdit::TNumberEdit(QWidget* parent)
    : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TNumberEdit::SetDecimals(int decimals) {
    decimals_ = std::max(0, decimals);
    if (!IsEmpty()) {
        SetValue(Value());
    }
}

void TNumberEdit::SetThousandSeparator(bool on) {
    thousands_ = on;
    if (!IsEmpty() && !hasFocus()) {
        SetValue(Value());
    }
}

QString TNumberEdit::mask() const {
    QString m = thousands_ ? QStringLiteral("#,##0") : QStringLiteral("0");
    if (decimals_ > 0) {
        m += QLatin1Char('.') + QString(decimals_, QLatin1Char('0'));
    }
    return m;
}

double TNumberEdit::Value() const {
    if (IsEmpty()) {
        return 0.0;
    }
    QString t = text().trimmed();
    t.remove(TFormatSettings::Current().ThousandSeparator);
    double v = 0;
    return TryStrToFloat(t, v) ? v : 0.0;
}

void TNumberEdit::SetValue(double value) {
    setText(FormatFloat(mask(), RoundDec(value, decimals_)));
}

void TNumberEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    // Backspace, Delete, Enter and Tab carry a control character as their text: they edit
    // or move as in any box, and are never typed in.
    if (isReadOnly() || typed.isEmpty() || !typed.at(0).isPrint() ||
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (typed == QLatin1String("-")) {
        if (allowNegative_ && cursorPosition() == 0 && !text().startsWith(QLatin1Char('-'))) {
            QLineEdit::keyPressEvent(event);
        }
        return; // a sign is dropped where it is not allowed
    }
    QString plain = text();
    int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
    const int selLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    const QChar sep = TFormatSettings::Current().ThousandSeparator;
    // The guard counts digits, not separators.
    selStart -= static_cast<int>(plain.left(selStart).count(sep));
    plain.remove(sep);
    if (plain.startsWith(QLatin1Char('-'))) {
        plain.remove(0, 1);
        selStart = std::max(0, selStart - 1);
    }
    const QChar accepted =
        MaxNumber(plain, integerDigits_, decimals_, typed.at(0), selStart, selLength);
    if (accepted.isNull()) {
        return;
    }
    insert(QString(accepted));
}

void TNumberEdit::focusInEvent(QFocusEvent* event) {
    // Editing sees the plain number, without thousands separators.
    if (thousands_ && !isReadOnly() && !IsEmpty()) {
        QString t = text();
        t.remove(TFormatSettings::Current().ThousandSeparator);
        setText(t);
    }
    QLineEdit::focusInEvent(event);
}

void TNumberEdit::focusOutEvent(QFocusEvent* event) {
    if (!IsEmpty()) {
        SetValue(Value());
    }
    QLineEdit::focusOutEvent(event);
}

TNumberEdit* CampoValor(QWidget* parent, const char* name) {
    auto* e = new TNumberEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->SetDecimals(5);
    e->SetThousandSeparator(true);
    e->SetAllowNegative(true);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setAlignment(Qt::AlignRight);
    e->setMinimumWidth(96);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    e->setPalette(p);
    e->SetValue(0);
    return e;
}

} // namespace pla::host
