#include "effects/painting/watercolor/spoke_patch.h"

#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <vector>

namespace pq {
namespace {

// Steps whose pixels are fetched together.
constexpr int kChunk = 32;
// The most cost steps the eight-step walk compares a distance with.
constexpr size_t kMaxCostRises = 16;
// Pictures up to this size stay in the caches while spokes cross them.
constexpr int64_t kCachedBytes = int64_t(8) << 20;

} // namespace

SpokeSmoothing::SpokeSmoothing(float sigma)
{
    for (int b = -3; b <= 3; ++b) {
        const double t = double(b) / double(sigma);
        weight_[size_t(b + 3)] = float(std::exp(-0.5 * t * t));
    }
    for (const float w : weight_)
        weights_ += w;
}

void SpokeSmoothing::apply(std::span<int> lengths, int count) const
{
    const int n = std::min(count, int(lengths.size()));
    if (n <= 0)
        return;
    // The unsmoothed lengths: on the stack for the usual spoke counts.
    std::array<int, 64> small{};
    std::vector<int> large;
    int* original = small.data();
    if (n > int(small.size())) {
        large.assign(lengths.begin(), lengths.begin() + n);
        original = large.data();
    } else {
        std::copy(lengths.begin(), lengths.begin() + n, original);
    }
    for (int k = 0; k < n; ++k) {
        float sum = 0.0f;
        if (k >= 3 && k + 3 < n) {
            const int* around = original + (k - 3);
            for (size_t b = 0; b < 7; ++b)
                sum += float(around[b]) * weight_[b];
        } else {
            for (int b = -3; b <= 3; ++b) {
                // (k + b) mod n for any n, also below 3.
                const int idx = ((k + b) % n + n) % n;
                sum += float(original[idx]) * weight_[size_t(b + 3)];
            }
        }
        lengths[size_t(k)] = weights_ > 0.0f ? int(RoundEven(double(sum / weights_))) : original[k];
    }
}

void SmoothSpokeLengths(std::span<int> lengths, int count, float sigma)
{
    SpokeSmoothing(sigma).apply(lengths, count);
}

SpokeField::SpokeField(const gfx::Image& source, bool hasTransparency, int colourThreshold, bool stopAtEmpty,
                       bool halveAtEdge)
    : pixels_(source.isNull() ? nullptr : source.row(0)),
      stride_(source.isNull() ? 0 : source.stride() / qsizetype(sizeof(gfx::Pixel))), w_(source.width()),
      h_(source.height()), hasTransparency_(hasTransparency), colourThreshold_(colourThreshold),
      stopAtEmpty_(stopAtEmpty), halveAtEdge_(halveAtEdge), tiles_(0), tileColumns_((w_ + 3) / 4)
{
    // Round(sqrt(q)) <= T exactly when q <= T^2 + T.
    const int t = std::clamp(colourThreshold, -1, 1000);
    const int qMax = t < 0 ? -1 : t * t + t;
    smallStepCost_.resize(size_t(qMax + 1));
    for (int q = 0; q <= qMax; ++q) {
        const int d = int(std::sqrt(double(q)) + 0.5);
        smallStepCost_[size_t(q)] = uint8_t(std::max(1, RoundShiftEven(d, 4)) + 1);
    }
    // The eight-step walk counts the rises of these costs, one at a time.
    // Its pixel offsets have 32 bits.
    wideWalk_ = pixels_ && qMax >= 0 && smallStepCost_[0] == 2 && int64_t(stride_) * h_ <= INT32_MAX &&
                int64_t(tileColumns_) * int64_t((h_ + 3) / 4) * 16 <= INT32_MAX;
    for (int q = 1; q <= qMax && wideWalk_; ++q) {
        const int rise = smallStepCost_[size_t(q)] - smallStepCost_[size_t(q - 1)];
        wideWalk_ = rise == 0 || (rise == 1 && costRises_.size() < kMaxCostRises);
        if (rise == 1)
            costRises_.push_back(q);
    }
    riseBounds_.fill(INT_MAX);
    for (size_t i = 0; i < std::min(costRises_.size(), riseBounds_.size()); ++i)
        riseBounds_[i] = costRises_[i] - 1;
    // Big pictures go in tiles, asked for ahead of the walk.
    fetchAhead_ = int64_t(w_) * h_ * int64_t(sizeof(gfx::Pixel)) > kCachedBytes;
    if (!wideWalk_ || !fetchAhead_)
        return;
    tiles_ = gfx::ScratchBuffer<gfx::Pixel>(size_t(tileColumns_) * size_t((h_ + 3) / 4) * 16);
    if (!tiles_) {
        fetchAhead_ = false;
        return;
    }
    const int tileRows = (h_ + 3) / 4;
    platform::ParallelForRange(0, tileRows, 64, [&](int t0, int t1) {
        for (int ty = t0; ty < t1; ++ty) {
            gfx::Pixel* out = tiles_.data() + size_t(ty) * size_t(tileColumns_) * 16;
            for (int tx = 0; tx < tileColumns_; ++tx)
                for (int j = 0; j < 16; ++j) {
                    const int x = tx * 4 + (j & 3), y = ty * 4 + (j >> 2);
                    *out++ = x < w_ && y < h_ ? pixels_[qsizetype(y) * stride_ + x] : 0u;
                }
        }
    });
}

bool SpokeField::insidePicture(double cx, double cy, double cosA, double sinA, int r) const
{
    const int64_t px = RoundEven(cx + double(r) * cosA);
    const int64_t py = RoundEven(cy + double(r) * sinA);
    return px >= 0 && py >= 0 && px < w_ && py < h_;
}

int SpokeField::grow(double cx, double cy, double cosA, double sinA, int budget, gfx::Pixel c) const
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && wideWalk_ && int(c >> 24) >= central_spoke::kAlphaMin)
    {
        if (costRises_.size() <= 8)
            return fetchAhead_ ? growWide<true, 8>(cx, cy, cosA, sinA, budget, c)
                               : growWide<false, 8>(cx, cy, cosA, sinA, budget, c);
        return fetchAhead_ ? growWide<true, 16>(cx, cy, cosA, sinA, budget, c)
                           : growWide<false, 16>(cx, cy, cosA, sinA, budget, c);
    }
    return growPlain(cx, cy, cosA, sinA, budget, c);
}

int SpokeField::growPlain(double cx, double cy, double cosA, double sinA, int budget, gfx::Pixel c) const
{
    const int steps = budget;
    int last = 1;
    gfx::Pixel s[kChunk];
    for (int r0 = 1; r0 <= steps; r0 += kChunk) {
        // The chunk's pixels first: their reads do not wait for each other.
        const int m = std::min(kChunk, steps - r0 + 1);
        int inside = m;
        // Rounded positions along a ray never turn back, so when the chunk's
        // first and last steps lie inside, all between do.
        if (insidePicture(cx, cy, cosA, sinA, r0) && insidePicture(cx, cy, cosA, sinA, r0 + m - 1)) {
            for (int j = 0; j < m; ++j) {
                const int64_t px = RoundEven(cx + double(r0 + j) * cosA);
                const int64_t py = RoundEven(cy + double(r0 + j) * sinA);
                s[j] = pixels_[py * stride_ + px];
            }
        } else {
            for (int j = 0; j < m; ++j) {
                const int64_t px = RoundEven(cx + double(r0 + j) * cosA);
                const int64_t py = RoundEven(cy + double(r0 + j) * sinA);
                if (px < 0 || py < 0 || px >= w_ || py >= h_) {
                    inside = j;
                    break;
                }
                s[j] = pixels_[py * stride_ + px];
            }
        }
        for (int j = 0; j < inside; ++j) {
            bool stop = false;
            budget = spend(budget, s[j], c, stop);
            if (stop || budget <= 0)
                return last;
            last = r0 + j;
        }
        if (inside < m)
            return last;
    }
    return last;
}

} // namespace pq
