#pragma once

#include "engine/runtime/effect_run.h"
#include "gfx/image.h"

#include <QRect>
#include <QSize>
#include <QSizeF>

namespace pq {

// The preview window: the part of the source a preview run works on. The
// pane shows displayWidth x displayHeight pixels at `zoom` pane pixels per
// source pixel, so the window spans Round(display / zoom) source pixels.

// The pane's size in whole pixels (halves to even); 0 for a side that is
// not a positive number.
QSize PreviewDisplaySize(QSizeF pane);

// Round(displaySize / zoom); 0 for a zoom that is not a positive number.
int PreviewExtent(int displaySize, double zoom);

// Pulls the origin back so that the window of PreviewExtent pixels ends
// inside the source, and makes negative coordinates 0. A preview run does
// this before it cuts its window, and the pane does it whenever it moves
// the origin, so both always agree on the window. The caller stores the
// result in previewX/Y.
void ClampPreviewOrigin(QSize source, int displayWidth, int displayHeight, double zoom, int& startX, int& startY);

// The window for a clamped origin; empty when nothing of the source is left.
QRect PreviewWindow(QSize source, int displayWidth, int displayHeight, double zoom, int startX, int startY);

// What the pane shows for a picture of the window: a white pane-sized image
// with the picture scaled by the zoom into its top-left part. Where the
// source is smaller than the window the picture keeps the zoom (the rest
// stays white) instead of being stretched. Without a valid pane the picture
// is returned as it is.
gfx::Image ComposePreviewPane(const gfx::Image& picture, const PreviewPane& pane);

} // namespace pq
