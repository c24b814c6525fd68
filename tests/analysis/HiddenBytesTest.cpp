// Hidden bytes: layouts, the exact bytes a layout gives, payload records hidden and revealed,
// capacity edges, and the scan's findings.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

#include "analysis/BitWalk.h"
#include "analysis/Crc32.h"
#include "analysis/HiddenBytes.h"
#include "analysis/Scan.h"
#include "platform/Errors.h"

namespace nox::analysis {
namespace {

using Bytes = std::vector<uint8_t>;

void Fill(TBitmap32& picture, int32_t width, int32_t height, const std::vector<TColor32>& pixels) {
    picture.SetSize(width, height);
    std::copy(pixels.begin(), pixels.end(), picture.Bits());
}

// Opaque noise, the same for the same seed.
void Noise(TBitmap32& picture, int32_t width, int32_t height, uint32_t seed) {
    picture.SetSize(width, height);
    std::mt19937 random(seed);
    for (size_t i = 0; i < picture.PixelCount(); ++i) picture.Bits()[i] = random() | 0xFF000000u;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(Layout, ParsesPrintsAndRefuses) {
    const TLayout layout = ParseLayout("10,bga,columns,lsb");
    EXPECT_EQ(layout.Planes, (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(layout.Channels, (std::vector{TChannel::Blue, TChannel::Green, TChannel::Alpha}));
    EXPECT_EQ(layout.Order, TPixelOrder::Columns);
    EXPECT_EQ(layout.Bits, TBitOrder::Lsb);
    EXPECT_EQ(LayoutText(layout), "10,bga,columns,lsb");
    EXPECT_EQ(ParseLayout(kDefaultLayout), TLayout{});
    const std::pair<const char*, const char*> bad[] = {
        {"0,rgb,rows", "a layout has four parts, PLANES,CHANNELS,ORDER,BITS (e.g. 0,rgb,rows,msb)"},
        {"8,rgb,rows,msb", "unknown bit plane \"8\" (one or more of 0 to 7)"},
        {"00,rgb,rows,msb", "bit plane 0 given twice"},
        {",rgb,rows,msb", "no bit plane given (one or more of 0 to 7, e.g. 0 or 01)"},
        {"0,rgx,rows,msb", "unknown channel \"x\" (one or more of r, g, b, a)"},
        {"0,rgb,row,msb", "unknown order \"row\" (rows or columns)"},
        {"0,rgb,rows,MSB", "unknown bit order \"MSB\" (msb or lsb)"},
    };
    for (const auto& [text, message] : bad) {
        try {
            ParseLayout(text);
            ADD_FAILURE() << text;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

// Reds of a 4 x 2 picture: plane 0 is 1011/0010, plane 1 is 0011/0100, plane 7 is 0001/0011.
const std::vector<TColor32> kReds = {0xFF010000, 0xFF000000, 0xFF030000, 0xFFFF0000,
                                     0xFF000000, 0xFF020000, 0xFF810000, 0xFF800000};
// 2 x 2 pixels whose alpha, red, green, blue plane-0 bits are 1100, 1001, 0101, 0011.
const std::vector<TColor32> kChannels = {0xFF010000, 0xFE000100, 0xFF000001, 0xFE010101};

TEST(HiddenBytes, ExtractGivesTheLayoutsBits) {
    const struct {
        int32_t width, height;
        const std::vector<TColor32>& pixels;
        const char* layout;
        Bytes bytes;
    } cases[] = {
        {4, 2, kReds, "0,r,rows,msb", {0xB2}},
        {4, 2, kReds, "0,r,rows,lsb", {0x4D}},
        {4, 2, kReds, "0,r,columns,msb", {0x8E}},
        {4, 2, kReds, "1,r,rows,msb", {0x34}},
        {4, 2, kReds, "7,r,rows,msb", {0x13}},
        {4, 2, kReds, "10,r,rows,msb", {0x4F, 0x24}},
        {4, 2, kReds, "01,r,rows,msb", {0x8F, 0x18}},
        {4, 2, kReds, "0,g,rows,msb", {0x00}},
        // 12 bits: the last four are a partial byte and dropped.
        {2, 2, kChannels, "0,rgb,rows,msb", {0x88}},
        {2, 2, kChannels, "0,bgr,rows,msb", {0x2A}},
        {2, 2, kChannels, "0,rgba,rows,msb", {0x94, 0x3E}},
        {2, 2, kChannels, "0,rgb,columns,lsb", {0xA1}},
        {2, 2, kChannels, "0,g,columns,lsb", {}},
    };
    for (const auto& c : cases) {
        TBitmap32 picture;
        Fill(picture, c.width, c.height, c.pixels);
        const TLayout layout = ParseLayout(c.layout);
        EXPECT_EQ(ExtractBytes(picture, layout), c.bytes) << c.layout;
        EXPECT_EQ(Capacity(c.width, c.height, layout), c.bytes.size()) << c.layout;
    }
    // Offset and length: any start (inside a pixel too) gives the same bytes as the whole walk.
    TBitmap32 noise;
    Noise(noise, 37, 11, 1);
    for (const char* text : {"0,rgb,rows,msb", "01,bgr,columns,lsb", "7,rgba,rows,lsb"}) {
        const TLayout layout = ParseLayout(text);
        const Bytes all = ExtractBytes(noise, layout);
        for (const uint64_t offset : {0u, 1u, 5u, 77u})
            EXPECT_EQ(ExtractBytes(noise, layout, offset, 9), Bytes(all.begin() + offset, all.begin() + offset + 9)) << text;
        EXPECT_EQ(ExtractBytes(noise, layout, all.size() - 2), Bytes(all.end() - 2, all.end())) << text;
        EXPECT_TRUE(ExtractBytes(noise, layout, all.size() + 1000, 5).empty()) << text;
    }
}

TEST(HiddenBytes, Crc32IsZlibs) {
    EXPECT_EQ(Crc32(Text("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc32(Text("6789"), Crc32(Text("12345"))), 0xCBF43926u);
    EXPECT_EQ(Crc32({}), 0u);
}

TEST(HiddenBytes, HiddenPayloadsRevealAndLeaveEveryOtherBit) {
    // Every plane, every channel, several channel and plane orders, both orders, both bit orders;
    // payload sizes that end on and inside a pixel.
    const char* layouts[] = {"0,rgb,rows,msb", "1,r,columns,lsb", "2,g,rows,lsb",   "3,b,columns,msb",
                             "4,a,rows,msb",   "5,bgr,rows,lsb",  "6,rgba,columns,msb", "7,gb,rows,msb",
                             "01,bgr,columns,lsb", "10,argb,rows,msb", "76543210,rgba,rows,lsb"};
    for (const char* text : layouts) {
        const TLayout layout = ParseLayout(text);
        for (const size_t size : {1u, 7u, 40u}) {
            TBitmap32 cover, picture;
            Noise(cover, 41, 13, static_cast<uint32_t>(size));
            Noise(picture, 41, 13, static_cast<uint32_t>(size));
            Bytes payload(size);
            for (size_t i = 0; i < size; ++i) payload[i] = static_cast<uint8_t>(i * 37 + 5);
            HidePayload(picture, layout, payload);
            EXPECT_EQ(RevealPayload(picture, layout), payload) << text << ' ' << size;
            // The record's bytes, and nothing changed after it or outside the layout's bits.
            const Bytes record = ExtractBytes(picture, layout, 0, size + 8);
            EXPECT_EQ(Bytes(record.begin(), record.begin() + 4), (Bytes{0, 0, 0, static_cast<uint8_t>(size)})) << text;
            const uint32_t crc = Crc32(payload);
            EXPECT_EQ(Bytes(record.end() - 4, record.end()), (Bytes{uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)}));
            EXPECT_EQ(ExtractBytes(picture, layout, size + 8), ExtractBytes(cover, layout, size + 8)) << text;
            const TColor32 layoutBits = TPixelBits(layout).Put(0, ~TColor32{0});
            for (size_t i = 0; i < cover.PixelCount(); ++i)
                ASSERT_EQ(picture.Bits()[i] & ~layoutBits, cover.Bits()[i] & ~layoutBits) << text << " pixel " << i;
        }
    }
}

TEST(HiddenBytes, CapacityEdgesAndBrokenRecords) {
    // 8 x 4 pixels in 0,rgb: 96 bits, 12 bytes, room for a 4-byte payload.
    const TLayout layout;
    TBitmap32 picture, before;
    Noise(picture, 8, 4, 3);
    Noise(before, 8, 4, 3);
    EXPECT_EQ(PayloadCapacity(8, 4, layout), 4u);
    try {
        HidePayload(picture, layout, Text("12345"));
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "The payload (5 bytes) does not fit: this picture holds at most 4 bytes in 0,rgb,rows,msb.");
    }
    EXPECT_TRUE(std::equal(picture.Bits(), picture.Bits() + 32, before.Bits()));
    HidePayload(picture, layout, Text("1234"));
    EXPECT_EQ(RevealPayload(picture, layout), Text("1234"));

    // Under 9 bytes of capacity nothing fits (5 x 4 x 3 bits = 7 bytes); an empty payload is
    // refused, and a record of length 0 (a plane of zeros) is none.
    TBitmap32 small, black;
    Noise(small, 5, 4, 4);
    EXPECT_THROW(HidePayload(small, layout, Text("1")), Exception);
    EXPECT_EQ(RevealPayload(small, layout), std::nullopt);
    EXPECT_THROW(HidePayload(picture, layout, {}), Exception);
    Fill(black, 8, 4, std::vector<TColor32>(32, 0xFF000000));
    EXPECT_EQ(RevealPayload(black, layout), std::nullopt);

    // A length beyond the capacity (all ones) and a CRC that does not match reveal nothing.
    TBitmap32 ones;
    Fill(ones, 8, 4, std::vector<TColor32>(32, 0xFFFFFFFF));
    EXPECT_EQ(RevealPayload(ones, layout), std::nullopt);
    HidePayload(picture, layout, Text("abc"));
    picture.Bits()[20] ^= 0x00010000;  // a red bit in the CRC field
    EXPECT_EQ(RevealPayload(picture, layout), std::nullopt);
    EXPECT_EQ(NoPayloadText(layout), "No hidden payload in 0,rgb,rows,msb.");
}

TEST(HiddenBytes, SaveRefusals) {
    const TLayout rgb, alpha = ParseLayout("0,rgba,rows,msb");
    EXPECT_EQ(PayloadSaveRefusal("a.JPG", rgb), "A hidden payload does not survive saving as JPEG; save as PNG or BMP.");
    EXPECT_EQ(PayloadSaveRefusal("a.gif", rgb), "A hidden payload does not survive saving as GIF; save as PNG or BMP.");
    EXPECT_EQ(PayloadSaveRefusal("a.Png", alpha), "A hidden payload in the alpha channel does not survive saving as PNG; save as BMP.");
    for (const char* bmp : {"a.bmp", "a"})
        EXPECT_EQ(PayloadSaveRefusal(bmp, alpha), "A hidden payload in the alpha channel does not survive saving as BMP: no picture file keeps alpha here.");
    for (const char* keeps : {"a.png", "a.bmp", "a.jpeg", "jpg"}) EXPECT_EQ(PayloadSaveRefusal(keeps, rgb), "") << keeps;
}

TEST(Scan, FindsWhatWasPlantedBestFirst) {
    std::string pngHead = "\x89PNG\r\n\x1A\n";
    pngHead += std::string(8, '\0');
    const std::string zipHead = "PK\x03\x04\x14\x00\x00\x00";
    std::string noise(5000, '\0');
    std::mt19937 random(5);
    for (char& c : noise) c = static_cast<char>(random());
    const std::string text = "Meet me at the \"old\" mill\tat dawn.\nBring the map, the lamp and the key\\ring.";
    const struct {
        const char* layout;
        std::string bytes;  // written as they are (the payload case: as a record)
        bool record;
        std::string line;
    } cases[] = {
        {"0,rgb,rows,msb", pngHead, false, "0,rgb,rows,msb: PNG"},
        {"1,g,columns,lsb", zipHead, false, "1,g,columns,lsb: ZIP"},
        {"7,bgr,rows,lsb", text, false,
         "7,bgr,rows,lsb: text \"Meet me at the \\\"old\\\" mill\\tat dawn.\\nBring the map, the lamp a\""},
        {"01,b,columns,msb", "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln", false, "01,b,columns,msb: text \"Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln\""},
        {"0,r,rows,lsb", noise, true, "0,r,rows,lsb: payload of 5000 bytes (CRC-32 ok)"},
    };
    for (const auto& c : cases) {
        TBitmap32 picture;
        Noise(picture, 300, 200, 11);
        const TLayout layout = ParseLayout(c.layout);
        if (c.record) {
            HidePayload(picture, layout, Text(c.bytes));
        } else {
            TBitWriter writer(picture, layout);
            writer.Write(Text(c.bytes));
        }
        const std::vector<TFinding> findings = Scan(picture);
        ASSERT_EQ(findings.size(), 1u) << c.layout << ": " << (findings.size() > 1 ? FindingText(findings[1]) : "");
        EXPECT_EQ(FindingText(findings[0]), c.line);
    }
    // Ranking: a payload before a file before texts, texts of more different bytes first, then
    // longer ones (each text ends in a zero byte); alpha layouts only where some alpha is not 255.
    TBitmap32 picture;
    Noise(picture, 300, 200, 8);
    TBitWriter(picture, ParseLayout("0,r,rows,msb")).Write(Text(std::string("short text") + '\0'));
    TBitWriter(picture, ParseLayout("1,r,rows,msb")).Write(Text(std::string(30, 'U') + '\0'));
    TBitWriter(picture, ParseLayout("0,g,rows,msb")).Write(Text(std::string("a somewhat longer text") + '\0'));
    TBitWriter(picture, ParseLayout("0,b,rows,msb")).Write(Text("%PDF-1.4"));
    HidePayload(picture, ParseLayout("7,a,columns,lsb"), Text("secret"));
    std::vector<std::string> lines;
    for (const TFinding& finding : Scan(picture)) lines.push_back(FindingText(finding));
    EXPECT_EQ(lines, (std::vector<std::string>{"7,a,columns,lsb: payload of 6 bytes (CRC-32 ok)", "0,b,rows,msb: PDF",
                                               "0,g,rows,msb: text \"a somewhat longer text\"", "0,r,rows,msb: text \"short text\"",
                                               "1,r,rows,msb: text \"" + std::string(30, 'U') + "\""}));
    EXPECT_EQ(ScanLayouts(false).size(), 4u * 5 * 2 * 2);
    EXPECT_EQ(ScanLayouts(true).size(), 4u * 7 * 2 * 2);
}

TEST(Scan, FileKindsAndText) {
    const std::pair<std::string, const char*> kinds[] = {
        {"\xFF\xD8\xFF\xE0", "JPEG"}, {"GIF89a", "GIF"}, {"GIF87a", "GIF"}, {"%PDF-", "PDF"}, {"\x1F\x8B\x08", "gzip"},
        {"7z\xBC\xAF\x27\x1C", "7z"}, {std::string("Rar!\x1A\x07\x00", 7), "RAR"}, {"\x7F" "ELF", "ELF"},
        {std::string("BM\x36\x00\x0C\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00", 18), "BMP"},
        {std::string("BM\x36\x00\x0C\x00\x01\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00", 18), ""},
        {"PK\x03", ""},
    };
    for (const auto& [bytes, kind] : kinds) EXPECT_STREQ(FileKind(Text(bytes)), kind) << bytes;
    std::string shown;
    // Overlong, surrogate and C1 forms end the text; the count is of characters, not bytes.
    const std::pair<std::string, size_t> texts[] = {
        {"abc\xC3\xA9z\x01", 5}, {"ab\xC0\xAF", 2}, {"ab\xED\xA0\x80", 2}, {"ab\xC2\x85", 2}, {"\xF0\x9F\x98\x80!", 2}, {"ab\xE2\x82", 2}};
    for (const auto& [bytes, count] : texts) EXPECT_EQ(PrintableStart(Text(bytes), 60, shown).Characters, count) << bytes;
}

}  // namespace
}  // namespace nox::analysis
