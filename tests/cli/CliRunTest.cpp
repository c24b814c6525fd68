// noxsteg-cli's commands run in-process: the exact pixels each operation writes, the output name
// correction, info lines, and the exact error lines with nothing half-written.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliCommand.h"
#include "cli/CliRun.h"
#include "tests/cli/CliTestSupport.h"

namespace nox::cli {
namespace {

using Result = test::TCliResult;
constexpr auto Cli = &test::RunCliInProcess;

class CliRun : public test::CliFolder {
protected:
    // Left and Middle rows chosen so that each operation's rule shows: a borrow, a clamp, a white
    // Middle pixel, odd and even channels.
    void SetUp() override {
        test::CliFolder::SetUp();
        left_ = WriteRow("left.bmp", {0x643200, 0x0A141E, 0xFFFE07});    // (100,50,0) (10,20,30) (255,254,7)
        middle_ = WriteRow("middle.bmp", {0x323201, 0x141414, 0xFFFFFF});  // (50,50,1) (20,20,20) white
    }
    std::string left_, middle_;
};

TEST_F(CliRun, EveryOperationWritesItsExactPixels) {
    const struct {
        std::vector<std::string> args;
        std::vector<uint32_t> stored;  // the written pixels, fourth byte included
    } cases[] = {
        {{"subtract", "L", "M"}, {0x0031FFFF, 0xFFF6000A, 0xFFFFFE08}},
        {{"add", "L", "M"}, {0x00966401, 0x001E2832, 0x00FFFFFF}},
        {{"add-bit", "L", "M"}, {0xFF643200, 0xFF0A141E, 0x00FFFF08}},
        {{"set-lsbs", "L", "M"}, {0x00653301, 0x000B151F, 0x00FEFE06}},
        {{"show-lsbs", "L", "M"}, {0x00FFFFFF, 0x00FFFFFF, 0x00000000}},
        {{"show-lsbs", "L"}, {0x00FFFFFF, 0x00FFFFFF, 0x00000000}},
        {{"show-lsbs", "M", "L"}, {0x00000000, 0x00FFFFFF, 0x00000000}},
        {{"blacken", "L"}, {0, 0, 0}},
        {{"whiten", "L"}, {0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF}},
        {{"convert", "L"}, {0xFF643200, 0xFF0A141E, 0xFFFFFE07}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {c.args[0]};
        for (size_t i = 1; i < c.args.size(); ++i) args.push_back(c.args[i] == "L" ? left_ : middle_);
        args.push_back(Path("out.bmp"));
        SCOPED_TRACE(c.args[0] + " with " + std::to_string(c.args.size() - 1) + " inputs");
        const Result r = Cli(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(StoredPixels("out.bmp"), c.stored);
    }
}

TEST_F(CliRun, OperationsWorkOnTheCommonTopLeftRectangle) {
    const std::string small = WriteRow("small.bmp", {0x000000});
    ASSERT_EQ(Cli({"add", left_, small, Path("out.bmp")}).status, 0);
    EXPECT_EQ(StoredPixels("out.bmp"), (std::vector<uint32_t>{0x00643200}));
    // Show LSBs keeps the Left size whatever the Middle size.
    ASSERT_EQ(Cli({"show-lsbs", left_, small, Path("out.bmp")}).status, 0);
    EXPECT_EQ(StoredPixels("out.bmp").size(), 3u);
}

TEST_F(CliRun, EmptyInputGivesAnEmptyResultFile) {
    WriteBytes("empty.bmp", {});
    const Result r = Cli({"add", left_, Path("empty.bmp"), Path("out.bmp")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(std::filesystem::file_size(Path("out.bmp")), 0u);
}

TEST_F(CliRun, OutputNameWithoutFormatGetsBmpAppendedWithTheNote) {
    const std::string note =
        "The file name did not have a recognized extension (\"BMP\", \"JPG\", \"GIF\", or \"PNG\"): \"BMP\" was used.\n";
    for (const char* name : {"result", "result.jpeg"}) {
        const Result r = Cli({"convert", left_, Path(name)});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, note);
        EXPECT_FALSE(std::filesystem::exists(Path(name)));
        EXPECT_EQ(StoredPixels(std::string(name) + ".BMP").size(), 3u);
    }
}

TEST_F(CliRun, InfoPrintsOneLinePerFile) {
    WriteBytes("empty.BMP", {});
    const Result r = Cli({"info", left_, Path("empty.BMP")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, left_ + ": 3x1 BMP\n" + Path("empty.BMP") + ": 0x0 BMP\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliRun, InfoNamesJpegGifAndPngFiles) {
    const std::string corpus = NOXSTEG_CORPUS_DIR;
    const std::string jpg = corpus + "/jpeg/video-001.jpg", gif = corpus + "/gif/video-001.gif";
    const std::string png = corpus + "/png/basn2c08.png";
    const Result r = Cli({"info", jpg, gif, png});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, jpg + ": 150x103 JPEG\n" + gif + ": 150x103 GIF\n" + png + ": 32x32 PNG\n");
}

TEST_F(CliRun, ErrorsPrintTheErrorBoxTextLastAndExit1) {
    std::vector<uint8_t> badPlanes = ReadWholeFile(left_);
    badPlanes[26] = 0;
    WriteBytes("bad.bmp", badPlanes);
    WriteBytes("notes.txt", {'h', 'i'});
    WriteBytes("bad.png", {'h', 'i'});
    const struct {
        std::vector<std::string> args;
        std::string lastLine;
    } cases[] = {
        {{"convert", Path("missing.bmp"), Path("out.bmp")}, "Cannot open file " + Path("missing.bmp") + "."},
        {{"add", left_, Path("missing.gif"), Path("out.bmp")}, "Cannot open file " + Path("missing.gif") + "."},
        {{"convert", Path("notes.txt"), Path("out.bmp")},
         "Cannot read " + Path("notes.txt") + ": its name does not end in .BMP, .JPG, .GIF or .PNG."},
        {{"convert", Path("bad.bmp"), Path("out.bmp")}, "Bitmap image is not valid."},
        {{"convert", left_, Path("no/such/folder/out.bmp")}, "Cannot create file " + Path("no/such/folder/out.bmp") + "."},
        {{"info", left_, Path("bad.bmp")}, "Bitmap image is not valid."},
        {{"convert", Path("bad.png"), Path("out.png")}, "Invalid PNG file (end of stream)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastLine);
        const Result r = Cli(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.lastLine + "\n");
        EXPECT_FALSE(std::filesystem::exists(Path("out.bmp")));
        if (c.args[0] == "info") EXPECT_EQ(r.out, left_ + ": 3x1 BMP\n");
        else EXPECT_EQ(r.out, "");
    }
}

TEST_F(CliRun, FailedWriteKeepsTheOldFile) {
    // A corrected name whose target is a folder: the note, then the error as the last line.
    std::filesystem::create_directories(Path("out.BMP"));
    const Result r = Cli({"convert", left_, Path("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string(kUnrecognizedExtensionNote) + "\nCannot create file " + Path("out.BMP") + ".\n");
    EXPECT_TRUE(std::filesystem::is_directory(Path("out.BMP")));
}

TEST_F(CliRun, UsageErrorsPrintTheProblemAndTheUsageAndExit2) {
    const Result r = Cli({"add", left_});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("noxsteg-cli: wrong number of files for add\n") + UsageText());
}

TEST_F(CliRun, HelpAndVersionGoToStandardOutput) {
    Result r = Cli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, UsageText());
    EXPECT_EQ(r.err, "");
    r = Cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "noxsteg-cli 0.1.0\n");
}

// Hiding the secret in the cover, saving the result as BMP or PNG, and showing it again from that
// file gives the secret exactly.
TEST_F(CliRun, SetLsbsThenShowLsbsRevealsTheSecretExactly) {
    for (const std::string ext : {".bmp", ".png"}) {
        SCOPED_TRACE(ext);
        const std::string samples = std::string(NOXSTEG_SOURCE_DIR) + "/samples/";
        ASSERT_EQ(Cli({"set-lsbs", samples + "cover.bmp", samples + "secret.bmp", Path("out" + ext)}).status, 0);
        ASSERT_EQ(Cli({"show-lsbs", Path("out" + ext), Path("reveal" + ext)}).status, 0);

        TBitmap32 secret, reveal;
        ASSERT_TRUE(ReadPictureFile(samples + "secret.bmp", secret));
        ASSERT_TRUE(ReadPictureFile(Path("reveal" + ext), reveal));
        ASSERT_EQ(reveal.Width(), secret.Width());
        ASSERT_EQ(reveal.Height(), secret.Height());
        size_t black = 0, white = 0, mismatches = 0;
        for (int32_t y = 0; y < secret.Height(); ++y)
            for (int32_t x = 0; x < secret.Width(); ++x) {
                const TColor32 s = secret.GetPixel(x, y);
                black += s == 0xFF000000u;
                white += s == 0xFFFFFFFFu;
                mismatches += reveal.GetPixel(x, y) != s;
            }
        EXPECT_EQ(black + white, static_cast<size_t>(secret.Width() * secret.Height())) << "the secret is black and white";
        EXPECT_GT(black, 1000u);
        EXPECT_GT(white, 1000u);
        EXPECT_EQ(mismatches, 0u);
    }
}

}  // namespace
}  // namespace nox::cli
