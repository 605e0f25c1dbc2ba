#pragma once

#include "gfx/image.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace pq {

// The gallery magnifier's lens, drawn without widgets: a circle of the
// popup's size showing the image around a spot at full resolution through
// a bulging lens with a frosted rim, shading and drifting highlights.

constexpr int kMagnifierSize = 440;

// Top-left of the size-pixel window centred on the spot (fractions of the
// image's size), clamped to the image.
QPointF LensWindowOrigin(QSize imageSize, QPointF spot, QSizeF window);

// The input pixel the lens shows at output pixel (column, row) of a
// width x height window: k = 0.75 at the centre, 1 at the corners.
QPoint LensSample(int column, int row, int width, int height);

// The window's pixels moved through the lens.
gfx::Image LensRemap(const gfx::Image& window);

struct LensLook {
    bool darkTheme = false;
    double seconds = 0; // drift phase of the highlights
};

// The whole popup: transparent outside the circle, the theme's background
// inside; the image when given (null draws only the background).
QImage RenderMagnifier(const gfx::Image& image, QPointF spot, const LensLook& look,
                       QSize size = QSize(kMagnifierSize, kMagnifierSize));

// The popup's top-left for a tile at `tile` (window coordinates): centred
// above the tile, below it when there is no room above, kept inside the
// window's client width.
QPoint PlaceMagnifier(const QRect& tile, QSize popup, int clientWidth);

} // namespace pq
