// noxsteg-cli extract, scan, hide and reveal in-process: exact bytes and lines, the refusals with
// their exact messages and statuses, and OUT never written when refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "cli/CliRun.h"
#include "tests/cli/CliTestSupport.h"

namespace nox::cli {
namespace {

struct Result {
    int status;
    std::string out, err;
};

Result Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

using HiddenCommands = test::CliFolder;

TEST_F(HiddenCommands, ExtractWritesTheLayoutsBytes) {
    // Red plane 0 of the eight pixels is 1011 0010, blue plane 0 is 0100 0110.
    const std::string in = WriteRow("in.bmp", {0x010000, 0x000001, 0x030000, 0xFF0000, 0x000000, 0x020001, 0x810001, 0x800000});
    const struct {
        std::vector<std::string> options;
        const char* layout;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {{}, "0,r,rows,msb", {0xB2}},
        {{}, "0,rb,rows,msb", {0x9A, 0x1C}},  // red, blue: 10 01 10 10, 00 01 11 00
        {{"--offset", "1"}, "0,rb,rows,msb", {0x1C}},
        {{"--length", "1"}, "0,rb,rows,msb", {0x9A}},
        {{"--offset", "9", "--length", "99999999999"}, "0,rb,rows,msb", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"extract", in, c.layout, Path("out.bin")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Result r = Cli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadWholeFile(Path("out.bin")), c.bytes) << c.layout;
    }
}

TEST_F(HiddenCommands, HideScanRevealRoundTrip) {
    TBitmap32 noise;
    noise.SetSize(40, 30);
    std::mt19937 random(2);
    for (size_t i = 0; i < noise.PixelCount(); ++i) noise.Bits()[i] = random() | 0xFF000000u;
    const std::string cover = Path("cover.bmp");
    WritePictureFile(cover, noise, TPictureFormat::pfBMP, 95);
    WriteBytes("secret.txt", {'T', 'h', 'e', ' ', 'k', 'e', 'y'});
    Result r = Cli({"hide", cover, Path("secret.txt"), Path("out.bmp"), "--layout", "1,bgr,columns,lsb"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli({"scan", Path("out.bmp")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1,bgr,columns,lsb: payload of 7 bytes (CRC-32 ok)\n");
    r = Cli({"reveal", Path("out.bmp"), Path("back.txt"), "--layout", "1,bgr,columns,lsb"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadWholeFile(Path("back.txt")), ReadWholeFile(Path("secret.txt")));
    // The default layout, where nothing was hidden.
    r = Cli({"reveal", Path("out.bmp"), Path("none.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No hidden payload in 0,rgb,rows,msb.\n");
    EXPECT_FALSE(std::filesystem::exists(Path("none.txt")));
}

TEST_F(HiddenCommands, RefusalsWriteNothing) {
    // 8 pixels x 3 bits = 3 bytes: no payload fits; 24 pixels x 3 bits = 9 bytes: one byte fits.
    const std::string small = WriteRow("small.bmp", std::vector<uint32_t>(24, 0x808080));
    WriteBytes("one.bin", {1});
    WriteBytes("two.bin", {1, 2});
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;  // standard error (for status 1)
    } cases[] = {
        {{"hide", small, Path("two.bin"), Path("out.bmp")}, 1,
         "The payload (2 bytes) does not fit: this picture holds at most 1 bytes in 0,rgb,rows,msb."},
        {{"hide", small, Path("one.bin"), Path("out.jpg")}, 1, "A hidden payload does not survive saving as JPEG; save as PNG or BMP."},
        {{"hide", small, Path("one.bin"), Path("out.Gif")}, 1, "A hidden payload does not survive saving as GIF; save as PNG or BMP."},
        {{"hide", small, Path("one.bin"), Path("out.PNG"), "--layout", "0,a,rows,msb"}, 1,
         "A hidden payload in the alpha channel does not survive saving as PNG; save as BMP."},
        {{"hide", small, Path("one.bin"), Path("out.bmp"), "--layout", "0,rgba,rows,msb"}, 1,
         "A hidden payload in the alpha channel does not survive saving as BMP: no picture file keeps alpha here."},
        {{"hide", small, Path("missing.bin"), Path("out.bmp")}, 1, "Cannot open file " + Path("missing.bin") + "."},
        {{"reveal", small, Path("out.bmp")}, 1, "No hidden payload in 0,rgb,rows,msb."},
        {{"hide", small, Path("one.bin"), Path("out.bmp"), "--layout", "0,rgb,rows"}, 2, ""},
        {{"extract", small, "0,rgb,rows,msb", Path("out.bmp"), "--offset", "-1"}, 2, ""},
        {{"scan", small, Path("out.bmp")}, 2, ""},
    };
    for (const auto& c : cases) {
        const Result r = Cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << ' ' << r.err;
        EXPECT_EQ(c.status == 1 ? r.err : "", c.status == 1 ? c.message + "\n" : "");
        EXPECT_EQ(r.err.find("Usage:") != std::string::npos, c.status == 2) << r.err;
        for (const char* out : {"out.bmp", "out.jpg", "out.Gif", "out.PNG"})
            EXPECT_FALSE(std::filesystem::exists(Path(out))) << out;
    }
    EXPECT_EQ(Cli({"hide", small, Path("one.bin"), Path("out.bmp")}).status, 0);
}

TEST_F(HiddenCommands, NothingInCleanPhotographs) {
    for (const char* photo : {"video-001.jpg", "video-001.q50.420.jpg", "go-turns-two-280x360.jpg"}) {
        const Result r = Cli({"scan", std::string(NOXSTEG_CORPUS_DIR) + "/jpeg/" + photo});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "") << photo;
    }
}

}  // namespace
}  // namespace nox::cli
