// Taking over pictures (Assign) and giving the buffer to device bitmaps, pictures and the
// clipboard (AssignTo), with their notifications and error texts.
#include <gtest/gtest.h>

#include <cstring>

#include <memory>
#include <optional>

#include "image/Bitmap32.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "tests/image/TestSupport.h"

namespace nox {
namespace {

using test::EventLog;
using test::Events;
using test::FillWith;
using test::PixelsOf;

struct Paint {
    int32_t x, y;
    TColor32 color;
};

// A graphic that paints a few given pixels (leaving the rest untouched), after a picture stretched
// into a rectangle when it is given one, and can fail part way.
class TTestGraphic : public TGraphic {
public:
    TTestGraphic(int32_t width, int32_t height, std::vector<Paint> paints = {}, bool failAfterPainting = false)
        : width_(width), height_(height), paints_(std::move(paints)), fail_(failAfterPainting) {}
    const char* ClassName() const override { return "TTestGraphic"; }
    int32_t Width() override { return width_; }
    int32_t Height() override { return height_; }
    void SetWidth(int32_t width) override { width_ = width; }
    void SetHeight(int32_t height) override { height_ = height; }
    void Draw(TCanvas& canvas, const TRect& rect) override {
        drawnInto = rect;
        if (cover) canvas.StretchBitmap(coverRect, *cover);
        for (const Paint& p : paints_) canvas.Row(p.y)[p.x] = p.color;
        if (fail_) throw EInvalidGraphic(msg::kInvalidBitmap);
    }
    void LoadFromStream(TStream&) override { throw EInvalidGraphic(msg::kInvalidBitmap); }
    void SaveToStream(TStream&) override { throw EInvalidGraphic(msg::kInvalidBitmap); }

    std::optional<TRect> drawnInto;
    std::optional<TBitmap> cover;
    TRect coverRect{};

private:
    int32_t width_, height_;
    std::vector<Paint> paints_;
    bool fail_;
};

class TThing : public TPersistent {
public:
    const char* ClassName() const override { return "TThing"; }
};

// A source that knows how to put itself into a pixel buffer.
class TSelfPutting : public TPersistent {
public:
    const char* ClassName() const override { return "TSelfPutting"; }
    void AssignTo(TPersistent& dest) override {
        auto* buffer = dynamic_cast<TBitmap32*>(&dest);
        if (buffer == nullptr) return TPersistent::AssignTo(dest);
        buffer->SetSize(2, 1);
        buffer->Clear(0x01020304);
    }
};

TBitmap MakeBitmap(int bits, int32_t width, std::vector<std::vector<uint8_t>> rows, std::vector<TRGBQuad> table = {}) {
    TBitmap bitmap;
    bitmap.SetBitsPerPixel(bits);
    bitmap.SetSize(width, static_cast<int32_t>(rows.size()));
    bitmap.SetColorTable(std::move(table));
    for (size_t y = 0; y < rows.size(); ++y)
        std::copy(rows[y].begin(), rows[y].end(), bitmap.ScanLine(static_cast<int32_t>(y)));
    return bitmap;
}

TEST(Bitmap32Assign, DeviceBitmapsOfEveryDepthArriveOpaque) {
    std::vector<TRGBQuad> table16;
    for (uint8_t i = 0; i < 16; ++i) table16.push_back(RGBQuad(uint8_t(i * 16), i, uint8_t(255 - i)));
    const auto entry16 = [](uint8_t i) { return Color32(uint8_t(i * 16), i, uint8_t(255 - i)); };
    TBitmap bitfields = MakeBitmap(16, 3, {{0x00, 0xF8, 0xE0, 0x07, 0x20, 0x00}, {0x1F, 0x00, 0, 0, 0xFF, 0xFF}});
    bitfields.SetBitFields(0xF800, 0x07E0, 0x001F);
    struct Case {
        const char* name;
        TBitmap bitmap;
        std::vector<TColor32> expected;
    };
    const Case cases[] = {
        {"1 bit",
         MakeBitmap(1, 3, {{0xA0}, {0x60}}, {RGBQuad(0x10, 0x20, 0x30), RGBQuad(0xF0, 0xE0, 0xD0)}),
         {0xFFF0E0D0, 0xFF102030, 0xFFF0E0D0, 0xFF102030, 0xFFF0E0D0, 0xFFF0E0D0}},
        {"4 bits",
         MakeBitmap(4, 3, {{0x12, 0xF0}, {0x07, 0x30}}, table16),
         {entry16(1), entry16(2), entry16(15), entry16(0), entry16(7), entry16(3)}},
        {"8 bits, index beyond the table",
         MakeBitmap(8, 3, {{0, 1, 2}, {2, 200, 1}}, {RGBQuad(1, 2, 3), RGBQuad(4, 5, 6), RGBQuad(7, 8, 9)}),
         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF070809, 0xFF000000, 0xFF040506}},
        {"16 bits 5-5-5",
         MakeBitmap(16, 3, {{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}, {0, 0, 0xFF, 0x7F, 0x10, 0x42}}),
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000, 0xFFFFFFFF, 0xFF848484}},
        {"16 bits 5-6-5 fields", bitfields, {0xFFFF0000, 0xFF00FF00, 0xFF000400, 0xFF0000FF, 0xFF000000, 0xFFFFFFFF}},
        {"24 bits",
         MakeBitmap(24, 3, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}}),
         {0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110}},
        {"32 bits, fourth byte dropped",
         MakeBitmap(32, 3, {{1, 2, 3, 0, 4, 5, 6, 0x80, 7, 8, 9, 0xFF}, {10, 11, 12, 1, 13, 14, 15, 2, 16, 17, 18, 3}}),
         {0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110}},
    };
    for (const Case& c : cases) {
        TBitmap32 buffer;
        EventLog log;
        log.Bind(buffer);
        TBitmap source = c.bitmap;
        buffer.Assign(&source);
        EXPECT_EQ(buffer.Width(), 3) << c.name;
        EXPECT_EQ(buffer.Height(), 2) << c.name;
        EXPECT_EQ(PixelsOf(buffer), c.expected) << c.name;
        EXPECT_EQ(log.Take(), (Events{"changing", "resize", "change"})) << c.name;
        EXPECT_EQ(buffer.UpdateCount(), 0) << c.name;
    }
}

TEST(Bitmap32Assign, NoSourceEmptiesTheBuffer) {
    TBitmap32 buffer;
    buffer.SetSize(4, 4);
    EventLog log;
    log.Bind(buffer);
    buffer.Assign(nullptr);
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(log.Take(), (Events{"changing", "resize", "change"}));
    buffer.Assign(nullptr);  // already empty: no resize
    EXPECT_EQ(log.Take(), (Events{"changing", "change"}));
}

TEST(Bitmap32Assign, AnotherBufferGivesAllFourBytesAndItsSettingsButNotItsCallback) {
    TBitmap32 source;
    source.SetSize(2, 2);
    FillWith(source, [](int32_t x, int32_t y) { return TColor32(0x01000000u * (x + 2 * y) + 0x00ABCDEF); });
    source.SetDrawMode(dmBlend);
    source.SetMasterAlpha(17);
    source.SetOuterColor(0x11223344);
    source.SetStretchFilter(sfLinear);
    source.SetOnPixelCombine([](TColor32, TColor32&, TColor32) {});

    TBitmap32 buffer;
    EventLog log;
    log.Bind(buffer);
    buffer.Assign(&source);
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0x00ABCDEF, 0x01ABCDEF, 0x02ABCDEF, 0x03ABCDEF}));
    EXPECT_EQ(buffer.DrawMode(), dmBlend);
    EXPECT_EQ(buffer.MasterAlpha(), 17u);
    EXPECT_EQ(buffer.OuterColor(), 0x11223344u);
    EXPECT_EQ(buffer.StretchFilter(), sfLinear);
    EXPECT_FALSE(buffer.OnPixelCombine());
    EXPECT_EQ(log.Take(), (Events{"changing", "resize", "change"}));

    buffer.Assign(&buffer);  // itself: nothing changes
    EXPECT_EQ(PixelsOf(buffer), PixelsOf(source));
}

TEST(Bitmap32Assign, AGraphicPaintsOverTheOldPixelsWhenTheSizeStays) {
    TBitmap32 buffer;
    buffer.SetSize(3, 2);
    FillWith(buffer, [](int32_t x, int32_t y) { return TColor32(0x00101010 * (x + 3 * y)); });
    TTestGraphic paintsNothing(3, 2);
    buffer.Assign(&paintsNothing);
    EXPECT_EQ(PixelsOf(buffer),
              (std::vector<TColor32>{0xFF000000, 0xFF101010, 0xFF202020, 0xFF303030, 0xFF404040, 0xFF505050}));
    EXPECT_EQ(paintsNothing.drawnInto, Rect(0, 0, 3, 2));

    TTestGraphic paintsOne(2, 2, {{1, 1, 0x00ABCDEF}});
    buffer.Assign(&paintsOne);  // new size: the rest is 0 made opaque
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0xFF000000, 0xFF000000, 0xFF000000, 0xFFABCDEF}));
}

TEST(Bitmap32Assign, AGraphicThatFailsLeavesWhatItPaintedAndStillNotifies) {
    TBitmap32 buffer;
    EventLog log;
    log.Bind(buffer);
    TTestGraphic failing(2, 1, {{0, 0, 0x00123456}}, true);
    EXPECT_THROW(buffer.Assign(&failing), EInvalidGraphic);
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0x00123456, 0}));  // not made opaque
    EXPECT_EQ(log.Take(), (Events{"changing", "resize", "change"}));
    EXPECT_EQ(buffer.UpdateCount(), 0);
}

TEST(Bitmap32Assign, AGraphicTooLargeForMemoryLeavesAnEmptyBuffer) {
    TBitmap32 buffer;
    buffer.SetSize(2, 2);
    EventLog log;
    log.Bind(buffer);
    TTestGraphic huge(INT32_MAX, INT32_MAX);
    try {
        buffer.Assign(&huge);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
    }
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_FALSE(huge.drawnInto);
    EXPECT_EQ(log.Take(), (Events{"changing", "resize", "change"}));
    EXPECT_EQ(buffer.UpdateCount(), 0);
}

TEST(Bitmap32Assign, APictureGivesItsGraphic) {
    TPicture holdingBitmap;
    holdingBitmap.SetGraphic(std::make_unique<TBitmap>(MakeBitmap(24, 1, {{1, 2, 3}, {4, 5, 6}})));
    TPicture holdingGraphic;
    auto* graphic = new TTestGraphic(2, 1, {{1, 0, 0x00FFEEDD}});
    holdingGraphic.SetGraphic(std::unique_ptr<TGraphic>(graphic));
    TPicture holdingNothing;

    TBitmap32 buffer;
    buffer.Assign(&holdingBitmap);
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0xFF030201, 0xFF060504}));
    EXPECT_EQ(buffer.Width(), 1);
    buffer.Assign(&holdingGraphic);
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0xFF000000, 0xFFFFEEDD}));
    EXPECT_EQ(graphic->drawnInto, Rect(0, 0, 2, 1));
    buffer.Assign(&holdingNothing);
    EXPECT_TRUE(buffer.IsEmpty());
}

TEST(Bitmap32Assign, TheClipboardGivesItsPicture) {
    TMemoryClipboard clipboard;
    clipboard.SetBitmap(MakeBitmap(24, 2, {{1, 2, 3, 4, 5, 6}}));
    TBitmap32 buffer;
    EventLog log;
    log.Bind(buffer);
    buffer.Assign(&clipboard);
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0xFF030201, 0xFF060504}));
    EXPECT_EQ(log.Take(), (Events{"changing", "resize", "change"}));
    EXPECT_EQ(clipboard.OpenCount, clipboard.CloseCount);

    // No picture on the clipboard: the clipboard's error, the buffer as it was, notified once.
    TMemoryClipboard nothing;
    try {
        buffer.Assign(&nothing);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Invalid clipboard format");
    }
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0xFF030201, 0xFF060504}));
    EXPECT_EQ(log.Take(), (Events{"changing", "change"}));
    EXPECT_EQ(nothing.OpenCount, nothing.CloseCount);
}

TEST(Bitmap32Assign, OtherSourcesPutThemselvesInOrFailWithTheConversionError) {
    TBitmap32 buffer;
    EventLog log;
    log.Bind(buffer);
    TSelfPutting putting;
    buffer.Assign(&putting);
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0x01020304, 0x01020304}));
    EXPECT_EQ(log.Take(), (Events{"changing", "resize", "change"}));

    TThing thing;
    try {
        buffer.Assign(&thing);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TThing to a TBitmap32");
    }
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0x01020304, 0x01020304}));
    EXPECT_EQ(log.Take(), (Events{"changing", "change"}));
    EXPECT_EQ(buffer.UpdateCount(), 0);
}

// ---- AssignTo ---------------------------------------------------------------------------------------

std::vector<uint8_t> BytesOf(const TBitmap& bitmap) { return {bitmap.Pixels().begin(), bitmap.Pixels().end()}; }

TEST(Bitmap32AssignTo, DeviceBitmapsOfAnyDepthBecome32BitsWithEveryByteKept) {
    TBitmap32 buffer;
    buffer.SetSize(2, 2);
    FillWith(buffer, [](int32_t x, int32_t y) { return TColor32(0x00123456 + 0x01000000u * (x + 2 * y)); });
    const std::vector<uint8_t> expected = {0x56, 0x34, 0x12, 0, 0x56, 0x34, 0x12, 1,
                                           0x56, 0x34, 0x12, 2, 0x56, 0x34, 0x12, 3};
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        TBitmap target = MakeBitmap(bits, 5, {{0xFF, 0xFF, 0xFF, 0xFF}}, {RGBQuad(1, 2, 3)});
        if (bits == 32) target.SetBitFields(0xFF, 0xFF00, 0xFF0000);
        buffer.AssignTo(target);
        EXPECT_EQ(target.BitsPerPixel(), 32) << bits;
        EXPECT_FALSE(target.HasBitFields()) << bits;
        EXPECT_TRUE(target.ColorTable().empty()) << bits;
        EXPECT_EQ(target.GetWidth(), 2) << bits;
        EXPECT_EQ(target.GetHeight(), 2) << bits;
        EXPECT_EQ(BytesOf(target), expected) << bits;
    }
    // Through the device bitmap's own Assign as well.
    TBitmap viaAssign;
    viaAssign.Assign(&buffer);
    EXPECT_EQ(BytesOf(viaAssign), expected);
}

TEST(Bitmap32AssignTo, AnEmptyBufferGivesA32BitBitmapOfNoPixels) {
    TBitmap target = MakeBitmap(8, 3, {{1, 2, 3}});
    TBitmap32().AssignTo(target);
    EXPECT_EQ(target.BitsPerPixel(), 32);
    EXPECT_EQ(target.GetWidth(), 0);
    EXPECT_EQ(target.GetHeight(), 0);
    EXPECT_TRUE(target.Pixels().empty());
}

TEST(Bitmap32AssignTo, APictureGetsA32BitDeviceBitmap) {
    TBitmap32 buffer;
    buffer.SetSize(4, 4);
    buffer.Clear(0x00123456);  // red 0x12, green 0x34, blue 0x56, alpha 0
    TPicture picture;
    picture.SetGraphic(std::make_unique<TTestGraphic>(1, 1));
    EventLog log;
    log.Bind(buffer);
    buffer.AssignTo(picture);
    EXPECT_TRUE(log.Take().empty());
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->BitsPerPixel(), 32);
    EXPECT_EQ(bitmap->GetWidth(), 4);
    EXPECT_EQ(bitmap->GetHeight(), 4);
    std::vector<uint8_t> expected;
    for (int i = 0; i < 16; ++i) expected.insert(expected.end(), {0x56, 0x34, 0x12, 0x00});
    EXPECT_EQ(BytesOf(*bitmap), expected);
}

// A clipboard that refuses the picture once it is open.
class TRefusingClipboard : public TMemoryClipboard {
public:
    void SetBitmap(const TBitmap&) override { throw EClipboardException("Clipboard refused"); }
};

TEST(Bitmap32AssignTo, TheClipboardIsOpenedClearedGivenTheBitmapAndClosedOnEveryPath) {
    TBitmap32 buffer;
    buffer.SetSize(1, 2);
    buffer.SetPixel(0, 0, 0x80010203);
    buffer.SetPixel(0, 1, 0x00040506);

    TMemoryClipboard clipboard;
    clipboard.SetData(RegisterClipboardFormat("GIF Image"), {1, 2, 3});
    buffer.AssignTo(clipboard);
    EXPECT_EQ(clipboard.OpenCount, 1);
    EXPECT_EQ(clipboard.CloseCount, 1);
    EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_BITMAP}));  // cleared first
    const std::unique_ptr<TBitmap> placed = clipboard.GetBitmap();
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->BitsPerPixel(), 32);
    EXPECT_EQ(BytesOf(*placed), (std::vector<uint8_t>{3, 2, 1, 0x80, 6, 5, 4, 0}));

    TRefusingClipboard refusing;
    EXPECT_THROW(buffer.AssignTo(refusing), EClipboardException);
    EXPECT_EQ(refusing.OpenCount, 1);
    EXPECT_EQ(refusing.CloseCount, 1);

    TMemoryClipboard held;
    held.HeldByOther = true;
    try {
        buffer.AssignTo(held);
        FAIL();
    } catch (const EClipboardException& e) {
        EXPECT_STREQ(e.what(), "Cannot open clipboard");
    }
    EXPECT_FALSE(held.IsOpen());
}

TEST(Bitmap32AssignTo, OtherTargetsFailWithTheConversionError) {
    TBitmap32 buffer;
    TThing thing;
    try {
        buffer.AssignTo(thing);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TBitmap32 to a TThing");
    }
    TTestGraphic graphic(1, 1);
    try {
        buffer.AssignTo(graphic);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TBitmap32 to a TTestGraphic");
    }
}

TEST(Bitmap32CopyToDevice, CopiesTheWholeBufferClippedToTheSurface) {
    TBitmap32 buffer;
    buffer.SetSize(2, 2);
    FillWith(buffer, [](int32_t x, int32_t y) { return TColor32(0xA0000000u + 0x10 * y + x + 1); });
    struct Case {
        int32_t x, y;
        std::vector<uint32_t> expected;  // a 3 x 2 surface first holding 0xEE
    };
    const uint32_t e = 0xEE;
    const Case cases[] = {
        {0, 0, {0xA0000001, 0xA0000002, e, 0xA0000011, 0xA0000012, e}},
        {2, 1, {e, e, e, e, e, 0xA0000001}},
        {-1, -1, {0xA0000012, e, e, e, e, e}},
        {3, 0, {e, e, e, e, e, e}},
        {-2, 0, {e, e, e, e, e, e}},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> surface(6, e);
        TCanvas canvas(surface.data(), 3, 2);
        buffer.CopyToDevice(canvas, c.x, c.y);
        EXPECT_EQ(surface, c.expected) << c.x << "," << c.y;
    }
}

// However a graphic paints (whole rows, part of the rows, single pixels, nothing), every pixel of
// the buffer ends up opaque with its colour: the painted ones and those kept from before.
TEST(AssignGraphic, EveryPixelEndsUpOpaqueHoweverTheGraphicPainted) {
    TBitmap picture;
    picture.SetBitsPerPixel(32);
    picture.SetSize(3, 2);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) {
            const uint32_t v = 0x00100000u * uint32_t(y + 1) + uint32_t(x + 1);
            std::memcpy(picture.ScanLine(y) + 4 * x, &v, 4);
        }
    const struct {
        const char* name;
        bool cover;
        TRect coverRect;
        std::vector<Paint> paints;
        std::vector<TColor32> expected;
    } cases[] = {
        {"whole rows", true, Rect(0, 0, 3, 2), {},
         {0xFF100001, 0xFF100002, 0xFF100003, 0xFF200001, 0xFF200002, 0xFF200003}},
        {"whole rows, then a pixel", true, Rect(0, 0, 3, 2), {{1, 1, 0x00ABCDEF}},
         {0xFF100001, 0xFF100002, 0xFF100003, 0xFF200001, 0xFFABCDEF, 0xFF200003}},
        {"part of the rows", true, Rect(1, 0, 4, 2), {},
         {0xFF000007, 0xFF100001, 0xFF100002, 0xFF000007, 0xFF200001, 0xFF200002}},
        {"one pixel", false, {}, {{2, 0, 0x00000042}},
         {0xFF000007, 0xFF000007, 0xFF000042, 0xFF000007, 0xFF000007, 0xFF000007}},
        {"nothing", false, {}, {}, std::vector<TColor32>(6, 0xFF000007)},
    };
    for (const auto& c : cases) {
        TBitmap32 pane;
        pane.SetSize(3, 2);
        pane.Clear(0x00000007);  // the same size: unpainted pixels keep this
        TTestGraphic graphic(3, 2, c.paints);
        if (c.cover) {
            graphic.cover = picture;
            graphic.coverRect = c.coverRect;
        }
        pane.Assign(&graphic);
        EXPECT_EQ(PixelsOf(pane), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace nox
