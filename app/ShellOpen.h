// The two small helpers the window's pane clicks and its start-up share: telling a blank file name
// from a real one, and asking the desktop to open a file with its associated application.
#pragma once

#include <string>
#include <string_view>

#include "platform/Desktop.h"

namespace nox {

// True when `text` is empty or holds only blanks (32), carriage returns (13) and line feeds (10).
bool IsBlankText(std::string_view text);

// Asks the desktop to open `fileName` with its associated application. The name is passed
// whole, whatever its length, and the outcome is not examined.
void ShellOpenFile(TShell& shell, const std::string& fileName);

}  // namespace nox
