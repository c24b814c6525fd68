// noxsteg-cli's commands over the shared picture-file layer and the hiding operations.
#include "cli/CliRun.h"

#include <array>
#include <filesystem>
#include <new>
#include <ostream>
#include <string_view>

#include "cli/CliCommand.h"
#include "formats/files/PictureFiles.h"
#include "image/Combine.h"
#include "platform/Errors.h"

#ifndef NOXSTEG_VERSION
#define NOXSTEG_VERSION "0"
#endif

namespace nox::cli {

namespace {

using TCombine = void (*)(TBitmap32&, TBitmap32&, TBitmap32&);

struct TOperation {
    std::string_view name;
    TCombine combine;
};

constexpr std::array<TOperation, 5> kOperations = {{
    {"subtract", Subtract},
    {"add", Add},
    {"add-bit", AddBit},
    {"set-lsbs", SetLSBs},
    {"show-lsbs", ShowLSBs},
}};

const char* FormatName(TPictureFormat format) {
    switch (format) {
        case TPictureFormat::pfJPEG: return "JPEG";
        case TPictureFormat::pfGIF: return "GIF";
        case TPictureFormat::pfBMP: return "BMP";
        case TPictureFormat::pfPNG: return "PNG";
        case TPictureFormat::pfNone: break;
    }
    return "";
}

// Reads a file as LoadPicture reads it into a pane, except that a missing file or a name of no
// format is an error here.
void LoadInput(const std::string& path, TBitmap32& pane) {
    pane.SetHeight(0);
    pane.SetWidth(0);
    if (FormatOfName(path) == TPictureFormat::pfNone)
        throw Exception("Cannot read " + path + ": its name does not end in .BMP, .JPG, .GIF or .PNG");
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw EFOpenError(Format(msg::kFOpen, path.c_str()));
    ReadPictureFile(path, pane);
}

// Writes a pane as SavePicture writes the Right pane, after SaveButtonClick's name correction.
void SaveOutput(const std::string& name, TBitmap32& pane, int quality, std::ostream& err) {
    const TSaveName save = CorrectSaveName(name);
    if (save.Corrected) err << kUnrecognizedExtensionNote << '\n';
    WritePictureFile(save.Path, pane, save.Format, quality);
}

void RunInfo(const TCliCommand& command, std::ostream& out) {
    for (const std::string& file : command.Files) {
        TBitmap32 pane;
        LoadInput(file, pane);
        out << file << ": " << pane.Width() << 'x' << pane.Height() << ' ' << FormatName(FormatOfName(file)) << '\n';
    }
}

void RunCommand(const TCliCommand& command, std::ostream& out, std::ostream& err) {
    if (command.Name == "info") {
        RunInfo(command, out);
        return;
    }
    const std::string& outName = command.Files.back();
    TBitmap32 left;
    LoadInput(command.Files[0], left);

    for (const TOperation& op : kOperations) {
        if (op.name != command.Name) continue;
        TBitmap32 middle, right;
        if (command.Files.size() == 3) {
            LoadInput(command.Files[1], middle);
        } else {
            middle.SetSize(1, 1);  // show-lsbs without MIDDLE: a Middle picture is present
        }
        op.combine(left, middle, right);
        SaveOutput(outName, right, command.Quality, err);
        return;
    }
    if (command.Name == "blacken") Blacken(left);
    if (command.Name == "whiten") Whiten(left);
    SaveOutput(outName, left, command.Quality, err);
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TCliCommand command;
    try {
        command = ParseCommandLine(args);
    } catch (const TUsageError& e) {
        err << "noxsteg-cli: " << e.what() << '\n' << kUsage;
        return 2;
    }
    switch (command.What) {
        case TCliCommand::Kind::Help:
            out << kUsage;
            return 0;
        case TCliCommand::Kind::Version:
            out << "noxsteg-cli " << NOXSTEG_VERSION << '\n';
            return 0;
        case TCliCommand::Kind::Run:
            break;
    }
    try {
        RunCommand(command, out, err);
        return 0;
    } catch (const Exception& e) {
        err << ErrorBoxText(e.Message()) << '\n';
    } catch (const std::bad_alloc&) {
        err << ErrorBoxText(msg::kOutOfMemory) << '\n';
    } catch (const std::exception& e) {
        err << ErrorBoxText(e.what()) << '\n';
    }
    out.flush();
    return 1;
}

}  // namespace nox::cli
