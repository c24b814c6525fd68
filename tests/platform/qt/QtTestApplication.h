// The one QApplication of the Qt platform tests (offscreen), made before the first test.
#pragma once

#include <functional>

class QWidget;

namespace nox::test {

// Runs `inspect` on the modal widget that the next call opens, once it is shown (the widget is
// expected to close itself in `inspect`, by a button or accept/reject).
void OnNextModal(std::function<void(QWidget*)> inspect);

}  // namespace nox::test
