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

bool HasFrameOpening(const Image& frame)
{
    return !frame.isNull() && !Solid(frame.pixel(frame.width() / 2, frame.height() / 2));
}

bool IsMatOnlyFrame(const Image& frame)
{
    if (frame.isNull())
        return false;
    const int cx = frame.width() / 2, cy = frame.height() / 2;
    const Pixel* row = frame.row(cy);
    for (int x = 0; x < frame.width(); ++x)
        if (Solid(row[x]))
            return false;
    for (int y = 0; y < frame.height(); ++y)
        if (Solid(frame.pixel(cx, y)))
            return false;
    return true;
}

FrameLayout LayOutFrame(QSize image, QSize frame, const FrameHole& hole, int64_t margin)
{
    const int64_t m = std::max<int64_t>(margin, 0);
    FrameLayout layout;
    layout.width = int64_t(image.width()) + 2 * m + hole.left + (int64_t(frame.width()) - hole.right);
    layout.height = int64_t(image.height()) + 2 * m + hole.top + (int64_t(frame.height()) - hole.bottom);
    layout.imageX = hole.left + m;
    layout.imageY = hole.top + m;
    layout.imageWidth = image.width();
    layout.imageHeight = image.height();
    layout.margin = m;
    return layout;
}

FramePatches CutFrame(const Image& frame, const FrameHole& hole)
{
    FramePatches patches;
    patches.size = frame.size();
    patches.hole = hole;
    if (frame.isNull())
        return patches;
    const int fw = frame.width(), fh = frame.height();
    const int srcX[4] = {0, hole.left, hole.right, fw};
    const int srcY[4] = {0, hole.top, hole.bottom, fh};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const QRect src(QPoint(srcX[i], srcY[j]), QPoint(srcX[i + 1] - 1, srcY[j + 1] - 1));
            if (!src.isEmpty())
                patches.patch[size_t(j * 3 + i)] = frame.copyRect(src);
        }
    return patches;
}

void DrawFramedPicture(Canvas& canvas, const Image& picture, const FramePatches& frame, const FrameLayout& layout,
                       QRgb marginColor)
{
    const FrameHole& hole = frame.hole;
    const double m = double(layout.margin);
    const double w = layout.imageWidth, h = layout.imageHeight;
    Paint band = Paint::fill(QColor::fromRgba(marginColor));
    band.antiAlias = false;
    canvas.drawRect(QRectF(hole.left - 1, hole.top - 1, w + 2 * m + 2, h + 2 * m + 2), band);
    const QRectF place(double(layout.imageX), double(layout.imageY), w, h);
    if (picture.isNull()) {
        Paint grey = Paint::fill(QColor::fromRgba(0xFF808080));
        grey.antiAlias = false;
        canvas.drawRect(place, grey);
    } else if (picture.width() == layout.imageWidth && picture.height() == layout.imageHeight) {
        canvas.drawImage(picture, place.x(), place.y());
    } else {
        canvas.drawImageRect(picture, place, Sampling::Linear);
    }

    // The output's columns and rows split at the same borders as the
    // frame's; each patch on its own, so that filtering never reads across
    // the hole's edges.
    const double ow = double(layout.width), oh = double(layout.height);
    const int fw = frame.size.width(), fh = frame.size.height();
    const double dstX[4] = {0, double(hole.left), ow - (fw - hole.right), ow};
    const double dstY[4] = {0, double(hole.top), oh - (fh - hole.bottom), oh};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const Image& patch = frame.patch[size_t(j * 3 + i)];
            const QRectF dst(QPointF(dstX[i], dstY[j]), QPointF(dstX[i + 1], dstY[j + 1]));
            if (!patch.isNull() && !dst.isEmpty())
                canvas.drawImageRect(patch, dst, Sampling::Linear);
        }
}

Image ComposeFramedPicture(const Image& picture, const FramePatches& frame, const FrameLayout& layout,
                           QRgb marginColor)
{
    if (layout.width <= 0 || layout.height <= 0 || layout.width > kMaxSide || layout.height > kMaxSide
        || !IsSaneSize(int(layout.width), int(layout.height)))
        return {};
    Surface out = Surface::make(int(layout.width), int(layout.height));
    if (out.isNull())
        return {};
    {
        Canvas canvas(out);
        DrawFramedPicture(canvas, picture, frame, layout, marginColor);
    }
    return out.snapshot();
}

Image ApplyFrameBitmap(const Image& image, const Image& frame, int margin, QRgb marginColor)
{
    if (image.isNull())
        return {};
    if (frame.isNull())
        return image;
    const FrameHole hole = FindFrameHole(frame);
    const FrameLayout layout = LayOutFrame(image.size(), frame.size(), hole, margin);
    return ComposeFramedPicture(image, CutFrame(frame, hole), layout, marginColor);
}

} // namespace gfx
