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

inline TMemoryStream View(const uint8_t* data, size_t size) {
    return TMemoryStream::View(std::span<const uint8_t>(data, size));
}

}  // namespace nox::fuzz
