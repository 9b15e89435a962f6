#include "radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pla::host {

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent)
    , group_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("%1_%2").arg(objectName()).arg(i));
        group_->addButton(b, i);
        layout->addWidget(b);
    }
    connect(group_, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

int TRadioGroup::ItemIndex() const {
    return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (index < 0) {
        if (QAbstractButton* b = group_->checkedButton()) {
            group_->setExclusive(false);
            b->setChecked(false);
            group_->setExclusive(true);
        }
        return;
    }
    if (QAbstractButton* b = group_->button(index)) {
        b->setChecked(true);
    }
}

int TRadioGroup::Count() const {
    return static_cast<int>(group_->buttons().size());
}

QAbstractButton* TRadioGroup::Button(int index) const {
    return group_->button(index);
}

} // namespace pla::host
