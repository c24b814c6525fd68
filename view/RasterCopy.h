// The copy of a pane's back buffer to the window. Qt's raster painting keeps the window's pixels
// in a backing-store image; drawing the back buffer there through QPainter copies it on the
// calling thread. Right after a repaint the back buffer was written past the cache, and reading
// it back is the larger part of the copy; so where the painter paints straight into that image,
// a repaint writes the pixels of its picture into it as well (through a TPixelMirror), and the
// copy writes the rest itself, sharing large ones with the helper thread that shares the repaint.
#pragma once

#include <optional>

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>

#include "image/PixelMirror.h"

namespace nox {

// Where a pane's pixels may be written straight into the window's image: the painter paints
// into an RGB32 or premultiplied ARGB32 image with the raster engine, no scaling or fractional
// offset, no clip but the system's, full opacity, the default composition and a device pixel
// ratio of 1. There Qt's draw of an RGB32 image is a copy of its 32-bit pixels, alpha byte
// included, inside the system clip.
struct TRasterTarget {
    QImage* Image = nullptr;
    QPoint Origin;   // where the pane's pixel (0, 0) lies in the image
    QRegion Region;  // the image's pixels the pane may write: its own, the image's and the system clip's
};

// The target of a pane of width x height pixels painted with `painter`; none when the painter
// is in any other state.
std::optional<TRasterTarget> FindRasterTarget(QPainter& painter, int width, int height);

// A mirror for a repaint of the back buffer: the largest rectangle of the target's region, in
// the pane's pixels.
TPixelMirror MirrorOf(const TRasterTarget& target);

// Copies the pane's back buffer `from` (Format_RGB32, at least the pane's size) into the
// target's region, except the pane's pixels `done`, which are there already. `share`: `from` was
// just repainted (past the cache), so a large copy is shared with the helper thread.
void CopyIntoRasterTarget(const TRasterTarget& target, const QImage& from, const QRect& done, bool share);

}  // namespace nox
