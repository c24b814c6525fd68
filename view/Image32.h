// The image pane: TCustomImage32 shows its own TBitmap32 (`Bitmap`) inside the widget according to
// ScaleMode, Scale, BitmapAlign and the offsets, repainting its back buffer through a list of paint
// stages whenever the bitmap or a setting changes; TImage32 is the pane the window places.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "image/Bitmap32.h"
#include "platform/Types.h"
#include "view/PaintBox32.h"

class QMenu;

namespace nox {

class TPopupMenu;

enum TScaleMode : uint8_t { smNormal = 0, smStretch = 1, smScale = 2, smResize = 3 };
enum TBitmapAlign : uint8_t { baTopLeft = 0, baCenter = 1, baTile = 2, baCustom = 3 };

// Stage kinds, in the order of their numbers.
enum TPaintStageKind : uint32_t {
    PST_CUSTOM = 1,
    PST_CLEAR_BUFFER = 2,
    PST_CLEAR_BACKGND = 3,
    PST_DRAW_BITMAP = 4,
    PST_DRAW_LAYERS = 5,
    PST_CONTROL_FRAME = 6,
    PST_BITMAP_FRAME = 7,
};

struct TPaintStage {
    bool DsgnTime = false;
    bool RunTime = true;
    uint32_t Stage = 0;      // a TPaintStageKind, or 0 for a stage that does nothing
    uint32_t Parameter = 0;  // for PST_DRAW_LAYERS: the layer options it paints
};

// The smallest scale a pane accepts: the single-precision value nearest 0.001.
inline constexpr float kMinScale = 0.001f;

struct TBitmapSize {
    int32_t Width = 0;
    int32_t Height = 0;
    friend constexpr bool operator==(const TBitmapSize&, const TBitmapSize&) = default;
};

class TCustomImage32 : public TCustomPaintBox32 {
public:
    using TPaneEvent = std::function<void(TCustomImage32& sender)>;
    using TMouseEvent = std::function<void(TCustomImage32& sender, Qt::MouseButton button, int x, int y)>;
    using TPaintStageEvent = std::function<void(TCustomImage32& sender, TBitmap32& dest, uint32_t stageNum)>;

    explicit TCustomImage32(QWidget* parent = nullptr);
    ~TCustomImage32() override;

    TBitmap32& Bitmap() { return bitmap_; }
    const TBitmap32& Bitmap() const { return bitmap_; }
    // Takes over `source` (null empties the bitmap).
    void SetBitmap(TPersistent* source);

    TBitmapAlign BitmapAlign() const { return bitmapAlign_; }
    void SetBitmapAlign(TBitmapAlign value);
    float BitmapOffsetX() const { return offsetX_; }
    void SetBitmapOffsetX(float value);
    float BitmapOffsetY() const { return offsetY_; }
    void SetBitmapOffsetY(float value);
    float Scale() const { return scale_; }
    void SetScale(float value);
    TScaleMode ScaleMode() const { return scaleMode_; }
    void SetScaleMode(TScaleMode value);

    // The pane's background: its colour role resolved to 0xFFRRGGBB.
    TColor32 Color32() const;

    // Notifications of the pane. While the update count is above 0 they do nothing; Changed
    // otherwise invalidates the pane, then calls OnChange. The window calls Changed itself after it
    // has written pixels, which notify nobody.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    virtual void Changing();
    virtual void Changed();
    int32_t UpdateCount() const { return updateCount_; }

    void Invalidate() override;
    // Marks the cached bitmap rectangle invalid.
    void DropBitmapRect() { bitmapRectValid_ = false; }

    // Where the bitmap is drawn in the widget (right and bottom exclusive); may reach outside it.
    virtual TBitmapSize ComputeBitmapSize() const;
    virtual TRect ComputeBitmapRect() const;
    // The rectangle the last back-buffer repaint used, and whether it is still current.
    TRect CachedBitmapRect() const { return cachedBitmapRect_; }
    bool BitmapRectValid() const { return bitmapRectValid_; }

    std::vector<TPaintStage>& PaintStages() { return paintStages_; }

    // The pop-up menu a right click opens, with this pane as its pop-up component.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    void SetOnChanging(TPaneEvent handler) { onChanging_ = std::move(handler); }
    void SetOnChange(TPaneEvent handler) { onChange_ = std::move(handler); }
    void SetOnClick(TPaneEvent handler) { onClick_ = std::move(handler); }
    void SetOnDblClick(TPaneEvent handler) { onDblClick_ = std::move(handler); }
    void SetOnMouseDown(TMouseEvent handler) { onMouseDown_ = std::move(handler); }
    void SetOnMouseUp(TMouseEvent handler) { onMouseUp_ = std::move(handler); }
    void SetOnPaintStage(TPaintStageEvent handler) { onPaintStage_ = std::move(handler); }

protected:
    // Follows a resize of the bitmap: DropBitmapRect, Invalidate.
    virtual void BitmapSizeChanged();
    virtual void SetUpDefaultStages();
    // Called after Scale has changed; does nothing here.
    virtual void ScaleChanged() {}

    void PaintBuffer() override;

    // One handler per stage kind; each paints into the back buffer `dest`.
    virtual void DoPaintBitmapFrame(TBitmap32& dest, uint32_t stageNum);
    virtual void DoClearBuffer(TBitmap32& dest, uint32_t stageNum);
    virtual void DoClearBackground(TBitmap32& dest, uint32_t stageNum);
    virtual void DoPaintControlFrame(TBitmap32& dest, uint32_t stageNum);
    virtual void DoPaintCustomStage(TBitmap32& dest, uint32_t stageNum);
    virtual void DoPaintBitmap(TBitmap32& dest, uint32_t stageNum);
    virtual void DoPaintLayers(TBitmap32& dest, uint32_t stageNum);

    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The mouse leaving the pane resets the program-wide cursor override to the default cursor.
    void leaveEvent(QEvent* event) override;

private:
    TBitmap32 bitmap_;
    TBitmapAlign bitmapAlign_ = baTopLeft;
    float offsetX_ = 0.0f;
    float offsetY_ = 0.0f;
    std::vector<TPaintStage> paintStages_;
    float scale_ = 1.0f;
    TScaleMode scaleMode_ = smNormal;
    int32_t updateCount_ = 0;
    TPaneEvent onChanging_;
    TPaneEvent onChange_;
    TPaneEvent onClick_;
    TPaneEvent onDblClick_;
    TMouseEvent onMouseDown_;
    TMouseEvent onMouseUp_;
    TPaintStageEvent onPaintStage_;
    TPopupMenu* popupMenu_ = nullptr;
    TRect cachedBitmapRect_;
    bool bitmapRectValid_ = false;
    Qt::MouseButton pressedButton_ = Qt::NoButton;
};

// The pane as the window places it; it adds nothing to TCustomImage32.
class TImage32 : public TCustomImage32 {
public:
    using TCustomImage32::TCustomImage32;
};

}  // namespace nox
