// The picture container and its registry of file formats.
#include "platform/Picture.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/Clipboard.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {

namespace {

std::vector<TPicture::TFileFormat>& Registry() {
    static std::vector<TPicture::TFileFormat> formats;
    return formats;
}

std::map<unsigned, TPicture::Factory>& ClipboardRegistry() {
    static std::map<unsigned, TPicture::Factory> formats;
    return formats;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The extension of the file part of a path, without its dot ("" when there is none).
std::string ExtensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

}  // namespace

TBitmap& TPicture::Bitmap() {
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
    graphic_ = std::make_unique<TBitmap>();
    return static_cast<TBitmap&>(*graphic_);
}

void TPicture::LoadFromFile(const std::string& path) {
    const std::string ext = ExtensionOf(path);
    const TFileFormat* format = FindFormat(ext);
    if (format == nullptr) throw EInvalidGraphic(Format(msg::kUnknownExtension, ext.c_str()));
    std::unique_ptr<TGraphic> graphic = format->Create();
    graphic->LoadFromFile(path);
    graphic_ = std::move(graphic);
}

void TPicture::SaveToFile(const std::string& path) {
    if (graphic_) graphic_->SaveToFile(path);
}

void TPicture::Assign(TPersistent* source) {
    if (source == nullptr) {
        graphic_.reset();
        return;
    }
    if (auto* picture = dynamic_cast<TPicture*>(source)) {
        Assign(picture->Graphic());
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        graphic_ = std::make_unique<TBitmap>(*bitmap);
        return;
    }
    if (auto* clipboard = dynamic_cast<TClipboard*>(source)) {
        LoadFromClipboard(*clipboard);
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::LoadFromClipboard(TClipboard& clipboard) {
    clipboard.Open();
    struct Closer {
        TClipboard& clipboard;
        ~Closer() { clipboard.Close(); }
    } closer{clipboard};

    for (const unsigned format : clipboard.Formats()) {
        if (!SupportsClipboardFormat(format)) continue;
        const std::optional<std::vector<uint8_t>> palette = clipboard.GetData(CF_PALETTE);
        if (format == CF_BITMAP) {
            std::unique_ptr<TBitmap> bitmap = clipboard.GetBitmap();
            if (!bitmap) throw EInvalidGraphic(msg::kUnsupportedClipboardFormat);
            if (palette && bitmap->BitsPerPixel() <= 8 && palette->size() >= 4) {
                std::vector<TRGBQuad> table(std::min<size_t>(palette->size() / 4, 256));
                for (size_t i = 0; i < table.size(); ++i)
                    table[i] = TRGBQuad{(*palette)[4 * i], (*palette)[4 * i + 1], (*palette)[4 * i + 2], 0};
                bitmap->SetColorTable(std::move(table));
            }
            graphic_ = std::move(bitmap);
            return;
        }
        // A memory-block picture of a registered class. Metafiles have no reader here: they stop
        // the walk all the same and fail as unsupported, which leaves the pane as it was.
        const auto reader = ClipboardRegistry().find(format);
        std::optional<std::vector<uint8_t>> data;
        if (reader != ClipboardRegistry().end()) data = clipboard.GetData(format);
        if (!data) throw EInvalidGraphic(msg::kUnsupportedClipboardFormat);
        std::unique_ptr<TGraphic> graphic = reader->second();
        TMemoryStream stream = TMemoryStream::View(*data);
        graphic->LoadFromStream(stream);
        graphic_ = std::move(graphic);
        return;
    }
    throw EInvalidGraphic(msg::kInvalidClipboardFormat);
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description, Factory create) {
    auto& formats = Registry();
    formats.insert(formats.begin(), TFileFormat{Lower(extension), description, std::move(create)});
}

const std::vector<TPicture::TFileFormat>& TPicture::FileFormats() { return Registry(); }

void TPicture::RegisterClipboardFormat(unsigned format, Factory create) { ClipboardRegistry()[format] = std::move(create); }

bool TPicture::SupportsClipboardFormat(unsigned format) {
    return format == CF_BITMAP || format == CF_METAFILEPICT || format == CF_ENHMETAFILE ||
           ClipboardRegistry().contains(format);
}

const TPicture::TFileFormat* TPicture::FindFormat(const std::string& extension) {
    std::string ext = Lower(extension);
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    const auto& formats = Registry();
    const auto it = std::find_if(formats.begin(), formats.end(), [&](const TFileFormat& f) { return f.Extension == ext; });
    return it == formats.end() ? nullptr : &*it;
}

}  // namespace nox
