// The GIF LZW decoder in three parts: the code reader, the string table (a prefix table and a
// suffix table of 4096 entries and a string stack, in fixed storage of the call) and the emit step,
// which writes each code's string straight into the output from its last byte.
#include "formats/gif/LzwDecoder.h"

#include <algorithm>
#include <cstring>

#include "formats/gif/GifImage.h"
#include "platform/Errors.h"

namespace nox {

namespace {

constexpr int kTableSize = 4096;

// Reads codes least significant bit first from the joined sub-block bytes.
class TCodeReader {
public:
    explicit TCodeReader(std::span<const uint8_t> bytes) : data_(bytes.data()), bits_(bytes.size() * 8) {}

    // The next code of `size` bits, or -1 when fewer bits remain; `underrun` tells whether no
    // bits at all were left.
    int Next(int size, bool& underrun) {
        if (position_ + static_cast<size_t>(size) > bits_) {
            underrun = position_ >= bits_;
            position_ = bits_;
            return -1;
        }
        const size_t byte = position_ >> 3;
        uint32_t word;
        if (byte + 4 <= bits_ / 8) {
            std::memcpy(&word, data_ + byte, 4);  // the host is little-endian like the stream
        } else {
            word = 0;
            for (size_t i = byte, shift = 0; i < bits_ / 8; ++i, shift += 8) word |= uint32_t{data_[i]} << shift;
        }
        const int code = static_cast<int>((word >> (position_ & 7)) & ((1u << size) - 1));
        position_ += static_cast<size_t>(size);
        return code;
    }

private:
    const uint8_t* data_;
    size_t bits_;
    size_t position_ = 0;
};

// The string table: entry i is the string of entry prefix[i] followed by suffix[i]; the entries
// below the clear code are the single indices. All in fixed storage of the decoding call.
class TStringTable {
public:
    // The entries are made by Reset, which the decoding runs first (its first code is a clear).
    explicit TStringTable(int minCodeSize) : minCodeSize_(minCodeSize), clearCode_(1 << minCodeSize) {}

    // After a clear code: the single indices only, and codes one bit wider than the indices.
    void Reset() {
        for (int i = 0; i < clearCode_; ++i) {
            prefix_[i] = 0;
            suffix_[i] = static_cast<uint8_t>(i);
            length_[i] = 1;
        }
        // Entries not yet made lead to entry 0: two bytes of suffix 0.
        std::memset(prefix_ + clearCode_, 0, sizeof(prefix_[0]) * static_cast<size_t>(kTableSize - clearCode_));
        std::memset(suffix_ + clearCode_, 0, static_cast<size_t>(kTableSize - clearCode_));
        std::fill(length_ + clearCode_, length_ + kTableSize, uint16_t{2});
        codeSize_ = minCodeSize_ + 1;
        codeLimit_ = 1 << codeSize_;
        nextFree_ = clearCode_ + 2;
    }

    int CodeSize() const { return codeSize_; }
    // A code not yet in the table stands for the previous string and its own first byte.
    bool Pending(int code) const { return code >= nextFree_; }

    // The next entry: the string of `previous` followed by `first` (nothing once the table is
    // full); the codes grow by a bit when the next entry needs it.
    void Add(int previous, uint8_t first) {
        if (nextFree_ >= kTableSize) return;
        prefix_[nextFree_] = static_cast<uint16_t>(previous);
        suffix_[nextFree_] = first;
        length_[nextFree_] = static_cast<uint16_t>(std::min<int>(length_[previous] + 1, kTableSize + 1));
        ++nextFree_;
        if (nextFree_ >= codeLimit_ && codeLimit_ < kTableSize) {
            codeLimit_ <<= 1;
            ++codeSize_;
        }
    }

    // The length of the string of `code`, with `extra` appended unless it is -1, as the entry's
    // length says. In a sound stream that is its length for good, which lets the string be written
    // straight into place from its last byte; a damaged stream can change an entry that others
    // lead through, so a walk that does not end where the length says is done on the stack.
    size_t Length(int code, int extra) const { return static_cast<size_t>(length_[code]) + (extra >= 0 ? 1 : 0); }

    // Writes that string backwards so that it ends at `end`; false when the walk does not end
    // where the length says.
    bool WriteBefore(uint8_t* end, int code, int extra) const {
        uint8_t* p = end;
        if (extra >= 0) *--p = static_cast<uint8_t>(extra);
        int walk = code;
        for (size_t steps = length_[code]; --steps > 0;) {
            if (walk < clearCode_) return false;
            *--p = suffix_[walk];
            walk = prefix_[walk];
        }
        if (walk >= clearCode_) return false;
        *--p = suffix_[walk];
        return true;
    }

    // The same string however long its walk, built backwards on the stack. GIFException "Circular
    // decoder table entry" for a chain that refers to itself or runs longer than the table.
    std::span<const uint8_t> WalkOnStack(int code, int extra) {
        uint8_t* const stackEnd = stack_ + sizeof(stack_);
        uint8_t* sp = stackEnd;
        if (extra >= 0) *--sp = static_cast<uint8_t>(extra);
        int walk = code;
        while (walk >= clearCode_) {
            if (prefix_[walk] == walk || sp == stack_ + 1) throw GIFException(gifmsg::kCircularTable);
            *--sp = suffix_[walk];
            walk = prefix_[walk];
        }
        *--sp = suffix_[walk];
        return {sp, stackEnd};
    }

private:
    const int minCodeSize_;
    const int clearCode_;
    int codeSize_ = 0;
    int codeLimit_ = 0;
    int nextFree_ = 0;
    uint16_t prefix_[kTableSize];
    uint8_t suffix_[kTableSize];
    uint16_t length_[kTableSize];  // each entry's string length when it was made
    // A string is at most one suffix per table entry plus the repeated first byte.
    uint8_t stack_[kTableSize + 2];
};

// The decoded indices: appended to `out` up to `limit` of them. Room is made ahead in steps (only
// as far as decoded strings reach), and the output is cut back to what was produced at the end.
class TIndexOutput {
public:
    TIndexOutput(TPixelBytes& out, size_t limit)
        : out_(out), start_(out.size()), limit_(limit),
          room_(std::min<size_t>(limit, std::max<size_t>(out.capacity() - start_, 4096))) {
        out_.resize(start_ + room_);
        dst_ = out_.data() + start_;
    }

    size_t Left() const { return limit_ - produced_; }
    // Where the next `n` indices go (at most Left()); they count once Advance says so.
    uint8_t* Reserve(size_t n) {
        if (produced_ + n > room_) {
            room_ = std::min(limit_, std::max(produced_ + n, room_ * 2));
            out_.resize(start_ + room_);
            dst_ = out_.data() + start_;
        }
        return dst_ + produced_;
    }
    void Advance(size_t n) { produced_ += n; }
    // Ends the output at what was produced and returns how many indices that is.
    size_t Finish() {
        out_.resize(start_ + produced_);
        return produced_;
    }

private:
    TPixelBytes& out_;
    const size_t start_;
    const size_t limit_;
    size_t room_;
    size_t produced_ = 0;
    uint8_t* dst_ = nullptr;
};

// The emit step: puts the string of `code` (the previous string and `firstByte` when the code is
// not yet in the table) into the output, as much of it as the output takes, and returns its first
// byte.
uint8_t EmitString(TStringTable& table, TIndexOutput& output, int code, int previous, uint8_t firstByte) {
    const bool pending = table.Pending(code);
    const int of = pending ? previous : code;
    const int extra = pending ? firstByte : -1;
    const size_t n = table.Length(of, extra);
    if (n <= output.Left()) {
        uint8_t* at = output.Reserve(n);
        if (table.WriteBefore(at + n, of, extra)) {
            output.Advance(n);
            return at[0];
        }
    }
    const std::span<const uint8_t> string = table.WalkOnStack(of, extra);
    const size_t taken = std::min(string.size(), output.Left());
    std::memcpy(output.Reserve(taken), string.data(), taken);
    output.Advance(taken);
    return string[0];
}

}  // namespace

TLZWResult DecodeLZW(std::span<const uint8_t> codes, int minCodeSize, size_t pixelCount, TPixelBytes& out) {
    // A minimum code size above 11 would need codes wider than the 12 bits the tables hold.
    if (minCodeSize < 0 || minCodeSize > 11) throw GIFException(gifmsg::kInvalidData);

    TLZWResult result;
    if (pixelCount == 0) return result;

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    TCodeReader reader(codes);
    TStringTable table(minCodeSize);
    TIndexOutput output(out, pixelCount);
    int previous = 0;
    uint8_t firstByte = 0;

    // The first request gives the clear code without reading anything.
    int code = clearCode;
    for (;;) {
        if (code == clearCode) {
            table.Reset();
            do {
                code = reader.Next(table.CodeSize(), result.Underrun);
            } while (code == clearCode);
            if (code < 0) break;
            if (code == endCode) {
                result.EndCode = true;
                break;
            }
            // The first code after a clear is both the first index and the previous code.
            firstByte = static_cast<uint8_t>(code);
            previous = code;
            *output.Reserve(1) = firstByte;
            output.Advance(1);
        } else if (code == endCode) {
            result.EndCode = true;
            break;
        } else {
            firstByte = EmitString(table, output, code, previous, firstByte);
            table.Add(previous, firstByte);
            previous = code;
        }
        if (output.Left() == 0) {
            // One more code: the end code normally, or an under-run when the data stops here.
            const int last = reader.Next(table.CodeSize(), result.Underrun);
            result.EndCode = last == endCode;
            break;
        }
        code = reader.Next(table.CodeSize(), result.Underrun);
        if (code < 0) break;
    }
    result.Pixels = output.Finish();
    return result;
}

}  // namespace nox
