// The shared pop-up menu: see PopupMenu.h.
#include "view/PopupMenu.h"

#include "view/ApplicationErrors.h"

namespace nox {

void TPopupMenu::Popup(const QPoint& at, QWidget* component) {
    popupComponent_ = component;
    if (onPopup_) RunGuarded(onPopup_);
    exec(at);
}

}  // namespace nox
