// Oil pastel's pieces: the run plans its placements on one thread (probe,
// ten probe points at a time; the plan's types in plan.h) while the pool
// scores their tries as plan_feed.h hands them out, and lays them in order
// up to the first that commits, so the picture is the one a serial run
// gives. Tries are scored with no surface (ScoreStamp in
// effects/shared/brush_stamps.h).

#include "effects/painting/oil_pastel/oil_pastel.h"

#include "effects/painting/oil_pastel/plan.h"
#include "effects/painting/oil_pastel/plan_feed.h"
#include "effects/painting/oil_pastel/probe.h"
#include "effects/shared/brush_stamps.h"
#include "effects/shared/stamp_cell_cache.h"
#include "effects/shared/stamp_gain.h"
#include "engine/runtime/effect_api.h"
#include "engine/runtime/engine_host.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <QTime>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

namespace pq {
namespace {

using namespace oil_pastel;


constexpr int64_t kNoGain = -2147483647;
class OilPastelPainter {
public:
    OilPastelPainter(const gfx::Image& source, gfx::Surface& dest, const Settings& s, bool preview, bool doClear,
                     float areaRatio, std::vector<StampCell> cells)
        : src_(source), dest_(dest), s_(s), preview_(preview), doClear_(doClear), areaRatio_(areaRatio),
          w_(source.width()), h_(source.height()), half_(std::min(w_ / 2, h_ / 2)),
          side_(std::max(platform::Round(std::min(s.maxSize, half_) * 1.6) + 20, 370)), stamp_(side_),
          cells_(std::move(cells)), rng_(RunRandom())
    {
    }

    // Placements are planned in the generator's order (probes and try
    // draws) against the canvas as it is, while the pool scores the tries of
    // those already planned; they are taken in order up to the first that
    // commits or ends its tries early. What comes after it is planned again,
    // on the changed canvas and from the generator as that placement left it.
    // Batches are as long as the last run between two stopping placements,
    // doubled while none stops one: planning far past a commit is wasted.
    void paint()
    {
        Cursor cursor;
        const bool pooled = platform::ThreadPoolWorkerCount() > 0;
        int limit = 1;
        while (cursor.step >= 0) {
            const int used = limit == 1 ? runOne(cursor) : runBatch(cursor, limit);
            if (pooled)
                limit = used < 0 ? std::min(2 * limit, kMostPlanned) : used + 1;
        }
    }

private:
    int centre() const { return side_ / 2; }

    StepValues stepValues(int step)
    {
        StepValues sv;
        sv.step = step;
        int size;
        if (step > 950) {
            size = s_.maxSize;
        } else {
            const float t = float(step) / 950.0f;
            const float v = t * t * t * t;
            size = platform::Round(float(s_.maxSize - s_.minSize + 1) * v) + s_.minSize;
            const int jitter = std::max(platform::Round(size * 0.2), 1);
            size = size + rng_.random(jitter) - platform::Round(size * 0.1);
        }
        if (size < s_.minSize)
            size = s_.minSize;
        else if (size > half_)
            size = half_;
        sv.size = size;
        const int u = platform::Round(size * 0.75) + 4;
        sv.first = std::max(centre() - u, 1);
        sv.last = std::min(centre() + u, side_ - 2);
        int n = 2 * s_.density;
        if (s_.maxSize * 0.75 > size)
            n /= 2;
        if (s_.maxSize * 0.5 > size)
            n /= 3;
        if (s_.maxSize * 0.25 > size)
            n /= 2;
        n = std::max(n, 1);
        sv.sampling = size <= 30 ? 1 : size <= 60 ? 2 : 4;
        sv.extra = size >= 50 ? 0 : std::clamp(((2 * (14000 / (size * size))) / 3 - 1) / 5, 0, 50);
        int g = s_.groups;
        if (size > 30)
            g = std::max(g / 2, 1);
        if (size > 60)
            g = std::max(g / 3, 1);
        sv.groups = g;
        sv.clusters = std::clamp(n / 10, 1, 15);
        sv.reach = std::max(size / 3, 1);
        sv.penalty = size < 15 ? 5 : size < 40 ? 15 : 35;
        const double area = double(size) * size;
        sv.accept = step > 500 ? platform::Round64(area * 2.5)
                               : platform::Round64(area * 1.1 * (double(step) / 500.0 * 3.0 + 2.0));
        if (!doClear_)
            sv.accept /= 2;
        sv.tries = size < 15 ? 1 : s_.tries;
        return sv;
    }

    // Row pointers from the pictures' first rows: a row() call per pixel
    // read costs more than the probe's arithmetic.
    void findRows()
    {
        srcBits_ = src_.row(0);
        srcStride_ = src_.stride() / qsizetype(sizeof(gfx::Pixel));
        destBits_ = dest_.row(0);
        destStride_ = dest_.stride() / qsizetype(sizeof(gfx::Pixel));
    }
    const gfx::Pixel* sourceRow(int y) const { return srcBits_ + y * srcStride_; }
    const gfx::Pixel* canvasRow(int y) const { return destBits_ + y * destStride_; }
    gfx::Pixel canvasAt(int x, int y) const { return canvasRow(y)[x]; }
    gfx::Pixel sourceAt(int x, int y) const { return sourceRow(y)[x]; }

    // The worst of a few clusters of random probes; false when no probe
    // counted.
    bool probe(const StepValues& sv, int& px, int& py)
    {
        const ProbeField field{srcBits_, srcStride_, destBits_, destStride_, w_, h_};
        return ProbeWorst(field, {sv.clusters, sv.reach, doClear_ && sv.step > 800}, rng_, px, py);
    }

    // The stamp window cut to the picture for a stamp centred on (x, y).
    QRect windowAt(const StepValues& sv, int x, int y) const
    {
        return WindowOnCanvas(QRect(QPoint(sv.first, sv.first), QPoint(sv.last, sv.last)), centre(), x, y, w_, h_);
    }

    // The sampled grid of a window on the picture: it starts on the
    // window's first row and column.
    static QRect GridOf(const StepValues& sv, const QRect& onCanvas)
    {
        const int k = sv.sampling;
        return QRect(QPoint(sv.first + (onCanvas.left() - sv.first + k - 1) / k * k,
                            sv.first + (onCanvas.top() - sv.first + k - 1) / k * k),
                     onCanvas.bottomRight());
    }

    Stamp stampAt(const StepValues& sv, int x, int y) const
    {
        Stamp stamp;
        stamp.colour = sourceAt(x, y);
        stamp.opacity = s_.opacity;
        stamp.width = stamp.height = sv.size;
        stamp.sampling = StampSampling::Cubic;
        stamp.trimToInk = true;
        return stamp;
    }

    // Moves the cursor to its next placement, drawing the step's values and
    // the groups' preview lots on the way, and notes the steps it ends in
    // `events`; false at the run's end.
    bool nextPlacement(Cursor& cursor, std::vector<Event>& events)
    {
        for (;;) {
            if (cursor.step < 0)
                return false;
            if (!cursor.inStep) {
                CheckCancellation();
                findRows();
                cursor.sv = stepValues(cursor.step);
                cursor.inStep = true;
                cursor.group = 0;
                cursor.inGroup = false;
            }
            if (cursor.inGroup)
                return true;
            if (cursor.group > cursor.sv.groups) {
                events.push_back({cursor.step, -1});
                cursor.inStep = false;
                --cursor.step;
                continue;
            }
            if (preview_ && areaRatio_ < 1.0f) {
                const double r = rng_.randomReal();
                if (r > 2.0 * areaRatio_) {
                    ++cursor.group;
                    continue;
                }
            }
            cursor.inGroup = true;
            cursor.extra = 0;
        }
    }

    // Plans one placement at the cursor.
    Planned plan(Cursor& cursor)
    {
        CheckCancellation();
        Planned p;
        p.sv = cursor.sv;
        if (probe(p.sv, p.x, p.y)) {
            p.found = true;
            p.seedAfterProbe = rng_.seed();
            for (int i = 0; i < p.sv.tries; ++i) {
                p.cells[size_t(i)] = rng_.random(int(cells_.size()));
                p.angles[size_t(i)] = rng_.random(360) * std::numbers::pi / 180.0;
            }
        }
        if (++cursor.extra > cursor.sv.extra) {
            cursor.inGroup = false;
            ++cursor.group;
        }
        p.after = cursor;
        return p;
    }

    // A batch: block 0 plans placements into planned_ while later blocks
    // score them (block b the placement b - 1, waiting for it to be
    // planned); planning stops once a placement that ends the batch is
    // known. Then the batch is laid up to that placement.
    int runBatch(Cursor& cursor, int limit)
    {
        std::vector<Event> events;
        planned_.resize(size_t(limit));
        std::atomic<int> stop{limit};
        std::atomic<int> next{0}; // the next placement to score, handed out in order
        PlanFeed feed;
        auto planAll = [&] {
            int n = 0;
            try {
                while (n < limit && stop.load(std::memory_order_relaxed) >= n && nextPlacement(cursor, events)) {
                    events.push_back({cursor.step, n});
                    planned_[size_t(n)] = plan(cursor);
                    feed.publish(++n);
                }
            } catch (...) {
                feed.finish(n);
                throw;
            }
            feed.finish(n);
        };
        auto scoreAll = [&] {
            for (;;) {
                const int j = next.fetch_add(1);
                if (!feed.await(j) || j >= stop.load(std::memory_order_relaxed))
                    return;
                Planned& p = planned_[size_t(j)];
                if (!p.found)
                    continue;
                evaluate(p, false);
                if (p.commits || p.triesRun < p.sv.tries)
                    for (int seen = stop.load(); j < seen && !stop.compare_exchange_weak(seen, j);)
                        ;
            }
        };
        // Block 0 plans; every other block scores until nothing is left.
        const int scorers = std::min(limit, platform::ThreadPoolWorkerCount());
        platform::ParallelForRange(0, scorers + 1, 1, [&](int from, int to) {
            for (int b = from; b < to; ++b) {
                if (b == 0)
                    planAll();
                else
                    scoreAll();
            }
        });
        return layUpTo(cursor, events, stop.load());
    }

    // A batch of one placement, its tries' rows shared out when large.
    int runOne(Cursor& cursor)
    {
        std::vector<Event> events;
        planned_.resize(1);
        if (!nextPlacement(cursor, events))
            return layUpTo(cursor, events, 1);
        events.push_back({cursor.step, 0});
        Planned& p = planned_[0];
        p = plan(cursor);
        if (p.found)
            evaluate(p, true);
        return layUpTo(cursor, events, p.found && (p.commits || p.triesRun < p.sv.tries) ? 0 : 1);
    }

    // Takes the batch's events in order up to planned placement `last`,
    // which is laid; returns `last`, or -1 when the batch had no such
    // placement (the cursor then stays after its end).
    int layUpTo(Cursor& cursor, const std::vector<Event>& events, int last)
    {
        for (const Event& e : events) {
            if (e.planned < 0) {
                report(e.step);
                continue;
            }
            if (e.planned < last)
                continue;
            const Planned& p = planned_[size_t(e.planned)];
            if (p.commits)
                commit(p);
            // The generator as the tries that ran left it.
            rng_.setSeed(p.seedAfterProbe);
            for (int i = 0; i < 2 * p.triesRun; ++i)
                rng_.next();
            cursor = p.after;
            return last;
        }
        return -1;
    }

    // The planned tries in order, as many as run: the best and whether it
    // is laid. Reads only the canvas and the cells; any thread.
    void evaluate(Planned& p, bool shareRows) const
    {
        const StepValues& sv = p.sv;
        const QRect grid = GridOf(sv, windowAt(sv, p.x, p.y));
        const int k = sv.sampling;
        Stamp stamp = stampAt(sv, p.x, p.y);
        const StampTarget target{srcBits_, srcStride_, destBits_, destStride_, p.x, p.y};
        p.bestGain = kNoGain;
        p.bestCell = -1;
        p.triesRun = sv.tries;
        for (int i = 0; i < sv.tries; ++i) {
            CheckCancellation();
            stamp.cell = &cells_[size_t(p.cells[size_t(i)])];
            stamp.angle = p.angles[size_t(i)];
            const int64_t gain = ScoreStamp(stamp, side_, grid, k, target, shareRows).gain(!doClear_, sv.penalty) * k * k;
            if (gain > p.bestGain) {
                p.bestGain = gain;
                p.bestCell = p.cells[size_t(i)];
                p.bestAngle = p.angles[size_t(i)];
            }
            if (gain > 20 * int64_t(sv.size) * sv.size) {
                p.triesRun = i + 1;
                break;
            }
        }
        p.commits = p.bestCell >= 0 && p.bestGain > sv.accept;
    }

    void commit(const Planned& p)
    {
        const StepValues& sv = p.sv;
        const QRect onCanvas = windowAt(sv, p.x, p.y);
        // The commit reads the window on the picture; the relief one pixel
        // around each pixel it changes.
        const QRect window(QPoint(sv.first, sv.first), QPoint(sv.last, sv.last));
        const QRect drawn = onCanvas.adjusted(-1, -1, 1, 1).intersected(window);
        Stamp stamp = stampAt(sv, p.x, p.y);
        stamp.cell = &cells_[size_t(p.bestCell)];
        stamp.angle = p.bestAngle;
        DrawStamp(stamp_, stamp, drawn);
        if (sv.size >= 30)
            ApplyReliefAndCommit(stamp_, sv.size, 35, window.adjusted(1, 1, -1, -1).intersected(onCanvas), onCanvas,
                                 dest_, p.x, p.y);
        else
            CommitStamp(stamp_, onCanvas, dest_, p.x, p.y);
    }

    void report(int step)
    {
        if ((step + 10) % 50 != 0)
            return;
        CheckCancellation();
        const int pct = (kOilPastelSteps - step) / 10;
        if (preview_) {
            SafeUpdatePreview(dest_, pct);
            return;
        }
        SafeUpdateProgress(pct);
        if ((step + 10) % 100 == 0) {
            const gfx::Image picture = dest_.snapshot();
            CheckCancellation();
            ShowIntermediateImage(picture, -1, Delivery::Queued);
        }
    }

    const gfx::Image& src_;
    gfx::Surface& dest_;
    const Settings s_;
    const bool preview_;
    const bool doClear_;
    const float areaRatio_;
    const int w_, h_;
    const int half_;
    const int side_;
    StampSurface stamp_;
    const std::vector<StampCell> cells_;
    platform::Random& rng_;
    std::vector<Planned> planned_;
    const gfx::Pixel* srcBits_ = nullptr;
    const gfx::Pixel* destBits_ = nullptr;
    qsizetype srcStride_ = 0, destStride_ = 0;
};

// The share of the document's photo a preview works on; 1 for full runs.
float AreaRatio(const gfx::Image& source, bool preview)
{
    if (!preview)
        return 1.0f;
    QSize photo;
    SyncWithUi([&] {
        if (const EngineHost* host = InstalledEngineHost())
            photo = host->sourceImage().size();
    });
    const double area = double(photo.width()) * photo.height();
    if (area <= 0)
        return 1.0f;
    return float(double(source.width()) * source.height() / area);
}

} // namespace

OilPastelSizes OilPastelSizesFor(int p1, int p2)
{
    p1 = std::clamp(p1, 0, 100);
    p2 = std::clamp(p2, 0, 100);
    if (p1 >= p2)
        p1 = p2 - 5;
    p1 = std::max(p1, 0);
    return {4 * p1 + 3, 4 * p2 + 3};
}

void OilPastel(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    CheckCancellation();
    if (platform::RunContext* run = platform::CurrentRunContext(); !run || !run->seedGiven)
        RunRandom().setSeed(uint32_t(QTime::currentTime().msec()));
    // Counts far outside the sliders' range would run for hours, negative
    // sizes divide by zero.
    p3 = std::clamp(p3, 0, 100);
    p4 = std::clamp(p4, 0, 100);
    p5 = std::clamp(p5, 0, 100);
    Settings s;
    s.density = 25 * std::max(p4, 1);
    const OilPastelSizes sizes = OilPastelSizesFor(p1, p2);
    s.minSize = sizes.minSize;
    s.maxSize = sizes.maxSize;
    s.groups = std::max(p3, 1);
    s.opacity = std::max(float(p5) / 100.0f, 0.1f);
    s.tries = p4 / 15 + 1;
    if (source.isNull() || dest.isNull() || dest.size() != source.size() || source.width() < 100 ||
        source.height() < 100)
        return;
    const float areaRatio = AreaRatio(source, preview);

    const bool doClear = PrepareStampCanvas(source, dest, preview);
    if (!doClear)
        s.maxSize = (2 * s.maxSize) / 3;
    s.minSize = std::min(s.minSize, s.maxSize);

    const EffectRunContext* run = CurrentRun();
    const std::shared_ptr<const SheetCells> sheet = TestedSheetCells(run ? run->brushSheet : gfx::Image(), {});
    if (!sheet->cells.empty())
        OilPastelPainter(source, dest, s, preview, doClear, areaRatio, sheet->cells).paint();
    ReportFinished(dest, preview);
}

} // namespace pq
