#pragma once

#include <QDateEdit>

namespace pla::host {

// A date box with up and down buttons. It may be empty (shown blank, Date() invalid)
// and may show months only ("MM/yyyy"), every date then being the first of its month.
class TDateEdit : public QDateEdit {
    Q_OBJECT

public:
    explicit TDateEdit(QWidget* parent = nullptr);

    void SetMonthOnly(bool on);
    bool MonthOnly() const { return monthOnly_; }
    QDate Date() const;           // invalid when empty
    void SetDate(const QDate& d); // an invalid date empties it
    bool IsEmpty() const { return !Date().isValid(); }
    void Clear() { SetDate(QDate()); }

    // Steps carry over: the month after December is January of the next year.
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;

private:
    bool monthOnly_ = false;
};

} // namespace pla::host
