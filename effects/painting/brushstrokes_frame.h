#pragma once

#include "gfx/image.h"

#include <QRgb>

namespace pq {

// The brushstroke frame: the picture enlarged by a border of `borderWidth`
// pixels of `borderColor` (unpremultiplied ARGB), with a band of brush marks
// from the template-matching atlas painted along each of its four edges so
// that the picture frays into the border. Marks take the picture's colour
// near the edge and the border colour beyond it and are kept only when they
// bring the band closer to what lies under it; the bands fade toward the
// picture. A picture with any transparent pixel gets a transparent border
// and background. Brush sizes below 5 act as 5 (above 1000 as 1000);
// negative widths as 0. Random numbers come from the run's generator.
// Returns the source for a null source or atlas, and a null image when the
// framed picture would exceed the image-size cap.
gfx::Image ApplyBrushstrokesFrame(const gfx::Image& source, const gfx::Image& atlas, QRgb borderColor,
                                  int borderWidth, int brushSize);

// Number under which pq-render runs the frame: P1 width, P2 brush,
// P3..P5 the R, G, B of an opaque border colour.
constexpr int kBrushstrokesFrameNumber = 900;

} // namespace pq
