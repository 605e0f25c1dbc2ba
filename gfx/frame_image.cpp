#include "gfx/frame_image.h"

#include "gfx/canvas.h"
#include "gfx/surface.h"

#include <algorithm>

namespace gfx {
namespace {

bool Solid(Pixel p) { return (p >> 24) >= 251; }

} // namespace

FrameHole FindFrameHole(const Image& frame)
{
    if (frame.isNull())
        return {};
    const int fw = frame.width(), fh = frame.height();
    const int cx = fw / 2, cy = fh / 2;
    if (Solid(frame.pixel(cx, cy)))
        return {0, 0, fw, fh};
    FrameHole hole{0, 0, fw, fh};
    const Pixel* row = frame.row(cy);
    for (int x = cx; x >= 0; --x)
        if (Solid(row[x])) {
            hole.left = x + 1;
            break;
        }
    for (int x = cx; x < fw; ++x)
        if (Solid(row[x])) {
            hole.right = x;
            break;
        }
    for (int y = cy; y >= 0; --y)
        if (Solid(frame.pixel(cx, y))) {
            hole.top = y + 1;
            break;
        }
    for (int y = cy; y < fh; ++y)
        if (Solid(frame.pixel(cx, y))) {
            hole.bottom = y;
            break;
        }
    return hole;
}

FrameLayout LayOutFrame(QSize image, QSize frame, const FrameHole& hole, int64_t margin)
{
    const int64_t m = std::max<int64_t>(margin, 0);
    FrameLayout layout;
    layout.width = int64_t(image.width()) + 2 * m + hole.left + (int64_t(frame.width()) - hole.right);
    layout.height = int64_t(image.height()) + 2 * m + hole.top + (int64_t(frame.height()) - hole.bottom);
    layout.imageX = hole.left + m;
    layout.imageY = hole.top + m;
    return layout;
}

namespace {

void DrawFramed(Canvas& canvas, const Image& image, const Image& frame, const FrameHole& hole,
                const FrameLayout& layout, int m, QRgb marginColor)
{
    const int ow = canvas.surface().width(), oh = canvas.surface().height();
    // The margin band and one pixel more on every side, so that no gap shows
    // under the frame's inner edge.
    Paint band = Paint::fill(QColor::fromRgba(marginColor));
    band.antiAlias = false;
    canvas.drawRect(QRectF(hole.left - 1, hole.top - 1, image.width() + 2.0 * m + 2, image.height() + 2.0 * m + 2),
                    band);
    canvas.drawImage(image, double(layout.imageX), double(layout.imageY));

    // Nine patches: the frame's columns and rows split at the hole, drawn
    // over the output's columns and rows split at the same borders.
    const int fw = frame.width(), fh = frame.height();
    const int srcX[4] = {0, hole.left, hole.right, fw};
    const int srcY[4] = {0, hole.top, hole.bottom, fh};
    const int dstX[4] = {0, hole.left, ow - (fw - hole.right), ow};
    const int dstY[4] = {0, hole.top, oh - (fh - hole.bottom), oh};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const QRect src(QPoint(srcX[i], srcY[j]), QPoint(srcX[i + 1] - 1, srcY[j + 1] - 1));
            const QRect dst(QPoint(dstX[i], dstY[j]), QPoint(dstX[i + 1] - 1, dstY[j + 1] - 1));
            if (src.isEmpty() || dst.isEmpty())
                continue;
            // Each patch on its own, so that filtering never reads across
            // the hole's edges.
            const Image patch = frame.copyRect(src);
            canvas.drawImageRect(patch, QRectF(dst), Sampling::Linear);
        }
}

} // namespace

Image ApplyFrameBitmap(const Image& image, const Image& frame, int margin, QRgb marginColor)
{
    if (image.isNull())
        return {};
    if (frame.isNull())
        return image;
    const FrameHole hole = FindFrameHole(frame);
    const FrameLayout layout = LayOutFrame(image.size(), frame.size(), hole, margin);
    if (layout.width > kMaxSide || layout.height > kMaxSide || !IsSaneSize(int(layout.width), int(layout.height)))
        return {};
    Surface out = Surface::make(int(layout.width), int(layout.height));
    if (out.isNull())
        return {};
    {
        Canvas canvas(out);
        DrawFramed(canvas, image, frame, hole, layout, std::max(margin, 0), marginColor);
    }
    return out.snapshot();
}

} // namespace gfx
