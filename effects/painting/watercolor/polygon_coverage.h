#pragma once

#include <QRect>

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace pq {

struct PointF {
    float x = 0.0f;
    float y = 0.0f;
};

// A stretch of a box row, box-relative [x0, x1): of constant coverage
// `value`, or with value -1 of the per-pixel coverage in the scratch's cov.
struct CoverageRun {
    int x0, x1, value;
};

// Working memory of PolygonCoverage::row, one per thread, reused from row
// to row and shape to shape.
struct CoverageScratch {
    std::vector<float> acc; // zero between calls
    std::vector<uint8_t> cov;
    std::vector<CoverageRun> runs;
    std::vector<std::pair<int, int>> touched;
    std::vector<int> crossing; // segments selectRows found
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

    // Coverage of pixel row y (inside the box) as s.runs, covering
    // [0, box().width()) in order; s.cov holds the per-pixel values where
    // the outline passes.
    void row(int y, CoverageScratch& s) const;

    // The same as one value per pixel in s.cov[0 .. box().width()).
    void rowPixels(int y, CoverageScratch& s) const;

    // For many rows in [y0, y1): selectRows notes in s the pieces of the
    // outline that reach those rows, once; selectedRow(y) then gives what
    // row(y) gives, looking only at them.
    void selectRows(int y0, int y1, CoverageScratch& s) const;
    void selectedRow(int y, CoverageScratch& s) const;
    // After selectRows, a stretch [x0, x1) of box row y (box-relative)
    // outside which selectedRow(y) gives no coverage; false when it gives
    // none at all.
    bool selectedSpan(int y, const CoverageScratch& s, int& x0, int& x1) const;

private:
    // A piece of an edge, x relative to the box's left side and clamped to
    // 0..width, running downwards (y0 < y1); dir is +1 or -1.
    struct Segment {
        float x0, y0, y1, dxdy, dir;
    };
    void addSegment(float xa, float ya, float xb, float yb);
    void rowOf(int y, CoverageScratch& s, bool selected) const;

    std::vector<Segment> segments_;
    QRect box_;
};

} // namespace pq
