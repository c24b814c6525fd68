// The desktop services of Desktop.h over Qt: QFileDialog, QMessageBox, QDesktopServices, the
// primary QScreen, the application-wide override cursor and QCoreApplication's program path.
#pragma once

#include <memory>
#include <string>

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "platform/Desktop.h"
#include "platform/qt/QtClipboard.h"

class QFileDialog;

namespace nox {

// A filter list in the class library's form ("Image/Text files|*.jpg;*.gif") in Qt's syntax:
// "Image/Text files (*.jpg *.gif)".
QStringList QtNameFilters(const std::string& filter);

// The file dialog the window runs, configured but not shown: the open dialog accepts names of
// files that do not exist; the save dialog asks before overwriting and adds no extension; both
// show the filters by their descriptions, match them without regard to case, start with the
// first entry and write no settings file. An empty title leaves Qt's own.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const std::string& title, const std::string& filter, bool save);

// Text between Qt and the program's 8-bit strings: file names in the file system's encoding,
// other text as UTF-8.
QString FromFileName(const std::string& name);
std::string ToFileName(const QString& name);

class TQtDesktop : public TFileDialogs, public TMessageBoxes, public TShell, public TScreen, public TApplicationInfo {
public:
    // Dialogs and message boxes are owned by `parent` (the main window), which may come later.
    explicit TQtDesktop(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParentWindow(QWidget* parent) { parent_ = parent; }

    TDesktop Desktop() { return TDesktop{*this, *this, *this, *this, *this, clipboard_}; }

    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) override;
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter) override;
    void ShowError(const std::string& caption, const std::string& text) override;
    void ShowNote(const std::string& caption, const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void OpenDocument(const std::string& path) override;
    int32_t Width() override;
    int32_t Height() override;
    TCursor Cursor() override;
    void SetCursor(TCursor cursor) override;
    std::string ExeName() override;

private:
    std::optional<std::string> RunFileDialog(const std::string& title, const std::string& filter, bool save);

    QPointer<QWidget> parent_;
    TQtClipboard clipboard_;
};

}  // namespace nox
