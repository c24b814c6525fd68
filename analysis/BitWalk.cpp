// The bit walk: the layout's tables, and reading and writing a line of pixels at a time.
#include "analysis/BitWalk.h"

#include <algorithm>

namespace nox::analysis {

TPixelBits::TPixelBits(const TLayout& layout)
    : count_(layout.BitsPerPixel()),
      channels_(static_cast<unsigned>(layout.Channels.size())),
      planes_(static_cast<unsigned>(layout.Planes.size())) {
    const bool msb = layout.Bits == TBitOrder::Msb;
    groupMask_ = (TColor32{1} << planes_) - 1;
    TColor32 used = 0;
    for (unsigned i = 0; i < channels_; ++i) {
        shift_[i] = ChannelShift(layout.Channels[i]);
        channelBits_ |= TColor32{1} << shift_[i];
        // The first channel's bits come first in the stream: at the top of the value for msb.
        place_[i] = msb ? (channels_ - 1 - i) * planes_ : i * planes_;
    }
    // Within a channel's group the first plane comes first in the same way.
    for (unsigned q = 0; q < planes_; ++q) {
        const unsigned slot = msb ? planes_ - 1 - q : q;
        plane_[q] = layout.Planes[q];
        for (unsigned byte = 0; byte < 256; ++byte) {
            if (byte >> plane_[q] & 1) gather_[byte] = static_cast<uint8_t>(gather_[byte] | 1u << slot);
            if (byte >> slot & 1) scatter_[byte] = static_cast<uint8_t>(scatter_[byte] | 1u << plane_[q]);
        }
        for (unsigned i = 0; i < channels_; ++i) {
            used |= TColor32{1} << (shift_[i] + plane_[q]);
            if (Small()) multiplier_[q] |= TColor32{1} << (24 + place_[i] + slot - shift_[i]);
        }
    }
    keep_ = ~used;
    if (Small())
        for (TColor32 value = 0; value < TColor32{1} << count_; ++value) put_[value] = Put(0, value);
}

namespace {

size_t LineCount(const TBitmap32& picture, bool columns) {
    return picture.IsEmpty() ? 0 : static_cast<size_t>(columns ? picture.Width() : picture.Height());
}
size_t LineLength(const TBitmap32& picture, bool columns) {
    return static_cast<size_t>(columns ? picture.Height() : picture.Width());
}

uint32_t LoadBig(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }
uint32_t LoadLittle(const uint8_t* p) { return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]; }

void StoreBig(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24), p[1] = static_cast<uint8_t>(v >> 16), p[2] = static_cast<uint8_t>(v >> 8), p[3] = static_cast<uint8_t>(v);
}
void StoreLittle(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8), p[2] = static_cast<uint8_t>(v >> 16), p[3] = static_cast<uint8_t>(v >> 24);
}

// The bit stream's accumulator: `held` bits waiting in `acc`, the oldest at the top (msb) or at
// the bottom (lsb).
template <TBitOrder Order>
struct TBitStream {
    uint64_t acc;
    unsigned held;

    void Add(TColor32 value, unsigned count) {
        if constexpr (Order == TBitOrder::Msb) acc = acc << count | value;
        else acc |= uint64_t{value} << held;
        held += count;
    }
    uint8_t TakeByte() {
        if constexpr (Order == TBitOrder::Msb) {
            held -= 8;
            return static_cast<uint8_t>(acc >> held);
        } else {
            const auto byte = static_cast<uint8_t>(acc);
            acc >>= 8;
            held -= 8;
            return byte;
        }
    }
    void TakeWord(uint8_t* out) {
        if constexpr (Order == TBitOrder::Msb) {
            held -= 32;
            StoreBig(out, static_cast<uint32_t>(acc >> held));
        } else {
            StoreLittle(out, static_cast<uint32_t>(acc));
            acc >>= 32;
            held -= 32;
        }
    }
    void AddByte(uint8_t byte) {
        if constexpr (Order == TBitOrder::Msb) acc = acc << 8 | byte;
        else acc |= uint64_t{byte} << held;
        held += 8;
    }
    TColor32 Take(unsigned count, TColor32 mask) {
        if constexpr (Order == TBitOrder::Msb) {
            held -= count;
            return static_cast<TColor32>(acc >> held) & mask;
        } else {
            const TColor32 value = static_cast<TColor32>(acc) & mask;
            acc >>= count;
            held -= count;
            return value;
        }
    }
};

// The ways to take a pixel's value, each holding what it needs by value so that the loop keeps it
// in registers: one plane (every scan layout but 01), up to 8 bits, and any layout.
struct TOnePlane {
    unsigned plane;
    TColor32 channelBits, multiplier;
    explicit TOnePlane(const TPixelBits& bits)
        : plane(bits.Plane(0)), channelBits(bits.ChannelBits()), multiplier(bits.Multiplier(0)) {}
    TColor32 operator()(TColor32 pixel) const { return ((pixel >> plane) & channelBits) * multiplier >> 24; }
};

struct TSmallValue {
    const TPixelBits& bits;
    explicit TSmallValue(const TPixelBits& b) : bits(b) {}
    TColor32 operator()(TColor32 pixel) const { return bits.GetSmall(pixel); }
};

struct TAnyValue {
    const TPixelBits& bits;
    explicit TAnyValue(const TPixelBits& b) : bits(b) {}
    TColor32 operator()(TColor32 pixel) const { return bits.Get(pixel); }
};

// Reads pixels of one line from `pos` until the line or the output ends. Stride 1 (a row) is its
// own instance so that the loads are plain sequential reads. While the output has room, bytes go
// out four at a time; the last few one at a time.
template <TBitOrder Order, bool Row, class Value>
void ReadLine(const TPixelBits& bits, const TColor32* line, size_t stride, size_t length, size_t& pos,
              TBitStream<Order>& stream, uint8_t*& outRef, uint8_t* end) {
    const Value value(bits);
    TBitStream<Order> s = stream;
    uint8_t* out = outRef;
    const unsigned count = bits.Count();
    size_t i = pos;
    if (end - out > 4) {
        // Whole words never run past end - 4 if at most this many bits come in.
        const size_t room = static_cast<size_t>(end - out - 4) * 8;
        const size_t stop = i + std::min(length - i, room > s.held ? (room - s.held) / count : 0);
        for (; i < stop; ++i) {
            s.Add(value(line[Row ? i : i * stride]), count);
            if (s.held >= 32) {
                s.TakeWord(out);
                out += 4;
            }
        }
    }
    for (;;) {
        while (s.held >= 8 && out < end) *out++ = s.TakeByte();
        if (out == end || i == length) break;
        s.Add(value(line[Row ? i : i * stride]), count);
        ++i;
    }
    pos = i;
    stream = s;
    outRef = out;
}

template <TBitOrder Order, bool Row>
void ReadLineOf(const TPixelBits& bits, const TColor32* line, size_t stride, size_t length, size_t& pos,
                TBitStream<Order>& stream, uint8_t*& out, uint8_t* end) {
    if (bits.Small() && bits.Planes() == 1) ReadLine<Order, Row, TOnePlane>(bits, line, stride, length, pos, stream, out, end);
    else if (bits.Small()) ReadLine<Order, Row, TSmallValue>(bits, line, stride, length, pos, stream, out, end);
    else ReadLine<Order, Row, TAnyValue>(bits, line, stride, length, pos, stream, out, end);
}

template <TBitOrder Order>
void ReadLines(const TBitmap32& picture, const TPixelBits& bits, bool columns, size_t lines, size_t length,
               TWalkPosition& at, uint64_t& acc, unsigned& held, uint8_t*& out, uint8_t* end) {
    TBitStream<Order> stream{acc, held};
    const size_t stride = columns ? static_cast<size_t>(picture.Width()) : 1;
    while (stream.held >= 8 && out < end) *out++ = stream.TakeByte();
    while (out < end && at.Line < lines) {
        const TColor32* line = columns ? picture.Bits() + at.Line : picture.RowAddress(static_cast<int32_t>(at.Line));
        if (columns) ReadLineOf<Order, false>(bits, line, stride, length, at.Pos, stream, out, end);
        else ReadLineOf<Order, true>(bits, line, stride, length, at.Pos, stream, out, end);
        if (at.Pos == length) at = {at.Line + 1, 0};
    }
    acc = stream.acc;
    held = stream.held;
}

// Writes the bytes from `in` into the pixels from `at` on, as far as whole pixels go; the bits of
// a last pixel not yet full stay in the stream. Bytes are taken one at a time, so the stream holds
// nothing whenever the pixels so far took whole bytes; from there a small layout writes 8 pixels
// from `count` bytes at once.
template <TBitOrder Order, bool Small>
void WriteLines(TBitmap32& picture, const TPixelBits& bits, bool columns, size_t lines, size_t length,
                TWalkPosition& at, uint64_t& acc, unsigned& held, const uint8_t* in, const uint8_t* end) {
    TBitStream<Order> s{acc, held};
    const unsigned count = bits.Count();
    const TColor32 mask = count == 32 ? ~TColor32{0} : (TColor32{1} << count) - 1;
    const size_t stride = columns ? static_cast<size_t>(picture.Width()) : 1;
    const TColor32 keep = bits.Keep();
    const TColor32* const table = bits.PutTable();
    while (at.Line < lines) {
        TColor32* line = columns ? picture.Bits() + at.Line : picture.RowAddress(static_cast<int32_t>(at.Line));
        size_t i = at.Pos;
        while (i < length) {
            if (Small && s.held == 0 && length - i >= 8 && end - in >= 8) {
                // 8 values of `count` bits in the first `count` of 8 bytes read at once.
                const uint64_t word = Order == TBitOrder::Msb ? uint64_t{LoadBig(in)} << 32 | LoadBig(in + 4)
                                                              : uint64_t{LoadLittle(in + 4)} << 32 | LoadLittle(in);
                in += count;
                for (unsigned j = 0; j < 8; ++j) {
                    const auto value = static_cast<TColor32>(Order == TBitOrder::Msb ? word >> (64 - count * (j + 1)) : word >> (count * j)) & mask;
                    TColor32& pixel = line[(i + j) * stride];
                    pixel = (pixel & keep) | table[value];
                }
                i += 8;
                continue;
            }
            while (s.held < count && in < end) s.AddByte(*in++);
            if (s.held < count) break;
            TColor32& pixel = line[i * stride];
            const TColor32 value = s.Take(count, mask);
            pixel = Small ? (pixel & keep) | table[value] : bits.Put(pixel, value);
            ++i;
        }
        at.Pos = i;
        if (i < length) break;  // the bytes ran out inside this line
        at = {at.Line + 1, 0};
    }
    acc = s.acc;
    held = s.held;
}

}  // namespace

TBitReader::TBitReader(const TBitmap32& picture, const TLayout& layout, uint64_t startByte)
    : picture_(picture),
      bits_(layout),
      order_(layout.Bits),
      columns_(layout.Order == TPixelOrder::Columns),
      lines_(LineCount(picture, columns_)),
      length_(LineLength(picture, columns_)) {
    const uint64_t capacity = Capacity(picture.Width(), picture.Height(), layout);
    remaining_ = startByte < capacity ? capacity - startByte : 0;
    if (remaining_ == 0) {
        at_.Line = lines_;
        return;
    }
    const uint64_t bit = startByte * 8;
    const uint64_t pixel = bit / bits_.Count();
    const auto skip = static_cast<unsigned>(bit % bits_.Count());
    at_ = {static_cast<size_t>(pixel / length_), static_cast<size_t>(pixel % length_)};
    if (skip == 0) return;
    // The start lies inside a pixel: hold the bits of that pixel after the start.
    const size_t stride = columns_ ? static_cast<size_t>(picture.Width()) : 1;
    const TColor32* line = columns_ ? picture.Bits() + at_.Line : picture.RowAddress(static_cast<int32_t>(at_.Line));
    const TColor32 value = bits_.Get(line[at_.Pos * stride]);
    held_ = bits_.Count() - skip;
    acc_ = order_ == TBitOrder::Msb ? value & ((uint64_t{1} << held_) - 1) : value >> skip;
    if (++at_.Pos == length_) at_ = {at_.Line + 1, 0};
}

size_t TBitReader::Read(std::span<uint8_t> out) {
    uint8_t* next = out.data();
    uint8_t* const end = next + std::min<uint64_t>(out.size(), remaining_);
    if (order_ == TBitOrder::Msb) ReadLines<TBitOrder::Msb>(picture_, bits_, columns_, lines_, length_, at_, acc_, held_, next, end);
    else ReadLines<TBitOrder::Lsb>(picture_, bits_, columns_, lines_, length_, at_, acc_, held_, next, end);
    const auto done = static_cast<size_t>(next - out.data());
    remaining_ -= done;
    return done;
}

TBitWriter::TBitWriter(TBitmap32& picture, const TLayout& layout)
    : picture_(picture),
      bits_(layout),
      order_(layout.Bits),
      columns_(layout.Order == TPixelOrder::Columns),
      lines_(LineCount(picture, columns_)),
      length_(LineLength(picture, columns_)) {}

TColor32* TBitWriter::Pixel(const TWalkPosition& at) const {
    return columns_ ? picture_.Bits() + at.Pos * static_cast<size_t>(picture_.Width()) + at.Line
                    : picture_.RowAddress(static_cast<int32_t>(at.Line)) + at.Pos;
}

void TBitWriter::Write(std::span<const uint8_t> bytes) {
    const uint8_t* in = bytes.data();
    const uint8_t* end = in + bytes.size();
    if (order_ == TBitOrder::Msb)
        bits_.Small() ? WriteLines<TBitOrder::Msb, true>(picture_, bits_, columns_, lines_, length_, at_, acc_, held_, in, end)
                      : WriteLines<TBitOrder::Msb, false>(picture_, bits_, columns_, lines_, length_, at_, acc_, held_, in, end);
    else
        bits_.Small() ? WriteLines<TBitOrder::Lsb, true>(picture_, bits_, columns_, lines_, length_, at_, acc_, held_, in, end)
                      : WriteLines<TBitOrder::Lsb, false>(picture_, bits_, columns_, lines_, length_, at_, acc_, held_, in, end);
}

void TBitWriter::Finish() {
    if (held_ == 0 || at_.Line >= lines_) return;
    const unsigned count = bits_.Count();
    // The held bits are the first of the pixel's value: its top bits for msb, its low bits for lsb.
    const TColor32 heldMask = (TColor32{1} << held_) - 1;
    const unsigned up = order_ == TBitOrder::Msb ? count - held_ : 0;
    const TColor32 value = (static_cast<TColor32>(acc_) & heldMask) << up;
    const TColor32 written = bits_.Put(0, heldMask << up);
    TColor32& pixel = *Pixel(at_);
    pixel = (pixel & ~written) | (bits_.Put(pixel, value) & written);
    held_ = 0;
}

}  // namespace nox::analysis
