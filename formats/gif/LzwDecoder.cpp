// The GIF LZW decoder: a prefix table and a suffix table of 4096 entries and a string stack, all
// in fixed storage of the call; strings are built backwards on the stack and copied out whole.
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

}  // namespace

TLZWResult DecodeLZW(std::span<const uint8_t> codes, int minCodeSize, size_t pixelCount, TPixelBytes& out) {
    // A minimum code size above 11 would need codes wider than the 12 bits the tables hold.
    if (minCodeSize < 0 || minCodeSize > 11) throw GIFException(gifmsg::kInvalidData);

    TLZWResult result;
    if (pixelCount == 0) return result;

    uint16_t prefix[kTableSize];
    uint8_t suffix[kTableSize];
    // The length each entry's string had when the entry was made. In a sound stream that is its
    // length for good, which lets a string be written straight into place from its last byte; a
    // damaged stream can change an entry that others lead through, so a walk that does not end
    // where the length says is done again on the stack.
    uint16_t length[kTableSize];
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
    // Room for indices is made ahead in steps (only as far as decoded strings reach), and the
    // output is cut back to what was produced at the end.
    size_t room = std::min<size_t>(pixelCount, std::max<size_t>(out.capacity() - start, 4096));
    out.resize(start + room);
    uint8_t* dst = out.data() + start;
    auto makeRoom = [&](size_t n) {
        if (produced + n <= room) return;
        room = std::min(pixelCount, std::max(produced + n, room * 2));
        out.resize(start + room);
        dst = out.data() + start;
    };

    // The string of `code` (with `extra` appended when it is not 0 .. 255) written at the output
    // from its last byte back, if the table holds it as its length says. Returns its length, or 0.
    auto writeInPlace = [&](int code, int extra) -> size_t {
        const size_t n = static_cast<size_t>(length[code]) + (extra >= 0 ? 1 : 0);
        if (n > pixelCount - produced) return 0;
        makeRoom(n);
        uint8_t* p = dst + produced + n;
        if (extra >= 0) *--p = static_cast<uint8_t>(extra);
        int walk = code;
        for (size_t steps = length[code]; --steps > 0;) {
            if (walk < clearCode) return 0;
            *--p = suffix[walk];
            walk = prefix[walk];
        }
        if (walk >= clearCode) return 0;
        *--p = suffix[walk];
        return n;
    };

    // The first request gives the clear code without reading anything.
    int code = clearCode;
    for (;;) {
        if (code == clearCode) {
            for (int i = 0; i < clearCode; ++i) {
                prefix[i] = 0;
                suffix[i] = static_cast<uint8_t>(i);
                length[i] = 1;
            }
            // Entries not yet made lead to entry 0: two bytes of suffix 0.
            std::memset(prefix + clearCode, 0, sizeof(prefix[0]) * static_cast<size_t>(kTableSize - clearCode));
            std::memset(suffix + clearCode, 0, static_cast<size_t>(kTableSize - clearCode));
            std::fill(length + clearCode, length + kTableSize, uint16_t{2});
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
            makeRoom(1);
            dst[produced++] = firstByte;
        } else if (code == endCode) {
            result.EndCode = true;
            break;
        } else {
            // A code not yet in the table is the previous string and its own first byte.
            const bool pending = code >= nextFree;
            size_t n = pending ? writeInPlace(previous, firstByte) : writeInPlace(code, -1);
            if (n) {
                firstByte = dst[produced];
                produced += n;
            } else {
                // The walk on the stack, which also catches circular chains.
                uint8_t* sp = stackEnd;
                int walk = code;
                if (pending) {
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
                n = std::min(static_cast<size_t>(stackEnd - sp), pixelCount - produced);
                makeRoom(n);
                std::memcpy(dst + produced, sp, n);
                produced += n;
            }
            if (nextFree < kTableSize) {
                prefix[nextFree] = static_cast<uint16_t>(previous);
                suffix[nextFree] = firstByte;
                length[nextFree] = static_cast<uint16_t>(std::min<int>(length[previous] + 1, kTableSize + 1));
                ++nextFree;
                if (nextFree >= codeLimit && codeLimit < kTableSize) {
                    codeLimit <<= 1;
                    ++codeSize;
                }
            }
            previous = code;
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
    out.resize(start + produced);
    result.Pixels = produced;
    return result;
}

}  // namespace nox
