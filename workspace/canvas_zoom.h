#pragma once

#include <QPointF>
#include <QSize>
#include <QSizeF>

namespace pq {

// The main canvas's view transform: an image pixel p is shown at
// pan + p * zoom. Zoom is kept within 0.1 .. 10.

constexpr float kMinCanvasZoom = 0.1f;
constexpr float kMaxCanvasZoom = 10.0f;

struct CanvasTransform {
    float zoom = 1.0f;
    QPointF pan{0, 0};
};

float ClampCanvasZoom(float zoom);

// One step of the zoom buttons and keys: x 1.1 or / 1.1, clamped, never
// snapped.
float ButtonZoomStep(float zoom, bool zoomIn);

// One wheel step: the factor is 1.03 below zoom 0.5, 1.08 below 1.5 and
// 1.12 from there, taken from the zoom before the step; a positive delta
// multiplies, any other divides; clamped, then a zoom within 0.005 of 1 is
// snapped to exactly 1.
float WheelZoomStep(float zoom, int wheelDelta);

// The zoomed view that keeps the image point under `anchor` in place.
CanvasTransform ZoomAbout(const CanvasTransform& view, QPointF anchor, float newZoom);

// Fit into the viewport and centre: zoom = min(vw / w, vh / h), clamped
// (small images are enlarged, up to 10 x).
CanvasTransform FitAndCenter(QSizeF viewport, QSize image);
// The pan that centres the image at `zoom` in an area of the given size.
QPointF CenteredPan(QSizeF area, QSize image, float zoom);
// The logical canvas size: the zoomed image, never smaller than the viewport.
QSize PaintBoxSize(QSize image, float zoom, QSize viewport);

// "100%": the zoom in whole per cent, halves to even.
int ZoomPercent(float zoom);

// ---- Split-view divider (canvas coordinates) ----

// The divider x clamped to the displayed image's horizontal extent.
double ClampDividerX(double dividerX, double panX, double displayedWidth);

struct DividerPlacement {
    bool visible = false;
    double dividerX = 0; // clamped
    double top = 0;      // the splitter's vertical span: the visible part
    double height = 0;   // of the displayed image
};
// Where the splitter goes for the displayed image (pan, displayed size) in
// a viewport `viewportHeight` high; hidden when the image lies wholly above
// or below the viewport.
DividerPlacement PlaceDivider(double dividerX, QPointF pan, QSizeF displayed, double viewportHeight);

} // namespace pq
