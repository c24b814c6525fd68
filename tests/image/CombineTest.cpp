// The hiding operations: exact pixels of every rule (with the wrap-around of unclamped channels),
// the size rules, empty panes, notifications, and the hide-and-reveal round trips.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/Combine.h"
#include "platform/Bitmap.h"
#include "tests/image/TestSupport.h"

namespace nox {
namespace {

using test::EventLog;
using test::Events;
using test::FillWith;
using test::PixelsOf;

using Operation = void (*)(TBitmap32&, TBitmap32&, TBitmap32&);

struct NamedOperation {
    const char* name;
    Operation run;
};
const NamedOperation kCombining[] = {{"Subtract", Subtract}, {"Add", Add}, {"AddBit", AddBit}, {"SetLSBs", SetLSBs}};
const NamedOperation kAll[] = {
    {"Subtract", Subtract}, {"Add", Add}, {"AddBit", AddBit}, {"SetLSBs", SetLSBs}, {"ShowLSBs", ShowLSBs}};

// A buffer of one colour.
struct Filled : TBitmap32 {
    Filled(int32_t width, int32_t height, TColor32 color) {
        SetSize(width, height);
        FillWith(*this, [color](int32_t, int32_t) { return color; });
    }
};

TEST(Channels, PackWrapsInsteadOfClamping) {
    struct Case {
        int32_t red, green, blue;
        TColor32 packed;
    };
    for (const Case& c : {Case{255, 255, 255, 0x00FFFFFF}, Case{50, 0, -1, 0x0031FFFF}, Case{-10, 0, 10, 0xFFF6000A},
                          Case{0, 0, -1, 0xFFFFFFFF}, Case{0, 256, 0, 0x00010000}, Case{256, 0, 0, 0x01000000},
                          Case{0, 0, 0, 0}, Case{0x12, 0x34, 0x56, 0x00123456}}) {
        EXPECT_EQ(PackChannels(c.red, c.green, c.blue), c.packed) << c.red << "," << c.green << "," << c.blue;
    }
    EXPECT_EQ(SplitChannels(0xAB123456), (TChannels{0x12, 0x34, 0x56}));
}

TEST(Combine, EveryRuleGivesTheExactPixel) {
    struct Case {
        const char* what;
        Operation run;
        TColor32 left, middle, right;
    };
    const Case cases[] = {
        {"subtract borrows from red", Subtract, 0xFF643200, 0xFF323201, 0x0031FFFF},
        {"subtract negative total", Subtract, 0xFF0A141E, 0xFF141414, 0xFFF6000A},
        {"subtract identical", Subtract, 0xFF123456, 0x00123456, 0x00000000},
        {"subtract ignores alpha", Subtract, 0x00000003, 0xFF000001, 0x00000002},
        {"add saturates", Add, 0xFFC86400, 0xFF646405, 0x00FFC805},
        {"add plain", Add, 0x80010203, 0x7F102030, 0x00112233},
        {"add bit on white", AddBit, 0xFF10FF20, 0xFFFFFFFF, 0x0011FF21},
        {"add bit on white without alpha", AddBit, 0xFF000000, 0x00FFFFFF, 0x00010101},
        {"add bit keeps 255", AddBit, 0xFFFFFFFF, 0x00FFFFFF, 0x00FFFFFF},
        {"add bit off white copies", AddBit, 0xFF10FF20, 0xFFFFFFFE, 0xFF10FF20},
        {"add bit on black copies alpha", AddBit, 0x7F102030, 0x00000000, 0x7F102030},
        {"set LSBs white clears", SetLSBs, 0xFFFFFFFF, 0x00FFFFFF, 0x00FEFEFE},
        {"set LSBs black sets", SetLSBs, 0xFFFFFFFF, 0xFF000000, 0x00FFFFFF},
        {"set LSBs zero black", SetLSBs, 0xFF000000, 0xFF000000, 0x00010101},
        {"set LSBs off white sets", SetLSBs, 0xFF102030, 0xFFFFFFFE, 0x00112131},
        {"set LSBs mixed", SetLSBs, 0xFF112233, 0xFFFFFFFF, 0x00102232},
        {"show LSBs all even", ShowLSBs, 0xFF020406, 0x12345678, 0x00FFFFFF},
        {"show LSBs odd alpha only", ShowLSBs, 0x01000000, 0x00000000, 0x00FFFFFF},
        {"show LSBs odd red", ShowLSBs, 0x00010000, 0x00000000, 0x00000000},
        {"show LSBs odd blue", ShowLSBs, 0xFF000001, 0x00000000, 0x00000000},
    };
    for (const Case& c : cases) {
        Filled left(1, 1, c.left), middle(1, 1, c.middle);
        TBitmap32 right;
        c.run(left, middle, right);
        ASSERT_EQ(right.Width(), 1) << c.what;
        EXPECT_EQ(right.GetPixel(0, 0), c.right) << c.what << std::hex << ": got " << right.GetPixel(0, 0);
    }
}

// Each rule written channel by channel, as the operations are defined.
TColor32 ByChannels(Operation op, TColor32 l, TColor32 m) {
    const TChannels a = SplitChannels(l), b = SplitChannels(m);
    const bool white = b.Red == 255 && b.Green == 255 && b.Blue == 255;
    if (op == Subtract) return PackChannels(a.Red - b.Red, a.Green - b.Green, a.Blue - b.Blue);
    if (op == Add)
        return PackChannels(std::min(a.Red + b.Red, 255), std::min(a.Green + b.Green, 255),
                            std::min(a.Blue + b.Blue, 255));
    if (op == AddBit) {
        if (!white) return l;
        return PackChannels(a.Red < 255 ? a.Red + 1 : a.Red, a.Green < 255 ? a.Green + 1 : a.Green,
                            a.Blue < 255 ? a.Blue + 1 : a.Blue);
    }
    if (op == SetLSBs) {
        const int32_t bit = white ? 0 : 1;
        return PackChannels(a.Red - a.Red % 2 + bit, a.Green - a.Green % 2 + bit, a.Blue - a.Blue % 2 + bit);
    }
    return a.Red % 2 == 0 && a.Green % 2 == 0 && a.Blue % 2 == 0 ? kWhite : kBlack;  // ShowLSBs
}

TEST(Combine, EveryRuleEqualsItsChannelByChannelDefinitionOnEdgeValues) {
    // Every pairing of pixels whose channels and alpha are edge values of a byte.
    const int32_t values[] = {0, 1, 2, 127, 128, 129, 254, 255};
    std::vector<TColor32> pixels;
    for (int32_t r : values)
        for (int32_t g : values)
            for (int32_t b : values) pixels.push_back(PackChannels(r, g, b) | (TColor32(values[(r + g + b) % 8]) << 24));
    const auto side = static_cast<int32_t>(pixels.size());
    TBitmap32 left, middle;
    left.SetSize(side, side);
    middle.SetSize(side, side);
    FillWith(left, [&](int32_t x, int32_t) { return pixels[size_t(x)]; });
    FillWith(middle, [&](int32_t, int32_t y) { return pixels[size_t(y)]; });
    for (const NamedOperation& op : kAll) {
        TBitmap32 right;
        op.run(left, middle, right);
        for (int32_t y = 0; y < side; ++y)
            for (int32_t x = 0; x < side; ++x)
                ASSERT_EQ(right.GetPixel(x, y), ByChannels(op.run, left.GetPixel(x, y), middle.GetPixel(x, y)))
                    << op.name << std::hex << ": left " << left.GetPixel(x, y) << ", middle " << middle.GetPixel(x, y);
    }
}

TEST(Combine, OnlyTheCommonTopLeftRectangleTakesPart) {
    TBitmap32 left, middle;
    left.SetSize(300, 200);
    middle.SetSize(200, 300);
    FillWith(left, [](int32_t x, int32_t y) { return TColor32(0xFF000000 | (x << 12) | y); });
    FillWith(middle, [](int32_t x, int32_t y) { return TColor32((y & 0x7F) << 12 | (x & 0x7F)); });
    for (const NamedOperation& op : kCombining) {
        TBitmap32 right;
        op.run(left, middle, right);
        ASSERT_EQ(right.Width(), 200) << op.name;
        ASSERT_EQ(right.Height(), 200) << op.name;
        // Each pixel equals the operation on the two pixels at the same place of 1 x 1 pictures.
        for (int32_t y = 0; y < 200; y += 7)
            for (int32_t x = 0; x < 200; x += 3) {
                Filled l(1, 1, left.GetPixel(x, y)), m(1, 1, middle.GetPixel(x, y));
                TBitmap32 one;
                op.run(l, m, one);
                ASSERT_EQ(right.GetPixel(x, y), one.GetPixel(0, 0)) << op.name << " at " << x << "," << y;
            }
    }
}

TEST(Combine, SubtractOfAPictureFromItselfIsZero) {
    TBitmap32 picture;
    picture.SetSize(17, 5);
    FillWith(picture, [](int32_t x, int32_t y) { return TColor32(0xFF000000 | (x * 0x010305 + y * 0x0B0D11)); });
    TBitmap32 right;
    Subtract(picture, picture, right);
    EXPECT_EQ(PixelsOf(right), std::vector<TColor32>(17 * 5, 0));
}

TEST(Combine, AnEmptyInputLeavesTheRightPaneEmpty) {
    struct Input {
        const char* name;
        int32_t width, height;
    };
    const Input empties[] = {{"0 x 0", 0, 0}, {"0 x 10", 0, 10}, {"10 x 0", 10, 0}};
    for (const NamedOperation& op : kCombining)
        for (const Input& e : empties)
            for (bool emptyLeft : {true, false}) {
                Filled full(4, 4, 0xFF808080), right(5, 5, 0xFF123456);
                TBitmap32 empty;
                empty.SetSize(e.width, e.height);
                op.run(emptyLeft ? empty : full, emptyLeft ? full : empty, right);
                EXPECT_EQ(right.Width(), 0) << op.name << (emptyLeft ? " left " : " middle ") << e.name;
                EXPECT_EQ(right.Height(), 0) << op.name << (emptyLeft ? " left " : " middle ") << e.name;
            }
}

TEST(Combine, RightPaneIsNotifiedOnlyByItsTwoResizes) {
    for (const NamedOperation& op : kAll) {
        Filled left(3, 2, 0xFF010203), middle(3, 2, 0xFFFFFFFF), right(1, 1, 0);
        EventLog log;
        log.Bind(right);
        op.run(left, middle, right);
        EXPECT_EQ(log.Take(), (Events{"changing", "change", "resize", "changing", "change", "resize"})) << op.name;
        op.run(left, middle, right);  // already at the result's size: emptied and sized again
        EXPECT_EQ(log.Take(), (Events{"changing", "change", "resize", "changing", "change", "resize"})) << op.name;
    }
}

TEST(ShowLSBs, TheResultHasTheLeftSizeAndNeedsOnlyAMiddleHeight) {
    struct Case {
        const char* name;
        int32_t leftWidth, leftHeight, middleWidth, middleHeight, rightWidth, rightHeight;
    };
    const Case cases[] = {
        {"smaller middle", 4, 3, 1, 1, 4, 3}, {"larger middle", 2, 2, 9, 9, 2, 2}, {"middle 0 wide", 4, 3, 0, 5, 4, 3},
        {"middle 0 high", 4, 3, 5, 0, 0, 0},  {"empty middle", 4, 3, 0, 0, 0, 0},  {"empty left", 0, 0, 4, 3, 0, 0},
        {"left 0 wide", 0, 3, 4, 3, 0, 3},
    };
    for (const Case& c : cases) {
        TBitmap32 left, middle;
        Filled right(5, 5, 0xFF123456);
        left.SetSize(c.leftWidth, c.leftHeight);
        middle.SetSize(c.middleWidth, c.middleHeight);
        ShowLSBs(left, middle, right);
        EXPECT_EQ(right.Width(), c.rightWidth) << c.name;
        EXPECT_EQ(right.Height(), c.rightHeight) << c.name;
        if (!right.IsEmpty()) {
            EXPECT_EQ(PixelsOf(right), std::vector<TColor32>(right.PixelCount(), 0x00FFFFFF)) << c.name;
        }
    }
}

TEST(BlackenWhiten, BlackenAndWhitenKeepTheSizeAndNotifyNobody) {
    for (const auto& [fill, color] : {std::pair{&Blacken, TColor32{0}}, std::pair{&Whiten, TColor32{0x00FFFFFF}}}) {
        TBitmap32 buffer;
        buffer.SetSize(7, 3);
        FillWith(buffer, [](int32_t x, int32_t y) { return TColor32(0x9A000000 + x * 77 + y); });
        EventLog log;
        log.Bind(buffer);
        fill(buffer);
        EXPECT_EQ(buffer.Width(), 7);
        EXPECT_EQ(buffer.Height(), 3);
        EXPECT_EQ(PixelsOf(buffer), std::vector<TColor32>(21, color));
        EXPECT_TRUE(log.Take().empty());

        TBitmap32 empty;
        empty.SetSize(0, 4);
        fill(empty);
        EXPECT_TRUE(empty.IsEmpty());
    }
}

// A varied cover picture and a secret of white, black, grey and almost-white pixels.
void MakeCoverAndSecret(TBitmap32& cover, TBitmap32& secret) {
    cover.SetSize(23, 11);
    FillWith(cover, [](int32_t x, int32_t y) {
        return TColor32(0xFF000000 | ((x * 37 + y * 11) * 0x010101 + x * 0x000300 + y));
    });
    const TColor32 kinds[] = {0xFFFFFFFF, 0xFF000000, 0xFF808080, 0xFFFFFFFE, 0x00FFFFFF, 0xFFFEFFFF};
    secret.SetSize(20, 15);
    FillWith(secret, [&](int32_t x, int32_t y) { return kinds[(x * 3 + y * 5) % 6]; });
}

TEST(HideAndReveal, SetLSBsThenShowLSBsRevealsTheSecretThroughADeviceBitmap) {
    TBitmap32 cover, secret, hidden;
    MakeCoverAndSecret(cover, secret);
    SetLSBs(cover, secret, hidden);
    // Saved as a 32-bit picture and read back into the Left pane.
    TBitmap saved;
    hidden.AssignTo(saved);
    TBitmap32 reopened, revealed;
    reopened.Assign(&saved);
    ShowLSBs(reopened, secret, revealed);
    ASSERT_EQ(revealed.Width(), 20);
    ASSERT_EQ(revealed.Height(), 11);
    for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 20; ++x)
            ASSERT_EQ(revealed.GetPixel(x, y), IsPureWhite(secret.GetPixel(x, y)) ? kWhite : kBlack) << x << "," << y;
}

TEST(HideAndReveal, AddBitThenSubtractGivesOneInEveryRaisedChannel) {
    Filled cover(2, 1, 0xFF00FF7F);
    TBitmap32 white, raised, difference;
    cover.SetPixel(1, 0, 0xFFFFFFFF);
    white.SetSize(2, 1);
    Whiten(white);
    AddBit(cover, white, raised);
    EXPECT_EQ(PixelsOf(raised), (std::vector<TColor32>{0x0001FF80, 0x00FFFFFF}));
    Subtract(raised, cover, difference);
    // The alpha of the cover (0xFF) is not subtracted: channels only.
    EXPECT_EQ(PixelsOf(difference), (std::vector<TColor32>{0x00010001, 0x00000000}));
}

}  // namespace
}  // namespace nox
