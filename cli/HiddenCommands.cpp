// noxsteg-cli's hidden-bytes family: extract a layout's bytes, scan the usual layouts, hide a
// payload record in a picture and reveal it again.
#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>

#include "analysis/HiddenBytes.h"
#include "analysis/Scan.h"
#include "cli/CliCommand.h"
#include "cli/CliFiles.h"
#include "cli/CommandFamilies.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox::cli {

namespace {

using analysis::TLayout;

// The command's files in order and its options, each option at most once.
struct THiddenArgs {
    std::vector<std::string> Files;
    std::optional<uint64_t> Offset, Length;
    std::optional<std::string> Layout;
};

uint64_t ParseCount(const std::string& option, const std::string& text) {
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw TUsageError(option + " needs a whole number of bytes, not \"" + text + "\"");
    return value;
}

TLayout ParseLayoutArg(const std::string& text) {
    try {
        return analysis::ParseLayout(text);
    } catch (const std::invalid_argument& e) {
        throw TUsageError("bad layout \"" + text + "\": " + e.what());
    }
}

// Splits the arguments after the command's name into files and the options `allowed` names.
THiddenArgs ParseArgs(const std::vector<std::string>& args, size_t files, std::initializer_list<std::string_view> allowed) {
    THiddenArgs parsed;
    const std::string& name = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            parsed.Files.push_back(a);
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), a) == allowed.end()) throw TUsageError("unknown option \"" + a + "\"");
        if (i + 1 >= args.size()) throw TUsageError(a + " needs a value");
        const std::string& value = args[++i];
        auto set = [&](auto& slot, auto parsedValue) {
            if (slot) throw TUsageError(a + " given twice");
            slot = parsedValue;
        };
        if (a == "--offset") set(parsed.Offset, ParseCount(a, value));
        else if (a == "--length") set(parsed.Length, ParseCount(a, value));
        else set(parsed.Layout, value);
    }
    if (parsed.Files.size() != files) throw TUsageError("wrong number of files for " + name);
    return parsed;
}

void WriteBytes(const std::string& path, std::span<const uint8_t> bytes) {
    WriteFileReplacing(path, [&](TStream& out) { out.WriteBuffer(bytes.data(), bytes.size()); });
}

void Extract(const THiddenArgs& a) {
    const TLayout layout = ParseLayoutArg(a.Files[1]);
    TBitmap32 picture;
    LoadInput(a.Files[0], picture);
    WriteBytes(a.Files[2], analysis::ExtractBytes(picture, layout, a.Offset.value_or(0),
                                                  a.Length.value_or(std::numeric_limits<uint64_t>::max())));
}

void Scan(const THiddenArgs& a, std::ostream& out) {
    TBitmap32 picture;
    LoadInput(a.Files[0], picture);
    for (const analysis::TFinding& finding : analysis::Scan(picture)) out << analysis::FindingText(finding) << '\n';
}

void Hide(const THiddenArgs& a, std::ostream& err) {
    const TLayout layout = ParseLayoutArg(a.Layout.value_or(analysis::kDefaultLayout));
    const std::string& outName = a.Files[2];
    // Refused before anything is read, so that nothing is written.
    if (const std::string refusal = analysis::PayloadSaveRefusal(outName, layout); !refusal.empty()) throw Exception(refusal);
    TBitmap32 picture;
    LoadInput(a.Files[0], picture);
    const std::vector<uint8_t> payload = ReadWholeFile(a.Files[1]);
    analysis::HidePayload(picture, layout, payload);
    SaveOutput(outName, picture, kDefaultQuality, err);
}

void Reveal(const THiddenArgs& a) {
    const TLayout layout = ParseLayoutArg(a.Layout.value_or(analysis::kDefaultLayout));
    TBitmap32 picture;
    LoadInput(a.Files[0], picture);
    const auto payload = analysis::RevealPayload(picture, layout);
    if (!payload) throw Exception(analysis::NoPayloadText(layout));
    WriteBytes(a.Files[1], *payload);
}

}  // namespace

const char* const kHiddenUsage =
    "  noxsteg-cli extract   IN LAYOUT OUT       [--offset N] [--length N]\n"
    "  noxsteg-cli scan      IN\n"
    "  noxsteg-cli hide      COVER PAYLOAD OUT   [--layout LAYOUT]\n"
    "  noxsteg-cli reveal    IN OUT              [--layout LAYOUT]\n";

bool RunHiddenCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string& name = args[0];
    if (name == "extract") Extract(ParseArgs(args, 3, {"--offset", "--length"}));
    else if (name == "scan") Scan(ParseArgs(args, 1, {}), out);
    else if (name == "hide") Hide(ParseArgs(args, 3, {"--layout"}), err);
    else if (name == "reveal") Reveal(ParseArgs(args, 2, {"--layout"}));
    else return false;
    return true;
}

}  // namespace nox::cli
