// The GIF image-data coders.
#include "formats/gif/LzwEncoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Errors.h"

namespace nox {

namespace {

// The largest next free code at which a new string may still be entered; at 4095 the table is
// cleared instead, so that the width never has to pass 12 bits.
constexpr int kLastFreeCode = 4094;

[[noreturn]] void ColorNotInTable() { throw GIFException(gifmsg::kColorNotInTable); }

// The LZW loop, with the colour check compiled in only for tables of fewer than 256 entries.
template <bool kCheck>
int CompressLZW(THashTable& table, TCodeWriter& codes, std::span<const uint8_t> pixels, int colors) {
    const int first = codes.FirstFreeCode();
    int nextFree = first;
    table.Clear();
    codes.Write(codes.ClearCode(), nextFree);
    if (kCheck && pixels[0] >= colors) ColorNotInTable();
    uint32_t s = pixels[0];
    uint32_t hash = THashTable::Hash(s);
    const size_t count = pixels.size();
    for (size_t i = 1; i < count; ++i) {
        const uint32_t p = pixels[i];
        if (kCheck && static_cast<int>(p) >= colors) ColorNotInTable();
        const uint32_t key = (s << 8) | p;
        int slot;
        const int code = table.FindFrom(THashTable::FirstSlot(hash, p), key, slot);
        if (code >= 0) {
            s = static_cast<uint32_t>(code);
            hash = table.HashAt(slot);
            continue;
        }
        codes.Write(static_cast<int>(s), nextFree);
        s = p;
        hash = THashTable::Hash(p);
        if (nextFree > kLastFreeCode) {
            codes.Write(codes.ClearCode(), nextFree);
            table.Clear();
            nextFree = first;
        } else {
            table.Insert(slot, key, nextFree++);
        }
    }
    codes.Write(static_cast<int>(s), nextFree);
    return nextFree;
}

}  // namespace

// ---- THashTable ---------------------------------------------------------------------------------

const std::array<uint16_t, 4096> THashTable::kShares = [] {
    std::array<uint16_t, 4096> shares{};
    for (uint32_t s = 0; s < 4096; ++s) shares[s] = static_cast<uint16_t>(((s ^ (s >> 4)) << 8) % kSize);
    return shares;
}();

// ---- TGIFStream / TGIFWriter ---------------------------------------------------------------------

size_t TGIFStream::Read(void*, size_t) { throw GIFException(gifmsg::kInvalidStreamOperation); }
int64_t TGIFStream::Seek(int64_t, TSeekOrigin) { throw GIFException(gifmsg::kInvalidStreamOperation); }
int64_t TGIFStream::Size() { throw GIFException(gifmsg::kInvalidStreamOperation); }

size_t TGIFWriter::Write(const void* buffer, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t left = count;
    while (left > 0) {
        if (pending_ == 0 && left >= 255) {
            // A whole sub-block straight into the staged bytes.
            staged_.push_back(255);
            staged_.insert(staged_.end(), bytes, bytes + 255);
            bytes += 255;
            left -= 255;
            if (staged_.size() >= kBatch) {
                out_.WriteBuffer(staged_.data(), staged_.size());
                staged_.clear();
            }
            continue;
        }
        const size_t n = std::min(left, 255 - pending_);
        std::memcpy(block_.data() + 1 + pending_, bytes, n);
        pending_ += n;
        bytes += n;
        left -= n;
        if (pending_ == 255) WriteBlock();
    }
    return count;
}

void TGIFWriter::WriteBlock() {
    block_[0] = static_cast<uint8_t>(pending_);
    staged_.insert(staged_.end(), block_.begin(), block_.begin() + static_cast<ptrdiff_t>(pending_ + 1));
    pending_ = 0;
    if (staged_.size() >= kBatch) {
        out_.WriteBuffer(staged_.data(), staged_.size());
        staged_.clear();
    }
}

void TGIFWriter::Flush() {
    if (pending_ > 0) WriteBlock();
    out_.WriteBuffer(staged_.data(), staged_.size());
    staged_.clear();
}

// ---- TCodeWriter ---------------------------------------------------------------------------------

TCodeWriter::TCodeWriter(TGIFWriter& out, int minCodeSize)
    : out_(out), minCodeSize_(minCodeSize), clear_(1 << minCodeSize), width_(minCodeSize + 1),
      maxCode_((1 << (minCodeSize + 1)) - 1) {}

void TCodeWriter::Spill() {
    // The stream is little-endian, like the word: its low bytes come first.
    uint8_t word[8];
    for (int i = 0; i < 8; ++i) word[i] = static_cast<uint8_t>(accumulator_ >> (8 * i));
    std::memcpy(chunk_.data() + used_, word, 8);
    const int whole = bits_ >> 3;
    used_ += static_cast<size_t>(whole);
    accumulator_ = whole == 8 ? 0 : accumulator_ >> (8 * whole);
    bits_ &= 7;
    if (used_ >= kChunk) {
        out_.Write(chunk_.data(), used_);
        used_ = 0;
    }
}

void TCodeWriter::Flush() {
    for (; bits_ > 0; bits_ -= 8) {
        chunk_[used_++] = static_cast<uint8_t>(accumulator_);
        accumulator_ >>= 8;
    }
    out_.Write(chunk_.data(), used_);
    used_ = 0;
    accumulator_ = 0;
    bits_ = 0;
}

// ---- TLZWEncoder ---------------------------------------------------------------------------------

int TLZWEncoder::Compress(TCodeWriter& codes, std::span<const uint8_t> pixels, int colors) {
    if (pixels.empty()) return codes.FirstFreeCode();
    return colors >= 256 ? CompressLZW<false>(table_, codes, pixels, colors)
                         : CompressLZW<true>(table_, codes, pixels, colors);
}

// ---- TRLEEncoder ---------------------------------------------------------------------------------

int TRLEEncoder::Compress(TCodeWriter& codes, std::span<const uint8_t> pixels, int colors) {
    const int first = codes.FirstFreeCode();
    int next = first;        // the decoder's next free code once it has read what was written
    bool afterClear = true;  // the decoder enters no string for the first code after a clear
    std::vector<int> strings;  // strings[len]: the code of the current pixel repeated len times
    codes.Write(codes.ClearCode(), next);

    auto emit = [&](int code) {
        if (!afterClear) ++next;
        afterClear = false;
        codes.Write(code, next);
        if (next > kLastFreeCode) {
            codes.Write(codes.ClearCode(), next);
            next = first;
            afterClear = true;
            strings.resize(2);  // only the single pixel survives a clear
        }
    };

    const size_t count = pixels.size();
    size_t i = 0;
    while (i < count) {
        const uint8_t p = pixels[i];
        if (p >= colors) ColorNotInTable();
        size_t run = 1;
        while (i + run < count && pixels[i + run] == p) ++run;
        i += run;

        strings.assign({-1, p});
        emit(p);
        size_t made = 1;  // length of the string just sent
        size_t left = run - 1;
        while (left > 0) {
            const size_t longest = strings.size() - 1;
            if (!afterClear && made == longest && left >= longest + 1) {
                // The decoder's next free code is the string just sent plus its first pixel.
                strings.push_back(next);
                made = longest + 1;
                emit(strings[made]);
            } else {
                made = std::min(left, longest);
                emit(strings[made]);
            }
            left -= made;
        }
    }
    return next;
}

// ---- image data ----------------------------------------------------------------------------------

void WriteImageData(TStream& out, int bitsPerPixel, int colors, std::span<const uint8_t> pixels, int compression) {
    const int minCodeSize = std::clamp(bitsPerPixel, 2, 8);
    const uint8_t m = static_cast<uint8_t>(minCodeSize);
    out.WriteBuffer(&m, 1);
    {
        TGIFWriter writer(out);
        TCodeWriter codes(writer, minCodeSize);
        int nextFree = codes.FirstFreeCode();
        if (!pixels.empty()) {
            if (compression == 1) {
                TRLEEncoder encoder;
                nextFree = encoder.Compress(codes, pixels, colors);
            } else {
                auto encoder = std::make_unique<TLZWEncoder>();
                nextFree = encoder->Compress(codes, pixels, colors);
            }
        }
        codes.Write(codes.EndCode(), nextFree);
        codes.Flush();
        writer.Flush();
    }
    const uint8_t terminator = 0;
    out.WriteBuffer(&terminator, 1);
}

}  // namespace nox
