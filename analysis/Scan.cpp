// The scan: signatures, payload records and texts at the start of each usual layout.
#include "analysis/Scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "analysis/BitWalk.h"
#include "analysis/Crc32.h"
#include "analysis/HiddenBytes.h"

namespace nox::analysis {

namespace {

constexpr size_t kShownCharacters = 60;
constexpr size_t kMinTextLength = 8;

bool StartsWith(std::span<const uint8_t> bytes, std::string_view signature) {
    return bytes.size() >= signature.size() && std::memcmp(bytes.data(), signature.data(), signature.size()) == 0;
}

bool SomeAlphaNot255(const TBitmap32& picture) {
    const TColor32* pixels = picture.Bits();
    TColor32 all = 0xFF000000u;
    for (size_t i = 0, n = picture.PixelCount(); i < n; ++i) all &= pixels[i];
    return all != 0xFF000000u;
}

// The number of bytes of one UTF-8 character from U+00A0 on at the start of `bytes`, or 0 when
// they do not start one (overlong forms, surrogates and values above U+10FFFF are not characters).
size_t Utf8Character(std::span<const uint8_t> bytes) {
    const uint8_t lead = bytes[0];
    size_t size;
    uint32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) size = 2, value = lead & 0x1Fu;
    else if (lead >= 0xE0 && lead <= 0xEF) size = 3, value = lead & 0x0Fu;
    else if (lead >= 0xF0 && lead <= 0xF4) size = 4, value = lead & 0x07u;
    else return 0;
    if (bytes.size() < size) return 0;
    for (size_t i = 1; i < size; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return 0;
        value = value << 6 | (bytes[i] & 0x3Fu);
    }
    static constexpr std::array<uint32_t, 5> kLeast = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[size] || value < 0xA0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
    return size;
}

// Whether a payload record starts the layout's bytes: `head` is their first bytes, `reader` the
// walk just after them. The CRC is taken piece by piece, so a length field of any size costs no
// memory, and one beyond the capacity is refused before any reading.
bool PayloadAt(std::span<const uint8_t> head, TBitReader& reader, uint64_t capacity, uint64_t& length) {
    if (capacity < kRecordOverhead || head.size() < 4) return false;
    length = uint64_t{head[0]} << 24 | uint64_t{head[1]} << 16 | uint64_t{head[2]} << 8 | head[3];
    // As RevealPayload: a length of 0 is a plane of zeros, not a payload.
    if (length == 0 || length > capacity - kRecordOverhead) return false;
    std::span<const uint8_t> rest = head.subspan(4);
    std::vector<uint8_t> chunk;
    // The next `count` bytes after the length field: from the head first, then from the walk.
    auto next = [&](uint64_t count) -> std::span<const uint8_t> {
        if (!rest.empty()) {
            const auto part = rest.first(static_cast<size_t>(std::min<uint64_t>(count, rest.size())));
            rest = rest.subspan(part.size());
            return part;
        }
        chunk.resize(static_cast<size_t>(std::min<uint64_t>(count, 1 << 16)));
        return std::span<const uint8_t>(chunk.data(), reader.Read(chunk));
    };
    uint32_t crc = 0;
    for (uint64_t left = length; left > 0;) {
        const auto part = next(left);
        crc = Crc32(part, crc);
        left -= part.size();
    }
    std::array<uint8_t, 4> field{};
    for (size_t got = 0; got < 4;) {
        const auto part = next(4 - got);
        std::copy(part.begin(), part.end(), field.begin() + static_cast<std::ptrdiff_t>(got));
        got += part.size();
    }
    return (uint32_t{field[0]} << 24 | uint32_t{field[1]} << 16 | uint32_t{field[2]} << 8 | field[3]) == crc;
}

}  // namespace

std::vector<TLayout> ScanLayouts(bool withAlpha) {
    std::vector<TLayout> layouts;
    for (const char* planes : {"0", "1", "01", "7"})
        for (const char* channels : {"r", "g", "b", "a", "rgb", "bgr", "rgba"})
            for (const char* order : {"rows", "columns"})
                for (const char* bits : {"msb", "lsb"}) {
                    TLayout layout = ParseLayout(std::string(planes) + ',' + channels + ',' + order + ',' + bits);
                    if (withAlpha || !layout.UsesAlpha()) layouts.push_back(std::move(layout));
                }
    return layouts;
}

const char* FileKind(std::span<const uint8_t> bytes) {
    static constexpr std::array<std::pair<std::string_view, const char*>, 10> kSignatures = {{
        {"\x89PNG\r\n\x1A\n", "PNG"},
        {"\xFF\xD8\xFF", "JPEG"},
        {"GIF87a", "GIF"},
        {"GIF89a", "GIF"},
        {"PK\x03\x04", "ZIP"},
        {"%PDF-", "PDF"},
        {"\x1F\x8B\x08", "gzip"},
        {"7z\xBC\xAF\x27\x1C", "7z"},
        {"Rar!\x1A\x07", "RAR"},
        {"\x7F" "ELF", "ELF"},
    }};
    for (const auto& [signature, kind] : kSignatures)
        if (StartsWith(bytes, signature)) return kind;
    // "BM" alone turns up by chance; the file header's reserved bytes (zero) and a known
    // information header size make it a BMP.
    if (bytes.size() >= 18 && StartsWith(bytes, "BM") && bytes[6] == 0 && bytes[7] == 0 && bytes[8] == 0 && bytes[9] == 0) {
        const uint32_t info = bytes[14] | uint32_t{bytes[15]} << 8 | uint32_t{bytes[16]} << 16 | uint32_t{bytes[17]} << 24;
        for (const uint32_t known : {12u, 40u, 52u, 56u, 64u, 108u, 124u})
            if (info == known) return "BMP";
    }
    return "";
}

TPrintable PrintableStart(std::span<const uint8_t> bytes, size_t shown, std::string& text) {
    text.clear();
    size_t count = 0, at = 0;
    for (; at < bytes.size(); ++count) {
        const uint8_t byte = bytes[at];
        size_t size = 1;
        if (byte >= 0x80) {
            size = Utf8Character(bytes.subspan(at));
            if (size == 0) break;
        } else if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F) {
            break;
        }
        if (count < shown) {
            switch (byte) {
                case '\t': text += "\\t"; break;
                case '\n': text += "\\n"; break;
                case '\r': text += "\\r"; break;
                case '"': text += "\\\""; break;
                case '\\': text += "\\\\"; break;
                default: text.append(reinterpret_cast<const char*>(bytes.data() + at), size);
            }
        }
        at += size;
    }
    return {count, at};
}

std::vector<TFinding> Scan(const TBitmap32& picture) {
    std::vector<TFinding> findings;
    std::vector<uint8_t> head(kScanBytes);
    static const std::vector<TLayout> layouts = ScanLayouts(true);
    const bool alpha = SomeAlphaNot255(picture);
    for (const TLayout& layout : layouts) {
        if (layout.UsesAlpha() && !alpha) continue;
        TBitReader reader(picture, layout);
        const uint64_t capacity = reader.Remaining();
        const std::span<const uint8_t> bytes(head.data(), reader.Read(head));
        TFinding finding;
        finding.Layout = layout;
        if (PayloadAt(bytes, reader, capacity, finding.PayloadSize)) {
            finding.Kind = TFindingKind::Payload;
        } else if (const char* kind = FileKind(bytes); *kind) {
            finding.Kind = TFindingKind::File;
            finding.File = kind;
        } else if (const TPrintable text = PrintableStart(bytes, kShownCharacters, finding.Text);
                   text.Characters >= kMinTextLength) {
            finding.Kind = TFindingKind::Text;
            finding.TextLength = text.Characters;
            std::array<bool, 256> seen{};
            for (size_t i = 0; i < text.Bytes; ++i) seen[bytes[i]] = true;
            finding.TextVariety = static_cast<size_t>(std::count(seen.begin(), seen.end(), true));
        } else {
            continue;
        }
        findings.push_back(std::move(finding));
    }
    // A verified CRC is the strongest evidence, a signature the next; a text of many different
    // bytes, and a longer one, is less likely to be chance. The sort is stable, so ties keep the
    // scan's order.
    std::stable_sort(findings.begin(), findings.end(), [](const TFinding& a, const TFinding& b) {
        if (a.Kind != b.Kind) return a.Kind < b.Kind;
        if (a.TextVariety != b.TextVariety) return a.TextVariety > b.TextVariety;
        return a.TextLength > b.TextLength;
    });
    return findings;
}

std::string FindingText(const TFinding& finding) {
    std::string line = LayoutText(finding.Layout) + ": ";
    switch (finding.Kind) {
        case TFindingKind::Payload:
            return line + "payload of " + std::to_string(finding.PayloadSize) + " bytes (CRC-32 ok)";
        case TFindingKind::File: return line + finding.File;
        case TFindingKind::Text: return line + "text \"" + finding.Text + "\"";
    }
    return line;
}

}  // namespace nox::analysis
