// The one QApplication that GUI tests need (on Qt's offscreen platform, which the test runner
// selects), and a way to let pending repaints happen.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>

namespace nox::test {

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "noxsteg";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Delivers posted events, repaint requests included, until none is left.
inline void ProcessPendingEvents() {
    TestApplication();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

}  // namespace nox::test
