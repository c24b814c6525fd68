// The window's file handling: the two "Open" buttons, the "Save" button, and LoadPicture and
// SavePicture behind them, which pick the picture format from the file name alone and hand the
// work to the format's reader or writer (files/).
#include <sys/stat.h>

#include <QLabel>
#include <QSlider>

#include "app/FileNameText.h"
#include "app/Form1.h"
#include "files/PictureFiles.h"
#include "inspector/HiddenDataPanel.h"
#include "platform/Errors.h"

namespace nox {

namespace {

// A name that can be read as a picture file: an existing regular file (or a link to one). A
// folder, a device or a pipe named like a picture is treated as missing, so that reading can
// never block or run without end.
bool PictureFileExists(const std::string& fileName) {
    struct stat info {};
    return ::stat(fileName.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

void TForm1::OpenLeftButtonClick() { OpenPicture("Open Left Picture", *lFNameL, *lFShortNameL, *ImageL); }

void TForm1::OpenMiddleButtonClick() { OpenPicture("Open Middle Picture", *lFNameM, *lFShortNameM, *ImageM); }

void TForm1::OpenPicture(const char* title, QLabel& nameLabel, QLabel& shortNameLabel, TImage32& pane) {
    const std::optional<std::string> name = desktop_.Dialogs.OpenFile(title, OpenDialog1.Filter);
    if (!name) return;
    OpenNamedPicture(*name, nameLabel, shortNameLabel, pane);
}

void TForm1::ImageLDrop(const std::string& fileName) { OpenNamedPicture(fileName, *lFNameL, *lFShortNameL, *ImageL); }

void TForm1::ImageMDrop(const std::string& fileName) { OpenNamedPicture(fileName, *lFNameM, *lFShortNameM, *ImageM); }

void TForm1::OpenNamedPicture(const std::string& name, QLabel& nameLabel, QLabel& shortNameLabel, TImage32& pane) {
    // The names are shown whatever becomes of the picture: a text file, or a name that does not
    // exist, still opens in its own application when the pane is clicked.
    ShowFileName(nameLabel, name);
    ShowFileName(shortNameLabel, ExtractFileName(name));
    LoadPicture(name, pane);
}

void TForm1::LoadPicture(const std::string& fileName, TImage32& pane) {
    TBitmap32& bitmap = pane.Bitmap();
    bitmap.SetHeight(0);
    bitmap.SetWidth(0);
    if (!PictureFileExists(fileName)) return;
    if (FormatOfName(fileName) == TPictureFormat::pfNone) return;
    TCursorGuard hourglass(desktop_.Screen);
    try {
        ReadPictureFile(fileName, bitmap);
    } catch (...) {
        // A picture that failed part of the way (a JPEG whose data breaks off after its header
        // has sized the pane) must not stay half drawn: the pane is empty after a failed read.
        bitmap.SetSize(0, 0);
        throw;
    }
}

void TForm1::SaveButtonClick() { SavePictureAs(ImageR->Bitmap()); }

void TForm1::SavePictureAs(TBitmap32& picture) {
    const std::optional<std::string> chosen = desktop_.Dialogs.SaveFile("", SaveDialog1.Filter);
    if (!chosen) return;
    // A payload that the hidden-data panel wrote into the Right pane must survive the format.
    if (&picture == &ImageR->Bitmap())
        if (const std::string refusal = HiddenPayloadSaveRefusal(*ImageR, *chosen); !refusal.empty()) throw Exception(refusal);
    // The format comes from the name alone, whichever filter was picked in the dialog.
    const TSaveName name = CorrectSaveName(*chosen);
    if (name.Corrected) {
        ShowMessage(desktop_, kUnrecognizedExtensionNote);
        // The dialog asked about the name as entered; the corrected name is another file, which
        // is not replaced unless the user says so.
        struct stat info {};
        if (::stat(name.Path.c_str(), &info) == 0 &&
            !AskYesNo(desktop_, name.Path + " already exists.\nDo you want to replace it?"))
            return;
    }
    SavePicture(name.Path, picture);
}

void TForm1::SavePicture(const std::string& fileName, TImage32& pane) { SavePicture(fileName, pane.Bitmap()); }

void TForm1::SavePicture(const std::string& fileName, TBitmap32& picture) {
    const TPictureFormat format = FormatOfName(fileName);
    if (format == TPictureFormat::pfNone) return;
    // After a save the cursor is the default arrow again, on every path.
    struct DefaultCursorAfter {
        TScreen& screen;
        ~DefaultCursorAfter() { screen.SetCursor(TCursor::crDefault); }
    } restore{desktop_.Screen};
    desktop_.Screen.SetCursor(TCursor::crHourGlass);
    WritePictureFile(fileName, picture, format, JPEGQualityTB->value());
}

}  // namespace nox
