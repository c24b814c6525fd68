// TPicture, the picture container: holds one graphic of any kind, picks the graphic class for a
// file by the name's extension from the registry of formats (the most recently registered first),
// and hands out its picture as a device bitmap.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphic.h"

namespace nox {

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

    void Assign(TPersistent* source) override;

    // ---- the format registry -------------------------------------------------------------------
    static void RegisterFileFormat(const std::string& extension, const std::string& description, Factory create);
    // Most recently registered first.
    static const std::vector<TFileFormat>& FileFormats();
    // The format for an extension (with or without its dot, any case), or null.
    static const TFileFormat* FindFormat(const std::string& extension);

private:
    std::unique_ptr<TGraphic> graphic_;
};

}  // namespace nox
