// noxsteg-cli's commands that look inside pictures: exact pixels written, exact lines printed,
// the bit planes' file names, and the usage and input errors with their exit statuses.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliCommand.h"
#include "cli/CliFiles.h"
#include "cli/CliRun.h"
#include "cli/CommandFamilies.h"
#include "tests/cli/CliTestSupport.h"

namespace nox::cli {
namespace {

using Result = test::TCliResult;
constexpr auto Cli = &test::RunCliInProcess;

class InspectCommands : public test::CliFolder {
protected:
    void SetUp() override {
        test::CliFolder::SetUp();
        a_ = WriteRow("a.bmp", {0x643201, 0x0A141E, 0xFFFE07});  // (100,50,1) (10,20,30) (255,254,7)
        b_ = WriteRow("b.bmp", {0x653300, 0x0A141E});             // (101,51,0) (10,20,30)
    }
    std::string a_, b_;
};

// Stored BMP pixels: alpha in the top byte, which every result sets to 255.
TEST_F(InspectCommands, PicturesWrittenPixelForPixel) {
    const struct {
        std::vector<std::string> args;
        std::vector<uint32_t> stored;
    } cases[] = {
        {{"plane", "A", "r", "0", "OUT"}, {0xFF000000, 0xFF000000, 0xFFFFFFFF}},
        {{"plane", "A", "g", "1", "OUT"}, {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
        {{"plane", "A", "b", "0", "OUT"}, {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
        {{"plane", "A", "r", "7", "OUT"}, {0xFF000000, 0xFF000000, 0xFFFFFFFF}},
        {{"plane", "A", "a", "7", "OUT"}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}},
        {{"combine", "xor", "A", "B", "OUT"}, {0xFF010101, 0xFF000000}},
        {{"combine", "and", "A", "B", "OUT"}, {0xFF643200, 0xFF0A141E}},
        {{"combine", "or", "A", "B", "OUT"}, {0xFF653301, 0xFF0A141E}},
        {{"diff", "A", "B", "OUT"}, {0xFF010101, 0xFF000000}},
        {{"diff", "A", "B", "OUT", "--amplify", "128"}, {0xFF808080, 0xFF000000}},
        {{"diff", "--amplify", "64", "B", "A", "OUT"}, {0xFF404040, 0xFF000000}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args;
        for (const std::string& a : c.args) args.push_back(a == "A" ? a_ : a == "B" ? b_ : a == "OUT" ? Path("out.bmp") : a);
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Result r = Cli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out + r.err, "");
        EXPECT_EQ(StoredPixels("out.bmp"), c.stored);
    }
}

TEST_F(InspectCommands, PlanesWritesTwentyFourFilesIntoANewFolder) {
    ASSERT_EQ(Cli({"planes", a_, Path("new/planes")}).status, 0);
    const auto plane = [this](const std::string& name) { return Path("new/planes/" + name + kPlaneExtension); };
    for (const char c : {'r', 'g', 'b'})
        for (int bit = 0; bit < 8; ++bit) EXPECT_TRUE(std::filesystem::exists(plane(c + std::to_string(bit))));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("new/planes")), {}), 24);
    TBitmap32 g1;
    LoadInput(plane("g1"), g1);
    EXPECT_EQ(std::vector<uint32_t>(g1.Bits(), g1.Bits() + g1.PixelCount()), (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));
}

TEST_F(InspectCommands, PixelAndHistogramLines) {
    Result r = Cli({"pixel", a_, "2", "0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "x=2 y=0 r=255 g=254 b=7 a=255 bits=11111111,11111110,00000111\n");

    r = Cli({"histogram", a_});
    EXPECT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> nonZero;
    int count = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.rfind(std::to_string(count) + ' ', 0), 0u) << line;
        if (line != std::to_string(count) + " 0 0 0") nonZero.push_back(line);
        ++count;
    }
    EXPECT_EQ(count, 256);
    EXPECT_EQ(nonZero, (std::vector<std::string>{"1 0 0 1", "7 0 0 1", "10 1 0 0", "20 0 1 0", "30 0 0 1", "50 0 1 0",
                                                 "100 1 0 0", "254 0 1 0", "255 1 0 0"}));
}

TEST_F(InspectCommands, ErrorsAndExitStatuses) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;  // the first line
    } cases[] = {
        {{"pixel", "A", "3", "0"}, 1, "Point (3, 0) is outside the picture (3 x 1)."},
        {{"pixel", "A", "0", "-1"}, 1, "Point (0, -1) is outside the picture (3 x 1)."},
        {{"pixel", "A", "x", "0"}, 2, "noxsteg-cli: X and Y must be whole numbers"},
        {{"plane", "A", "x", "0", "OUT"}, 2, "noxsteg-cli: CHANNEL must be r, g, b or a, not \"x\""},
        {{"plane", "A", "r", "8", "OUT"}, 2, "noxsteg-cli: BIT must be 0 to 7, not \"8\""},
        {{"plane", "A", "r", "0"}, 2, "noxsteg-cli: plane takes 4 arguments"},
        {{"combine", "nand", "A", "B", "OUT"}, 2, "noxsteg-cli: OP must be xor, and or or, not \"nand\""},
        {{"diff", "A", "B", "OUT", "--amplify", "129"}, 2, "noxsteg-cli: --amplify must be 1 to 128, not \"129\""},
        {{"diff", "A", "B", "OUT", "--amplify"}, 2, "noxsteg-cli: --amplify needs a value"},
        {{"histogram", "MISSING"}, 1, "Cannot open file MISSING."},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args;
        for (const std::string& a : c.args)
            args.push_back(a == "A" ? a_ : a == "B" ? b_ : a == "OUT" ? Path("out.bmp") : a == "MISSING" ? Path("none.bmp") : a);
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Result r = Cli(args);
        EXPECT_EQ(r.status, c.status);
        std::string expected = c.err;
        if (c.args[1] == "MISSING") expected.replace(expected.find("MISSING"), 7, Path("none.bmp"));
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), expected);
        if (c.status == 2) {
            EXPECT_NE(r.err.find(UsageText()), std::string::npos);
        }
        EXPECT_FALSE(std::filesystem::exists(Path("out.bmp")));
    }
}

}  // namespace
}  // namespace nox::cli
