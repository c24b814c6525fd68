// Copy and paste through the clipboard interface, on the clipboard held in memory: which format
// paste takes, its errors, and that the clipboard is always closed again.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Clipboard.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

namespace nox {
namespace {

// A graphic read from a memory block: its first two bytes are its width and height; "bad" data
// fails as a damaged file would.
class TBlockGraphic : public TGraphic {
public:
    const char* ClassName() const override { return "TBlockGraphic"; }
    int32_t Width() override { return w; }
    int32_t Height() override { return h; }
    void SetWidth(int32_t v) override { w = v; }
    void SetHeight(int32_t v) override { h = v; }
    void Draw(TCanvas&, const TRect&) override {}
    void LoadFromStream(TStream& stream) override {
        uint8_t size[2];
        stream.ReadBuffer(size, 2);
        w = size[0];
        h = size[1];
    }
    void SaveToStream(TStream&) override {}
    int32_t w = 0, h = 0;
};

unsigned BlockFormat() {
    static const unsigned format = [] {
        const unsigned f = RegisterClipboardFormat("Test Block Image");
        TPicture::RegisterClipboardFormat(f, [] { return std::make_unique<TBlockGraphic>(); });
        return f;
    }();
    return format;
}

// A 32-bit picture whose every byte differs, so that a swapped or shifted byte shows.
TBitmap Pattern(int32_t width, int32_t height) {
    TBitmap b;
    b.SetBitsPerPixel(32);
    b.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (size_t i = 0; i < b.RowBytes(); ++i) b.ScanLine(y)[i] = static_cast<uint8_t>(y * 61 + i * 7 + 1);
    return b;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() && a.BitsPerPixel() == b.BitsPerPixel() &&
           a.Pixels().size() == b.Pixels().size() && std::memcmp(a.Pixels().data(), b.Pixels().data(), a.Pixels().size()) == 0;
}

enum class Entry { kText, kBitmap, kBitmapWithoutData, kBlock, kBadBlock, kBlockWithoutData, kMetafile, kUnregistered };

void Place(TMemoryClipboard& clipboard, Entry entry) {
    switch (entry) {
        case Entry::kText: clipboard.SetData(CF_TEXT, {'h', 'i', 0}); break;
        case Entry::kBitmap: clipboard.SetBitmap(Pattern(3, 2)); break;
        case Entry::kBitmapWithoutData: clipboard.SetFormatWithoutData(CF_BITMAP); break;
        case Entry::kBlock: clipboard.SetData(BlockFormat(), {9, 4}); break;
        case Entry::kBadBlock: clipboard.SetData(BlockFormat(), {9}); break;
        case Entry::kBlockWithoutData: clipboard.SetFormatWithoutData(BlockFormat()); break;
        case Entry::kMetafile: clipboard.SetData(CF_ENHMETAFILE, {1, 2, 3}); break;
        case Entry::kUnregistered: clipboard.SetData(RegisterClipboardFormat("Test Other Image"), {1, 1}); break;
    }
}

TEST(ClipboardPaste, TakesTheFirstRecognisedFormatInTheClipboardsOrder) {
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        const char* graphicClass;  // of the picture afterwards (the one held before: "TBitmap" 1 x 1)
        int32_t width, height;
        const char* error;  // "" for none
    };
    const Case cases[] = {
        {"text only", {Entry::kText}, "TBitmap", 1, 1, "Invalid clipboard format"},
        {"empty clipboard", {}, "TBitmap", 1, 1, "Invalid clipboard format"},
        {"unregistered format", {Entry::kUnregistered, Entry::kText}, "TBitmap", 1, 1, "Invalid clipboard format"},
        {"text then bitmap", {Entry::kText, Entry::kBitmap}, "TBitmap", 3, 2, ""},
        {"block before bitmap", {Entry::kText, Entry::kBlock, Entry::kBitmap}, "TBlockGraphic", 9, 4, ""},
        {"bitmap before block", {Entry::kBitmap, Entry::kBlock}, "TBitmap", 3, 2, ""},
        {"bitmap without data stops the walk", {Entry::kBitmapWithoutData, Entry::kBlock}, "TBitmap", 1, 1,
         "Unsupported clipboard format"},
        {"block without data", {Entry::kBlockWithoutData, Entry::kBitmap}, "TBitmap", 1, 1,
         "Unsupported clipboard format"},
        {"metafile first", {Entry::kMetafile, Entry::kBitmap}, "TBitmap", 1, 1, "Unsupported clipboard format"},
        {"damaged block", {Entry::kBadBlock, Entry::kBitmap}, "TBitmap", 1, 1, "Stream read error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryClipboard clipboard;
        for (const Entry e : c.entries) Place(clipboard, e);
        TPicture picture;
        picture.Bitmap().SetSize(1, 1);
        std::string error;
        try {
            picture.Assign(&clipboard);
        } catch (const Exception& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error);
        ASSERT_NE(picture.Graphic(), nullptr);
        EXPECT_STREQ(picture.Graphic()->ClassName(), c.graphicClass);
        EXPECT_EQ(picture.Width(), c.width);
        EXPECT_EQ(picture.Height(), c.height);
        EXPECT_EQ(clipboard.OpenCount, 1);
        EXPECT_EQ(clipboard.CloseCount, 1);
    }
}

TEST(ClipboardPaste, ABitmapComesBackWithExactPixels) {
    TMemoryClipboard clipboard;
    const TBitmap original = Pattern(5, 3);
    clipboard.SetBitmap(original);
    TPicture picture;
    picture.Assign(&clipboard);
    EXPECT_TRUE(SamePixels(picture.Bitmap(), original));
}

TEST(ClipboardPaste, TheClipboardsPaletteColoursAPalettedBitmap) {
    TBitmap indexed;
    indexed.SetBitsPerPixel(8);
    indexed.SetSize(2, 1);
    indexed.ScanLine(0)[1] = 1;
    TMemoryClipboard clipboard;
    clipboard.SetBitmap(indexed);  // no colour table: no palette entry
    EXPECT_EQ(clipboard.Formats(), std::vector<unsigned>{CF_BITMAP});
    clipboard.SetData(CF_PALETTE, {10, 20, 30, 99, 40, 50, 60, 99});
    TPicture picture;
    picture.Assign(&clipboard);
    const std::vector<TRGBQuad> expected{{10, 20, 30, 0}, {40, 50, 60, 0}};
    EXPECT_EQ(picture.Bitmap().ColorTable(), expected);
    uint32_t row[2];
    picture.Bitmap().RowTo32(0, row);
    EXPECT_EQ(row[0], 0x001E140Au);
    EXPECT_EQ(row[1], 0x003C3228u);
}

TEST(ClipboardPaste, AClipboardThatCannotBeOpenedIsNeverClosed) {
    TMemoryClipboard clipboard;
    Place(clipboard, Entry::kBitmap);
    clipboard.HeldByOther = true;
    TPicture picture;
    try {
        picture.Assign(&clipboard);
        FAIL() << "no error";
    } catch (const EClipboardException& e) {
        EXPECT_EQ(e.Message(), "Cannot open clipboard");
    }
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(clipboard.OpenCount + clipboard.CloseCount, 0);
}

TEST(ClipboardCopy, ReplacesEverythingWithOnePicture) {
    TMemoryClipboard clipboard;
    Place(clipboard, Entry::kText);
    Place(clipboard, Entry::kBlock);
    TBitmap paletted = Pattern(4, 4);
    paletted.SetBitsPerPixel(8);
    paletted.SetColorTable({RGBQuad(1, 2, 3)});
    TBitmap picture = Pattern(7, 3);
    TPicture container;
    container.Assign(&picture);
    clipboard.Assign(&container);
    EXPECT_EQ(clipboard.Formats(), std::vector<unsigned>{CF_BITMAP});
    const auto back = clipboard.GetBitmap();
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(SamePixels(*back, picture));
    EXPECT_EQ(clipboard.OpenCount, 1);
    EXPECT_EQ(clipboard.CloseCount, 1);

    // A picture with a colour table brings its palette along.
    clipboard.Assign(&paletted);
    EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_BITMAP, CF_PALETTE}));
    EXPECT_EQ(clipboard.GetData(CF_PALETTE), (std::vector<uint8_t>{3, 2, 1, 0}));
}

TEST(ClipboardCopy, AHeldClipboardKeepsItsContents) {
    TMemoryClipboard clipboard;
    Place(clipboard, Entry::kText);
    clipboard.HeldByOther = true;
    TBitmap picture = Pattern(2, 2);
    try {
        clipboard.Assign(&picture);
        FAIL() << "no error";
    } catch (const EClipboardException& e) {
        EXPECT_EQ(e.Message(), "Cannot open clipboard");
    }
    EXPECT_EQ(clipboard.Formats(), std::vector<unsigned>{CF_TEXT});
}

TEST(ClipboardCopy, OnlyDevicePicturesCanBeCopied) {
    TMemoryClipboard clipboard;
    TPicture empty;
    try {
        clipboard.Assign(&empty);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPicture to a TMemoryClipboard");
    }
    EXPECT_EQ(clipboard.OpenCount, 0);
}

TEST(ClipboardFormats, NamesAreRegisteredOnceWithoutRegardToCase) {
    const unsigned gif = RegisterClipboardFormat("Test GIF Name");
    EXPECT_GE(gif, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("TEST gif name"), gif);
    EXPECT_EQ(ClipboardFormatName(gif), "Test GIF Name");
    EXPECT_NE(RegisterClipboardFormat("Test Other Name"), gif);
    EXPECT_EQ(ClipboardFormatName(CF_BITMAP), "");
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_METAFILEPICT));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(CF_TEXT));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(CF_DIB));
}

}  // namespace
}  // namespace nox
