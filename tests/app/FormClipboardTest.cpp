// Copy and Paste of the pop-up menu over an in-memory clipboard: the copied bitmap's size and
// bytes, what Copy replaces, a clipboard held by another program, and Paste of every kind of
// clipboard content in the clipboard's own order, silent whatever goes wrong.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>

#include "formats/gif/GifImage.h"
#include "platform/Errors.h"
#include "tests/app/ProgramTestSupport.h"

namespace nox {
namespace {

using test::Opaque;
using test::Pixels;

class FormClipboardTest : public test::ProgramTest {
protected:
    TMemoryClipboard& clipboard = desktop.MemoryClipboard;

    void On(TImage32* pane) { form->PopupMenu1->SetPopupComponent(pane); }

    // A GIF file's bytes: a picture in web colours, written by our GIF writer.
    std::vector<uint8_t> GifBytes(int width, int height) {
        TBitmap32 web;
        web.SetSize(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) web.SetPixel(x, y, 0xFF000000u | ((x % 6) * 0x33u) << 16 | ((y % 6) * 0x33u) << 8 | 0x99u);
        WritePicture(Path("clip.gif"), web);
        gifPixels = Pixels(web);
        return test::ReadBytes(Path("clip.gif"));
    }
    std::vector<TColor32> gifPixels;

    static TBitmap Bitmap8() {
        TBitmap b;
        b.SetBitsPerPixel(8);
        b.SetSize(3, 2);
        std::vector<TRGBQuad> table(256);
        table[1] = TRGBQuad{0x10, 0x20, 0x30, 0};
        table[2] = TRGBQuad{0xA1, 0xB2, 0xC3, 0};
        b.SetColorTable(table);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(1 + (x + y) % 2);
        return b;
    }
};

TEST_F(FormClipboardTest, CopyFromTheRightAndPasteOnTheLeftGivesTheExactColoursWithAlpha255) {
    test::FillPattern(form->ImageR->Bitmap(), 37, 21);
    test::FillPattern(form->ImageL->Bitmap(), 5, 5);
    form->lFNameL->setText("/pictures/left.bmp");
    form->lFShortNameL->setText("left.bmp");
    clipboard.SetData(CF_TEXT, {'h', 'i', 0});

    On(form->ImageR);
    form->Copy1->trigger();
    // One picture of the pane's size replaced the text.
    EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_BITMAP}));
    const std::unique_ptr<TBitmap> placed = clipboard.GetBitmap();
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->GetWidth(), 37);
    EXPECT_EQ(placed->GetHeight(), 21);
    EXPECT_EQ(placed->BitsPerPixel(), 32);

    On(form->ImageL);
    form->Paste1->trigger();
    EXPECT_EQ(form->ImageL->Bitmap().Width(), 37);
    EXPECT_EQ(form->ImageL->Bitmap().Height(), 21);
    EXPECT_EQ(Pixels(form->ImageL->Bitmap()), Opaque(Pixels(form->ImageR->Bitmap())));
    EXPECT_EQ(clipboard.OpenCount, 2);
    EXPECT_EQ(clipboard.CloseCount, 2);
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{}));
}

TEST_F(FormClipboardTest, CopyOfAClipboardHeldByAnotherProgramIsReportedAndChangesNothing) {
    test::FillPattern(form->ImageM->Bitmap(), 4, 4);
    clipboard.SetData(CF_TEXT, {'h', 'i', 0});
    clipboard.HeldByOther = true;
    On(form->ImageM);
    form->Copy1->trigger();  // through the guard that shows the error box
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{"ShowError(Noxsteg|Cannot open clipboard.)"}));
    EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_TEXT}));
}

TEST_F(FormClipboardTest, PasteTakesTheFirstRecognisedPictureOrLeavesThePaneAsItWas) {
    RegisterPictureFormats();
    const unsigned gif = CF_GIF();
    ASSERT_NE(gif, 0u);
    const std::vector<uint8_t> gifFile = GifBytes(7, 9);
    TBitmap bitmap8 = Bitmap8();
    // The 8-bit bitmap's colours through its table, opaque.
    const std::vector<TColor32> bitmapPixels = {0xFF302010u, 0xFFC3B2A1u, 0xFF302010u, 0xFFC3B2A1u, 0xFF302010u, 0xFFC3B2A1u};

    enum Outcome { kUnchanged, kBitmap, kGif };
    const struct {
        const char* name;
        std::function<void(TMemoryClipboard&)> fill;
        Outcome outcome;
    } cases[] = {
        {"only text", [](TMemoryClipboard& c) { c.SetData(CF_TEXT, {'a', 0}); }, kUnchanged},
        {"empty clipboard", [](TMemoryClipboard&) {}, kUnchanged},
        {"held by another program", [&](TMemoryClipboard& c) { c.SetBitmap(bitmap8); c.HeldByOther = true; }, kUnchanged},
        {"bitmap entry without data", [](TMemoryClipboard& c) { c.SetFormatWithoutData(CF_BITMAP); }, kUnchanged},
        {"text, then a bitmap", [&](TMemoryClipboard& c) { c.SetData(CF_TEXT, {'a', 0}); c.SetBitmap(bitmap8); }, kBitmap},
        {"a GIF file", [&](TMemoryClipboard& c) { c.SetData(gif, gifFile); }, kGif},
        {"a GIF, then a bitmap", [&](TMemoryClipboard& c) { c.SetData(gif, gifFile); c.SetBitmap(bitmap8); }, kGif},
        {"a bitmap, then a GIF", [&](TMemoryClipboard& c) { c.SetBitmap(bitmap8); c.SetData(gif, gifFile); }, kBitmap},
        {"a damaged GIF, then a bitmap", [&](TMemoryClipboard& c) { c.SetData(gif, {'G', 'I', 'F', '8', '9', 'a', 1}); c.SetBitmap(bitmap8); }, kUnchanged},
        {"a metafile, then a bitmap", [&](TMemoryClipboard& c) { c.SetFormatWithoutData(CF_ENHMETAFILE); c.SetBitmap(bitmap8); }, kUnchanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clipboard.Clear();
        clipboard.HeldByOther = false;
        clipboard.OpenCount = clipboard.CloseCount = 0;
        c.fill(clipboard);
        test::FillPattern(form->ImageM->Bitmap(), 4, 3);
        const std::vector<TColor32> before = Pixels(form->ImageM->Bitmap());
        desktop.Calls.clear();

        On(form->ImageM);
        form->Paste1->trigger();
        const TBitmap32& pane = form->ImageM->Bitmap();
        switch (c.outcome) {
            case kUnchanged:
                EXPECT_EQ(pane.Width(), 4);
                EXPECT_EQ(pane.Height(), 3);
                EXPECT_EQ(Pixels(pane), before);
                break;
            case kBitmap:
                EXPECT_EQ(pane.Width(), 3);
                EXPECT_EQ(pane.Height(), 2);
                EXPECT_EQ(Pixels(pane), bitmapPixels);
                break;
            case kGif:
                // Drawn at its own size, not emptied.
                EXPECT_EQ(pane.Width(), 7);
                EXPECT_EQ(pane.Height(), 9);
                EXPECT_EQ(Pixels(pane), gifPixels);
                break;
        }
        EXPECT_EQ(desktop.Calls, (std::vector<std::string>{}));  // never a message
        EXPECT_EQ(clipboard.OpenCount, clipboard.CloseCount);    // closed on every path
    }
}

TEST_F(FormClipboardTest, APastedPictureDropsThePaneNamesAsBlackenDoes) {
    const struct {
        const char* name;
        TImage32* pane;
        bool picture;  // a bitmap on the clipboard (else text only: nothing is pasted)
        bool leftNamesKept, middleNamesKept;
    } cases[] = {
        {"Left", form->ImageL, true, false, true},
        {"Middle", form->ImageM, true, true, false},
        {"Right", form->ImageR, true, true, true},
        {"nothing pasted", form->ImageL, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clipboard.Clear();
        if (c.picture)
            clipboard.SetBitmap(Bitmap8());
        else
            clipboard.SetData(CF_TEXT, {'a', 0});
        test::FillPattern(c.pane->Bitmap(), 2, 2);
        form->lFNameL->setText("/pictures/left.bmp");
        form->lFShortNameL->setText("left.bmp");
        form->lFNameM->setText("/pictures/middle.bmp");
        form->lFShortNameM->setText("middle.bmp");
        On(c.pane);
        form->Paste1Click();
        EXPECT_EQ(c.pane->Bitmap().Width(), c.picture ? 3 : 2);
        EXPECT_EQ(form->lFNameL->text().isEmpty(), !c.leftNamesKept);
        EXPECT_EQ(form->lFShortNameL->text().isEmpty(), !c.leftNamesKept);
        EXPECT_EQ(form->lFNameM->text().isEmpty(), !c.middleNamesKept);
        EXPECT_EQ(form->lFShortNameM->text().isEmpty(), !c.middleNamesKept);
    }
    // Nothing of this reaches the settings file until shut-down, which keeps the stored names.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.Settings())));
}

TEST_F(FormClipboardTest, PasteRepaintsThePane) {
    clipboard.SetBitmap(Bitmap8());
    test::FillPattern(form->ImageR->Bitmap(), 2, 2);
    form->show();
    test::ProcessPendingEvents();
    const uint64_t repaints = form->ImageR->BufferPaintCount();
    On(form->ImageR);
    form->Paste1Click();
    test::ProcessPendingEvents();
    EXPECT_GT(form->ImageR->BufferPaintCount(), repaints);
    EXPECT_EQ(form->ImageR->Buffer().GetPixel(0, 0), 0xFF302010u);  // stretched: the top-left pixel
}

}  // namespace
}  // namespace nox
