// Parsing noxsteg-cli's command line: what is accepted, and every kind of usage error.
#include <gtest/gtest.h>

#include "cli/CliCommand.h"

namespace nox::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CliCommand, AcceptedCommandLines) {
    const struct {
        Args args;
        std::string name;
        Args files;
        int quality;
    } cases[] = {
        {{"subtract", "l.bmp", "m.bmp", "o.bmp"}, "subtract", {"l.bmp", "m.bmp", "o.bmp"}, 95},
        {{"add", "l", "m", "o", "--quality", "0"}, "add", {"l", "m", "o"}, 0},
        {{"add-bit", "--quality", "100", "l", "m", "o"}, "add-bit", {"l", "m", "o"}, 100},
        {{"set-lsbs", "l", "m", "o", "--quality=7"}, "set-lsbs", {"l", "m", "o"}, 7},
        {{"show-lsbs", "l", "o"}, "show-lsbs", {"l", "o"}, 95},
        {{"show-lsbs", "l", "m", "o"}, "show-lsbs", {"l", "m", "o"}, 95},
        {{"blacken", "i", "o"}, "blacken", {"i", "o"}, 95},
        {{"whiten", "i", "o", "--quality", "050"}, "whiten", {"i", "o"}, 50},
        {{"convert", "--", "-i.bmp", "--quality"}, "convert", {"-i.bmp", "--quality"}, 95},
        {{"convert", "-", "o"}, "convert", {"-", "o"}, 95},
        {{"info", "a", "b", "c"}, "info", {"a", "b", "c"}, 95},
    };
    for (const auto& c : cases) {
        const TCliCommand command = ParseCommandLine(c.args);
        EXPECT_EQ(command.What, TCliCommand::Kind::Run);
        EXPECT_EQ(command.Name, c.name);
        EXPECT_EQ(command.Files, c.files) << c.name;
        EXPECT_EQ(command.Quality, c.quality) << c.name;
    }
    EXPECT_EQ(ParseCommandLine({"--help"}).What, TCliCommand::Kind::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).What, TCliCommand::Kind::Version);
}

TEST(CliCommand, UsageErrorsSayWhatIsWrong) {
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {{}, "no command given"},
        {{"frobnicate", "a", "b"}, "unknown command \"frobnicate\""},
        {{"--quality", "5"}, "unknown command \"--quality\""},
        {{"--help", "add"}, "unknown command \"--help\""},
        {{"add", "l", "m"}, "wrong number of files for add"},
        {{"add", "l", "m", "o", "p"}, "wrong number of files for add"},
        {{"show-lsbs", "l"}, "wrong number of files for show-lsbs"},
        {{"show-lsbs", "l", "m", "o", "p"}, "wrong number of files for show-lsbs"},
        {{"convert", "i"}, "wrong number of files for convert"},
        {{"info"}, "wrong number of files for info"},
        {{"convert", "i", "o", "--quality"}, "--quality needs a value"},
        {{"convert", "i", "o", "--quality", "101"}, "--quality needs a whole number from 0 to 100, not \"101\""},
        {{"convert", "i", "o", "--quality", "-1"}, "--quality needs a whole number from 0 to 100, not \"-1\""},
        {{"convert", "i", "o", "--quality", "9x"}, "--quality needs a whole number from 0 to 100, not \"9x\""},
        {{"convert", "i", "o", "--quality="}, "--quality needs a whole number from 0 to 100, not \"\""},
        {{"convert", "i", "o", "--quality", "1", "--quality", "2"}, "--quality given twice"},
        {{"info", "a", "--quality", "5"}, "info takes no --quality"},
        {{"convert", "i", "o", "-v"}, "unknown option \"-v\""},
    };
    for (const auto& c : cases) {
        try {
            ParseCommandLine(c.args);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const TUsageError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

}  // namespace
}  // namespace nox::cli
