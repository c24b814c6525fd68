// Opening and saving through the window: the Open buttons with their dialog, names and panes for
// every kind of name, a failed read, the Save button with the name correction and its note, the
// formats chosen by name alone, an empty Right pane, the track bar's quality, a failed write, and
// hiding and revealing through a saved file, and the refusal of a format that would destroy a
// payload hidden in the Right pane.
#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

#include <sys/stat.h>

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

#include "image/Combine.h"
#include "inspector/HiddenDataPanel.h"
#include "platform/Errors.h"
#include "tests/app/ProgramTestSupport.h"

namespace nox {
namespace {

using test::Opaque;
using test::Pixels;
using test::ReadBytes;

const char* const kOpenFilter = "OpenFile(Open Left Picture|Image/Text files|*.jpg;*.gif;*.bmp;*.png;*.txt)";
const char* const kOpenMiddleFilter = "OpenFile(Open Middle Picture|Image/Text files|*.jpg;*.gif;*.bmp;*.png;*.txt)";
const char* const kSaveDialog = "SaveFile(|BMP pictures|*.BMP|JPEG pictures|*.JPG|GIF pictures|*.GIF|PNG pictures|*.PNG)";
const char* const kHourGlass = "SetCursor(crHourGlass)";
const char* const kDefault = "SetCursor(crDefault)";

class FormFilesTest : public test::ProgramTest {
protected:
    FormFilesTest() {
        test::FillPattern(picture, 47, 33);
        WritePicture(Path("picture.bmp"), picture);
    }
    TBitmap32 picture;

    // Something in the pane beforehand, so that emptying it shows.
    void PutSomethingIn(TImage32& pane) { test::FillPattern(pane.Bitmap(), 5, 4); }
};

TEST_F(FormFilesTest, OpenShowsTheNamesAndReadsTheFileByTheEndOfItsName) {
    // The same BMP bytes under several names: only the last four characters choose the format.
    const std::vector<uint8_t> bmp = ReadBytes(Path("picture.bmp"));
    for (const char* name : {"CAT.BmP", "cat.jpeg", "notes.txt", "bmp", "x.bmp.txt"}) {
        std::FILE* f = std::fopen(Path(name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bmp.data(), 1, bmp.size(), f);
        std::fclose(f);
    }
    ::mkdir(Path("folder.bmp").c_str(), 0700);
    const struct {
        const char* name;
        const char* shortName;
        bool read;  // the pane holds the picture afterwards (else it is empty)
    } cases[] = {
        {"CAT.BmP", "CAT.BmP", true},
        {"cat.jpeg", "cat.jpeg", false},
        {"notes.txt", "notes.txt", false},
        {"bmp", "bmp", false},
        {"x.bmp.txt", "x.bmp.txt", false},
        {"missing.bmp", "missing.bmp", false},
        {"folder.bmp", "folder.bmp", false},  // a folder named like a picture is no picture file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PutSomethingIn(*form->ImageL);
        desktop.Calls.clear();
        desktop.DialogAnswers = {Path(c.name)};
        form->OpenLeftButton->click();
        EXPECT_EQ(form->lFNameL->text().toStdString(), Path(c.name));
        EXPECT_EQ(form->lFShortNameL->text().toStdString(), c.shortName);
        if (c.read) {
            EXPECT_EQ(Pixels(form->ImageL->Bitmap()), Opaque(Pixels(picture)));
            EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kOpenFilter, kHourGlass, kDefault}));
        } else {
            EXPECT_EQ(form->ImageL->Bitmap().Width(), 0);
            EXPECT_EQ(form->ImageL->Bitmap().Height(), 0);
            EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kOpenFilter}));  // no message, no hourglass
        }
        EXPECT_EQ(form->lFNameM->text().toStdString(), "");  // the other pane's names are untouched
    }
}

TEST_F(FormFilesTest, OpenReadsEveryFormatIntoItsPane) {
    // Colours that survive each format exactly: GIF keeps the 216 web colours, JPEG at quality 100
    // keeps a flat colour within one step.
    TBitmap32 web;
    web.SetSize(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) web.SetPixel(x, y, 0xFF000000u | (x * 0x33u) << 16 | (y * 0x33u) << 8 | 0x66u);
    WritePicture(Path("web.gif"), web);
    TBitmap32 flat;
    flat.SetSize(16, 8);
    flat.Clear(0xFF808080u);
    WritePicture(Path("flat.JpG"), flat, 100);
    WritePicture(Path("picture.PNG"), picture);

    const struct {
        void (TForm1::*open)();
        TImage32* TForm1::*pane;
        const char* name;
        const char* dialog;
        std::vector<TColor32> expected;
        int width, height;
    } cases[] = {
        {&TForm1::OpenMiddleButtonClick, &TForm1::ImageM, "picture.bmp", kOpenMiddleFilter, Opaque(Pixels(picture)), 47, 33},
        {&TForm1::OpenLeftButtonClick, &TForm1::ImageL, "web.gif", kOpenFilter, Pixels(web), 6, 4},
        {&TForm1::OpenMiddleButtonClick, &TForm1::ImageM, "flat.JpG", kOpenMiddleFilter, {}, 16, 8},
        {&TForm1::OpenLeftButtonClick, &TForm1::ImageL, "picture.PNG", kOpenFilter, Opaque(Pixels(picture)), 47, 33},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.Calls.clear();
        desktop.DialogAnswers = {Path(c.name)};
        (form.get()->*c.open)();
        const TBitmap32& bitmap = (form.get()->*c.pane)->Bitmap();
        ASSERT_EQ(bitmap.Width(), c.width);
        ASSERT_EQ(bitmap.Height(), c.height);
        if (!c.expected.empty()) {
            EXPECT_EQ(Pixels(bitmap), c.expected);
        } else {
            for (const TColor32 p : Pixels(bitmap)) {
                EXPECT_EQ(p >> 24, 0xFFu);
                for (int shift : {0, 8, 16}) EXPECT_NEAR(static_cast<int>((p >> shift) & 0xFF), 0x80, 1);
            }
        }
        EXPECT_EQ(desktop.Calls, (std::vector<std::string>{c.dialog, kHourGlass, kDefault}));
    }
}

TEST_F(FormFilesTest, ACancelledOpenChangesNothing) {
    PutSomethingIn(*form->ImageL);
    form->lFNameL->setText("/pictures/before.bmp");
    form->lFShortNameL->setText("before.bmp");
    const std::vector<TColor32> before = Pixels(form->ImageL->Bitmap());
    desktop.DialogAnswers = {std::nullopt};
    form->OpenLeftButton->click();
    EXPECT_EQ(Pixels(form->ImageL->Bitmap()), before);
    EXPECT_EQ(form->lFNameL->text().toStdString(), "/pictures/before.bmp");
    EXPECT_EQ(form->lFShortNameL->text().toStdString(), "before.bmp");
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kOpenFilter}));
}

TEST_F(FormFilesTest, AFileThatCannotBeReadIsReportedAndLeavesThePaneEmptyWithItsNames) {
    test::WriteText(Path("short.bmp"), "BM12");
    test::WriteText(Path("other.bmp"), std::string("PK") + std::string(60, '\0'));
    test::WriteText(Path("text.jpg"), "plain text, no picture");
    test::WriteText(Path("text.png"), "plain text, no picture, long enough for a header");
    const struct {
        const char* name;
        std::string message;
    } cases[] = {
        {"short.bmp", "Stream read error."},
        {"other.bmp", "Bitmap image is not valid."},
        {"text.jpg", Format("JPEG error #%d.", static_cast<int>(JERR_NO_SOI))},
        {"text.png", "Invalid PNG file (invalid signature)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PutSomethingIn(*form->ImageL);
        desktop.Calls.clear();
        desktop.DialogAnswers = {Path(c.name)};
        form->OpenLeftButton->click();  // through the guard that shows the error box
        EXPECT_EQ(form->ImageL->Bitmap().Width(), 0);
        EXPECT_EQ(form->ImageL->Bitmap().Height(), 0);
        EXPECT_EQ(form->lFNameL->text().toStdString(), Path(c.name));
        EXPECT_EQ(form->lFShortNameL->text().toStdString(), c.name);
        // The cursor is back before the error box shows.
        EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kOpenFilter, kHourGlass, kDefault, "ShowError(Noxsteg|" + c.message + ")"}));
        EXPECT_EQ(desktop.CurrentCursor, TCursor::crDefault);
    }
}

TEST_F(FormFilesTest, ACorruptJpegScanLeavesNoHalfDrawnPicture) {
    TBitmap32 big;
    test::FillPattern(big, 64, 64);
    WritePicture(Path("whole.jpg"), big);
    std::vector<uint8_t> bytes = ReadBytes(Path("whole.jpg"));
    // Overwrite the entropy-coded data after the start of scan with markers that cannot be there.
    size_t sos = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) sos = i;
    ASSERT_GT(sos, 0u);
    for (size_t i = sos + 20; i + 2 < bytes.size(); i += 2) {
        bytes[i] = 0xFF;
        bytes[i + 1] = 0xC4;  // a Huffman table marker inside the scan: the library stops with an error
    }
    std::FILE* f = std::fopen(Path("corrupt.jpg").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    PutSomethingIn(*form->ImageL);
    desktop.DialogAnswers = {Path("corrupt.jpg")};
    form->OpenLeftButton->click();
    // The header is whole, so the pane was sized before the scan failed; it must not keep that
    // size with half a picture.
    ASSERT_EQ(desktop.Calls.size(), 4u);
    EXPECT_TRUE(desktop.Calls[3].starts_with("ShowError(Noxsteg|JPEG error #")) << desktop.Calls[3];
    EXPECT_EQ(form->ImageL->Bitmap().Width(), 0);
    EXPECT_EQ(form->ImageL->Bitmap().Height(), 0);
}

TEST_F(FormFilesTest, SaveChoosesTheFormatByTheNameAloneAndCorrectsANameOfNoFormat) {
    test::FillPattern(form->ImageR->Bitmap(), 13, 7);
    const std::string note = "ShowNote(Noxsteg|The file name did not have a recognized extension (\"BMP\", \"JPG\", \"GIF\", or \"PNG\"): \"BMP\" was used.)";
    const struct {
        const char* answer;
        const char* written;
        std::vector<uint8_t> magic;
        bool noted;
    } cases[] = {
        {"result", "result.BMP", {'B', 'M'}, true},
        {"result.jpeg", "result.jpeg.BMP", {'B', 'M'}, true},
        {"a.gif", "a.gif", {'G', 'I', 'F', '8', '7', 'a'}, false},
        {"x.bmp.bmp", "x.bmp.bmp", {'B', 'M'}, false},
        {"photo.JPG", "photo.JPG", {0xFF, 0xD8, 0xFF}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        desktop.Calls.clear();
        desktop.DialogAnswers = {Path(c.answer)};
        form->SaveButton->click();
        std::vector<std::string> calls{kSaveDialog};
        if (c.noted) calls.push_back(note);
        calls.insert(calls.end(), {kHourGlass, kDefault});
        EXPECT_EQ(desktop.Calls, calls);
        const std::vector<uint8_t> bytes = ReadBytes(Path(c.written));
        ASSERT_GE(bytes.size(), c.magic.size());
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.magic.size())), c.magic);
        if (c.noted) {
            EXPECT_FALSE(QFile::exists(QString::fromStdString(Path(c.answer))));
        }
    }
    // The BMP holds the pane exactly.
    TBitmap32 back;
    ASSERT_TRUE(ReadPictureFile(Path("result.BMP"), back));
    EXPECT_EQ(Pixels(back), Opaque(Pixels(form->ImageR->Bitmap())));
}

TEST_F(FormFilesTest, ACorrectedNameThatExistsIsReplacedOnlyWhenTheUserSaysYes) {
    test::FillPattern(form->ImageR->Bitmap(), 3, 2);
    const std::string note = "ShowNote(Noxsteg|The file name did not have a recognized extension (\"BMP\", \"JPG\", \"GIF\", or \"PNG\"): \"BMP\" was used.)";
    const std::string question = "AskYesNo(Noxsteg|" + Path("result.BMP") + " already exists.\nDo you want to replace it?)";
    const struct {
        const char* name;
        bool exists;
        std::deque<bool> answers;
        bool replaced;
    } cases[] = {
        {"no such file: no question", false, {}, true},
        {"Yes replaces it", true, {true}, true},
        {"No saves nothing", true, {false}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromStdString(Path("result.BMP")));
        if (c.exists) test::WriteText(Path("result.BMP"), "old");
        desktop.Calls.clear();
        desktop.YesNoAnswers = c.answers;
        desktop.DialogAnswers = {Path("result")};
        form->SaveButton->click();
        std::vector<std::string> calls{kSaveDialog, note};
        if (c.exists) calls.push_back(question);
        if (c.replaced) calls.insert(calls.end(), {kHourGlass, kDefault});
        EXPECT_EQ(desktop.Calls, calls);
        EXPECT_EQ(ReadBytes(Path("result.BMP")).size(), c.replaced ? 54u + 24u : 3u);
    }
}

TEST_F(FormFilesTest, ACancelledSaveWritesNothing) {
    test::FillPattern(form->ImageR->Bitmap(), 3, 3);
    desktop.DialogAnswers = {std::nullopt};
    form->SaveButton->click();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kSaveDialog}));
    EXPECT_EQ(QDir(QString::fromStdString(Path(""))).entryList(QDir::Files), QStringList{"picture.bmp"});
}

TEST_F(FormFilesTest, AnEmptyRightPaneIsSavedAllTheSame) {
    const struct {
        const char* name;
        size_t size;
    } cases[] = {{"empty.bmp", 0}, {"empty.jpg", 0}, {"empty.gif", 14}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.Calls.clear();
        desktop.DialogAnswers = {Path(c.name)};
        form->SaveButton->click();
        EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kSaveDialog, kHourGlass, kDefault}));
        EXPECT_TRUE(QFile::exists(QString::fromStdString(Path(c.name))));
        EXPECT_EQ(ReadBytes(Path(c.name)).size(), c.size);
    }
}

TEST_F(FormFilesTest, SaveEncodesAJpegAtTheTrackBarsQuality) {
    test::FillPattern(form->ImageR->Bitmap(), 40, 24);
    for (const int quality : {0, 37, 100}) {
        SCOPED_TRACE(quality);
        form->JPEGQualityTB->setValue(quality);
        desktop.DialogAnswers = {Path("q.jpg")};
        form->SaveButton->click();
        WritePicture(Path("reference.jpg"), form->ImageR->Bitmap(), quality);
        EXPECT_EQ(ReadBytes(Path("q.jpg")), ReadBytes(Path("reference.jpg")));
    }
    // Different qualities give different files, so the comparison above can fail.
    WritePicture(Path("other.jpg"), form->ImageR->Bitmap(), 36);
    EXPECT_NE(ReadBytes(Path("other.jpg")), ReadBytes(Path("reference.jpg")));
}

TEST_F(FormFilesTest, AFailedSaveIsReportedAndKeepsTheFileAndThePane) {
    test::FillPattern(form->ImageR->Bitmap(), 4, 4);
    const std::vector<TColor32> before = Pixels(form->ImageR->Bitmap());
    const std::string missingFolder = Path("no/such/folder/out.bmp");
    desktop.DialogAnswers = {missingFolder};
    form->SaveButton->click();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kSaveDialog, kHourGlass, kDefault, "ShowError(Noxsteg|Cannot create file " + missingFolder + ".)"}));
    EXPECT_EQ(Pixels(form->ImageR->Bitmap()), before);
    EXPECT_EQ(desktop.CurrentCursor, TCursor::crDefault);
}

TEST_F(FormFilesTest, SaveRefusesAFormatThatWouldDestroyAPayloadHiddenInTheRightPane) {
    test::FillPattern(form->ImageL->Bitmap(), 40, 20);
    THiddenDataPanel panel(*form->ImageL, *form->ImageR);
    panel.Message->setPlainText("secret");
    panel.HideIntoRight();
    const std::vector<TColor32> hidden = Pixels(form->ImageR->Bitmap());
    const std::pair<const char*, const char*> cases[] = {
        {"out.jpg", "A hidden payload does not survive saving as JPEG; save as PNG or BMP."},
        {"out.GIF", "A hidden payload does not survive saving as GIF; save as PNG or BMP."},
    };
    for (const auto& [name, message] : cases) {
        desktop.Calls.clear();
        desktop.DialogAnswers = {Path(name)};
        form->SaveButton->click();
        EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kSaveDialog, std::string("ShowError(Noxsteg|") + message + ")"}));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(Path(name))));
    }
    desktop.DialogAnswers = {Path("out.bmp")};
    form->SaveButton->click();
    EXPECT_EQ(Pixels(form->ImageR->Bitmap()), hidden);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Path("out.bmp"))));
}

TEST_F(FormFilesTest, APictureHiddenWithSetLSBsAndSavedAsBmpIsRevealedFromTheFile) {
    const std::string samples = std::string(NOXSTEG_SOURCE_DIR) + "/samples/";
    desktop.DialogAnswers = {samples + "cover.bmp", samples + "secret.bmp", Path("hidden.bmp"), Path("hidden.bmp")};
    form->OpenLeftButton->click();
    form->OpenMiddleButton->click();
    const TBitmap32& secret = form->ImageM->Bitmap();
    ASSERT_GT(secret.Width(), 0);
    const std::vector<TColor32> coverPixels = Pixels(form->ImageL->Bitmap());
    form->SetLSBsButton->click();
    form->SaveButton->click();
    form->OpenLeftButton->click();
    EXPECT_EQ(form->lFShortNameL->text().toStdString(), "hidden.bmp");
    // The hidden picture differs from the cover only in the lowest bit of each channel.
    const std::vector<TColor32> hidden = Pixels(form->ImageL->Bitmap());
    ASSERT_EQ(hidden.size(), coverPixels.size());
    for (size_t i = 0; i < hidden.size(); ++i) ASSERT_EQ(hidden[i] & 0xFFFEFEFEu, coverPixels[i] & 0xFFFEFEFEu) << i;

    form->ShowLSBsButton->click();
    const TBitmap32& revealed = form->ImageR->Bitmap();
    ASSERT_EQ(revealed.Width(), secret.Width());
    ASSERT_EQ(revealed.Height(), secret.Height());
    size_t black = 0;
    for (int y = 0; y < secret.Height(); ++y)
        for (int x = 0; x < secret.Width(); ++x) {
            const bool white = (secret.GetPixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu;
            ASSERT_EQ(revealed.GetPixel(x, y) & 0xFFFFFFu, white ? 0xFFFFFFu : 0u) << x << "," << y;
            black += white ? 0 : 1;
        }
    EXPECT_GT(black, 0u);  // the secret has something to reveal
}

// A file dropped on the Left or Middle pane opens there as its Open button would open it (names,
// picture, cursor, error box), without a dialog; of several files the first. Anything else is
// refused and changes nothing. An acceptable drag frames the pane while it hovers.
TEST_F(FormFilesTest, AFileDroppedOnAPaneOpensThere) {
    WritePicture(Path("drop.png"), picture);
    test::WriteText(Path("bad.png"), "plain text, no picture, long enough for a header");
    test::WriteText(Path("notes.txt"), "notes");
    const auto file = [this](const char* name) { return QUrl::fromLocalFile(QString::fromStdString(Path(name))); };
    const struct {
        TImage32* TForm1::*pane;
        QLabel* TForm1::*name;
        QList<QUrl> urls;  // none: a drag of plain text
        const char* opened;  // null: refused
        std::vector<std::string> calls;
    } cases[] = {
        {&TForm1::ImageL, &TForm1::lFNameL, {file("drop.png")}, "drop.png", {kHourGlass, kDefault}},
        {&TForm1::ImageM, &TForm1::lFNameM, {file("drop.png"), file("notes.txt")}, "drop.png", {kHourGlass, kDefault}},
        {&TForm1::ImageM, &TForm1::lFNameM, {file("bad.png")}, "bad.png",
         {kHourGlass, kDefault, "ShowError(Noxsteg|Invalid PNG file (invalid signature).)"}},
        {&TForm1::ImageL, &TForm1::lFNameL, {file("notes.txt"), file("drop.png")}, nullptr, {}},
        {&TForm1::ImageM, &TForm1::lFNameM, {QUrl("https://example.org/drop.png")}, nullptr, {}},
        {&TForm1::ImageL, &TForm1::lFNameL, {}, nullptr, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.urls.isEmpty() ? "text" : c.urls.first().toString().toStdString());
        TImage32& pane = *(form.get()->*c.pane);
        QLabel& name = *(form.get()->*c.name);
        PutSomethingIn(pane);
        name.setText("before");
        desktop.Calls.clear();
        QMimeData mime;
        if (c.urls.isEmpty()) mime.setText("drop.png");
        mime.setUrls(c.urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&pane, &enter);
        EXPECT_EQ(enter.isAccepted(), c.opened != nullptr);
        auto* frame = pane.findChild<QFrame*>();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(!frame->isHidden(), c.opened != nullptr) << "the pane shows it accepts the hovering drag";
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&pane, &drop);
        EXPECT_TRUE(frame->isHidden());
        EXPECT_EQ(desktop.Calls, c.calls);
        if (c.opened == nullptr) {
            EXPECT_EQ(pane.Bitmap().Width(), 5);
            EXPECT_EQ(name.text().toStdString(), "before");
        } else {
            EXPECT_EQ(name.text().toStdString(), Path(c.opened));
            if (c.calls.size() == 2) EXPECT_EQ(Pixels(pane.Bitmap()), Opaque(Pixels(picture)));
            else EXPECT_EQ(pane.Bitmap().Width(), 0);
        }
    }
}

}  // namespace
}  // namespace nox
