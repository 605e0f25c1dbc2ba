#pragma once

#include "gfx/image.h"

#include <QRgb>

#include <functional>

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

// The frame's layers before the picture goes under them: the border with
// its painted bands, the plain border without strokes, and the background
// the picture lies on (transparent when the picture has any transparent
// pixel, else opaque white). Null images when the atlas or the picture is
// missing or the framed size exceeds the image-size cap.
struct BrushstrokesFrameLayers {
    gfx::Image border;
    gfx::Image plainBorder;
    gfx::Pixel background = 0;
    int borderWidth = 0;
};

// Paints the frame's layers for `source`; `progress` (optional, called on
// any one thread at a time) hears 5 after the transparency scan, 10 once
// the marks are cut, 10..90 as the bands fill and 90 after them. The four
// bands are painted side by side; the picture does not depend on it.
BrushstrokesFrameLayers PaintBrushstrokesFrame(const gfx::Image& source, const gfx::Image& atlas, QRgb borderColor,
                                               int borderWidth, int brushSize,
                                               const std::function<void(int)>& progress = {});

// `picture` at its own size at (borderWidth, borderWidth) on the layers'
// background, with `border` laid over it; null when the layers are.
gfx::Image ComposeFramed(const gfx::Image& picture, const gfx::Image& border, const BrushstrokesFrameLayers& layers);

// Number under which pq-render runs the frame: P1 width, P2 brush,
// P3..P5 the R, G, B of an opaque border colour.
constexpr int kBrushstrokesFrameNumber = 900;

} // namespace pq
