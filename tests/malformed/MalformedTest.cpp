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
