// The GIF image-data coders.
#include "formats/gif/LzwEncoder.h"

#include <algorithm>
#include <array>
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

// For string s: Hash() of the string s + p << 32 | p << 16 | the code of s + p, where p is the
// pixel that followed s last time the coder looked s + p up; all bits set for none. A remembered
// string is one the table holds, until the table is cleared.
using TFollowers = std::array<uint64_t, 4096>;
constexpr uint64_t kNoFollower = ~uint64_t{0};

struct TLZWState {
    uint32_t String;  // code of the string so far
    uint32_t Hash;    // THashTable::Hash(String)
    int NextFree;
};

// The LZW loop over one block of pixels, with the colour check compiled in only for tables of
// fewer than 256 entries.
//
// Speed: with kRemember, the loop first asks the followers: in a run of equal pixels, and wherever
// a string is followed by the same pixel as last time, the next string is then one load away,
// without the table's hashing and probing (flat pictures code about twice as fast). Where pixels
// change often, that extra question costs more than it saves, so blocks with few runs go without.
template <bool kCheck, bool kRemember>
void CodeBlock(THashTable& table, TFollowers& followers, TCodeWriter& codes, std::span<const uint8_t> block,
               int colors, int first, TLZWState& state) {
    uint32_t s = state.String, hash = state.Hash;
    int nextFree = state.NextFree;
    TCodeWriter::TBits bits = codes.Take();
    const auto remember = [&followers](uint32_t string, uint32_t p, uint32_t code, uint32_t codeHash) {
        followers[string] = static_cast<uint64_t>(codeHash) << 32 | p << 16 | code;
    };
    for (const uint32_t p : block) {
        if (kCheck && static_cast<int>(p) >= colors) ColorNotInTable();
        if constexpr (kRemember) {
            const uint64_t last = followers[s];
            if (static_cast<uint32_t>(last >> 16 & 0xFFFF) == p) {
                s = static_cast<uint32_t>(last & 0xFFFF);
                hash = static_cast<uint32_t>(last >> 32);
                continue;
            }
        }
        const uint32_t key = (s << 8) | p;
        int slot;
        const int code = table.FindFrom(THashTable::FirstSlot(hash, p), key, slot);
        if (code >= 0) {
            hash = table.HashAt(slot);
            if constexpr (kRemember) remember(s, p, static_cast<uint32_t>(code), hash);
            s = static_cast<uint32_t>(code);
            continue;
        }
        codes.Write(bits, static_cast<int>(s), nextFree);
        if (nextFree > kLastFreeCode) {
            codes.WriteClear(bits);
            table.Clear();
            followers.fill(kNoFollower);
            nextFree = first;
        } else {
            if constexpr (kRemember)
                remember(s, p, static_cast<uint32_t>(nextFree), THashTable::Hash(static_cast<uint32_t>(nextFree)));
            table.Insert(slot, key, nextFree++);
        }
        s = p;
        hash = THashTable::Hash(p);
    }
    codes.Put(bits);
    state = {s, hash, nextFree};
}

// Blocks in which at least this share of pixels (in 1/16) repeat the one before go through the
// followers.
constexpr size_t kBlockPixels = 16384;
constexpr size_t kRunShareForFollowers = 14;

template <bool kCheck>
int CompressLZW(THashTable& table, TCodeWriter& codes, std::span<const uint8_t> pixels, int colors) {
    const int first = codes.FirstFreeCode();
    table.Clear();
    TFollowers followers;
    followers.fill(kNoFollower);
    codes.Write(codes.ClearCode(), first);
    if (kCheck && pixels[0] >= colors) ColorNotInTable();
    TLZWState state{pixels[0], THashTable::Hash(pixels[0]), first};
    for (size_t start = 1; start < pixels.size(); start += kBlockPixels) {
        const std::span<const uint8_t> block = pixels.subspan(start, std::min(kBlockPixels, pixels.size() - start));
        // One pixel in eight tells the share well enough, at an eighth of the cost.
        size_t repeats = 0, looked = 0;
        for (size_t i = 0; i < block.size(); i += 8, ++looked) repeats += block[i] == pixels[start + i - 1];
        if (repeats * 16 >= looked * kRunShareForFollowers)
            CodeBlock<kCheck, true>(table, followers, codes, block, colors, first, state);
        else
            CodeBlock<kCheck, false>(table, followers, codes, block, colors, first, state);
    }
    codes.Write(static_cast<int>(state.String), state.NextFree);
    return state.NextFree;
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
    : out_(out), minCodeSize_(minCodeSize), clear_(1 << minCodeSize) {
    bits_.Width = minCodeSize + 1;
    bits_.MaxCode = (1 << (minCodeSize + 1)) - 1;
}

void TCodeWriter::PassChunkOn(TBits& bits) {
    out_.Write(chunk_.data(), bits.Used);
    bits.Used = 0;
}

void TCodeWriter::Flush() {
    for (; bits_.Count > 0; bits_.Count -= 8) {
        chunk_[bits_.Used++] = static_cast<uint8_t>(bits_.Accumulator);
        bits_.Accumulator >>= 8;
    }
    out_.Write(chunk_.data(), bits_.Used);
    bits_.Used = 0;
    bits_.Accumulator = 0;
    bits_.Count = 0;
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
