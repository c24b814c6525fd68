// GUI tests run inside the one QApplication that QtTestMain.cpp makes (on Qt's offscreen platform,
// which the test runner selects), and can let pending repaints happen.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>

namespace nox::test {

inline QApplication& TestApplication() { return *static_cast<QApplication*>(QCoreApplication::instance()); }

// Delivers posted events, repaint requests included, until none is left.
inline void ProcessPendingEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

}  // namespace nox::test
