// The GIF image-data coders: the sub-block writer (TGIFWriter), the string table of the LZW
// encoder (THashTable), the code packer, the LZW encoder and the run-length encoder, which also
// produces a valid LZW code stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/Stream.h"

namespace nox {

// A stream of the GIF unit that can only be written: reading and seeking fail with
// GIFException "Invalid stream operation".
class TGIFStream : public TStream {
public:
    size_t Read(void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;
};

// Gathers bytes into data sub-blocks: each 255 bytes become the size byte 255 and the bytes;
// Flush adds what is pending as a last, shorter sub-block (never one of size 0). Finished
// sub-blocks are handed to the stream in batches, since a file stream writes unbuffered.
class TGIFWriter final : public TGIFStream {
public:
    explicit TGIFWriter(TStream& out) : out_(out) { staged_.reserve(kBatch + 256); }

    size_t Write(const void* buffer, size_t count) override;
    void Put(uint8_t byte) {
        block_[1 + pending_] = byte;
        if (++pending_ == 255) WriteBlock();
    }
    // Writes the last sub-block and everything gathered.
    void Flush();

private:
    static constexpr size_t kBatch = 64 * 256;
    void WriteBlock();

    TStream& out_;
    std::array<uint8_t, 256> block_{};  // size byte, then up to 255 bytes
    size_t pending_ = 0;
    std::vector<uint8_t> staged_;       // finished sub-blocks not yet written
};

// The LZW encoder's string table: 8009 slots of key x 4096 + code, all bits set when empty, where
// the key of string s followed by pixel p is s x 256 + p. The first slot tried is
// (key xor (key >> 4)) mod 8009, the next one twice the current mod 8009 (from slot 0: slot
// 8008). At most 3837 strings are ever entered, so a probe always finds either its key or a free
// slot.
//
// Speed: key xor (key >> 4) = ((s xor (s >> 4)) << 8) + (((s & 15) << 4) xor p xor (p >> 4)), so
// the first slot is a share that depends on s only, taken mod 8009 beforehand, plus a rest below
// 256. The sum is used as an index as it is: slots 8009 to 8264 repeat slots 0 to 255, so no
// reduction is needed either. Each slot also keeps what the first slot depends on for the code
// stored in it, so that after a hit the next lookup needs neither a division nor a second
// dependent load.
class THashTable {
public:
    static constexpr int kSize = 8009;
    THashTable() { Clear(); }
    void Clear() { slots_.fill(0xFFFFFFFFu); }

    // What the first slot of string s depends on: its share ((s xor (s >> 4)) << 8) mod 8009 in
    // the low 16 bits, (s & 15) << 4 above them.
    static uint32_t Hash(uint32_t s) { return kShares[s] | ((s & 15) << 20); }
    // The first slot of string s followed by p, given Hash(s); 8009 and above stand for 0 and up.
    static int FirstSlot(uint32_t hash, uint32_t p) {
        return static_cast<int>((hash & 0xFFFF) + ((hash >> 16) ^ p ^ (p >> 4)));
    }
    static int Canonical(int slot) { return slot >= kSize ? slot - kSize : slot; }
    static int NextSlot(int slot) {
        slot = Canonical(slot);
        if (slot == 0) return kSize - 1;
        const int twice = 2 * slot;
        return twice >= kSize ? twice - kSize : twice;
    }

    // The code of s followed by p, or -1; `slot` gets the slot (0 to 8008) where it is or would go.
    int Find(uint32_t s, uint32_t p, int& slot) const {
        const int code = FindFrom(FirstSlot(Hash(s), p), (s << 8) | p, slot);
        slot = Canonical(slot);
        return code;
    }
    // As Find from a first slot; `slot` may be a repeated slot (8009 and above).
    int FindFrom(int first, uint32_t key, int& slot) const {
        int at = first;
        for (;;) {
            const uint32_t v = slots_[static_cast<size_t>(at)];
            // An empty slot's key field (0xFFFFF) is above every key (at most 4094 x 256 + 255).
            if ((v >> 12) == key) {
                slot = at;
                return static_cast<int>(v & 0xFFF);
            }
            if (v >= 0xFFFFF000u) {
                slot = at;
                return -1;
            }
            at = NextSlot(at);
        }
    }
    void Insert(int slot, uint32_t key, int code) {
        const size_t at = static_cast<size_t>(Canonical(slot));
        const uint32_t value = (key << 12) | static_cast<uint32_t>(code);
        const uint32_t hash = Hash(static_cast<uint32_t>(code));
        slots_[at] = value;
        hashes_[at] = hash;
        if (at < kRepeated) {
            slots_[at + kSize] = value;
            hashes_[at + kSize] = hash;
        }
    }
    // Hash() of the code found at `slot` (valid after FindFrom returned a code there).
    uint32_t HashAt(int slot) const { return hashes_[static_cast<size_t>(slot)]; }

private:
    static constexpr size_t kRepeated = 256;
    static const std::array<uint16_t, 4096> kShares;
    std::array<uint32_t, kSize + kRepeated> slots_;
    std::array<uint32_t, kSize + kRepeated> hashes_{};
};

// Packs codes least significant bit first at the current width and follows the GIF width rule:
// after a clear code the width returns to m + 1; otherwise it grows by one when the next free
// code exceeds the largest code of the width, stopping at 12 bits.
//
// Speed: codes gather in a 64-bit word that is stored eight bytes at a time into a chunk of whole
// sub-blocks, so the coder's loop makes no call per byte; the chunk goes to the sub-block writer
// when full and on Flush. The LZW loop takes the packer's running state (TBits) into local
// variables for a block of pixels and puts it back after: kept in the writer, it would be stored
// and loaded again around every code, since the chunk's bytes may alias anything.
class TCodeWriter {
public:
    struct TBits {
        uint64_t Accumulator = 0;
        int Count = 0;    // bits pending in Accumulator
        int Width = 0;    // the width of the next code
        int MaxCode = 0;  // the largest code of that width (4096 once the width is 12)
        size_t Used = 0;  // bytes of the chunk in use, below kChunk between calls
    };

    TCodeWriter(TGIFWriter& out, int minCodeSize);

    int ClearCode() const { return clear_; }
    int EndCode() const { return clear_ + 1; }
    int FirstFreeCode() const { return clear_ + 2; }
    int Width() const { return bits_.Width; }

    // Writes `code`, then applies the width rule for `nextFree`, the encoder's next free code.
    void Write(int code, int nextFree) {
        if (code == clear_) {
            WriteClear(bits_);
        } else {
            Write(bits_, code, nextFree);
        }
    }

    // The running state, for a loop to keep in locals, and back.
    TBits Take() const { return bits_; }
    void Put(const TBits& bits) { bits_ = bits; }
    // Writes the clear code, on state taken with Take(); the width returns to m + 1.
    void WriteClear(TBits& bits) {
        Append(bits, clear_);
        bits.Width = minCodeSize_ + 1;
        bits.MaxCode = (1 << bits.Width) - 1;
    }
    // Write of a code other than the clear code, on state taken with Take().
    void Write(TBits& bits, int code, int nextFree) {
        Append(bits, code);
        if (nextFree > bits.MaxCode) {
            ++bits.Width;
            bits.MaxCode = bits.Width >= 12 ? 4096 : (1 << bits.Width) - 1;
        }
    }

    // Writes the bits still pending (the last byte's high bits 0) and hands everything gathered
    // to the sub-block writer.
    void Flush();

private:
    static constexpr size_t kChunk = 64 * 255;
    void Append(TBits& bits, int code) {
        bits.Accumulator |= static_cast<uint64_t>(code) << bits.Count;
        bits.Count += bits.Width;
        // Another code of up to 12 bits must still fit in the word.
        if (bits.Count > 64 - 12) Spill(bits);
    }
    // Stores the word's whole bytes into the chunk (inline: it runs every few codes); passes the
    // chunk on when it is full.
    void Spill(TBits& bits) {
        // The stream is little-endian, like the word: its low bytes come first.
        uint8_t word[8];
        for (int i = 0; i < 8; ++i) word[i] = static_cast<uint8_t>(bits.Accumulator >> (8 * i));
        std::memcpy(chunk_.data() + bits.Used, word, 8);
        const int whole = bits.Count >> 3;
        bits.Used += static_cast<size_t>(whole);
        bits.Accumulator = whole == 8 ? 0 : bits.Accumulator >> (8 * whole);
        bits.Count &= 7;
        if (bits.Used >= kChunk) PassChunkOn(bits);
    }
    void PassChunkOn(TBits& bits);

    TGIFWriter& out_;
    int minCodeSize_;
    int clear_;
    TBits bits_;
    std::array<uint8_t, kChunk + 8> chunk_;  // room for one 8-byte store past kChunk
};

// The code stream of a frame's pixels (without the end code, which the caller writes).
class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;
    // Codes `pixels`, each of which must be below `colors` (else GIFException "Color not in color
    // table"). Returns the next free code for the end code's width rule.
    virtual int Compress(TCodeWriter& codes, std::span<const uint8_t> pixels, int colors) = 0;
};

// LZW with the 8009-slot string table; the table is cleared when the next free code would be
// 4095, so codes never pass 12 bits.
class TLZWEncoder final : public TGIFEncoder {
public:
    int Compress(TCodeWriter& codes, std::span<const uint8_t> pixels, int colors) override;

private:
    THashTable table_;
};

// Codes runs of equal pixels without a string table: a run of p is sent as the strings p, pp,
// ppp, ... (each code the decoder's next free one, which it builds from the previous string and
// its first pixel), then the longest string made so far that fits what is left.
class TRLEEncoder final : public TGIFEncoder {
public:
    int Compress(TCodeWriter& codes, std::span<const uint8_t> pixels, int colors) override;
};

namespace gifmsg {
inline constexpr const char* kInvalidStreamOperation = "Invalid stream operation";
inline constexpr const char* kColorNotInTable = "Color not in color table";
}  // namespace gifmsg

// Writes a frame's image data: the minimum code size (at least 2) directly to `out`, the code
// stream of `pixels` (clear code, codes, end code) in data sub-blocks, and the block terminator 0.
// `compression` 1 selects the run-length encoder, any other value LZW. `pixels` empty writes only
// the end code.
void WriteImageData(TStream& out, int bitsPerPixel, int colors, std::span<const uint8_t> pixels, int compression);

}  // namespace nox
