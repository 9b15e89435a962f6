#pragma once

#include <QLineEdit>

namespace pla::host {

// A box for a number: typing goes through the number guard (integer digits,
// decimals, no sign unless allowed); leaving it shows the value formatted with the
// decimals and, when asked, thousands separators. Empty reads as 0.
class TNumberEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    int Decimals() const { return decimals_; }
    void SetDecimals(int decimals);
    void SetIntegerDigits(int digits) { integerDigits_ = digits; }
    void SetThousandSeparator(bool on);
    void SetAllowNegative(bool on) { allowNegative_ = on; }

    double Value() const;
    void SetValue(double value);
    bool IsEmpty() const { return text().trimmed().isEmpty(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QString mask() const;
    int decimals_ = 0;
    int integerDigits_ = 12;
    bool thousands_ = false;
    bool allowNegative_ = false;
};

// A figure that is only shown: five decimals with thousands, a sign, right-aligned, out of
// the tab order and in the read-only colour.
TNumberEdit* CampoValor(QWidget* parent, const char* name);

} // namespace pla::host
