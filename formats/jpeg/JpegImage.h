// TJPEGImage, the JPEG picture: keeps a file's compressed bytes (TJPEGData, shared between copies),
// decodes them into a device bitmap only when pixels are needed, and encodes a device bitmap into
// new compressed bytes only when it is saved. Every library error is EJPEG "JPEG error #<code>".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "formats/jpeg/JpegSettings.h"
#include "platform/Bitmap.h"
#include "platform/Graphic.h"

namespace nox {

// The compressed picture. Never changed once made: new bytes come in a new TJPEGData, so the
// pictures sharing one are never surprised.
struct TJPEGData {
    std::vector<uint8_t> Data;  // the whole file as read, or as the encoder produced it; empty: none
    int32_t Height = 0;
    int32_t Width = 0;
    bool Grayscale = false;  // greyscale file, or encoded in greyscale
};

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    const char* ClassName() const override { return "TJPEGImage"; }

    // ---- TGraphic -------------------------------------------------------------------------------
    // The decoded picture's size if there is one; otherwise the size at the chosen scale.
    int32_t Width() override;
    int32_t Height() override;
    // Refused: EInvalidGraphicOperation "Cannot change the size of a JPEG image".
    void SetWidth(int32_t width) override;
    void SetHeight(int32_t height) override;
    // Decodes when needed, then stretches the decoded picture into `rect`.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    // Keeps every byte from the stream's position to its end and reads only the header; a stream
    // of 0 bytes gives an empty picture. On failure the picture is left as it was.
    void LoadFromStream(TStream& stream) override;
    // Encodes first when there are no compressed bytes, then writes them all in one write
    // ("Stream write error" when the stream takes fewer).
    void SaveToStream(TStream& stream) override;
    // Takes over a device bitmap (copied; the compressed bytes are dropped) or another JPEG picture
    // (its data shared, its decoded picture copied).
    void Assign(TPersistent* source) override;
    // Gives a device bitmap the decoded picture.
    void AssignTo(TPersistent& dest) override;
    // Takes over a device bitmap as Assign does, keeping the given one instead of copying its
    // pixels.
    void TakeOverBitmap(std::unique_ptr<TBitmap> bitmap) override;

    // ---- coding ---------------------------------------------------------------------------------
    // Decodes the compressed bytes unless a decoded picture exists (nothing to do without bytes).
    void DIBNeeded();
    // Encodes the decoded picture unless compressed bytes exist.
    void JPEGNeeded();
    // The decoded picture (decoding first when needed); empty when there is nothing to decode.
    const TBitmap& Bitmap();
    // The compressed bytes as they stand (empty when none).
    std::span<const uint8_t> CompressedBytes() const { return data_->Data; }
    const TJPEGData& Data() const { return *data_; }
    // How many pictures share this one's data (this one included).
    long DataShareCount() const { return data_.use_count(); }
    bool HasDecodedPicture() const { return bitmap_ != nullptr; }

    // ---- settings (changing a decoding setting drops a decoded picture that can be made again) ---
    bool Smoothing() const { return settings_.Smoothing; }
    void SetSmoothing(bool value);
    bool Grayscale() const { return settings_.Grayscale; }
    void SetGrayscale(bool value);
    TJPEGPixelFormat PixelFormat() const { return settings_.PixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat value);
    uint8_t CompressionQuality() const { return settings_.CompressionQuality; }
    void SetCompressionQuality(uint8_t value) { settings_.CompressionQuality = value; }
    bool ProgressiveDisplay() const { return settings_.ProgressiveDisplay; }
    void SetProgressiveDisplay(bool value);
    bool ProgressiveEncoding() const { return settings_.ProgressiveEncoding; }
    void SetProgressiveEncoding(bool value) { settings_.ProgressiveEncoding = value; }
    TJPEGPerformance Performance() const { return settings_.Performance; }
    void SetPerformance(TJPEGPerformance value);
    TJPEGScale Scale() const { return settings_.Scale; }
    void SetScale(TJPEGScale value);
    // A palette to decode into when the output is 8-bit colour (none by default).
    const std::optional<std::vector<TRGBQuad>>& Palette() const { return palette_; }
    void SetPalette(std::optional<std::vector<TRGBQuad>> palette);

private:
    template <typename T>
    void ChangeDecodingSetting(T& setting, T value);
    // Drops the decoded picture when the compressed bytes can make it again.
    void DecodingChanged();
    void ScaledSizeNeeded();

    std::shared_ptr<const TJPEGData> data_;
    std::unique_ptr<TBitmap> bitmap_;
    int32_t scaledWidth_ = 0;
    int32_t scaledHeight_ = 0;
    bool scaledSizeKnown_ = false;
    std::optional<std::vector<TRGBQuad>> palette_;
    TJPEGSettings settings_;
};

// Registers TJPEGImage with the picture container as "jpeg" and "jpg", "JPEG Image File".
void RegisterJpegFormat();

}  // namespace nox
