#pragma once

#include <QLineEdit>

namespace pla::host {

// An edit with a picture mask, as the screens give them (">aaaa;0; ", "ccccc;0; "):
// ">" upper-cases and "<" lower-cases what follows; "a" a letter or digit, "A" the
// same required, "c"/"C" any character, "9"/"0" a digit, "l"/"L" a letter; after the
// first ";" whether literals are kept ("0" no) and after the second the blank shown.
// Text() is what was typed, without blanks.
class TMaskEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TMaskEdit(const QString& editMask = QString(), QWidget* parent = nullptr);
    void SetEditMask(const QString& editMask);
    const QString& EditMask() const { return mask_; }
    // True when every required position is filled.
    bool IsComplete() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString mask_;
    QString picture_;  // the positions only
    int caseMode_ = 0; // 1 upper, -1 lower
};

} // namespace pla::host
