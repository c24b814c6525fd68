// The whole program on a real X display (xvfb) with the real clipboard: a first start, the samples
// opened, the secret hidden, saved, opened again and revealed; the Right pane copied and read back
// by another program (xclip); a picture placed by xclip pasted; the window closed; and the next
// start finding everything again. Only the file dialogs, the message boxes and the shell are
// scripted, as no one is there to answer them. The outer test starts the inner one under
// xvfb-run and is skipped when xvfb-run or xclip is missing. With NOXSTEG_SCREENSHOT set, the
// inner test also saves a picture of the window with the secret revealed to that file.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>

#include "app/Form1.h"
#include "app/RadioGroup.h"
#include "files/PictureFiles.h"
#include "platform/IniFile.h"
#include "platform/qt/QtDesktop.h"

namespace nox {
namespace {

QString Self() { return QCoreApplication::applicationFilePath(); }

// Runs a program to its end while this process keeps serving its clipboard; its standard output.
QByteArray RunServing(const QString& program, const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.start(program, arguments);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(10);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        *exitCode = -1;
        return {};
    }
    *exitCode = process.exitCode();
    return process.readAllStandardOutput();
}

TEST(ProgramE2E, TheWholeProgramOnAnXDisplayWithTheRealClipboard) {
    const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
    if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed (Debian package xvfb)";
    if (QStandardPaths::findExecutable("xclip").isEmpty()) GTEST_SKIP() << "xclip is not installed (Debian package xclip)";
    QProcess inner;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    inner.setProcessEnvironment(env);
    inner.setProcessChannelMode(QProcess::MergedChannels);
    inner.start(xvfb, {"-a", "-s", "-screen 0 1024x768x24", Self(), "--gtest_also_run_disabled_tests",
                       "--gtest_filter=ProgramE2EInner.DISABLED_RealWindow"});
    ASSERT_TRUE(inner.waitForFinished(120000)) << "the program under xvfb did not end";
    const QByteArray log = inner.readAll();
    EXPECT_EQ(inner.exitCode(), 0) << log.toStdString();
    EXPECT_TRUE(log.contains("[  PASSED  ] 1 test")) << log.toStdString();
}

std::vector<TColor32> Pixels(const TBitmap32& bitmap) {
    std::vector<TColor32> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.GetPixel(x, y));
    return pixels;
}

TEST(ProgramE2EInner, DISABLED_RealWindow) {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/noxsteg-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const auto path = [&](const char* name) { return dir.filePath(name).toStdString(); };
    ::setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    RegisterPictureFormats();
    const std::string samples = std::string(NOXSTEG_SOURCE_DIR) + "/samples/";

    TQtDesktop qt;
    TScriptedDesktop scripted;
    TDesktop desktop{scripted, scripted, scripted, qt, scripted, qt.Desktop().Clipboard};

    auto form = std::make_unique<TForm1>(desktop);
    qt.SetParentWindow(form.get());
    form->BecomeMainWindow();
    form->show();
    QCoreApplication::processEvents();
    ASSERT_EQ(scripted.Calls, (std::vector<std::string>{"OpenDocument(/opt/noxsteg/bin/ReadMe.Txt)"}));  // first start

    // Hide the secret in the cover, save, open the result and reveal it.
    scripted.DialogAnswers = {samples + "cover.bmp", samples + "secret.bmp", path("hidden.bmp"), path("hidden.bmp")};
    form->OpenLeftButton->click();
    form->OpenMiddleButton->click();
    form->SetLSBsButton->click();
    form->SaveButton->click();
    form->OpenLeftButton->click();
    form->ShowLSBsButton->click();
    const TBitmap32& secret = form->ImageM->Bitmap();
    const TBitmap32& revealed = form->ImageR->Bitmap();
    ASSERT_GT(secret.Width(), 0);
    ASSERT_EQ(revealed.Width(), secret.Width());
    for (int y = 0; y < secret.Height(); ++y)
        for (int x = 0; x < secret.Width(); ++x)
            ASSERT_EQ(revealed.GetPixel(x, y) & 0xFFFFFFu, (secret.GetPixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu ? 0xFFFFFFu : 0u);
    QCoreApplication::processEvents();
    if (const char* shot = std::getenv("NOXSTEG_SCREENSHOT")) {
        EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(shot)));
    }

    // Copy the Right pane; another program reads the clipboard.
    form->PopupMenu1->SetPopupComponent(form->ImageR);
    form->Copy1->trigger();
    int status = 0;
    const QByteArray png = RunServing("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"}, &status);
    ASSERT_EQ(status, 0);
    const QImage copied = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(copied.width(), revealed.Width());
    ASSERT_EQ(copied.height(), revealed.Height());
    for (int y = 0; y < copied.height(); ++y)
        for (int x = 0; x < copied.width(); ++x)
            ASSERT_EQ(copied.pixel(x, y) & 0xFFFFFFu, revealed.GetPixel(x, y) & 0xFFFFFFu) << x << "," << y;

    // Another program places a picture; Paste on the Left pane takes it with its exact colours.
    QImage placed(23, 11, QImage::Format_RGB32);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 23; ++x) placed.setPixel(x, y, 0xFF000000u | (x * 11u) << 16 | (y * 23u) << 8 | ((x * y) & 0xFFu));
    ASSERT_TRUE(placed.save(dir.filePath("placed.png"), "PNG"));
    ASSERT_EQ(QProcess::execute("xclip", {"-selection", "clipboard", "-t", "image/png", "-i", dir.filePath("placed.png")}), 0);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    form->PopupMenu1->SetPopupComponent(form->ImageR);
    form->Paste1->trigger();
    std::vector<TColor32> expected;
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 23; ++x) expected.push_back(placed.pixel(x, y));
    EXPECT_EQ(Pixels(form->ImageR->Bitmap()), expected);
    EXPECT_EQ(form->lFShortNameL->text().toStdString(), "hidden.bmp");  // the Left names are the Left pane's

    const int secretWidth = secret.Width();
    // Close; the next start finds the pictures, the quality and the mode again.
    form->JPEGQualityTB->setValue(70);
    form->ImageModeRG->SetItemIndex(2);
    form->close();
    form.reset();
    scripted.Calls.clear();
    form = std::make_unique<TForm1>(desktop);
    qt.SetParentWindow(form.get());
    form->BecomeMainWindow();
    form->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(scripted.Calls, (std::vector<std::string>{}));  // no read-me this time, no error
    EXPECT_EQ(form->lFNameL->text().toStdString(), path("hidden.bmp"));
    EXPECT_EQ(form->lFNameM->text().toStdString(), samples + "secret.bmp");
    EXPECT_EQ(form->ImageL->Bitmap().Width(), secretWidth);
    EXPECT_EQ(form->JPEGQualityTB->value(), 70);
    EXPECT_EQ(form->lQuality->text().toStdString(), "70");
    EXPECT_EQ(form->ImageModeRG->ItemIndex(), 2);
    EXPECT_EQ(form->ImageL->ScaleMode(), smScale);
    form->close();
}

}  // namespace
}  // namespace nox
