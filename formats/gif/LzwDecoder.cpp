// The GIF LZW decoder: a prefix table and a suffix table of 4096 entries and a string stack, all
// in fixed storage of the call; strings are built backwards on the stack and copied out whole.
#include "formats/gif/LzwDecoder.h"

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

}  // namespace

TLZWResult DecodeLZW(std::span<const uint8_t> codes, int minCodeSize, size_t pixelCount, std::vector<uint8_t>& out) {
    // A minimum code size above 11 would need codes wider than the 12 bits the tables hold.
    if (minCodeSize < 0 || minCodeSize > 11) throw GIFException(gifmsg::kInvalidData);

    TLZWResult result;
    if (pixelCount == 0) return result;

    uint16_t prefix[kTableSize];
    uint8_t suffix[kTableSize];
    // A string is at most one suffix per table entry plus the repeated first byte.
    uint8_t stack[kTableSize + 2];
    uint8_t* const stackEnd = stack + sizeof(stack);

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    int codeSize = minCodeSize + 1;
    int codeLimit = 1 << codeSize;
    int nextFree = clearCode + 2;
    int previous = 0;
    uint8_t firstByte = 0;

    TCodeReader reader(codes);
    const size_t start = out.size();
    size_t produced = 0;

    // Appends `n` bytes, growing the output only as far as decoded indices need.
    auto emit = [&](const uint8_t* bytes, size_t n) {
        if (n > pixelCount - produced) n = pixelCount - produced;
        const size_t needed = start + produced + n;
        if (needed > out.size()) {
            if (needed > out.capacity()) {
                size_t grown = out.capacity() < 4096 ? 4096 : out.capacity() * 2;
                if (grown > start + pixelCount) grown = start + pixelCount;
                if (grown < needed) grown = needed;
                out.reserve(grown);
            }
            out.resize(needed);
        }
        std::memcpy(out.data() + start + produced, bytes, n);
        produced += n;
    };

    // The first request gives the clear code without reading anything.
    int code = clearCode;
    for (;;) {
        if (code == clearCode) {
            for (int i = 0; i < clearCode; ++i) {
                prefix[i] = 0;
                suffix[i] = static_cast<uint8_t>(i);
            }
            std::memset(prefix + clearCode, 0, sizeof(prefix[0]) * static_cast<size_t>(kTableSize - clearCode));
            std::memset(suffix + clearCode, 0, static_cast<size_t>(kTableSize - clearCode));
            codeSize = minCodeSize + 1;
            codeLimit = 1 << codeSize;
            nextFree = clearCode + 2;
            do {
                code = reader.Next(codeSize, result.Underrun);
            } while (code == clearCode);
            if (code < 0) break;
            if (code == endCode) {
                result.EndCode = true;
                break;
            }
            // The first code after a clear is both the first index and the previous code.
            firstByte = static_cast<uint8_t>(code);
            previous = code;
            emit(&firstByte, 1);
        } else if (code == endCode) {
            result.EndCode = true;
            break;
        } else {
            uint8_t* sp = stackEnd;
            int walk = code;
            if (walk >= nextFree) {
                *--sp = firstByte;
                walk = previous;
            }
            while (walk >= clearCode) {
                if (prefix[walk] == walk || sp == stack + 1) throw GIFException(gifmsg::kCircularTable);
                *--sp = suffix[walk];
                walk = prefix[walk];
            }
            *--sp = suffix[walk];
            firstByte = *sp;
            if (nextFree < kTableSize) {
                prefix[nextFree] = static_cast<uint16_t>(previous);
                suffix[nextFree] = firstByte;
                ++nextFree;
                if (nextFree >= codeLimit && codeLimit < kTableSize) {
                    codeLimit <<= 1;
                    ++codeSize;
                }
            }
            previous = code;
            emit(sp, static_cast<size_t>(stackEnd - sp));
        }
        if (produced == pixelCount) {
            // One more code: the end code normally, or an under-run when the data stops here.
            const int last = reader.Next(codeSize, result.Underrun);
            result.EndCode = last == endCode;
            break;
        }
        code = reader.Next(codeSize, result.Underrun);
        if (code < 0) break;
    }
    result.Pixels = produced;
    return result;
}

}  // namespace nox
