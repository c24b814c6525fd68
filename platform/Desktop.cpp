// Helpers over the desktop services that every handler shares (names of the program and its
// files, the standard error box) and the scripted desktop that tests drive.
#include "platform/Desktop.h"

#include <unistd.h>

#include <cctype>
#include <new>

#include "platform/Errors.h"

namespace nox {

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

const char* CursorName(TCursor cursor) { return cursor == TCursor::crHourGlass ? "crHourGlass" : "crDefault"; }

}  // namespace

std::vector<TFileFilter> ParseFilter(std::string_view filter) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto bar = filter.find('|');
        parts.push_back(filter.substr(0, bar));
        if (bar == std::string_view::npos) break;
        filter.remove_prefix(bar + 1);
    }
    std::vector<TFileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        TFileFilter entry{std::string(parts[i]), {}};
        std::string_view patterns = parts[i + 1];
        for (;;) {
            const auto semi = patterns.find(';');
            const std::string_view pattern = Trimmed(patterns.substr(0, semi));
            if (!pattern.empty()) entry.Patterns.emplace_back(pattern);
            if (semi == std::string_view::npos) break;
            patterns.remove_prefix(semi + 1);
        }
        if (!entry.Patterns.empty()) filters.push_back(std::move(entry));
    }
    return filters;
}

std::string ExtractFileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ApplicationTitle(const std::string& exeName) {
    std::string title = ExtractFileName(exeName);
    title = title.substr(0, title.find('.'));
    // Program files on Linux are named in lower case ("noxsteg"); the first letter is raised so
    // that the caption reads as a name ("Noxsteg"), as "NoxSteg.exe" does elsewhere.
    for (size_t i = 0; i < title.size(); ++i) {
        const auto c = static_cast<unsigned char>(title[i]);
        title[i] = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
    }
    return title;
}

std::string ReadMeFileName(const std::string& exeName) {
    const std::string folder = ExtractFilePath(exeName);
    const std::string beside = folder + "ReadMe.Txt";
    if (::access(beside.c_str(), F_OK) == 0 || !folder.ends_with("/bin/")) return beside;
    const std::string installed = folder.substr(0, folder.size() - 4) + "share/doc/noxsteg/ReadMe.Txt";
    return ::access(installed.c_str(), F_OK) == 0 ? installed : beside;
}

void ShowException(TDesktop& desktop, const std::exception& error) {
    if (dynamic_cast<const EAbort*>(&error) != nullptr) return;
    // The run-time's own allocation failure carries the class library's message.
    const char* message = dynamic_cast<const std::bad_alloc*>(&error) != nullptr ? msg::kOutOfMemory : error.what();
    desktop.Messages.ShowError(ApplicationTitle(desktop.Application.ExeName()), ErrorBoxText(message));
}

void ShowMessage(TDesktop& desktop, const std::string& text) {
    desktop.Messages.ShowNote(ApplicationTitle(desktop.Application.ExeName()), text);
}

bool AskYesNo(TDesktop& desktop, const std::string& text) {
    return desktop.Messages.AskYesNo(ApplicationTitle(desktop.Application.ExeName()), text);
}

// ---- TScriptedDesktop -------------------------------------------------------------------------

std::optional<std::string> TScriptedDesktop::NextAnswer() {
    if (DialogAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(DialogAnswers.front());
    DialogAnswers.pop_front();
    return answer;
}

std::optional<std::string> TScriptedDesktop::OpenFile(const std::string& title, const std::string& filter) {
    Calls.push_back("OpenFile(" + title + "|" + filter + ")");
    return NextAnswer();
}

std::optional<std::string> TScriptedDesktop::SaveFile(const std::string& title, const std::string& filter) {
    Calls.push_back("SaveFile(" + title + "|" + filter + ")");
    return NextAnswer();
}

void TScriptedDesktop::ShowError(const std::string& caption, const std::string& text) {
    Calls.push_back("ShowError(" + caption + "|" + text + ")");
}

void TScriptedDesktop::ShowNote(const std::string& caption, const std::string& text) {
    Calls.push_back("ShowNote(" + caption + "|" + text + ")");
}

bool TScriptedDesktop::AskYesNo(const std::string& caption, const std::string& text) {
    Calls.push_back("AskYesNo(" + caption + "|" + text + ")");
    if (YesNoAnswers.empty()) return false;
    const bool yes = YesNoAnswers.front();
    YesNoAnswers.pop_front();
    return yes;
}

void TScriptedDesktop::OpenDocument(const std::string& path) { Calls.push_back("OpenDocument(" + path + ")"); }

void TScriptedDesktop::SetCursor(TCursor cursor) {
    Calls.push_back(std::string("SetCursor(") + CursorName(cursor) + ")");
    CurrentCursor = cursor;
}

}  // namespace nox
