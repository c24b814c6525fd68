// The Inspector's picture pane: the main window's pane widget, zoomed by whole steps (nearest
// neighbour, fit to the pane or 1x to 32x), with a pixel grid from 8x on, zooming around the
// cursor with the mouse wheel, panning by dragging, and reporting the picture's pixel under the
// mouse.
#pragma once

#include <functional>
#include <optional>

#include <QPoint>

#include "view/Image32.h"

namespace nox {

class TInspectorPane : public TImage32 {
public:
    static constexpr int kFit = 0;
    static constexpr int kMaxZoom = 32;
    // Zoom at which the grid between pixels appears.
    static constexpr int kGridZoom = 8;

    explicit TInspectorPane(QWidget* parent = nullptr);

    // kFit, or the whole zoom factor 1 ... 32.
    int Zoom() const { return zoom_; }
    // Sets the zoom, keeping the picture's point under `anchor` (the pane's centre when none) in
    // place; values beyond 32 become 32, below 0 fit.
    void SetZoom(int zoom, std::optional<QPoint> anchor = std::nullopt);

    // The picture's pixel under a point of the pane, or nothing outside the picture.
    std::optional<QPoint> PixelAt(QPoint at) const;

    // Called with the pixel under the mouse as it moves (nothing when it leaves the picture).
    void SetOnHover(std::function<void(std::optional<QPoint>)> handler) { onHover_ = std::move(handler); }
    // Called after the zoom has changed (by the wheel too).
    void SetOnZoom(std::function<void(int)> handler) { onZoom_ = std::move(handler); }

protected:
    void DoPaintCustomStage(TBitmap32& dest, uint32_t stageNum) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Moves the picture to the offsets, kept so that a picture larger than the pane covers it and
    // a smaller one is centred.
    void PlaceAt(double left, double top);

    int zoom_ = kFit;
    std::optional<QPoint> dragFrom_;
    QPointF dragOffset_;
    std::function<void(std::optional<QPoint>)> onHover_;
    std::function<void(int)> onZoom_;
};

}  // namespace nox
