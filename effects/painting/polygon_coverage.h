#pragma once

#include <QRect>

#include <cstdint>
#include <span>
#include <vector>

namespace pq {

struct PointF {
    float x = 0.0f;
    float y = 0.0f;
};

// Anti-aliased coverage of a closed polygon over a box of pixels: for every
// pixel, the area of the polygon inside it (non-zero winding, at most 1),
// as 0..255. Rows are independent of each other, so a big box may be
// covered by several threads at once; the result never depends on that.
class PolygonCoverage {
public:
    // The polygon (closed implicitly) and the pixels wanted. Parts of the
    // polygon outside the box only count through the area they enclose.
    void set(std::span<const PointF> polygon, const QRect& box);

    const QRect& box() const { return box_; }

    // A stretch of a row, box-relative [x0, x1): of constant coverage
    // `value`, or with value -1 of the coverage in cov[x0 .. x1).
    struct Run {
        int x0, x1, value;
    };

    // Coverage of pixel row y (inside the box) as runs covering
    // [0, box().width()) in order; cov receives the per-pixel values where
    // the outline passes. acc is scratch of at least box().width() + 2
    // zeros and is left zero; cov needs box().width() entries.
    void row(int y, float* acc, uint8_t* cov, std::vector<Run>& runs) const;

    // The same as one value per pixel in cov[0 .. box().width()).
    void row(int y, float* acc, uint8_t* cov) const;

private:
    // A piece of an edge, x relative to the box's left side and clamped to
    // 0..width, running downwards (y0 < y1); dir is +1 or -1.
    struct Segment {
        float x0, y0, y1, dxdy, dir;
    };
    void addSegment(float xa, float ya, float xb, float yb);

    std::vector<Segment> segments_;
    QRect box_;
};

} // namespace pq
