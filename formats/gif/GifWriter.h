// Writing GIF pictures: a device bitmap becomes one colour-reduced frame of a TGIFImage, and a
// TGIFImage is written as a GIF stream (header, logical screen, tables, frames with their
// extensions and LZW-coded data, trailer). TGIFImage::SaveToStream and TGIFImage::Assign of a
// device bitmap reach these through the writer that InstallGIFWriter installs.
#pragma once

#include "formats/gif/GifImage.h"
#include "formats/gif/LzwEncoder.h"

namespace nox {

namespace gifmsg {
inline constexpr const char* kColorTableOverflow = "Color table overflow";
inline constexpr const char* kUnsupportedVersion = "Unsupported GIF version";
inline constexpr const char* kInvalidDimensions = "Invalid image dimensions";
inline constexpr const char* kConverting = "Converting...";
inline constexpr const char* kSaving = "Saving...";
}  // namespace gifmsg

// Makes TGIFImage::SaveToStream and TGIFImage::Assign(TBitmap) use the functions below.
void InstallGIFWriter();

// Writes the whole GIF at the stream's position: "GIF87a" unless a frame has a sorted local table
// or an extension ("GIF89a"); GIFException "Unsupported GIF version" for an image without frames.
// OnProgress: starting, running once per frame, ending (100, or 0 after an error).
void SaveGIFImage(TGIFImage& image, TStream& stream);

// Clears the image and gives it one frame at (0, 0) that takes `bitmap` (see below); the logical
// screen becomes the bitmap's size. When taking the bitmap fails the frame is dropped and the
// error passes on.
void AssignBitmapToGIF(TGIFImage& image, TBitmap& bitmap);

// The frame takes a device bitmap: 1-, 4- and 8-bit pictures are copied with their colour tables,
// others reduced with the image's ReductionMethod, DitherMode and ReductionBits; a 24-bit result
// (reduction method 0) gets a colour table built from its colours, at most 256 ("Color table
// overflow"). An empty bitmap leaves the frame empty. A bitmap wider or taller than 65535 pixels,
// which no GIF can hold, fails with "Invalid image dimensions" before the frame is touched.
void AssignBitmapToFrame(TGIFSubImage& frame, TBitmap& bitmap);

}  // namespace nox
