#include "effects/stylize/space_filling/run.h"

#include "effects/stylize/space_filling/seed_core.h"
#include "engine/runtime/progress.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace pq::stylize {
namespace {

constexpr int kMaxSubPasses = 25;
constexpr int kSeedRetries = 150;
constexpr int kGapTries = 7;
// Trials between the prefetches of the blocked words around the seeds ahead
// (512, the cancellation check's period, is a multiple of it).
constexpr int kSeedBatch = 8;
// Pictures up to this size keep their coverage and blocked planes (a bit a
// pixel each) in the caches.
constexpr int64_t kCachedPlanePixels = 2 * 1024 * 1024;
// Pixels per trial of a sub-pass up to which the turned-down seeds are kept.
constexpr int64_t kVerdictPixelsPerTrial = 32;
constexpr uint32_t kUniformSeed = 106698;
constexpr uint32_t kGapSeed = 59750;
// Levels in a row that place nothing, once something was placed, end the run.
constexpr int kEmptyLevelsToStop = 12;
// Edge limit and tolerance of shapes on uniform islands, and of the gap
// sweep (never limiting).
constexpr float kIslandEdgeReject = 0.9f;
constexpr float kGapEdgeReject = 100.0f;
constexpr float kGapColorTolSq = 10000000000.0f;

Candidate At(float x, float y, float half, float angle)
{
    Candidate c;
    c.x = x;
    c.y = y;
    c.half = half;
    c.cosR = std::cos(angle);
    c.sinR = std::sin(angle);
    return c;
}

// (x, y) of a seed on the pixel centre (x + 0.5, y + 0.5) of a w x h picture.
bool OnPixel(float sx, float sy, int w, int h, int& x, int& y)
{
    const float fx = sx - 0.5f, fy = sy - 0.5f;
    if (!(fx >= 0 && fy >= 0 && fx < float(w) && fy < float(h)))
        return false;
    x = int(fx);
    y = int(fy);
    return float(x) == fx && float(y) == fy;
}

// The radius of the circle every shape of this size contains, whatever its
// rotation.
float InRadius(MosaicShape shape, float half)
{
    return shape == MosaicShape::Triangle ? half * 0.5f : half;
}

} // namespace

void MosaicRun::runLevels()
{
    const int levelCount = settings_.levelCount;
    int i = 0;
    for (float s = settings_.largestHalf; s >= settings_.smallestHalf; s *= 0.93f, ++i) {
        CheckCancellation();
        if (coveredCount_ >= coverageGoal_)
            break;
        const float coverage = float(double(coveredCount_) / double(totalPixels_));
        const LevelValues level = DeriveLevel(shape_, settings_, s, coverage);
        const int from = platform::Round(double(i) / levelCount * 95.0);
        const int to = platform::Round(double(i + 1) / levelCount * 95.0);
        placeUniformCenters(s / 0.93f, s);
        refreshBlocked(level.edgeRejectLevel);
        const int placed = runSizePass(s, level, from, to);
        if (placed > 0) {
            anyPlaced_ = true;
            emptyLevels_ = 0;
        } else if (anyPlaced_) {
            ++emptyLevels_;
        }
        if (anyPlaced_ && emptyLevels_ >= kEmptyLevelsToStop)
            break;
    }
}

void MosaicRun::refreshBlocked(float edgeRejectLevel)
{
    if (blocked_.width() != w_)
        blocked_ = BitPlane(w_, h_);
    const size_t words = covered_.wordsPerRow();
    platform::ParallelForRange(0, h_, 64, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const float* edge = edgeMap_.data() + size_t(y) * size_t(w_);
            for (size_t i = 0; i < words; ++i) {
                uint64_t bits = covered_.word(y, i);
                const int x0 = int(i * 64), x1 = std::min(w_, x0 + 64);
                // A word covered throughout is blocked throughout.
                const uint64_t inPicture = x1 - x0 == 64 ? ~uint64_t(0) : (uint64_t(1) << (x1 - x0)) - 1;
                if ((bits & inPicture) == inPicture) {
                    blocked_.word(y, i) = bits;
                    continue;
                }
                for (int x = x0; x < x1; ++x)
                    bits |= uint64_t(edge[x] > edgeRejectLevel ? 1 : 0) << (x - x0);
                blocked_.word(y, i) = bits;
            }
        }
    });
    ctx_.blocked = &blocked_;
    ctx_.blockedLevel = edgeRejectLevel;
}

void MosaicRun::placeUniformCenters(float upper, float lower)
{
    if (uniform_.empty())
        return;
    uint32_t rng = kUniformSeed;
    bool placed = false;
    const float floor = std::max(settings_.smallestHalf, lower * 0.9f);
    while (uniformCursor_ < uniform_.size()) {
        const UniformCenter u = uniform_[uniformCursor_];
        if (u.maxHalf >= upper) {
            ++uniformCursor_;
            continue;
        }
        if (u.maxHalf < floor)
            break;
        ++uniformCursor_;
        if (coveredAt(u.x, u.y))
            continue;
        const float angle = shape_ == MosaicShape::Disc ? 0.0f : RngFloat(rng) * AngleRange(shape_);
        Candidate c = At(float(u.x) + 0.5f, float(u.y) + 0.5f, u.maxHalf, angle);
        if (isFree(c) && evaluate(c, kIslandEdgeReject, settings_.baseColorTolSq)) {
            accept(c);
            placed = true;
            anyPlaced_ = true;
        }
    }
    if (placed)
        compactOpenTiles();
}

void MosaicRun::drawSeeds(int k, const SeedPicker& seeds, int subPass, bool drawsAngle)
{
    // The partition's chunks wait for this, whatever happens here.
    struct Done {
        std::atomic<bool>& flag;
        platform::WaitSignal& signal;
        ~Done()
        {
            flag.store(true, std::memory_order_release);
            signal.notify();
        }
    } done{partitionDrawn_[size_t(k)], partitionsDrawing_};
    drawnCount_[size_t(k)] = 0;
    const size_t first = partitionStart_[size_t(k)];
    const int n = int(partitionStart_[size_t(k) + 1] - first);
    uint32_t rng = uint32_t(k) * 7919u + uint32_t(subPass) * 31337u + 9888u;
    if (rng == 0)
        rng = 1;
    const float range = AngleRange(shape_);
    SeedDraw* out = draws_.data() + first;
    int j = 0;
    for (; j < n; ++j) {
        if (j % 512 == 0 && IsEffectCancelled())
            break;
        SeedDraw& d = out[j];
        seeds.pick(rng, d.x, d.y);
        d.angle = drawsAngle ? RngFloat(rng) * range : 0.0f;
    }
    drawnCount_[size_t(k)] = j;
}

void MosaicRun::evaluateSeeds(const SeedChunk& chunk, const SeedCore& core, float half, const LevelValues& level,
                              int numRot, bool drawsAngle, std::vector<Candidate>& out)
{
    out.clear();
    const size_t end = std::min(chunk.end, partitionStart_[size_t(chunk.partition)] +
                                               size_t(drawnCount_[size_t(chunk.partition)]));
    const BitPlane* blocked = ctx_.blocked;
    // Shapes sampled every few pixels take the core test of each rotation
    // before anything else is worked out for it (the seed's answers for
    // every rotation at once).
    const bool coreFirst = blocked && level.edgeRejectLevel == ctx_.blockedLevel &&
                           PlacementContext::SampleStep(half) > 1;
    // Planes that stay in the caches are not brought towards them.
    const bool prefetchSeeds = blocked && totalPixels_ > kCachedPlanePixels;
    for (size_t i = chunk.begin; i < end; ++i) {
        // The blocked words around the seeds a few trials ahead are brought
        // towards the cache while this one is tried.
        const size_t j = i - chunk.begin;
        if (j % 512 == 0 && IsEffectCancelled())
            return;
        if (prefetchSeeds && j % kSeedBatch == 0) {
            for (size_t b = j == 0 ? i : i + kSeedBatch; b < std::min(end, i + 2 * kSeedBatch); ++b) {
                const SeedDraw& d = draws_[b];
                if (d.x >= 1 && d.y >= 1 && d.x < float(w_ - 1) && d.y < float(h_ - 1)) {
                    const int px = int(d.x), py = int(d.y);
                    for (int y = py - 1; y <= py + 1; ++y)
                        blocked->prefetch(px, y);
                }
            }
        }
        const float sx = draws_[i].x, sy = draws_[i].y;
        int px = 0, py = 0;
        const bool kept = rejectsKept_ && OnPixel(sx, sy, w_, h_, px, py);
        if (kept && rejected_.rejected(px, py))
            continue;
        if (core.blocked(sx, sy)) {
            if (kept)
                rejected_.reject(px, py);
            continue;
        }
        if (shape_ == MosaicShape::Disc) {
            Candidate c = At(sx, sy, half, 0.0f);
            CoreMemo memo(&core);
            if (!(coreFirst && coreRejects(c, core, memo)) &&
                evaluate(c, level.edgeRejectLevel, level.colorTolSq, true, &memo))
                out.push_back(c);
            else if (kept)
                rejected_.reject(px, py);
            continue;
        }
        float best = -1;
        bool taken = false;
        CoreMemo memo(&core);
        for (int r = 0; r < numRot; ++r) {
            Candidate c;
            c.x = sx;
            c.y = sy;
            c.half = half;
            if (numRot > 1) {
                c.cosR = rotCos_[size_t(r)];
                c.sinR = rotSin_[size_t(r)];
            } else if (drawsAngle) {
                c = At(sx, sy, half, draws_[i].angle);
            }
            if (coreFirst && coreRejects(c, core, memo))
                continue;
            if (!evaluate(c, level.edgeRejectLevel, level.colorTolSq, true, &memo) || !(c.score > best))
                continue;
            best = c.score;
            if (taken) {
                out.back() = c;
            } else {
                out.push_back(c);
                taken = true;
            }
        }
        if (kept && !taken)
            rejected_.reject(px, py);
    }
}

void MosaicRun::planSearch(int trials)
{
    const int parts = options_.searchPartitions;
    partitionStart_.resize(size_t(parts) + 1);
    if (!partitionDrawn_)
        partitionDrawn_ = std::make_unique<std::atomic<bool>[]>(size_t(parts));
    drawnCount_.assign(size_t(parts), 0);
    for (int k = 0; k <= parts; ++k)
        partitionStart_[size_t(k)] = size_t(k == parts ? trials : k * (trials / parts));
    draws_.resize(size_t(trials));
    // Chunks of about the same number of seeds, never across a partition,
    // several per thread so that they even out.
    const int workers = platform::ThreadPoolWorkerCount() + 1;
    const int size = options_.seedsPerChunk > 0 ? options_.seedsPerChunk
                                                : std::max(16, trials / std::max(1, workers * 12));
    chunks_.clear();
    for (int k = 0; k < parts; ++k)
        for (size_t b = partitionStart_[size_t(k)]; b < partitionStart_[size_t(k) + 1]; b += size_t(size))
            chunks_.push_back({k, b, std::min(partitionStart_[size_t(k) + 1], b + size_t(size))});
    chunkCands_.resize(chunks_.size());
}

int MosaicRun::runSizePass(float half, const LevelValues& level, int progressFrom, int progressTo)
{
    const int numRot = RotationCount(shape_, half, settings_.rotationSetting);
    const float range = AngleRange(shape_);
    rotCos_.resize(size_t(numRot));
    rotSin_.resize(size_t(numRot));
    for (int r = 0; r < numRot; ++r) {
        const float angle = float(r) / float(numRot) * range;
        rotCos_[size_t(r)] = std::cos(angle);
        rotSin_[size_t(r)] = std::sin(angle);
    }
    const int parts = options_.searchPartitions;
    // Shapes of one rotation draw their angle right after their seed.
    const bool drawsAngle = shape_ != MosaicShape::Disc && numRot == 1 && half > 2;
    planSearch(level.trials);
    // Seeds of one rotation draw a new angle each time: nothing to keep;
    // on large pictures the seeds of a level seldom come back to a pixel.
    rejectsKept_ = !drawsAngle && totalPixels_ <= int64_t(level.trials) * kVerdictPixelsPerTrial;
    if (rejectsKept_)
        rejected_.startLevel(w_, h_);

    SeedPicker seeds(ctx_, half, level.contourFrac, kSeedRetries, tileMemo_);
    const SeedCore core(ctx_, half, InRadius(shape_, half), level.edgeRejectLevel);
    int placedTotal = 0, emptyRun = 0;
    for (int subPass = 1; subPass <= kMaxSubPasses; ++subPass) {
        CheckCancellation();
        if (coveredCount_ >= coverageGoal_)
            break;
        seeds.refresh();
        // Each partition draws its seeds from its own generator; the seeds'
        // evaluations depend on nothing but the seed, so they are spread
        // over the threads in chunks, and the chunks' candidates, taken in
        // chunk order, come out in partition order.
        // The draws come first in the loop, so a thread that takes a chunk
        // finds its partition's draws done or under way on another thread.
        for (int k = 0; k < parts; ++k)
            partitionDrawn_[size_t(k)].store(false, std::memory_order_relaxed);
        platform::ParallelForRange(0, parts + int(chunks_.size()), 1, [&](int lo, int hi) {
            for (int t = lo; t < hi; ++t) {
                if (t < parts) {
                    drawSeeds(t, seeds, subPass, drawsAngle);
                    continue;
                }
                const SeedChunk& chunk = chunks_[size_t(t - parts)];
                // Asleep, not spinning, when the draws take long.
                const std::atomic<bool>& drawn = partitionDrawn_[size_t(chunk.partition)];
                partitionsDrawing_.waitUntil([&drawn] { return drawn.load(std::memory_order_acquire); });
                evaluateSeeds(chunk, core, half, level, numRot, drawsAngle, chunkCands_[size_t(t - parts)]);
            }
        });
        CheckCancellation();
        merged_.clear();
        for (const auto& cands : chunkCands_)
            merged_.insert(merged_.end(), cands.begin(), cands.end());
        if (merged_.empty()) {
            if (++emptyRun > 2)
                break;
            continue;
        }
        // Best first; equal scores keep their partition order.
        std::stable_sort(merged_.begin(), merged_.end(),
                         [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
        int placed = 0;
        for (const Candidate& c : merged_)
            if (isFree(c)) {
                accept(c);
                ++placed;
            }
        placedTotal += placed;
        compactOpenTiles();
        if (placed > 0) {
            emptyRun = 0;
        } else if (++emptyRun > 2) {
            break;
        }
        const double share = std::min(1.0, double(subPass) / 20.0);
        feedback(std::min(99, std::max(0, progressFrom + platform::Round((progressTo - progressFrom) * share))));
    }
    return placedTotal;
}

bool MosaicRun::tryGapShape(float cx, float cy, uint32_t& rng)
{
    const float smallest = settings_.smallestHalf;
    float size = 0;
    if (shape_ == MosaicShape::Square)
        size = smallest * (RngFloat(rng) * 0.4f + 0.8f);
    for (int attempt = 0; attempt < kGapTries; ++attempt) {
        Candidate c;
        switch (shape_) {
        case MosaicShape::Square: c = At(cx, cy, size, RngFloat(rng) * AngleRange(shape_)); break;
        case MosaicShape::Disc:
            c = At(cx, cy, smallest * (RngFloat(rng) * 0.4f + 0.8f), 0.0f);
            break;
        default: {
            const float r = smallest * (RngFloat(rng) * 0.2f + 1.0f);
            c = At(cx, cy, r, RngFloat(rng) * AngleRange(shape_));
            break;
        }
        }
        if (isFree(c) && evaluate(c, kGapEdgeReject, kGapColorTolSq)) {
            accept(c);
            return true;
        }
    }
    return false;
}

void MosaicRun::fillGaps()
{
    if (coveredCount_ >= platform::Round64(double(totalPixels_) * 0.999))
        return;
    const int step = std::max(1, platform::Round(settings_.smallestHalf * 2.0f));
    uint32_t rng = kGapSeed;
    bool placed = false;
    for (int y = 0; y < h_; y += step) {
        for (int x = 0; x < w_; x += step)
            if (!coveredAt(x, y) && tryGapShape(float(x) + 0.5f, float(y) + 0.5f, rng))
                placed = true;
        const int next = y + step;
        if (next % 32 == 0) {
            CheckCancellation();
            feedback(std::min(99, std::max(95, 95 + platform::Round(double(next) / h_ * 4.0))));
        }
    }
    if (placed)
        compactOpenTiles();
}

} // namespace pq::stylize
