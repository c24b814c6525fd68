// The scan for hidden bytes: the usual layouts tried one after another, the first 4 KiB of each
// looked at for a known file's signature, a payload record (as HidePayload writes it) or the start
// of a text, and the findings ranked best first.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/Layout.h"
#include "image/Bitmap32.h"

namespace nox::analysis {

inline constexpr size_t kScanBytes = 4096;

// Every layout of PLANES 0, 1, 01, 7; CHANNELS r, g, b, a, rgb, bgr, rgba; ORDER rows, columns;
// BITS msb, lsb, in that nesting (the ranking's last tie-break). The layouts with "a" only when
// `withAlpha`.
std::vector<TLayout> ScanLayouts(bool withAlpha);

enum class TFindingKind : uint8_t { Payload, File, Text };

struct TFinding {
    TLayout Layout;
    TFindingKind Kind = TFindingKind::Text;
    std::string File;         // the file kind ("PNG", "ZIP", ...)
    uint64_t PayloadSize = 0;  // the payload's length
    size_t TextLength = 0;     // the printable characters at the start (within the first 4 KiB)
    size_t TextVariety = 0;    // how many different bytes they are made of
    std::string Text;          // the first of them (at most 60), escaped
};

// Looks at the layouts' bytes; one finding at most per layout (a payload before a file signature
// before a text). Ranked: payloads, then files, then texts, those made of more different bytes
// first (flat and striped areas give runs like "UUUUUUUU" or "ffff3333"; a written text uses many
// letters), then the longer; then in the order of ScanLayouts. The layouts with alpha are tried
// only when some pixel's alpha is not 255.
std::vector<TFinding> Scan(const TBitmap32& picture);

// What the layout's first bytes are, as Scan judges them (the payload check aside): the file kind
// of a known signature at byte 0, or "".
const char* FileKind(std::span<const uint8_t> bytes);

// The printable characters (ASCII, tab, line breaks, or valid UTF-8 from U+00A0 on) at the start
// of `bytes`: how many characters and bytes they are, and in `text` the first `shown` of them with
// \ " tab and line breaks escaped.
struct TPrintable {
    size_t Characters = 0, Bytes = 0;
};
TPrintable PrintableStart(std::span<const uint8_t> bytes, size_t shown, std::string& text);

// The finding's line: "LAYOUT: PNG", "LAYOUT: payload of N bytes (CRC-32 ok)", "LAYOUT: text "..."".
std::string FindingText(const TFinding& finding);

}  // namespace nox::analysis
