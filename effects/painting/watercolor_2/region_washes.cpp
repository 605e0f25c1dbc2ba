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

// A cell: the smoothed colour in the low 24 bits, the pixel's state above.
constexpr uint32_t kColour = 0x00FFFFFFu;
constexpr uint32_t kSolid = 1u << 24;
constexpr uint32_t kPainted = 1u << 25;

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
    : planes_(planes), paper_(paper), canvas_(canvas), s_(settings),
      cells_(size_t(planes.w) * size_t(planes.h)), tags_(cells_.size(), 0), canvasBits_(canvas.row(0)),
      canvasStride_(canvas.stride() / qsizetype(sizeof(gfx::Pixel)))
{
    for (size_t i = 0; i < cells_.size(); ++i)
        cells_[i] = (planes.smooth[i] & kColour) | (planes.solid(i) ? kSolid : 0u) |
                    (planes.painted[i] ? kPainted : 0u);
    columns_.resize(cells_.size());
    platform::ParallelForRange(0, planes.w, 64, [&](int x0, int x1) {
        for (int y = 0; y < planes.h; ++y)
            for (int x = x0; x < x1; ++x)
                columns_[size_t(x) * size_t(planes.h) + size_t(y)] = cells_[size_t(y) * size_t(planes.w) + size_t(x)];
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

// The longest run of accepted pixels among `count` cells from `c`, `step`
// apart, whose tags lie `tagStep` apart from `tag`. Painted pixels neither
// join nor break a run.
int RegionWashes::scanRun(const uint32_t* c, ptrdiff_t step, uint32_t* tag, ptrdiff_t tagStep, int count,
                          uint32_t seed, int tolerance)
{
    int run = 0, longest = 0;
    for (int k = 0; k < count; ++k, c += step, tag += tagStep) {
        const uint32_t v = *c;
        if (!(v & kSolid)) {
            run = 0;
        } else if (v & kPainted) {
            continue;
        } else if (Distance(v, seed) < tolerance) {
            *tag = grownTag_;
            longest = std::max(longest, ++run);
        } else {
            run = 0;
        }
    }
    return longest;
}

// Ring growth around the seed; returns the last ring examined. Each side
// of a ring is scanned only where it lies inside the picture.
int RegionWashes::grow(int x, int y, int64_t round)
{
    const int w = planes_.w, h = planes_.h;
    const size_t stride = size_t(w);
    const uint32_t seed = cells_[size_t(y) * stride + size_t(x)];
    const int maxRing = std::max({x, w - 1 - x, y, h - 1 - y});
    const int64_t p2 = s_.threshold;
    const int64_t growth = ((p2 + 1) * round) / s_.growthDivisor;
    int lastRing = 0;
    for (int r = 1; r <= maxRing; ++r) {
        const int64_t wide = std::max<int64_t>(p2 / 8, p2 - r) + 1 + growth;
        const int tolerance = int(std::clamp<int64_t>(wide, 0, kMaxDistance + 1));
        const int left = std::max(0, x - r), right = std::min(w - 1, x + r);
        const int top = std::max(0, y - r), bottom = std::min(h - 1, y + r);
        int score = 0;
        auto row = [&](int ry) {
            const size_t i = size_t(ry) * stride + size_t(left);
            return scanRun(cells_.data() + i, 1, tags_.data() + i, 1, right - left + 1, seed, tolerance);
        };
        // Columns read the transposed copy, which keeps them in the cache.
        auto column = [&](int cx) {
            return scanRun(columns_.data() + size_t(cx) * size_t(h) + size_t(top), 1,
                           tags_.data() + size_t(top) * stride + size_t(cx), ptrdiff_t(w), bottom - top + 1, seed,
                           tolerance);
        };
        if (y - r >= 0)
            score += row(y - r);
        if (y + r < h)
            score += row(y + r);
        if (x - r >= 0)
            score += column(x - r);
        if (x + r < w)
            score += column(x + r);
        lastRing = r;
        if ((r < 20 && score < 4) || (r >= 20 && score < 11))
            break;
    }
    return lastRing;
}

void RegionWashes::paintPixel(int px, int py, int shiftX, int shiftY, const int colour[3])
{
    const size_t i = size_t(py) * size_t(planes_.w) + size_t(px);
    const int d = paper_.shift(shiftX + px, shiftY + py);
    // The source's colours are premultiplied already: clamping to the
    // alpha keeps the pixel valid without darkening it twice.
    const int a = planes_.alpha[i];
    const int top = std::min(254, a);
    const int r = std::clamp(colour[0] + d, 0, top), g = std::clamp(colour[1] + d, 0, top),
              b = std::clamp(colour[2] + d, 0, top);
    canvasBits_[py * canvasStride_ + px] =
        gfx::Pixel(a) << 24 | gfx::Pixel(r) << 16 | gfx::Pixel(g) << 8 | gfx::Pixel(b);
    cells_[i] |= kPainted;
    columns_[size_t(px) * size_t(planes_.h) + size_t(py)] |= kPainted;
    planes_.painted[i] = 1;
    ++paintedCount_;
}

// Floods the part of the grown region connected to the seed and, when it
// is large enough, paints it with its mean colour, then the holes it
// encloses.
void RegionWashes::fill(int x, int y, platform::Random& rng)
{
    const int w = planes_.w;
    queue_.clear();
    const size_t seed = size_t(y) * size_t(w) + size_t(x);
    tags_[seed] = floodedTag_;
    queue_.push_back(int(seed));
    for (size_t head = 0; head < queue_.size(); ++head) {
        const int i = queue_[head];
        const int px = i % w, py = i / w;
        auto visit = [&](int j) {
            uint32_t& t = tags_[size_t(j)];
            if (t == grownTag_) {
                t = floodedTag_;
                queue_.push_back(j);
            }
        };
        if (px > 0)
            visit(i - 1);
        if (px < w - 1)
            visit(i + 1);
        if (py > 0)
            visit(i - w);
        if (py < planes_.h - 1)
            visit(i + w);
    }
    if (queue_.size() < kMinKeptPixels)
        return;

    int64_t sum[3] = {0, 0, 0};
    int left = w, right = -1, top = planes_.h, bottom = -1;
    for (const int i : queue_) {
        const uint32_t c = cells_[size_t(i)];
        sum[0] += Channel(c, 16);
        sum[1] += Channel(c, 8);
        sum[2] += Channel(c, 0);
        const int px = i % w, py = i / w;
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
    }
    const int64_t n = int64_t(queue_.size());
    const int jitter = rng.random(24) - 8;
    int colour[3];
    for (int c = 0; c < 3; ++c)
        colour[c] = int(std::clamp<int64_t>(sum[c] / n + jitter, 0, 254));
    const int shiftX = x + colour[0], shiftY = y + colour[0];
    for (const int i : queue_)
        paintPixel(i % w, i / w, shiftX, shiftY, colour);
    fillHoles(left, top, right, bottom, shiftX, shiftY, colour);
}

// Unpainted solid pixels of the box with more than 7 flooded pixels among
// their 25 neighbours take the region's paint.
void RegionWashes::fillHoles(int left, int top, int right, int bottom, int shiftX, int shiftY, const int colour[3])
{
    const size_t w = size_t(planes_.w);
    for (int px = left + 2; px <= right - 2; ++px)
        for (int py = top + 2; py <= bottom - 2; ++py) {
            const uint32_t* c = cells_.data() + size_t(py) * w + size_t(px);
            if ((*c & (kSolid | kPainted)) != kSolid)
                continue;
            const uint32_t* tag = tags_.data() + (c - cells_.data());
            int flooded = 0;
            for (int dy = -2; dy <= 2; ++dy) {
                const uint32_t* row = tag + ptrdiff_t(dy) * ptrdiff_t(w);
                for (int dx = -2; dx <= 2; ++dx)
                    flooded += row[dx] == floodedTag_;
            }
            if (flooded > 7)
                paintPixel(px, py, shiftX, shiftY, colour);
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
        // Each round marks its region with tags of its own, so nothing needs
        // clearing between rounds.
        grownTag_ = uint32_t(2 * n + 1);
        floodedTag_ = grownTag_ + 1;
        tags_[size_t(y) * size_t(planes_.w) + size_t(x)] = grownTag_;
        if (grow(x, y, n) >= kMinKeptRing)
            fill(x, y, rng);
    }
}

} // namespace pq
