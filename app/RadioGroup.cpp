// The radio group: see RadioGroup.h.
#include "app/RadioGroup.h"

#include <algorithm>

#include <QButtonGroup>
#include <QPainter>
#include <QStyleOptionGroupBox>
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

void TRadioGroup::moveEvent(QMoveEvent* event) {
    QGroupBox::moveEvent(event);
    ArrangeButtons();
}

// A group placed partly above its parent (the window's group starts at -11) draws its frame from
// the first row its parent shows, one pixel below the parent's own edge, so that all four sides
// are seen.
int TRadioGroup::FrameTop() const { return y() < 0 ? 1 - y() : 0; }

void TRadioGroup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    // Styles draw a frame without a title a little below the top of the whole widget, whatever
    // the option's top says (two pixels above where they put the contents): moved up by that.
    const int inset = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, this).top() - 2;
    const int shift = std::max(0, FrameTop() - std::max(0, inset));
    painter.translate(0, shift);
    option.rect.setHeight(height() - shift);
    style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
}

// The buttons share the height inside the frame, one column, clear of its sides.
void TRadioGroup::ArrangeButtons() {
    if (buttons_.empty()) return;
    const int top = FrameTop() + 1;
    const int itemHeight = std::max(1, (height() - top - 2) / Count());
    for (int i = 0; i < Count(); ++i)
        buttons_[static_cast<size_t>(i)]->setGeometry(5, top + i * itemHeight, std::max(0, width() - 8), itemHeight);
}

}  // namespace nox
