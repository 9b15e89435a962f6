#include "date_edit.h"

#include "core/clock.h"

namespace pla::host {

namespace {

// The earliest date the editor knows stands for "empty"; the range is wide so that a
// screen, not the editor, says which dates it accepts.
const QDate Empty(1752, 9, 14);

} // namespace

TDateEdit::TDateEdit(QWidget* parent)
    : QDateEdit(parent) {
    setMinimumDate(Empty);
    setMaximumDate(QDate(9999, 12, 1));
    setSpecialValueText(QStringLiteral(" "));
    setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCalendarPopup(false);
    setDate(Empty);
}

void TDateEdit::SetMonthOnly(bool on) {
    monthOnly_ = on;
    const QDate current = Date();
    setDisplayFormat(on ? QStringLiteral("MM/yyyy") : QStringLiteral("dd/MM/yyyy"));
    setCurrentSection(on ? QDateTimeEdit::MonthSection : QDateTimeEdit::DaySection);
    SetDate(current);
}

QDate TDateEdit::Date() const {
    const QDate d = date();
    if (d <= Empty) {
        return {};
    }
    return monthOnly_ ? QDate(d.year(), d.month(), 1) : d;
}

void TDateEdit::SetDate(const QDate& d) {
    if (!d.isValid()) {
        setDate(Empty);
        return;
    }
    setDate(monthOnly_ ? QDate(d.year(), d.month(), 1) : d);
}

void TDateEdit::stepBy(int steps) {
    const QDate current =
        Date().isValid() ? Date() : (monthOnly_ ? Hoje().addDays(1 - Hoje().day()) : Hoje());
    if (!Date().isValid()) {
        SetDate(current); // the first step from empty lands on today
        return;
    }
    QDate next;
    switch (monthOnly_ ? MonthSection : currentSection()) {
    case YearSection:
        next = current.addYears(steps);
        break;
    case MonthSection:
        next = current.addMonths(steps);
        break;
    default:
        next = current.addDays(steps);
        break;
    }
    if (next > Empty && next <= maximumDate()) {
        SetDate(next);
    }
}

QAbstractSpinBox::StepEnabled TDateEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

} // namespace pla::host
