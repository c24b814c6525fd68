// Extract, hide and reveal over the bit walk.
#include "analysis/HiddenBytes.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "analysis/BitWalk.h"
#include "analysis/Crc32.h"
#include "platform/Errors.h"

namespace nox::analysis {

namespace {

std::array<uint8_t, 4> BigEndian(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value)};
}

uint32_t ReadBigEndian(std::span<const uint8_t, 4> bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

bool EndsWith(std::string_view name, std::string_view extension) {
    return name.size() >= extension.size() &&
           std::equal(extension.begin(), extension.end(), name.end() - static_cast<std::ptrdiff_t>(extension.size()),
                      [](char e, char c) { return e == std::tolower(static_cast<unsigned char>(c)); });
}

}  // namespace

std::vector<uint8_t> ExtractBytes(const TBitmap32& picture, const TLayout& layout, uint64_t offset, uint64_t length) {
    TBitReader reader(picture, layout, offset);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min(length, reader.Remaining())));
    reader.Read(bytes);
    return bytes;
}

uint64_t PayloadCapacity(int32_t width, int32_t height, const TLayout& layout) {
    const uint64_t capacity = Capacity(width, height, layout);
    return capacity > kRecordOverhead ? capacity - kRecordOverhead : 0;
}

void HidePayload(TBitmap32& picture, const TLayout& layout, std::span<const uint8_t> payload) {
    if (payload.empty()) throw Exception(kEmptyPayloadText);
    const uint64_t most = PayloadCapacity(picture.Width(), picture.Height(), layout);
    if (payload.size() > most)
        throw Exception(Format("The payload (%zu bytes) does not fit: this picture holds at most %llu bytes in %s.",
                               payload.size(), static_cast<unsigned long long>(most), LayoutText(layout).c_str()));
    picture.Changing();
    TBitWriter writer(picture, layout);
    writer.Write(BigEndian(static_cast<uint32_t>(payload.size())));
    writer.Write(payload);
    writer.Write(BigEndian(Crc32(payload)));
    writer.Finish();
    picture.Changed();
}

std::optional<std::vector<uint8_t>> RevealPayload(const TBitmap32& picture, const TLayout& layout) {
    TBitReader reader(picture, layout);
    std::array<uint8_t, 4> field{};
    if (reader.Remaining() < kRecordOverhead) return std::nullopt;
    reader.Read(field);
    const uint32_t length = ReadBigEndian(field);
    // Checked before anything is allocated. A length of 0 is no payload: every plane of zeros
    // (black, or any even value in plane 0) would read as one.
    if (length == 0 || length > reader.Remaining() - 4) return std::nullopt;
    std::vector<uint8_t> payload(length);
    reader.Read(payload);
    reader.Read(field);
    if (ReadBigEndian(field) != Crc32(payload)) return std::nullopt;
    return payload;
}

std::string NoPayloadText(const TLayout& layout) {
    return "No hidden payload in " + LayoutText(layout) + ".";
}

std::string PayloadSaveRefusal(std::string_view name, const TLayout& layout) {
    if (EndsWith(name, ".jpg")) return "A hidden payload does not survive saving as JPEG; save as PNG or BMP.";
    if (EndsWith(name, ".gif")) return "A hidden payload does not survive saving as GIF; save as PNG or BMP.";
    if (!layout.UsesAlpha()) return "";
    if (EndsWith(name, ".png")) return "A hidden payload in the alpha channel does not survive saving as PNG; save as BMP.";
    // Every other name is saved as BMP, and our BMP files are written with every alpha byte 255
    // (and read so): hiding in alpha there would report success and lose the payload.
    return "A hidden payload in the alpha channel does not survive saving as BMP: no picture file keeps alpha here.";
}

}  // namespace nox::analysis
