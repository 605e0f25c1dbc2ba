#include "gfx/frame_image.h"

#include "gfx/canvas.h"
#include "gfx/scratch_buffer.h"
#include "gfx/surface.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstring>

namespace gfx {
namespace {

bool Solid(Pixel p) { return (p >> 24) >= 251; }

bool IsClear(const Image& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const Pixel* row = image.row(y);
        if (std::any_of(row, row + image.width(), [](Pixel p) { return p != 0; }))
            return false;
    }
    return true;
}

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
            if (src.isEmpty())
                continue;
            patches.patch[size_t(j * 3 + i)] = frame.copyRect(src);
            patches.clear[size_t(j * 3 + i)] = IsClear(patches.patch[size_t(j * 3 + i)]);
        }
    return patches;
}

namespace {

// The margin band and one pixel more on every side, not antialiased; with
// `aroundPicture` only the ring around the picture's place, which the
// picture then covers.
void DrawBand(Canvas& canvas, const FramePatches& frame, const FrameLayout& layout, QRgb marginColor,
              bool aroundPicture)
{
    const FrameHole& hole = frame.hole;
    const double m = double(layout.margin);
    const double w = layout.imageWidth, h = layout.imageHeight;
    Paint band = Paint::fill(QColor::fromRgba(marginColor));
    band.antiAlias = false;
    const QRectF all(hole.left - 1, hole.top - 1, w + 2 * m + 2, h + 2 * m + 2);
    if (!aroundPicture) {
        canvas.drawRect(all, band);
        return;
    }
    const QRectF place(double(layout.imageX), double(layout.imageY), w, h);
    canvas.drawRect(QRectF(all.left(), all.top(), all.width(), place.top() - all.top()), band);
    canvas.drawRect(QRectF(all.left(), place.bottom(), all.width(), all.bottom() - place.bottom()), band);
    canvas.drawRect(QRectF(all.left(), place.top(), place.left() - all.left(), h), band);
    canvas.drawRect(QRectF(place.right(), place.top(), all.right() - place.right(), h), band);
}

// The frame as a nine-patch over the whole layout. The output's columns
// and rows split at the same borders as the frame's; each patch on its own,
// so that filtering never reads across the hole's edges.
void DrawPatches(Canvas& canvas, const FramePatches& frame, const FrameLayout& layout)
{
    const FrameHole& hole = frame.hole;
    const double ow = double(layout.width), oh = double(layout.height);
    const int fw = frame.size.width(), fh = frame.size.height();
    const double dstX[4] = {0, double(hole.left), ow - (fw - hole.right), ow};
    const double dstY[4] = {0, double(hole.top), oh - (fh - hole.bottom), oh};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const size_t k = size_t(j * 3 + i);
            const QRectF dst(QPointF(dstX[i], dstY[j]), QPointF(dstX[i + 1], dstY[j + 1]));
            if (!frame.patch[k].isNull() && !frame.clear[k] && !dst.isEmpty())
                canvas.drawImageRect(frame.patch[k], dst, Sampling::Linear);
        }
}

// An image of the layout's size holding the picture at its place and
// transparent pixels around it, each row written once.
QImage PictureOnClear(const Image& picture, const FrameLayout& layout)
{
    QImage out = NewPixelImage(int(layout.width), int(layout.height));
    if (out.isNull())
        return out;
    uint8_t* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    const int width = int(layout.width);
    const int x0 = int(layout.imageX), y0 = int(layout.imageY);
    const int w = picture.width(), h = picture.height();
    platform::ParallelForRange(0, out.height(), 32, [&](int r0, int r1) {
        for (int y = r0; y < r1; ++y) {
            auto* row = reinterpret_cast<Pixel*>(bits + stride * y);
            if (y < y0 || y >= y0 + h) {
                std::fill_n(row, width, Pixel(0));
                continue;
            }
            std::fill_n(row, x0, Pixel(0));
            std::memcpy(row + x0, picture.row(y - y0), size_t(w) * sizeof(Pixel));
            std::fill_n(row + x0 + w, width - x0 - w, Pixel(0));
        }
    });
    return out;
}

} // namespace

void DrawFramedPicture(Canvas& canvas, const Image& picture, const FramePatches& frame, const FrameLayout& layout,
                       QRgb marginColor)
{
    DrawBand(canvas, frame, layout, marginColor, false);
    const QRectF place(double(layout.imageX), double(layout.imageY), layout.imageWidth, layout.imageHeight);
    if (picture.isNull()) {
        Paint grey = Paint::fill(QColor::fromRgba(0xFF808080));
        grey.antiAlias = false;
        canvas.drawRect(place, grey);
    } else if (picture.width() == layout.imageWidth && picture.height() == layout.imageHeight) {
        canvas.drawImage(picture, place.x(), place.y());
    } else {
        canvas.drawImageRect(picture, place, Sampling::Linear);
    }
    DrawPatches(canvas, frame, layout);
}

Image ComposeFramedPicture(const Image& picture, const FramePatches& frame, const FrameLayout& layout,
                           QRgb marginColor)
{
    if (layout.width <= 0 || layout.height <= 0 || layout.width > kMaxSide || layout.height > kMaxSide
        || !IsSaneSize(int(layout.width), int(layout.height)))
        return {};
    // An opaque picture at its own size covers what lies under it: its
    // rows are copied in place of the transparent start, the band drawn
    // only around it. The pixels are those of drawing every part in turn.
    const bool copyPicture = !picture.isNull() && picture.width() == layout.imageWidth &&
                             picture.height() == layout.imageHeight && picture.isOpaque();
    Surface out;
    if (copyPicture)
        out.qimage() = PictureOnClear(picture, layout);
    else
        out = Surface::make(int(layout.width), int(layout.height));
    if (out.isNull())
        return {};
    {
        Canvas canvas(out);
        if (copyPicture) {
            DrawBand(canvas, frame, layout, marginColor, true);
            DrawPatches(canvas, frame, layout);
        } else {
            DrawFramedPicture(canvas, picture, frame, layout, marginColor);
        }
    }
    // The surface becomes the image without a copy.
    return Image::adopt(std::move(out.qimage()));
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
