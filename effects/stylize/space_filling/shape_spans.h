#pragma once

// Rotated squares, discs and triangles as the mosaics test pixel centres
// against them, with a fast path: per row, the stretch of pixel centres
// that surely lies inside (no test needed) and the stretch outside which
// none can lie. Centres between the two are decided by the exact test, so
// a scan through the spans takes exactly the pixels the test takes.

#include "effects/stylize/space_filling/placement_context.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pq::stylize {

// Centres (x + 0.5) of one row in [outerLo, outerHi] may be inside; those
// in [innerLo, innerHi] are. Empty when outerLo > outerHi.
struct RowSpan {
    double outerLo, outerHi, innerLo, innerHi;
};

// Bounds on the centres of a row that are straight lines in the row's
// centre py: constraints k (px - ox) in [l0 + l1 (py - oy), h0 + h1 (py - oy)]
// turned once into lower and upper bounds px >= a + b py (px <= ...), with
// an outer bound widened and an inner one narrowed by eps in the
// constraint's own units. Constraints with k = 0 are decided per row.
class LinearSpans {
public:
    static constexpr double kInf = std::numeric_limits<double>::infinity();

    void add(double k, double l0, double l1, double h0, double h1, double ox, double oy, double eps)
    {
        if (k == 0) {
            fixed_[fixedCount_++] = {l0 - l1 * oy, l1, h0 - h1 * oy, h1, eps};
            return;
        }
        // Bound on px from k (px - ox) >= l (k > 0) or <= (k < 0).
        const double inv = 1.0 / k;
        auto line = [&](double c0, double c1, double shift) {
            return Line{ox + (c0 + shift - c1 * oy) * inv, c1 * inv};
        };
        const bool up = k > 0;
        if (std::isfinite(l0)) {
            (up ? outerLo_ : outerHi_)[(up ? loCount_ : hiCount_)] = line(l0, l1, -eps);
            (up ? innerLo_ : innerHi_)[(up ? loCount_ : hiCount_)] = line(l0, l1, eps);
            ++(up ? loCount_ : hiCount_);
        }
        if (std::isfinite(h0)) {
            (up ? outerHi_ : outerLo_)[(up ? hiCount_ : loCount_)] = line(h0, h1, eps);
            (up ? innerHi_ : innerLo_)[(up ? hiCount_ : loCount_)] = line(h0, h1, -eps);
            ++(up ? hiCount_ : loCount_);
        }
    }

    RowSpan row(double py) const
    {
        RowSpan s{-kInf, kInf, -kInf, kInf};
        for (int i = 0; i < fixedCount_; ++i) {
            const Fixed& f = fixed_[i];
            const double lo = f.l0 + f.l1 * py, hi = f.h0 + f.h1 * py;
            if (lo - f.eps > 0 || hi + f.eps < 0)
                return {kInf, -kInf, kInf, -kInf};
            if (lo + f.eps > 0 || hi - f.eps < 0)
                s.innerLo = kInf; // undecided: every centre gets the exact test
        }
        for (int i = 0; i < loCount_; ++i) {
            s.outerLo = std::max(s.outerLo, outerLo_[i].a + outerLo_[i].b * py);
            s.innerLo = std::max(s.innerLo, innerLo_[i].a + innerLo_[i].b * py);
        }
        for (int i = 0; i < hiCount_; ++i) {
            s.outerHi = std::min(s.outerHi, outerHi_[i].a + outerHi_[i].b * py);
            s.innerHi = std::min(s.innerHi, innerHi_[i].a + innerHi_[i].b * py);
        }
        return s;
    }

private:
    struct Line {
        double a, b;
    };
    struct Fixed {
        double l0, l1, h0, h1, eps;
    };
    Line outerLo_[4], innerLo_[4], outerHi_[4], innerHi_[4];
    Fixed fixed_[4];
    int loCount_ = 0, hiCount_ = 0, fixedCount_ = 0;
};

struct SquareSpans {
    float cx, cy, half, cosR, sinR;
    LinearSpans lines;

    SquareSpans(float x, float y, float h, float c, float s) : cx(x), cy(y), half(h), cosR(c), sinR(s)
    {
        const double eps = 1e-4 * (double(h) + 1.0) + 1e-3;
        // |dx c + dy s| <= half and |dy c - dx s| <= half.
        lines.add(c, -h, -double(s), h, -double(s), x, y, eps);
        lines.add(s, -h, c, h, c, x, y, eps);
    }
    bool inside(float px, float py) const { return PointInSquare(px, py, cx, cy, half, cosR, sinR); }
    float centreY() const { return cy; }
    RowSpan row(float py) const { return lines.row(py); }
};

struct DiscSpans {
    float cx, cy, r;
    bool inside(float px, float py) const { return PointInCircle(px, py, cx, cy, r); }
    float centreY() const { return cy; }
    RowSpan row(float py) const
    {
        const double dy = double(py) - double(cy), rr = double(r) * double(r);
        const double eps = 1e-5 * (rr + dy * dy) + 1e-3;
        const double outer = rr - dy * dy + eps, inner = rr - dy * dy - eps;
        constexpr double kInf = LinearSpans::kInf;
        if (outer < 0)
            return {kInf, -kInf, kInf, -kInf};
        const double o = std::sqrt(outer), i = inner > 0 ? std::sqrt(inner) : -1.0;
        return {cx - o, cx + o, i >= 0 ? cx - i : kInf, i >= 0 ? cx + i : -kInf};
    }
};

struct TriangleSpans {
    TriangleCorners t;
    LinearSpans lines;

    TriangleSpans(const TriangleCorners& corners, float r) : t(corners)
    {
        // sigma ((px - xi) eyi - exi (py - yi)) >= 0 for the three edges;
        // that cross product is -area at the opposite corner, so sigma is
        // the sign opposite to the corners' orientation.
        const double xs[3] = {t.x0, t.x1, t.x2}, ys[3] = {t.y0, t.y1, t.y2};
        const double area = (xs[1] - xs[0]) * (ys[2] - ys[0]) - (xs[2] - xs[0]) * (ys[1] - ys[0]);
        const double sigma = area >= 0 ? -1.0 : 1.0;
        const double eps = 1e-5 * (double(r) * r + 1.0) + 1e-3;
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3;
            const double ex = xs[j] - xs[i], ey = ys[j] - ys[i];
            lines.add(sigma * ey, 0.0, sigma * ex, LinearSpans::kInf, 0.0, xs[i], ys[i], eps);
        }
    }
    bool inside(float px, float py) const { return PointInCorners(px, py, t); }
    float centreY() const { return (t.y0 + t.y1 + t.y2) / 3.0f; }
    RowSpan row(float py) const { return lines.row(py); }
};

// Calls run(a, b) for the runs of lattice columns x = x1, x1 + step, ...
// <= x2 of row py whose centres lie in the shape (a and b on the lattice,
// a <= b), left to right, until it returns false; false when it stopped
// early. Columns near the edge come one by one after the exact test.
template <typename Shape, typename Run>
inline bool ForRowRuns(const Shape& shape, float py, int x1, int x2, int step, Run&& run)
{
    const RowSpan s = shape.row(py);
    if (!(s.outerLo <= s.outerHi))
        return true;
    // The first lattice column at or after v (steps are 1, 2 or 3).
    auto firstAtOrAfter = [&](double v) {
        const int x = int(std::max(double(x1), std::ceil(v)));
        if (step == 1)
            return x;
        const int r = step == 2 ? (x - x1) & 1 : (x - x1) % 3;
        return r == 0 ? x : x + step - r;
    };
    // Lattice columns whose centres reach the outer span, and those surely inside.
    const double hiOuter = std::min(double(x2), std::floor(s.outerHi - 0.5));
    if (std::max(double(x1), std::ceil(s.outerLo - 0.5)) > hiOuter)
        return true;
    const int xa = firstAtOrAfter(s.outerLo - 0.5), xb = int(hiOuter);
    int ia = xb + 1, ib = xb;
    if (s.innerLo <= s.innerHi) {
        const double hiInner = std::min(hiOuter, std::floor(s.innerHi - 0.5));
        if (std::max(double(xa), std::ceil(s.innerLo - 0.5)) <= hiInner) {
            ia = firstAtOrAfter(std::max(double(xa), s.innerLo - 0.5));
            ib = int(hiInner);
            if (ia > ib)
                ia = xb + 1, ib = xb;
        }
    }
    const int edgeEnd = std::min(ia - 1, xb);
    for (int x = xa; x <= edgeEnd; x += step)
        if (shape.inside(float(x) + 0.5f, py) && !run(x, x))
            return false;
    if (ia <= ib) {
        const int last = step == 1 ? ib : ib - (step == 2 ? (ib - ia) & 1 : (ib - ia) % 3);
        if (!run(ia, last))
            return false;
        for (int x = last + step; x <= xb; x += step)
            if (shape.inside(float(x) + 0.5f, py) && !run(x, x))
                return false;
    }
    return true;
}

// Calls fn(x) for the lattice columns of row py whose centres lie in the
// shape, left to right, until fn returns false; false when it stopped early.
template <typename Shape, typename Fn>
inline bool ForRowInside(const Shape& shape, float py, int x1, int x2, int step, Fn&& fn)
{
    return ForRowRuns(shape, py, x1, x2, step, [&](int a, int b) {
        for (int x = a; x <= b; x += step)
            if (!fn(x))
                return false;
        return true;
    });
}

} // namespace pq::stylize
