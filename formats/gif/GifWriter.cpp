// The GIF writer: taking a device bitmap into a frame, and writing the model block by block in
// file order.
#include "formats/gif/GifWriter.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "formats/gif/ColorReduction.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {

namespace {

// ---- small writing helpers -------------------------------------------------------------------------

void PutByte(TStream& out, uint8_t byte) { out.WriteBuffer(&byte, 1); }

void PutWord(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

// Data sub-blocks of `lines` (each at most 255 bytes) and the terminating size byte 0.
void PutSubBlocks(TStream& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        // A line longer than a sub-block goes out as several.
        for (size_t at = 0; at < line.size(); at += 255) {
            const size_t n = std::min<size_t>(255, line.size() - at);
            PutByte(out, static_cast<uint8_t>(n));
            out.WriteBuffer(line.data() + at, n);
        }
    }
    PutByte(out, 0);
}

// (bits per pixel - 1) of a table: -1 for an empty one.
int SizeField(const TGIFColorMap& map) { return map.BitsPerPixel() - 1; }

// A table's entries (red, green, blue) and black entries up to 2^bits per pixel.
void WriteColorTable(TStream& out, const TGIFColorMap& map) {
    if (map.Count() == 0) return;
    std::vector<uint8_t> bytes(static_cast<size_t>(3) << map.BitsPerPixel(), 0);
    for (int i = 0; i < map.Count(); ++i) {
        bytes[3 * static_cast<size_t>(i)] = map[i].Red;
        bytes[3 * static_cast<size_t>(i) + 1] = map[i].Green;
        bytes[3 * static_cast<size_t>(i) + 2] = map[i].Blue;
    }
    out.WriteBuffer(bytes.data(), bytes.size());
}

// ---- the header ------------------------------------------------------------------------------------

int ImageVersion(TGIFImage& image) {
    if (image.Images.Count() == 0) throw GIFException(gifmsg::kUnsupportedVersion);
    int version = gv87a;
    for (const auto& frame : image.Images) {
        version = std::max(version, frame->Version());
        if (version >= gv89a) break;
    }
    return version;
}

void WriteHeader(TGIFImage& image, TStream& out) {
    const int version = ImageVersion(image);
    const uint8_t signature[6] = {'G', 'I', 'F', '8', version >= gv89a ? uint8_t('9') : uint8_t('7'), 'a'};
    out.WriteBuffer(signature, 6);

    const TGIFColorMap& global = image.Header.ColorMap;
    int resolution = SizeField(global);
    int largestLocal = -1;
    for (const auto& frame : image.Images) {
        resolution = std::max(resolution, SizeField(frame->ColorMap));
        largestLocal = std::max(largestLocal, SizeField(frame->ColorMap));
    }
    uint8_t packed = 0;
    if (global.Count() > 0) {
        packed |= 0x80;
        if (global.Sorted()) packed |= 0x08;
    }
    packed |= static_cast<uint8_t>((resolution & 7) << 4);
    // Only the low three bits are stored: -1 (no table at all) becomes 7.
    packed |= static_cast<uint8_t>((global.Count() > 0 ? SizeField(global) : largestLocal) & 7);

    const TLogicalScreenDescriptor& lsd = image.Header.Descriptor;
    uint8_t descriptor[7];
    PutWord(descriptor, lsd.ScreenWidth);
    PutWord(descriptor + 2, lsd.ScreenHeight);
    descriptor[4] = packed;
    descriptor[5] = lsd.BackgroundColorIndex;
    descriptor[6] = lsd.AspectRatio;
    out.WriteBuffer(descriptor, 7);

    if (packed & 0x80) WriteColorTable(out, global);
}

// ---- extensions ------------------------------------------------------------------------------------

void WriteExtension(TStream& out, TGIFExtension& extension) {
    const uint8_t intro[2] = {0x21, extension.Label()};
    out.WriteBuffer(intro, 2);
    if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(&extension)) {
        uint8_t body[6] = {gce->Body.BlockSize, gce->Body.PackedFields, 0, 0, gce->Body.TransparentColorIndex,
                           gce->Body.Terminator};
        PutWord(body + 2, gce->Body.DelayTime);
        out.WriteBuffer(body, 6);
    } else if (auto* text = dynamic_cast<TGIFTextExtension*>(&extension)) {
        uint8_t body[13] = {text->Body.BlockSize};
        PutWord(body + 1, text->Body.Left);
        PutWord(body + 3, text->Body.Top);
        PutWord(body + 5, text->Body.Width);
        PutWord(body + 7, text->Body.Height);
        body[9] = text->Body.CellWidth;
        body[10] = text->Body.CellHeight;
        body[11] = text->Body.TextFGColorIndex;
        body[12] = text->Body.TextBGColorIndex;
        out.WriteBuffer(body, 13);
        PutSubBlocks(out, text->Text);
    } else if (auto* comment = dynamic_cast<TGIFCommentExtension*>(&extension)) {
        PutSubBlocks(out, comment->Text);
    } else if (auto* app = dynamic_cast<TGIFApplicationExtension*>(&extension)) {
        // The identifier field always goes out whole, with the Block Size that says so.
        PutByte(out, 11);
        out.WriteBuffer(app->Identifier.data(), 11);
        if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(app)) {
            uint8_t loops[4] = {3, 1, 0, 0};
            PutWord(loops + 2, loop->Loops);
            out.WriteBuffer(loops, 4);
            if (loop->BufferSize != 0) {
                const uint32_t b = loop->BufferSize;
                const uint8_t buffer[6] = {5, 2, static_cast<uint8_t>(b), static_cast<uint8_t>(b >> 8),
                                           static_cast<uint8_t>(b >> 16), static_cast<uint8_t>(b >> 24)};
                out.WriteBuffer(buffer, 6);
            }
        } else if (auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(app)) {
            for (const TGIFBlock& block : unknown->Blocks) {
                PutByte(out, static_cast<uint8_t>(block.Size()));
                out.WriteBuffer(block.Data.data(), block.Data.size());
            }
        }
        PutByte(out, 0);
    }
}

// ---- frames ----------------------------------------------------------------------------------------

// The largest bits per pixel over the global table and every frame's local table.
int LargestTableBits(TGIFImage& image) {
    int bits = image.Header.ColorMap.BitsPerPixel();
    for (const auto& frame : image.Images) bits = std::max(bits, frame->ColorMap.BitsPerPixel());
    return bits;
}

void WriteFrame(TGIFImage& image, TGIFSubImage& frame, TStream& out) {
    for (const auto& extension : frame.Extensions) WriteExtension(out, *extension);
    if (frame.Empty()) return;

    const TGIFColorMap& local = frame.ColorMap;
    uint8_t packed;
    if (local.Count() > 0) {
        packed = static_cast<uint8_t>(0x80 | (local.Sorted() ? 0x20 : 0) | (SizeField(local) & 7));
    } else {
        // The rows go out in plain order, so the Interlace Flag must go too; the reserved bits stay.
        packed = frame.Descriptor.PackedFields & 0x18;
    }
    uint8_t descriptor[10] = {0x2C};
    PutWord(descriptor + 1, frame.Descriptor.Left);
    PutWord(descriptor + 3, frame.Descriptor.Top);
    PutWord(descriptor + 5, frame.Descriptor.Width);
    PutWord(descriptor + 7, frame.Descriptor.Height);
    descriptor[9] = packed;
    out.WriteBuffer(descriptor, 10);
    WriteColorTable(out, local);

    int bits, colors;
    if (local.Count() > 0) {
        bits = local.BitsPerPixel();
        colors = local.Count();
    } else {
        bits = LargestTableBits(image);
        colors = 1 << bits;
    }
    const size_t count = static_cast<size_t>(frame.Width()) * static_cast<size_t>(frame.Height());
    WriteImageData(out, bits, colors, {frame.Data(), std::min(count, frame.DataSize())}, image.WriteCompression);
}

// ---- taking a device bitmap ------------------------------------------------------------------------

void SetTable(TGIFColorMap& map, const std::vector<TRGBQuad>& table) {
    const int count = static_cast<int>(std::min<size_t>(table.size(), 256));
    map.SetCount(count);
    for (int i = 0; i < count; ++i) map[i] = {table[static_cast<size_t>(i)].Red, table[static_cast<size_t>(i)].Green,
                                              table[static_cast<size_t>(i)].Blue};
}

// Builds the colour table of 24-bit rows: the last eight colours met are tried first (most recent
// hit backwards), then the table from its end; a new colour is appended.
class TColorTableBuilder {
public:
    explicit TColorTableBuilder(TGIFColorMap& map) : map_(map) { map_.Clear(); }

    uint8_t IndexOf(uint8_t red, uint8_t green, uint8_t blue) {
        const uint32_t colour = (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
        for (int k = 0; k < used_; ++k) {
            const int at = (last_ - k + kRing) % kRing;
            if (ring_[static_cast<size_t>(at)].Colour == colour) {
                last_ = at;
                return ring_[static_cast<size_t>(at)].Index;
            }
        }
        int index = -1;
        for (int i = map_.Count() - 1; i >= 0; --i) {
            if (map_[i].Red == red && map_[i].Green == green && map_[i].Blue == blue) {
                index = i;
                break;
            }
        }
        if (index < 0) {
            index = map_.Add({red, green, blue});
            if (index < 0) throw GIFException(gifmsg::kColorTableOverflow);
        }
        last_ = (last_ + 1) % kRing;
        ring_[static_cast<size_t>(last_)] = {colour, static_cast<uint8_t>(index)};
        used_ = std::min(used_ + 1, kRing);
        return static_cast<uint8_t>(index);
    }

private:
    static constexpr int kRing = 8;
    struct Recent {
        uint32_t Colour;
        uint8_t Index;
    };
    TGIFColorMap& map_;
    std::array<Recent, kRing> ring_{};
    int used_ = 0;
    int last_ = kRing - 1;
};

// Runs `row` for the frame's rows 0 to rows - 1, top first, with OnProgress every 32 rows.
template <typename RowFn>
void ForEachRow(TGIFImage* image, TGIFSubImage& frame, int32_t rows, RowFn row) {
    for (int32_t y = 0; y < rows; ++y) {
        if (y > 0 && y % 32 == 0 && image)
            image->Progress(TProgressStage::psRunning, static_cast<int>(int64_t{y} * 100 / frame.Height()),
                            gifmsg::kConverting);
        row(y, frame.ScanLine(y));
    }
}

// Copies the rows of an 8-, 4-, 1- or 24-bit picture into the frame's indices and table.
void CopyRows(TGIFImage* image, TGIFSubImage& frame, const TBitmap& source) {
    const int32_t width = std::min<int32_t>(frame.Width(), source.GetWidth());
    const int32_t height = std::min<int32_t>(frame.Height(), source.GetHeight());
    switch (source.BitsPerPixel()) {
        case 8:
            SetTable(frame.ColorMap, source.ColorTable());
            ForEachRow(image, frame, height, [&](int32_t y, uint8_t* out) {
                std::memcpy(out, source.ScanLine(y), static_cast<size_t>(width));
            });
            break;
        case 4:
            SetTable(frame.ColorMap, source.ColorTable());
            ForEachRow(image, frame, height, [&](int32_t y, uint8_t* out) {
                const uint8_t* in = source.ScanLine(y);
                for (int32_t x = 0; x < width; ++x) out[x] = (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
            });
            break;
        case 1:
            SetTable(frame.ColorMap, source.ColorTable());
            ForEachRow(image, frame, height, [&](int32_t y, uint8_t* out) {
                const uint8_t* in = source.ScanLine(y);
                for (int32_t x = 0; x < width; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
            });
            break;
        default: {  // 24 bits
            TColorTableBuilder builder(frame.ColorMap);
            ForEachRow(image, frame, height, [&](int32_t y, uint8_t* out) {
                const uint8_t* in = source.ScanLine(y);
                for (int32_t x = 0; x < width; ++x, in += 3) out[x] = builder.IndexOf(in[2], in[1], in[0]);
            });
            break;
        }
    }
}

void SaveThroughWriter(TGIFImage& image, TStream& stream) { SaveGIFImage(image, stream); }
void AssignThroughWriter(TGIFImage& image, TBitmap& bitmap) { AssignBitmapToGIF(image, bitmap); }

}  // namespace

void InstallGIFWriter() { TGIFImage::SetWriter(&SaveThroughWriter, &AssignThroughWriter); }

void SaveGIFImage(TGIFImage& image, TStream& stream) {
    image.Progress(TProgressStage::psStarting, 0, gifmsg::kSaving);
    try {
        WriteHeader(image, stream);
        const int count = image.Images.Count();
        for (int i = 0; i < count; ++i) {
            WriteFrame(image, *image.Images[i], stream);
            image.Progress(TProgressStage::psRunning, (i + 1) * 100 / count, gifmsg::kSaving);
        }
        PutByte(stream, 0x3B);
    } catch (...) {
        image.Progress(TProgressStage::psEnding, 0, gifmsg::kSaving);
        throw;
    }
    image.Progress(TProgressStage::psEnding, 100, gifmsg::kSaving);
}

void AssignBitmapToGIF(TGIFImage& image, TBitmap& bitmap) {
    image.Clear();
    auto frame = std::make_unique<TGIFSubImage>(&image);
    AssignBitmapToFrame(*frame, bitmap);
    image.Images.Add(std::move(frame));
    image.PaletteModified();
}

void AssignBitmapToFrame(TGIFSubImage& frame, TBitmap& bitmap) {
    const int32_t width = bitmap.GetWidth(), height = bitmap.GetHeight();
    if (width > 0xFFFF || height > 0xFFFF) throw GIFException(gifmsg::kInvalidDimensions);
    frame.Clear();
    if (width == 0 || height == 0) return;
    frame.SetWidth(width);
    frame.SetHeight(height);

    TGIFImage* image = frame.Image();
    const int bits = bitmap.BitsPerPixel();
    const uint8_t method = image ? image->ReductionMethod : GIFDefaultReductionMethod;
    // Deeper pictures are reduced: method 0 keeps their colours in a 24-bit copy, the others give
    // a palette and indices, which go straight into the frame (the same table and indices as the
    // reduction's 8-bit picture, without making that picture).
    std::unique_ptr<TBitmap> converted;
    std::unique_ptr<TPaletteReducer> reducer;
    if (bits != 1 && bits != 4 && bits != 8) {
        if (method == 0) {
            converted = std::make_unique<TBitmap>(bitmap.ConvertedTo(24));
        } else {
            reducer = std::make_unique<TPaletteReducer>(bitmap, method,
                                                        image ? image->DitherMode : GIFDefaultDitherMode, std::span<const TRGBQuad>{},
                                                        image ? image->ReductionBits : GIFDefaultReductionBits);
        }
    }

    if (image) image->Progress(TProgressStage::psStarting, 0, gifmsg::kConverting);
    try {
        if (reducer) {
            // An unknown method or mode reduces to an empty picture: nothing to copy.
            if (reducer->Valid()) {
                TPaletteEntries table = reducer->Palette();
                table.resize(256, TRGBQuad{});
                SetTable(frame.ColorMap, table);
                ForEachRow(image, frame, height, [&](int32_t y, uint8_t* out) { reducer->Row(y, out); });
            }
        } else {
            CopyRows(image, frame, converted ? *converted : bitmap);
        }
    } catch (...) {
        if (image) image->Progress(TProgressStage::psEnding, 0, gifmsg::kConverting);
        throw;
    }
    if (image) image->Progress(TProgressStage::psEnding, 100, gifmsg::kConverting);
}

}  // namespace nox
