// The BMP reader: headers parsed and judged whole before any pixel memory exists, then the pixel
// rows read straight into the device bitmap (or run-length decoded into it).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "formats/bmp/Bmp.h"
#include "formats/bmp/BmpHeader.h"
#include "formats/bmp/BmpRle.h"
#include "platform/Errors.h"

namespace nox {

using namespace bmp;

namespace {

[[noreturn]] void Invalid() { throw EInvalidGraphic(msg::kInvalidBitmap); }
[[noreturn]] void CutShort() { throw EReadError(msg::kReadError); }

// The stream with the count of bytes left in the file, so that no read or skip asks for more than
// the file holds.
class TBoundedReader {
public:
    TBoundedReader(TStream& stream, int64_t size) : stream_(stream), remaining_(size) {}

    int64_t Remaining() const { return remaining_; }

    // Exact read: "Stream read error" when the file ends first.
    void Read(void* buffer, uint64_t count) {
        if (count > static_cast<uint64_t>(remaining_)) CutShort();
        stream_.ReadBuffer(buffer, static_cast<size_t>(count));
        remaining_ -= static_cast<int64_t>(count);
    }
    void Skip(uint64_t count) {
        if (count > static_cast<uint64_t>(remaining_)) CutShort();
        stream_.Seek(static_cast<int64_t>(count), TSeekOrigin::soCurrent);
        remaining_ -= static_cast<int64_t>(count);
    }
    // Reads up to `count` bytes; a file that ends early is no error here.
    size_t ReadUpTo(void* buffer, size_t count) {
        const size_t n = stream_.Read(buffer, std::min<uint64_t>(count, static_cast<uint64_t>(remaining_)));
        remaining_ -= static_cast<int64_t>(n);
        return n;
    }

private:
    TStream& stream_;
    int64_t remaining_;
};

// Everything the headers say about the picture, after judging.
struct TLayout {
    TInfoHeader Info;
    bool Core = false;
    uint32_t Masks[3] = {0, 0, 0};
    std::vector<TRGBQuad> ColorTable;
    int32_t Width = 0;
    int32_t Height = 0;  // rows, always positive
    bool TopDown = false;
    uint64_t RowBytes = 0;
    uint64_t ImageBytes = 0;  // RowBytes x Height
};

TInfoHeader ParseInfoHeader(const uint8_t* h, uint32_t size) {
    TInfoHeader info;
    info.Size = size;
    info.Width = static_cast<int32_t>(Get32(h + 4));
    info.Height = static_cast<int32_t>(Get32(h + 8));
    info.Planes = Get16(h + 12);
    info.BitCount = Get16(h + 14);
    info.Compression = Get32(h + 16);
    info.SizeImage = Get32(h + 20);
    info.XPelsPerMeter = static_cast<int32_t>(Get32(h + 24));
    info.YPelsPerMeter = static_cast<int32_t>(Get32(h + 28));
    info.ClrUsed = Get32(h + 32);
    info.ClrImportant = Get32(h + 36);
    return info;
}

// The information header (core headers widened) and, for longer headers, the masks inside it.
void ReadInfoHeader(TBoundedReader& in, TLayout& layout) {
    uint8_t h[kHeaderWithMasksSize] = {};
    in.Read(h, 4);
    const uint32_t size = Get32(h);
    if (size == kCoreHeaderSize) {
        in.Read(h + 4, 8);
        layout.Core = true;
        layout.Info.Size = size;
        layout.Info.Width = Get16(h + 4);
        layout.Info.Height = Get16(h + 6);
        layout.Info.Planes = Get16(h + 8);
        layout.Info.BitCount = Get16(h + 10);
        return;
    }
    // A shorter header does not fill the standard fields the picture is made from.
    if (size < kInfoHeaderSize) Invalid();
    const uint32_t kept = std::min(size, kHeaderWithMasksSize);
    in.Read(h + 4, kept - 4);
    in.Skip(size - kept);
    layout.Info = ParseInfoHeader(h, size);
    if (size >= kHeaderWithMasksSize)
        for (int i = 0; i < 3; ++i) layout.Masks[i] = Get32(h + kInfoHeaderSize + 4 * i);
}

bool IsValidDepth(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Judges the header fields that decide the picture's form.
void CheckFields(TLayout& layout) {
    const TInfoHeader& info = layout.Info;
    if (info.Planes != 1) Invalid();
    if (!IsValidDepth(info.BitCount)) Invalid();
    switch (info.Compression) {
        case biRGB:
            break;
        case biRLE8:
            if (info.BitCount != 8) Invalid();
            break;
        case biRLE4:
            if (info.BitCount != 4) Invalid();
            break;
        case biBitFields:
            if (info.BitCount != 16 && info.BitCount != 32) Invalid();
            break;
        default:  // JPEG, PNG and other codings this reader does not have
            Invalid();
    }
    if (info.Width <= 0 || info.Height == 0 || info.Height == std::numeric_limits<int32_t>::min()) Invalid();
    // Run-length data is defined bottom-up only.
    if (info.Height < 0 && (info.Compression == biRLE8 || info.Compression == biRLE4)) Invalid();

    layout.Width = info.Width;
    layout.Height = std::abs(info.Height);
    layout.TopDown = info.Height < 0;
    layout.RowBytes = TBitmap::RowBytesFor(layout.Width, info.BitCount);
    // The pixel data of a BMP file is at most 4 GiB - 1 bytes (its size field has 32 bits).
    if (layout.RowBytes > std::numeric_limits<uint32_t>::max() / static_cast<uint64_t>(layout.Height)) Invalid();
    layout.ImageBytes = layout.RowBytes * static_cast<uint64_t>(layout.Height);
    // The picture must fit this machine both as it is stored and as a pane's 32-bit buffer.
    CheckAllocationSize(std::max<uint64_t>(layout.ImageBytes, uint64_t{4} * static_cast<uint64_t>(layout.Width) *
                                                                   static_cast<uint64_t>(layout.Height)));
}

void ReadMasks(TBoundedReader& in, TLayout& layout) {
    if (layout.Info.Compression != biBitFields) return;
    if (layout.Info.Size == kInfoHeaderSize) {
        uint8_t m[12];
        in.Read(m, sizeof m);
        for (int i = 0; i < 3; ++i) layout.Masks[i] = Get32(m + 4 * i);
    } else if (layout.Info.Size < kHeaderWithMasksSize) {
        Invalid();  // a header that ends inside the masks
    }
    // A zero mask leaves a colour without bits: no picture can be made of that.
    for (uint32_t mask : layout.Masks)
        if (mask == 0) Invalid();
}

// Reads the colour table: the header's colours used, or the full table for 1, 4 and 8 bits. Only
// the first 256 entries are kept; the rest are skipped.
void ReadColorTable(TBoundedReader& in, TLayout& layout) {
    const uint64_t count = layout.Info.ClrUsed != 0 ? layout.Info.ClrUsed
                           : layout.Info.BitCount <= 8 ? (uint64_t{1} << layout.Info.BitCount)
                                                       : 0;
    const uint64_t entryBytes = layout.Core ? 3 : 4;
    if (count * entryBytes > static_cast<uint64_t>(in.Remaining())) CutShort();
    const size_t kept = static_cast<size_t>(std::min<uint64_t>(count, 256));
    std::vector<uint8_t> raw(kept * entryBytes);
    in.Read(raw.data(), raw.size());
    in.Skip((count - kept) * entryBytes);
    layout.ColorTable.resize(kept);
    for (size_t i = 0; i < kept; ++i) {
        const uint8_t* e = raw.data() + i * entryBytes;
        layout.ColorTable[i] = TRGBQuad{e[0], e[1], e[2], layout.Core ? uint8_t{0} : e[3]};
    }
}

// Reads the plain rows into a bitmap whose memory was not cleared.
void ReadUncompressed(TBoundedReader& in, uint64_t pixelBytes, const TLayout& layout, TBitmap& bitmap) {
    // Pieces of about 256 KiB: a read per row costs more in system calls than the bytes it moves.
    // A top-down piece is read straight into its rows. A bottom-up piece is read into a buffer
    // that stays in the cache and its rows are copied from there into their places, bottom row
    // last. What a short area lacks (whole rows, and the rest of the row it ends in) is zero, also
    // when the stream fails part of the way.
    const size_t row = static_cast<size_t>(layout.RowBytes);
    const int32_t height = layout.Height;
    uint64_t filled = 0;  // bytes of the file's rows in place, in the file's order
    const auto zeroTheRest = [&] {
        for (uint64_t at = filled; at < layout.ImageBytes;) {
            const auto fileRow = static_cast<int32_t>(at / row);
            const auto offset = static_cast<size_t>(at % row);
            std::memset(bitmap.ScanLine(layout.TopDown ? fileRow : height - 1 - fileRow) + offset, 0, row - offset);
            at += row - offset;
        }
    };
    try {
        const int32_t rowsPerPiece =
            static_cast<int32_t>(std::clamp<size_t>((size_t{256} << 10) / row, 1, static_cast<size_t>(height)));
        std::vector<uint8_t> piece(layout.TopDown ? 0 : row * static_cast<size_t>(rowsPerPiece));
        uint64_t left = std::min(pixelBytes, layout.ImageBytes);
        for (int32_t fileRow = 0; fileRow < height && left > 0; fileRow += rowsPerPiece) {
            const int32_t rows = std::min(rowsPerPiece, height - fileRow);
            const size_t want =
                static_cast<size_t>(std::min<uint64_t>(left, uint64_t{row} * static_cast<uint64_t>(rows)));
            size_t got;
            if (layout.TopDown) {
                got = in.ReadUpTo(bitmap.ScanLine(fileRow), want);
            } else {
                got = in.ReadUpTo(piece.data(), want);
                for (size_t r = 0, done = 0; done < got; ++r, done += row)
                    std::memcpy(bitmap.ScanLine(height - 1 - fileRow - static_cast<int32_t>(r)), piece.data() + done,
                                std::min(row, got - done));
            }
            filled += got;
            if (got < want) break;
            left -= got;
        }
    } catch (...) {
        // `filled` counts what finished reads put in place: a piece whose read failed is zeroed whole.
        zeroTheRest();
        throw;
    }
    zeroTheRest();
}

}  // namespace

void ReadBmp(TBitmap& bitmap, TStream& stream) {
    const int64_t start = stream.Position();
    const int64_t streamSize = std::max<int64_t>(stream.Size() - start, 0);
    if (streamSize == 0) {
        bitmap.SetSize(0, 0);
        bitmap.ClearBitFields();
        bitmap.SetColorTable({});
        return;
    }

    TBoundedReader in(stream, streamSize);
    uint8_t fileHeader[kFileHeaderSize];
    in.Read(fileHeader, sizeof fileHeader);
    if (Get16(fileHeader) != kFileType) Invalid();
    const uint32_t pixelOffset = Get32(fileHeader + 10);

    TLayout layout;
    ReadInfoHeader(in, layout);
    CheckFields(layout);
    ReadMasks(in, layout);
    ReadColorTable(in, layout);

    // The file header's pixel offset is honoured when it points at or after the end of the colour
    // table and inside the file (files that leave a gap before their pixels); any other value is
    // ignored and the pixels are taken to follow the table.
    const int64_t tableEnd = streamSize - in.Remaining();
    if (pixelOffset >= tableEnd && pixelOffset < streamSize) in.Skip(static_cast<uint64_t>(pixelOffset - tableEnd));

    const uint64_t declared = layout.Info.SizeImage != 0 ? layout.Info.SizeImage : layout.ImageBytes;
    const uint64_t pixelBytes = std::min<uint64_t>(declared, static_cast<uint64_t>(in.Remaining()));

    const bool rle = layout.Info.Compression == biRLE8 || layout.Info.Compression == biRLE4;
    std::vector<uint8_t> coded;
    if (rle) {
        coded.resize(static_cast<size_t>(pixelBytes));
        coded.resize(in.ReadUpTo(coded.data(), coded.size()));
    }

    // Everything is judged: from here on the bitmap takes the picture.
    bitmap.SetSize(0, 0);
    bitmap.SetBitsPerPixel(layout.Info.BitCount);
    bitmap.ClearBitFields();
    if (layout.Info.Compression == biBitFields) bitmap.SetBitFields(layout.Masks[0], layout.Masks[1], layout.Masks[2]);
    bitmap.SetColorTable(std::move(layout.ColorTable));
    // Coded pixels leave the pixels they skip as they are (zero); plain rows are all written.
    if (rle) {
        bitmap.SetSize(layout.Width, layout.Height);
        DecodeRle(coded, bitmap);
    } else {
        bitmap.SetSizeUncleared(layout.Width, layout.Height);
        ReadUncompressed(in, pixelBytes, layout, bitmap);
    }
}

}  // namespace nox
