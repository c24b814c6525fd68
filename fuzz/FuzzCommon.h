// What every fuzz target shares: the input as a read-only stream, the rule that a reader may fail
// only with one of its own error classes (anything else is a fault and stops the run), and a
// check that stops the run with a message when an outcome is plainly wrong.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Pixels a picture file declares in its header, as far as a quick look finds it (0 when it does
// not): for BMP the information header, for GIF the logical screen, for JPEG the first frame
// header. A file of a few bytes can declare a picture of hundreds of megapixels below the 1 GiB
// cap; reading it costs as much as the size asks, which would drown the search, so the targets
// leave files declaring more than kMaxFuzzPixels alone (the regression test reads such files).
inline constexpr uint64_t kMaxFuzzPixels = uint64_t{1} << 20;

inline uint64_t DeclaredPixels(std::string_view format, const uint8_t* p, size_t size) {
    auto le16 = [&](size_t at) { return uint64_t(p[at] | p[at + 1] << 8); };
    auto le32 = [&](size_t at) { return int64_t(int32_t(uint32_t(le16(at)) | uint32_t(le16(at + 2)) << 16)); };
    if (format == "bmp" && size >= 26) {
        if (le32(14) == 12) return le16(18) * le16(20);
        const int64_t w = le32(18), h = le32(22);
        return uint64_t(w < 0 ? -w : w) * uint64_t(h < 0 ? -h : h);
    }
    if (format == "gif" && size >= 10) return le16(6) * le16(8);
    if (format == "jpeg") {
        for (size_t i = 0; i + 9 <= size; ++i)
            if (p[i] == 0xFF && p[i + 1] >= 0xC0 && p[i + 1] <= 0xCF && p[i + 1] != 0xC4 && p[i + 1] != 0xC8 &&
                p[i + 1] != 0xCC)
                return uint64_t(p[i + 5] << 8 | p[i + 6]) * uint64_t(p[i + 7] << 8 | p[i + 8]);
    }
    return 0;
}

inline TMemoryStream View(const uint8_t* data, size_t size) {
    return TMemoryStream::View(std::span<const uint8_t>(data, size));
}

}  // namespace nox::fuzz
