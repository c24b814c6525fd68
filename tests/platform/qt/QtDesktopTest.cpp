// The desktop services over Qt on the offscreen platform: dialog configuration and answers, the
// message boxes, the cursor, the shell request and the program's names.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "platform/qt/QtDesktop.h"
#include "tests/platform/qt/QtTestApplication.h"

namespace nox {
namespace {

constexpr const char* kOpenFilter = "Image/Text files|*.jpg;*.gif;*.bmp;*.txt";
constexpr const char* kSaveFilter = "BMP pictures|*.BMP|JPEG pictures|*.JPG|GIF pictures|*.GIF";

TEST(QtDesktop, FiltersShowTheirDescriptionsAndMatchWithoutRegardToCase) {
    EXPECT_EQ(QtNameFilters(kSaveFilter),
              (QStringList{"BMP pictures (*.BMP)", "JPEG pictures (*.JPG)", "GIF pictures (*.GIF)"}));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"cat.JpG", "DOG.BMP", "a.gif", "notes.TXT", "cat.jpeg", "x.png", "jpg"})
        QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    {
        const auto open = MakeFileDialog(nullptr, "Open Left Picture", kOpenFilter, false);
        auto* model = open->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        // The list the user sees, once Qt has read the folder (it reads in the background).
        const QString wanted = QFileInfo(dir.path()).canonicalFilePath();
        bool loaded = false;
        QObject::connect(model, &QFileSystemModel::directoryLoaded,
                         [&](const QString& path) { loaded = loaded || QFileInfo(path).canonicalFilePath() == wanted; });
        open->setDirectory(dir.path());
        const auto* combo = open->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->itemText(0), "Image/Text files");
        QElapsedTimer waited;
        waited.start();
        while (!loaded && waited.elapsed() < 10000) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        QCoreApplication::processEvents();
        const QModelIndex root = model->index(dir.path());
        QStringList shown;
        for (int row = 0; row < model->rowCount(root); ++row) shown << model->index(row, 0, root).data().toString();
        shown.sort();
        EXPECT_EQ(shown, (QStringList{"DOG.BMP", "a.gif", "cat.JpG", "notes.TXT"}));
    }
    // Qt writes its dialog history (the folder last visited) beside the user's configuration
    // unless told not to; other programs may write that file, but never with this folder.
    QFile qtSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/QtProject.conf"));
    if (qtSettings.open(QIODevice::ReadOnly)) {
        EXPECT_FALSE(qtSettings.readAll().contains(QFileInfo(dir.path()).fileName().toUtf8()));
    }
}

TEST(QtDesktop, FileDialogsAreConfiguredAsTheWindowNeedsThem) {
    const auto open = MakeFileDialog(nullptr, "Open Left Picture", kOpenFilter, false);
    EXPECT_EQ(open->windowTitle(), "Open Left Picture");
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->fileMode(), QFileDialog::AnyFile);  // a name that does not exist is accepted
    EXPECT_EQ(open->nameFilters().size(), 1);

    const auto save = MakeFileDialog(nullptr, "", kSaveFilter, true);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save->defaultSuffix(), "");
    EXPECT_EQ(save->nameFilters().size(), 3);
    EXPECT_EQ(save->selectedNameFilter(), "BMP pictures");  // shown without its patterns
}

TEST(QtDesktop, DialogsReturnTheChosenFullPathOrNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string missing = ToFileName(dir.filePath("not there.JPG"));
    TQtDesktop desktop;

    QString title;
    test::OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        dialog->selectFile(FromFileName(missing));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, through the public slot
    });
    EXPECT_EQ(desktop.OpenFile("Open Middle Picture", kOpenFilter), missing);
    EXPECT_EQ(title, "Open Middle Picture");

    test::OnNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(desktop.SaveFile("", kSaveFilter), std::nullopt);
}

TEST(QtDesktop, MessageBoxesShowCaptionTextIconAndOneOkButton) {
    TQtDesktop desktop;
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        qsizetype buttons = 0;
    };
    const auto watch = [](Seen& seen) {
        test::OnNextModal([&seen](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen = {box->windowTitle(), box->text(), box->icon(), box->buttons().size()};
            box->button(QMessageBox::Ok)->click();
        });
    };
    Seen error, note;
    watch(error);
    desktop.ShowError("Noxsteg", "Bitmap image is not valid.");
    watch(note);
    desktop.ShowNote("Noxsteg", "\"BMP\" was used.");
    EXPECT_EQ(error.title, "Noxsteg");
    EXPECT_EQ(error.text, "Bitmap image is not valid.");
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.buttons, 1);
    EXPECT_EQ(note.text, "\"BMP\" was used.");
    EXPECT_EQ(note.icon, QMessageBox::NoIcon);
    EXPECT_EQ(note.buttons, 1);

    // A question: Yes and No, answered by the button pressed.
    for (const QMessageBox::StandardButton pressed : {QMessageBox::Yes, QMessageBox::No}) {
        Seen question;
        test::OnNextModal([&question, pressed](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            question = {box->windowTitle(), box->text(), box->icon(), box->buttons().size()};
            EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
            box->button(pressed)->click();
        });
        EXPECT_EQ(desktop.AskYesNo("Noxsteg", "/tmp/r.BMP already exists."), pressed == QMessageBox::Yes);
        EXPECT_EQ(question.title, "Noxsteg");
        EXPECT_EQ(question.text, "/tmp/r.BMP already exists.");
        EXPECT_EQ(question.buttons, 2);
    }
}

TEST(QtDesktop, TheHourglassIsOneProgramWideCursor) {
    TQtDesktop desktop;
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        TCursorGuard outer(desktop);
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            TCursorGuard inner(desktop);
            EXPECT_EQ(desktop.Cursor(), TCursor::crHourGlass);
        }
        EXPECT_EQ(desktop.Cursor(), TCursor::crHourGlass);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Setting the default arrow ends an override that someone else stacked up as well.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    desktop.SetCursor(TCursor::crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(desktop.Cursor(), TCursor::crDefault);
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(QtDesktop, TheShellIsAskedToOpenTheLocalFileUnchanged) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    TQtDesktop desktop;
    const std::string name = "/tmp/a folder/ReadMe.Txt#1?" + std::string(250, 'x');
    desktop.OpenDocument(name);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(ToFileName(catcher.urls.front().toLocalFile()), name);
}

TEST(QtDesktop, ScreenAndProgramNames) {
    TQtDesktop desktop;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(desktop.Width(), screen.width());
    EXPECT_EQ(desktop.Height(), screen.height());
    EXPECT_GT(desktop.Width(), 0);
    EXPECT_EQ(ExtractFileName(desktop.ExeName()), "platform_qt_tests");
    EXPECT_EQ(ApplicationTitle(desktop.ExeName()), "Platform_qt_tests");
    EXPECT_EQ(ReadMeFileName(desktop.ExeName()), ExtractFilePath(desktop.ExeName()) + "ReadMe.Txt");
}

}  // namespace
}  // namespace nox

#include "QtDesktopTest.moc"
