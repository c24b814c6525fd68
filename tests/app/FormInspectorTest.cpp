// The pop-up menu's Inspect...: one Inspector window, switched to the pane the menu was opened on,
// following the results of the window's operations, and saving its view through Save's rules.
#include <gtest/gtest.h>

#include <QAction>

#include "inspector/InspectorPane.h"
#include "inspector/InspectorWindow.h"
#include "tests/app/ProgramTestSupport.h"

namespace nox {
namespace {

using FormInspectorTest = test::ProgramTest;

TEST_F(FormInspectorTest, OneInspectorFollowsThePopupPaneAndSavesItsView) {
    test::FillPattern(form->ImageL->Bitmap(), 5, 4);
    test::FillPattern(form->ImageM->Bitmap(), 5, 4);
    form->PopupMenu1->SetPopupComponent(form->ImageM);
    form->PopupMenu1Popup();
    ASSERT_TRUE(form->Inspect1->isEnabled());
    form->Inspect1->trigger();
    TInspectorWindow* inspector = form->Inspector();
    ASSERT_NE(inspector, nullptr);
    EXPECT_TRUE(inspector->isVisible());
    EXPECT_EQ(inspector->windowTitle().toStdString(), "Noxsteg Inspector - Middle");

    form->PopupMenu1->SetPopupComponent(form->ImageR);
    form->Inspect1->trigger();
    EXPECT_EQ(form->Inspector(), inspector);
    EXPECT_EQ(inspector->windowTitle().toStdString(), "Noxsteg Inspector - Right");
    EXPECT_TRUE(inspector->Picture().IsEmpty());

    form->SetLSBsButtonClick();
    test::ProcessPendingEvents();
    EXPECT_EQ(test::Pixels(inspector->Picture()), test::Pixels(form->ImageR->Bitmap()));

    inspector->SetViewIndex(20);  // Blue bit 0
    desktop.Calls.clear();
    desktop.DialogAnswers = {Path("plane")};
    inspector->SaveViewClick();
    EXPECT_EQ(desktop.Calls,
              (std::vector<std::string>{"SaveFile(|BMP pictures|*.BMP|JPEG pictures|*.JPG|GIF pictures|*.GIF|PNG pictures|*.PNG)",
                                        "ShowNote(Noxsteg|The file name did not have a recognized extension (\"BMP\", "
                                        "\"JPG\", \"GIF\", or \"PNG\"): \"BMP\" was used.)",
                                        "SetCursor(crHourGlass)", "SetCursor(crDefault)"}));
    TBitmap32 back;
    ASSERT_TRUE(ReadPictureFile(Path("plane.BMP"), back));
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(test::Pixels(back), test::Pixels(inspector->Display().Bitmap()));
}

}  // namespace
}  // namespace nox
