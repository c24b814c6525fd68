// Helpers of the GIF tests: a plain reference LZW coder (no hashing, one map of strings), data
// sub-block packing, a small builder of GIF byte streams, and loading with recorded warnings.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "formats/gif/GifImage.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox::giftest {

// Codes least significant bit first, the way a GIF decoder reads them.
class BitWriter {
public:
    void Put(int code, int width) {
        accumulator_ |= static_cast<uint64_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes.push_back(static_cast<uint8_t>(accumulator_));
            accumulator_ >>= 8;
            bits_ -= 8;
        }
    }
    std::vector<uint8_t> Finish() {
        if (bits_ > 0) bytes.push_back(static_cast<uint8_t>(accumulator_));
        bits_ = 0;
        accumulator_ = 0;
        return bytes;
    }
    std::vector<uint8_t> bytes;

private:
    uint64_t accumulator_ = 0;
    int bits_ = 0;
};

// A plain LZW encoder: clear code first; when `clearWhenFull` the table is cleared once it holds
// 4096 entries, otherwise it stays full and codes stay 12 bits wide. The code width follows the
// decoder's table, which is one entry behind the encoder's. Ends with the end code when `endCode`.
inline std::vector<uint8_t> EncodeLZW(std::span<const uint8_t> pixels, int m, bool clearWhenFull = true,
                                      bool endCode = true) {
    const int clear = 1 << m;
    BitWriter out;
    std::map<std::pair<int, int>, int> table;
    int encoderNext = clear + 2;
    int decoderNext = clear + 2, size = m + 1, limit = 1 << (m + 1);
    bool firstAfterClear = true;
    auto emit = [&](int code) {
        out.Put(code, size);
        if (code == clear) {
            size = m + 1;
            limit = 1 << size;
            decoderNext = clear + 2;
            firstAfterClear = true;
            return;
        }
        if (firstAfterClear) {
            firstAfterClear = false;
            return;
        }
        if (decoderNext < 4096) {
            ++decoderNext;
            if (decoderNext >= limit && limit < 4096) {
                limit <<= 1;
                ++size;
            }
        }
    };
    emit(clear);
    if (pixels.empty()) {
        if (endCode) emit(clear + 1);
        return out.Finish();
    }
    int current = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int p = pixels[i];
        auto it = table.find({current, p});
        if (it != table.end()) {
            current = it->second;
            continue;
        }
        emit(current);
        if (encoderNext < 4096) {
            table[{current, p}] = encoderNext++;
        } else if (clearWhenFull) {
            emit(clear);
            table.clear();
            encoderNext = clear + 2;
        }
        current = p;
    }
    emit(current);
    if (endCode) emit(clear + 1);
    return out.Finish();
}

// Packs `data` into data sub-blocks of at most `blockSize` bytes and the size byte 0.
inline void AppendSubBlocks(std::vector<uint8_t>& out, std::span<const uint8_t> data, size_t blockSize = 255,
                            bool terminator = true) {
    for (size_t i = 0; i < data.size(); i += blockSize) {
        const size_t n = std::min(blockSize, data.size() - i);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                   data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    if (terminator) out.push_back(0);
}

// Builds GIF streams block by block.
struct GifBuilder {
    std::vector<uint8_t> b;

    GifBuilder& Bytes(std::initializer_list<uint8_t> bytes) {
        b.insert(b.end(), bytes);
        return *this;
    }
    GifBuilder& Word(int v) { return Bytes({static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); }
    GifBuilder& Text(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    // "GIF89a" and the logical screen descriptor; a global table of `globalColors` (a power of
    // two from 2 to 256, 0 for none) whose entry i is (i, 2i, 3i) modulo 256.
    GifBuilder& Header(int width, int height, int globalColors = 0, const std::string& signature = "GIF89a") {
        Text(signature).Word(width).Word(height);
        Bytes({static_cast<uint8_t>(globalColors ? 0x80 | (SizeBits(globalColors)) : 0), 0, 0});
        if (globalColors) Table(globalColors);
        return *this;
    }
    GifBuilder& Table(int colors) {
        for (int i = 0; i < colors; ++i)
            Bytes({static_cast<uint8_t>(i), static_cast<uint8_t>(2 * i), static_cast<uint8_t>(3 * i)});
        return *this;
    }
    static uint8_t SizeBits(int colors) {
        uint8_t bits = 0;
        while ((2 << bits) < colors) ++bits;
        return bits;
    }
    GifBuilder& GraphicControl(uint8_t packed, int delay, uint8_t transparentIndex) {
        Bytes({0x21, 0xF9, 4, packed}).Word(delay);
        return Bytes({transparentIndex, 0});
    }
    // An image descriptor, an optional local table (`localColors` entries, as the global one) and
    // the frame's pixels coded with minimum code size `m`.
    GifBuilder& Frame(int left, int top, int width, int height, std::span<const uint8_t> pixels, int m = 8,
                      int localColors = 0, bool interlaced = false) {
        Bytes({0x2C}).Word(left).Word(top).Word(width).Word(height);
        uint8_t packed = interlaced ? 0x40 : 0;
        if (localColors) packed |= 0x80 | SizeBits(localColors);
        Bytes({packed});
        if (localColors) Table(localColors);
        b.push_back(static_cast<uint8_t>(m));
        AppendSubBlocks(b, EncodeLZW(pixels, m));
        return *this;
    }
    GifBuilder& Trailer() { return Bytes({0x3B}); }
};

// The pixels of a frame in the order an interlaced frame stores them.
inline std::vector<uint8_t> Interlace(std::span<const uint8_t> pixels, int width, int height) {
    std::vector<uint8_t> out;
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            out.insert(out.end(), pixels.begin() + y * width, pixels.begin() + (y + 1) * width);
    return out;
}

// A picture loaded with its warnings recorded.
struct Loaded {
    TGIFImage image;
    std::vector<std::string> warnings;

    Loaded() {
        image.OnWarning = [this](TGIFImage*, uint8_t, const std::string& text) { warnings.push_back(text); };
    }
    void Load(std::span<const uint8_t> bytes) {
        TMemoryStream stream = TMemoryStream::View(bytes);
        image.LoadFromStream(stream);
    }
};

// The message of the error that loading `bytes` raises, or "" when it loads.
inline std::string LoadError(std::span<const uint8_t> bytes) {
    Loaded loaded;
    try {
        loaded.Load(bytes);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

}  // namespace nox::giftest
