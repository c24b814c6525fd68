// Reading a GIF87a or GIF89a stream into the model: the header, the block loop over frames and
// their extensions, the image descriptors and colour tables, the frame data through the LZW
// decoder, and the trailer. Every read is bounded by the stream; sizes are checked before memory
// is taken.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "formats/gif/GifImage.h"
#include "formats/gif/LzwDecoder.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;

// One byte, or -1 at the end of the stream.
int ReadByte(TStream& stream) {
    uint8_t b;
    return stream.Read(&b, 1) == 1 ? b : -1;
}

// Exact read: "Premature end of data" when the bytes are not all there.
void ReadExact(TStream& stream, void* buffer, size_t count) {
    if (stream.Read(buffer, count) != count) throw GIFException(gifmsg::kPrematureEnd);
}

uint8_t ReadExactByte(TStream& stream) {
    uint8_t b;
    ReadExact(stream, &b, 1);
    return b;
}

// The fields of a block read in one piece, taken in file order: bytes and little-endian words.
class TFieldReader {
public:
    explicit TFieldReader(const uint8_t* bytes) : at_(bytes) {}
    uint8_t Byte() { return *at_++; }
    uint16_t Word() {
        const auto word = static_cast<uint16_t>(at_[0] | (at_[1] << 8));
        at_ += 2;
        return word;
    }

private:
    const uint8_t* at_;
};

// Reads the colour table that a screen or image descriptor announces in its packed fields (both
// keep the flag in bit 7 and the size, 2^(n + 1) entries, in bits 0-2); else empties `map`.
void ReadColorTable(TStream& stream, uint8_t packed, TGIFColorMap& map) {
    if (packed & 0x80)
        map.LoadFromStream(stream, 2 << (packed & 0x07));
    else
        map.Clear();
}

void StepBack(TStream& stream) { stream.Seek(-1, TSeekOrigin::soCurrent); }

bool IsGIFSignature(const uint8_t* p) {
    return std::toupper(p[0]) == 'G' && std::toupper(p[1]) == 'I' && std::toupper(p[2]) == 'F';
}

// Text lines: data sub-blocks until a size byte of 0; the end of the stream ends them quietly.
void ReadTextLines(TStream& stream, std::vector<std::string>& lines) {
    for (int size = ReadByte(stream); size > 0; size = ReadByte(stream)) {
        std::string line(static_cast<size_t>(size), '\0');
        ReadExact(stream, line.data(), line.size());
        lines.push_back(std::move(line));
    }
}

// The four passes of an interlaced frame: pass p gives the rows kPassStart[p], then every
// kPassStep[p]-th row after it (0, 8, 16, ...; 4, 12, ...; 2, 6, ...; 1, 3, 5, ...).
constexpr uint32_t kPassStart[4] = {0, 4, 2, 1};
constexpr uint32_t kPassStep[4] = {8, 8, 4, 2};

// The rows of a frame in the order an interlaced frame gives them.
std::vector<uint32_t> InterlacedRowOrder(uint32_t height) {
    std::vector<uint32_t> order;
    order.reserve(height);
    for (int pass = 0; pass < 4; ++pass)
        for (uint32_t row = kPassStart[pass]; row < height; row += kPassStep[pass]) order.push_back(row);
    return order;
}

// The bytes of the data sub-blocks at the stream, joined, up to and including the size byte 0 or
// the end of the stream. The stream is read in large pieces (not two reads per sub-block) and put
// back right after the last byte that belongs to the sub-blocks. A sub-block longer than the rest
// of the stream gives the warning "Premature end of data" and what remains of it.
std::vector<uint8_t> ReadDataSubBlocks(TStream& stream, TGIFItem& item) {
    constexpr size_t kPiece = 64 * 1024;
    const int64_t start = stream.Position();
    const int64_t remaining = stream.Remaining();
    // A piece of the stream at a time, no larger than what the stream still holds (a file of many
    // small frames reads each through its own buffer), and not cleared: only bytes read are used.
    const size_t capacity = static_cast<size_t>(std::clamp<int64_t>(remaining, 0, kPiece)) + 256;
    const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    size_t begin = 0, end = 0;  // the bytes of `buffer` read but not yet used
    int64_t used = 0;           // bytes from `start` that belong to the sub-blocks so far
    bool atEnd = false;
    // Makes `count` bytes (at most 256) available from `begin` on, as far as the stream has them.
    auto have = [&](size_t count) {
        if (end - begin < count && !atEnd) {
            std::memmove(buffer.get(), buffer.get() + begin, end - begin);
            end -= begin;
            begin = 0;
            while (end < count && !atEnd) {
                const size_t got = stream.Read(buffer.get() + end, capacity - end);
                end += got;
                atEnd = got == 0;
            }
        }
        return std::min(count, end - begin);
    };
    auto take = [&](size_t count) {
        begin += count;
        used += static_cast<int64_t>(count);
    };
    std::vector<uint8_t> codes;
    codes.reserve(static_cast<size_t>(std::clamp<int64_t>(remaining, 0, 1 << 24)));
    while (have(1) == 1) {
        const size_t size = buffer[begin];
        take(1);
        if (size == 0) break;
        const size_t got = have(size);
        codes.insert(codes.end(), buffer.get() + begin, buffer.get() + begin + got);
        take(got);
        if (got < size) {
            item.Warning(gsWarning, gifmsg::kPrematureEnd);
            break;
        }
    }
    stream.SetPosition(start + used);
    return codes;
}

// The class that really reads the extension whose label the stream stands at.
const TGIFExtensionClass* ResolveExtensionClass(TStream& stream) {
    const int64_t position = stream.Position();
    // A stream that ends before the label is short, not of an unknown kind.
    const uint8_t label = ReadExactByte(stream);
    const TGIFExtensionClass* found = TExtensionList::Instance().Find(label);
    // The walk ends when a class answers itself; the registry's classes do within two steps.
    for (int steps = 0; found && found->Resolve && steps < 16; ++steps) {
        stream.SetPosition(position);
        const TGIFExtensionClass* next = found->Resolve(stream);
        if (next == found) break;
        found = next;
    }
    stream.SetPosition(position);
    return found;
}

}  // namespace

// ---- TGIFImage ----------------------------------------------------------------------------------

void TGIFImage::LoadFromStream(TStream& stream) {
    Progress(TProgressStage::psStarting, 0, gifmsg::kLoading);
    Clear();
    const int64_t start = stream.Position();
    try {
        Header.LoadFromStream(stream);
        Images.LoadFromStream(stream);
        TGIFTrailer(this).LoadFromStream(stream);
    } catch (...) {
        stream.SetPosition(start);
        Progress(TProgressStage::psEnding, 0, gifmsg::kLoading);
        throw;
    }
    Progress(TProgressStage::psEnding, 100, gifmsg::kLoading);
}

// ---- header and trailer -------------------------------------------------------------------------

void TGIFHeader::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t bytes[6];
    ReadExact(stream, bytes, 6);
    if (!IsGIFSignature(bytes)) {
        // Some files carry a 4-byte prefix before the signature.
        stream.SetPosition(start + 4);
        ReadExact(stream, bytes, 6);
        if (!IsGIFSignature(bytes)) throw GIFException(gifmsg::kInvalidSignature);
    }
    std::memcpy(Signature.data(), bytes, 6);

    uint8_t lsd[7];
    ReadExact(stream, lsd, 7);
    TFieldReader fields(lsd);
    Descriptor.ScreenWidth = fields.Word();
    Descriptor.ScreenHeight = fields.Word();
    Descriptor.PackedFields = fields.Byte();
    Descriptor.BackgroundColorIndex = fields.Byte();
    Descriptor.AspectRatio = fields.Byte();
    ReadColorTable(stream, Descriptor.PackedFields, ColorMap);
}

void TGIFTrailer::LoadFromStream(TStream& stream) {
    const int b = ReadByte(stream);
    if (b >= 0 && b != kTrailer) Warning(gsWarning, gifmsg::kInvalidTrailer);
}

// ---- the block loop -----------------------------------------------------------------------------

void TGIFImageList::LoadFromStream(TStream& stream) {
    TGIFImage* image = Image();
    auto nextBlock = [&stream] {
        int b;
        do b = ReadByte(stream);
        while (b == 0);
        return b;
    };
    int b = nextBlock();
    while (b >= 0 && b != kTrailer) {
        StepBack(stream);
        if (b != kExtensionIntroducer && b != kImageSeparator) {
            image->Warning(nullptr, gsWarning, gifmsg::kUnknownBlock);
            return;
        }
        auto frame = std::make_unique<TGIFSubImage>(image);
        frame->LoadFromStream(stream);
        // A later frame without pixels (extensions before the trailer or before padding) is read,
        // so that its damage still counts, and let go like the pixels of every later frame:
        // nothing uses it, and a file of millions of empty comments would otherwise hold a few
        // hundred bytes of frame for every four bytes of file.
        if (Count() == 0 || (frame->Width() > 0 && frame->Height() > 0)) Add(std::move(frame));
        const int64_t size = stream.Size();
        image->Progress(TProgressStage::psRunning, size > 0 ? static_cast<int>(stream.Position() * 100 / size) : 0,
                        gifmsg::kLoading);
        b = nextBlock();
    }
    if (b == kTrailer) StepBack(stream);
}

// ---- frames -------------------------------------------------------------------------------------

void TGIFSubImage::LoadFromStream(TStream& stream) {
    Clear();
    Extensions.LoadFromStream(stream);

    // Extensions right before the trailer (or the end) make a frame without image data.
    const int next = ReadByte(stream);
    if (next < 0) return;
    StepBack(stream);
    if (next == kTrailer || next == 0x00) return;

    uint8_t d[10];
    ReadExact(stream, d, 10);
    TFieldReader fields(d);
    Descriptor.Separator = fields.Byte();
    Descriptor.Left = fields.Word();
    Descriptor.Top = fields.Word();
    Descriptor.Width = fields.Word();
    Descriptor.Height = fields.Word();
    Descriptor.PackedFields = fields.Byte();
    if (Descriptor.Width == 0 || Descriptor.Height == 0) {
        Descriptor.Width = static_cast<uint16_t>(image_->Header.Width());
        Descriptor.Height = static_cast<uint16_t>(image_->Header.Height());
        Warning(gsWarning, gifmsg::kImageExceedsScreen);
    }

    ReadColorTable(stream, Descriptor.PackedFields, ColorMap);

    LoadImageData(stream);

    if (RenderOnLoad) Bitmap();
}

void TGIFSubImage::LoadImageData(TStream& stream) {
    const size_t width = Descriptor.Width, height = Descriptor.Height;
    const unsigned long long pixels = static_cast<unsigned long long>(width) * height;
    // Only the first frame is ever shown. It must fit one allocation, and the pixels its data does
    // not reach keep the fill value. Later frames are decoded, so that damaged data still fails
    // the load, and their pixels are let go: a long animation takes the memory of one frame.
    const bool shown = image_->Images.Count() == 0;
    if (shown) CheckAllocationSize(pixels);
    const int transparentIndex = TransparentIndex();
    const uint8_t fill = transparentIndex >= 0 ? static_cast<uint8_t>(transparentIndex) : 0;

    // The code stream: every data sub-block up to the size byte 0, so that the stream ends up
    // right after the frame whatever the codes say.
    std::vector<uint8_t> codes;
    const int minCodeSize = ReadByte(stream);
    if (minCodeSize >= 0) codes = ReadDataSubBlocks(stream, *this);

    // Memory for indices grows with the decoded data; only then is the rest filled.
    try {
        TPixelBytes decoded;
        size_t produced = 0;
        if (minCodeSize >= 0 && pixels > 0) {
            decoded.reserve(static_cast<size_t>(std::min<unsigned long long>(pixels, MaxLZWPixels(codes.size()))));
            const TLZWResult result = DecodeLZW(codes, minCodeSize, static_cast<size_t>(pixels), decoded);
            if (result.Underrun) Warning(gsWarning, gifmsg::kBitBufferUnderrun);
            produced = result.Pixels;
        }
        if (!shown) return;

        if (!Interlaced()) {
            decoded.resize(static_cast<size_t>(pixels), fill);
            data_ = std::move(decoded);
        } else {
            TPixelBytes rows(static_cast<size_t>(pixels), fill);
            const std::vector<uint32_t> order = InterlacedRowOrder(static_cast<uint32_t>(height));
            for (size_t i = 0; i * width < produced; ++i) {
                const size_t n = std::min(width, produced - i * width);
                std::memcpy(rows.data() + order[i] * width, decoded.data() + i * width, n);
            }
            data_ = std::move(rows);
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(msg::kOutOfMemory);
    }
}

// ---- extensions ---------------------------------------------------------------------------------

void TGIFExtensionList::LoadFromStream(TStream& stream) {
    int b = ReadByte(stream);
    if (b < 0) return;
    while (b != kImageSeparator && b != kTrailer) {
        if (b != kExtensionIntroducer) {
            Frame()->Warning(gsWarning, gifmsg::kInvalidIntroducer);
            break;
        }
        const TGIFExtensionClass* extensionClass = ResolveExtensionClass(stream);
        if (!extensionClass) throw GIFException(gifmsg::kUnknownExtension);
        StepBack(stream);
        std::unique_ptr<TGIFExtension> extension = extensionClass->Create(Frame());
        extension->LoadFromStream(stream);
        Add(std::move(extension));
        b = ReadByte(stream);
        if (b < 0) return;
    }
    StepBack(stream);
}

void TGIFExtension::LoadFromStream(TStream& stream) {
    uint8_t head[2];
    ReadExact(stream, head, 2);
    if (head[0] != kExtensionIntroducer) throw GIFException(gifmsg::kInvalidIntroducer);
    if (head[1] != Label()) throw GIFException(gifmsg::kExtensionMismatch);
    LoadBody(stream);
}

void TGIFGraphicControlExtension::LoadBody(TStream& stream) {
    uint8_t b[6] = {Body.BlockSize,
                    Body.PackedFields,
                    static_cast<uint8_t>(Body.DelayTime),
                    static_cast<uint8_t>(Body.DelayTime >> 8),
                    Body.TransparentColorIndex,
                    Body.Terminator};
    if (stream.Read(b, 6) != 6) Warning(gsWarning, gifmsg::kPrematureEnd);
    TFieldReader fields(b);
    Body.BlockSize = fields.Byte();
    Body.PackedFields = fields.Byte();
    Body.DelayTime = fields.Word();
    Body.TransparentColorIndex = fields.Byte();
    Body.Terminator = fields.Byte();
    if (Transparent() && Frame()) Frame()->SetTransparent(true);
}

void TGIFTextExtension::LoadBody(TStream& stream) {
    uint8_t b[13];
    ReadExact(stream, b, 13);
    TFieldReader fields(b);
    Body.BlockSize = fields.Byte();
    Body.Left = fields.Word();
    Body.Top = fields.Word();
    Body.Width = fields.Word();
    Body.Height = fields.Word();
    Body.CellWidth = fields.Byte();
    Body.CellHeight = fields.Byte();
    Body.TextFGColorIndex = fields.Byte();
    Body.TextBGColorIndex = fields.Byte();
    ReadTextLines(stream, Text);
}

void TGIFCommentExtension::LoadBody(TStream& stream) { ReadTextLines(stream, Text); }

const TGIFExtensionClass* TGIFApplicationExtension::ResolveClass(TStream& stream) {
    ReadByte(stream);  // the label
    const int blockSize = ReadByte(stream);
    std::array<uint8_t, 11> identifier{};
    if (blockSize == 10) {
        if (stream.Read(identifier.data(), 10) == 10) return &GIFUnknownAppExtensionClass;
    } else if (blockSize >= 11) {
        if (stream.Read(identifier.data(), 11) == 11) {
            const TGIFExtensionClass* registered = TAppExtensionList::Instance().Find(identifier);
            // An unregistered identifier keeps its data sub-blocks as they are.
            return registered ? registered : &GIFUnknownAppExtensionClass;
        }
    }
    return &GIFApplicationExtensionClass;
}

void TGIFApplicationExtension::LoadBody(TStream& stream) {
    BlockSize = ReadExactByte(stream);
    if (BlockSize == 10) {
        // The 10-byte form: the data sub-blocks begin right after the 10 bytes.
        Identifier.fill(0);
        ReadExact(stream, Identifier.data(), 11);
        StepBack(stream);
    } else if (BlockSize < 10) {
        throw GIFException(gifmsg::kAppExtBlockSize);
    } else {
        ReadExact(stream, Identifier.data(), 11);
        uint8_t skipped[255];
        ReadExact(stream, skipped, static_cast<size_t>(BlockSize - 11));
    }
    LoadData(stream);
}

void TGIFApplicationExtension::LoadData(TStream&) {}

void TGIFUnknownAppExtension::LoadData(TStream& stream) {
    for (int size = ReadByte(stream); size > 0; size = ReadByte(stream)) {
        TGIFBlock block;
        block.Data.resize(static_cast<size_t>(size));
        ReadExact(stream, block.Data.data(), block.Data.size());
        Blocks.push_back(std::move(block));
    }
}

void TGIFAppExtNSLoop::LoadData(TStream& stream) {
    for (int size = ReadByte(stream); size > 0; size = ReadByte(stream)) {
        uint8_t block[255];
        ReadExact(stream, block, static_cast<size_t>(size));
        const int length = size - 1;  // after the sub-block identifier
        TFieldReader fields(block + 1);
        switch (block[0] & 0x07) {
            case 1:
                if (length < 2) throw GIFException(gifmsg::kInvalidData);
                Loops = fields.Word();
                break;
            case 2:
                if (length < 4) throw GIFException(gifmsg::kInvalidData);
                BufferSize = fields.Word();
                BufferSize |= static_cast<uint32_t>(fields.Word()) << 16;
                break;
            default:
                break;
        }
    }
}

}  // namespace nox
