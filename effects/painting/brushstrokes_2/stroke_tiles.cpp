#include "effects/painting/brushstrokes_2/stroke_tiles.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace pq {

StrokeTiles::StrokeTiles(int w, int h)
    : w_(w), h_(h), columns_((w + kSize - 1) / kSize), rows_((h + kSize - 1) / kSize),
      error_(size_t(columns_) * size_t(rows_), 0), hits_(error_.size(), 0), weight_(error_.size(), 0)
{
}

void StrokeTiles::computeErrors(const gfx::Pixel* picture, qsizetype pictureStride,
                                const std::vector<gfx::Pixel>& photo)
{
    std::fill(hits_.begin(), hits_.end(), 0);
    platform::ParallelFor(0, rows_, [&](int ty) {
        for (int tx = 0; tx < columns_; ++tx) {
            int64_t sum = 0;
            for (int y = ty * kSize; y < std::min(h_, (ty + 1) * kSize); ++y) {
                const gfx::Pixel* row = picture + y * pictureStride;
                const gfx::Pixel* src = photo.data() + size_t(y) * size_t(w_);
                for (int x = tx * kSize; x < std::min(w_, (tx + 1) * kSize); ++x) {
                    const gfx::Pixel p = row[x], s = src[x];
                    sum += std::abs(int((p >> 16) & 0xFF) - int((s >> 16) & 0xFF)) +
                           std::abs(int((p >> 8) & 0xFF) - int((s >> 8) & 0xFF)) +
                           std::abs(int(p & 0xFF) - int(s & 0xFF));
                }
            }
            error_[size_t(ty) * size_t(columns_) + size_t(tx)] = sum;
        }
    });
}

void StrokeTiles::buildWeights()
{
    int64_t sum = 0;
    for (size_t i = 0; i < error_.size(); ++i) {
        int64_t a = error_[i];
        if (hits_[i] > 20)
            a /= hits_[i] / 20 + 1;
        sum += std::max<int64_t>(a, 1);
        weight_[i] = sum;
    }
    total_ = sum;
}

int StrokeTiles::pick(platform::Random& rng) const
{
    if (total_ <= 0)
        return rng.random(count());
    const int64_t t = int64_t(rng.randomReal() * double(total_));
    return int(std::lower_bound(weight_.begin(), weight_.end(), t) - weight_.begin());
}

void StrokeTiles::addError(int tile, int64_t delta)
{
    std::atomic_ref<int64_t>(error_[size_t(tile)]).fetch_add(delta, std::memory_order_relaxed);
}

} // namespace pq
