// The desktop services the window calls (file dialogs, message boxes, the shell, the screen with
// its cursor, the program's own file), each behind a small interface so that handlers and their
// tests never need a real desktop. platform/qt/ gives the real implementations; TScriptedDesktop
// below records every call and returns preset answers for tests.
#pragma once

#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clipboard.h"

namespace nox {

// ---- file dialogs ------------------------------------------------------------------------------

// One entry of a dialog's filter list: a description and its patterns ("*.jpg").
struct TFileFilter {
    std::string Description;
    std::vector<std::string> Patterns;
    friend bool operator==(const TFileFilter&, const TFileFilter&) = default;
};

// Splits a filter list in the class library's form, "Description|*.a;*.b|Description|*.c", into
// its entries. A description without patterns is dropped; blanks around patterns are ignored.
std::vector<TFileFilter> ParseFilter(std::string_view filter);

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // The open dialog: the chosen file's full path (which need not exist), or nothing on cancel.
    // `filter` is in the class library's form; patterns match without regard to case.
    virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) = 0;
    // The save dialog: asks before overwriting an existing file (the name as entered), adds no
    // extension, starts with the first filter entry; the full path, or nothing on cancel.
    virtual std::optional<std::string> SaveFile(const std::string& title, const std::string& filter) = 0;
};

// ---- message boxes ------------------------------------------------------------------------------

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    // The standard error box: error icon, OK button; returns when it is closed.
    virtual void ShowError(const std::string& caption, const std::string& text) = 0;
    // A note with an OK button and no icon; returns when it is closed.
    virtual void ShowNote(const std::string& caption, const std::string& text) = 0;
    // A question with Yes and No buttons (No the default); true for Yes.
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
};

// ---- shell --------------------------------------------------------------------------------------

class TShell {
public:
    virtual ~TShell() = default;
    // Asks the desktop to open the file with the application associated with its type. The
    // outcome is not reported: a missing file or one without an application gives no message.
    virtual void OpenDocument(const std::string& path) = 0;
};

// ---- screen and cursor --------------------------------------------------------------------------

enum class TCursor { crDefault, crHourGlass };

class TScreen {
public:
    virtual ~TScreen() = default;
    // The primary screen's size in pixels.
    virtual int32_t Width() = 0;
    virtual int32_t Height() = 0;
    // The cursor shown over the whole program (crDefault: each window's own).
    virtual TCursor Cursor() = 0;
    virtual void SetCursor(TCursor cursor) = 0;
};

// Shows the hourglass for its lifetime and then puts back the cursor that was in force before,
// on every path out of a scope.
class TCursorGuard {
public:
    explicit TCursorGuard(TScreen& screen, TCursor shown = TCursor::crHourGlass)
        : screen_(screen), previous_(screen.Cursor()) {
        screen_.SetCursor(shown);
    }
    ~TCursorGuard() { screen_.SetCursor(previous_); }
    TCursorGuard(const TCursorGuard&) = delete;
    TCursorGuard& operator=(const TCursorGuard&) = delete;

private:
    TScreen& screen_;
    TCursor previous_;
};

// ---- the program itself -------------------------------------------------------------------------

class TApplicationInfo {
public:
    virtual ~TApplicationInfo() = default;
    // The full path of the program file.
    virtual std::string ExeName() = 0;
};

// The file part of a name: the text after its last "/" (the whole name when it has none).
std::string ExtractFileName(const std::string& path);
// The folder part of a name, up to and including its last "/" ("" when it has none).
std::string ExtractFilePath(const std::string& path);
// The application's title: the program file's name without its folder, cut at its first full
// stop, the first character in upper case and the rest in lower case ("/usr/bin/noxsteg" and
// "NoxSteg.exe" -> "Noxsteg").
std::string ApplicationTitle(const std::string& exeName);
// The read-me file: "ReadMe.Txt" beside the program. An installed program lies in <prefix>/bin
// and its read-me in <prefix>/share/doc/noxsteg/ReadMe.Txt; that one is taken when there is none
// beside the program but there is one there. Otherwise the name beside the program (which the
// shell then fails to open, silently).
std::string ReadMeFileName(const std::string& exeName);

// ---- everything together ------------------------------------------------------------------------

// The services a window is given. The objects belong to whoever made the struct.
struct TDesktop {
    TFileDialogs& Dialogs;
    TMessageBoxes& Messages;
    TShell& Shell;
    TScreen& Screen;
    TApplicationInfo& Application;
    TClipboard& Clipboard;
};

// The class library's handling of an exception that ends a handler: its message in the error box,
// captioned with the application's title, with a full stop added as ErrorBoxText says. EAbort is
// silent; an allocation failure shows "Out of memory". Errors that are not ours show their what().
void ShowException(TDesktop& desktop, const std::exception& error);
// A note in a box captioned with the application's title, with an OK button.
void ShowMessage(TDesktop& desktop, const std::string& text);
// A Yes/No question captioned with the application's title; true for Yes.
bool AskYesNo(TDesktop& desktop, const std::string& text);

// ---- scripted desktop for tests -----------------------------------------------------------------

// Records every call in `Calls`, in order, as one line of text each:
//   "OpenFile(<title>|<filter>)"  "SaveFile(<title>|<filter>)"  "ShowError(<caption>|<text>)"
//   "ShowNote(<caption>|<text>)"  "AskYesNo(<caption>|<text>)"  "OpenDocument(<path>)"
//   "SetCursor(crHourGlass)" / "SetCursor(crDefault)"
// Dialogs answer from `DialogAnswers`, front first (nothing = cancel; an empty queue cancels);
// questions from `YesNoAnswers` (an empty queue answers No).
class TScriptedDesktop : public TFileDialogs, public TMessageBoxes, public TShell, public TScreen, public TApplicationInfo {
public:
    std::vector<std::string> Calls;
    std::deque<std::optional<std::string>> DialogAnswers;
    std::deque<bool> YesNoAnswers;
    int32_t ScreenWidth = 1024;
    int32_t ScreenHeight = 768;
    TCursor CurrentCursor = TCursor::crDefault;
    std::string ProgramFile = "/opt/noxsteg/bin/noxsteg";
    TMemoryClipboard MemoryClipboard;

    TDesktop Desktop() { return TDesktop{*this, *this, *this, *this, *this, MemoryClipboard}; }

    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) override;
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter) override;
    void ShowError(const std::string& caption, const std::string& text) override;
    void ShowNote(const std::string& caption, const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void OpenDocument(const std::string& path) override;
    int32_t Width() override { return ScreenWidth; }
    int32_t Height() override { return ScreenHeight; }
    TCursor Cursor() override { return CurrentCursor; }
    void SetCursor(TCursor cursor) override;
    std::string ExeName() override { return ProgramFile; }

private:
    std::optional<std::string> NextAnswer();
};

}  // namespace nox
