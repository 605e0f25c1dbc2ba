#pragma once

#include "gfx/image.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QSizeF>

namespace pq {

// The preview pane's window of the source: its origin in source pixels and
// its zoom (pane pixels per source pixel, 0.25 .. 5).

constexpr float kMinPaneZoom = 0.25f;
constexpr float kMaxPaneZoom = 5.0f;

// Wheel: x 1.1 for a positive delta, x 0.9090909 otherwise; clamped.
float PaneWheelZoom(float zoom, int wheelDelta);
// Buttons: x 1.2 up to 5, / 1.2 down to 0.25.
float PaneButtonZoom(float zoom, bool zoomIn);

// Keeps the window inside the source: negative coordinates become 0 and a
// window running past the right or bottom edge is pulled back (to 0 for a
// source narrower than the window). The window is the one a preview run
// cuts (ClampPreviewOrigin), so the run keeps the origin stored here.
QPoint ClampPaneOrigin(QPoint origin, QSize source, QSizeF pane, float zoom);

// The origin after dragging the mouse by `delta` pane pixels: the picture
// moves with the mouse and the window stays inside the source.
QPoint PannedPaneOrigin(QPoint origin, QPointF delta, QSize source, QSizeF pane, float zoom);

// The untreated source window as the pane shows it: a white pane-sized
// picture with the window drawn at `zoom` with Mitchell sampling; parts
// beyond the source stay white.
QImage RenderPaneSource(const gfx::Image& source, QPoint origin, QSize pane, float zoom);

} // namespace pq
