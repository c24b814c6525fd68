// Picture files by name: one switch on the format for reading and one for writing, each branch
// handing the work to that format's picture class.
#include "formats/files/PictureFiles.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

#include "formats/bmp/Bmp.h"
#include "formats/gif/GifImage.h"
#include "formats/gif/GifWriter.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/jpeg/JpegSettings.h"
#include "formats/png/PngImage.h"
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
    if (EndsWithNoCase(name, ".PNG")) return TPictureFormat::pfPNG;
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
        RegisterJpegFormat();
        RegisterGIFFormat();
        InstallGIFWriter();
        RegisterPNGFormat();
    });
}

void SetDisplayDepth(int bitsPerPixelTimesPlanes) {
    RegisterPictureFormats();
    SetJPEGDisplayDepth(bitsPerPixelTimesPlanes);
    RegisterGIFFormat(bitsPerPixelTimesPlanes);
}

bool ReadPictureFile(const std::string& path, TBitmap32& pane) {
    RegisterPictureFormats();
    switch (FormatOfName(path)) {
        case TPictureFormat::pfBMP:
        case TPictureFormat::pfPNG: {
            // Through the picture container, which picks the reader by the extension. A PNG is a
            // device bitmap whose alpha is defined, and the pane keeps it.
            TPicture picture;
            picture.LoadFromFile(path);
            pane.Assign(&picture);
            return true;
        }
        case TPictureFormat::pfJPEG: {
            // Only the header is read here; the pane's Assign draws the picture, which decodes it.
            TJPEGImage jpeg;
            jpeg.LoadFromFile(path);
            pane.Assign(&jpeg);
            return true;
        }
        case TPictureFormat::pfGIF: {
            // The pane takes the logical screen's size and the GIF paints its first frame into it.
            TGIFImage gif;
            gif.LoadFromFile(path);
            pane.Assign(&gif);
            return true;
        }
        case TPictureFormat::pfNone:
            break;
    }
    return false;
}

void WritePictureFile(const std::string& path, TBitmap32& pane, TPictureFormat format, int quality) {
    RegisterPictureFormats();
    switch (format) {
        case TPictureFormat::pfBMP: {
            // The container holds the pane as a 32-bit device bitmap and writes it as BMP through
            // the replace-when-complete writer.
            TPicture picture;
            pane.AssignTo(picture);
            picture.SaveToFile(path);
            return;
        }
        case TPictureFormat::pfJPEG: {
            // The pane becomes a 32-bit device bitmap that the JPEG picture takes over (without a
            // second copy of its pixels) and encodes as it writes the file.
            auto bitmap = std::make_unique<TBitmap>();
            pane.AssignTo(*bitmap);
            TJPEGImage jpeg;
            jpeg.SetCompressionQuality(static_cast<uint8_t>(std::clamp(quality, 0, 100)));
            jpeg.TakeOverBitmap(std::move(bitmap));
            jpeg.SaveToFile(path);
            return;
        }
        case TPictureFormat::pfGIF: {
            // The container holds the pane as a 32-bit device bitmap; the GIF picture takes it as
            // one frame reduced to the 216-colour palette and writes itself to the file.
            TPicture picture;
            pane.AssignTo(picture);
            TGIFImage gif;
            gif.Assign(&picture.Bitmap());
            gif.SaveToFile(path);
            return;
        }
        case TPictureFormat::pfPNG: {
            // The PNG picture is the pane as a 32-bit device bitmap; it writes itself as RGB.
            TPNGImage png;
            pane.AssignTo(png);
            png.SaveToFile(path);
            return;
        }
        case TPictureFormat::pfNone:
            UnknownExtension(path);
    }
}

}  // namespace nox
