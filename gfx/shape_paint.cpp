#include "gfx/shape_paint.h"

#include <cmath>

namespace gfx {
namespace {

bool Finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// The length scale of a similarity matrix.
double MatrixScale(const QTransform& m)
{
    return std::sqrt(std::abs(m.m11() * m.m22() - m.m12() * m.m21()));
}

void MapShape(std::span<const QPointF> shape, const QTransform& m, std::vector<QPointF>& out)
{
    out.clear();
    for (const QPointF& p : shape)
        out.push_back(m.map(p));
}

} // namespace

void StrokeConvexPolygon(std::span<const QPointF> polygon, double width, double miterLimit,
                         std::vector<QPointF>& points, std::vector<int>& sizes)
{
    if (!(width > 0.0) || !std::isfinite(width))
        return;
    thread_local std::vector<QPointF> corners, normals, inner;
    corners.clear();
    for (const QPointF& p : polygon) {
        if (!Finite(p))
            return;
        if (corners.empty() || p != corners.back())
            corners.push_back(p);
    }
    while (corners.size() > 1 && corners.back() == corners.front())
        corners.pop_back();
    const size_t n = corners.size();
    if (n < 3)
        return;
    double area2 = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const QPointF a = corners[i], b = corners[(i + 1) % n];
        area2 += a.x() * b.y() - b.x() * a.y();
    }
    if (area2 == 0.0)
        return;
    const double side = area2 > 0.0 ? 1.0 : -1.0;
    // Outward unit normal of each edge i (corner i to corner i + 1).
    normals.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const QPointF e = corners[(i + 1) % n] - corners[i];
        const double len = std::hypot(e.x(), e.y());
        normals[i] = QPointF(e.y(), -e.x()) * (side / len);
    }
    const double d = width / 2.0;
    const size_t outerStart = points.size();
    inner.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const QPointF a = normals[(i + n - 1) % n], b = normals[i];
        const double dot = a.x() * b.x() + a.y() * b.y();
        const QPointF c = corners[i];
        if (1.0 + dot > 1e-12) {
            // The offset edges meet at c +- d (a + b) / (1 + dot); the miter
            // is 1 / sin(half the corner angle) = sqrt(2 / (1 + dot)) widths.
            const QPointF miter = (a + b) * (d / (1.0 + dot));
            if (std::sqrt(2.0 / (1.0 + dot)) <= miterLimit) {
                points.push_back(c + miter);
            } else {
                points.push_back(c + a * d);
                points.push_back(c + b * d);
            }
            inner[i] = c - miter;
        } else {
            points.push_back(c + a * d);
            points.push_back(c + b * d);
            inner[i] = c;
        }
    }
    sizes.push_back(int(points.size() - outerStart));
    // The inner contour exists while every offset edge keeps its direction.
    for (size_t i = 0; i < n; ++i) {
        const QPointF e = corners[(i + 1) % n] - corners[i];
        const QPointF f = inner[(i + 1) % n] - inner[i];
        if (e.x() * f.x() + e.y() * f.y() <= 0.0)
            return;
    }
    for (size_t i = n; i-- > 0;)
        points.push_back(inner[i]);
    sizes.push_back(int(n));
}

void FillShape(BandCanvas& canvas, std::span<const QPointF> shape, const QTransform& matrix, Pixel color)
{
    thread_local std::vector<QPointF> mapped;
    MapShape(shape, matrix, mapped);
    canvas.fillPolygon(mapped, color, ShapeBlend::SrcOver);
}

void StrokeShape(BandCanvas& canvas, std::span<const QPointF> shape, const QTransform& matrix, double width,
                 Pixel color)
{
    thread_local std::vector<QPointF> mapped, outline;
    thread_local std::vector<int> sizes;
    MapShape(shape, matrix, mapped);
    outline.clear();
    sizes.clear();
    StrokeConvexPolygon(mapped, width * MatrixScale(matrix), kOutlineMiterLimit, outline, sizes);
    if (!sizes.empty())
        canvas.fillContours(outline, sizes, color, ShapeBlend::SrcOver);
}

void FillRectShape(BandCanvas& canvas, const QRectF& rect, const QTransform& matrix, Pixel color)
{
    const QPointF corners[] = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()};
    FillShape(canvas, corners, matrix, color);
}

void StrokeRectShape(BandCanvas& canvas, const QRectF& rect, const QTransform& matrix, double width, Pixel color)
{
    const QPointF corners[] = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()};
    StrokeShape(canvas, corners, matrix, width, color);
}

void FillDisc(BandCanvas& canvas, QPointF centre, double radius, Pixel color)
{
    canvas.fillCircle(centre, radius, color, ShapeBlend::SrcOver);
}

void StrokeCircle(BandCanvas& canvas, QPointF centre, double radius, double width, Pixel color)
{
    canvas.strokeCircle(centre, radius, width, color, ShapeBlend::SrcOver);
}

} // namespace gfx
