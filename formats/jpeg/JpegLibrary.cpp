// libjpeg's error manager, in-memory source and growable destination, and the owners of the
// decompressor and compressor.
#include "formats/jpeg/JpegLibrary.h"

#include <unistd.h>

#include <algorithm>
#include <limits>

#include <jerror.h>

#include "platform/Errors.h"

namespace nox::jpeg {

namespace {

// ---- error manager ----------------------------------------------------------------------------

void ErrorExit(j_common_ptr cinfo) {
    // The library has stored the message code in msg_code; the guard reads it after the jump.
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (damaged entropy data, a premature end) and trace messages are dropped: the library's
// own recovery applies.
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }

// ---- source -----------------------------------------------------------------------------------

const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

MemorySource& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<MemorySource*>(cinfo->src); }

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    MemorySource& src = SourceOf(cinfo);
    if (src.blockEnd >= src.size) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src.pub.next_input_byte = kFakeEndOfImage;
        src.pub.bytes_in_buffer = sizeof kFakeEndOfImage;
        return TRUE;
    }
    const size_t n = src.size - src.blockEnd;
    src.pub.next_input_byte = src.data + src.blockEnd;
    src.pub.bytes_in_buffer = n;
    src.blockEnd += n;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    MemorySource& src = SourceOf(cinfo);
    const auto n = static_cast<size_t>(count);
    if (n <= src.pub.bytes_in_buffer) {
        src.pub.next_input_byte += n;
        src.pub.bytes_in_buffer -= n;
        return;
    }
    // Past the bytes handed out: continue from the data's position (or stay at the end, where the
    // next fill gives the end-of-image marker).
    const size_t beyond = n - src.pub.bytes_in_buffer;
    src.blockEnd = beyond >= src.size - src.blockEnd ? src.size : src.blockEnd + beyond;
    src.pub.next_input_byte = nullptr;
    src.pub.bytes_in_buffer = 0;
}

void TermSource(j_decompress_ptr) {}

// ---- destination ------------------------------------------------------------------------------

constexpr size_t kFirstOutputSize = 64 * 1024;

GrowableDestination& DestinationOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<GrowableDestination*>(cinfo->dest);
}

// Makes room for `size` bytes; false when the memory cannot be had. No exception may leave here,
// as the library called us.
bool Grow(std::vector<uint8_t>& bytes, size_t size) noexcept {
    try {
        bytes.resize(size);
        return true;
    } catch (...) {
        return false;
    }
}

void InitDestination(j_compress_ptr cinfo) {
    GrowableDestination& dest = DestinationOf(cinfo);
    if (!Grow(*dest.bytes, kFirstOutputSize)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    dest.pub.next_output_byte = dest.bytes->data();
    dest.pub.free_in_buffer = dest.bytes->size();
}

// Called when the buffer is full: double it and keep everything written so far.
boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    GrowableDestination& dest = DestinationOf(cinfo);
    const size_t used = dest.bytes->size();
    if (!Grow(*dest.bytes, used * 2)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 11);
    dest.pub.next_output_byte = dest.bytes->data() + used;
    dest.pub.free_in_buffer = dest.bytes->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    GrowableDestination& dest = DestinationOf(cinfo);
    dest.bytes->resize(dest.bytes->size() - dest.pub.free_in_buffer);
}

// The memory the machine can give now without swapping: MemAvailable of /proc/meminfo, or all of
// physical memory where that cannot be read.
uint64_t AvailableMemory() {
    if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f) != nullptr)
            found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        std::fclose(f);
        if (found) return static_cast<uint64_t>(kib) * 1024;
    }
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t{1} << 32;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

// The library keeps every buffer in memory (it has no temporary files); its whole-image buffers
// (progressive files, two-pass colour quantisation) are refused beyond `bytes`, so a hostile header
// cannot make it swap the machine to death. The library reads 0 as "no limit": at least 1.
void SetLibraryMemoryLimit(j_common_ptr cinfo, uint64_t bytes) {
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<long>::max());
    cinfo->mem->max_memory_to_use = static_cast<long>(std::clamp<uint64_t>(bytes, 1, kMax));
}

// Not a progress report (nobody listens): the guard against files of absurdly many scans.
void LimitScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, kMaxScans + 1);
}

}  // namespace

jpeg_error_mgr* InstallErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = EmitMessage;
    err.pub.output_message = OutputMessage;
    err.pub.format_message = FormatMessage;
    return &err.pub;
}

void ThrowLibraryError(const ErrorManager& err) { throw EJPEG(Format("JPEG error #%d", err.pub.msg_code)); }

Decompressor::Decompressor(std::span<const uint8_t> bytes) {
    cinfo.err = InstallErrorManager(err_);
    try {
        Run([this] { jpeg_create_decompress(&cinfo); });
    } catch (...) {
        jpeg_destroy_decompress(&cinfo);  // the destructor does not run for a constructor that fails
        throw;
    }
    SetLibraryMemoryLimit(reinterpret_cast<j_common_ptr>(&cinfo), AvailableMemory());
    source_.data = bytes.data();
    source_.size = bytes.size();
    source_.pub.init_source = InitSource;
    source_.pub.fill_input_buffer = FillInputBuffer;
    source_.pub.skip_input_data = SkipInputData;
    source_.pub.resync_to_restart = jpeg_resync_to_restart;
    source_.pub.term_source = TermSource;
    cinfo.src = &source_.pub;
    progress_.progress_monitor = LimitScans;
    cinfo.progress = &progress_;
}

void Decompressor::ReserveMemory(uint64_t bytes) {
    // A picture that alone would need more than the machine has free now is refused before
    // anything is allocated (small ones never are: the check cannot misjudge them).
    constexpr uint64_t kAlwaysAllowed = uint64_t{256} << 20;
    const uint64_t available = AvailableMemory();
    if (bytes > kAlwaysAllowed && bytes > available) throw EOutOfMemory(msg::kOutOfMemory);
    SetLibraryMemoryLimit(reinterpret_cast<j_common_ptr>(&cinfo), bytes < available ? available - bytes : 1);
}

// jpeg_destroy is safe on a structure whose creation failed: the structure starts zeroed, and a
// null memory manager means nothing to release.
Decompressor::~Decompressor() { jpeg_destroy_decompress(&cinfo); }

Compressor::Compressor(std::vector<uint8_t>& bytes) {
    cinfo.err = InstallErrorManager(err_);
    try {
        Run([this] { jpeg_create_compress(&cinfo); });
    } catch (...) {
        jpeg_destroy_compress(&cinfo);  // the destructor does not run for a constructor that fails
        throw;
    }
    SetLibraryMemoryLimit(reinterpret_cast<j_common_ptr>(&cinfo), AvailableMemory());
    destination_.bytes = &bytes;
    destination_.pub.init_destination = InitDestination;
    destination_.pub.empty_output_buffer = EmptyOutputBuffer;
    destination_.pub.term_destination = TermDestination;
    cinfo.dest = &destination_.pub;
}

Compressor::~Compressor() { jpeg_destroy_compress(&cinfo); }

}  // namespace nox::jpeg
