#include "workspace/preview_geometry.h"

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
    const QSizeF e = Extent(pane, zoom);
    int x = std::max(origin.x(), 0);
    int y = std::max(origin.y(), 0);
    if (x + e.width() > source.width())
        x = std::max(0, platform::Round(source.width() - e.width()));
    if (y + e.height() > source.height())
        y = std::max(0, platform::Round(source.height() - e.height()));
    return {x, y};
}

QPoint PannedPaneOrigin(QPoint origin, QPointF delta, QSize source, QSizeF pane, float zoom)
{
    const QSizeF e = Extent(pane, zoom);
    const double dx = delta.x() / zoom;
    const double dy = delta.y() / zoom;
    const double maxX = std::max(0.0, source.width() - e.width());
    const double maxY = std::max(0.0, source.height() - e.height());
    return {platform::Round(std::clamp(origin.x() - dx, 0.0, maxX)),
            platform::Round(std::clamp(origin.y() - dy, 0.0, maxY))};
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
