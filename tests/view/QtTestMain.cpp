// The main of the GUI tests: the QApplication lives for exactly as long as the tests run, so that
// it is torn down before, not among, the program's static objects.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    // Listing the tests happens without the runner's environment: never wait for a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
