#include "effects/shared/stamp_draw.h"

#include "effects/shared/stamp_pixels.h"
#include "effects/shared/stamp_plan.h"
#include "gfx/pixel_math.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pq {
namespace {

// Below this many pixels a stamp is drawn or scored on the calling thread
// alone: waking the pool costs about as much as drawing ten thousand.
constexpr int64_t kParallelPixels = 16384;
// Laying a stamp over the canvas (eight pixels at a time) is far cheaper
// per pixel: waking the pool costs more than laying any box a serial
// painter lays, so only boxes beyond a megapixel are shared out.
constexpr int64_t kParallelLayPixels = int64_t(1) << 20;

// The mip level a sampling reads for a cell drawn `texelsPerPixel` times
// smaller than it is.
int LevelFor(StampSampling sampling, const StampCell& cell, double texelsPerPixel)
{
    if (texelsPerPixel <= 1.0 || cell.levelCount() <= 1)
        return 0;
    const double lod = std::log2(texelsPerPixel);
    int level = 0;
    if (sampling == StampSampling::LinearMipmap)
        level = int(std::floor(lod + 0.5));
    else if (sampling == StampSampling::Cubic)
        level = int(std::floor(lod));
    return std::clamp(level, 0, cell.levelCount() - 1);
}

[[gnu::always_inline]] inline float Nearest(const StampCell::Level& l, double tx, double ty)
{
    const int x = std::clamp(int(std::floor(tx)), 0, l.width - 1);
    const int y = std::clamp(int(std::floor(ty)), 0, l.height - 1);
    return float(l.at(x, y));
}

[[gnu::always_inline]] inline float Bilinear(const StampCell::Level& l, double tx, double ty)
{
    const double fx = tx - 0.5, fy = ty - 0.5;
    const double flx = std::floor(fx), fly = std::floor(fy);
    const float wx = float(fx - flx), wy = float(fy - fly);
    const int x0 = int(flx), y0 = int(fly);
    const int xa = std::clamp(x0, 0, l.width - 1), xb = std::clamp(x0 + 1, 0, l.width - 1);
    const int ya = std::clamp(y0, 0, l.height - 1), yb = std::clamp(y0 + 1, 0, l.height - 1);
    const uint8_t* r0 = l.alpha.data() + size_t(ya) * size_t(l.width);
    const uint8_t* r1 = l.alpha.data() + size_t(yb) * size_t(l.width);
    const float top = float(r0[xa]) * (1.0f - wx) + float(r0[xb]) * wx;
    const float bottom = float(r1[xa]) * (1.0f - wx) + float(r1[xb]) * wx;
    return top * (1.0f - wy) + bottom * wy;
}

inline double Mitchell(double x)
{
    x = std::fabs(x);
    if (x < 1.0)
        return (7.0 * x * x * x - 12.0 * x * x + 16.0 / 3.0) / 6.0;
    if (x < 2.0)
        return (-7.0 / 3.0 * x * x * x + 12.0 * x * x - 20.0 * x + 32.0 / 3.0) / 6.0;
    return 0.0;
}

inline void CubicWeights(double t, float w[4])
{
    w[0] = float(Mitchell(1.0 + t));
    w[1] = float(Mitchell(t));
    w[2] = float(Mitchell(1.0 - t));
    w[3] = float(Mitchell(2.0 - t));
}

inline float Cubic(const StampCell::Level& l, double tx, double ty)
{
    const double fx = tx - 0.5, fy = ty - 0.5;
    const double flx = std::floor(fx), fly = std::floor(fy);
    float wx[4], wy[4];
    CubicWeights(fx - flx, wx);
    CubicWeights(fy - fly, wy);
    int xs[4];
    for (int i = 0; i < 4; ++i)
        xs[i] = std::clamp(int(flx) - 1 + i, 0, l.width - 1);
    float sum = 0.0f;
    for (int j = 0; j < 4; ++j) {
        const int y = std::clamp(int(fly) - 1 + j, 0, l.height - 1);
        const uint8_t* r = l.alpha.data() + size_t(y) * size_t(l.width);
        const float line = float(r[xs[0]]) * wx[0] + float(r[xs[1]]) * wx[1] + float(r[xs[2]]) * wx[2] +
                           float(r[xs[3]]) * wx[3];
        sum += line * wy[j];
    }
    return std::clamp(sum, 0.0f, 255.0f);
}

// The columns of row v where the rectangle can cover a pixel, widened by one
// pixel for safety; lo > hi when none.
void RowSpan(const DrawPlan& plan, int v, int& lo, int& hi)
{
    const double dy = v + 0.5 - plan.centre;
    double from = -1e18, to = 1e18;
    // lo < a * u + b < hi for u, a linear bound per axis of the rectangle.
    auto bound = [&](double a, double b, double lo, double hi) {
        if (std::fabs(a) < 1e-12) {
            if (b <= lo || b >= hi)
                from = 1e18;
            return;
        }
        double x0 = (lo - b) / a, x1 = (hi - b) / a;
        if (x0 > x1)
            std::swap(x0, x1);
        from = std::max(from, x0);
        to = std::min(to, x1);
    };
    const double bx = plan.cosA * (0.5 - plan.centre) + plan.sinA * dy;
    const double by = -plan.sinA * (0.5 - plan.centre) + plan.cosA * dy;
    // The rectangle's and the ink's bounds on one axis share a and b: the
    // tighter of each pair gives the same interval as both in turn (the
    // quotients are monotonic in the bound).
    const double x0 = std::max(-(plan.halfW + 0.5), plan.inkX0), x1 = std::min(plan.halfW + 0.5, plan.inkX1);
    const double y0 = std::max(-(plan.halfH + 0.5), plan.inkY0), y1 = std::min(plan.halfH + 0.5, plan.inkY1);
    if (x0 < x1 && y0 < y1) {
        bound(plan.cosA, bx, x0, x1);
        bound(-plan.sinA, by, y0, y1);
    } else {
        bound(plan.cosA, bx, -(plan.halfW + 0.5), plan.halfW + 0.5);
        bound(-plan.sinA, by, -(plan.halfH + 0.5), plan.halfH + 0.5);
        bound(plan.cosA, bx, plan.inkX0, plan.inkX1);
        bound(-plan.sinA, by, plan.inkY0, plan.inkY1);
    }
    if (from > to) {
        lo = 1;
        hi = 0;
        return;
    }
    lo = int(std::max(-1e9, std::ceil(from) - 1.0));
    hi = int(std::min(1e9, std::floor(to) + 1.0));
}

// The stamp's pixel at column u of the row at dy (from the centre), or 0
// where nothing is drawn.
template <StampSampling Kind>
[[gnu::always_inline]] inline gfx::Pixel StampPixel(const DrawPlan& plan, int u, double dy)
{
    const double dx = u + 0.5 - plan.centre;
    const double lx = plan.cosA * dx + plan.sinA * dy;
    const double ly = -plan.sinA * dx + plan.cosA * dy;
    const double covX = std::min(1.0, plan.halfW + 0.5 - std::fabs(lx));
    const double covY = std::min(1.0, plan.halfH + 0.5 - std::fabs(ly));
    if (covX <= 0.0 || covY <= 0.0)
        return 0;
    const double tx = (lx + plan.halfW) * plan.scaleX, ty = (ly + plan.halfH) * plan.scaleY;
    float a;
    if constexpr (Kind == StampSampling::Nearest)
        a = Nearest(*plan.level, tx, ty);
    else if constexpr (Kind == StampSampling::Cubic)
        a = Cubic(*plan.level, tx, ty);
    else
        a = Bilinear(*plan.level, tx, ty);
    const float m = a * float(covX * covY) * (plan.opacity * (1.0f / 255.0f));
    if (m <= 0.0f)
        return 0;
    return gfx::px::PackI4(__builtin_convertvector(gfx::px::RoundEven(plan.colour * gfx::px::Splat(m)), gfx::px::I4));
}

template <StampSampling Kind>
void DrawRow(const DrawPlan& plan, gfx::Pixel* out, int v, int lo, int hi, int step)
{
    if constexpr (Kind == StampSampling::Cubic)
        lo = DrawCubicRowWide(plan, out, v, lo, hi, step);
    else if constexpr (Kind == StampSampling::Linear)
        lo = DrawLinearRowWide(plan, out, v, lo, hi, step);
    const double dy = v + 0.5 - plan.centre;
    for (int u = lo; u <= hi; u += step)
        out[u] = StampPixel<Kind>(plan, u, dy); // the surface is clear: 0 changes nothing
}

// Adds the score of row v's stamp pixels at columns lo, lo + step, ... up
// to hi against source row s and canvas row d to `score`.
template <StampSampling Kind>
void ScoreRow(const DrawPlan& plan, int v, int lo, int hi, int step, const gfx::Pixel* s, const gfx::Pixel* d,
              StampScore& score)
{
    if constexpr (Kind == StampSampling::Cubic)
        lo = ScoreCubicRowWide(plan, v, lo, hi, step, s, d, score);
    else if constexpr (Kind == StampSampling::Linear)
        lo = ScoreLinearRowWide(plan, v, lo, hi, step, s, d, score);
    const double dy = v + 0.5 - plan.centre;
    for (int u = lo; u <= hi; u += step) {
        const gfx::Pixel t = StampPixel<Kind>(plan, u, dy);
        if ((t >> 24) == 0)
            continue;
        const int before = PixelError(s[u], d[u]);
        const int after = PixelError(s[u], StampOver(t, d[u]));
        score.errors.before += before;
        score.errors.after += after;
        ++score.errors.count;
        if (before == 0) {
            ++score.matched;
            score.matchedAfter += after;
        }
    }
}

// Lays the stamp's pixels of columns lo..hi of row v over canvas pixels
// d[lo..hi] as CommitStamp does.
template <StampSampling Kind>
void LayRow(const DrawPlan& plan, gfx::Pixel* d, int v, int lo, int hi)
{
    if constexpr (Kind == StampSampling::Linear)
        lo = LayLinearRowWide(plan, d, v, lo, hi);
    const double dy = v + 0.5 - plan.centre;
    for (int u = lo; u <= hi; ++u) {
        const gfx::Pixel t = StampPixel<Kind>(plan, u, dy);
        if (t >> 24)
            d[u] = StampOver(t, d[u]);
    }
}

// Works out what every row of a draw needs; false when nothing can be
// drawn (a cell with no ink and trimming asked).
bool MakePlan(const Stamp& stamp, int centre, DrawPlan& plan)
{
    if (!stamp.cell || stamp.cell->isNull() || stamp.cell->isBlank() || stamp.width < 0.5 || stamp.height < 0.5 ||
        !(stamp.opacity > 0.0f) || (stamp.colour >> 24) == 0)
        return false;
    const StampCell& cell = *stamp.cell;
    const double texelsPerPixel = std::max(cell.width() / stamp.width, cell.height() / stamp.height);
    plan.level = &cell.level(LevelFor(stamp.sampling, cell, texelsPerPixel));
    plan.cosA = std::cos(stamp.angle);
    plan.sinA = std::sin(stamp.angle);
    plan.halfW = stamp.width / 2.0;
    plan.halfH = stamp.height / 2.0;
    plan.scaleX = plan.level->width / stamp.width;
    plan.scaleY = plan.level->height / stamp.height;
    plan.centre = centre;
    plan.opacity = std::min(stamp.opacity, 1.0f);
    plan.colour = gfx::px::ToF4(stamp.colour);
    if (stamp.trimToInk) {
        // Texels a sample reads lie within a few of its position (three
        // covers every sampling); beyond the inked box they are all 0, and
        // a pixel more of slack keeps the bound conservative.
        const QRect& ink = plan.level->inked;
        if (ink.isEmpty())
            return false;
        constexpr double kReach = 3.0;
        plan.trimmed = true;
        if (ink.left() > 0)
            plan.inkX0 = (ink.left() - kReach) / plan.scaleX - plan.halfW - 1.0;
        if (ink.right() < plan.level->width - 1)
            plan.inkX1 = (ink.right() + 1 + kReach) / plan.scaleX - plan.halfW + 1.0;
        if (ink.top() > 0)
            plan.inkY0 = (ink.top() - kReach) / plan.scaleY - plan.halfH - 1.0;
        if (ink.bottom() < plan.level->height - 1)
            plan.inkY1 = (ink.bottom() + 1 + kReach) / plan.scaleY - plan.halfH + 1.0;
    }
    return true;
}

// Row v's span of the stamp within area, moved onto the column grid that
// starts at area's left edge; false where nothing of the row is drawn.
bool GridRowSpan(const DrawPlan& plan, const QRect& area, int step, int v, int& lo, int& hi)
{
    RowSpan(plan, v, lo, hi);
    lo = std::max(lo, area.left());
    hi = std::min(hi, area.right());
    if (lo > hi)
        return false;
    lo += (step - (lo - area.left()) % step) % step;
    return lo <= hi;
}

} // namespace

QRect GridWithin(const QRect& grid, const QRect& box, int step)
{
    const QRect r = grid.intersected(box);
    if (r.isEmpty())
        return QRect();
    step = std::max(step, 1);
    const int left = grid.left() + (r.left() - grid.left() + step - 1) / step * step;
    const int top = grid.top() + (r.top() - grid.top() + step - 1) / step * step;
    if (left > r.right() || top > r.bottom())
        return QRect();
    return QRect(QPoint(left, top), r.bottomRight());
}

double MitchellWeight(double x)
{
    return Mitchell(x);
}

StampSurface::StampSurface(int side)
{
    if (side <= 0 || side > 16384)
        return;
    side_ = side;
    pixels_.assign(size_t(side) * size_t(side), 0u);
}

void StampSurface::clear()
{
    if (dirty_.isEmpty())
        return;
    for (int v = dirty_.top(); v <= dirty_.bottom(); ++v)
        std::memset(row(v) + dirty_.left(), 0, size_t(dirty_.width()) * sizeof(gfx::Pixel));
    dirty_ = QRect();
}

void DrawStamp(StampSurface& surface, const Stamp& stamp, const QRect& clip, int step)
{
    surface.clear();
    const QRect area = clip.intersected(surface.rect());
    DrawPlan plan;
    if (area.isEmpty() || !MakePlan(stamp, surface.centre(), plan))
        return;
    step = std::max(step, 1);

    // The rows to draw and their spans; their bounding box is what the next
    // clear() has to clear.
    struct Span {
        int v, lo, hi;
    };
    std::vector<Span> spans;
    spans.reserve(size_t(area.height() / step + 1));
    int64_t pixels = 0;
    int left = area.right() + 1, right = area.left() - 1;
    for (int v = area.top(); v <= area.bottom(); v += step) {
        int lo, hi;
        if (!GridRowSpan(plan, area, step, v, lo, hi))
            continue;
        spans.push_back({v, lo, hi});
        pixels += (hi - lo) / step + 1;
        left = std::min(left, lo);
        right = std::max(right, hi);
    }
    if (spans.empty())
        return;
    surface.dirty_ = QRect(QPoint(left, spans.front().v), QPoint(right, spans.back().v));

    auto drawRows = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const Span& s = spans[size_t(i)];
            gfx::Pixel* out = surface.row(s.v);
            switch (stamp.sampling) {
            case StampSampling::Nearest: DrawRow<StampSampling::Nearest>(plan, out, s.v, s.lo, s.hi, step); break;
            case StampSampling::Cubic: DrawRow<StampSampling::Cubic>(plan, out, s.v, s.lo, s.hi, step); break;
            default: DrawRow<StampSampling::Linear>(plan, out, s.v, s.lo, s.hi, step); break;
            }
        }
    };
    const int rows = int(spans.size());
    if (pixels < kParallelPixels || rows < 16)
        drawRows(0, rows);
    else
        platform::ParallelForRange(0, rows, std::max(4, rows / 16), drawRows);
}

StampScore ScoreStamp(const Stamp& stamp, int side, const QRect& clip, int step, const StampTarget& target,
                      bool shareRows)
{
    StampScore score;
    const int c = side / 2;
    const QRect area = clip.intersected(QRect(0, 0, side, side));
    DrawPlan plan;
    if (area.isEmpty() || !MakePlan(stamp, c, plan))
        return score;
    step = std::max(step, 1);
    auto scoreRow = [&](int v, int lo, int hi, StampScore& into) {
        const gfx::Pixel* s = target.source + (target.y - c + v) * target.sourceStride + (target.x - c);
        const gfx::Pixel* d = target.canvas + (target.y - c + v) * target.canvasStride + (target.x - c);
        switch (stamp.sampling) {
        case StampSampling::Nearest: ScoreRow<StampSampling::Nearest>(plan, v, lo, hi, step, s, d, into); break;
        case StampSampling::Cubic: ScoreRow<StampSampling::Cubic>(plan, v, lo, hi, step, s, d, into); break;
        default: ScoreRow<StampSampling::Linear>(plan, v, lo, hi, step, s, d, into); break;
        }
    };
    // The rows and columns DrawStamp would draw.
    struct Span {
        int v, lo, hi;
    };
    std::vector<Span> spans;
    int64_t pixels = 0;
    for (int v = area.top(); v <= area.bottom(); v += step) {
        int lo, hi;
        if (!GridRowSpan(plan, area, step, v, lo, hi))
            continue;
        if (!shareRows) {
            scoreRow(v, lo, hi, score);
            continue;
        }
        spans.push_back({v, lo, hi});
        pixels += (hi - lo) / step + 1;
    }
    const int rows = int(spans.size());
    if (rows == 0)
        return score;
    if (pixels < kParallelPixels || rows < 16) {
        for (const Span& r : spans)
            scoreRow(r.v, r.lo, r.hi, score);
        return score;
    }
    // Integer sums: the total does not depend on how the rows are split.
    const int grain = std::max(4, rows / 16);
    std::vector<StampScore> parts(size_t((rows + grain - 1) / grain));
    platform::ParallelForRange(0, rows, grain, [&](int from, int to) {
        StampScore& part = parts[size_t(from / grain)];
        for (int i = from; i < to; ++i)
            scoreRow(spans[size_t(i)].v, spans[size_t(i)].lo, spans[size_t(i)].hi, part);
    });
    for (const StampScore& part : parts) {
        score.errors.before += part.errors.before;
        score.errors.after += part.errors.after;
        score.errors.count += part.errors.count;
        score.matched += part.matched;
        score.matchedAfter += part.matchedAfter;
    }
    return score;
}

void DrawStampOver(const Stamp& stamp, int side, const QRect& clip, gfx::Surface& canvas, int x, int y)
{
    if (!canvas.isNull())
        DrawStampOver(stamp, side, clip, canvas.row(0), canvas.stride() / qsizetype(sizeof(gfx::Pixel)),
                      canvas.size(), x, y);
}

void DrawStampOver(const Stamp& stamp, int side, const QRect& clip, gfx::Pixel* canvas, qsizetype stride, QSize size,
                   int x, int y)
{
    const int c = side / 2;
    const QRect area =
        WindowOnCanvas(clip.intersected(QRect(0, 0, side, side)), c, x, y, size.width(), size.height());
    DrawPlan plan;
    if (area.isEmpty() || !MakePlan(stamp, c, plan))
        return;
    // Only rows the rectangle (and its ink) can reach have a span: their dy
    // is sinA lx + cosA ly for a point of it, give or take two rows.
    const double x0 = std::max(-(plan.halfW + 0.5), plan.inkX0), x1 = std::min(plan.halfW + 0.5, plan.inkX1);
    const double y0 = std::max(-(plan.halfH + 0.5), plan.inkY0), y1 = std::min(plan.halfH + 0.5, plan.inkY1);
    const double dyLow = std::min(plan.sinA * x0, plan.sinA * x1) + std::min(plan.cosA * y0, plan.cosA * y1);
    const double dyHigh = std::max(plan.sinA * x0, plan.sinA * x1) + std::max(plan.cosA * y0, plan.cosA * y1);
    const int top = std::max(area.top(), int(std::max(-1e9, std::floor(dyLow - 2.0 + plan.centre - 0.5))));
    const int bottom = std::min(area.bottom(), int(std::min(1e9, std::ceil(dyHigh + 2.0 + plan.centre - 0.5))));
    if (top > bottom)
        return;
    auto layRows = [&](int from, int to) {
        for (int v = from; v < to; ++v) {
            int lo, hi;
            RowSpan(plan, v, lo, hi);
            lo = std::max(lo, area.left());
            hi = std::min(hi, area.right());
            if (lo > hi)
                continue;
            gfx::Pixel* d = canvas + (y - c + v) * stride + (x - c);
            // The canvas rows ahead are far apart in memory: ask for them
            // before they are needed.
            if (v + 3 < to) {
                gfx::Pixel* ahead = canvas + (y - c + v + 3) * stride + (x - c);
                const int from = std::max(area.left(), lo - 16), upto = std::min(area.right(), hi + 16);
                for (int u = from; u <= upto; u += 16)
                    __builtin_prefetch(ahead + u, 1);
                __builtin_prefetch(ahead + upto, 1);
            }
            switch (stamp.sampling) {
            case StampSampling::Nearest: LayRow<StampSampling::Nearest>(plan, d, v, lo, hi); break;
            case StampSampling::Cubic: LayRow<StampSampling::Cubic>(plan, d, v, lo, hi); break;
            default: LayRow<StampSampling::Linear>(plan, d, v, lo, hi); break;
            }
        }
    };
    // Every canvas pixel takes at most one stamp pixel: rows are independent.
    const int rows = bottom - top + 1;
    if (int64_t(area.width()) * rows < kParallelLayPixels || rows < 16)
        layRows(top, bottom + 1);
    else
        platform::ParallelForRange(top, bottom + 1, std::max(4, rows / 16), layRows);
}

} // namespace pq
