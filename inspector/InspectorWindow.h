// The Inspector: a window beside the main window that shows one pane's picture (Left, Middle or
// Right) and follows it, through views that look inside it (each channel, each bit plane, ...),
// zoomed down to single pixels with their exact values, against another pane as a difference,
// and as a histogram. Other panels join it as tabs (AddPanel) and learn the inspected picture
// through PictureChanged.
#pragma once

#include <array>
#include <functional>

#include <QPointer>
#include <QWidget>

#include "analysis/Views.h"
#include "image/Bitmap32.h"
#include "view/Image32.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace nox {

class THistogramPlot;
class TInspectorPane;

class TInspectorWindow : public QWidget {
    Q_OBJECT

public:
    enum TPaneIndex { kLeft = 0, kMiddle = 1, kRight = 2 };
    static constexpr int kNoDifference = -1;

    // `panes` are the main window's Left, Middle and Right panes; `saveView` writes a picture
    // through the main window's save rules (its dialog, name correction and quality). With the
    // main window as `parent`, the program still ends when the main window closes.
    TInspectorWindow(std::array<TImage32*, 3> panes, std::function<void(TBitmap32&)> saveView, QWidget* parent = nullptr);
    ~TInspectorWindow() override;

    // Follows pane `index` from now on, and shows and raises the window.
    void Inspect(int index);
    int FollowedPane() const { return followed_; }
    // The followed pane's picture as last read (empty when the pane is empty).
    const TBitmap32& Picture() const { return picture_; }

    // Adds a panel as a tab beside the Inspector's own. A panel with a slot
    // SetPicture(const nox::TBitmap32&) is connected to PictureChanged and given the picture now.
    void AddPanel(const QString& title, QWidget* panel);

    // The view shown (an index into analysis::InspectorViews()); choosing one ends a difference.
    int ViewIndex() const { return viewIndex_; }
    void SetViewIndex(int index);
    // The next (+1) or previous (-1) view, wrapping around: the Right and Left arrow keys.
    void StepView(int delta);

    // Shows the difference of the followed picture from pane `against` (kNoDifference: the view
    // again): amplified per channel, or where any bit differs.
    void SetDifference(int against, int amplify, bool anyBit);
    int DifferenceAgainst() const { return against_; }

    // What the pane shows, as the line above it says it ("Red bit 0", "Difference from Middle x64").
    QString ShownName() const;
    // The text under the picture for its pixel (x, y): the point, then the pixel of each pane
    // whose picture contains it, the followed pane first.
    QString PixelReadout(int x, int y) const;

    // Reads the panes again now and updates what changed. Pane notifications do this once the
    // event loop next runs, so that the several notifications of one operation cost one update;
    // a closed window does not follow its pane (Inspect reads it again).
    void Refresh();

    TInspectorPane& Display() { return *display_; }
    THistogramPlot& Histogram() { return *histogram_; }
    void SaveViewClick();

    static QString PaneName(int index);

signals:
    void PictureChanged(const nox::TBitmap32& picture);

private:
    void BuildViewTab();
    void BuildDifferenceTab();
    void BuildHistogramTab();
    void PaneNotified(int index);
    // Reads the followed pane's picture; when it changed, or `chosen` (a pane chosen anew), shows
    // it and announces it.
    void Reread(bool chosen);
    // Draws the view or the difference into the display pane and updates the labels.
    void Render();
    void ShowReadout(std::optional<QPoint> pixel);
    // One function for the enabled states and the texts that depend on the state.
    void UpdateControls();

    std::array<QPointer<TImage32>, 3> panes_;
    std::function<void(TBitmap32&)> saveView_;
    int followed_ = kLeft;
    int viewIndex_ = 0;
    int against_ = kNoDifference;
    int amplify_ = 1;
    bool anyBit_ = false;
    std::array<bool, 3> dirty_{};
    bool refreshQueued_ = false;
    TBitmap32 picture_;

    TInspectorPane* display_;
    QLabel* nameLabel_;
    QLabel* legendLabel_;
    QLabel* readout_;
    QTabWidget* tabs_;
    QListWidget* viewList_;
    QPushButton* saveButton_;
    QComboBox* zoomBox_;
    QComboBox* againstBox_;
    QSpinBox* amplifyBox_;
    QRadioButton* amplifiedButton_;
    QRadioButton* anyBitButton_;
    THistogramPlot* histogram_;
    QCheckBox* pairsBox_;
};

}  // namespace nox
