// TForm1, the program's one window: three image panes (Left, Middle, Right) below a panel with the
// command buttons, the file-name labels, the JPEG quality track bar and the display-mode radio
// group. Every handler is an ordinary public method, so tests call them directly; events reach
// them through a guard that shows any exception in the error box and carries on.
#pragma once

#include <string>

#include <QMargins>
#include <QRect>
#include <QWidget>

#include "platform/Desktop.h"
#include "view/ApplicationErrors.h"
#include "view/Image32.h"
#include "view/PopupMenu.h"

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;

namespace nox {

class TIniFile;
class TInspectorWindow;
class TRadioGroup;

// What the window's file dialogs are set up with (the dialogs themselves are the desktop's).
struct TDialogSetup {
    std::string Filter;
};

class TForm1 : public QWidget {
public:
    // The window's design-time outer bounds.
    static constexpr int kDesignLeft = 197, kDesignTop = 112, kDesignWidth = 786, kDesignHeight = 466;

    explicit TForm1(TDesktop& desktop, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- components ----------------------------------------------------------------------------
    TImage32* ImageL;
    TImage32* ImageM;
    TImage32* ImageR;
    QFrame* Panel1;
    QLabel* lFNameL;
    QLabel* lFNameM;
    QLabel* lFShortNameL;
    QLabel* lFShortNameM;
    QLabel* lQuality;
    QFrame* Bevel1;
    QPushButton* OpenLeftButton;
    QPushButton* OpenMiddleButton;
    QPushButton* SubtractButton;
    QPushButton* AddButton;
    QPushButton* AddBitButton;
    QPushButton* ExitButton;
    QPushButton* SaveButton;
    QSlider* JPEGQualityTB;
    QPushButton* ShowLSBsButton;
    QPushButton* SetLSBsButton;
    QPushButton* ZoomInButton;
    TRadioGroup* ImageModeRG;
    QPushButton* ZoomOutButton;
    QPushButton* UpButton;
    QPushButton* DownButton;
    QPushButton* LeftButton;
    QPushButton* RightButton;
    TDialogSetup OpenDialog1;
    TDialogSetup SaveDialog1;
    TPopupMenu* PopupMenu1;
    QAction* Copy1;
    QAction* Paste1;
    QAction* Blacken1;
    QAction* Whiten1;
    QAction* Inspect1;

    TDesktop& Desktop() { return desktop_; }

    // ---- handlers --------------------------------------------------------------------------------
    void FormResize();
    void ImageModeRGClick();
    void ZoomInButtonClick();
    void ZoomOutButtonClick();
    void UpButtonClick();
    void DownButtonClick();
    void LeftButtonClick();
    void RightButtonClick();
    void JPEGQualityTBChange();
    void PopupMenu1Popup();
    void Blacken1Click();
    void Whiten1Click();
    // Opens the Inspector on the pop-up pane (FormInspector.cpp); one Inspector window.
    void Inspect1Click();
    TInspectorWindow* Inspector() const { return inspector_; }
    void ImageLClick();
    void ImageMClick();
    void ExitButtonClick();
    void SubtractButtonClick();
    void AddButtonClick();
    void AddBitButtonClick();
    void SetLSBsButtonClick();
    void ShowLSBsButtonClick();

    // Opening and saving (FormFiles.cpp).
    void OpenLeftButtonClick();
    void OpenMiddleButtonClick();
    // A file dropped on the Left or Middle pane: opened there as its Open button opens the file
    // chosen in the dialog (names, picture, errors).
    void ImageLDrop(const std::string& fileName);
    void ImageMDrop(const std::string& fileName);
    void SaveButtonClick();
    // Save's dialog, name correction and writing, for any picture (the Right pane's, or the
    // Inspector's view).
    void SavePictureAs(TBitmap32& picture);
    // Empties `pane` and reads the named file into it when its name selects a picture format.
    void LoadPicture(const std::string& fileName, TImage32& pane);
    // Writes the pane's picture to the named file in the format its name selects.
    void SavePicture(const std::string& fileName, TImage32& pane);
    void SavePicture(const std::string& fileName, TBitmap32& picture);

    // Start-up and shut-down with the settings file (FormSettings.cpp).
    void FormShow();
    void FormDestroy();
    // From now on the window runs FormShow when it is first shown and FormDestroy once when it is
    // closed or destroyed, as the program's main window does. Off by default, so that a window
    // made for a test never touches the settings file unless the test asks for it.
    void BecomeMainWindow() { mainWindow_ = true; }

    // The pop-up menu's Copy and Paste (FormClipboard.cpp).
    void Copy1Click();
    void Paste1Click();

    // ---- helpers -----------------------------------------------------------------------------------
    // The pane the pop-up menu was opened on (null when none).
    TImage32* PopupPane() const;
    // Sets the window's outer bounds (frame included). Before the window manager has framed the
    // window they are its inner bounds; they are applied again once the frame is known.
    void SetOuterBounds(int left, int top, int width, int height);
    // Shows an exception that ended a handler: the error box, captioned with the title.
    void HandleException(const std::exception& error);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    void ConnectHandlers();
    void SetTabOrder();
    // Enables Zoom Out and the four pan buttons exactly when the Left pane is zoomed in.
    void UpdateZoomPanEnabled();
    // Applies `change` to the three panes in turn.
    template <class Change>
    void ForEachPane(Change change);
    // Calls `handler` when `sender` fires `signal`, inside the exception guard.
    template <class Sender, class Signal>
    void Connect(Sender* sender, Signal signal, void (TForm1::*handler)());
    // Blacken and Whiten: fill the pop-up pane, repaint it, drop its file names.
    void FillPopupPane(void (*fill)(TBitmap32&));
    // The five combining buttons: `operation` of the Left and Middle pictures into the Right one.
    void CombineIntoRight(void (*operation)(TBitmap32& left, TBitmap32& middle, TBitmap32& right));
    // The four pan buttons: every pane's offset moves by half its picture along x and y (-1, 0, 1).
    void Pan(int x, int y);
    // Empties the short name and then the name label of the Left or Middle pane (the Right pane
    // has none), after its picture was replaced by one that is no file.
    void ClearPaneNames(TImage32& pane);

    TDesktop& desktop_;
    TExceptionHandler previousHandler_;

    // Open: the dialog with `title`, the names into the labels, the picture into the pane.
    void OpenPicture(const char* title, QLabel& nameLabel, QLabel& shortNameLabel, TImage32& pane);
    // Open's work once a name is chosen: the names into the labels, the picture into the pane.
    void OpenNamedPicture(const std::string& name, QLabel& nameLabel, QLabel& shortNameLabel, TImage32& pane);
    // FormShow's steps 2 to 4 for one pane: the stored name into the labels, its picture loaded.
    void RestorePane(TIniFile& settings, const char* key, QLabel& nameLabel, QLabel& shortNameLabel, TImage32& pane);
    TInspectorWindow* inspector_ = nullptr;
    QRect OuterBounds() const;
    QMargins FrameMargins() const;
    void WatchForTheFrame();
    // The outer bounds last set, until the window manager's frame is known, and the frame they
    // were applied with.
    QRect wantedOuter_;  // the outer bounds last set, brought about again once the frame is known
    bool mainWindow_ = false;
    bool shown_ = false;
    bool destroyed_ = false;
};

}  // namespace nox
