// The back buffer's copy into a raster image: see RasterCopy.h.
#include "view/RasterCopy.h"

#include <cmath>
#include <cstring>

#include <QPaintEngine>
#include <QRegion>
#include <QTransform>

#include "image/RowBands.h"

namespace nox {

bool CopyIntoRasterImage(QPainter& painter, const QImage& from, int width, int height, bool share) {
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) return false;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return false;
    auto& to = *static_cast<QImage*>(device);
    // The formats of the backing stores (offscreen: RGB32; X11: premultiplied ARGB32). Qt draws
    // an RGB32 image onto either by copying its 32-bit words unchanged.
    if ((to.format() != QImage::Format_RGB32 && to.format() != QImage::Format_ARGB32_Premultiplied) ||
        to.devicePixelRatio() != 1.0)
        return false;
    if (from.format() != QImage::Format_RGB32 || from.devicePixelRatio() != 1.0 || from.width() < width ||
        from.height() < height)
        return false;
    if (painter.hasClipping() || painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate) return false;
    const double dx = transform.dx();
    const double dy = transform.dy();
    if (dx != std::floor(dx) || dy != std::floor(dy) || std::fabs(dx) > 1e9 || std::fabs(dy) > 1e9) return false;
    const QPoint origin(static_cast<int>(dx), static_cast<int>(dy));

    // Where the draw may write, in the image's pixels: an empty system clip means no clip.
    QRegion region = QRect(origin, QSize(width, height)) & to.rect();
    const QRegion systemClip = engine->systemClip();
    if (!systemClip.isEmpty()) region &= systemClip;
    if (region.isEmpty()) return true;

    // The engine detached the image when it began, so this does not copy it.
    uchar* const toBits = to.bits();
    const qsizetype toStride = to.bytesPerLine();
    const uchar* const fromBits = from.constBits();
    const qsizetype fromStride = from.bytesPerLine();
    for (const QRect& rect : region) {
        const size_t rowBytes = static_cast<size_t>(rect.width()) * 4;
        const uchar* source = fromBits + (rect.y() - origin.y()) * fromStride + (rect.x() - origin.x()) * 4;
        uchar* target = toBits + rect.y() * toStride + rect.x() * 4;
        ForRowBands(rect.height(), share, [&](int64_t first, int64_t last) {
            for (int64_t y = first; y < last; ++y) std::memcpy(target + y * toStride, source + y * fromStride, rowBytes);
        });
    }
    return true;
}

}  // namespace nox
