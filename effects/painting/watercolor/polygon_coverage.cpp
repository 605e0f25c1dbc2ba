#include "effects/painting/watercolor/polygon_coverage.h"

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

// floor and ceil for 0 <= v < 2^31.
inline int FloorOf(float v)
{
    return int(v);
}
inline int CeilOf(float v)
{
    const int i = int(v);
    return float(i) < v ? i + 1 : i;
}

// Adds the signed area a line piece inside one pixel row leaves to the
// right of it: after a running sum over acc, each cell holds the covered
// area of its pixel. x and xn are the piece's ends (0..width), d its height
// with the edge's direction.
void Accumulate(float* acc, float x, float xn, float d)
{
    const float x0 = std::min(x, xn);
    const float x1 = std::max(x, xn);
    const int x0i = FloorOf(x0);
    const float x0floor = float(x0i);
    const int x1i = CeilOf(x1);
    const float x1ceil = float(x1i);
    if (x1i <= x0i + 1) {
        const float xmf = 0.5f * (x + xn) - x0floor;
        acc[x0i] += d - d * xmf;
        acc[x0i + 1] += d * xmf;
        return;
    }
    const float s = 1.0f / (x1 - x0);
    const float x0f = x0 - x0floor;
    const float a0 = 0.5f * s * (1.0f - x0f) * (1.0f - x0f);
    const float x1f = x1 - x1ceil + 1.0f;
    const float am = 0.5f * s * x1f * x1f;
    acc[x0i] += d * a0;
    if (x1i == x0i + 2) {
        acc[x0i + 1] += d * (1.0f - a0 - am);
    } else {
        const float a1 = s * (1.5f - x0f);
        acc[x0i + 1] += d * (a1 - a0);
        for (int xi = x0i + 2; xi < x1i - 1; ++xi)
            acc[xi] += d * s;
        const float a2 = a1 + float(x1i - x0i - 3) * s;
        acc[x1i - 1] += d * (1.0f - a2 - am);
    }
    acc[x1i] += d * am;
}

} // namespace

void PolygonCoverage::set(std::span<const PointF> polygon, const QRect& box)
{
    segments_.clear();
    box_ = box;
    if (box.isEmpty() || polygon.size() < 3)
        return;
    const float left = float(box.left());
    const float width = float(box.width());
    const float top = float(box.top());
    const float bottom = float(box.bottom()) + 1.0f;
    const size_t n = polygon.size();
    for (size_t i = 0; i < n; ++i) {
        const PointF a = polygon[i];
        const PointF b = polygon[(i + 1) % n];
        if (!(a.y != b.y) || std::max(a.y, b.y) <= top || std::min(a.y, b.y) >= bottom)
            continue;
        const float xa = a.x - left;
        const float xb = b.x - left;
        // Split where the edge crosses the box's sides; each piece then lies
        // on one side, where clamping x keeps the area it encloses.
        float ts[2];
        int cuts = 0;
        for (const float side : {0.0f, width}) {
            if ((xa < side && xb > side) || (xa > side && xb < side))
                ts[cuts++] = (side - xa) / (xb - xa);
        }
        if (cuts == 2 && ts[0] > ts[1])
            std::swap(ts[0], ts[1]);
        float px = xa, py = a.y;
        for (int c = 0; c <= cuts; ++c) {
            float qx = xb, qy = b.y;
            if (c < cuts) {
                qx = xa + ts[c] * (xb - xa);
                qy = a.y + ts[c] * (b.y - a.y);
            }
            addSegment(std::clamp(px, 0.0f, width), py, std::clamp(qx, 0.0f, width), qy);
            px = qx;
            py = qy;
        }
    }
}

void PolygonCoverage::addSegment(float xa, float ya, float xb, float yb)
{
    if (!(ya != yb))
        return;
    float dir = 1.0f;
    if (ya > yb) {
        std::swap(xa, xb);
        std::swap(ya, yb);
        dir = -1.0f;
    }
    segments_.push_back({xa, ya, yb, (xb - xa) / (yb - ya), dir});
}

void PolygonCoverage::row(int y, CoverageScratch& s) const
{
    rowOf(y, s, false);
}

void PolygonCoverage::selectRows(int y0, int y1, CoverageScratch& s) const
{
    s.crossing.clear();
    const float top = float(y0), bottom = float(y1);
    for (size_t i = 0; i < segments_.size(); ++i)
        if (segments_[i].y0 < bottom && segments_[i].y1 > top)
            s.crossing.push_back(int(i));
}

void PolygonCoverage::selectedRow(int y, CoverageScratch& s) const
{
    rowOf(y, s, true);
}

bool PolygonCoverage::selectedSpan(int y, const CoverageScratch& s, int& x0, int& x1) const
{
    // Inside the outline a row's pixels lie between pieces of it that pass
    // the row.
    const float top = float(y), bottom = top + 1.0f;
    float lo = float(box_.width()), hi = 0.0f;
    bool any = false;
    for (const int i : s.crossing) {
        const Segment& g = segments_[size_t(i)];
        if (g.y0 >= bottom || g.y1 <= top)
            continue;
        const float ya = std::max(top, g.y0), yb = std::min(bottom, g.y1);
        const float xa = g.x0 + (ya - g.y0) * g.dxdy, xb = g.x0 + (yb - g.y0) * g.dxdy;
        lo = std::min(lo, std::min(xa, xb));
        hi = std::max(hi, std::max(xa, xb));
        any = true;
    }
    if (!any)
        return false;
    // A pixel or more spare for rounding.
    x0 = std::max(0, int(std::floor(lo)) - 1);
    x1 = std::min(box_.width(), int(std::ceil(hi)) + 2);
    return x0 < x1;
}

void PolygonCoverage::rowOf(int y, CoverageScratch& s, bool selected) const
{
    const int bw = box_.width();
    if (s.acc.size() < size_t(bw) + 2)
        s.acc.resize(size_t(bw) + 2, 0.0f);
    if (s.cov.size() < size_t(bw))
        s.cov.resize(size_t(bw));
    float* acc = s.acc.data();
    uint8_t* cov = s.cov.data();
    std::vector<CoverageRun>& runs = s.runs;
    runs.clear();
    const float width = float(bw);
    const float top = float(y);
    const float bottom = top + 1.0f;
    // Cells the outline touched, as [first, last] pairs; coverage is
    // constant between them.
    std::vector<std::pair<int, int>>& touched = s.touched;
    touched.clear();
    auto add = [&](const Segment& g) __attribute__((always_inline)) {
        if (g.y0 >= bottom || g.y1 <= top)
            return;
        const float ya = std::max(top, g.y0);
        const float yb = std::min(bottom, g.y1);
        const float dy = yb - ya;
        if (!(dy > 0.0f))
            return;
        const float x = std::clamp(g.x0 + (ya - g.y0) * g.dxdy, 0.0f, width);
        const float xn = std::clamp(g.x0 + (yb - g.y0) * g.dxdy, 0.0f, width);
        Accumulate(acc, x, xn, dy * g.dir);
        const int first = FloorOf(std::min(x, xn));
        const int last = std::max(first + 1, CeilOf(std::max(x, xn)));
        touched.emplace_back(first, last);
    };
    if (selected) {
        for (const int i : s.crossing)
            add(segments_[size_t(i)]);
    } else {
        for (const Segment& g : segments_)
            add(g);
    }
    // Rows cross few pieces: sorted by insertion.
    for (size_t i = 1; i < touched.size(); ++i)
        for (size_t j = i; j > 0 && touched[j] < touched[j - 1]; --j)
            std::swap(touched[j], touched[j - 1]);
    auto quantise = [](float sum) { return int(std::min(std::fabs(sum), 1.0f) * 255.0f + 0.5f); };
    float sum = 0.0f;
    int x = 0;
    size_t t = 0;
    while (x < bw) {
        // Skip to the next touched stretch and merge the ones it overlaps.
        if (t == touched.size()) {
            runs.push_back({x, bw, quantise(sum)});
            break;
        }
        int first = std::max(touched[t].first, x);
        int last = touched[t].second;
        for (++t; t < touched.size() && touched[t].first <= last + 1; ++t)
            last = std::max(last, touched[t].second);
        if (first > x)
            runs.push_back({x, std::min(first, bw), quantise(sum)});
        const int end = std::min(last + 1, bw);
        for (int i = first; i < end; ++i) {
            sum += acc[i];
            acc[i] = 0.0f;
            cov[i] = uint8_t(quantise(sum));
        }
        if (end > first)
            runs.push_back({first, end, -1});
        x = std::max(x, end);
    }
    acc[bw] = 0.0f;
    acc[bw + 1] = 0.0f;
}

void PolygonCoverage::rowPixels(int y, CoverageScratch& s) const
{
    row(y, s);
    for (const CoverageRun& r : s.runs)
        if (r.value >= 0)
            std::fill(s.cov.begin() + r.x0, s.cov.begin() + r.x1, uint8_t(r.value));
}

} // namespace pq
