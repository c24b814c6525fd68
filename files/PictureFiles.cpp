// Picture files by name: every format is read and written the same way, by the picture class that
// the picture registry holds for the name's extension.
#include "files/PictureFiles.h"

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
#include "platform/Bitmap.h"
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

namespace {

// Each format: the ending of the names that select it and its extension in the picture registry.
struct TFormatName {
    TPictureFormat Format;
    std::string_view Ending;
    const char* Extension;
};
constexpr TFormatName kFormatNames[] = {
    {TPictureFormat::pfJPEG, ".JPG", "jpg"},
    {TPictureFormat::pfGIF, ".GIF", "gif"},
    {TPictureFormat::pfBMP, ".BMP", "bmp"},
    {TPictureFormat::pfPNG, ".PNG", "png"},
};

// The registry's picture class for a format; none for pfNone or a format without a class.
const TPicture::TFileFormat* RegisteredFormat(TPictureFormat format) {
    for (const TFormatName& name : kFormatNames)
        if (name.Format == format) return TPicture::FindFormat(name.Extension);
    return nullptr;
}

}  // namespace

TPictureFormat FormatOfName(std::string_view name) {
    for (const TFormatName& format : kFormatNames)
        if (EndsWithNoCase(name, format.Ending)) return format.Format;
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
    if (FormatOfName(path) == TPictureFormat::pfNone) return false;
    // The container makes the class registered for the extension and lets it read the file (a
    // JPEG reads only its header; the pane's Assign draws the picture, which decodes it; a GIF
    // gives the logical screen's size and paints its first frame into it).
    TPicture picture;
    picture.LoadFromFile(path);
    pane.Assign(&picture);
    return true;
}

void WritePictureFile(const std::string& path, TBitmap32& pane, TPictureFormat format, int quality) {
    RegisterPictureFormats();
    const TPicture::TFileFormat* registered = RegisteredFormat(format);
    if (registered == nullptr) UnknownExtension(path);
    // The pane becomes a 32-bit device bitmap that the format's picture takes over (BMP and JPEG
    // without a second copy of its pixels; GIF as one frame reduced to the 216-colour palette)
    // and writes through the replace-when-complete writer.
    std::unique_ptr<TGraphic> graphic = registered->Create();
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic.get()))
        jpeg->SetCompressionQuality(static_cast<uint8_t>(std::clamp(quality, 0, 100)));
    auto bitmap = std::make_unique<TBitmap>();
    pane.AssignTo(*bitmap);
    graphic->TakeOverBitmap(std::move(bitmap));
    graphic->SaveToFile(path);
}

}  // namespace nox
