// The glue between libjpeg and C++: an error manager that turns every library error into EJPEG
// "JPEG error #<code>" and drops warnings, a data source over in-memory bytes, a destination into a
// growable buffer, and owners that release the decompressor and compressor on every path.
//
// libjpeg is C: a C++ exception must never unwind through its frames. Its error exit therefore
// jumps (longjmp) back to the guard that called into the library, and only there, in C++ code, is
// the exception thrown. The code a guard runs may call the library and touch plain data only:
// nothing in it may own memory or need a destructor, because the jump would skip it.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include <jpeglib.h>

namespace nox::jpeg {

struct ErrorManager {
    jpeg_error_mgr pub;  // first, so that the library's pointer is also ours
    std::jmp_buf jump;
};

// Sets up `err` as our error manager and returns the library's view of it.
jpeg_error_mgr* InstallErrorManager(ErrorManager& err);

// Runs `call` under the error manager's jump; false when the library reported an error.
template <typename Call>
bool RunGuarded(ErrorManager& err, Call& call) {
    if (setjmp(err.jump) != 0) return false;
    call();
    return true;
}

// Throws EJPEG with the library's message code of the last error.
[[noreturn]] void ThrowLibraryError(const ErrorManager& err);

// Runs `call` (library calls and plain data only) and throws EJPEG when the library fails.
template <typename Call>
void Guard(ErrorManager& err, Call&& call) {
    if (!RunGuarded(err, call)) ThrowLibraryError(err);
}

// A data source over bytes owned elsewhere, handed to the library all at once: libjpeg-turbo
// decodes entropy-coded data on its fast path only while a few kilobytes stand in its buffer, so
// with small blocks most of a file went the slow way (the pixels are the same either way). At the
// end of the data it supplies an end-of-image marker (with a warning, which is dropped), so that a
// file cut short decodes as far as its data go.
struct MemorySource {
    jpeg_source_mgr pub;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t blockEnd = 0;  // end of the bytes handed out so far
};

// A destination that grows its buffer as the library fills it; `bytes` ends with exactly the
// bytes written once the compressor finishes.
struct GrowableDestination {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* bytes = nullptr;
};

// More scans than any encoder writes: a file with more is refused (EJPEG with the library's
// "invalid scan script" code), as each scan of a progressive file costs a pass over the whole
// picture and a few bytes per scan could otherwise keep the decoder busy for minutes.
inline constexpr int kMaxScans = 500;

// A decompressor over `bytes` with our error manager and source; released on destruction.
// The library keeps pointers into it, so it never moves.
class Decompressor {
public:
    explicit Decompressor(std::span<const uint8_t> bytes);
    // Leaves `bytes` of the machine's available memory to the caller's picture: the library's
    // whole-image buffers get at most the rest. EOutOfMemory when a large picture alone does not fit.
    void ReserveMemory(uint64_t bytes);
    ~Decompressor();
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    template <typename Call>
    void Run(Call&& call) { Guard(err_, call); }

    jpeg_decompress_struct cinfo{};

private:
    ErrorManager err_{};
    MemorySource source_{};
    jpeg_progress_mgr progress_{};
};

// A compressor writing into `bytes` with our error manager; released on destruction.
class Compressor {
public:
    explicit Compressor(std::vector<uint8_t>& bytes);
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    template <typename Call>
    void Run(Call&& call) { Guard(err_, call); }

    jpeg_compress_struct cinfo{};

private:
    ErrorManager err_{};
    GrowableDestination destination_{};
};

}  // namespace nox::jpeg
