// The pop-up menu's "Inspect...": the one Inspector window, made when first asked for, following
// the pane the menu was opened on and saving its views through Save's rules.
#include "app/Form1.h"
#include "inspector/AnalysisPanel.h"
#include "inspector/HiddenDataPanel.h"
#include "inspector/InspectorWindow.h"

namespace nox {

void TForm1::Inspect1Click() {
    TImage32* pane = PopupPane();
    if (pane == nullptr) return;
    if (inspector_ == nullptr) {
        inspector_ = new TInspectorWindow({ImageL, ImageM, ImageR}, [this](TBitmap32& view) { SavePictureAs(view); }, this);
        inspector_->AddPanel("Hidden data", new THiddenDataPanel(*ImageL, *ImageR));
        inspector_->AddPanel("Analysis", new TAnalysisPanel);
    }
    inspector_->Inspect(pane == ImageL ? TInspectorWindow::kLeft : pane == ImageM ? TInspectorWindow::kMiddle : TInspectorWindow::kRight);
}

}  // namespace nox
