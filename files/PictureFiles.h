// Reading a named picture file into a pane and writing a pane to a named picture file, the format
// chosen by the name: the shared work of the window's LoadPicture/SavePicture and of noxsteg-cli.
#pragma once

#include <string>
#include <string_view>

#include "image/Bitmap32.h"

namespace nox {

enum class TPictureFormat { pfNone, pfJPEG, pfGIF, pfBMP, pfPNG };

// The format a name selects: its last four characters, in any letter case, ".JPG", ".GIF",
// ".BMP" or ".PNG". Nothing else selects one (not ".jpeg", not a name shorter than four characters).
TPictureFormat FormatOfName(std::string_view name);

// The note shown when a save name selects no format and ".BMP" is appended.
inline constexpr const char* kUnrecognizedExtensionNote =
    "The file name did not have a recognized extension (\"BMP\", \"JPG\", \"GIF\", or \"PNG\"): \"BMP\" was used.";

// A save name as SaveButtonClick corrects it: names of no format get ".BMP" appended (and the
// note is due); other names stay as they are.
struct TSaveName {
    std::string Path;
    TPictureFormat Format = TPictureFormat::pfNone;
    bool Corrected = false;
};
TSaveName CorrectSaveName(const std::string& name);

// Registers every picture format with the picture container and installs the BMP codec; calling
// it again does nothing.
void RegisterPictureFormats();

// The display check made once at start-up: on a display of 8 bits per pixel (times planes) or
// fewer, JPEG pictures decode to 8 bits and GIF pictures paint dithered onto the web palette.
void SetDisplayDepth(int bitsPerPixelTimesPlanes);

// LoadPicture's reading step, for a pane already emptied and a file known to exist: reads the file
// by the format of its name and lets `pane` take the picture (every alpha byte 255 afterwards, but
// a PNG's alpha as the file gives it).
// Returns false, reading nothing, for a name of no format. Reader errors pass on; `pane` then
// keeps what it held before.
bool ReadPictureFile(const std::string& path, TBitmap32& pane);

// SavePicture's work for a name of a known format: the pane becomes a 32-bit device bitmap that
// the format's writer writes to `path`, which is replaced only when the new file is complete.
// `quality` (0 to 100) is the JPEG quality. PNG is written as 8-bit truecolour without alpha.
// Writer errors pass on.
void WritePictureFile(const std::string& path, TBitmap32& pane, TPictureFormat format, int quality);

}  // namespace nox
