// The command line of noxsteg-cli: its usage text and the parsing of the arguments into one
// command, or a usage error.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace nox::cli {

// The usage text: the operations, every command family, then --help/--version and the notes.
std::string UsageText();

inline constexpr int kDefaultQuality = 95;  // the JPEG quality track bar's default

struct TCliCommand {
    enum class Kind { Help, Version, Run };
    Kind What = Kind::Run;
    std::string Name;                // "subtract", "info", ...
    std::vector<std::string> Files;  // inputs, then OUT (for every command but info)
    int Quality = kDefaultQuality;
};

class TUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. TUsageError says what is wrong.
TCliCommand ParseCommandLine(const std::vector<std::string>& args);

}  // namespace nox::cli
