// Reading noxsteg-cli's input pictures and writing its output pictures, as the window's panes
// read files and as its Save writes the Right pane: shared by every command.
#pragma once

#include <iosfwd>
#include <string>

#include "files/PictureFiles.h"
#include "image/Bitmap32.h"

namespace nox::cli {

// The format's name as `info` prints it ("BMP", "JPEG", "GIF"; "" for none).
const char* FormatName(TPictureFormat format);

// Reads a file as LoadPicture reads it into a pane, except that a missing file or a name of no
// format is an error here.
void LoadInput(const std::string& path, TBitmap32& pane);

// Writes a pane as SavePicture writes the Right pane, after SaveButtonClick's name correction
// (the note, when due, goes to `err`).
void SaveOutput(const std::string& name, TBitmap32& pane, int quality, std::ostream& err);

}  // namespace nox::cli
