// The pixel buffer: its memory, size changes with their notifications, fills, conversions from and
// to the platform's pictures, the stored form, and the scaled draw.
#include "image/Bitmap32.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Errors.h"
#include "platform/Graphic.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

namespace nox {

static_assert(std::endian::native == std::endian::little,
              "pixels are stored and exchanged as blue, green, red, alpha bytes");

namespace {

int32_t ReadInt32LE(TStream& stream) {
    uint8_t b[4];
    stream.ReadBuffer(b, 4);
    return static_cast<int32_t>(uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) |
                                (uint32_t{b[3]} << 24));
}

void WriteInt32LE(TStream& stream, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    stream.WriteBuffer(b, 4);
}

// Sets the alpha byte of `count` pixels to 255.
void SetOpaque(TColor32* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) pixels[i] |= 0xFF000000u;
}

}  // namespace

TBitmap32::~TBitmap32() {
    // The pixels go without any notification: an owner's callbacks may already refer to parts of
    // it that died before the buffer, and nobody can use a size change of a dying buffer.
    BeginUpdate();
    Lock();
    memory_.Release();
    bits_ = nullptr;
    Unlock();
}

bool TBitmap32::SetSize(int32_t width, int32_t height) {
    if (width < 1) width = 0;
    if (height < 1) height = 0;
    if (width == width_ && height == height_) return false;

    Changing();
    memory_.Release();
    bits_ = nullptr;
    stride_ = 0;
    width_ = 0;
    height_ = 0;
    if (width > 0 && height > 0) {
        try {
            memory_ = TPixelMemory(uint64_t(uint32_t(width)) * uint64_t(uint32_t(height)));
        } catch (...) {
            // The buffer stays 0 x 0; its owner still hears of the change.
            Changed();
            Resized();
            throw;
        }
        bits_ = memory_.Bits();
        stride_ = static_cast<size_t>(width);
    }
    width_ = width;
    height_ = height;
    Changed();
    Resized();
    return true;
}

void TBitmap32::Clear(TColor32 color) {
    if (IsEmpty()) return;
    Changing();
    std::fill_n(bits_, PixelCount(), color);
    Changed();
}

void TBitmap32::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 color) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    if (x2 >= width_) x2 = width_ - 1;
    if (y2 >= height_) y2 = height_ - 1;
    if (x2 < x1 || y2 < y1 || IsEmpty()) return;
    Changing();
    const size_t count = static_cast<size_t>(x2 - x1) + 1;
    for (int32_t y = y1; y <= y2; ++y) std::fill_n(RowAddress(y) + x1, count, color);
    Changed();
}

void TBitmap32::MakeOpaque() {
    Changing();
    SetOpaque(bits_, PixelCount());
    Changed();
}

// ---- Assign -------------------------------------------------------------------------------------

void TBitmap32::Assign(TPersistent* source) {
    Changing();
    BeginUpdate();
    try {
        AssignFromSource(source);
    } catch (...) {
        EndUpdate();
        Changed();
        throw;
    }
    EndUpdate();
    Changed();
}

void TBitmap32::CopyPixels(const TBitmap32& source) {
    if (&source == this) return;
    SetSize(source.Width(), source.Height());
    if (!IsEmpty()) std::memcpy(bits_, source.bits_, PixelCount() * sizeof(TColor32));
}

void TBitmap32::PaintGraphicOpaque(TGraphic& graphic, const TRect& rect) {
    TCanvas canvas(bits_, width_, height_);
    canvas.MakeCoveredRowsOpaque();
    graphic.Draw(canvas, rect);
    for (int32_t y = 0; y < height_; ++y)
        if (!canvas.RowIsOpaque(y)) SetOpaque(RowAddress(y), static_cast<size_t>(width_));
}

void TBitmap32::AssignFromSource(TPersistent* source) {
    // A device bitmap: its rows converted to 32 bits by the platform, then opaque unless the
    // bitmap's fourth bytes are its alpha (a PNG's), which the pane keeps. Each row is made
    // opaque while it is still in the cache, instead of a second pass over the whole buffer; inside
    // Assign the update count holds back MakeOpaque's notifications, so nothing else differs.
    const auto fromDeviceBitmap = [this](const TBitmap& bitmap) {
        SetSize(bitmap.GetWidth(), bitmap.GetHeight());
        if (IsEmpty()) return;
        const bool keepAlpha = bitmap.AlphaDefined() && bitmap.BitsPerPixel() == 32 && !bitmap.HasBitFields();
        for (int32_t y = 0; y < height_; ++y) {
            TColor32* row = RowAddress(y);
            bitmap.RowTo32(y, row);
            if (!keepAlpha) SetOpaque(row, static_cast<size_t>(width_));  // the count is passed by value: the loop vectorises
        }
    };
    // Any other graphic paints itself over the current pixels (unpainted ones keep theirs), then
    // every pixel is made opaque: the rows the graphic covered whole as they were painted, the
    // others afterwards. As above, MakeOpaque's notifications would be held back, so this is it.
    const auto fromGraphic = [this](TGraphic& graphic, int32_t width, int32_t height, const TRect& rect) {
        SetSize(width, height);
        if (!IsEmpty()) PaintGraphicOpaque(graphic, rect);
    };

    if (source == nullptr) {
        SetSize(0, 0);
    } else if (auto* other = dynamic_cast<TBitmap32*>(source)) {
        if (other == this) return;
        CopyPixels(*other);
        if (!IsEmpty()) {
            drawMode_ = other->drawMode_;
            masterAlpha_ = other->masterAlpha_;
            outerColor_ = other->outerColor_;
            stretchFilter_ = other->stretchFilter_;
        }
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        fromDeviceBitmap(*bitmap);
    } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        fromGraphic(*graphic, graphic->Width(), graphic->Height(), Rect(0, 0, graphic->Width(), graphic->Height()));
    } else if (auto* picture = dynamic_cast<TPicture*>(source)) {
        TGraphic* held = picture->Graphic();
        if (held == nullptr) {
            SetSize(0, 0);
        } else if (auto* heldBitmap = dynamic_cast<TBitmap*>(held)) {
            fromDeviceBitmap(*heldBitmap);
        } else {
            fromGraphic(*held, held->Width(), held->Height(), Rect(0, 0, picture->Width(), picture->Height()));
        }
    } else if (auto* clipboard = dynamic_cast<TClipboard*>(source)) {
        TPicture picture;
        picture.Assign(clipboard);
        TGraphic* held = picture.Graphic();
        auto* heldBitmap = dynamic_cast<TBitmap*>(held);
        if (held == nullptr) {
            SetSize(0, 0);
        } else if (heldBitmap != nullptr && heldBitmap->AlphaDefined()) {
            fromDeviceBitmap(*heldBitmap);  // a pasted PNG keeps its alpha, as an opened one does
        } else {
            fromGraphic(*held, picture.Width(), picture.Height(), Rect(0, 0, picture.Width(), picture.Height()));
        }
    } else {
        TCustomMap::Assign(source);
    }
}

// ---- AssignTo -----------------------------------------------------------------------------------

void TBitmap32::PrepareDeviceBitmap(TBitmap& bitmap) const {
    bitmap.SetSize(0, 0);  // so that the change of depth does not convert the old pixels
    bitmap.SetBitsPerPixel(32);
    bitmap.ClearBitFields();
    bitmap.SetColorTable({});
    bitmap.SetSize(width_, height_);
    if (IsEmpty()) return;
    // A 32-bit row has no padding, so the device bitmap's rows are exactly the buffer's rows.
    for (int32_t y = 0; y < height_; ++y) std::memcpy(bitmap.ScanLine(y), RowAddress(y), stride_ * sizeof(TColor32));
}

void TBitmap32::AssignTo(TPersistent& dest) {
    if (auto* picture = dynamic_cast<TPicture*>(&dest)) {
        PrepareDeviceBitmap(picture->Bitmap());
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
        PrepareDeviceBitmap(*bitmap);
    } else if (auto* clipboard = dynamic_cast<TClipboard*>(&dest)) {
        TBitmap temporary;
        PrepareDeviceBitmap(temporary);
        clipboard->Open();
        try {
            clipboard->Clear();
            clipboard->SetBitmap(temporary);
        } catch (...) {
            clipboard->Close();
            throw;
        }
        clipboard->Close();
    } else {
        TCustomMap::AssignTo(dest);
    }
}

void TBitmap32::CopyToDevice(TCanvas& canvas, int32_t x, int32_t y) const {
    if (IsEmpty()) return;
    const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + width_, canvas.Width());
    const int64_t bottom = std::min<int64_t>(int64_t{y} + height_, canvas.Height());
    if (right <= left || bottom <= top) return;
    const auto count = static_cast<size_t>(right - left);
    for (int64_t row = top; row < bottom; ++row) {
        std::memcpy(canvas.Row(static_cast<int32_t>(row)) + left,
                    RowAddress(static_cast<int32_t>(row - y)) + (left - x), count * sizeof(TColor32));
    }
}

void TBitmap32::DrawTo(TBitmap32& dst, const TRect& dstRect) const {
    if (IsEmpty() || dst.IsEmpty()) return;
    dst.Changing();
    try {
        StretchTransfer(dst, dstRect, *this, Rect(0, 0, width_, height_), stretchFilter_, drawMode_, masterAlpha_,
                        nullptr);
    } catch (...) {
        dst.Changed();
        throw;
    }
    dst.Changed();
}

// ---- stored form ----------------------------------------------------------------------------------

void TBitmap32::ReadData(TStream& stream) {
    Changing();
    try {
        const int32_t width = ReadInt32LE(stream);
        const int32_t height = ReadInt32LE(stream);
        const uint64_t count = width > 0 && height > 0 ? uint64_t(width) * uint64_t(height) : 0;
        // Refuse a size the stream cannot fill before allocating for it.
        if (count > static_cast<uint64_t>(std::max<int64_t>(stream.Remaining(), 0)) / sizeof(TColor32))
            throw EReadError(msg::kReadError);
        SetSize(width, height);
        if (!IsEmpty()) stream.ReadBuffer(bits_, PixelCount() * sizeof(TColor32));
    } catch (...) {
        Changed();
        throw;
    }
    Changed();
}

void TBitmap32::WriteData(TStream& stream) const {
    WriteInt32LE(stream, width_);
    WriteInt32LE(stream, height_);
    if (!IsEmpty()) stream.WriteBuffer(bits_, PixelCount() * sizeof(TColor32));
}

// ---- drawing settings -------------------------------------------------------------------------------

void TBitmap32::SetDrawMode(TDrawMode value) {
    if (value == drawMode_) return;
    Changing();
    drawMode_ = value;
    Changed();
}

void TBitmap32::SetMasterAlpha(uint32_t value) {
    if (value == masterAlpha_) return;
    Changing();
    masterAlpha_ = value;
    Changed();
}

void TBitmap32::SetStretchFilter(TStretchFilter value) {
    if (value == stretchFilter_) return;
    Changing();
    stretchFilter_ = value;
    Changed();
}

}  // namespace nox
