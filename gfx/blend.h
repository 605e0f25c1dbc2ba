#pragma once

#include "gfx/paint.h"
#include "gfx/surface.h"

namespace gfx {

// Composites `layer` (premultiplied, same size as dst) onto dst inside
// `area` with any blend mode, the non-separable ones included.
void BlendLayer(Surface& dst, const QImage& layer, const QRect& area, BlendMode mode);

// One premultiplied pixel of src blended over dst.
Pixel BlendPixel(Pixel dst, Pixel src, BlendMode mode);

// True when QPainter implements the mode itself.
bool IsPainterBlendMode(BlendMode mode);

} // namespace gfx
