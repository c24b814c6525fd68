// What every fuzz target shares: the input as a read-only stream, the rule that a reader may fail
// only with one of its own error classes (anything else is a fault and stops the run), and a
// check that stops the run with a message when an outcome is plainly wrong.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox::fuzz {

// Stops the run (libFuzzer keeps the input as a crash) with the reason on standard error.
[[noreturn]] inline void Fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// Runs `body`; an error of one of `allowed` classes (an entry "Class" allows every message of
// the class, "Class: message" that message only) is the reader refusing the input, which is fine;
// any other error (a conversion error, an assertion, std::bad_alloc, ...) is a fault. Returns
// whether `body` finished without an error.
template <typename Body>
bool Expect(std::initializer_list<std::string_view> allowed, Body&& body) {
    try {
        body();
        return true;
    } catch (const Exception& e) {
        const std::string full = std::string(e.ClassName()) + ": " + e.Message();
        for (std::string_view name : allowed)
            if (name == e.ClassName() || name == full) return false;
        Fail("unexpected error", full.c_str());
    } catch (const std::exception& e) {
        Fail("unexpected C++ exception", e.what());
    }
}

namespace detail {

inline uint64_t Le16(const uint8_t* p) { return uint64_t(p[0] | p[1] << 8); }

// The larger of a GIF's logical screen and all its frames together (every frame is kept in
// memory), walking the blocks as far as they go.
inline uint64_t GifDeclaredPixels(const uint8_t* p, size_t size) {
    // Like the reader, a 4-byte prefix before the signature is passed over.
    if (size >= 10 && std::memcmp(p, "GIF", 3) != 0 && std::memcmp(p + 4, "GIF", 3) == 0) {
        p += 4;
        size -= 4;
    }
    if (size < 13) return 0;
    const uint64_t screen = Le16(p + 6) * Le16(p + 8);
    uint64_t frames = 0;
    size_t at = 13 + (p[10] & 0x80 ? 3u << ((p[10] & 7) + 1) : 0u);
    auto skipSubBlocks = [&] {
        while (at < size && p[at] != 0) at += size_t{1} + p[at];
        ++at;
    };
    // Like the reader: zero bytes between blocks are skipped, the graphic control extension is
    // read as 6 bytes and the plain text extension's header as 13 whatever their size bytes say,
    // and after the extensions whatever comes is taken for a frame descriptor, whose zero width
    // or height stands for the screen's. Close enough to the reader to leave out nearly every file
    // that declares large frames; the target checks the loaded sizes again.
    while (at < size && p[at] != 0x3B) {
        if (p[at] == 0x00) {
            ++at;
        } else if (p[at] == 0x21 && at + 1 < size && p[at + 1] == 0xF9) {
            at += 2 + 6;
        } else if (p[at] == 0x21 && at + 1 < size && p[at + 1] == 0x01) {
            at += 2 + 13;
            skipSubBlocks();
        } else if (p[at] == 0x21 && at + 2 < size && p[at + 1] == 0xFF) {
            // The 10-byte identifier form has its data sub-blocks right after the 10 bytes.
            at += 2 + 1 + (p[at + 2] == 10 ? 10 : p[at + 2]);
            skipSubBlocks();
        } else if (p[at] == 0x21) {
            at += 2;
            skipSubBlocks();
        } else if (at + 10 <= size) {
            const uint64_t w = Le16(p + at + 5), h = Le16(p + at + 7);
            frames += w == 0 || h == 0 ? screen : w * h;
            const uint8_t packed = p[at + 9];
            at += 10 + (packed & 0x80 ? 3u << ((packed & 7) + 1) : 0u) + 1;
            skipSubBlocks();
        } else {
            break;
        }
    }
    return std::max(screen, frames);
}

}  // namespace detail

// Pixels a picture file declares in its headers, as far as a quick look finds them (0 when it
// does not): for BMP the information header, for GIF the larger of the logical screen and the
// frames together, for JPEG the first frame header, for PNG the IHDR chunk. A file of a few bytes
// can declare a picture of hundreds of megapixels below the 1 GiB cap; reading it costs as much as
// the size asks, which would drown the search, so the targets leave files declaring more than
// kMaxFuzzPixels alone (the regression test reads such files). Small pictures still reach every
// path of the readers: row lengths up to the cap, every bit depth, compression and frame layout.
inline constexpr uint64_t kMaxFuzzPixels = uint64_t{1} << 14;

inline uint64_t DeclaredPixels(std::string_view format, const uint8_t* p, size_t size) {
    auto le32 = [&](size_t at) { return int64_t(int32_t(uint32_t(detail::Le16(p + at)) | uint32_t(detail::Le16(p + at + 2)) << 16)); };
    if (format == "bmp" && size >= 26) {
        if (le32(14) == 12) return detail::Le16(p + 18) * detail::Le16(p + 20);
        const int64_t w = le32(18), h = le32(22);
        return uint64_t(w < 0 ? -w : w) * uint64_t(h < 0 ? -h : h);
    }
    if (format == "gif") return detail::GifDeclaredPixels(p, size);
    if (format == "png" && size >= 24) {
        // The IHDR chunk follows the 8-byte signature: width and height, big-endian, at 16 and 20.
        auto be32 = [&](size_t at) { return uint64_t(p[at]) << 24 | uint64_t(p[at + 1]) << 16 | uint64_t(p[at + 2]) << 8 | p[at + 3]; };
        return be32(16) * be32(20);
    }
    if (format == "jpeg") {
        for (size_t i = 0; i + 9 <= size; ++i)
            if (p[i] == 0xFF && p[i + 1] >= 0xC0 && p[i + 1] <= 0xCF && p[i + 1] != 0xC4 && p[i + 1] != 0xC8 &&
                p[i + 1] != 0xCC)
                return uint64_t(p[i + 5] << 8 | p[i + 6]) * uint64_t(p[i + 7] << 8 | p[i + 8]);
    }
    return 0;
}

#if defined(__clang__)
#define NOX_FUZZ_UNINSTRUMENTED __attribute__((no_sanitize("coverage")))
#else
#define NOX_FUZZ_UNINSTRUMENTED
#endif

// Whether every pixel is opaque, and whether two rows of pixels are equal in their colours. These
// loops run over every pixel of every input; kept out of the coverage instrumentation, they cost
// the search next to nothing.
NOX_FUZZ_UNINSTRUMENTED inline bool AllOpaque(const uint32_t* pixels, size_t count) {
    uint32_t all = 0xFF000000u;
    for (size_t i = 0; i < count; ++i) all &= pixels[i];
    return all == 0xFF000000u;
}

NOX_FUZZ_UNINSTRUMENTED inline bool SameColours(const uint32_t* a, const uint32_t* b, size_t count) {
    uint32_t differ = 0;
    for (size_t i = 0; i < count; ++i) differ |= (a[i] ^ b[i]) & 0x00FFFFFFu;
    return differ == 0;
}

inline TMemoryStream View(const uint8_t* data, size_t size) {
    return TMemoryStream::View(std::span<const uint8_t>(data, size));
}

}  // namespace nox::fuzz
