// Parsing noxsteg-cli's arguments: a command name, its files, and --quality anywhere after it.
#include "cli/CliCommand.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "cli/CommandFamilies.h"

namespace nox::cli {

namespace {

const char* const kOperationUsage =
    "Usage:\n"
    "  noxsteg-cli subtract  LEFT MIDDLE OUT     [--quality N]\n"
    "  noxsteg-cli add       LEFT MIDDLE OUT     [--quality N]\n"
    "  noxsteg-cli add-bit   LEFT MIDDLE OUT     [--quality N]\n"
    "  noxsteg-cli set-lsbs  LEFT MIDDLE OUT     [--quality N]\n"
    "  noxsteg-cli show-lsbs LEFT [MIDDLE] OUT   [--quality N]\n"
    "  noxsteg-cli blacken   IN OUT              [--quality N]\n"
    "  noxsteg-cli whiten    IN OUT              [--quality N]\n"
    "  noxsteg-cli convert   IN OUT              [--quality N]\n"
    "  noxsteg-cli info      FILE...\n";

const char* const kUsageNotes =
    "  noxsteg-cli --help | --version\n"
    "\n"
    "Pictures are BMP, JPEG, GIF or PNG files, chosen by the name's ending (.bmp, .jpg, .gif, .png,\n"
    "any case).\n"
    "An OUT name without one of these endings is written as BMP with \".BMP\" appended.\n"
    "  --quality N   JPEG quality of OUT, 0 to 100 (default 95)\n";

}  // namespace

std::string UsageText() {
    std::string text = kOperationUsage;
    for (const TCommandFamily& family : CommandFamilies()) text += family.usage;
    return text + kUsageNotes;
}

namespace {

struct TCommandShape {
    std::string_view name;
    size_t minFiles, maxFiles;
    bool takesQuality;
};

constexpr std::array<TCommandShape, 9> kCommands = {{
    {"subtract", 3, 3, true},
    {"add", 3, 3, true},
    {"add-bit", 3, 3, true},
    {"set-lsbs", 3, 3, true},
    {"show-lsbs", 2, 3, true},
    {"blacken", 2, 2, true},
    {"whiten", 2, 2, true},
    {"convert", 2, 2, true},
    {"info", 1, SIZE_MAX, false},
}};

// 0 to 100, digits only.
int ParseQuality(std::string_view text) {
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw TUsageError("--quality needs a whole number from 0 to 100, not \"" + std::string(text) + "\"");
    const int value = std::stoi(std::string(text));
    if (value > 100) throw TUsageError("--quality needs a whole number from 0 to 100, not \"" + std::string(text) + "\"");
    return value;
}

}  // namespace

TCliCommand ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) throw TUsageError("no command given");
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return {TCliCommand::Kind::Help, {}, {}, kDefaultQuality};
    if (args.size() == 1 && args[0] == "--version") return {TCliCommand::Kind::Version, {}, {}, kDefaultQuality};

    const auto shape = std::find_if(kCommands.begin(), kCommands.end(), [&](const TCommandShape& c) { return c.name == args[0]; });
    if (shape == kCommands.end()) throw TUsageError("unknown command \"" + args[0] + "\"");

    TCliCommand command;
    command.Name = args[0];
    bool qualityGiven = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            command.Files.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--quality" || a.starts_with("--quality=")) {
            if (!shape->takesQuality) throw TUsageError(command.Name + " takes no --quality");
            if (qualityGiven) throw TUsageError("--quality given twice");
            std::string value;
            if (a == "--quality") {
                if (i + 1 >= args.size()) throw TUsageError("--quality needs a value");
                value = args[++i];
            } else {
                value = a.substr(10);
            }
            command.Quality = ParseQuality(value);
            qualityGiven = true;
        } else {
            throw TUsageError("unknown option \"" + a + "\"");
        }
    }
    if (command.Files.size() < shape->minFiles || command.Files.size() > shape->maxFiles)
        throw TUsageError("wrong number of files for " + command.Name);
    return command;
}

}  // namespace nox::cli
