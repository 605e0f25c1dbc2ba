#include "gfx/resample.h"

#include "gfx/resample_detail.h"
#include "gfx/scratch_buffer.h"

#include <algorithm>
#include <cmath>

namespace gfx {

namespace resample {

std::optional<Image> UnsampledResize(const Image& image, int width, int height)
{
    if (image.isNull() || !IsSaneSize(width, height))
        return Image();
    if (image.size() == QSize(width, height))
        return Image::fromQImage(image.qimage());
    return std::nullopt;
}

} // namespace resample

Image Resize(const Image& image, int width, int height, Sampling sampling)
{
    if (std::optional<Image> done = resample::UnsampledResize(image, width, height))
        return *done;
    QImage dst = NewPixelImage(width, height);
    if (dst.isNull())
        return {};
    const int sw = image.width(), sh = image.height();
    const auto tx = resample::MakeTaps(width, double(sw) / width, 0.0, 0, sw - 1, sampling);
    const auto ty = resample::MakeTaps(height, double(sh) / height, 0.0, 0, sh - 1, sampling);
    resample::ResampleSeparable(image, dst, tx, ty, {}, {});
    return Image::adopt(std::move(dst));
}

namespace {

bool IsFinite(const QTransform& t)
{
    const double v[] = {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()};
    return std::all_of(std::begin(v), std::end(v), [](double x) { return std::isfinite(x); });
}

// Device pixels covered by the transformed source area, limited by the clip.
QRect DeviceBounds(const QRectF& mapped, const QRect& clip)
{
    double left = std::floor(mapped.left()), top = std::floor(mapped.top());
    double right = std::ceil(mapped.right()), bottom = std::ceil(mapped.bottom());
    if (!clip.isNull()) {
        left = std::max(left, double(clip.left()));
        top = std::max(top, double(clip.top()));
        right = std::min(right, double(clip.right()) + 1.0);
        bottom = std::min(bottom, double(clip.bottom()) + 1.0);
    }
    if (!(right > left && bottom > top) || right - left > kMaxSide || bottom - top > kMaxSide ||
        std::fabs(left) > 1e9 || std::fabs(top) > 1e9)
        return {};
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

} // namespace

bool IsExactCopy(const QTransform& transform)
{
    return transform.type() <= QTransform::TxTranslate && std::isfinite(transform.dx()) &&
           std::isfinite(transform.dy()) && transform.dx() == std::floor(transform.dx()) &&
           transform.dy() == std::floor(transform.dy());
}

Image TransformImage(const Image& image, const QRectF& srcRect, const QTransform& transform, Sampling sampling,
                     QPoint* origin, const QRect& deviceClip)
{
    if (origin)
        *origin = QPoint();
    if (image.isNull() || !srcRect.isValid() || !IsFinite(transform) || !transform.isAffine() ||
        !transform.isInvertible())
        return {};
    const QRectF area = srcRect.intersected(QRectF(image.rect()));
    if (area.isEmpty())
        return {};
    const QRect out = DeviceBounds(transform.mapRect(area), deviceClip);
    if (out.isEmpty() || !IsSaneSize(out.width(), out.height()))
        return {};
    if (IsExactCopy(transform) && area == QRectF(area.toAlignedRect())) {
        // The device rectangle maps back onto whole source pixels.
        const QPoint from = out.topLeft() - QPoint(int(transform.dx()), int(transform.dy()));
        Image copy = Image::adopt(image.qimage().copy(QRect(from, out.size())));
        if (copy.isNull())
            return {};
        if (origin)
            *origin = out.topLeft();
        return copy;
    }
    QImage dst = NewPixelImage(out.size());
    if (dst.isNull())
        return {};

    const QTransform inverse = transform.inverted();
    const resample::SourceArea src{
        std::max(0, static_cast<int>(std::floor(area.left()))),
        std::max(0, static_cast<int>(std::floor(area.top()))),
        std::min(image.width() - 1, static_cast<int>(std::ceil(area.right())) - 1),
        std::min(image.height() - 1, static_cast<int>(std::ceil(area.bottom())) - 1),
        area.left(),
        area.top(),
        area.right(),
        area.bottom(),
    };
    if (transform.type() <= QTransform::TxScale) {
        // Axis-aligned: source u of output column i is scale * (i + 0.5) + offset.
        const double sx = inverse.m11(), ox = inverse.m11() * out.left() + inverse.dx();
        const double sy = inverse.m22(), oy = inverse.m22() * out.top() + inverse.dy();
        const auto tx = resample::MakeTaps(out.width(), sx, ox, src.x0, src.x1, sampling);
        const auto ty = resample::MakeTaps(out.height(), sy, oy, src.y0, src.y1, sampling);
        const auto cx = resample::AxisCoverage(out.width(), sx, ox, src.left, src.right);
        const auto cy = resample::AxisCoverage(out.height(), sy, oy, src.top, src.bottom);
        resample::ResampleSeparable(image, dst, tx, ty, cx, cy);
    } else {
        resample::WarpAffine(image, dst, out.topLeft(), inverse, src, sampling);
    }
    if (origin)
        *origin = out.topLeft();
    return Image::adopt(std::move(dst));
}

} // namespace gfx
