#include "effects/painting/watercolor_2/region_washes.h"

#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pq {
namespace {

constexpr int kSeedDraws = 501;
constexpr int kNearWhite = 250;
constexpr int kRoundsPerReport = 256;
constexpr uint32_t kIntermediateMs = 200;
constexpr int kMinKeptRing = 8;
constexpr size_t kMinKeptPixels = 4;
constexpr int kMaxDistance = 765;
constexpr int kRowGrain = 16;
constexpr int kTile = 64;
// How far around the last ring's run the next ring looks first.
constexpr int kProbeReach = 48;

// A cell: the smoothed colour in the low 24 bits, the pixel's state above.
constexpr uint32_t kColour = 0x00FFFFFFu;
constexpr uint32_t kSolid = 1u << 24;
constexpr uint32_t kPainted = 1u << 25;

// A mark: whether the current region flooded the pixel or its hole test
// looked at it. Cleared after every region.
constexpr uint8_t kFree = 0;
constexpr uint8_t kFlooded = 1;
constexpr uint8_t kLooked = 2;

inline int Channel(uint32_t p, int shift)
{
    return int((p >> shift) & 0xFF);
}

// |dR| + |dG| + |dB| of two colours in the low 24 bits.
inline int Distance(uint32_t a, uint32_t b)
{
#if defined(__SSE2__)
    const __m128i d = _mm_sad_epu8(_mm_cvtsi32_si128(int(a & kColour)), _mm_cvtsi32_si128(int(b & kColour)));
    return _mm_cvtsi128_si32(d);
#else
    return std::abs(Channel(a, 16) - Channel(b, 16)) + std::abs(Channel(a, 8) - Channel(b, 8)) +
           std::abs(Channel(a, 0) - Channel(b, 0));
#endif
}

} // namespace

RegionWashes::RegionWashes(WashPlanes& planes, const WashPaper& paper, gfx::Surface& canvas,
                           const WashSettings& settings)
    : planes_(planes), paper_(paper), canvas_(canvas), s_(settings), cells_(size_t(planes.w) * size_t(planes.h)),
      columns_(cells_.size()), marks_(cells_.size()), canvasBits_(canvas.row(0)),
      canvasStride_(canvas.stride() / qsizetype(sizeof(gfx::Pixel))), openRows_(planes.h, planes.w),
      openColumns_(planes.w, planes.h)
{
    const int w = planes.w, h = planes.h;
    platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
        for (size_t i = size_t(y0) * size_t(w); i < size_t(y1) * size_t(w); ++i) {
            cells_[i] = (planes.smooth[i] & kColour) | (planes.solid(i) ? kSolid : 0u);
            marks_[i] = kFree;
        }
    });
    // In tiles, so that both sides stay in the cache.
    platform::ParallelForRange(0, w, kTile, [&](int x0, int x1) {
        for (int ty = 0; ty < h; ty += kTile) {
            const int ty1 = std::min(h, ty + kTile);
            for (int x = x0; x < x1; ++x) {
                uint32_t* column = columns_.data() + size_t(x) * size_t(h);
                for (int y = ty; y < ty1; ++y)
                    column[y] = cells_[size_t(y) * size_t(w) + size_t(x)];
            }
        }
    });
}

// A solid, unpainted pixel that is not near-white, in at most 501 draws.
bool RegionWashes::findSeed(platform::Random& rng, int& x, int& y) const
{
    for (int t = 0; t < kSeedDraws; ++t) {
        x = rng.random(planes_.w);
        y = rng.random(planes_.h);
        const uint32_t c = cells_[size_t(y) * size_t(planes_.w) + size_t(x)];
        if ((c & (kSolid | kPainted)) != kSolid)
            continue;
        if (Channel(c, 16) < kNearWhite || Channel(c, 8) < kNearWhite || Channel(c, 0) < kNearWhite)
            return true;
    }
    return false;
}

// The colour distance a pixel on ring r must stay under; it shrinks with
// the ring and widens with every round.
int RegionWashes::tolerance(int r, int64_t growth) const
{
    const int64_t p2 = s_.threshold;
    const int64_t wide = std::max<int64_t>(p2 / 8, p2 - r) + 1 + growth;
    return int(std::clamp<int64_t>(wide, 0, kMaxDistance + 1));
}

// The longest run of accepted pixels among the cells first..last of a
// side, or `enough` once a run gets that long, with `at` where it did.
// Painted pixels neither join nor break a run, so only the open cells are
// read.
int RegionWashes::scanRun(const Side& side, int first, int last, uint32_t seed, int tolerance, int enough, int& at)
{
    int run = 0, longest = 0;
    side.open->forEachUntil(side.line, first, last, [&](int k) {
        const uint32_t v = side.cells[k];
        if ((v & kSolid) && Distance(v, seed) < tolerance) {
            longest = std::max(longest, ++run);
            at = k;
            return longest >= enough;
        }
        run = 0;
        return false;
    });
    return longest;
}

// Ring growth around the seed: the ring is the square at Chebyshev
// distance r, and the growth stops at the first ring whose sides' longest
// runs sum to less than 4 (11 from ring 20 on). Each side of a ring is
// scanned only where it lies inside the picture, and only until the sum
// is reached: which pixels the region accepts follows from the last ring
// alone (see accepts), so nothing is marked here.
//
// A run inside part of a side is part of a run of the whole side, so a
// ring whose runs lie where the last rings' were is settled by scanning
// only around those places; other rings read their sides in full.
RegionWashes::Growth RegionWashes::grow(int x, int y, int64_t round)
{
    const int w = planes_.w, h = planes_.h;
    Growth g;
    g.x = x;
    g.y = y;
    g.seed = cells_[size_t(y) * size_t(w) + size_t(x)];
    g.growth = ((int64_t(s_.threshold) + 1) * round) / s_.growthDivisor;
    const int maxRing = std::max({x, w - 1 - x, y, h - 1 - y});
    // Per side, where its last settling run ended (-1: none yet); the side
    // that settled the last ring is tried first.
    int hintAt[4] = {-1, -1, -1, -1};
    int lastSide = 0;
    for (int r = 1; r <= maxRing; ++r) {
        const int tol = tolerance(r, g.growth);
        const int left = std::max(0, x - r), right = std::min(w - 1, x + r);
        const int top = std::max(0, y - r), bottom = std::min(h - 1, y + r);
        const int needed = r < 20 ? 4 : 11;
        // Rows, then columns, which read the transposed copy that keeps
        // them in the cache.
        auto rowSide = [&](int ry) {
            return Side{&openRows_, ry, cells_.data() + size_t(ry) * size_t(w), left, right, ry >= 0 && ry < h};
        };
        auto columnSide = [&](int cx) {
            return Side{&openColumns_, cx, columns_.data() + size_t(cx) * size_t(h), top, bottom, cx >= 0 && cx < w};
        };
        const Side sides[4] = {rowSide(y - r), rowSide(y + r), columnSide(x - r), columnSide(x + r)};
        // The probes' runs are parts of their sides' runs: their sum settles
        // the ring when it reaches the need, and the sides are read in full
        // otherwise.
        int score = 0;
        for (int t = 0; t < 4 && score < needed; ++t) {
            const int k = (lastSide + t) % 4;
            const Side& side = sides[k];
            if (hintAt[k] < 0 || !side.inside)
                continue;
            int at = -1;
            const int longest = scanRun(side, std::max(side.first, hintAt[k] - kProbeReach),
                                        std::min(side.last, hintAt[k] + kProbeReach), g.seed, tol, needed - score, at);
            score += longest;
            if (longest > 0)
                hintAt[k] = at;
            if (score >= needed)
                lastSide = k;
        }
        if (score < needed)
            score = 0;
        for (int k = 0; k < 4 && score < needed; ++k) {
            if (!sides[k].inside)
                continue;
            int at = -1;
            const int longest = scanRun(sides[k], sides[k].first, sides[k].last, g.seed, tol, needed - score, at);
            score += longest;
            if (longest > 0)
                hintAt[k] = at;
            if (score >= needed)
                lastSide = k;
        }
        g.lastRing = r;
        if (score < needed)
            break;
    }
    return g;
}

// Whether the growth accepted pixel i at (px, py): the seed, or a solid
// unpainted pixel on one of the rings it examined whose colour lay within
// that ring's tolerance.
bool RegionWashes::accepts(const Growth& g, size_t i, int px, int py) const
{
    const int r = std::max(std::abs(px - g.x), std::abs(py - g.y));
    if (r == 0)
        return true;
    const uint32_t v = cells_[i];
    return r <= g.lastRing && (v & (kSolid | kPainted)) == kSolid && Distance(v, g.seed) < tolerance(r, g.growth);
}

void RegionWashes::paintPixel(int px, int py, const Paint& paint)
{
    const size_t i = size_t(py) * size_t(planes_.w) + size_t(px);
    const int d = paper_.shift(paint.shiftX + px, paint.shiftY + py);
    const int* colour = paint.colour;
    // The source's colours are premultiplied already: clamping to the
    // alpha keeps the pixel valid without darkening it twice.
    const int a = planes_.alpha[i];
    const int top = std::min(254, a);
    const int r = std::clamp(colour[0] + d, 0, top), g = std::clamp(colour[1] + d, 0, top),
              b = std::clamp(colour[2] + d, 0, top);
    canvasBits_[py * canvasStride_ + px] =
        gfx::Pixel(a) << 24 | gfx::Pixel(r) << 16 | gfx::Pixel(g) << 8 | gfx::Pixel(b);
    cells_[i] |= kPainted;
    openRows_.close(py, px);
    openColumns_.close(px, py);
    planes_.painted[i] = 1;
    ++paintedCount_;
}

// Floods the part of the grown region connected to the seed and, when it
// is large enough, paints it with its mean colour, then the holes it
// encloses.
void RegionWashes::fill(const Growth& g, platform::Random& rng)
{
    const int w = planes_.w, x = g.x, y = g.y;
    queue_.clear();
    looked_.clear();
    const size_t seed = size_t(y) * size_t(w) + size_t(x);
    marks_[seed] = kFlooded;
    queue_.push_back(int(seed));
    for (size_t head = 0; head < queue_.size(); ++head) {
        const int i = queue_[head];
        const int px = i % w, py = i / w;
        auto visit = [&](int j, int jx, int jy) {
            uint8_t& m = marks_[size_t(j)];
            if (m == kFree && accepts(g, size_t(j), jx, jy)) {
                m = kFlooded;
                queue_.push_back(j);
            }
        };
        if (px > 0)
            visit(i - 1, px - 1, py);
        if (px < w - 1)
            visit(i + 1, px + 1, py);
        if (py > 0)
            visit(i - w, px, py - 1);
        if (py < planes_.h - 1)
            visit(i + w, px, py + 1);
    }
    if (queue_.size() >= kMinKeptPixels)
        paintRegion(g, rng);
    for (const int i : queue_)
        marks_[size_t(i)] = kFree;
    for (const int i : looked_)
        marks_[size_t(i)] = kFree;
}

void RegionWashes::paintRegion(const Growth& g, platform::Random& rng)
{
    const int w = planes_.w;
    int64_t sum[3] = {0, 0, 0};
    Box box{w, planes_.h, -1, -1};
    for (const int i : queue_) {
        const uint32_t c = cells_[size_t(i)];
        sum[0] += Channel(c, 16);
        sum[1] += Channel(c, 8);
        sum[2] += Channel(c, 0);
        const int px = i % w, py = i / w;
        box.left = std::min(box.left, px);
        box.right = std::max(box.right, px);
        box.top = std::min(box.top, py);
        box.bottom = std::max(box.bottom, py);
    }
    const int64_t n = int64_t(queue_.size());
    const int jitter = rng.random(24) - 8;
    Paint paint;
    for (int c = 0; c < 3; ++c)
        paint.colour[c] = int(std::clamp<int64_t>(sum[c] / n + jitter, 0, 254));
    paint.shiftX = g.x + paint.colour[0];
    paint.shiftY = g.y + paint.colour[0];
    for (const int i : queue_)
        paintPixel(i % w, i / w, paint);
    // Holes lie at least 2 pixels inside the box.
    const Box inner{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
    if (inner.left > inner.right || inner.top > inner.bottom)
        return;
    const int64_t area = int64_t(inner.right - inner.left + 1) * (inner.bottom - inner.top + 1);
    if (area > s_.holeSearchRatio * n)
        fillHolesNearFlood(inner, paint);
    else
        fillHolesInBox(inner, paint);
}

// Whether the unpainted solid pixel i has more than 7 flooded pixels among
// its 25 neighbours, which makes it a hole of the region.
bool RegionWashes::isHole(size_t i) const
{
    const ptrdiff_t w = planes_.w;
    const uint8_t* mark = marks_.data() + i;
    int flooded = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        const uint8_t* row = mark + ptrdiff_t(dy) * w;
        for (int dx = -2; dx <= 2; ++dx)
            flooded += row[dx] == kFlooded;
    }
    return flooded > 7;
}

// The holes of `inner` (the box shrunk by 2): a pixel's verdict does not
// depend on the others', so any order finds the same. A compact region
// walks the box through its open cells...
void RegionWashes::fillHolesInBox(const Box& inner, const Paint& paint)
{
    const size_t w = size_t(planes_.w);
    for (int py = inner.top; py <= inner.bottom; ++py)
        openRows_.forEachOpen(py, inner.left, inner.right, [&](int px) {
            const size_t i = size_t(py) * w + size_t(px);
            if ((cells_[i] & (kSolid | kPainted)) == kSolid && isHole(i))
                paintPixel(px, py, paint);
        });
}

// ... and a sprawling one, whose box holds far more pixels than it does,
// looks only within 2 pixels of its flooded ones: a hole needs flooded
// neighbours.
void RegionWashes::fillHolesNearFlood(const Box& inner, const Paint& paint)
{
    const int w = planes_.w;
    for (size_t k = 0; k < queue_.size(); ++k) {
        const int i = queue_[k];
        const int px = i % w, py = i / w;
        for (int cy = std::max(inner.top, py - 2); cy <= std::min(inner.bottom, py + 2); ++cy)
            for (int cx = std::max(inner.left, px - 2); cx <= std::min(inner.right, px + 2); ++cx) {
                const size_t j = size_t(cy) * size_t(w) + size_t(cx);
                if (marks_[j] != kFree || (cells_[j] & (kSolid | kPainted)) != kSolid)
                    continue;
                marks_[j] = kLooked;
                looked_.push_back(int(j));
                if (isHole(j))
                    paintPixel(cx, cy, paint);
            }
    }
}

void RegionWashes::report()
{
    const int64_t area = std::max<int64_t>(1, int64_t(planes_.w) * planes_.h);
    const int value = int(std::min<int64_t>(84, paintedCount_ * 85 / area));
    if (s_.preview) {
        SafeUpdatePreview(canvas_, value);
        return;
    }
    SafeUpdateProgress(value);
    const uint32_t now = platform::TickMs();
    if (now - lastShown_ <= kIntermediateMs)
        return;
    lastShown_ = now;
    ShowIntermediateImage(canvas_.snapshot(), -1, Delivery::Synchronous);
}

void RegionWashes::paint(platform::Random& rng)
{
    lastShown_ = platform::TickMs();
    queue_.reserve(1024);
    for (int64_t n = 0; n < s_.seedRounds; ++n) {
        if (n % kRoundsPerReport == 0) {
            CheckCancellation();
            report();
        }
        int x = 0, y = 0;
        if (!findSeed(rng, x, y))
            break;
        if (paintedCount_ / s_.coverageUnit > s_.coverageLimit)
            break;
        const Growth g = grow(x, y, n);
        if (g.lastRing >= kMinKeptRing)
            fill(g, rng);
    }
}

} // namespace pq
