// The JPEG picture: its states (empty, loaded, decoded, taken over from a bitmap, encoded), lazy
// decoding, encoding on save, and its registration with the picture container.
#include "formats/jpeg/JpegImage.h"

#include <new>

#include "formats/jpeg/JpegCodec.h"
#include "platform/Canvas.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

namespace nox {

namespace {

const TBitmap& EmptyBitmap() {
    static const TBitmap empty;
    return empty;
}

}  // namespace

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()), settings_(JPEGDefaults()) {}

// ---- size --------------------------------------------------------------------------------------

void TJPEGImage::ScaledSizeNeeded() {
    if (scaledSizeKnown_) return;
    scaledWidth_ = scaledHeight_ = 0;
    if (!data_->Data.empty()) jpeg::ScaledSize(data_->Data, settings_.Scale, scaledWidth_, scaledHeight_);
    scaledSizeKnown_ = true;
}

int32_t TJPEGImage::Width() {
    if (bitmap_) return bitmap_->GetWidth();
    if (settings_.Scale == jsFullSize) return data_->Width;
    ScaledSizeNeeded();
    return scaledWidth_;
}

int32_t TJPEGImage::Height() {
    if (bitmap_) return bitmap_->GetHeight();
    if (settings_.Scale == jsFullSize) return data_->Height;
    ScaledSizeNeeded();
    return scaledHeight_;
}

void TJPEGImage::SetWidth(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

// ---- decoding and drawing ----------------------------------------------------------------------

void TJPEGImage::DIBNeeded() {
    if (bitmap_ || data_->Data.empty()) return;
    // Decoded aside and kept only when complete: a failed decoding leaves no half picture behind
    // that a later draw would show as if it were good.
    auto picture = std::make_unique<TBitmap>();
    jpeg::Decode(data_->Data, settings_, palette_ ? &*palette_ : nullptr, *picture);
    bitmap_ = std::move(picture);
}

const TBitmap& TJPEGImage::Bitmap() {
    DIBNeeded();
    return bitmap_ ? *bitmap_ : EmptyBitmap();
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) {
    DIBNeeded();
    if (bitmap_) canvas.StretchBitmap(rect, *bitmap_);
}

// ---- loading, encoding and saving ----------------------------------------------------------------

void TJPEGImage::LoadFromStream(TStream& stream) {
    const int64_t count = std::max<int64_t>(stream.Remaining(), 0);
    CheckAllocationSize(static_cast<unsigned long long>(count));
    auto data = std::make_shared<TJPEGData>();
    try {
        data->Data.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(msg::kOutOfMemory);
    }
    if (count > 0) stream.ReadBuffer(data->Data.data(), data->Data.size());
    bool multipleScans = settings_.ProgressiveEncoding;
    if (!data->Data.empty()) {
        const jpeg::Header header = jpeg::ReadHeader(data->Data);
        data->Width = header.Width;
        data->Height = header.Height;
        data->Grayscale = header.Grayscale;
        multipleScans = header.MultipleScans;
    }
    data_ = std::move(data);
    bitmap_.reset();
    scaledSizeKnown_ = false;
    settings_.ProgressiveEncoding = multipleScans;
}

void TJPEGImage::JPEGNeeded() {
    if (!data_->Data.empty()) return;
    // Always a new TJPEGData: pictures that share the old one keep their own state, and an encoding
    // that fails leaves nothing behind.
    auto data = std::make_shared<TJPEGData>();
    if (bitmap_) {
        data->Data = jpeg::Encode(*bitmap_, settings_);
        if (!data->Data.empty()) {
            data->Width = bitmap_->GetWidth();
            data->Height = bitmap_->GetHeight();
            data->Grayscale = settings_.Grayscale;
        }
    }
    data_ = std::move(data);
}

void TJPEGImage::SaveToStream(TStream& stream) {
    JPEGNeeded();
    if (!data_->Data.empty()) stream.WriteBuffer(data_->Data.data(), data_->Data.size());
}

// ---- taking over -------------------------------------------------------------------------------

void TJPEGImage::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TJPEGImage*>(source)) {
        if (other == this) return;
        auto copy = other->bitmap_ ? std::make_unique<TBitmap>(*other->bitmap_) : nullptr;
        data_ = other->data_;
        bitmap_ = std::move(copy);
        scaledSizeKnown_ = false;
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        TakeOverBitmap(std::make_unique<TBitmap>(*bitmap));
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::TakeOverBitmap(std::unique_ptr<TBitmap> bitmap) {
    data_ = std::make_shared<TJPEGData>();
    bitmap_ = bitmap ? std::move(bitmap) : std::make_unique<TBitmap>();
    scaledSizeKnown_ = false;
}

void TJPEGImage::AssignTo(TPersistent& dest) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
        *bitmap = Bitmap();
        return;
    }
    TGraphic::AssignTo(dest);
}

// ---- settings ----------------------------------------------------------------------------------

void TJPEGImage::DecodingChanged() {
    // A picture taken over from a bitmap has no bytes to decode again: it is kept.
    if (!data_->Data.empty()) bitmap_.reset();
}

template <typename T>
void TJPEGImage::ChangeDecodingSetting(T& setting, T value) {
    if (setting == value) return;
    setting = value;
    DecodingChanged();
}

void TJPEGImage::SetSmoothing(bool value) { ChangeDecodingSetting(settings_.Smoothing, value); }
void TJPEGImage::SetGrayscale(bool value) { ChangeDecodingSetting(settings_.Grayscale, value); }
void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value) { ChangeDecodingSetting(settings_.PixelFormat, value); }
void TJPEGImage::SetProgressiveDisplay(bool value) { ChangeDecodingSetting(settings_.ProgressiveDisplay, value); }
void TJPEGImage::SetPerformance(TJPEGPerformance value) { ChangeDecodingSetting(settings_.Performance, value); }

void TJPEGImage::SetScale(TJPEGScale value) {
    if (settings_.Scale != value) scaledSizeKnown_ = false;
    ChangeDecodingSetting(settings_.Scale, value);
}

void TJPEGImage::SetPalette(std::optional<std::vector<TRGBQuad>> palette) {
    ChangeDecodingSetting(palette_, std::move(palette));
}

// ---- registration ------------------------------------------------------------------------------

void RegisterJpegFormat() {
    const auto create = [] { return std::unique_ptr<TGraphic>(std::make_unique<TJPEGImage>()); };
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", create);
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", create);
}

}  // namespace nox
