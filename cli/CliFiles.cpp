// noxsteg-cli's picture inputs and outputs over the shared picture-file layer.
#include "cli/CliFiles.h"

#include <filesystem>
#include <ostream>

#include "platform/Errors.h"

namespace nox::cli {

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

void LoadInput(const std::string& path, TBitmap32& pane) {
    pane.SetHeight(0);
    pane.SetWidth(0);
    if (FormatOfName(path) == TPictureFormat::pfNone)
        throw Exception("Cannot read " + path + ": its name does not end in .BMP, .JPG, .GIF or .PNG");
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw EFOpenError(Format(msg::kFOpen, path.c_str()));
    ReadPictureFile(path, pane);
}

void SaveOutput(const std::string& name, TBitmap32& pane, int quality, std::ostream& err) {
    const TSaveName save = CorrectSaveName(name);
    if (save.Corrected) err << kUnrecognizedExtensionNote << '\n';
    WritePictureFile(save.Path, pane, save.Format, quality);
}

}  // namespace nox::cli
