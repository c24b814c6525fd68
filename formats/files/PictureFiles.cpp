// Picture files by name: one switch on the format for reading and one for writing, each branch
// handing the work to that format's picture class.
#include "formats/files/PictureFiles.h"

#include <cctype>
#include <mutex>

#include "formats/bmp/Bmp.h"
#include "platform/Errors.h"
#include "platform/Picture.h"

namespace nox {

namespace {

bool EndsWithNoCase(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) return false;
    const std::string_view tail = name.substr(name.size() - ending.size());
    for (size_t i = 0; i < ending.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(tail[i])) != ending[i]) return false;
    return true;
}

// A name whose format has no picture class in this build (or no format at all): the picture
// container's error for an extension it does not know.
[[noreturn]] void UnknownExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : path.substr(dot + 1);
    throw EInvalidGraphic(Format(msg::kUnknownExtension, ext.c_str()));
}

}  // namespace

TPictureFormat FormatOfName(std::string_view name) {
    if (EndsWithNoCase(name, ".JPG")) return TPictureFormat::pfJPEG;
    if (EndsWithNoCase(name, ".GIF")) return TPictureFormat::pfGIF;
    if (EndsWithNoCase(name, ".BMP")) return TPictureFormat::pfBMP;
    return TPictureFormat::pfNone;
}

TSaveName CorrectSaveName(const std::string& name) {
    const TPictureFormat format = FormatOfName(name);
    if (format != TPictureFormat::pfNone) return {name, format, false};
    return {name + ".BMP", TPictureFormat::pfBMP, true};
}

void RegisterPictureFormats() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterBmpFormat();
    });
}

bool ReadPictureFile(const std::string& path, TBitmap32& pane) {
    RegisterPictureFormats();
    switch (FormatOfName(path)) {
        case TPictureFormat::pfBMP: {
            // Through the picture container, which picks the BMP reader by the extension.
            TPicture picture;
            picture.LoadFromFile(path);
            pane.Assign(&picture);
            return true;
        }
        case TPictureFormat::pfJPEG:
        case TPictureFormat::pfGIF:
            UnknownExtension(path);
        case TPictureFormat::pfNone:
            break;
    }
    return false;
}

void WritePictureFile(const std::string& path, TBitmap32& pane, TPictureFormat format, int quality) {
    RegisterPictureFormats();
    (void)quality;
    switch (format) {
        case TPictureFormat::pfBMP: {
            // The container holds the pane as a 32-bit device bitmap and writes it as BMP through
            // the replace-when-complete writer.
            TPicture picture;
            pane.AssignTo(picture);
            picture.SaveToFile(path);
            return;
        }
        case TPictureFormat::pfJPEG:
        case TPictureFormat::pfGIF:
        case TPictureFormat::pfNone:
            UnknownExtension(path);
    }
}

}  // namespace nox
