// TPicture, the picture container: holds one graphic of any kind, picks the graphic class for a
// file by the name's extension from the registry of formats (the most recently registered first),
// takes the clipboard's picture through the registry of clipboard formats, and hands out its
// picture as a device bitmap.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphic.h"

namespace nox {

class TClipboard;

class TPicture : public TPersistent {
public:
    using Factory = std::function<std::unique_ptr<TGraphic>()>;
    struct TFileFormat {
        std::string Extension;    // lower case, without the dot
        std::string Description;  // "JPEG Image File"
        Factory Create;
    };

    const char* ClassName() const override { return "TPicture"; }

    // The graphic held, or null.
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }

    // The picture as a device bitmap: the one held, or (holding a graphic of another kind or none)
    // a new empty device bitmap that replaces it.
    TBitmap& Bitmap();

    int32_t Width() const { return graphic_ ? graphic_->Width() : 0; }
    int32_t Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Makes a graphic of the class registered for the path's extension and lets it read the file.
    // EInvalidGraphic "Unknown picture file extension (.<ext>)" when no class is registered; the
    // held graphic is replaced only when the read succeeds.
    void LoadFromFile(const std::string& path);
    // Writes the held graphic, whatever the extension (nothing is written without a graphic).
    void SaveToFile(const std::string& path);

    // Takes over a picture container's graphic, a copy of a device bitmap, or the clipboard's
    // picture (LoadFromClipboard).
    void Assign(TPersistent* source) override;

    // Paste: opens the clipboard, walks its formats in the clipboard's own order and takes the
    // first one it recognises: CF_BITMAP as a copy of the clipboard's device bitmap (coloured by
    // CF_PALETTE when that is there and the bitmap has 8 bits per pixel or fewer), a registered
    // clipboard format as a graphic of its class read from the clipboard's memory block. A
    // recognised entry without data fails with EInvalidGraphic "Unsupported clipboard format"
    // (metafiles are recognised but have no reader here and fail the same way), a clipboard with
    // no recognised format with EInvalidGraphic "Invalid clipboard format". The clipboard is closed
    // on every path, and the held graphic is replaced only when the picture was read.
    void LoadFromClipboard(TClipboard& clipboard);

    // ---- the format registry -------------------------------------------------------------------
    static void RegisterFileFormat(const std::string& extension, const std::string& description, Factory create);
    // Most recently registered first.
    static const std::vector<TFileFormat>& FileFormats();
    // The format for an extension (with or without its dot, any case), or null.
    static const TFileFormat* FindFormat(const std::string& extension);

    // ---- the clipboard-format registry ---------------------------------------------------------
    // The class that reads a memory-block clipboard format (a whole file in memory, as the GIF
    // module registers "GIF Image"); a later registration of the same format replaces the earlier.
    static void RegisterClipboardFormat(unsigned format, Factory create);
    // Whether Paste recognises the format (CF_BITMAP, the metafiles and every registered format).
    static bool SupportsClipboardFormat(unsigned format);

private:
    std::unique_ptr<TGraphic> graphic_;
};

}  // namespace nox
