// The settings file: reading keys from it and rewriting it whole, one key at a time.
#include "platform/IniFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// ---- reading the file ----------------------------------------------------------------------

enum class FileState { kRead, kMissing, kUnreadable };

// The whole file, at most TIniFile::kMaxFileSize bytes. A folder, a device or a pipe in the
// file's place is unreadable (and opening it must not wait for a writer).
FileState LoadContents(const std::string& path, std::string& contents) {
    contents.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? FileState::kMissing : FileState::kUnreadable;
    struct stat st {};
    FileState state = FileState::kRead;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > TIniFile::kMaxFileSize) {
        state = FileState::kUnreadable;
    } else {
        // The size may change under us: read to the end, but never beyond the limit.
        contents.resize(static_cast<size_t>(st.st_size) + 1);
        size_t done = 0;
        for (;;) {
            if (done == contents.size()) {
                if (contents.size() > static_cast<size_t>(TIniFile::kMaxFileSize)) {
                    state = FileState::kUnreadable;
                    break;
                }
                contents.resize(std::min<size_t>(contents.size() * 2, TIniFile::kMaxFileSize + 1));
            }
            const ssize_t n = ::read(fd, contents.data() + done, contents.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) state = FileState::kUnreadable;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        contents.resize(done);
    }
    ::close(fd);
    if (state != FileState::kRead) contents.clear();
    return state;
}

// ---- the lines of the file ---------------------------------------------------------------------

// One line: [begin, end) is its text without the line break ("\n" or "\r\n"), `next` where the following line begins.
struct Line {
    size_t begin = 0, end = 0, next = 0;
};

enum class LineKind { kOther, kSection, kKey };

struct Parsed {
    LineKind kind = LineKind::kOther;
    std::string_view name;   // the section's or key's name, trimmed
    std::string_view value;  // a key's value, trimmed
};

Parsed Classify(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.front() == ';') return {};
    if (text.front() == '[') {
        const auto close = text.find(']');
        return {LineKind::kSection, Trim(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)), {}};
    }
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) return {};
    const std::string_view name = Trim(text.substr(0, eq));
    if (name.empty()) return {};
    return {LineKind::kKey, name, Trim(text.substr(eq + 1))};
}

// Calls visit(line, parsed) for every line; the first line's byte-order mark is not part of it.
template <class Visit>
void ForEachLine(std::string_view contents, Visit&& visit) {
    size_t pos = 0;
    if (contents.starts_with("\xEF\xBB\xBF")) pos = 3;
    while (pos < contents.size()) {
        const auto nl = contents.find('\n', pos);
        Line line{pos, nl == std::string_view::npos ? contents.size() : nl, 0};
        line.next = nl == std::string_view::npos ? contents.size() : nl + 1;
        if (line.end > line.begin && contents[line.end - 1] == '\r') --line.end;  // part of the line break
        if (!visit(line, Classify(contents.substr(line.begin, line.end - line.begin)))) return;
        pos = line.next;
    }
}

// Where a key stands in the file: its line, or where a new one goes in the first section of the
// name (after the section's last key, else after its heading).
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    std::string_view keyName;  // as the file spells it
    std::string_view value;
    size_t insertAt = 0;
};

Location Locate(std::string_view contents, std::string_view section, std::string_view key) {
    Location at;
    bool inSection = false;
    ForEachLine(contents, [&](const Line& line, const Parsed& parsed) {
        if (parsed.kind == LineKind::kSection) {
            if (inSection) return false;  // only the first section of the name counts
            if (SameText(parsed.name, section)) {
                inSection = at.sectionFound = true;
                at.insertAt = line.next;
            }
        } else if (inSection && parsed.kind == LineKind::kKey) {
            if (SameText(parsed.name, key)) {
                at.keyFound = true;
                at.keyLine = line;
                at.keyName = parsed.name;
                at.value = parsed.value;
                return false;
            }
            at.insertAt = line.next;
        }
        return true;
    });
    return at;
}

// The line break the file already uses ("\n" for a new file).
std::string_view LineBreakOf(std::string_view contents) {
    const auto nl = contents.find('\n');
    return nl != std::string_view::npos && nl > 0 && contents[nl - 1] == '\r' ? "\r\n" : "\n";
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Creates the missing folders above `path` (private to the user, as a settings folder should be).
void MakeFoldersFor(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}

// The file a write replaces: the target of a symbolic link, so that a linked settings file stays
// linked.
std::string WriteTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return "/tmp";
}

std::optional<uint32_t> ParseHex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (const char c : digits) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        value = value * 16 + static_cast<uint64_t>(d);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

std::string SettingsFolder() {
    // A relative $XDG_CONFIG_HOME is to be ignored: it would depend on the current folder.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        std::string folder(xdg);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    return HomeFolder() + "/.config";
}

std::string SettingsFileName() {
    const std::string folder = SettingsFolder();
    return (folder == "/" ? "" : folder) + "/" + kSettingsFileName;
}

std::optional<int32_t> ParseSettingsInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const auto hex = ParseHex(text.substr(2));
        if (!hex) return std::nullopt;
        return static_cast<int32_t>(*hex);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '$') {
        const auto hex = ParseHex(text.substr(1));
        if (!hex) return std::nullopt;
        return static_cast<int32_t>(negative ? 0u - *hex : *hex);
    }
    if (text.empty()) return std::nullopt;
    uint64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
        if (magnitude > 2147483648u) return std::nullopt;
    }
    if (!negative && magnitude > 2147483647u) return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
}

// ---- TIniFile ------------------------------------------------------------------------------------

TIniFile::TIniFile(std::string name, ContentsWriter writer) : name_(std::move(name)), writer_(std::move(writer)) {
    path_ = name_.find('/') == std::string::npos ? SettingsFolder() + "/" + name_ : name_;
    if (!writer_) writer_ = [](TStream& out, std::string_view contents) { out.WriteBuffer(contents.data(), contents.size()); };
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) {
    std::string contents;
    if (LoadContents(path_, contents) != FileState::kRead) return std::string(fallback);
    const Location at = Locate(contents, Trim(section), Trim(key));
    if (!at.keyFound) return std::string(fallback);
    return std::string(at.value.substr(0, kMaxValueLength));
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) {
    return ParseSettingsInteger(ReadString(section, key, "")).value_or(fallback);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    // What could not be read back as the same section, key and value is refused, not mangled:
    // a line break in a value (a file name may hold one) would otherwise start keys of its own.
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        key.front() == '[' || key.front() == ';')
        WriteRefused();

    const std::string target = WriteTarget(path_);
    std::string contents;
    if (LoadContents(target, contents) == FileState::kUnreadable) WriteRefused();

    const std::string_view eol = LineBreakOf(contents);
    const Location at = Locate(contents, section, key);
    std::string updated;
    updated.reserve(contents.size() + section.size() + key.size() + value.size() + 8);
    if (at.keyFound) {
        updated.append(contents, 0, at.keyLine.begin);
        updated.append(at.keyName).append("=").append(value);
        updated.append(contents, at.keyLine.end);
    } else {
        const size_t insertAt = at.sectionFound ? at.insertAt : contents.size();
        updated.append(contents, 0, insertAt);
        if (!updated.empty() && updated.back() != '\n') updated.append(eol);
        if (!at.sectionFound) updated.append("[").append(section).append("]").append(eol);
        updated.append(key).append("=").append(value).append(eol);
        updated.append(contents, insertAt);
    }

    try {
        MakeFoldersFor(target);
        WriteFileReplacing(target, [&](TStream& out) { writer_(out, updated); });
    } catch (...) {
        WriteRefused();
    }
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteRefused() const { throw EIniFileException(Format("Unable to write to %s", name_.c_str())); }

}  // namespace nox
