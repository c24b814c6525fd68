// The pop-up menu's "Copy" and "Paste": a pane's picture to the desktop's clipboard as one bitmap
// of its size and colours, and the clipboard's first recognised picture into a pane.
#include "app/Form1.h"
#include "platform/Picture.h"

namespace nox {

void TForm1::Copy1Click() {
    TImage32* pane = PopupPane();
    if (pane == nullptr) return;
    // The buffer becomes a 32-bit device bitmap that replaces everything on the clipboard; the
    // clipboard is closed on every path, and an error ("Cannot open clipboard") reaches the box.
    pane->Bitmap().AssignTo(desktop_.Clipboard);
}

void TForm1::Paste1Click() {
    TImage32* pane = PopupPane();
    if (pane == nullptr) return;
    // Paste never shows a message: a clipboard that cannot be had, one without a picture and a
    // picture that cannot be read all leave the pane as it was.
    try {
        TPicture picture;
        picture.Assign(&desktop_.Clipboard);
        if (picture.Graphic() == nullptr || picture.Graphic()->Empty()) return;
        // A picture of any kind, a GIF or another program's image as much as a bitmap, is drawn
        // at its own size (the buffer paints a non-bitmap graphic into itself). It is drawn into
        // a buffer of its own first, so that a failure half way leaves the pane untouched.
        TBitmap32 pasted;
        pasted.Assign(&picture);
        pane->Bitmap().Assign(&pasted);
    } catch (...) {
        return;
    }
    // The pane shows no file any more: as after Blacken, a click opens nothing and shut-down keeps
    // the name stored before.
    ClearPaneNames(*pane);
}

}  // namespace nox
