// TRadioGroup: a framed group of radio buttons with one selected item (ItemIndex, -1 for none),
// reporting through OnClick when the user picks an item or the program selects a different one.
#pragma once

#include <functional>
#include <vector>

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace nox {

class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const { return itemIndex_; }
    // Selects item `index`, held within -1 (none) and the last item; runs OnClick when the
    // selection changes.
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(buttons_.size()); }
    QRadioButton* Button(int index) const { return buttons_.at(static_cast<size_t>(index)); }

    void SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowSelection();
    void ArrangeButtons();
    int FrameTop() const;

    std::vector<QRadioButton*> buttons_;
    QButtonGroup* group_;
    int itemIndex_ = -1;
    std::function<void()> onClick_;
};

}  // namespace nox
