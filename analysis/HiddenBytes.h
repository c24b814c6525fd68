// Hidden bytes in a picture's bits: extracting a layout's bytes, and hiding and revealing a payload
// record (the payload's length as 4 bytes big-endian, the payload, its CRC-32 as 4 bytes
// big-endian) at the start of a layout's bytes.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Layout.h"
#include "image/Bitmap32.h"

namespace nox::analysis {

// The layout's bytes from byte `offset` on, `length` of them or as many as there are: never more
// than the picture holds, whatever `length` asks.
std::vector<uint8_t> ExtractBytes(const TBitmap32& picture, const TLayout& layout, uint64_t offset = 0,
                                  uint64_t length = std::numeric_limits<uint64_t>::max());

// The length and CRC fields around a payload.
inline constexpr uint64_t kRecordOverhead = 8;

// The largest payload a width x height picture hides in the layout: its capacity - 8 (0 below).
uint64_t PayloadCapacity(int32_t width, int32_t height, const TLayout& layout);

// Writes the payload record into the picture's bits; every other bit stays as it was. Throws
// nox::Exception "The payload (N bytes) does not fit: ..." when the record does not fit, and
// kEmptyPayloadText for an empty payload (a record of length 0 is what a plane of zeros reads as,
// so RevealPayload never takes one), leaving the picture unchanged.
void HidePayload(TBitmap32& picture, const TLayout& layout, std::span<const uint8_t> payload);

inline constexpr const char* kEmptyPayloadText = "The payload is empty: there is nothing to hide.";

// The payload of the record at the start of the layout's bytes, or nothing when its length field
// is 0 or asks for more than the picture holds, or its CRC-32 does not match. Allocates at most
// the capacity.
std::optional<std::vector<uint8_t>> RevealPayload(const TBitmap32& picture, const TLayout& layout);

// "No hidden payload in LAYOUT."
std::string NoPayloadText(const TLayout& layout);

// Why saving a picture with a payload hidden in `layout` under the file name `name` would destroy
// it (JPEG and GIF lose low bits; our PNG and BMP files carry no alpha), or "" when the file keeps
// it. The format is the name's last four characters, in any letter case, as the save chooses it
// (a name of no format is saved as BMP).
std::string PayloadSaveRefusal(std::string_view name, const TLayout& layout);

}  // namespace nox::analysis
