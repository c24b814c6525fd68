// TCustomPaintBox32: a widget that paints only from a back buffer of its own (a TBitmap32 that is
// at least the widget's size). The buffer is repainted only when marked not valid, so a widget that
// is merely uncovered is refreshed by one copy; it grows in steps of BufferMargin pixels so that
// dragging a window's edge does not reallocate it on every step.
#pragma once

#include <cstdint>

#include <QWidget>

#include "image/Bitmap32.h"
#include "platform/Types.h"

namespace nox {

class TCustomPaintBox32 : public QWidget {
public:
    explicit TCustomPaintBox32(QWidget* parent = nullptr);
    ~TCustomPaintBox32() override;

    // The back buffer. It is created with one BeginUpdate that is never ended, so it notifies nobody.
    TBitmap32& Buffer() { return buffer_; }
    const TBitmap32& Buffer() const { return buffer_; }

    // How much larger than the widget the buffer may grow; -1 keeps it exactly the widget's size.
    int32_t BufferMargin() const { return bufferMargin_; }
    void SetBufferMargin(int32_t margin);

    bool BufferValid() const { return bufferValid_; }

    // Marks the back buffer not valid and asks for a repaint without erasing.
    virtual void Invalidate();

    // The widget's own rectangle (0, 0, width, height).
    virtual TRect ViewportRect() const;

    // Sizes the back buffer by the margin rule; a failure to allocate it is reported and leaves
    // it empty, so that the next paint tries again.
    void ResizeBuffer();

    // How many times the back buffer has been repainted, and how many paint requests were answered
    // (tests use these to tell a rescale from a mere copy to the screen).
    uint64_t BufferPaintCount() const { return bufferPaintCount_; }
    uint64_t ScreenPaintCount() const { return screenPaintCount_; }

protected:
    // Repaints the back buffer; the base only marks it valid.
    virtual void PaintBuffer();
    void SetBufferValid(bool valid) { bufferValid_ = valid; }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Reports a failure that happened inside a paint or resize event once that event is over, so
    // that no message box runs inside the paint. Only the first failure after a good paint is
    // reported: closing the error box repaints the pane, and a buffer that still cannot be had
    // must not bring up the box again and again.
    void ReportLater(std::exception_ptr error);

    TBitmap32 buffer_;
    int32_t bufferMargin_ = 40;
    bool bufferValid_ = false;
    bool failureReported_ = false;
    uint64_t bufferPaintCount_ = 0;
    uint64_t screenPaintCount_ = 0;
};

}  // namespace nox
