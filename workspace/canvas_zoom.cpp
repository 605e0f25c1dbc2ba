#include "workspace/canvas_zoom.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq {

float ClampCanvasZoom(float zoom)
{
    if (!std::isfinite(zoom))
        return 1.0f;
    return std::clamp(zoom, kMinCanvasZoom, kMaxCanvasZoom);
}

float ButtonZoomStep(float zoom, bool zoomIn)
{
    return ClampCanvasZoom(zoomIn ? zoom * 1.1f : zoom / 1.1f);
}

float WheelZoomStep(float zoom, int wheelDelta)
{
    const float factor = zoom < 0.5f ? 1.03f : zoom < 1.5f ? 1.08f : 1.12f;
    float next = ClampCanvasZoom(wheelDelta > 0 ? zoom * factor : zoom / factor);
    if (next > 0.995f && next < 1.005f)
        next = 1.0f;
    return next;
}

CanvasTransform ZoomAbout(const CanvasTransform& view, QPointF anchor, float newZoom)
{
    const QPointF imagePoint = (anchor - view.pan) / double(view.zoom);
    return {newZoom, anchor - imagePoint * double(newZoom)};
}

CanvasTransform FitAndCenter(QSizeF viewport, QSize image)
{
    if (image.isEmpty())
        return {};
    const float zoom = ClampCanvasZoom(
        float(std::min(viewport.width() / image.width(), viewport.height() / image.height())));
    return {zoom, CenteredPan(viewport, image, zoom)};
}

QPointF CenteredPan(QSizeF area, QSize image, float zoom)
{
    return {(area.width() - image.width() * double(zoom)) / 2.0, (area.height() - image.height() * double(zoom)) / 2.0};
}

QSize PaintBoxSize(QSize image, float zoom, QSize viewport)
{
    const auto scaled = [zoom](int side) {
        return int(std::min(std::floor(side * double(zoom)), 1e9));
    };
    return {std::max(scaled(image.width()), viewport.width()), std::max(scaled(image.height()), viewport.height())};
}

int ZoomPercent(float zoom)
{
    return platform::Round(double(zoom) * 100.0);
}

double ClampDividerX(double dividerX, double panX, double displayedWidth)
{
    return std::clamp(dividerX, panX, panX + std::max(0.0, displayedWidth));
}

DividerPlacement PlaceDivider(double dividerX, QPointF pan, QSizeF displayed, double viewportHeight)
{
    DividerPlacement placement;
    placement.dividerX = dividerX;
    const double top = std::max(pan.y(), 0.0);
    const double bottom = std::min(pan.y() + displayed.height(), viewportHeight);
    if (top >= bottom || pan.y() + displayed.height() < 0 || pan.y() > viewportHeight)
        return placement;
    placement.visible = true;
    placement.top = top;
    placement.height = bottom - top;
    placement.dividerX = ClampDividerX(dividerX, pan.x(), displayed.width());
    return placement;
}

} // namespace pq
