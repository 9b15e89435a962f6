#pragma once

#include <QGroupBox>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;

namespace pla::host {

// A titled group of radio buttons chosen by index, as the screens read it
// (ItemIndex -1 when none is chosen). Clicked is raised when the planner picks one.
class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index); // -1 clears the choice
    int Count() const;
    QAbstractButton* Button(int index) const;

signals:
    void Clicked(int index);

private:
    QButtonGroup* group_ = nullptr;
};

} // namespace pla::host
