// Every input that ever crashed, hung, leaked or ran away with memory in a reader, kept in
// tests/data/malformed/<format>/ under a name that says what is wrong with it, read the way the
// program reads it, with the exact outcome it must give.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "formats/bmp/Bmp.h"
#include "formats/gif/GifImage.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/png/PngImage.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Stream.h"

namespace nox {
namespace {

const std::filesystem::path kFolder = std::filesystem::path(NOXSTEG_TEST_DATA_DIR) / "malformed";

struct Case {
    const char* File;      // under tests/data/malformed/
    const char* Outcome;   // "picture WxH" or "<error class>: <message>"
};

// One row per regression file.
const Case kCases[] = {
    // A 1-bit picture of 32512 x 13313 in 165 bytes: its pane would need 1.7 GB. Refused before
    // anything is allocated (it used to allocate and fill it all).
    {"bmp/pal1-32512x13313-declared-in-165-bytes.bmp", "EOutOfMemory: Out of memory"},
    // A 6 x 5 screen whose frame declares 32262 x 1280 pixels with a few bytes of data: the
    // reader fills the 41 megapixels it was not given (within its budget for unproven fill) and
    // the pane shows the 6 x 5 screen. It took 14 s under the address checker.
    {"gif/frame-32262x1280-on-6x5-screen-in-65-bytes.gif", "picture 6x5"},
    // PNG: every refusal carries libspng's reason. Cut inside each chunk of a small RGB file:
    {"png/truncated-in-signature.png", "EInvalidGraphic: Invalid PNG file (end of stream)."},
    {"png/truncated-in-IHDR.png", "EInvalidGraphic: Invalid PNG file (end of stream)."},
    {"png/truncated-in-gAMA.png", "EInvalidGraphic: Invalid PNG file (end of stream)."},
    {"png/truncated-in-IDAT.png", "EInvalidGraphic: Invalid PNG file (end of stream)."},
    // ... but a file that ends in or before IEND has all its pixels, checked, and opens.
    {"png/truncated-in-IEND.png", "picture 4x3"},
    {"png/missing-IEND.png", "picture 4x3"},
    // Checksums: a critical chunk's refuses the file (the last IDAT's too, read after the
    // image), an ancillary chunk's is ignored.
    {"png/bad-crc-in-IHDR.png", "EInvalidGraphic: Invalid PNG file (invalid chunk checksum)."},
    {"png/bad-crc-in-IDAT.png", "EInvalidGraphic: Invalid PNG file (invalid chunk checksum)."},
    {"png/bad-crc-in-gAMA-ancillary.png", "picture 4x3"},
    {"png/bad-ihdr-width-0.png", "EInvalidGraphic: Invalid PNG file (invalid image width)."},
    {"png/bad-ihdr-height-0.png", "EInvalidGraphic: Invalid PNG file (invalid image height)."},
    {"png/bad-ihdr-width-2147483648.png", "EInvalidGraphic: Invalid PNG file (invalid image width)."},
    {"png/bad-ihdr-bit-depth-3.png", "EInvalidGraphic: Invalid PNG file (invalid bit depth)."},
    {"png/bad-ihdr-palette-bit-depth-16.png", "EInvalidGraphic: Invalid PNG file (invalid bit depth)."},
    {"png/bad-ihdr-colour-type-5.png", "EInvalidGraphic: Invalid PNG file (invalid color type)."},
    {"png/bad-ihdr-compression-method-1.png", "EInvalidGraphic: Invalid PNG file (invalid compression method)."},
    {"png/bad-ihdr-filter-method-1.png", "EInvalidGraphic: Invalid PNG file (invalid filter method)."},
    {"png/bad-ihdr-interlace-method-2.png", "EInvalidGraphic: Invalid PNG file (invalid interlace method)."},
    // 40 GB of pixels declared in 80 bytes: refused by the cap before anything is allocated.
    {"png/huge-100000x100000.png", "EOutOfMemory: Out of memory"},
    // An index beyond a 2-entry palette gives black, as the device bitmap's look-up does.
    {"png/palette-index-3-of-2-entries.png", "picture 4x2"},
    {"png/palette-missing.png", "EInvalidGraphic: Invalid PNG file (missing PLTE for indexed image)."},
    {"png/zero-length-IDAT.png", "EInvalidGraphic: Invalid PNG file (IDAT stream too short)."},
    {"png/IDAT-two-of-three-rows.png", "EInvalidGraphic: Invalid PNG file (IDAT stream too short)."},
    {"png/no-IDAT.png", "EInvalidGraphic: Invalid PNG file (invalid chunk position)."},
    {"png/filter-type-9.png", "EInvalidGraphic: Invalid PNG file (invalid scanline filter)."},
};

std::string PaneOutcome(TGraphic& graphic) {
    TBitmap32 pane;
    pane.Assign(&graphic);
    return "picture " + std::to_string(pane.Width()) + "x" + std::to_string(pane.Height());
}

// Reads the file as opening it into a pane does: the format's reader, then the pane's buffer
// taking the picture over.
std::string Read(const std::string& format, std::vector<uint8_t> bytes) {
    try {
        TMemoryStream in(std::move(bytes));
        if (format == "bmp") {
            TBitmap bitmap;
            bitmap.LoadFromStream(in);
            return PaneOutcome(bitmap);
        }
        if (format == "jpeg") {
            TJPEGImage jpeg;
            jpeg.LoadFromStream(in);
            return PaneOutcome(jpeg);
        }
        if (format == "gif") {
            TGIFImage gif;
            gif.LoadFromStream(in);
            return PaneOutcome(gif);
        }
        if (format == "png") {
            TPNGImage png;
            png.LoadFromStream(in);
            return PaneOutcome(png);
        }
        return "no reader for " + format;
    } catch (const Exception& e) {
        return std::string(e.ClassName()) + ": " + e.Message();
    }
}

TEST(Malformed, EveryFileReadsToItsExactOutcome) {
    RegisterBmpFormat();
    for (const Case& c : kCases) {
        const std::filesystem::path path = kFolder / c.File;
        SCOPED_TRACE(c.File);
        ASSERT_TRUE(std::filesystem::is_regular_file(path));
        const std::string format = std::filesystem::path(c.File).begin()->string();
        EXPECT_EQ(Read(format, ReadWholeFile(path.string())), c.Outcome);
    }
}

TEST(Malformed, EveryFileOfTheFolderHasItsRow) {
    std::set<std::string> listed;
    for (const Case& c : kCases) listed.insert(c.File);
    std::vector<std::string> unlisted;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kFolder)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = std::filesystem::relative(entry.path(), kFolder).generic_string();
        if (!listed.count(name)) unlisted.push_back(name);
    }
    EXPECT_EQ(unlisted, std::vector<std::string>{});
}

}  // namespace
}  // namespace nox
