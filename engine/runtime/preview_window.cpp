#include "engine/runtime/preview_window.h"

#include "gfx/canvas.h"
#include "gfx/surface.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq {

namespace {

int DisplayExtent(double v)
{
    if (!std::isfinite(v) || v <= 0.0)
        return 0;
    return platform::Round(std::min(v, 65535.0));
}

} // namespace

QSize PreviewDisplaySize(QSizeF pane)
{
    return {DisplayExtent(pane.width()), DisplayExtent(pane.height())};
}

int PreviewExtent(int displaySize, double zoom)
{
    if (!(zoom > 0.0) || !std::isfinite(zoom) || displaySize <= 0)
        return 0;
    const double extent = std::min(double(displaySize) / zoom, 1.0e9);
    return platform::Round(extent);
}

void ClampPreviewOrigin(QSize source, int displayWidth, int displayHeight, double zoom, int& startX, int& startY)
{
    const int cw = PreviewExtent(displayWidth, zoom);
    const int ch = PreviewExtent(displayHeight, zoom);
    if (source.width() - cw < startX)
        startX = std::max(source.width() - cw, 0);
    if (source.height() - ch < startY)
        startY = std::max(source.height() - ch, 0);
    startX = std::max(startX, 0);
    startY = std::max(startY, 0);
}

QRect PreviewWindow(QSize source, int displayWidth, int displayHeight, double zoom, int startX, int startY)
{
    const int sourceWidth = source.width();
    const int sourceHeight = source.height();
    int w = std::min(PreviewExtent(displayWidth, zoom), sourceWidth - startX);
    int h = std::min(PreviewExtent(displayHeight, zoom), sourceHeight - startY);
    if (w <= 0)
        w = std::min(displayWidth, sourceWidth);
    if (h <= 0)
        h = std::min(displayHeight, sourceHeight);
    if (startX + w > sourceWidth)
        w = sourceWidth - startX;
    if (startY + h > sourceHeight)
        h = sourceHeight - startY;
    if (w <= 0 || h <= 0 || startX < 0 || startY < 0)
        return {};
    return QRect(startX, startY, w, h);
}

gfx::Image ComposePreviewPane(const gfx::Image& picture, const PreviewPane& pane)
{
    if (picture.isNull() || !pane.valid || pane.displayWidth <= 0 || pane.displayHeight <= 0 ||
        pane.window.isEmpty())
        return picture;
    gfx::Surface surface = gfx::Surface::make(pane.displayWidth, pane.displayHeight);
    if (surface.isNull())
        return picture;
    surface.clear(Qt::white);
    // A window cut short by the source's edge keeps the zoom; a full one
    // fills the pane.
    const double dstW = pane.window.width() < pane.fullWindow.width() ? pane.window.width() * pane.zoom
                                                                        : double(pane.displayWidth);
    const double dstH = pane.window.height() < pane.fullWindow.height() ? pane.window.height() * pane.zoom
                                                                          : double(pane.displayHeight);
    {
        gfx::Canvas canvas(surface);
        canvas.drawImageRect(picture, QRectF(0, 0, dstW, dstH), gfx::Sampling::Mitchell);
    }
    return surface.snapshot();
}

} // namespace pq
