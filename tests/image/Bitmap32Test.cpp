// The pixel buffer's size rules, pixel layout, fills, stored form and drawing settings.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "image/Bitmap32.h"
#include "platform/Errors.h"
#include "platform/Stream.h"
#include "tests/image/TestSupport.h"

namespace nox {
namespace {

using test::EventLog;
using test::Events;
using test::FillWith;
using test::PixelsOf;

TEST(Bitmap32, NewBufferIsEmptyWithDefaultSettings) {
    TBitmap32 buffer;
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(buffer.Height(), 0);
    EXPECT_EQ(buffer.Bits(), nullptr);
    EXPECT_EQ(buffer.DrawMode(), dmOpaque);
    EXPECT_EQ(buffer.MasterAlpha(), 255u);
    EXPECT_EQ(buffer.OuterColor(), 0u);
    EXPECT_EQ(buffer.StretchFilter(), sfNearest);
    EXPECT_EQ(buffer.UpdateCount(), 0);
    EXPECT_EQ(buffer.LockCount(), 0);
}

TEST(Bitmap32, SizesBelowOneBecomeZeroAndLeaveNoPixels) {
    struct Case {
        int32_t width, height, expectWidth, expectHeight;
        bool empty;
    };
    for (const Case& c : {Case{-5, 10, 0, 10, true}, Case{5, 0, 5, 0, true}, Case{0, 0, 0, 0, true},
                          Case{INT32_MIN, -1, 0, 0, true}, Case{1, 1, 1, 1, false}, Case{7, 3, 7, 3, false}}) {
        TBitmap32 buffer;
        buffer.SetSize(c.width, c.height);
        EXPECT_EQ(buffer.Width(), c.expectWidth) << c.width << "x" << c.height;
        EXPECT_EQ(buffer.Height(), c.expectHeight) << c.width << "x" << c.height;
        EXPECT_EQ(buffer.IsEmpty(), c.empty) << c.width << "x" << c.height;
        EXPECT_EQ(buffer.Bits() == nullptr, c.empty) << c.width << "x" << c.height;
        EXPECT_EQ(buffer.PixelCount(), c.empty ? 0u : size_t(c.width) * size_t(c.height));
    }
}

TEST(Bitmap32, NewSizeNotifiesInOrderAndZeroesEveryPixel) {
    TBitmap32 buffer;
    buffer.SetSize(4, 3);
    buffer.Clear(0xDEADBEEF);
    EventLog log;
    log.Bind(buffer);

    EXPECT_FALSE(buffer.SetSize(4, 3));  // same size: pixels kept, nothing fired
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(PixelsOf(buffer), std::vector<TColor32>(12, 0xDEADBEEF));

    EXPECT_TRUE(buffer.SetSize(3, 4));  // same pixel count, still new zeroed pixels
    EXPECT_EQ(log.Take(), (Events{"changing", "change", "resize"}));
    EXPECT_EQ(PixelsOf(buffer), std::vector<TColor32>(12, 0));

    EXPECT_TRUE(buffer.SetSize(0, 0));
    EXPECT_EQ(log.Take(), (Events{"changing", "change", "resize"}));
}

TEST(Bitmap32, LargeBuffersStartZeroedAsWell) {
    // Large pixel memory comes from a different source than small; both start at 0.
    TBitmap32 buffer;
    for (const auto& [w, h] : {std::pair{2048, 1100}, std::pair{2049, 1100}, std::pair{3, 3}, std::pair{4000, 3000}}) {
        buffer.SetSize(w, h);
        const std::vector<TColor32> pixels = PixelsOf(buffer);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), ptrdiff_t(w) * h) << w << "x" << h;
        buffer.Clear(0xFFFFFFFF);
        EXPECT_EQ(buffer.GetPixel(w - 1, h - 1), 0xFFFFFFFFu);
    }
}

TEST(Bitmap32, SetHeightThenSetWidthPassThroughAZeroHeightBuffer) {
    TBitmap32 buffer;
    buffer.SetSize(300, 200);
    EventLog log;
    log.Bind(buffer);
    buffer.SetHeight(0);
    EXPECT_EQ(buffer.Width(), 300);
    EXPECT_EQ(buffer.Height(), 0);
    EXPECT_TRUE(buffer.IsEmpty());
    buffer.SetWidth(0);
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(buffer.Height(), 0);
    EXPECT_EQ(log.Take(), (Events{"changing", "change", "resize", "changing", "change", "resize"}));
}

TEST(Bitmap32, PixelsLieRowAfterRowFromTheTop) {
    TBitmap32 buffer;
    buffer.SetSize(3, 2);
    FillWith(buffer, [](int32_t x, int32_t y) { return TColor32(0x10 * y + x); });
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0x00, 0x01, 0x02, 0x10, 0x11, 0x12}));
    EXPECT_EQ(buffer.RowAddress(1), buffer.Bits() + 3);
    EXPECT_EQ(buffer.GetPixel(2, 1), 0x12u);
    // Blue, green, red, alpha in memory.
    buffer.SetPixel(0, 0, 0x80112233);
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.Bits());
    EXPECT_EQ((std::vector<uint8_t>(bytes, bytes + 4)), (std::vector<uint8_t>{0x33, 0x22, 0x11, 0x80}));
}

TEST(Bitmap32, MemoryThatCannotExistIsRefusedAndLeavesAnEmptyBuffer) {
    for (const auto& [w, h] : {std::pair{INT32_MAX, INT32_MAX}, std::pair{65536, 65536 * 16}}) {
        TBitmap32 buffer;
        buffer.SetSize(2, 2);
        EventLog log;
        log.Bind(buffer);
        try {
            buffer.SetSize(w, h);
            FAIL() << w << "x" << h << " was allocated";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
            EXPECT_STREQ(e.ClassName(), "Exception");
        }
        EXPECT_EQ(buffer.Width(), 0);
        EXPECT_EQ(buffer.Height(), 0);
        EXPECT_TRUE(buffer.IsEmpty());
        EXPECT_EQ(log.Take(), (Events{"changing", "change", "resize"}));
    }
}

// AddressSanitizer reserves terabytes of address space, so a capped address space cannot work there.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NOX_ADDRESS_SANITIZER 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(NOX_ADDRESS_SANITIZER)
// In a process whose address space is capped at 256 MB, sizes the machine could hold (1 GB, and
// 360 MB in rows of 30 pixels) are refused by the system; 0 when each refusal arrived as
// the buffer's own error and left it empty.
int RefusedUnderCappedAddressSpace() {
    const rlimit cap{256u << 20, 256u << 20};
    setrlimit(RLIMIT_AS, &cap);
    TBitmap32 buffer;
    for (const auto& [w, h] : {std::pair{16384, 16384}, std::pair{30, 3000000}}) {
        try {
            buffer.SetSize(w, h);
            return 1;
        } catch (const Exception& e) {
            if (std::string(e.what()) != "Can't allocate the DIB handle" || !buffer.IsEmpty() || buffer.Width() != 0)
                return 2;
        }
    }
    return 0;
}

TEST(Bitmap32DeathTest, MemoryTheSystemRefusesIsTheSameErrorAsMemoryThatCannotExist) {
    EXPECT_EXIT(std::_Exit(RefusedUnderCappedAddressSpace()), ::testing::ExitedWithCode(0), "");
}
#endif

TEST(Bitmap32, ClearFillsEveryPixelAndNotifiesUnlessEmpty) {
    TBitmap32 buffer;
    EventLog log;
    log.Bind(buffer);
    buffer.Clear(0x12345678);
    EXPECT_TRUE(log.Take().empty());
    buffer.SetSize(5, 0);
    log.Take();
    buffer.Clear(0x12345678);
    EXPECT_TRUE(log.Take().empty());

    buffer.SetSize(3, 3);
    log.Take();
    buffer.Clear(0x12345678);
    EXPECT_EQ(log.Take(), (Events{"changing", "change"}));
    EXPECT_EQ(PixelsOf(buffer), std::vector<TColor32>(9, 0x12345678));
}

TEST(Bitmap32, FillRectExchangesAndClipsItsInclusiveCorners) {
    struct Case {
        int32_t x1, y1, x2, y2;
        const char* expected;  // 10 rows of 10: '#' filled
    };
    const std::string none(100, '.');
    const auto rows = [](std::initializer_list<const char*> lines) {
        std::string s;
        for (const char* l : lines) s += l;
        return s;
    };
    const std::string row0 = std::string(10, '#') + std::string(90, '.');
    const std::string all(100, '#');
    const std::string corner = rows({"###.......", "###......."}) + std::string(80, '.');
    const std::string inner = std::string(30, '.') + rows({"...#######", "...#######", "...#######", "...#######",
                                                           "...#######", "...#######", "...#######"});
    const std::string single = std::string(55, '.') + "#" + std::string(44, '.');
    const Case cases[] = {
        {0, 0, 9, -1, row0.c_str()},  // corners exchanged, then row -1 clipped to 0
        {9, 9, 0, 0, all.c_str()},    {-5, -5, 2, 1, corner.c_str()}, {3, 3, 20, 20, inner.c_str()},
        {5, 5, 5, 5, single.c_str()}, {10, 0, 12, 5, none.c_str()},   {-3, -3, -1, -1, none.c_str()},
        {0, 10, 9, 11, none.c_str()},
    };
    for (const Case& c : cases) {
        TBitmap32 buffer;
        buffer.SetSize(10, 10);
        EventLog log;
        log.Bind(buffer);
        buffer.FillRect(c.x1, c.y1, c.x2, c.y2, 0xFF00FF00);
        std::string got;
        for (TColor32 p : PixelsOf(buffer)) got += p == 0xFF00FF00 ? '#' : (p == 0 ? '.' : '?');
        const bool filled = got.find('#') != std::string::npos;
        EXPECT_EQ(got, c.expected) << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2;
        EXPECT_EQ(log.Take(), filled ? (Events{"changing", "change"}) : Events{})
            << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2;
    }
}

TEST(Bitmap32, MakeOpaqueSetsOnlyTheAlphaBytes) {
    TBitmap32 buffer;
    buffer.SetSize(2, 1);
    buffer.SetPixel(0, 0, 0x00123456);
    buffer.SetPixel(1, 0, 0x7FABCDEF);
    EventLog log;
    log.Bind(buffer);
    buffer.MakeOpaque();
    EXPECT_EQ(PixelsOf(buffer), (std::vector<TColor32>{0xFF123456, 0xFFABCDEF}));
    EXPECT_EQ(log.Take(), (Events{"changing", "change"}));
}

TEST(Bitmap32, SettingsNotifyOnlyWhenTheyChange) {
    TBitmap32 buffer;
    EventLog log;
    log.Bind(buffer);
    buffer.SetDrawMode(dmOpaque);
    buffer.SetMasterAlpha(255);
    buffer.SetStretchFilter(sfNearest);
    EXPECT_TRUE(log.Take().empty());
    buffer.SetDrawMode(dmBlend);
    buffer.SetMasterAlpha(128);
    buffer.SetStretchFilter(sfSpline);
    EXPECT_EQ(log.Take(), (Events{"changing", "change", "changing", "change", "changing", "change"}));
    buffer.SetOuterColor(0xFF0000FF);  // stored without notification
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(buffer.DrawMode(), dmBlend);
    EXPECT_EQ(buffer.MasterAlpha(), 128u);
    EXPECT_EQ(buffer.StretchFilter(), sfSpline);
    EXPECT_EQ(buffer.OuterColor(), 0xFF0000FFu);
}

TEST(Bitmap32, DestructionNotifiesNobody) {
    // An owner's callbacks must not run while the owner itself is being torn down.
    auto buffer = std::make_unique<TBitmap32>();
    buffer->SetSize(2, 2);
    EventLog log;
    log.Bind(*buffer);
    buffer.reset();
    EXPECT_TRUE(log.Take().empty());
}

TEST(Bitmap32, StoredDataIsSizeThenPixelBytes) {
    TBitmap32 buffer;
    buffer.SetSize(2, 1);
    buffer.SetPixel(0, 0, 0x80112233);
    buffer.SetPixel(1, 0, 0x00AABBCC);
    TMemoryStream out;
    buffer.WriteData(out);
    const auto bytes = out.Bytes();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()),
              (std::vector<uint8_t>{2, 0, 0, 0, 1, 0, 0, 0, 0x33, 0x22, 0x11, 0x80, 0xCC, 0xBB, 0xAA, 0x00}));

    TBitmap32 copy;
    EventLog log;
    log.Bind(copy);
    TMemoryStream in(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    copy.ReadData(in);
    EXPECT_EQ(copy.Width(), 2);
    EXPECT_EQ(copy.Height(), 1);
    EXPECT_EQ(PixelsOf(copy), PixelsOf(buffer));
    EXPECT_EQ(log.Take(), (Events{"changing", "changing", "change", "resize", "change"}));

    TMemoryStream empty;
    TBitmap32().WriteData(empty);
    EXPECT_EQ(empty.Bytes().size(), 8u);
}

TEST(Bitmap32, DamagedStoredDataIsAReadErrorBeforeAnyAllocation) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t width, height;  // the buffer afterwards
    };
    const Case cases[] = {
        {"no height", {4, 0, 0, 0, 1, 0}, 1, 1},
        {"huge size, few bytes", {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 1, 2, 3, 4}, 1, 1},
        {"short pixels", {2, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4, 5}, 1, 1},
    };
    for (const Case& c : cases) {
        TBitmap32 buffer;
        buffer.SetSize(1, 1);
        EventLog log;
        log.Bind(buffer);
        TMemoryStream in(c.bytes);
        try {
            buffer.ReadData(in);
            FAIL() << c.name;
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error") << c.name;
        }
        EXPECT_EQ(buffer.Width(), c.width) << c.name;
        EXPECT_EQ(buffer.Height(), c.height) << c.name;
        const Events events = log.Take();
        ASSERT_FALSE(events.empty()) << c.name;
        EXPECT_EQ(events.front(), "changing") << c.name;
        EXPECT_EQ(events.back(), "change") << c.name;
    }
    // A negative width stored is read as 0 and needs no pixel bytes.
    TBitmap32 buffer;
    TMemoryStream in(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0});
    buffer.ReadData(in);
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(buffer.Height(), 5);
}

TEST(Color32, PlatformColoursBecomeOpaquePixels) {
    struct Case {
        TColor color;
        TColor32 expected;
    };
    for (const Case& c : {Case{0x000000FF, 0xFFFF0000}, Case{0x00123456, 0xFF563412}, Case{0, 0xFF000000},
                          Case{static_cast<TColor>(0xFF00000F), 0xFFD4D0C8},     // button face
                          Case{static_cast<TColor>(0x80000005), 0xFFFFFFFF},     // window
                          Case{static_cast<TColor>(0xFF000008), 0xFF000000},     // window text
                          Case{static_cast<TColor>(0xFF0000EE), 0xFF000000}}) {  // unknown index
        EXPECT_EQ(Color32(c.color), c.expected) << std::hex << c.color;
    }
    EXPECT_EQ(Color32(0x12, 0x34, 0x56), 0xFF123456u);
}

}  // namespace
}  // namespace nox
