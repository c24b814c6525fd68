// The QApplication of the Qt platform tests and a helper for driving modal dialogs.
#include "tests/platform/qt/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace nox::test {

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "platform_qt_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void PollForModal(std::function<void(QWidget*)> inspect, int triesLeft) {
    QTimer::singleShot(10, [inspect = std::move(inspect), triesLeft]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            inspect(modal);
        } else if (triesLeft > 0) {
            PollForModal(std::move(inspect), triesLeft - 1);
        } else {
            ADD_FAILURE() << "no modal widget appeared";
        }
    });
}

}  // namespace

void OnNextModal(std::function<void(QWidget*)> inspect) { PollForModal(std::move(inspect), 500); }

}  // namespace nox::test
