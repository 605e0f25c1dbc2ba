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
// Plans whose tries sample at least this many points in all measure them
// on several threads; smaller ones cost less than waking the pool.
constexpr int64_t kTogetherPoints = 65536;
// Places planned ahead: twice as many as the last plan laid, within these.
constexpr int kFewestAhead = 2;
constexpr int kMostAhead = 8;

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
            runPhase(lv, lv.gridPhase);
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

    // Where a phase stands: the scatter's step count, the grid's row and
    // next column.
    struct Cursor {
        int i = 0;
        int y = 0, x = 0;
    };
    enum class StepKind { Done, Skip, Place };

    // One step of the phase from `cursor`, its draws taken from `rng`: the
    // grid's next point, or the scatter's worst of a few random points.
    StepKind advance(const LevelValues& lv, bool grid, int count, platform::Random& rng, Cursor& cursor, int& x,
                     int& y) const
    {
        if (grid) {
            while (cursor.y < h_) {
                if (cursor.x < w_) {
                    x = cursor.x;
                    y = cursor.y;
                    cursor.x += lv.step;
                    return StepKind::Place;
                }
                cursor.y += lv.step;
                if (cursor.y < h_)
                    cursor.x = rng.random(lv.step);
            }
            return StepKind::Done;
        }
        if (cursor.i >= count)
            return StepKind::Done;
        ++cursor.i;
        int bestErr = -1;
        x = y = 0;
        for (int c = 0; c < s_.candidates; ++c) {
            const int cx = rng.random(w_);
            const int cy = rng.random(h_);
            const int err = PixelError(src_.row(cy)[cx], dest_.row(cy)[cx]);
            if (err > bestErr) {
                bestErr = err;
                x = cx;
                y = cy;
            }
        }
        return bestErr >= lv.errThr ? StepKind::Place : StepKind::Skip;
    }

    // Runs a phase. Steps are planned ahead from a copy of the generator on
    // the canvas as it stands, every try of a place drawn; large plans have
    // all their tries measured together. The steps then go down in order up
    // to the first that changes the canvas or ends its tries early: the
    // generator takes the state that step left, and planning starts again
    // after it.
    void runPhase(const LevelValues& lv, bool grid)
    {
        const int count =
            grid ? 0
                 : int(std::clamp<int64_t>(platform::Round64(double(w_) * h_ * 3.0 / (double(lv.size) * lv.size)), 200,
                                           30000));
        const bool measured = !(grid && lv.firstCover);
        Cursor cursor;
        if (grid) {
            cursor.y = rng_.random(lv.step);
            if (cursor.y < h_)
                cursor.x = rng_.random(lv.step);
        }
        int ahead = kMostAhead;
        for (;;) {
            CheckCancellation();
            steps_.clear();
            tries_.clear();
            platform::Random drawn = rng_;
            Cursor planned = cursor;
            int places = 0;
            int64_t points = 0;
            bool done = false;
            while (places < (measured ? ahead : 1)) {
                Step step;
                const StepKind kind = advance(lv, grid, count, drawn, planned, step.place.x, step.place.y);
                if (kind == StepKind::Done) {
                    done = true;
                    step.done = true;
                } else if (kind == StepKind::Place) {
                    step.places = true;
                    planPlace(lv, drawn, step.place);
                    points += step.place.points * lv.tries;
                    ++places;
                }
                step.after = drawn;
                step.cursor = planned;
                steps_.push_back(step);
                if (done)
                    break;
            }
            const bool together =
                measured && tries_.size() > 1 && points >= kTogetherPoints && platform::ThreadPoolWorkerCount() > 0;
            if (together)
                platform::ParallelForRange(0, int(tries_.size()), 1, [&](int from, int to) {
                    for (int j = from; j < to; ++j) {
                        Try& t = tries_[size_t(j)];
                        t.gain = measure(lv, steps_[size_t(t.step)].place, t);
                    }
                });
            int laid = 0;
            for (const Step& step : steps_) {
                if (step.done) {
                    rng_ = step.after;
                    return;
                }
                cursor = step.cursor;
                if (!step.places) {
                    rng_ = step.after;
                    continue;
                }
                CheckCancellation();
                ++laid;
                if (settle(lv, step, measured && !together))
                    break;
            }
            ahead = std::clamp(2 * laid, kFewestAhead, kMostAhead);
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
        int step = 0; // the planned step it belongs to
    };

    // A place as planned: its point, the stamp's base angle, the generator
    // once that is drawn, its tries (lv.tries of tries_ from firstTry) and
    // the part of the canvas it covers.
    struct PlannedPlace {
        int x = 0, y = 0;
        double base = 0.0;
        platform::Random afterBase;
        int firstTry = 0;
        QRect onCanvas;
        QRect sampled; // stamp rows and columns that are multiples of Sub
        int64_t points = 0;
    };

    struct Step {
        bool done = false;   // the phase ends here
        bool places = false; // else the step is skipped
        PlannedPlace place;
        platform::Random after; // the generator after the step, all tries drawn
        Cursor cursor;
    };

    // A try's cell and angle, drawn from `rng` in turn.
    Try nextTry(platform::Random& rng, double base) const
    {
        Try t;
        t.cell = rng.random(int(cells_.size()));
        t.angle = base - angles_[size_t(t.cell)] + (rng.random(40) - 20) * kDegree;
        return t;
    }

    void planPlace(const LevelValues& lv, platform::Random& rng, PlannedPlace& p)
    {
        const GradientInfo& g = gradients_.cellOf(p.x, p.y, w_, h_);
        p.base = g.magnitude >= 16 ? double(g.angle) + std::numbers::pi / 2.0 : rng.random(360) * kDegree;
        p.afterBase = rng;
        p.firstTry = int(tries_.size());
        for (int i = 0; i < lv.tries; ++i) {
            Try t = nextTry(rng, p.base);
            t.step = int(steps_.size());
            tries_.push_back(t);
        }
        const QRect window(QPoint(lv.first, lv.first), QPoint(lv.last, lv.last));
        p.onCanvas = WindowOnCanvas(window, centre(), p.x, p.y, w_, h_);
        const int k = lv.sub;
        p.sampled = QRect(QPoint((p.onCanvas.left() + k - 1) / k * k, (p.onCanvas.top() + k - 1) / k * k),
                          p.onCanvas.bottomRight());
        p.points = int64_t(p.sampled.width() / k + 1) * (p.sampled.height() / k + 1);
    }

    Stamp stampAt(const LevelValues& lv, const PlannedPlace& p) const
    {
        Stamp stamp;
        stamp.colour = src_.row(p.y)[p.x];
        stamp.opacity = s_.opacity;
        stamp.width = stamp.height = lv.size;
        stamp.sampling = StampSampling::LinearMipmap;
        stamp.trimToInk = true;
        return stamp;
    }

    // The try's gain over the place's sampled grid.
    int64_t measure(const LevelValues& lv, const PlannedPlace& p, const Try& t) const
    {
        Stamp stamp = stampAt(lv, p);
        stamp.cell = &cells_[size_t(t.cell)];
        stamp.angle = t.angle;
        StampTarget target = target_;
        target.x = p.x;
        target.y = p.y;
        return GainOf(lv, ScoreStamp(stamp, kSide, p.sampled, lv.sub, target, true).errors);
    }

    // Takes the place's tries in order (measuring them here when asked),
    // leaves the generator where they end and lays the best when it gains
    // enough. True when the plan after this step no longer holds.
    bool settle(const LevelValues& lv, const Step& step, bool measureHere)
    {
        const PlannedPlace& p = step.place;
        int64_t bestGain = kNoGain;
        int bestCell = -1;
        double bestAngle = 0.0;
        bool over = false;
        int used = 0;
        for (; used < lv.tries && !over; ++used) {
            Try& t = tries_[size_t(p.firstTry + used)];
            if (measureHere)
                t.gain = measure(lv, p, t);
            if (t.gain > bestGain) {
                bestGain = t.gain;
                bestCell = t.cell;
                bestAngle = t.angle;
            }
            over = s_.earlyExit && t.gain > 2 * lv.gainThr;
        }
        if (used == lv.tries) {
            rng_ = step.after;
        } else {
            rng_ = p.afterBase;
            for (int i = 0; i < used; ++i)
                nextTry(rng_, p.base);
        }
        if (bestCell < 0 || bestGain <= lv.gainThr)
            return used < lv.tries;
        Stamp stamp = stampAt(lv, p);
        stamp.cell = &cells_[size_t(bestCell)];
        stamp.angle = bestAngle;
        DrawStamp(stamp_, stamp, p.onCanvas.adjusted(-1, -1, 1, 1));
        if (lv.size > 14) {
            const int c = centre();
            const QRect relief(QPoint(std::max(c - lv.size / 2 - 2, 1), std::max(c - lv.size / 2 - 2, 1)),
                               QPoint(std::min(c + lv.size / 2 + 2, kSide - 2), std::min(c + lv.size / 2 + 2, kSide - 2)));
            ApplyReliefAndCommit(stamp_, lv.size, 20, relief.intersected(p.onCanvas), p.onCanvas, dest_, p.x, p.y);
        } else {
            CommitStamp(stamp_, p.onCanvas, dest_, p.x, p.y);
        }
        return true;
    }

    const gfx::Image& src_;
    gfx::Surface& dest_;
    const Settings s_;
    const bool preview_;
    const bool doClear_;
    const int w_, h_;
    StampSurface stamp_;
    std::vector<Step> steps_;
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
    // A cancelled run ends here, quietly, with the canvas as far as it got
    // and no final picture: the engine still sees the cancel. Anything else
    // passes to the caller.
    try {
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
    } catch (const EAbort&) {
    }
}

} // namespace pq
