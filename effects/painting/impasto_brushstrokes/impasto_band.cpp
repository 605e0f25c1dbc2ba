#include "effects/painting/impasto_brushstrokes/impasto_band.h"

#include "effects/shared/stamp_gain.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace pq::impasto {
namespace {

constexpr int kStrength = 30;
constexpr int kMaxBands = 32;
constexpr int64_t kNoScore = -2147483647;
// A place whose tries sample at least this many points in all scores them
// on several threads (when its band runs alone); fewer cost less than
// waking the pool.
constexpr int64_t kTogetherPoints = 65536;

// Half side of the full-size commit window of a stamp.
int FullReach(int brushSize)
{
    return platform::Round(brushSize * 0.7) + 2;
}

class BandPainter {
public:
    BandPainter(const SharedRun& run, const PassValues& pv, const Band& band, uint32_t seed, StampSurface& surface)
        : run_(run), s_(run.settings), pv_(pv), band_(band), rng_(seed), surface_(surface),
          c_(surface.centre()), workW_(s_.workWidth), workH_(s_.workHeight)
    {
        const int scanStart = std::max(c_ - pv.scanLimit, 0);
        const int scanEnd = std::min(surface.side() - 1, c_ + pv.scanLimit);
        window_ = QRect(QPoint(scanStart, scanStart), QPoint(scanEnd, scanEnd));
        const int v = FullReach(pv.brushSize);
        fullWindow_ = QRect(QPoint(c_ - v, c_ - v), QPoint(c_ + v, c_ + v)).intersected(surface.rect());
        stamp_.opacity = s_.opacity;
        stamp_.sampling = StampSampling::LinearMipmap;
        stamp_.trimToInk = true;
    }

    void paint()
    {
        if (pv_.stochastic)
            collectDirtyTiles();
        for (int layer = 1; layer <= pv_.densityLayers && !IsEffectCancelled(); ++layer) {
            if (pv_.stochastic)
                stochasticLayer();
            else
                systematicLayer(layer);
        }
    }

private:
    gfx::Pixel sourceAt(int x, int y) const { return run_.workSource.row(y)[x]; }
    gfx::Pixel canvasAt(int x, int y) const { return run_.workCanvas->row(y)[x]; }

    void systematicLayer(int layer)
    {
        const int grid = pv_.gridStep;
        int dx = 0, dy = 0;
        if (layer > 1) {
            dx = rng_.random(grid);
            dy = rng_.random(grid);
        }
        int y = band_.top + rng_.random(grid / 2) + dy;
        int x = rng_.random(grid / 2) + dx;
        for (;;) {
            if (IsEffectCancelled() || y >= band_.bottom)
                return;
            if (x >= workW_) {
                y += grid;
                x = rng_.random(grid / 2);
                continue;
            }
            const gfx::Pixel s = sourceAt(x, y);
            if (int(s >> 24) >= 10 && (pv_.skipCheck || PixelError(s, canvasAt(x, y)) >= s_.skipLimit))
                placeAt(x, y);
            x += grid;
        }
    }

    void stochasticLayer()
    {
        const int rows = band_.bottom - band_.top;
        const double density = 8.0 * (s_.iterations / 100.0) * (s_.iterations / 100.0) + 0.002;
        const int64_t count = std::clamp<int64_t>(
            platform::Round64(double(workW_) * rows / std::max(pv_.workBrushSize * pv_.workBrushSize, 1) * density), 1,
            100000);
        int64_t placed = 0, attempts = 0;
        for (;;) {
            if (IsEffectCancelled())
                return;
            ++attempts;
            if (attempts > 20 * count || placed >= count)
                return;
            int x, y;
            const bool fromTile = !tiles_.empty() && rng_.random(100) < 80;
            if (fromTile) {
                const QRect& t = tiles_[size_t(rng_.random(int(tiles_.size())))];
                y = t.top() + rng_.random(std::max(t.height(), 1));
                x = t.left() + rng_.random(std::max(t.width(), 1));
            } else {
                y = band_.top + rng_.random(rows);
                x = rng_.random(workW_);
            }
            if (y < band_.top || y >= band_.bottom || x < 0 || x >= workW_)
                continue;
            const gfx::Pixel s = sourceAt(x, y);
            const int err = PixelError(s, canvasAt(x, y));
            int p;
            if (fromTile) {
                p = err < 31 ? 100 : 300;
            } else {
                const int magnitude = run_.gradients.cellOf(x, y, workW_, workH_).magnitude;
                p = magnitude;
                if (err > s_.skipLimit + 20)
                    p = 300;
                else if (err > s_.skipLimit && p < 100)
                    p = 120;
                if (err < s_.skipLimit && magnitude < 20)
                    p = 5;
            }
            if (rng_.random(255) >= std::min(p, 255))
                continue;
            ++placed;
            if (int(s >> 24) >= 10)
                placeAt(x, y);
        }
    }

    // Tiles of the band whose sampled colour error exceeds the skip limit.
    void collectDirtyTiles()
    {
        const int side = std::max(pv_.workBrushSize, 32);
        for (int top = band_.top; top < band_.bottom; top += side)
            for (int left = 0; left < workW_; left += side) {
                const QRect tile(left, top, std::min(side, workW_ - left), std::min(side, band_.bottom - top));
                int64_t sum = 0, samples = 0;
                for (int y = (tile.top() + 3) / 4 * 4; y <= tile.bottom(); y += 4)
                    for (int x = (tile.left() + 3) / 4 * 4; x <= tile.right(); x += 4) {
                        const gfx::Pixel s = sourceAt(x, y), d = canvasAt(x, y);
                        sum += std::abs(int((s >> 16) & 255) - int((d >> 16) & 255)) +
                               std::abs(int((s >> 8) & 255) - int((d >> 8) & 255)) +
                               std::abs(int(s & 255) - int(d & 255));
                        ++samples;
                    }
                if (samples > 0 && sum / samples > s_.skipLimit)
                    tiles_.push_back(tile);
            }
    }

    double directionAt(int x, int y)
    {
        const GradientInfo& g = run_.gradients.cellOf(x, y, workW_, workH_);
        if (g.magnitude < 16)
            return rng_.randomReal() * 2.0 * std::numbers::pi;
        return double(g.angle) + std::numbers::pi / 2.0;
    }

    void placeAt(int x, int y)
    {
        const double direction = directionAt(x, y);
        stamp_.colour = sourceAt(x, y);
        stamp_.width = stamp_.height = pv_.workBrushSize;
        const QRect onCanvas = WindowOnCanvas(window_, c_, x, y, workW_, workH_);
        const int k = pv_.checkStep;
        const QRect grid(QPoint((onCanvas.left() + k - 1) / k * k, (onCanvas.top() + k - 1) / k * k),
                         onCanvas.bottomRight());
        const StampTarget target{run_.workSource.row(0), run_.workSource.stride() / qsizetype(sizeof(gfx::Pixel)),
                                 run_.workCanvas->row(0), run_.workCanvas->stride() / qsizetype(sizeof(gfx::Pixel)),
                                 x, y};
        // Every try's cell and angle first (blank cells gain nothing at any
        // angle), then their scores, on several threads when they sample
        // many points.
        tries_.clear();
        for (int i = 0; i < pv_.refineCount; ++i) {
            const int cell = rng_.random(int(run_.cells.size()));
            const double base = direction - run_.angles[size_t(cell)];
            if (run_.cells[size_t(cell)].isBlank())
                continue;
            for (int side = -pv_.sideSteps; side <= pv_.sideSteps; ++side)
                tries_.push_back({cell, base + side * (std::numbers::pi / 36.0), 0, 0});
        }
        auto score = [&](int from, int to) {
            Stamp stamp = stamp_;
            for (int j = from; j < to; ++j) {
                Try& t = tries_[size_t(j)];
                stamp.cell = &run_.cells[size_t(t.cell)];
                stamp.angle = t.angle;
                const StampErrorSums e = ScoreStamp(stamp, surface_.side(), grid, k, target).errors;
                t.gain = e.before - e.after;
                t.meanNew = e.count > 0 ? e.after / e.count : 2147483647;
            }
        };
        const int64_t points = int64_t(grid.width() / k + 1) * (grid.height() / k + 1) * int64_t(tries_.size());
        if (points >= kTogetherPoints)
            platform::ParallelForRange(0, int(tries_.size()), 1, score);
        else
            score(0, int(tries_.size()));
        int64_t best = kNoScore;
        int bestCell = -1;
        double bestAngle = 0.0;
        for (const Try& t : tries_) {
            const int64_t score = t.gain - 2 * t.meanNew;
            if (t.gain > pv_.threshold && score > best) {
                best = score;
                bestCell = t.cell;
                bestAngle = t.angle;
            }
        }
        if (bestCell >= 0)
            commit(x, y, bestCell, bestAngle, onCanvas);
    }

    // The relief window of a stamp, cut to what will be committed.
    QRect reliefWindow(const QRect& committed) const
    {
        const int reach = pv_.brushSize / 2 + 2;
        const int lo = std::max(c_ - reach, 1), hi = std::min(c_ + reach, surface_.side() - 2);
        return QRect(QPoint(lo, lo), QPoint(hi, hi)).intersected(committed);
    }

    void commit(int x, int y, int cell, double angle, const QRect& onCanvas)
    {
        const bool relief = pv_.brushSize > 15;
        stamp_.cell = &run_.cells[size_t(cell)];
        stamp_.angle = angle;
        stamp_.width = stamp_.height = pv_.workBrushSize;
        DrawStamp(surface_, stamp_, onCanvas.adjusted(-1, -1, 1, 1));
        if (relief)
            ApplyImpastoRelief(surface_, pv_.brushSize, kStrength, reliefWindow(onCanvas));
        CommitStamp(surface_, onCanvas, *run_.workCanvas, x, y);

        const int sf = s_.scaleFactor;
        gfx::Surface& dest = *run_.dest;
        const QRect onDest = WindowOnCanvas(fullWindow_, c_, x * sf, y * sf, dest.width(), dest.height());
        if (sf != 1) {
            stamp_.width = stamp_.height = pv_.brushSize;
            DrawStamp(surface_, stamp_, onDest.adjusted(-1, -1, 1, 1));
            if (relief)
                ApplyImpastoRelief(surface_, pv_.brushSize, kStrength, reliefWindow(onDest));
        }
        CommitStamp(surface_, onDest, dest, x * sf, y * sf);
    }

    const SharedRun& run_;
    const ImpastoSettings& s_;
    const PassValues& pv_;
    const Band band_;
    platform::Random rng_;
    StampSurface& surface_;
    const int c_;
    const int workW_, workH_;
    QRect window_;
    QRect fullWindow_;
    Stamp stamp_;
    struct Try {
        int cell;
        double angle;
        int64_t gain, meanNew;
    };
    std::vector<Try> tries_;
    std::vector<QRect> tiles_;
};

} // namespace

PassValues PassValuesFor(const ImpastoSettings& s, int pass, bool doClear)
{
    PassValues pv;
    pv.pass = pass;
    const double f = double(s.passes - pass) / std::max(s.passes, 1);
    pv.brushSize = s.minSize + platform::Round((s.maxSize - s.minSize) * (f * f * f * f));
    pv.workBrushSize = std::max(pv.brushSize / s.scaleFactor, 1);
    pv.stochastic = pass > s.passes * 0.7;
    pv.scanLimit = platform::Round(pv.workBrushSize * 0.7) + 2;
    pv.skipCheck = pass == 0 && doClear;
    pv.threshold = platform::Round64(double(pv.workBrushSize) * pv.workBrushSize * 0.35);
    const int wbs = pv.workBrushSize;
    pv.checkStep = wbs > 80 ? 5 : wbs > 40 ? 4 : wbs > 20 ? 3 : wbs > 8 ? 2 : 1;
    pv.refineCount = s.refineBase;
    pv.sideSteps = 4;
    if (wbs < 10) {
        pv.refineCount = 1;
        pv.sideSteps = 0;
    } else if (wbs < 40) {
        pv.refineCount = std::max(s.refineBase / 2, 1);
        pv.sideSteps = 1;
    }
    if (pv.stochastic) {
        pv.gridStep = 1;
        pv.densityLayers = 1;
    } else {
        pv.gridStep = std::max(platform::Round(wbs * 0.8), 2);
        pv.densityLayers = s.iterations < 40 ? 1 : s.iterations < 80 ? 2 : 3;
    }
    return pv;
}

std::vector<Band> BandsFor(const ImpastoSettings& s, const PassValues& pv)
{
    // Rows of the working picture a stamp centred on one row may read or
    // write: its window, and its full-size window mapped back.
    const int sf = s.scaleFactor;
    const int reach = std::max(pv.scanLimit, (FullReach(pv.brushSize) + sf - 1) / sf) + 1;
    const int count = std::clamp(s.workHeight / std::max(2 * reach, 1), 1, kMaxBands);
    std::vector<Band> bands;
    const int rows = s.workHeight / count;
    for (int i = 0; i < count; ++i)
        bands.push_back({i * rows, i == count - 1 ? s.workHeight : (i + 1) * rows});
    return bands;
}

uint32_t BandSeed(uint32_t runSeed, int pass, int band)
{
    // SplitMix64 of the three numbers.
    uint64_t z = (uint64_t(runSeed) << 32) ^ (uint64_t(uint32_t(pass)) << 16) ^ uint64_t(uint32_t(band));
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return uint32_t((z ^ (z >> 31)) >> 16);
}

void PaintBand(const SharedRun& run, const PassValues& pv, const Band& band, uint32_t seed, StampSurface& surface)
{
    if (run.cells.empty() || band.bottom <= band.top)
        return;
    BandPainter(run, pv, band, seed, surface).paint();
}

} // namespace pq::impasto
