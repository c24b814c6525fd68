// The BMP format: reading a BMP stream into a device bitmap, writing a device bitmap as a 32-bit
// bottom-up BMP stream, and installing both as the device bitmap's codec and the "bmp" extension.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Stream.h"

namespace nox {

// Reads a BMP file from the stream's position to its end into `bitmap`. An empty stream gives an
// empty picture. Errors: EReadError for a file header, information header, masks or colour table
// cut short; EInvalidGraphic for anything that cannot be made into a picture; EOutOfMemory for a
// picture this machine could not hold. `bitmap` changes only once the file has been judged sound
// (if its pixel memory then cannot be had, it is left empty).
void ReadBmp(TBitmap& bitmap, TStream& stream);

// Writes `bitmap` as an uncompressed 32-bit bottom-up BMP file with a 54-byte header and no colour
// table; an empty bitmap writes nothing at all.
void WriteBmp(const TBitmap& bitmap, TStream& stream);

// Installs ReadBmp/WriteBmp as TBitmap's codec and registers the "bmp" extension with TPicture.
// Calling it again does nothing.
void RegisterBmpFormat();

}  // namespace nox
