// The PNG picture's stream side and its registration.
#include "formats/png/PngImage.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

namespace nox {

void TPNGImage::LoadFromStream(TStream& stream) {
    const int64_t remaining = stream.Remaining();
    std::vector<uint8_t> file(static_cast<size_t>(remaining > 0 ? remaining : 0));
    stream.ReadBuffer(file.data(), file.size());
    SetSize(0, 0);
    if (file.empty()) return;
    try {
        ReadPng(file, *this);
    } catch (...) {
        SetSize(0, 0);
        throw;
    }
}

void TPNGImage::SaveToStream(TStream& stream) { WritePng(*this, stream); }

unsigned CF_PNG() {
    static const unsigned format = RegisterClipboardFormat("PNG");
    return format;
}

void RegisterPNGFormat() {
    static std::once_flag once;
    std::call_once(once, [] {
        TPicture::Factory create = [] { return std::make_unique<TPNGImage>(); };
        TPicture::RegisterFileFormat("png", pngmsg::kPNGImage, create);
        TPicture::RegisterClipboardFormat(CF_PNG(), create);
    });
}

}  // namespace nox
