// The process-wide registry of named clipboard formats.
#include "platform/Clipboard.h"

#include <cctype>
#include <mutex>

namespace nox {

namespace {

struct FormatNames {
    std::mutex lock;
    std::vector<std::string> names;  // index i is format 0xC000 + i
};

FormatNames& Names() {
    static FormatNames names;
    return names;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

unsigned RegisterClipboardFormat(const std::string& name) {
    auto& n = Names();
    std::lock_guard guard(n.lock);
    for (size_t i = 0; i < n.names.size(); ++i)
        if (SameText(n.names[i], name)) return 0xC000 + static_cast<unsigned>(i);
    n.names.push_back(name);
    return 0xC000 + static_cast<unsigned>(n.names.size() - 1);
}

std::string ClipboardFormatName(unsigned format) {
    auto& n = Names();
    std::lock_guard guard(n.lock);
    if (format < 0xC000 || format - 0xC000 >= n.names.size()) return {};
    return n.names[format - 0xC000];
}

}  // namespace nox
