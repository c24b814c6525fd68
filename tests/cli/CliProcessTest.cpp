// noxsteg-cli run as a program: exit statuses and the exact standard output and error streams.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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

    // `asUser` runs the program with the given command put in front (to change its user).
    Result RunProgram(const std::vector<std::string>& args, const std::string& asUser = "") const {
        std::string command = asUser + Quote(NOXSTEG_CLI);
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

// Saving as an ordinary user, for whom file and folder permissions hold (root may write anything):
// the tool runs as the user "nobody" when the tests run as root.
TEST_F(CliProcess, SavingKeepsWhatASaveMeansForAnOrdinaryUser) {
    namespace fs = std::filesystem;
    std::string asUser;
    if (::geteuid() == 0) {
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (std::system((asUser + "true").c_str()) != 0) GTEST_SKIP() << "running as root without setpriv";
    }
    const std::string in = WriteRow("in.bmp", {0x010203, 0x040506});
    const std::vector<uint8_t> picture = ReadWholeFile(in);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    const fs::path work = Path("work");

    struct Case {
        const char* what;
        const char* save;         // the name given to the tool, in the folder work/
        const char* lockedFolder; // a folder of work/ made read-only after set-up, or ""
        int status;
        const char* written;      // the file that must hold the picture, or "" when none is written
        const char* untouched;    // a file that must keep "old", or ""
    };
    const Case cases[] = {
        {"a read-only file is not replaced", "ro/ro.bmp", "", 1, "", "ro/ro.bmp"},
        {"a link writes the file it points to", "link.bmp", "", 0, "real/target.bmp", ""},
        {"a file in a read-only folder is written in place", "locked/in.bmp", "locked", 0, "locked/in.bmp", ""},
        {"no new file in a read-only folder", "locked/new.bmp", "locked", 1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(work);
        for (const char* folder : {"ro", "real", "locked"}) fs::create_directories(work / folder);
        for (const char* file : {"ro/ro.bmp", "real/target.bmp", "locked/in.bmp"}) WriteBytes("work/" + std::string(file), old);
        fs::create_symlink("real/target.bmp", work / "link.bmp");
        if (::geteuid() == 0) {
            for (const auto& entry : fs::recursive_directory_iterator(work)) {
                ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
            }
            ASSERT_EQ(::chown(work.c_str(), 65534, 65534), 0);
        }
        ::chmod((work / "ro/ro.bmp").c_str(), 0444);
        if (*c.lockedFolder) ::chmod((work / c.lockedFolder).c_str(), 0555);

        const std::string target = (work / c.save).string();
        const Result r = RunProgram({"convert", in, target}, asUser);
        ::chmod((work / "locked").c_str(), 0755);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.status == 0 ? "" : "Cannot create file " + target + ".\n");
        if (*c.written) {
            EXPECT_TRUE(ReadWholeFile((work / c.written).string()) == picture);
        }
        if (*c.untouched) {
            EXPECT_TRUE(ReadWholeFile((work / c.untouched).string()) == old);
        }
        EXPECT_TRUE(fs::is_symlink(work / "link.bmp"));
        // The four files of the set-up and nothing else: no temporary file is left anywhere.
        int files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(work)) files += entry.is_directory() ? 0 : 1;
        EXPECT_EQ(files, 4);
    }
}

}  // namespace
}  // namespace nox::cli
