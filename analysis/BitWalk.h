// The walk over a picture's bits in a layout, both ways: reading them as bytes (extract, scan,
// reveal) and writing bytes into them (hide). The walk goes a whole row (or column) at a time with
// the layout's tables ready, so a bit costs a few shifts and no call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "analysis/Layout.h"
#include "image/Bitmap32.h"

namespace nox::analysis {

// One pixel's bits in a layout as one value of BitsPerPixel bits (1 to 32): the first bit taken at
// the top for msb, at bit 0 for lsb, so that the bytes are the value's bits in stream order.
class TPixelBits {
public:
    explicit TPixelBits(const TLayout& layout);
    unsigned Count() const { return count_; }
    // Up to 8 bits a pixel (every scan layout, every one-plane layout), GetSmall does the same as
    // Get with a multiplication per plane, and Put is one look-up in PutTable.
    bool Small() const { return count_ <= 8; }
    TColor32 GetSmall(TColor32 pixel) const {
        // For each plane the channels' bits (8 apart) are multiplied into bits 24-31 at their
        // places in the value; every other product lands below bit 24 or above bit 31, and no two
        // products share a bit, so nothing carries into the value.
        TColor32 value = 0;
        for (unsigned q = 0; q < planes_; ++q) value |= ((pixel >> plane_[q]) & channelBits_) * multiplier_[q] >> 24;
        return value;
    }
    // What GetSmall and a small Put read, for loops that keep it in registers: the bytes they write
    // could be these members as far as the compiler knows.
    unsigned Planes() const { return planes_; }
    unsigned Plane(unsigned q) const { return plane_[q]; }
    TColor32 Multiplier(unsigned q) const { return multiplier_[q]; }
    TColor32 ChannelBits() const { return channelBits_; }
    TColor32 Keep() const { return keep_; }
    const TColor32* PutTable() const { return put_.data(); }
    TColor32 Get(TColor32 pixel) const {
        TColor32 value = 0;
        for (unsigned i = 0; i < channels_; ++i) value |= TColor32{gather_[(pixel >> shift_[i]) & 0xFF]} << place_[i];
        return value;
    }
    // The pixel with the layout's bits replaced by `value`'s, every other bit unchanged.
    TColor32 Put(TColor32 pixel, TColor32 value) const {
        TColor32 bits = 0;
        for (unsigned i = 0; i < channels_; ++i) bits |= TColor32{scatter_[(value >> place_[i]) & groupMask_]} << shift_[i];
        return (pixel & keep_) | bits;
    }

private:
    unsigned count_, channels_, planes_;
    TColor32 groupMask_, keep_, channelBits_ = 0;
    std::array<unsigned, 4> shift_{}, place_{};  // a channel's place in the pixel and in the value
    std::array<uint8_t, 256> gather_{}, scatter_{};  // channel byte -> its planes' bits, and back
    std::array<unsigned, 8> plane_{};
    std::array<TColor32, 8> multiplier_{};
    std::array<TColor32, 256> put_{};  // a small value -> the pixel bits it sets (2^Count entries)
};

// Which pixel comes next: rows of pixels (left to right, top row first) or columns (top to bottom,
// left column first), as lines of pixels with a stride.
struct TWalkPosition {
    size_t Line = 0, Pos = 0;
};

class TBitReader {
public:
    // Starts at byte `startByte` of the layout's bytes (at the end when that is past the capacity).
    TBitReader(const TBitmap32& picture, const TLayout& layout, uint64_t startByte = 0);
    // Fills `out` with the next bytes and returns how many: fewer only at the end of the capacity
    // (a last partial byte is never produced).
    size_t Read(std::span<uint8_t> out);
    uint64_t Remaining() const { return remaining_; }

private:
    const TBitmap32& picture_;
    TPixelBits bits_;
    TBitOrder order_;
    bool columns_;
    size_t lines_, length_;
    TWalkPosition at_;
    uint64_t acc_ = 0;
    unsigned held_ = 0;  // bits waiting in acc_
    uint64_t remaining_;
};

class TBitWriter {
public:
    // Writes from byte 0 of the layout's bytes.
    TBitWriter(TBitmap32& picture, const TLayout& layout);
    // Writes the next bytes. Bits past the capacity are dropped: callers check the size first.
    void Write(std::span<const uint8_t> bytes);
    // Writes the bits still held for a pixel not yet full (its other bits stay as they were).
    void Finish();

private:
    TColor32* Pixel(const TWalkPosition& at) const;

    TBitmap32& picture_;
    TPixelBits bits_;
    TBitOrder order_;
    bool columns_;
    size_t lines_, length_;
    TWalkPosition at_;
    uint64_t acc_ = 0;
    unsigned held_ = 0;
};

}  // namespace nox::analysis
