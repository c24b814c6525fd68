// noxsteg-cli's commands that look inside pictures, as the Inspector window does: one bit plane
// or all of them, bitwise combinations, differences, one pixel's values, the histogram.
#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>

#include "analysis/Bitwise.h"
#include "analysis/Channels.h"
#include "analysis/Difference.h"
#include "analysis/Histogram.h"
#include "analysis/PixelText.h"
#include "analysis/Views.h"
#include "cli/CliCommand.h"
#include "cli/CliFiles.h"
#include "cli/CommandFamilies.h"
#include "platform/Errors.h"

namespace nox::cli {

const char* const kPlaneExtension = ".png";

const char* const kInspectUsage =
    "  noxsteg-cli plane     IN CHANNEL BIT OUT      (CHANNEL r, g, b or a; BIT 0 to 7)\n"
    "  noxsteg-cli planes    IN FOLDER               (FOLDER/r0 ... FOLDER/b7)\n"
    "  noxsteg-cli combine   xor|and|or LEFT MIDDLE OUT\n"
    "  noxsteg-cli diff      A B OUT [--amplify N]   (N 1 to 128, default 1)\n"
    "  noxsteg-cli pixel     IN X Y\n"
    "  noxsteg-cli histogram IN\n";

namespace {

using analysis::TChannel;
using analysis::TView;
using analysis::TViewKind;

void ExpectArgs(const std::vector<std::string>& args, size_t count) {
    if (args.size() != count) throw TUsageError(args[0] + " takes " + std::to_string(count - 1) + " arguments");
}

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int IntInRange(const std::string& text, int low, int high, const char* what) {
    const std::optional<int> value = ParseInt(text);
    if (!value || *value < low || *value > high)
        throw TUsageError(std::string(what) + " must be " + std::to_string(low) + " to " + std::to_string(high) + ", not \"" + text + "\"");
    return *value;
}

TChannel OneChannel(const std::string& text) {
    if (text.size() != 1) throw TUsageError("CHANNEL must be r, g, b or a, not \"" + text + "\"");
    try {
        return analysis::ParseChannels(text).front();
    } catch (const std::invalid_argument&) {
        throw TUsageError("CHANNEL must be r, g, b or a, not \"" + text + "\"");
    }
}

void RunPlane(const std::vector<std::string>& args, std::ostream& err) {
    ExpectArgs(args, 5);
    const TView view{TViewKind::BitPlane, OneChannel(args[2]), static_cast<uint8_t>(IntInRange(args[3], 0, 7, "BIT"))};
    TBitmap32 picture, plane;
    LoadInput(args[1], picture);
    analysis::RenderView(picture, view, plane);
    SaveOutput(args[4], plane, kDefaultQuality, err);
}

void RunPlanes(const std::vector<std::string>& args, std::ostream& err) {
    ExpectArgs(args, 3);
    TBitmap32 picture;
    LoadInput(args[1], picture);
    const std::filesystem::path folder = args[2];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder)) throw Exception("Cannot create folder " + folder.string());
    TBitmap32 plane;
    for (const TChannel channel : {TChannel::Red, TChannel::Green, TChannel::Blue})
        for (uint8_t bit = 0; bit < 8; ++bit) {
            analysis::RenderView(picture, {TViewKind::BitPlane, channel, bit}, plane);
            const std::string name = std::string(1, analysis::ChannelLetter(channel)) + std::to_string(bit) + kPlaneExtension;
            SaveOutput((folder / name).string(), plane, kDefaultQuality, err);
        }
}

void RunCombine(const std::vector<std::string>& args, std::ostream& err) {
    ExpectArgs(args, 5);
    const std::optional<analysis::TBitwiseOp> op = analysis::ParseBitwiseOp(args[1]);
    if (!op) throw TUsageError("OP must be xor, and or or, not \"" + args[1] + "\"");
    TBitmap32 left, middle, result;
    LoadInput(args[2], left);
    LoadInput(args[3], middle);
    analysis::CombineBitwise(*op, left, middle, result);
    SaveOutput(args[4], result, kDefaultQuality, err);
}

void RunDiff(std::vector<std::string> args, std::ostream& err) {
    int amplify = 1;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--amplify") continue;
        if (i + 1 == args.size()) throw TUsageError("--amplify needs a value");
        amplify = IntInRange(args[i + 1], analysis::kMinAmplify, analysis::kMaxAmplify, "--amplify");
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        break;
    }
    ExpectArgs(args, 4);
    TBitmap32 a, b, result;
    LoadInput(args[1], a);
    LoadInput(args[2], b);
    analysis::AmplifiedDifference(a, b, amplify, result);
    SaveOutput(args[3], result, kDefaultQuality, err);
}

void RunPixel(const std::vector<std::string>& args, std::ostream& out) {
    ExpectArgs(args, 4);
    const std::optional<int> x = ParseInt(args[2]), y = ParseInt(args[3]);
    if (!x || !y) throw TUsageError("X and Y must be whole numbers");
    TBitmap32 picture;
    LoadInput(args[1], picture);
    if (*x < 0 || *y < 0 || *x >= picture.Width() || *y >= picture.Height() || picture.IsEmpty())
        throw Exception("Point (" + std::to_string(*x) + ", " + std::to_string(*y) + ") is outside the picture (" + std::to_string(picture.Width()) +
                        " x " + std::to_string(picture.Height()) + ").");
    out << analysis::PixelLine(*x, *y, picture.GetPixel(*x, *y)) << '\n';
}

void RunHistogram(const std::vector<std::string>& args, std::ostream& out) {
    ExpectArgs(args, 2);
    TBitmap32 picture;
    LoadInput(args[1], picture);
    const analysis::THistogram h = analysis::ComputeHistogram(picture);
    for (int v = 0; v < 256; ++v) out << v << ' ' << h.Red[v] << ' ' << h.Green[v] << ' ' << h.Blue[v] << '\n';
}

}  // namespace

bool RunInspectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string& name = args[0];
    if (name == "plane") RunPlane(args, err);
    else if (name == "planes") RunPlanes(args, err);
    else if (name == "combine") RunCombine(args, err);
    else if (name == "diff") RunDiff(args, err);
    else if (name == "pixel") RunPixel(args, out);
    else if (name == "histogram") RunHistogram(args, out);
    else return false;
    return true;
}

}  // namespace nox::cli
