// Message formatting and the error box's full-stop rule.
#include "platform/Errors.h"

#include <cstdio>
#include <unistd.h>

namespace nox {

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    }
    va_end(args);
    return out;
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

void CheckAllocationSize(unsigned long long bytes) {
    // A request beyond the machine's physical memory can only end in swapping or the OOM killer:
    // refuse it before anything is allocated. (A smaller request may still fail; callers turn
    // std::bad_alloc into the same error.)
    static const unsigned long long limit = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long size = sysconf(_SC_PAGESIZE);
        return pages > 0 && size > 0 ? static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(size)
                                     : 1ULL << 32;
    }();
    if (bytes > NOXSTEG_MAX_ALLOCATION || bytes > limit) throw EOutOfMemory(msg::kOutOfMemory);
}

}  // namespace nox
