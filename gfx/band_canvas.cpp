#include "gfx/band_canvas.h"

#include "gfx/coverage_blend.h"
#include "gfx/disc_rows.h"
#include "gfx/pixel_math.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace gfx {
namespace {

using cover::BlendOne;
using cover::Ink;
using cover::ToCoverage;

bool Finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Sutherland-Hodgman against one axis-parallel line: keeps the side where
// sign * (coordinate - limit) <= 0.
void ClipAxis(std::vector<QPointF>& poly, std::vector<QPointF>& out, bool onX, double limit, double sign)
{
    out.clear();
    const size_t n = poly.size();
    for (size_t i = 0; i < n; ++i) {
        const QPointF a = poly[i];
        const QPointF b = poly[(i + 1) % n];
        const double va = sign * ((onX ? a.x() : a.y()) - limit);
        const double vb = sign * ((onX ? b.x() : b.y()) - limit);
        if (va <= 0)
            out.push_back(a);
        if ((va < 0 && vb > 0) || (va > 0 && vb < 0)) {
            const double t = va / (va - vb);
            QPointF p(a.x() + (b.x() - a.x()) * t, a.y() + (b.y() - a.y()) * t);
            if (onX)
                p.setX(limit);
            else
                p.setY(limit);
            out.push_back(p);
        }
    }
    poly.swap(out);
}

// Adds the signed area one edge covers in every cell of rows [r0, r1) to
// `acc` (row pitch `pitch`, column 0 at device x `x0`), widening each row's
// touched columns [lo[r], hi[r]]. The share of a row is computed from the
// edge alone, so it is the same whatever rows are asked for.
void AccumulateEdge(QPointF p, QPointF q, int r0, int r1, int x0, float* acc, int pitch, int* rowLo, int* rowHi)
{
    if (p.y() == q.y())
        return;
    float dir = 1.0f;
    if (p.y() > q.y()) {
        std::swap(p, q);
        dir = -1.0f;
    }
    const double px = p.x() - x0, py = p.y(), qx = q.x() - x0, qy = q.y();
    const double dxdy = (qx - px) / (qy - py);
    const int ya = std::max(r0, static_cast<int>(std::floor(py)));
    const int yb = std::min(r1, static_cast<int>(std::ceil(qy)));
    for (int y = ya; y < yb; ++y) {
        const double top = std::max(double(y), py);
        const double bot = std::min(double(y + 1), qy);
        if (bot <= top)
            continue;
        const float d = float(bot - top) * dir;
        const float xa = float(px + (top - py) * dxdy);
        const float xb = float(px + (bot - py) * dxdy);
        float* row = acc + size_t(y - r0) * size_t(pitch);
        const float lo = std::min(xa, xb), hi = std::max(xa, xb);
        const float loFloor = std::floor(lo);
        const int loi = static_cast<int>(loFloor);
        const float hiCeil = std::ceil(hi);
        const int hii = static_cast<int>(hiCeil);
        rowLo[y - r0] = std::min(rowLo[y - r0], loi);
        rowHi[y - r0] = std::max(rowHi[y - r0], std::max(hii, loi + 1));
        if (hii <= loi + 1) {
            const float xm = 0.5f * (xa + xb) - loFloor;
            row[loi] += d - d * xm;
            row[loi + 1] += d * xm;
        } else {
            const float s = 1.0f / (hi - lo);
            const float lof = lo - loFloor;
            const float a0 = 0.5f * s * (1.0f - lof) * (1.0f - lof);
            const float hif = hi - hiCeil + 1.0f;
            const float am = 0.5f * s * hif * hif;
            row[loi] += d * a0;
            if (hii == loi + 2) {
                row[loi + 1] += d * (1.0f - a0 - am);
            } else {
                const float a1 = s * (1.5f - lof);
                row[loi + 1] += d * (a1 - a0);
                for (int xi = loi + 2; xi < hii - 1; ++xi)
                    row[xi] += d * s;
                const float a2 = a1 + float(hii - loi - 3) * s;
                row[hii - 1] += d * (1.0f - a2 - am);
            }
            row[hii] += d * am;
        }
    }
}

struct Segment {
    double ax, ay, dx, dy, inv; // start, direction, 1 / |direction|^2 (0 when a point)
};

} // namespace

Pixel BlendCoverage(Pixel dst, Pixel color, int coverage, ShapeBlend blend)
{
    return BlendOne(dst, Ink(color), uint32_t(std::clamp(coverage, 0, 255)), blend);
}

BandCanvas::BandCanvas(Surface& surface, int top, int bottom)
    : BandCanvas(surface.bits(), surface.stride(), surface.width(), surface.height(), top, bottom)
{}

BandCanvas::BandCanvas(uchar* bits, qsizetype stride, int width, int height, int top, int bottom)
    : bits_(bits), stride_(stride), width_(bits ? width : 0), height_(bits ? height : 0), top_(std::max(top, 0)),
      bottom_(std::min(bottom, height_))
{}

BandCanvas BandCanvas::overBand(uchar* bandBits, qsizetype stride, int width, int height, int top, int bottom)
{
    BandCanvas canvas(bandBits, stride, width, height, top, bottom);
    canvas.firstRow_ = canvas.top_;
    return canvas;
}

void BandCanvas::blendRow(int y, int x0, const float* coverage, int count, Pixel color, ShapeBlend blend)
{
    const Ink ink(color);
    Pixel* line = rowAt(y);
    for (int i = 0; i < count; ++i) {
        const uint32_t c = ToCoverage(coverage[i]);
        if (c)
            line[x0 + i] = BlendOne(line[x0 + i], ink, c, blend);
    }
}

void BandCanvas::fillPolygon(std::span<const QPointF> points, Pixel color, ShapeBlend blend)
{
    const int count = int(points.size());
    fillContours(points, std::span<const int>(&count, 1), color, blend);
}

void BandCanvas::fillContours(std::span<const QPointF> points, std::span<const int> contourSizes, Pixel color,
                              ShapeBlend blend)
{
    if (top_ >= bottom_ || width_ <= 0)
        return;
    for (const QPointF& p : points)
        if (!Finite(p))
            return;
    auto bounds = [](const QPointF* pts, size_t n, double& x0, double& x1, double& y0, double& y1) {
        x0 = x1 = pts[0].x();
        y0 = y1 = pts[0].y();
        for (size_t i = 0; i < n; ++i) {
            x0 = std::min(x0, pts[i].x());
            x1 = std::max(x1, pts[i].x());
            y0 = std::min(y0, pts[i].y());
            y1 = std::max(y1, pts[i].y());
        }
    };
    // Each contour clipped to just beyond the surface (never to the row
    // window), which leaves the coverage of every surface pixel as it is.
    // (A contour already inside comes out of the clipping as it went in.)
    thread_local std::vector<QPointF> poly, contour, scratch;
    thread_local std::vector<size_t> sizes;
    poly.clear();
    sizes.clear();
    size_t offset = 0;
    for (const int size : contourSizes) {
        const size_t n = size_t(std::max(0, size));
        if (offset + n > points.size())
            break;
        const QPointF* first = points.data() + offset;
        offset += n;
        if (n < 3)
            continue;
        double minX, maxX, minY, maxY;
        bounds(first, n, minX, maxX, minY, maxY);
        if (minX < -1.0 || maxX > width_ + 1.0 || minY < -1.0 || maxY > height_ + 1.0) {
            contour.assign(first, first + n);
            ClipAxis(contour, scratch, true, -1.0, -1.0);
            ClipAxis(contour, scratch, true, width_ + 1.0, 1.0);
            ClipAxis(contour, scratch, false, -1.0, -1.0);
            ClipAxis(contour, scratch, false, height_ + 1.0, 1.0);
            if (contour.size() < 3)
                continue;
            poly.insert(poly.end(), contour.begin(), contour.end());
            sizes.push_back(contour.size());
        } else {
            poly.insert(poly.end(), first, first + n);
            sizes.push_back(n);
        }
    }
    if (poly.empty())
        return;
    double minX, maxX, minY, maxY;
    bounds(poly.data(), poly.size(), minX, maxX, minY, maxY);
    const int r0 = std::max(top_, static_cast<int>(std::floor(minY)));
    const int r1 = std::min(bottom_, static_cast<int>(std::ceil(maxY)));
    if (r0 >= r1)
        return;
    // The outline's own columns (they depend on the outline alone), one
    // spare on either side.
    const int x0 = static_cast<int>(std::floor(minX)) - 1;
    const int pitch = static_cast<int>(std::ceil(maxX)) - x0 + 3;
    thread_local std::vector<float> acc;
    thread_local std::vector<int> rowLo, rowHi;
    acc.assign(size_t(r1 - r0) * size_t(pitch), 0.0f);
    rowLo.assign(size_t(r1 - r0), pitch);
    rowHi.assign(size_t(r1 - r0), -1);
    size_t start = 0;
    for (const size_t n : sizes) {
        const QPointF* c = poly.data() + start;
        for (size_t i = 0; i < n; ++i)
            AccumulateEdge(c[i], c[(i + 1) % n], r0, r1, x0, acc.data(), pitch, rowLo.data(), rowHi.data());
        start += n;
    }
    thread_local std::vector<float> cover;
    cover.resize(size_t(pitch));
    for (int y = r0; y < r1; ++y) {
        // Left of a row's first touched cell the sum is 0; right of its last
        // one it is the row's total, 0 for closed outlines.
        const int lo = rowLo[size_t(y - r0)], hi = rowHi[size_t(y - r0)];
        if (lo > hi)
            continue;
        const float* row = acc.data() + size_t(y - r0) * size_t(pitch);
        const int xEnd = std::min(width_, x0 + hi + 1);
        float sum = 0.0f;
        int x = x0 + lo;
        for (; x < 0; ++x)
            sum += row[x - x0];
        const int xStart = x;
        int first = -1, last = -1;
        for (; x < xEnd; ++x) {
            sum += row[x - x0];
            const float c = std::min(1.0f, std::abs(sum));
            cover[size_t(x - xStart)] = c;
            if (c > 0.0f) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first >= 0)
            blendRow(y, first, cover.data() + (first - xStart), last - first + 1, color, blend);
    }
}

template <typename Coverage>
void BandCanvas::blendDisc(QPointF centre, double reach, Pixel color, ShapeBlend blend, Coverage coverage)
{
    const double cx = centre.x(), cy = centre.y();
    const Ink ink(color);
    const int r0 = std::max(top_, static_cast<int>(std::floor(cy - reach)));
    const int r1 = std::min(bottom_, static_cast<int>(std::ceil(cy + reach)));
    for (int y = r0; y < r1; ++y) {
        const double yc = y + 0.5 - cy;
        if (std::abs(yc) >= reach)
            continue;
        const double half = std::sqrt(reach * reach - yc * yc);
        const int xa = std::max(0, static_cast<int>(std::floor(cx - half)));
        const int xb = std::min(width_ - 1, static_cast<int>(std::ceil(cx + half)));
        Pixel* line = rowAt(y);
        for (int x = xa; x <= xb; ++x) {
            const uint32_t cov = ToCoverage(coverage(x, y, x + 0.5 - cx, yc));
            if (cov)
                line[x] = BlendOne(line[x], ink, cov, blend);
        }
    }
}

void BandCanvas::fillCircle(QPointF centre, double radius, Pixel color, ShapeBlend blend)
{
    if (!(radius > 0.0) || !Finite(centre) || !std::isfinite(radius) || top_ >= bottom_)
        return;
    const double cx = centre.x(), cy = centre.y();
    const double rr = radius * radius;
    if (radius < 1.0) {
        // 4 x 4 samples: a dot below one pixel keeps its area.
        blendDisc(centre, radius + 1.0, color, blend, [&](int x, int y, double, double) {
            int hits = 0;
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i) {
                    const double sx = x + (i + 0.5) / 4.0 - cx, sy = y + (j + 0.5) / 4.0 - cy;
                    hits += sx * sx + sy * sy <= rr;
                }
            return float(hits) / 16.0f;
        });
        return;
    }
    // blendDisc's rows with the coverage reach - distance.
    const double reach = radius + 0.5;
    const Ink ink(color);
    const DiscRowFn discRow = DiscRow();
    const int r0 = std::max(top_, static_cast<int>(std::floor(cy - reach)));
    const int r1 = std::min(bottom_, static_cast<int>(std::ceil(cy + reach)));
    for (int y = r0; y < r1; ++y) {
        const double yc = y + 0.5 - cy;
        if (std::abs(yc) >= reach)
            continue;
        const double half = std::sqrt(reach * reach - yc * yc);
        const int xa = std::max(0, static_cast<int>(std::floor(cx - half)));
        const int xb = std::min(width_ - 1, static_cast<int>(std::ceil(cx + half)));
        if (xa <= xb)
            discRow(rowAt(y), xa, xb, cx, yc, reach, ink, blend);
    }
}

void BandCanvas::strokeCircle(QPointF centre, double radius, double width, Pixel color, ShapeBlend blend)
{
    if (!(width > 0.0) || !Finite(centre) || !std::isfinite(radius) || !std::isfinite(width) || top_ >= bottom_)
        return;
    const double outer = radius + width / 2.0, inner = radius - width / 2.0;
    if (!(outer > 0.0))
        return;
    if (outer < 1.0 || inner <= 0.0) {
        fillCircle(centre, outer, color, blend);
        return;
    }
    // Coverage of the outer disc less that of the inner one; an inner disc
    // below half a pixel fades its share in so thin rings stay continuous.
    const double innerWeight = std::min(1.0, 2.0 * inner);
    blendDisc(centre, outer + 0.5, color, blend, [&](int, int, double xc, double yc) {
        const double d = std::sqrt(xc * xc + yc * yc);
        const double cOuter = std::clamp(outer + 0.5 - d, 0.0, 1.0);
        const double cInner = std::clamp(inner + 0.5 - d, 0.0, 1.0) * innerWeight;
        return float(cOuter - cInner);
    });
}

void BandCanvas::strokePolyline(std::span<const QPointF> points, double width, Pixel color, ShapeBlend blend)
{
    if (points.empty() || top_ >= bottom_ || std::isnan(width))
        return;
    for (const QPointF& p : points)
        if (!Finite(p))
            return;
    double half = 0.5, scale = 1.0;
    if (width >= 1.0)
        half = std::min(width, 1.0e6) / 2.0;
    else if (width > 0.0)
        scale = width;
    const double reach = half + 0.5; // no coverage at this distance or beyond

    thread_local std::vector<Segment> segs;
    segs.clear();
    const size_t n = points.size();
    double minY = points[0].y(), maxY = minY;
    for (size_t i = 0; i < n; ++i) {
        const QPointF a = points[i];
        const QPointF b = points[std::min(i + 1, n - 1)];
        minY = std::min(minY, a.y());
        maxY = std::max(maxY, a.y());
        if (i + 1 == n && n > 1)
            break;
        const double dx = b.x() - a.x(), dy = b.y() - a.y();
        const double len2 = dx * dx + dy * dy;
        segs.push_back({a.x(), a.y(), dx, dy, len2 > 0.0 ? 1.0 / len2 : 0.0});
    }
    const int r0 = std::max(top_, static_cast<int>(std::floor(minY - reach)));
    const int r1 = std::min(bottom_, static_cast<int>(std::ceil(maxY + reach)));
    const Ink ink(color);
    // Squared distances per row in single precision: plenty for coverage,
    // and the inner loop is a plain min over each segment's stretch.
    const float reachF = float(reach), reach2 = reachF * reachF;
    const float inner2 = reachF > 1.0f ? (reachF - 1.0f) * (reachF - 1.0f) : -1.0f; // full coverage within
    const float scaleF = float(scale);
    thread_local std::vector<float> best;
    struct Stretch {
        int xa, xb;
    };
    thread_local std::vector<Stretch> stretches;
    stretches.resize(segs.size());
    for (int y = r0; y < r1; ++y) {
        const double yc = y + 0.5;
        // Columns each segment may reach on this row: the stretch of it
        // whose height is within reach of the row, widened by reach.
        int lo = width_, hi = -1;
        for (size_t k = 0; k < segs.size(); ++k) {
            const Segment& s = segs[k];
            Stretch& st = stretches[k];
            st = {0, -1};
            double t0 = 0.0, t1 = 1.0;
            if (s.dy != 0.0) {
                const double ta = (yc - reach - s.ay) / s.dy, tb = (yc + reach - s.ay) / s.dy;
                t0 = std::max(0.0, std::min(ta, tb));
                t1 = std::min(1.0, std::max(ta, tb));
                if (t0 > t1)
                    continue;
            } else if (std::abs(s.ay - yc) >= reach) {
                continue;
            }
            const double xa = s.ax + s.dx * t0, xb = s.ax + s.dx * t1;
            st.xa = static_cast<int>(std::max(0.0, std::floor(std::min(xa, xb) - reach)));
            st.xb = static_cast<int>(std::min(double(width_ - 1), std::ceil(std::max(xa, xb) + reach)));
            if (st.xa > st.xb)
                continue;
            lo = std::min(lo, st.xa);
            hi = std::max(hi, st.xb);
        }
        if (lo > hi)
            continue;
        best.assign(size_t(hi - lo + 1), reach2);
        float* b = best.data() - lo;
        for (size_t k = 0; k < segs.size(); ++k) {
            const Stretch st = stretches[k];
            if (st.xa > st.xb)
                continue;
            const Segment& s = segs[k];
            const float ax = float(s.ax), dx = float(s.dx), dy = float(s.dy), inv = float(s.inv);
            const float py = float(yc - s.ay);
            const float pyDy = py * dy;
            // Four columns at a time, then the rest one by one; each lane
            // does exactly what the single-column loop does.
            int x = st.xa;
            {
                using px::F4;
                using px::Splat;
                const F4 lanes = {0.5f, 1.5f, 2.5f, 3.5f};
                const F4 vax = Splat(ax), vdx = Splat(dx), vdy = Splat(dy), vinv = Splat(inv), vpy = Splat(py),
                         vpyDy = Splat(pyDy), zero = Splat(0.0f), one = Splat(1.0f);
                for (; x + 3 <= st.xb; x += 4) {
                    const F4 pxv = (Splat(float(x)) + lanes) - vax;
                    const F4 t = px::Vmin(one, px::Vmax(zero, (pxv * vdx + vpyDy) * vinv));
                    const F4 ex = pxv - vdx * t, ey = vpy - vdy * t;
                    const F4 d2 = ex * ex + ey * ey;
                    F4 cur;
                    std::memcpy(&cur, b + x, sizeof cur);
                    cur = d2 < cur ? d2 : cur;
                    std::memcpy(b + x, &cur, sizeof cur);
                }
            }
            for (; x <= st.xb; ++x) {
                const float px = (float(x) + 0.5f) - ax;
                const float t = std::min(1.0f, std::max(0.0f, (px * dx + pyDy) * inv));
                const float ex = px - dx * t, ey = py - dy * t;
                const float d2 = ex * ex + ey * ey;
                b[x] = d2 < b[x] ? d2 : b[x];
            }
        }
        Pixel* line = rowAt(y);
        for (int x = lo; x <= hi; ++x) {
            const float d2 = b[x];
            if (d2 >= reach2)
                continue;
            const float c = d2 <= inner2 ? scaleF : (reachF - std::sqrt(d2)) * scaleF;
            const uint32_t cov = ToCoverage(c);
            if (cov)
                line[x] = BlendOne(line[x], ink, cov, blend);
        }
    }
}

} // namespace gfx
