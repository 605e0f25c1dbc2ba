#include "effects/stylize/space_filling/run.h"

#include "engine/runtime/progress.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>

namespace pq::stylize {
namespace {

constexpr int kTile = 16;
// Edge strength from which a pixel seeds contour candidates, and above
// which it breaks a uniform island.
constexpr float kContourSeedEdge = 0.16f;
constexpr float kIslandEdge = 0.15f;
// Up to this largest size every box the colour sums are asked about (an
// island's square, a shape's pixel box: at most 2 ceil(1.4143 half) + 2
// wide) holds fewer pixels than the 32-bit sums allow.
constexpr float kNarrowSatLargestHalf = 80.0f;
static_assert((2 * 114 + 2) * (2 * 114 + 2) <= ColorSat::kNarrowBoxPixels);

} // namespace

void MosaicRun::analyse()
{
    buildEdgeMap();
    buildContourPoints();
    initTiles();
    coverTransparentPixels();
}

void MosaicRun::buildEdgeMap()
{
    const int w = w_, h = h_;
    Plane<uint8_t> luma(size_t(w) * size_t(h));
    platform::ParallelForRange(0, h, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const gfx::Pixel* row = rows_[size_t(y)];
            uint8_t* out = luma.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const gfx::Pixel p = row[x];
                out[x] = uint8_t(gfx::Luma601Fixed8(int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)));
            }
        }
    });
    CheckCancellation();
    float* edge = edgeMap_.data();
    std::vector<float> rowMax(size_t(h), 0.0f);
    platform::ParallelForRange(0, h, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            float* out = edge + size_t(y) * size_t(w);
            if (y == 0 || y == h - 1) {
                std::fill_n(out, w, 0.0f);
                continue;
            }
            const uint8_t* up = luma.data() + size_t(y - 1) * size_t(w);
            const uint8_t* mid = up + w;
            const uint8_t* down = mid + w;
            float best = 0.0f;
            out[0] = 0.0f;
            out[w - 1] = 0.0f;
            for (int x = 1; x < w - 1; ++x) {
                const int gx = (up[x + 1] + 2 * mid[x + 1] + down[x + 1]) - (up[x - 1] + 2 * mid[x - 1] + down[x - 1]);
                const int gy = (down[x - 1] + 2 * down[x] + down[x + 1]) - (up[x - 1] + 2 * up[x] + up[x + 1]);
                const float e = std::sqrt(float(gx * gx + gy * gy));
                out[x] = e;
                best = std::max(best, e);
            }
            rowMax[size_t(y)] = best;
        }
    });
    CheckCancellation();
    const float largest = *std::max_element(rowMax.begin(), rowMax.end());
    if (largest > 0.000001f) {
        platform::ParallelForRange(0, h, 64, [&](int lo, int hi) {
            for (size_t i = size_t(lo) * size_t(w); i < size_t(hi) * size_t(w); ++i)
                edge[i] = edge[i] / largest;
        });
    }
}

void MosaicRun::buildContourPoints()
{
    contourPts_.clear();
    contourPts_.reserve(4096);
    for (int y = 1; y < h_ - 1; y += 3) {
        const float* edge = edgeMap_.data() + size_t(y) * size_t(w_);
        for (int x = 1; x < w_ - 1; x += 3)
            if (edge[x] >= kContourSeedEdge)
                contourPts_.emplace_back(x, y);
    }
}

void MosaicRun::initTiles()
{
    tilesX_ = (w_ + kTile - 1) / kTile;
    tilesY_ = (h_ + kTile - 1) / kTile;
    const size_t count = size_t(tilesX_) * size_t(tilesY_);
    tileCapacity_.resize(count);
    tileCovered_.assign(count, 0);
    openTiles_.resize(count);
    for (int ty = 0; ty < tilesY_; ++ty)
        for (int tx = 0; tx < tilesX_; ++tx) {
            const size_t t = size_t(ty) * size_t(tilesX_) + size_t(tx);
            tileCapacity_[t] = (std::min((tx + 1) * kTile, w_) - tx * kTile) * (std::min((ty + 1) * kTile, h_) - ty * kTile);
            openTiles_[t] = int(t);
        }
    openCount_ = int(count);
}

void MosaicRun::coverTransparentPixels()
{
    // The blocked plane shares the coverage's cache lines: a shape is
    // tested next to the pixel its seed was just checked on.
    BitPlane::MakeTwins(w_, h_, covered_, blocked_);
    coveredCount_ = 0;
    if (analysis_.isOpaque())
        return;
    for (int y = 0; y < h_; ++y) {
        const gfx::Pixel* row = rows_[size_t(y)];
        int* tiles = tileCovered_.data() + size_t(y / kTile) * size_t(tilesX_);
        for (int x = 0; x < w_; ++x)
            if ((row[x] >> 24) < 128) {
                covered_.set(x, y);
                ++coveredCount_;
                ++tiles[x / kTile];
            }
    }
    compactOpenTiles();
}

void MosaicRun::compactOpenTiles()
{
    int count = openCount_;
    int i = 0;
    while (i < count) {
        const int t = openTiles_[size_t(i)];
        if (tileCovered_[size_t(t)] < tileCapacity_[size_t(t)]) {
            ++i;
        } else {
            --count;
            openTiles_[size_t(i)] = openTiles_[size_t(count)];
        }
    }
    openCount_ = count;
    ctx_.openTilesCount = count;
}

int MosaicRun::islandHalf(int x, int y, int minR, int maxR, const int32_t* edgeSat) const
{
    const int64_t stride = w_ + 1;
    auto edgeSum = [&](int x1, int y1, int x2, int y2) {
        return int64_t(edgeSat[(y2 + 1) * stride + x2 + 1]) + edgeSat[y1 * stride + x1] -
               edgeSat[y1 * stride + x2 + 1] - edgeSat[(y2 + 1) * stride + x1];
    };
    int lo = minR;
    int hi = std::min({x, w_ - x - 1, maxR, y, h_ - y - 1});
    int best = -1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int x1 = x - mid, y1 = y - mid, x2 = x + mid, y2 = y + mid;
        if (edgeSum(x1, y1, x2, y2) > 0) {
            hi = mid - 1;
            continue;
        }
        const int64_t n = int64_t(2 * mid + 1) * (2 * mid + 1);
        const float spread = ColorSpread(sat_->get(x1, y1, x2, y2), n).variance;
        if (spread > settings_.baseColorTolSq) {
            hi = mid - 1;
        } else {
            best = mid;
            lo = mid + 1;
        }
    }
    return best;
}

void MosaicRun::computeUniformIslands()
{
    const int w = w_, h = h_;
    const size_t stride = size_t(w) + 1;
    const size_t entries = stride * (size_t(h) + 1);
    Plane<int32_t> edgeSat(entries);
    int32_t* edges = edgeSat.data();

    // Running counts along each row, then down each column.
    std::fill_n(edges, stride, 0);
    platform::ParallelForRange(0, h, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            int32_t* out = edges + (size_t(y) + 1) * stride;
            const float* edge = edgeMap_.data() + size_t(y) * size_t(w);
            int32_t edgeCount = 0;
            out[0] = 0;
            for (int x = 0; x < w; ++x) {
                edgeCount += edge[x] > kIslandEdge ? 1 : 0;
                out[x + 1] = edgeCount;
            }
        }
    });
    CheckCancellation();
    platform::ParallelForRange(0, int(stride), 256, [&](int lo, int hi) {
        for (int y = 2; y <= h; ++y) {
            const int32_t* up = edges + (size_t(y) - 1) * stride;
            int32_t* here = edges + size_t(y) * stride;
            for (int x = lo; x < hi; ++x)
                here[x] += up[x];
        }
    });
    CheckCancellation();
    sat_ = std::make_unique<ColorSat>(rows_.data(), w, h, settings_.largestHalf > kNarrowSatLargestHalf);
    ctx_.sat = sat_.get();

    const int maxR = platform::Trunc(settings_.largestHalf);
    const int minR = std::max(1, platform::Ceil(settings_.smallestHalf));
    std::vector<int> gridRows;
    for (int y = minR; y < h - minR; y += 3)
        gridRows.push_back(y);
    std::vector<std::vector<UniformCenter>> found(gridRows.size());
    platform::ParallelForRange(0, int(gridRows.size()), 4, [&](int lo, int hi) {
        for (int i = lo; i < hi; ++i) {
            if (IsEffectCancelled())
                return;
            const int y = gridRows[size_t(i)];
            for (int x = minR; x < w - minR; x += 3) {
                const int best = islandHalf(x, y, minR, maxR, edges);
                if (best >= minR)
                    found[size_t(i)].push_back({x, y, float(best)});
            }
        }
    });
    CheckCancellation();
    uniform_.clear();
    for (const auto& row : found)
        uniform_.insert(uniform_.end(), row.begin(), row.end());
    // Largest first; equal sizes keep their grid order.
    std::stable_sort(uniform_.begin(), uniform_.end(),
                     [](const UniformCenter& a, const UniformCenter& b) { return a.maxHalf > b.maxHalf; });
    uniformCursor_ = 0;
}

} // namespace pq::stylize
