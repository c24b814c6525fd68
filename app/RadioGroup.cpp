// The radio group: see RadioGroup.h.
#include "app/RadioGroup.h"

#include <algorithm>

#include <QButtonGroup>
#include <QFontMetrics>
#include <QRadioButton>

#include "view/ApplicationErrors.h"

namespace nox {

TRadioGroup::TRadioGroup(const QStringList& items, QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_.push_back(button);
        group_->addButton(button, i);
    }
    QObject::connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
        itemIndex_ = id;
        if (onClick_) RunGuarded(onClick_);
    });
    ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int index) {
    index = std::clamp(index, -1, Count() - 1);
    if (index == itemIndex_) return;
    itemIndex_ = index;
    ShowSelection();
    if (onClick_) onClick_();
}

void TRadioGroup::ShowSelection() {
    // An exclusive group cannot show "nothing selected"; lift the rule while clearing.
    group_->setExclusive(false);
    for (int i = 0; i < Count(); ++i) buttons_[static_cast<size_t>(i)]->setChecked(i == itemIndex_);
    group_->setExclusive(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    ArrangeButtons();
}

// One column of buttons below a margin of the caption's height, sharing the height left.
void TRadioGroup::ArrangeButtons() {
    if (buttons_.empty()) return;
    const int topMargin = QFontMetrics(font()).height() + 1;
    const int itemHeight = std::max(1, (height() - topMargin - 5) / Count());
    for (int i = 0; i < Count(); ++i)
        buttons_[static_cast<size_t>(i)]->setGeometry(8, topMargin + i * itemHeight, std::max(0, width() - 10), itemHeight);
}

}  // namespace nox
