#include "effects/painting/watercolor/spoke_painter.h"

#include "effects/painting/watercolor/band_layers.h"
#include "effects/painting/watercolor/patch_fill.h"
#include "engine/runtime/effect_api.h"
#include "gfx/scratch_buffer.h"
#include "platform/cpu_hints.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"
#include "platform/tick.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pq {
namespace {

using central_spoke::kAlphaMin;
using central_spoke::PixelDistance;

// Longer spokes than any picture could need; keeps budgets finite for any
// brush size a script passes.
constexpr double kMaxSpokeBudget = double(1 << 24);
constexpr int kDefaultMaxBatch = 256;
constexpr int kBandRows = 16;
// Full runs show their canvas at most this often.
constexpr uint32_t kIntermediateMs = 200;

// The seed's colour un-premultiplied, at the patch's alpha, premultiplied
// again as the canvas stores it.
gfx::Pixel PaintColour(gfx::Pixel c, int alpha)
{
    const int ca = int(c >> 24);
    auto channel = [&](int shift) {
        const int v = int(c >> shift & 0xFF);
        const int u = ca == 255 ? v : (ca == 0 ? 0 : std::min(255, platform::Round(double(v) * 255.0 / ca)));
        return uint32_t((u * alpha + 127) / 255);
    };
    return gfx::Pixel(alpha) << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

// Marks a patch grown when it goes out of scope.
struct MarkGrown {
    std::atomic<int>& growth;
    int grown;
    platform::WaitSignal& changed;
    ~MarkGrown()
    {
        growth.store(grown, std::memory_order_release);
        changed.notify();
    }
};

// The cosines (or sines) of spokes 0 .. spokeCount.
std::vector<double> SpokeCosines(const SpokeSettings& s, bool sines)
{
    std::vector<double> out;
    for (int k = 0; k <= s.spokeCount; ++k) {
        const double angle = double(float(k) * s.angleStep);
        out.push_back(sines ? std::sin(angle) : std::cos(angle));
    }
    return out;
}

} // namespace

SpokePainter::SpokePainter(const gfx::Image& source, gfx::Surface& canvas, const SpokeSettings& settings,
                           bool preview, bool doClear)
    : source_(source), canvas_(canvas), s_(settings), preview_(preview), doClear_(doClear), w_(source.width()),
      h_(source.height()),
      // Complexity is single precision: 0.6f and 0.8f lie just above 0.6 and
      // 0.8, so brush complexities 60 and 80 already pass.
      field_(source, settings.hasTransparency, settings.colourThreshold, double(settings.complexity) > 0.6,
             double(settings.complexity) > 0.8),
      smoothing_(settings.sigma),
      canvasBits_(reinterpret_cast<gfx::Pixel*>(canvas.bits())),
      canvasStride_(canvas.stride() / qsizetype(sizeof(gfx::Pixel))),
      sourceBits_(source.isNull() ? nullptr : source.row(0)),
      sourceStride_(source.isNull() ? 0 : source.stride() / qsizetype(sizeof(gfx::Pixel))),
      cos_(SpokeCosines(settings, false)), sin_(SpokeCosines(settings, true)), sectors_(cos_, sin_, settings.spokeCount, settings.angleStep),
      maxBatch_(kDefaultMaxBatch),
      // Spokes that wait for memory are worth sharing out; on a picture in
      // the caches the check regrows a patch faster on its own.
      regrowsLater_(doClear && field_.walksFromMemory())
{
    cellColumns_ = (w_ >> kCellShift) + 1;
    for (Batch* b : {&current_, &pending_})
        b->cells.resize(size_t(cellColumns_) * size_t((h_ >> kCellShift) + 1));
    bands_.resize(size_t(h_ / kBandRows + 1));
}

void SpokePainter::setMaxBatch(int patches)
{
    maxBatch_ = std::clamp(patches, 1, kDefaultMaxBatch * 4);
}

int SpokePainter::patchesIn(int i) const
{
    const int shapes = s_.shapeCount;
    return 1 + std::max(0, platform::Round(double(8 * (i - shapes / 2)) / double(shapes)));
}

int SpokePainter::maxLength(int i) const
{
    const int shapes = s_.shapeCount;
    const double len =
        double(platform::Round64((double(s_.patchSize) + 0.5) * 8.0 * double(shapes - i) / double(shapes)) + 1);
    return int(std::clamp(len, 1.0, kMaxSpokeBudget));
}

void SpokePainter::advance(Position& pos) const
{
    if (++pos.p >= patchesIn(pos.i)) {
        ++pos.i;
        pos.p = 0;
    }
}

// The seed search and the spoke budgets: everything drawn from the
// generator, against the canvas as it stands.
void SpokePainter::plan(Plan& pl, platform::Random& rng)
{
    pl.generatorBefore = rng.seed();
    pl.regrowing = false;
    pl.bound = QRect();
    // The pixels every draw would read, fetched at once: on a big picture
    // each is a trip to memory, which the search would otherwise make in
    // turn.
    // So are those of the next two patches, for when this one and the next
    // take all eight draws and then their budgets (the usual case once the
    // canvas is covered): their trips overlap this search.
    platform::Random ahead(rng.seed());
    for (int patch = 0; patch < 3; ++patch) {
        for (int draw = 0; draw < 8; ++draw) {
            const int x = ahead.random(w_);
            const int y = ahead.random(h_);
            platform::Prefetch(sourceRow(y) + x);
            platform::Prefetch(canvasRow(y) + x);
        }
        for (int k = 0; k < s_.spokeCount; ++k)
            ahead.next();
    }
    int bestD = -1;
    pl.drawCount = 0;
    pl.chosen = 0;
    pl.tookEarly = false;
    for (int draw = 0; draw < 8; ++draw) {
        const int x = rng.random(w_);
        const int y = rng.random(h_);
        const gfx::Pixel c = sourceRow(y)[x];
        // The canvas as the batch not yet laid down leaves it.
        gfx::Pixel k = canvasRow(y)[x];
        int looks = 0;
        if (pending_.count > 0)
            lookThrough(pending_, x, y, k, looks);
        pl.draws[size_t(draw)] = QPoint(x, y);
        pl.seen[size_t(draw)] = k;
        pl.drawCount = draw + 1;
        const int d = PixelDistance(c, k);
        if (d > bestD) {
            bestD = d;
            pl.chosen = draw;
        }
        if (takesAtOnce(c, k)) {
            pl.chosen = draw;
            pl.tookEarly = true;
            break;
        }
    }
    setSeed(pl);
    if (pl.empty)
        return;
    const int maxLen = maxLength(pl.pos.i);
    pl.budgets.resize(size_t(s_.spokeCount));
    for (int& b : pl.budgets)
        b = maxLen + rng.random(maxLen) / 4;
}

// An untouched white canvas pixel over a non-white photo pixel ends the
// seed search at once.
bool SpokePainter::takesAtOnce(gfx::Pixel c, gfx::Pixel k) const
{
    return (!s_.hasTransparency || int(c >> 24) >= kAlphaMin) && doClear_ && k == 0xFFFFFFFFu && c != 0xFFFFFFFFu;
}

// The draw the seed search picks when it sees `seen` at its draws, or -1
// when it would stop after another number of draws (and so leave the
// generator elsewhere).
int SpokePainter::rechoose(const Plan& pl, const std::array<gfx::Pixel, 8>& seen) const
{
    int bestD = -1, chosen = 0;
    for (int d = 0; d < pl.drawCount; ++d) {
        const QPoint p = pl.draws[size_t(d)];
        const gfx::Pixel c = source_.row(p.y())[p.x()];
        const int distance = PixelDistance(c, seen[size_t(d)]);
        if (distance > bestD) {
            bestD = distance;
            chosen = d;
        }
        if (takesAtOnce(c, seen[size_t(d)]))
            return d == pl.drawCount - 1 && pl.tookEarly ? d : -1;
    }
    return pl.tookEarly ? -1 : chosen;
}

// The seed of the chosen draw.
void SpokePainter::setSeed(Plan& pl) const
{
    const QPoint p = pl.draws[size_t(pl.chosen)];
    pl.x = p.x();
    pl.y = p.y();
    pl.seed = source_.row(pl.y)[pl.x];
    pl.empty = s_.hasTransparency && int(pl.seed >> 24) < kAlphaMin;
}

// Spokes, polygon and shape; in paint-over mode also the test. Reads the
// canvas, never writes it.
void SpokePainter::build(Plan& pl) const
{
    pl.hasShape = false;
    pl.commit = false;
    if (pl.empty)
        return;
    pl.lengths.resize(size_t(s_.spokeCount));
    for (int k = 0; k < s_.spokeCount; ++k)
        growSpoke(pl, k);
    shapeFrom(pl);
}

void SpokePainter::growSpoke(Plan& pl, int k) const
{
    // The next spoke's first pixels come in while this one is walked.
    const size_t next = size_t(k + 1);
    if (next < pl.budgets.size())
        field_.fetchStart(pl.x + 0.5, pl.y + 0.5, cos_[next], sin_[next], pl.budgets[next]);
    pl.lengths[size_t(k)] =
        field_.grow(pl.x + 0.5, pl.y + 0.5, cos_[size_t(k)], sin_[size_t(k)], pl.budgets[size_t(k)], pl.seed);
}

// The rest of build once the spokes are grown.
void SpokePainter::shapeFrom(Plan& pl) const
{
    const int n = s_.spokeCount;
    const double cx = pl.x + 0.5, cy = pl.y + 0.5;
    if (n >= 5)
        smoothing_.apply(pl.lengths, n);

    pl.polygon.resize(size_t(n) + 1);
    pl.polygon[0] = {float(cx + pl.lengths[0]), float(cy)};
    for (int j = 1; j <= n; ++j) {
        const double l = pl.lengths[size_t(j % n)];
        pl.polygon[size_t(j)] = {float(cx + l * cos_[size_t(j)]), float(cy + l * sin_[size_t(j)])};
    }
    float left = pl.polygon[0].x, right = left, top = pl.polygon[0].y, bottom = top;
    for (const PointF& v : pl.polygon) {
        left = std::min(left, v.x);
        right = std::max(right, v.x);
        top = std::min(top, v.y);
        bottom = std::max(bottom, v.y);
    }
    const int x0 = std::max(0, int(std::floor(left)));
    const int y0 = std::max(0, int(std::floor(top)));
    const int x1 = std::min(w_ - 1, int(std::ceil(right)));
    const int y1 = std::min(h_ - 1, int(std::ceil(bottom)));
    if (x0 > x1 || y0 > y1)
        return;
    const int alpha = s_.hasTransparency ? platform::Round(double(pl.seed >> 24) * double(s_.opacity))
                                         : platform::Round(double(s_.opacity) * 255.0);
    pl.paint = PaintColour(pl.seed, std::clamp(alpha, 0, 255));
    pl.shape.set(pl.polygon, QRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1));
    pl.hasShape = true;
    // Every edge joins two spoke ends at most a spoke step apart, so it keeps
    // at least the shortest spoke times cos(step / 2) from the centre, and no
    // point of it lies beyond the longest spoke. Two pixels spare cover the
    // single-precision vertices and the pixel's reach of 1 around an edge.
    const auto [shortest, longest] = std::minmax_element(pl.lengths.begin(), pl.lengths.end());
    const double inner = double(*shortest) * std::cos(0.5 * double(s_.angleStep)) - 2.0;
    const double outer = double(*longest) + 2.0;
    pl.reach.set(sectors_, pl.polygon, pl.x, pl.y, pl.shape.box(),
                 n >= 3 && inner > 0.0 ? float(inner * inner) : 0.0f, float(outer * outer));
    if (!doClear_) {
        const float irregularity = *longest > 0 ? 1.0f - float(*shortest) / float(*longest) : 0.0f;
        const float gain = std::max(1.0f, 1.7f - 0.4f * irregularity);
        CoverageScratch scratch;
        pl.commit = PatchImproves(MeasurePatch(pl.shape, pl.paint, canvas_, source_, scratch), gain);
    }
}

bool SpokePainter::changesCanvas(const Plan& pl) const
{
    if (!pl.hasShape || (pl.paint >> 24) == 0)
        return false;
    return doClear_ || pl.commit;
}

// Grows planned patch k unless another thread has taken it or the check
// has cut the batch before it.
void SpokePainter::grow(int k)
{
    int expected = kNotGrown;
    if (k >= cut_.load(std::memory_order_relaxed) ||
        !growth_[size_t(k)].compare_exchange_strong(expected, kGrowing, std::memory_order_acquire))
        return;
    // Marked grown however build leaves: a check waiting for the patch
    // must not wait for ever.
    const MarkGrown mark{growth_[size_t(k)], kGrown, changed_};
    build(current_.plans[size_t(k)]);
}

// Patch k as grown, growing it here when no thread has started on it.
void SpokePainter::awaitGrown(int k)
{
    int expected = kNotGrown;
    if (growth_[size_t(k)].compare_exchange_strong(expected, kGrowing, std::memory_order_acquire)) {
        build(current_.plans[size_t(k)]);
        growth_[size_t(k)].store(kGrown, std::memory_order_relaxed);
        return;
    }
    changed_.waitUntil([&] { return growth_[size_t(k)].load(std::memory_order_acquire) == kGrown; });
}

bool SpokePainter::noteBands(const std::vector<Plan>& plans, int count, int& firstBand, int& lastBand)
{
    firstBand = int(bands_.size());
    lastBand = -1;
    for (int k = 0; k < count; ++k) {
        const Plan& pl = plans[size_t(k)];
        if (!changesCanvas(pl))
            continue;
        const int b0 = pl.shape.box().top() / kBandRows, b1 = pl.shape.box().bottom() / kBandRows;
        for (int b = b0; b <= b1; ++b)
            bands_[size_t(b)].push_back(k);
        firstBand = std::min(firstBand, b0);
        lastBand = std::max(lastBand, b1);
    }
    return lastBand >= 0;
}

// The patches of one band of rows, in order, each thread with its own
// working memory.
void SpokePainter::layBand(const std::vector<Plan>& plans, int band, const std::function<void()>* between) const
{
    thread_local BandLayers layers;
    thread_local std::vector<BandPatch> patches;
    patches.clear();
    for (const int k : bands_[size_t(band)])
        patches.push_back({&plans[size_t(k)].shape, plans[size_t(k)].paint});
    const int y0 = band * kBandRows, y1 = std::min(h_, y0 + kBandRows);
    layers.lay(patches, y0, y1, doClear_, canvasBits_, canvasStride_, between);
}

void SpokePainter::clearBands(int firstBand, int lastBand)
{
    for (int b = firstBand; b <= lastBand; ++b)
        bands_[size_t(b)].clear();
}

// Lays the first count patches of plans down, in order, bands of rows in
// parallel.
void SpokePainter::apply(const std::vector<Plan>& plans, int count)
{
    int firstBand = 0, lastBand = -1;
    if (!noteBands(plans, count, firstBand, lastBand))
        return;
    platform::ParallelFor(firstBand, lastBand + 1, [&](int b) { layBand(plans, b); });
    clearBands(firstBand, lastBand);
}

void SpokePainter::report(int i)
{
    const int shapes = s_.shapeCount;
    const int value = platform::Round(double(i) / double(shapes) * 75.0);
    if (preview_) {
        const int every = std::max(1, shapes / 20);
        if (i / every > lastReported_ / every) {
            lastReported_ = i;
            SafeUpdatePreview(canvas_, value);
        }
        return;
    }
    const uint32_t now = platform::TickMs();
    if (now - lastShown_ <= kIntermediateMs)
        return;
    lastShown_ = now;
    const gfx::Image snap = canvas_.snapshotReusing(snapshots_);
    ShowIntermediateImage(snap, value, Delivery::Synchronous);
    CheckCancellation();
}

void SpokePainter::paint(platform::Random& rng)
{
    if (w_ <= 0 || h_ <= 0 || s_.shapeCount <= 0)
        return;
    current_.plans.resize(size_t(maxBatch_));
    pending_.plans.resize(size_t(maxBatch_));
    growth_ = std::vector<std::atomic<int>>(size_t(maxBatch_));
    regrowth_.resize(size_t(maxBatch_));
    regrowSpokes_ = std::vector<RegrowSpokes>(size_t(maxBatch_));
    // Threads that grow the patches the check hands out once the batch's
    // other work is taken.
    const int servers = regrowsLater_ ? platform::ThreadPoolWorkerCount() : 0;
    pending_.count = 0;
    lastShown_ = platform::TickMs();
    lastReported_ = 0;
    Position pos;
    int batch = std::min(2, maxBatch_);
    while (pos.i <= s_.shapeCount) {
        CheckCancellation();
        std::vector<Plan>& plans = current_.plans;
        int planned = 0;
        while (planned < batch && pos.i <= s_.shapeCount) {
            Plan& pl = plans[size_t(planned++)];
            pl.pos = pos;
            plan(pl, rng);
            advance(pos);
        }
        for (int k = 0; k < planned; ++k)
            growth_[size_t(k)].store(kNotGrown, std::memory_order_relaxed);
        cut_.store(planned, std::memory_order_relaxed);
        regrowCount_.store(0, std::memory_order_relaxed);
        regrowTaken_.store(0, std::memory_order_relaxed);
        checking_.store(true, std::memory_order_relaxed);
        int valid = 0;
        int firstBand = 0, lastBand = -1;
        if (pending_.count == 0 || !noteBands(pending_.plans, pending_.count, firstBand, lastBand))
            lastBand = firstBand - 1;
        // One loop for the batch: the check takes block -1 and goes through
        // the patches as they are grown (the next blocks), while the bands
        // of the batch before are laid down (the blocks after them) and the
        // last blocks regrow what the check hands out. The check reads
        // neither the canvas nor that batch.
        const int bands = lastBand - firstBand + 1;
        // A regrowth the check may soon wait for goes before the rest of a
        // band.
        const std::function<void()> helpFirst = [this] { helpOldestRegrowth(); };
        platform::ParallelForRange(-1, planned + bands + servers, 1, [&](int b0, int b1) {
            for (int b = b0; b < b1; ++b) {
                if (b < 0)
                    valid = validPrefix(planned);
                else if (b < planned)
                    grow(b);
                else if (b < planned + bands)
                    layBand(pending_.plans, firstBand + b - planned, servers > 0 ? &helpFirst : nullptr);
                else
                    serveRegrowth();
            }
        });
        clearBands(firstBand, lastBand);
        if (valid < planned) {
            // Planned again from the first patch that may have missed an
            // earlier one, with the generator as it stood there.
            pos = plans[size_t(valid)].pos;
            rng.setSeed(plans[size_t(valid)].generatorBefore);
        }
        const int reached = plans[size_t(valid - 1)].pos.i;
        if (doClear_) {
            std::swap(current_, pending_);
        } else {
            // Paint-over's test reads the canvas: each batch goes down at once.
            apply(plans, valid);
            current_.count = 0;
        }
        batch = valid == planned ? std::min(maxBatch_, 2 * batch) : std::clamp(valid + valid / 2 + 1, 1, maxBatch_);
        report(reached);
    }
    apply(pending_.plans, pending_.count);
    pending_.count = 0;
}

} // namespace pq
