// Helpers of the GIF writing tests: data sub-blocks run together, and a plain GIF decoder of
// code streams that shares nothing with the code under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

namespace nox::gifwritetest {

// The bytes of data sub-blocks (size byte and bytes each, up to the size byte 0) run together.
inline std::vector<uint8_t> Unblock(std::span<const uint8_t> blocks, size_t* consumed = nullptr) {
    std::vector<uint8_t> data;
    size_t at = 0;
    while (at < blocks.size() && blocks[at] != 0) {
        const size_t n = blocks[at];
        if (at + 1 + n > blocks.size()) {
            ADD_FAILURE() << "sub-block runs past the end";
            break;
        }
        data.insert(data.end(), blocks.begin() + static_cast<ptrdiff_t>(at + 1),
                    blocks.begin() + static_cast<ptrdiff_t>(at + 1 + n));
        at += 1 + n;
    }
    if (consumed) *consumed = at + 1;
    return data;
}

// A plain GIF decoder (no tables shared with the code under test): the pixels of a code stream.
inline std::vector<uint8_t> ReferenceDecode(std::span<const uint8_t> data, int m) {
    const int clear = 1 << m, end = clear + 1;
    std::vector<std::vector<uint8_t>> strings;
    auto reset = [&] {
        strings.assign(static_cast<size_t>(clear + 2), {});
        for (int i = 0; i < clear; ++i) strings[static_cast<size_t>(i)] = {static_cast<uint8_t>(i)};
    };
    reset();
    int width = m + 1;
    size_t bit = 0;
    std::vector<uint8_t> out;
    int previous = -1;
    for (;;) {
        if (bit + static_cast<size_t>(width) > data.size() * 8) {
            ADD_FAILURE() << "code stream ends without the end code";
            return out;
        }
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == clear) {
            reset();
            width = m + 1;
            previous = -1;
            continue;
        }
        if (code == end) return out;
        std::vector<uint8_t> entry;
        if (code < static_cast<int>(strings.size()) && !strings[static_cast<size_t>(code)].empty()) {
            entry = strings[static_cast<size_t>(code)];
        } else if (code == static_cast<int>(strings.size()) && previous >= 0) {
            entry = strings[static_cast<size_t>(previous)];
            entry.push_back(entry[0]);
        } else {
            ADD_FAILURE() << "code " << code << " not yet defined";
            return out;
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (previous >= 0 && strings.size() < 4096) {
            std::vector<uint8_t> added = strings[static_cast<size_t>(previous)];
            added.push_back(entry[0]);
            strings.push_back(std::move(added));
            if (static_cast<int>(strings.size()) >= (1 << width) && width < 12) ++width;
        }
        previous = code;
    }
}

}  // namespace nox::gifwritetest
