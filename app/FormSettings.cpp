// Start-up and shut-down: the settings kept between runs in NoxSteg.INI (the last Left and Middle
// file names, the JPEG quality, the display mode, the window's place and size) are restored when
// the window is first shown and written back when it closes; the first run opens the read-me.
#include <algorithm>

#include <QLabel>
#include <QSlider>

#include "app/FileNameText.h"
#include "app/Form1.h"
#include "app/RadioGroup.h"
#include "app/ShellOpen.h"
#include "platform/IniFile.h"

namespace nox {

namespace {

// A stored size is held below this (larger than any screen), so that a mistyped value cannot
// make the window and the panes' back buffers take gigabytes.
constexpr int kMaxWindowExtent = 16384;
int WindowExtent(int stored) { return std::min(stored, kMaxWindowExtent); }

}  // namespace

// The window's place and size are its outer bounds, frame included, as the window manager draws
// it. The frame is not known until the window manager has framed the window, which is after this
// runs: SetOuterBounds applies the bounds again then, so that a restored window neither grows nor
// shrinks by its frame from one start to the next.
void TForm1::FormShow() {
    TIniFile settings(kSettingsFileName);
    RestorePane(settings, "Left", *lFNameL, *lFShortNameL, *ImageL);
    RestorePane(settings, "Middle", *lFNameM, *lFShortNameM, *ImageM);

    // The track bar holds the value within 0 to 100 and reports a change (JPEGQualityTBChange);
    // the label is set in any case, as its design-time text is "99".
    JPEGQualityTB->setValue(settings.ReadInteger("JPEG", "Quality", 95));
    JPEGQualityTBChange();

    if (settings.ReadInteger("Show", "ReadMe", 0) == 0)
        ShellOpenFile(desktop_.Shell, ReadMeFileName(desktop_.Application.ExeName()));
    settings.WriteInteger("Show", "ReadMe", 1);

    // Held within -1 to 2; a different item runs ImageModeRGClick at once.
    ImageModeRG->SetItemIndex(settings.ReadInteger("Image", "Mode", 1));

    // The default left comes from the current (design) outer width, as the width is read after
    // it; likewise the top. A stored place off the screen is used as it stands.
    const QRect outer = OuterBounds();
    const int left = settings.ReadInteger("Position", "Left", (desktop_.Screen.Width() - outer.width()) / 2);
    const int width = WindowExtent(settings.ReadInteger("Position", "Width", outer.width()));
    const int top = settings.ReadInteger("Position", "Top", (desktop_.Screen.Height() - outer.height()) / 2);
    const int height = WindowExtent(settings.ReadInteger("Position", "Height", outer.height()));
    SetOuterBounds(left, top, width, height);
    FormResize();

    ImageModeRGClick();
}

void TForm1::RestorePane(TIniFile& settings, const char* key, QLabel& nameLabel, QLabel& shortNameLabel, TImage32& pane) {
    const std::string name = settings.ReadString("FileName", key, "");
    ShowFileName(nameLabel, name);
    if (!IsBlankText(name)) {
        // A picture that cannot be read is reported, and start-up goes on: were it to stop here,
        // the window would keep its design-time settings and shut-down would write them over
        // the stored ones. The pane stays empty with its names, which are kept for next time.
        try {
            LoadPicture(name, pane);
        } catch (const std::exception& error) {
            HandleException(error);
        }
    }
    ShowFileName(shortNameLabel, ExtractFileName(name));
}

void TForm1::FormDestroy() {
    TIniFile settings(kSettingsFileName);
    // A blank name is never written, so it never erases the stored one.
    const std::string left = LabelFileName(*lFNameL);
    if (!IsBlankText(left)) settings.WriteString("FileName", "Left", left);
    const std::string middle = LabelFileName(*lFNameM);
    if (!IsBlankText(middle)) settings.WriteString("FileName", "Middle", middle);
    settings.WriteInteger("JPEG", "Quality", JPEGQualityTB->value());
    const QRect outer = OuterBounds();
    settings.WriteInteger("Position", "Left", outer.x());
    settings.WriteInteger("Position", "Width", outer.width());
    settings.WriteInteger("Position", "Top", outer.y());
    settings.WriteInteger("Position", "Height", outer.height());
    settings.WriteInteger("Image", "Mode", ImageModeRG->ItemIndex());
}

}  // namespace nox
