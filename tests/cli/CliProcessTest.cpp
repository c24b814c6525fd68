// noxsteg-cli run as a program: exit statuses and the exact standard output and error streams.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/CliCommand.h"
#include "tests/cli/CliTestSupport.h"

namespace nox::cli {
namespace {

class CliProcess : public test::CliFolder {
protected:
    struct Result {
        int status;
        std::string out, err;
    };

    static std::string Quote(const std::string& s) {
        std::string q = "'";
        for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

    std::string Slurp(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    Result RunProgram(const std::vector<std::string>& args) const {
        std::string command = Quote(NOXSTEG_CLI);
        for (const std::string& a : args) command += " " + Quote(a);
        command += " >" + Quote(Path("stdout.txt")) + " 2>" + Quote(Path("stderr.txt"));
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw)) << command;
        return {WEXITSTATUS(raw), Slurp(Path("stdout.txt")), Slurp(Path("stderr.txt"))};
    }
};

TEST_F(CliProcess, ExitStatusesAndStreams) {
    const std::string in = WriteRow("in.bmp", {0x010203, 0x040506});

    Result r = RunProgram({"convert", in, Path("copy.bmp")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadWholeFile(Path("copy.bmp")), ReadWholeFile(in));

    r = RunProgram({"info", in});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, in + ": 2x1 BMP\n");

    r = RunProgram({"convert", Path("none.bmp"), Path("copy.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Cannot open file " + Path("none.bmp") + ".\n");

    r = RunProgram({"blend", in, Path("copy.bmp")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("noxsteg-cli: unknown command \"blend\"\n") + UsageText());

    r = RunProgram({});
    EXPECT_EQ(r.status, 2);

    r = RunProgram({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "noxsteg-cli 0.1.0\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliProcess, DemonstrationRoundTrip) {
    const std::string samples = std::string(NOXSTEG_SOURCE_DIR) + "/samples/";
    Result r = RunProgram({"set-lsbs", samples + "cover.bmp", samples + "secret.bmp", Path("out")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, std::string(kUnrecognizedExtensionNote) + "\n");
    r = RunProgram({"show-lsbs", Path("out.BMP"), Path("revealed.bmp")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // The revealed picture is the secret's pixels; only the fourth bytes differ (0 as Show LSBs
    // writes them, 255 as the sample was written from an opened picture).
    std::vector<uint8_t> revealed = ReadWholeFile(Path("revealed.bmp"));
    std::vector<uint8_t> secret = ReadWholeFile(samples + "secret.bmp");
    ASSERT_EQ(revealed.size(), secret.size());
    for (size_t i = 54 + 3; i < secret.size(); i += 4) revealed[i] = secret[i];
    EXPECT_TRUE(revealed == secret);
}

}  // namespace
}  // namespace nox::cli
