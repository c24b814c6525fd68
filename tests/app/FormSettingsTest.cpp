// Start-up and shut-down with a real settings file in a temporary folder: the first and second
// runs, the held and defaulted values, the window's place, names never written when blank, the
// close box and Exit, a picture that cannot be read at start-up, and a refused write.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cstdlib>

#include "app/RadioGroup.h"
#include "platform/Errors.h"
#include "tests/app/ProgramTestSupport.h"

namespace nox {
namespace {

using test::ReadText;
using test::WriteText;

const char* const kReadMe = "OpenDocument(/opt/noxsteg/bin/ReadMe.Txt)";

class FormSettingsTest : public test::ProgramTest {
protected:
    void Store(const std::string& contents) {
        ::mkdir(Path("config").c_str(), 0700);
        WriteText(folder.Settings(), contents);
    }
    // A new window, as at the next start of the program.
    void Restart() {
        form.reset();
        desktop.Calls.clear();
        form = std::make_unique<TForm1>(services);
    }
    QRect Bounds() const { return QRect(form->x(), form->y(), form->width(), form->height()); }
};

TEST_F(FormSettingsTest, TheFirstRunOpensTheReadMeCentresTheWindowAndMarksTheReadMeShown) {
    form->FormShow();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kReadMe}));
    EXPECT_EQ(Bounds(), QRect(119, 151, 786, 466));  // (1024 - 786) div 2, (768 - 466) div 2
    EXPECT_EQ(form->ImageModeRG->ItemIndex(), 1);
    for (TImage32* pane : {form->ImageL, form->ImageM, form->ImageR}) EXPECT_EQ(pane->ScaleMode(), smStretch);
    EXPECT_EQ(form->JPEGQualityTB->value(), 95);
    EXPECT_EQ(form->lQuality->text().toStdString(), "95");  // the design-time "99" replaced
    EXPECT_EQ(ReadText(folder.Settings()), "[Show]\nReadMe=1\n");
    // The layout followed the restored size: the panes of a 786 x 466 window.
    EXPECT_EQ(form->ImageR->geometry(), QRect(516, 121, 246, 313));

    form->FormDestroy();
    EXPECT_EQ(ReadText(folder.Settings()),
              "[Show]\nReadMe=1\n[JPEG]\nQuality=95\n[Position]\nLeft=119\nWidth=786\nTop=151\nHeight=466\n[Image]\nMode=1\n");

    // The second run does not open the read-me, and finds everything again.
    Restart();
    form->FormShow();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{}));
    EXPECT_EQ(Bounds(), QRect(119, 151, 786, 466));
}

TEST_F(FormSettingsTest, TheDefaultPlaceComesFromTheScreenAndTheDesignSize) {
    const struct {
        int screenWidth, screenHeight;
        QPoint place;
    } cases[] = {
        {1024, 768, {119, 151}},
        {640, 480, {-73, 7}},   // narrower than the window: off the screen's left edge
        {787, 467, {0, 0}},     // div 2 rounds toward zero
        {785, 465, {0, 0}},     // -1 div 2 is 0
        {1920, 1080, {567, 307}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screenWidth);
        Restart();
        desktop.ScreenWidth = c.screenWidth;
        desktop.ScreenHeight = c.screenHeight;
        form->FormShow();
        EXPECT_EQ(form->pos(), c.place);
    }
}

TEST_F(FormSettingsTest, StoredValuesAreHeldWithinTheirControlsOrDefaulted) {
    const struct {
        const char* quality;
        int position;
        const char* mode;
        int item;
    } cases[] = {
        {"500", 100, "7", 2},  {"0x20", 32, "-5", -1}, {"abc", 95, "abc", 1}, {"-5", 0, "0", 0},
        {"$1F", 31, "0X2", 2}, {"", 95, "", 1},        {"4294967296", 95, "2147483648", 1},
        {" 40 ", 40, "1", 1},  // values are trimmed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.quality) + " / " + c.mode);
        Restart();
        Store(std::string("[JPEG]\nQuality=") + c.quality + "\n[Image]\nMode=" + c.mode + "\n[Show]\nReadMe=1\n");
        form->FormShow();
        EXPECT_EQ(form->JPEGQualityTB->value(), c.position);
        EXPECT_EQ(form->lQuality->text().toStdString(), std::to_string(c.position));
        EXPECT_EQ(form->ImageModeRG->ItemIndex(), c.item);
        // Only Scale enables Zoom In; with nothing selected the panes keep Stretch.
        EXPECT_EQ(form->ZoomInButton->isEnabled(), c.item == 2);
        EXPECT_FALSE(form->ZoomOutButton->isEnabled());
        const TScaleMode expected = c.item == 0 ? smNormal : c.item == 2 ? smScale : smStretch;
        for (TImage32* pane : {form->ImageL, form->ImageM, form->ImageR}) EXPECT_EQ(pane->ScaleMode(), expected);
        form->FormDestroy();
        TIniFile settings(kSettingsFileName);
        EXPECT_EQ(settings.ReadString("Image", "Mode", "?"), std::to_string(c.item));
        EXPECT_EQ(settings.ReadString("JPEG", "Quality", "?"), std::to_string(c.position));
    }
}

TEST_F(FormSettingsTest, AStoredPlaceAndSizeAreUsedAsTheyStand) {
    Store("[Position]\nLeft=-3000\nWidth=900\nTop=5000\nHeight=500\n[Show]\nReadMe=1\n");
    form->FormShow();
    EXPECT_EQ(Bounds(), QRect(-3000, 5000, 900, 500));
    // The layout rule ran for the new size: panes 284 wide at 8, 300 and 592.
    EXPECT_EQ(form->ImageL->geometry(), QRect(8, 121, 284, 347));
    EXPECT_EQ(form->ImageM->x(), 300);
    EXPECT_EQ(form->ImageR->x(), 592);
}

TEST_F(FormSettingsTest, AMistypedHugeSizeIsHeldBelowTheLargestWindow) {
    Store("[Position]\nWidth=2000000\nHeight=99999999\n[Show]\nReadMe=1\n");
    form->FormShow();
    EXPECT_EQ(form->width(), 16384);
    EXPECT_EQ(form->height(), 16384);
}

TEST_F(FormSettingsTest, StoredPicturesAreReadAgainWithTheirNames) {
    TBitmap32 left, middle;
    test::FillPattern(left, 9, 5);
    test::FillPattern(middle, 3, 8);
    WritePicture(Path("left.bmp"), left);
    WritePicture(Path("middle.bmp"), middle);
    Store("[FileName]\nLeft=" + Path("left.bmp") + "\nMiddle=" + Path("middle.bmp") + "\n[Show]\nReadMe=1\n");
    form->FormShow();
    EXPECT_EQ(test::Pixels(form->ImageL->Bitmap()), test::Opaque(test::Pixels(left)));
    EXPECT_EQ(test::Pixels(form->ImageM->Bitmap()), test::Opaque(test::Pixels(middle)));
    EXPECT_EQ(form->lFNameL->text().toStdString(), Path("left.bmp"));
    EXPECT_EQ(form->lFShortNameL->text().toStdString(), "left.bmp");
    EXPECT_EQ(form->lFNameM->text().toStdString(), Path("middle.bmp"));
    EXPECT_EQ(form->lFShortNameM->text().toStdString(), "middle.bmp");
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{"SetCursor(crHourGlass)", "SetCursor(crDefault)", "SetCursor(crHourGlass)",
                                                       "SetCursor(crDefault)"}));
}

TEST_F(FormSettingsTest, BlankNamesAreNeverWrittenSoTheStoredOnesStay) {
    Store("[FileName]\nMiddle=/gone/middle.bmp\n[Show]\nReadMe=1\n");
    form->FormShow();
    // No Left key: nothing read, both Left labels empty. The Middle file is gone: names shown.
    EXPECT_EQ(form->lFNameL->text().toStdString(), "");
    EXPECT_EQ(form->lFShortNameL->text().toStdString(), "");
    EXPECT_EQ(form->lFNameM->text().toStdString(), "/gone/middle.bmp");
    EXPECT_EQ(form->lFShortNameM->text().toStdString(), "middle.bmp");
    EXPECT_TRUE(form->ImageM->Bitmap().IsEmpty());
    // Whiten on the Middle pane clears its names; a blank Left name of spaces and line breaks.
    form->PopupMenu1->SetPopupComponent(form->ImageM);
    form->ImageM->Bitmap().SetSize(2, 2);
    form->Whiten1Click();
    form->lFNameL->setText(" \r\n ");
    form->FormDestroy();
    TIniFile settings(kSettingsFileName);
    EXPECT_EQ(settings.ReadString("FileName", "Left", "(none)"), "(none)");
    EXPECT_EQ(settings.ReadString("FileName", "Middle", "(none)"), "/gone/middle.bmp");
}

TEST_F(FormSettingsTest, TheCloseBoxExitAndTheEndOfTheProgramWriteTheSameSettings) {
    std::vector<std::string> written;
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        ::unlink(folder.Settings().c_str());
        Restart();
        form->BecomeMainWindow();
        form->show();  // runs FormShow
        test::ProcessPendingEvents();
        EXPECT_EQ(ReadText(folder.Settings()), "[Show]\nReadMe=1\n");
        form->JPEGQualityTB->setValue(61);
        form->ImageModeRG->SetItemIndex(0);
        form->lFNameL->setText("/pictures/left.bmp");
        if (way == 0) form->close();               // the close box
        if (way == 1) form->ExitButton->click();   // "E&xit"
        if (way == 2) form.reset();                // destroyed without being closed
        written.push_back(ReadText(folder.Settings()));
        EXPECT_NE(written.back().find("[FileName]\nLeft=/pictures/left.bmp\n"), std::string::npos) << written.back();
        EXPECT_NE(written.back().find("Quality=61\n"), std::string::npos);
        EXPECT_NE(written.back().find("[Image]\nMode=0\n"), std::string::npos);
        if (form) {
            // Closing again, or destroying the closed window, writes nothing more.
            Store("changed by hand\n");
            form->close();
            form.reset();
            EXPECT_EQ(ReadText(folder.Settings()), "changed by hand\n");
        }
    }
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(written[0], written[2]);
}

TEST_F(FormSettingsTest, AWindowNotMadeTheMainWindowLeavesTheSettingsAlone) {
    form->show();
    test::ProcessPendingEvents();
    form->close();
    form.reset();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.Settings())));
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{}));
}

TEST_F(FormSettingsTest, APictureThatCannotBeReadAtStartUpIsReportedAndStartUpGoesOn) {
    TBitmap32 middle;
    test::FillPattern(middle, 6, 6);
    WritePicture(Path("middle.bmp"), middle);
    WriteText(Path("damaged.bmp"), "XX" + std::string(60, '\0'));  // not "BM": not a bitmap
    Store("[FileName]\nLeft=" + Path("damaged.bmp") + "\nMiddle=" + Path("middle.bmp") +
          "\n[JPEG]\nQuality=40\n[Image]\nMode=2\n[Position]\nLeft=10\nWidth=900\nTop=20\nHeight=500\n[Show]\nReadMe=1\n");
    form->FormShow();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{"SetCursor(crHourGlass)", "SetCursor(crDefault)", "ShowError(Noxsteg|Bitmap image is not valid.)",
                                                       "SetCursor(crHourGlass)", "SetCursor(crDefault)"}));
    EXPECT_TRUE(form->ImageL->Bitmap().IsEmpty());
    EXPECT_EQ(form->lFNameL->text().toStdString(), Path("damaged.bmp"));
    EXPECT_EQ(form->lFShortNameL->text().toStdString(), "damaged.bmp");
    // Everything after it was still restored.
    EXPECT_EQ(test::Pixels(form->ImageM->Bitmap()), test::Opaque(test::Pixels(middle)));
    EXPECT_EQ(form->JPEGQualityTB->value(), 40);
    EXPECT_EQ(form->ImageModeRG->ItemIndex(), 2);
    EXPECT_EQ(form->ImageL->ScaleMode(), smScale);
    EXPECT_EQ(Bounds(), QRect(10, 20, 900, 500));
    // So shut-down keeps them, and keeps the failing name for the user to repair.
    form->FormDestroy();
    TIniFile settings(kSettingsFileName);
    EXPECT_EQ(settings.ReadString("FileName", "Left", ""), Path("damaged.bmp"));
    EXPECT_EQ(settings.ReadInteger("JPEG", "Quality", 0), 40);
    EXPECT_EQ(settings.ReadInteger("Position", "Width", 0), 900);
}

TEST_F(FormSettingsTest, ARefusedWriteEndsStartUpAtTheReadMeKey) {
    // A file where the settings folder should be: the folder cannot be made, every write fails.
    WriteText(Path("blocked"), "a file, not a folder");
    ::setenv("XDG_CONFIG_HOME", Path("blocked/config").c_str(), 1);
    desktop.ScreenWidth = 2000;
    try {
        form->FormShow();
        ADD_FAILURE() << "the refused write was not reported";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to write to NoxSteg.INI");
    }
    // The steps after the write did not run: the window keeps its design-time place, not the
    // default one ((2000 - 786) div 2 = 607).
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kReadMe}));
    EXPECT_EQ(form->pos(), QPoint(197, 112));
    Restart();
    form->BecomeMainWindow();
    form->show();  // FormShow inside the guard: the error box, and the steps after it do not run
    test::ProcessPendingEvents();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{kReadMe, "ShowError(Noxsteg|Unable to write to NoxSteg.INI.)"}));
    EXPECT_EQ(form->JPEGQualityTB->value(), 95);
    EXPECT_EQ(form->lQuality->text().toStdString(), "95");
    desktop.Calls.clear();
    form->close();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{"ShowError(Noxsteg|Unable to write to NoxSteg.INI.)"}));
}

}  // namespace
}  // namespace nox

namespace nox {
namespace {

TEST_F(FormSettingsTest, ANameThatIsNotUtf8IsWrittenBackByteForByte) {
    const std::string name = "/pictures/caf\xE9 \xFF.bmp";
    Store("[FileName]\nLeft=" + name + "\n[Show]\nReadMe=1\n");
    form->FormShow();
    // A click on the pane opens the file of exactly that name, and shut-down keeps it.
    form->ImageLClick();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{"OpenDocument(" + name + ")"}));
    form->FormDestroy();
    TIniFile settings(kSettingsFileName);
    EXPECT_EQ(settings.ReadString("FileName", "Left", ""), name);
}

}  // namespace
}  // namespace nox
