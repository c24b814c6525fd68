// The Inspector on a real X display (xvfb): the samples hidden with Set LSBs, a right click on the
// Right pane, "Inspect..." chosen from the pop-up menu with the keyboard, and the views stepped
// through with the arrow keys, every event through the display's window system path. The outer
// test starts the inner one under xvfb-run and is skipped without xvfb-run. With
// NOXSTEG_INSPECTOR_SHOTS set to a folder, the inner test saves pictures of the Inspector there
// (a bit plane of the result, its difference x64 from the cover, the histogram).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>

#include "app/Form1.h"
#include "files/PictureFiles.h"
#include "inspector/InspectorPane.h"
#include "inspector/InspectorWindow.h"
#include "platform/qt/QtDesktop.h"

namespace nox {
namespace {

TEST(InspectorE2E, OpenedFromThePopupMenuAndSteppedWithTheArrowKeys) {
    const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
    if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed (Debian package xvfb)";
    QProcess inner;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    inner.setProcessEnvironment(env);
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(xvfb, {"-a", "-s", "-screen 0 1280x1024x24", QCoreApplication::applicationFilePath(),
                       "--gtest_also_run_disabled_tests", "--gtest_filter=InspectorE2EInner.DISABLED_RealWindows"});
    ASSERT_TRUE(inner.waitForFinished(120000)) << "the program under xvfb did not end";
    const QByteArray log = inner.readAll();
    EXPECT_EQ(inner.exitCode(), 0) << log.toStdString();
    EXPECT_TRUE(log.contains("[  PASSED  ] 1 test")) << log.toStdString();
}

int ViewNamed(const std::string& name) {
    const auto& views = analysis::InspectorViews();
    for (size_t i = 0; i < views.size(); ++i)
        if (analysis::ViewName(views[i]) == name) return static_cast<int>(i);
    return -1;
}

TEST(InspectorE2EInner, DISABLED_RealWindows) {
    RegisterPictureFormats();
    const std::string samples = std::string(NOXSTEG_SOURCE_DIR) + "/samples/";
    TQtDesktop qt;
    TScriptedDesktop scripted;
    TDesktop desktop{scripted, scripted, scripted, qt, scripted, qt.Desktop().Clipboard};
    TForm1 form(desktop);
    scripted.DialogAnswers = {samples + "cover.bmp", samples + "secret.bmp"};
    form.OpenLeftButton->click();
    form.OpenMiddleButton->click();
    form.SetLSBsButton->click();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // The menu runs its own loop: once it shows, Up selects its last entry and Return chooses it.
    bool menuShown = false;
    QTimer::singleShot(300, [&] {
        QWidget* menu = QApplication::activePopupWidget();
        menuShown = menu == form.PopupMenu1;
        if (menu == nullptr) return;
        QTest::keyClick(menu, Qt::Key_Up);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint inPane = form.ImageR->mapTo(&form, QPoint(30, 30));
    QTest::mouseClick(form.windowHandle(), Qt::RightButton, {}, inPane);
    QTest::qWait(500);
    ASSERT_TRUE(menuShown);
    TInspectorWindow* inspector = form.Inspector();
    ASSERT_NE(inspector, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(inspector));
    EXPECT_EQ(inspector->windowTitle().toStdString(), "Noxsteg Inspector - Right");
    EXPECT_EQ(inspector->Picture().Width(), form.ImageR->Bitmap().Width());

    const struct {
        Qt::Key key;
        const char* shown;
    } steps[] = {{Qt::Key_Right, "Red as grey"}, {Qt::Key_Right, "Green as grey"}, {Qt::Key_Right, "Blue as grey"},
                 {Qt::Key_Right, "Red bit 0"},   {Qt::Key_Left, "Blue as grey"},   {Qt::Key_Right, "Red bit 0"}};
    for (const auto& s : steps) {
        QTest::keyClick(inspector->windowHandle(), s.key);
        EXPECT_EQ(inspector->ShownName().toStdString(), s.shown);
    }
    // Red bit 0 of the Set LSBs result: white exactly where the secret is black.
    const TBitmap32& shown = inspector->Display().Bitmap();
    const TBitmap32& secret = form.ImageM->Bitmap();
    ASSERT_EQ(shown.Width(), secret.Width());
    for (int y = 0; y < secret.Height(); ++y)
        for (int x = 0; x < secret.Width(); ++x)
            ASSERT_EQ(shown.GetPixel(x, y), (secret.GetPixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu ? 0xFF000000u : 0xFFFFFFFFu) << x << "," << y;

    if (const char* shots = std::getenv("NOXSTEG_INSPECTOR_SHOTS")) {
        const QDir folder(QString::fromLocal8Bit(shots));
        // The mouse over the picture, so that the readout shows its pixel in every pane.
        const auto save = [&](const char* name) {
            QTest::qWait(100);
            TInspectorPane& pane = inspector->Display();
            QTest::mouseMove(inspector->windowHandle(), pane.mapTo(inspector, QPoint(pane.width() / 2, pane.height() / 2)));
            QTest::qWait(200);
            EXPECT_TRUE(inspector->grab().save(folder.filePath(QString::fromLatin1(name))));
        };
        inspector->SetViewIndex(ViewNamed("Blue bit 0"));
        inspector->Display().SetZoom(2);
        save("inspector-bit-plane.png");
        inspector->SetDifference(TInspectorWindow::kLeft, 64, false);
        inspector->Display().SetZoom(TInspectorPane::kFit);
        save("inspector-difference.png");
        inspector->SetViewIndex(0);
        auto* tabs = inspector->findChild<QTabWidget*>();
        tabs->setCurrentIndex(2);
        tabs->currentWidget()->findChild<QCheckBox*>()->setChecked(true);
        save("inspector-histogram.png");
        // The panels that join the window as tabs (the analysis works on a thread of its own).
        for (const auto& [title, file] : {std::pair{"Hidden data", "inspector-hidden-data.png"}, std::pair{"Analysis", "inspector-analysis.png"}}) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i) == QLatin1String(title)) tabs->setCurrentIndex(i);
            QTest::qWait(1000);
            save(file);
        }
    }

    // Closing the main window ends the program's event loop although the Inspector is still open.
    ASSERT_TRUE(inspector->isVisible());
    bool stillRunning = false;
    QTimer::singleShot(0, &form, [&] { form.close(); });
    QTimer::singleShot(5000, qApp, [&] {
        stillRunning = true;
        QCoreApplication::quit();
    });
    QApplication::exec();
    EXPECT_FALSE(stillRunning);
}

}  // namespace
}  // namespace nox
