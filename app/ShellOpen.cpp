// Blank-name test and shell open: see ShellOpen.h.
#include "app/ShellOpen.h"

#include <algorithm>

namespace nox {

bool IsBlankText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
}

void ShellOpenFile(TShell& shell, const std::string& fileName) { shell.OpenDocument(fileName); }

}  // namespace nox
