// TIniFile, the settings file with private-profile semantics: sections and keys matched without
// regard to case, values trimmed, every read and every write a separate visit to the file, and
// every write replacing the whole file at once (a temporary file renamed over it), so that a crash
// never leaves half a settings file. A missing file is no error: every read gives its default.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nox {

class TStream;

// The settings file's bare name.
inline constexpr const char* kSettingsFileName = "NoxSteg.INI";

// The folder bare settings names resolve to: $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config (the home folder from $HOME, else the password database).
std::string SettingsFolder();
// SettingsFolder() + "/NoxSteg.INI".
std::string SettingsFileName();

// The integer rule of settings values: a text longer than 2 characters that begins with "0x" or
// "0X" is hexadecimal after those two characters; otherwise an optional sign, then decimal digits
// or "$" and hexadecimal digits. Decimal values must lie within the 32-bit signed range;
// hexadecimal ones within 32 bits, taken as the two's-complement pattern ("0xFFFFFFFF" is -1).
// Anything else, the empty text included, is no integer.
std::optional<int32_t> ParseSettingsInteger(std::string_view text);

class TIniFile {
public:
    // Writes the new contents of the file into the temporary file; tests replace it to fail part
    // of the way through.
    using ContentsWriter = std::function<void(TStream& out, std::string_view contents)>;

    // Longest value a read returns (the read buffer holds 2048 characters with the final zero).
    static constexpr size_t kMaxValueLength = 2047;
    // A larger file is not read (every read gives its default) and not rewritten (a write fails):
    // no settings file of this program comes near it.
    static constexpr int64_t kMaxFileSize = 16 << 20;

    // `name` without a "/" lies in SettingsFolder(); a name with one is used as it stands. The
    // name as given is the one the write error shows.
    explicit TIniFile(std::string name, ContentsWriter writer = {});

    const std::string& FileName() const { return name_; }
    const std::string& Path() const { return path_; }

    // The key's trimmed value cut to kMaxValueLength characters; `fallback` when the file,
    // the section or the key is missing.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback);
    // The key's value by the integer rule; `fallback` when it is missing or no integer.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback);

    // Sets the key's value, adding the key at the end of its section and the section at the end
    // of the file when they are missing; every other line stays as it was. EIniFileException
    // "Unable to write to <name>" when the file cannot be replaced or the value cannot be kept
    // in one line (a line break in it, or a section or key that would not read back); the file
    // is then unchanged. The folder is created when it is missing.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Writes the decimal text of `value`.
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);

private:
    [[noreturn]] void WriteRefused() const;

    std::string name_;
    std::string path_;
    ContentsWriter writer_;
};

}  // namespace nox
