// TPopupMenu: a context menu shared by several controls that remembers which control opened it
// (its pop-up component), so that its entries know what to act on, and lets the owner update the
// entries just before it is shown (OnPopup).
#pragma once

#include <functional>

#include <QMenu>
#include <QPoint>
#include <QPointer>

namespace nox {

class TPopupMenu : public QMenu {
public:
    explicit TPopupMenu(QWidget* parent = nullptr) : QMenu(parent) {}

    // The control on which the menu was last opened (null before the first time or when that
    // control is gone).
    QWidget* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(QWidget* component) { popupComponent_ = component; }

    // Runs just before the menu is shown, with PopupComponent already set.
    void SetOnPopup(std::function<void()> handler) { onPopup_ = std::move(handler); }

    // Records `component`, runs OnPopup, then shows the menu at the global position `at` and
    // returns once an entry has been chosen (its action runs) or the menu is dismissed.
    void Popup(const QPoint& at, QWidget* component);

private:
    QPointer<QWidget> popupComponent_;
    std::function<void()> onPopup_;
};

}  // namespace nox
