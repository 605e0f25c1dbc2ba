#include "effects/painting/oil_pastel.h"

#include "effects/shared/brush_stamps.h"
#include "effects/shared/stamp_cell_cache.h"
#include "effects/shared/stamp_gain.h"
#include "engine/runtime/effect_api.h"
#include "engine/runtime/engine_host.h"
#include "platform/numeric.h"

#include <QTime>

#include <algorithm>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

namespace pq {
namespace {

constexpr int kSteps = 1000;
constexpr int64_t kNoGain = -2147483647;
constexpr std::pair<int, int> kDiagonals[] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

struct Settings {
    int density = 0;
    int minSize = 0;
    int maxSize = 0;
    int groups = 0;
    float opacity = 1.0f;
    int tries = 1;
};

// What one step of the run works with.
struct StepValues {
    int step = 0;
    int size = 0;
    int first = 0, last = 0; // the stamp window, rows and columns
    int sampling = 1;        // gain on every sampling-th row and column
    int extra = 0;           // placements per group beyond the first
    int groups = 0;
    int clusters = 1;
    int reach = 1;
    int penalty = 0;
    int64_t accept = 0;
    int tries = 1;
};

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

    void paint()
    {
        for (int step = kSteps; step >= 0; --step) {
            CheckCancellation();
            findRows();
            const StepValues sv = stepValues(step);
            for (int g = 0; g <= sv.groups; ++g) {
                if (preview_ && areaRatio_ < 1.0f) {
                    const double r = rng_.randomReal();
                    if (r > 2.0 * areaRatio_)
                        continue;
                }
                for (int e = 0; e <= sv.extra; ++e) {
                    CheckCancellation();
                    place(sv);
                }
                CheckCancellation();
            }
            report(step);
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
        int bestErr = -1;
        for (int c = 0; c < sv.clusters; ++c) {
            const int cx = rng_.random(w_ - 20) + 10;
            const int cy = rng_.random(h_ - 20) + 10;
            for (int i = 0; i < 10; ++i) {
                const int x = cx + rng_.random(64) - 32;
                const int y = cy + rng_.random(64) - 32;
                if (x < 1 || x > w_ - 2 || y < 1 || y > h_ - 2 || int(sourceAt(x, y) >> 24) < 10)
                    continue;
                const gfx::Pixel d = canvasAt(x, y);
                int err = PixelError(sourceAt(x, y), d);
                if (doClear_ && sv.step > 800 && ((d >> 16) & 255) > 230 && ((d >> 8) & 255) > 230 && (d & 255) > 230)
                    err *= 50;
                if (err > 20)
                    for (const auto& [ox, oy] : kDiagonals) {
                        const int qx = x + ox * sv.reach, qy = y + oy * sv.reach;
                        if (qx >= 0 && qx < w_ && qy >= 0 && qy < h_)
                            err += PixelError(sourceAt(qx, qy), canvasAt(qx, qy));
                    }
                if (err > bestErr) {
                    bestErr = err;
                    px = x;
                    py = y;
                }
                if (bestErr > 2000)
                    return true;
            }
        }
        return bestErr >= 0;
    }

    // The stamp window cut to the picture for a stamp centred on (x, y).
    QRect windowAt(const StepValues& sv, int x, int y) const
    {
        return WindowOnCanvas(QRect(QPoint(sv.first, sv.first), QPoint(sv.last, sv.last)), centre(), x, y, w_, h_);
    }

    void place(const StepValues& sv)
    {
        int x = 0, y = 0;
        if (!probe(sv, x, y))
            return;
        const QRect onCanvas = windowAt(sv, x, y);
        // The sampled grid starts on the window's first row and column.
        const int k = sv.sampling;
        const QRect grid(QPoint(sv.first + (onCanvas.left() - sv.first + k - 1) / k * k,
                                sv.first + (onCanvas.top() - sv.first + k - 1) / k * k),
                         onCanvas.bottomRight());
        Stamp stamp;
        stamp.colour = sourceAt(x, y);
        stamp.opacity = s_.opacity;
        stamp.width = stamp.height = sv.size;
        stamp.sampling = StampSampling::Cubic;
        stamp.trimToInk = true;
        const StampTarget target{srcBits_, srcStride_, destBits_, destStride_, x, y};
        int64_t bestGain = kNoGain;
        int bestCell = -1;
        double bestAngle = 0.0;
        for (int i = 0; i < sv.tries; ++i) {
            const int cell = rng_.random(int(cells_.size()));
            const double angle = rng_.random(360) * std::numbers::pi / 180.0;
            CheckCancellation();
            stamp.cell = &cells_[size_t(cell)];
            stamp.angle = angle;
            const int64_t gain = ScoreStamp(stamp, side_, grid, k, target).gain(!doClear_, sv.penalty) * k * k;
            if (gain > bestGain) {
                bestGain = gain;
                bestCell = cell;
                bestAngle = angle;
            }
            if (gain > 20 * int64_t(sv.size) * sv.size)
                break;
        }
        if (bestCell < 0 || bestGain <= sv.accept)
            return;
        // The commit reads the window on the picture; the relief one pixel
        // around each pixel it changes.
        const QRect window(QPoint(sv.first, sv.first), QPoint(sv.last, sv.last));
        const QRect drawn = onCanvas.adjusted(-1, -1, 1, 1).intersected(window);
        stamp.cell = &cells_[size_t(bestCell)];
        stamp.angle = bestAngle;
        DrawStamp(stamp_, stamp, drawn);
        if (sv.size >= 30)
            ApplyReliefAndCommit(stamp_, sv.size, 35, window.adjusted(1, 1, -1, -1).intersected(onCanvas), onCanvas,
                                 dest_, x, y);
        else
            CommitStamp(stamp_, onCanvas, dest_, x, y);
    }

    void report(int step)
    {
        if ((step + 10) % 50 != 0)
            return;
        CheckCancellation();
        const int pct = (kSteps - step) / 10;
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
