#include "workspace/preview_geometry.h"

#include "engine/runtime/preview_window.h"
#include "gfx/resample.h"
#include "platform/numeric.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace pq {

namespace {

float ClampPaneZoom(float zoom)
{
    if (!std::isfinite(zoom))
        return 1.0f;
    return std::clamp(zoom, kMinPaneZoom, kMaxPaneZoom);
}

// The window's extent in source pixels.
QSizeF Extent(QSizeF pane, float zoom)
{
    return pane / double(zoom);
}

} // namespace

float PaneWheelZoom(float zoom, int wheelDelta)
{
    return ClampPaneZoom(wheelDelta > 0 ? zoom * 1.1f : zoom * 0.9090909f);
}

float PaneButtonZoom(float zoom, bool zoomIn)
{
    return zoomIn ? std::min(zoom * 1.2f, kMaxPaneZoom) : std::max(zoom / 1.2f, kMinPaneZoom);
}

QPoint ClampPaneOrigin(QPoint origin, QSize source, QSizeF pane, float zoom)
{
    const QSize display = PreviewDisplaySize(pane);
    int x = origin.x();
    int y = origin.y();
    ClampPreviewOrigin(source, display.width(), display.height(), zoom, x, y);
    return {x, y};
}

QPoint PannedPaneOrigin(QPoint origin, QPointF delta, QSize source, QSizeF pane, float zoom)
{
    const double x = origin.x() - delta.x() / zoom;
    const double y = origin.y() - delta.y() / zoom;
    if (!std::isfinite(x) || !std::isfinite(y))
        return ClampPaneOrigin(origin, source, pane, zoom);
    // Within the source before rounding, so that any drag fits an int.
    const QPoint moved(platform::Round(std::clamp(x, 0.0, double(std::max(source.width(), 0)))),
                       platform::Round(std::clamp(y, 0.0, double(std::max(source.height(), 0)))));
    return ClampPaneOrigin(moved, source, pane, zoom);
}

QImage RenderPaneSource(const gfx::Image& source, QPoint origin, QSize pane, float zoom)
{
    QImage picture(pane, gfx::kPixelFormat);
    if (picture.isNull())
        return {};
    picture.fill(Qt::white);
    if (source.isNull() || !(zoom > 0.0f))
        return picture;
    const QSizeF e = Extent(QSizeF(pane), zoom);
    const QRectF window = QRectF(QPointF(origin), e).intersected(QRectF(source.rect()));
    if (window.isEmpty())
        return picture;
    // Source pixel p lands at (p - origin) * zoom in the pane.
    QTransform toPane;
    toPane.scale(zoom, zoom);
    toPane.translate(-origin.x(), -origin.y());
    QPoint at;
    const gfx::Image drawn =
        gfx::TransformImage(source, window, toPane, gfx::Sampling::Mitchell, &at, QRect(QPoint(0, 0), pane));
    if (!drawn.isNull()) {
        QPainter p(&picture);
        p.drawImage(at, drawn.qimage());
    }
    return picture;
}

} // namespace pq
