// The commands beyond the window's operations (looking inside pictures, hidden bytes, detection):
// each family lives in a file of its own, parses its own arguments and adds its lines to the usage.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace nox::cli {

struct TCommandFamily {
    // The family's lines of the usage text, each "  noxsteg-cli NAME ...\n".
    const char* usage;
    // Runs `args` (args[0] the command's name) and returns true, or returns false at once when
    // args[0] is none of the family's commands. Wrong arguments throw TUsageError; input, reader
    // and writer errors throw as the picture layer does (exit status 1 with the error's text).
    bool (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

// Looking inside pictures (InspectCommands.cpp): plane, planes, combine, diff, pixel, histogram.
extern const char* const kInspectUsage;
// The ending of the files `planes` writes: lossless PNG.
extern const char* const kPlaneExtension;
bool RunInspectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Detection of LSB hiding (AnalyseCommands.cpp): analyse.
extern const char* const kAnalyseUsage;
bool RunAnalyseCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The hidden-bytes family (extract, scan, hide, reveal), in HiddenCommands.cpp.
extern const char* const kHiddenUsage;
bool RunHiddenCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Every family, in the order the usage lists them.
std::span<const TCommandFamily> CommandFamilies();

}  // namespace nox::cli
