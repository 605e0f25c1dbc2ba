#include "effects/painting/watercolor_splashes.h"

#include "effects/shared/brush_stamps.h"
#include "effects/shared/stamp_cell_cache.h"
#include "effects/shared/stamp_gain.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numbers>
#include <vector>

namespace pq {
namespace {

constexpr int kSide = 778; // Round(512 * 1.5) + 10
constexpr int64_t kNoGain = -2147483647;
constexpr int64_t kCovered = 100000;
constexpr double kDegree = std::numbers::pi / 180.0;
// Sampled grids with at least this many points measure their tries on
// several threads.
constexpr int64_t kTogetherPoints = 1024;

struct Settings {
    int minSize = 0;
    int maxSize = 0;
    float opacity = 1.0f;
    int triesBase = 1;
    int candidates = 10;
    float spacing = 1.0f;
    int levels = 10;
    bool earlyExit = true;
    int quality = 0;
};

struct LevelValues {
    int size = 0;
    bool gridPhase = false;
    int step = 1;
    int first = 0, last = 0;
    int tries = 1;
    int errThr = 2;
    bool firstCover = false;
    int64_t gainThr = 0;
    int sub = 2;
};

Settings Derive(int p1, int p2, int p3, int p4, int p5)
{
    Settings s;
    p2 = std::max(p2, p1);
    s.minSize = std::clamp(platform::Round(p1 * 5.12), 3, 512);
    // At least the smallest stamp: sizes of 0 would paint nothing, on a grid
    // of one place per pixel.
    s.maxSize = std::clamp(platform::Round(p2 * 5.12), 3, 512);
    s.minSize = std::min(s.minSize, s.maxSize);
    s.opacity = std::max(float(p5) / 100.0f, 0.1f);
    s.triesBase = p4 < 20 ? 1 : p4 < 50 ? 2 : p4 < 70 ? 3 : p4 < 90 ? 5 : 8;
    s.candidates = p4 > 80 ? 30 : p4 > 50 ? 20 : 10;
    s.spacing = float(std::max(p3, 1)) / 15.0f + 0.8f;
    s.levels = platform::Round(p4 / 100.0 * 4.0) + 10;
    s.earlyExit = p4 < 75;
    s.quality = p4;
    return s;
}

class SplashPainter {
public:
    SplashPainter(const gfx::Image& source, gfx::Surface& dest, const Settings& s, bool preview, bool doClear,
                  const SheetCells& sheet)
        : src_(source), dest_(dest), s_(s), preview_(preview), doClear_(doClear), w_(source.width()),
          h_(source.height()), stamp_(kSide), cells_(sheet.cells), angles_(sheet.angles), rng_(RunRandom())
    {
        gradients_ = BuildGradientMap(source);
    }

    void paint()
    {
        for (int k = 0; k <= s_.levels; ++k) {
            CheckCancellation();
            target_ = {src_.row(0), src_.stride() / qsizetype(sizeof(gfx::Pixel)), dest_.row(0),
                       dest_.stride() / qsizetype(sizeof(gfx::Pixel)), 0, 0};
            const LevelValues lv = levelValues(k);
            if (lv.gridPhase)
                gridPhase(lv);
            else
                scatterPhase(lv);
            const int pct = platform::Round(double(k + 1) / (s_.levels + 1) * 100.0) + 1;
            if (preview_)
                SafeUpdatePreview(dest_, pct);
            else
                ShowIntermediateImage(dest_.snapshotReusing(snapshots_), std::min(pct, 100), Delivery::Queued);
        }
    }

private:
    static int centre() { return kSide / 2; }

    LevelValues levelValues(int k) const
    {
        LevelValues lv;
        const float t = float(s_.levels - k) / float(s_.levels);
        lv.size = s_.minSize + platform::Round(float(s_.maxSize - s_.minSize) * (t * (t * t)));
        lv.gridPhase = t > 0.87f;
        lv.step = std::max(platform::Round(lv.size / s_.spacing), 1);
        const int v = platform::Round(lv.size * 0.7) + 2;
        lv.first = std::max(centre() - v, 0);
        lv.last = std::min(centre() + v, kSide - 1);
        lv.tries = s_.triesBase + (lv.size > 40 ? 2 : 0);
        const int r = platform::Round(double(s_.maxSize - lv.size) / std::max(s_.maxSize - s_.minSize, 1) * 50.0);
        lv.errThr = std::max(s_.quality > 70 ? r - 7 : r + 3, 2);
        if (!doClear_)
            lv.errThr /= 2;
        lv.firstCover = k == 0 && doClear_;
        lv.gainThr = platform::Round64(double(lv.size) * lv.size * 0.1);
        if (!doClear_)
            lv.gainThr /= 4;
        lv.sub = lv.size > 50 ? 4 : lv.size > 30 ? 3 : 2;
        return lv;
    }

    void gridPhase(const LevelValues& lv)
    {
        for (int y = rng_.random(lv.step); y < h_; y += lv.step) {
            CheckCancellation();
            for (int x = rng_.random(lv.step); x < w_; x += lv.step)
                place(lv, x, y, true);
        }
    }

    void scatterPhase(const LevelValues& lv)
    {
        const int count =
            int(std::clamp<int64_t>(platform::Round64(double(w_) * h_ * 3.0 / (double(lv.size) * lv.size)), 200, 30000));
        for (int i = 0; i < count; ++i) {
            CheckCancellation();
            int bestErr = -1, bx = 0, by = 0;
            for (int c = 0; c < s_.candidates; ++c) {
                const int x = rng_.random(w_);
                const int y = rng_.random(h_);
                const int err = PixelError(src_.row(y)[x], dest_.row(y)[x]);
                if (err > bestErr) {
                    bestErr = err;
                    bx = x;
                    by = y;
                }
            }
            if (bestErr >= lv.errThr)
                place(lv, bx, by, false);
        }
    }

    // The gain of a try's errors; the area's mean error below the threshold
    // counts as already matching.
    static int64_t GainOf(const LevelValues& lv, const StampErrorSums& e)
    {
        int64_t gain = e.before - e.after;
        if (e.count > 0 && e.before / e.count < lv.errThr)
            gain -= kCovered;
        return gain;
    }

    struct Try {
        int cell = 0;
        double angle = 0.0;
        int64_t gain = kCovered;
    };

    // A try's cell and angle, drawn from `rng` in turn.
    Try nextTry(platform::Random& rng, double base) const
    {
        Try t;
        t.cell = rng.random(int(cells_.size()));
        t.angle = base - angles_[size_t(t.cell)] + (rng.random(40) - 20) * kDegree;
        return t;
    }

    // The try's gain over the sampled grid.
    int64_t measure(Stamp stamp, const Try& t, const LevelValues& lv, const QRect& sampled, int x, int y) const
    {
        stamp.cell = &cells_[size_t(t.cell)];
        stamp.angle = t.angle;
        StampTarget target = target_;
        target.x = x;
        target.y = y;
        return GainOf(lv, ScoreStamp(stamp, kSide, sampled, lv.sub, target, true).errors);
    }

    void place(const LevelValues& lv, int x, int y, bool grid)
    {
        const GradientInfo& g = gradients_.cellOf(x, y, w_, h_);
        const double base = g.magnitude >= 16 ? double(g.angle) + std::numbers::pi / 2.0 : rng_.random(360) * kDegree;
        const QRect window(QPoint(lv.first, lv.first), QPoint(lv.last, lv.last));
        const QRect onCanvas = WindowOnCanvas(window, centre(), x, y, w_, h_);
        // The sampled grid: stamp rows and columns that are multiples of Sub.
        const int k = lv.sub;
        const QRect sampled(QPoint((onCanvas.left() + k - 1) / k * k, (onCanvas.top() + k - 1) / k * k),
                            onCanvas.bottomRight());
        Stamp stamp;
        stamp.colour = src_.row(y)[x];
        stamp.opacity = s_.opacity;
        stamp.width = stamp.height = lv.size;
        stamp.sampling = StampSampling::LinearMipmap;
        stamp.trimToInk = true;
        const bool measured = !(grid && lv.firstCover);
        int64_t bestGain = kNoGain;
        int bestCell = -1;
        double bestAngle = 0.0;
        bool over = false;
        // Keeps the best try so far; true when the tries end with this one.
        auto consider = [&](const Try& t) {
            if (t.gain > bestGain) {
                bestGain = t.gain;
                bestCell = t.cell;
                bestAngle = t.angle;
            }
            return s_.earlyExit && t.gain > 2 * lv.gainThr;
        };
        // Big samples: when the first try does not end the tries, the others
        // are measured together, each on a surface of its own.
        const int64_t points = int64_t(sampled.width() / k + 1) * (sampled.height() / k + 1);
        const bool together = measured && lv.tries > 1 && points >= kTogetherPoints;
        int i = 0;
        for (; i < lv.tries && !over && !(together && i == 1); ++i) {
            Try t = nextTry(rng_, base);
            if (measured)
                t.gain = measure(stamp, t, lv, sampled, x, y);
            over = consider(t);
        }
        if (!over && i < lv.tries) {
            // The draws come from a copy of the generator; the generator
            // itself then steps past the tries that count, as one by one.
            const int n = lv.tries - i;
            platform::Random ahead = rng_;
            tries_.resize(size_t(n));
            for (Try& t : tries_)
                t = nextTry(ahead, base);
            platform::ParallelForRange(0, n, 1, [&](int from, int to) {
                for (int j = from; j < to; ++j)
                    tries_[size_t(j)].gain = measure(stamp, tries_[size_t(j)], lv, sampled, x, y);
            });
            for (int j = 0; j < n && !over; ++j) {
                nextTry(rng_, base);
                over = consider(tries_[size_t(j)]);
            }
        }
        if (bestCell < 0 || bestGain <= lv.gainThr)
            return;
        stamp.cell = &cells_[size_t(bestCell)];
        stamp.angle = bestAngle;
        DrawStamp(stamp_, stamp, onCanvas.adjusted(-1, -1, 1, 1));
        if (lv.size > 14) {
            const int c = centre();
            const QRect relief(QPoint(std::max(c - lv.size / 2 - 2, 1), std::max(c - lv.size / 2 - 2, 1)),
                               QPoint(std::min(c + lv.size / 2 + 2, kSide - 2), std::min(c + lv.size / 2 + 2, kSide - 2)));
            ApplyReliefAndCommit(stamp_, lv.size, 20, relief.intersected(onCanvas), onCanvas, dest_, x, y);
        } else {
            CommitStamp(stamp_, onCanvas, dest_, x, y);
        }
    }

    const gfx::Image& src_;
    gfx::Surface& dest_;
    const Settings s_;
    const bool preview_;
    const bool doClear_;
    const int w_, h_;
    StampSurface stamp_;
    std::vector<Try> tries_;
    std::array<QImage, 2> snapshots_; // pictures for the window, reused once it lets them go
    const std::vector<StampCell>& cells_; // the sheet outlives the painter
    const std::vector<float>& angles_;
    GradientMap gradients_;
    platform::Random& rng_;
    StampTarget target_; // the source's and dest_'s rows, read by tries on any thread
};

} // namespace

void WatercolorSplashes(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview)
{
    CheckCancellation();
    // Values far outside the sliders' range: negative sizes would make the
    // grid one place per pixel, large counts would run for hours.
    Settings s = Derive(std::clamp(p1, 0, 100), std::clamp(p2, 0, 100), std::clamp(p3, 0, 100),
                        std::clamp(p4, 0, 100), std::clamp(p5, 0, 100));
    if (source.isNull() || dest.isNull() || dest.size() != source.size() || source.width() < 10 ||
        source.height() < 10)
        return;
    CheckCancellation();
    const bool doClear = PrepareStampCanvas(source, dest, preview);
    if (!preview)
        ShowIntermediateImage(dest.snapshot(), 1, Delivery::Queued);
    if (!doClear) {
        s.maxSize = (2 * s.maxSize) / 3;
        s.minSize = std::min(s.minSize, s.maxSize);
    }
    CheckCancellation();

    const EffectRunContext* run = CurrentRun();
    const std::shared_ptr<const SheetCells> sheet =
        TestedSheetCells(run ? run->brushSheet : gfx::Image(), OrientationRule{21, 1000.0});
    if (!sheet->cells.empty())
        SplashPainter(source, dest, s, preview, doClear, *sheet).paint();
    else if (preview)
        ReportFinished(dest, preview);
    if (!preview)
        ShowIntermediateImage(dest.snapshot(), 101, Delivery::Queued);
}

} // namespace pq
