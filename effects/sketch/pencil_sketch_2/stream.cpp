#include "effects/sketch/pencil_sketch_2/stream.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <mutex>

namespace pq::pencil {
namespace {

using Stage = BatchStage;

// Tiles of a kept line fetched when it is kept, and with each candidate
// taken after it.
constexpr int kFetchAtKeep = 8;
constexpr int kFetchPerCandidate = 6;

// Chunks the run's thread is about to follow come before any batch.
constexpr int kUrgentChunks = 3;

// How long the run's thread sleeps on another thread's work that should
// end soon (a helper laying out a batch, the follower drawing one) before
// it does the work itself: the other may have lost its processor.
constexpr auto kPatience = std::chrono::microseconds(20);
// How long it waits for a pool thread to come and draw ahead.
constexpr auto kFollowerPatience = std::chrono::microseconds(50);

int ToInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

} // namespace

namespace {

// Blocks as small as keeps their stamps within 256 KiB.
BlockGrid BlocksFor(int w, int h)
{
    BlockGrid g;
    while (g.shift < 16 && int64_t((w >> g.shift) + 1) * int64_t((h >> g.shift) + 1) > 65536)
        ++g.shift;
    g.columns = (w >> g.shift) + 1;
    return g;
}

} // namespace

CandidateStream::CandidateStream(Cell* cells, const float* angle, const LayShape& shape)
    : cells_(cells), angle_(angle), shape_(shape), axes_(shape.w, shape.h), blocks_(BlocksFor(shape.w, shape.h)),
      ring_(std::make_unique<Batch[]>(kRing)), alone_(std::make_unique<Batch>()),
      stamps_(size_t(blocks_.columns) * size_t((shape.h >> blocks_.shift) + 1), 0),
      chain_(cells, axes_, shape, blocks_, commits_, bell_), layer_(cells, angle, axes_, fades_, shape),
      keptLine_(size_t(2 * kMaxExtent + 1))
{
}

CandidateStream::~CandidateStream() = default;

CandidateStream::Batch& CandidateStream::slot(int64_t n) const
{
    return ring_[size_t(n % kRing)];
}

void CandidateStream::start(uint32_t seed)
{
    chain_.prepare();
    chain_.setHelped(false);
    std::fill(stamps_.begin(), stamps_.end(), 0u);
    commits_.store(0, std::memory_order_relaxed);
    for (int k = 0; k < kRing; ++k)
        ring_[size_t(k)].tag.store(BatchTag(0, -1, Stage::Free), std::memory_order_relaxed);
    curBatch_ = 0;
    cur_ = &slot(0);
    fillBatch_ = 1;
    generation_ = fillGeneration_ = 0;
    aloneNext_ = false;
    takenBatch_.store(0, std::memory_order_relaxed);
    pos_ = curCount_ = 0;
    takenSeed_ = seed;
    pct_ = -1;
}

void CandidateStream::setPhase(int pct)
{
    if (pct == pct_)
        return;
    pct_ = pct;
    lengthRange_ = ToInt(shape_.lmax / 2 - pct + 100);
    dropAhead(takenSeed_);
}

// The candidates after the one taken last are drawn again from seed, as a
// new generation: batches of the old one are left to be drawn over.
void CandidateStream::dropAhead(uint32_t seed)
{
    curCount_ = pos_;
    const uint32_t old = generation_++;
    for (int64_t n = curBatch_ + 1; n < curBatch_ + kRing; ++n) {
        uint64_t placed = BatchTag(old, n, Stage::Placed);
        slot(n).tag.compare_exchange_strong(placed, BatchTag(old, n, Stage::Free), std::memory_order_relaxed);
    }
    if (helped_ && followerDraws()) {
        // The next batch is drawn here, the follower goes on after it.
        aloneNext_ = true;
        return;
    }
    fillBatch_ = curBatch_ + 1;
    fillGeneration_ = generation_;
    chain_.restart(seed, pct_, lengthRange_);
}

// Whether the follower draws the candidates ahead; if no pool thread has
// come to do it by now, this thread does from here on.
bool CandidateStream::followerDraws()
{
    int drawer = drawer_.load(std::memory_order_acquire);
    if (drawer == kNobodyYet) {
        bell_.waitUntilFor([this] { return drawer_.load(std::memory_order_acquire) != kNobodyYet; },
                           kFollowerPatience);
        drawer = drawer_.load(std::memory_order_acquire);
    }
    if (drawer == kNobodyYet && drawer_.compare_exchange_strong(drawer, kRunThread, std::memory_order_acq_rel))
        drawer = kRunThread;
    return drawer == kFollower;
}

// Draws batch n of the generation into its slot, unless the slot's batch
// is still being laid out.
bool CandidateStream::fillSlot(int64_t n, uint32_t generation)
{
    Batch& b = slot(n);
    uint64_t tag = b.tag.load(std::memory_order_acquire);
    if (StageOf(tag) == Stage::Working || StageOf(tag) == Stage::Filling)
        return false;
    if (!b.tag.compare_exchange_strong(tag, BatchTag(generation, n, Stage::Filling), std::memory_order_acquire))
        return false;
    for (int k = 0; k < kBatch; ++k)
        chain_.draw(b.place[size_t(k)], b.reads[size_t(k)]);
    b.count = kBatch;
    b.tag.store(BatchTag(generation, n, Stage::Placed), std::memory_order_release);
    bell_.ring();
    // The next batch's places were read on another core.
    Batch& next = slot(n + 1);
    for (size_t k = 0; k < offsetof(Batch, out) - offsetof(Batch, count); k += 64)
        PrefetchForWrite(reinterpret_cast<char*>(&next.count) + k);
    return true;
}

bool CandidateStream::fillOne()
{
    if (fillBatch_ - curBatch_ >= kRing - 1 || !fillSlot(fillBatch_, fillGeneration_))
        return false;
    ++fillBatch_;
    return true;
}

void CandidateStream::lay(Batch& b, CandidateLayer& layer)
{
    b.lineEpoch = commits_.load(std::memory_order_acquire);
    layer.layBatch(b.place.data(), b.count, b.out.data());
    b.tag.store(BatchTag(0, 0, Stage::Done) | BatchOf(b.tag.load(std::memory_order_relaxed)),
                std::memory_order_release);
    bell_.ringDone();
}

void CandidateStream::advance()
{
    ++batches_;
    ++curBatch_;
    pos_ = 0;
    takenBatch_.store(curBatch_, std::memory_order_relaxed);
    // A follower waiting for room in the ring goes on (it has room for
    // kRing - 1 batches: a ring every eighth keeps it going).
    if (helped_ && curBatch_ % 8 == 0)
        bell_.ringDone();
    const bool follower = helped_ && drawer_.load(std::memory_order_relaxed) != kRunThread && followerDraws();
    if (follower && aloneNext_) {
        drawAlone();
        return;
    }
    if (!follower) {
        while (fillBatch_ <= curBatch_) {
            // The slot's last batch is still being laid out: its helper rings when done.
            const uint32_t seen = bell_.seen();
            if (!fillOne())
                bell_.waitUntil([&] { return bell_.seen() != seen; });
        }
        const int64_t ahead = helped_ ? kRing - 1 : 0;
        while (fillBatch_ - curBatch_ <= ahead && fillOne()) {
        }
    }
    Batch& b = slot(curBatch_);
    const uint64_t which = BatchTag(generation_, curBatch_, Stage::Free);
    cur_ = &b;
    outcomes_ = b.out.data();
    for (;;) {
        const uint32_t seen = bell_.seen();
        uint64_t tag = b.tag.load(std::memory_order_acquire);
        const auto changed = [&] { return bell_.seen() != seen; };
        if (BatchOf(tag) != which || StageOf(tag) == Stage::Filling) {
            // Not drawn yet.
            if (follower) {
                if (!bell_.waitUntilFor(changed, kPatience)) {
                    // The follower may have lost its processor.
                    drawAlone();
                    return;
                }
            } else if (!fillOne()) {
                bell_.waitUntil(changed);
            }
            continue;
        }
        if (StageOf(tag) == Stage::Done)
            break;
        if (StageOf(tag) == Stage::Placed &&
            b.tag.compare_exchange_strong(tag, which | uint64_t(Stage::Working), std::memory_order_acquire)) {
            lay(b, layer_);
            break;
        }
        if (StageOf(tag) == Stage::Working && (follower || !fillOne()) && !bell_.waitUntilFor(changed, kPatience)) {
            // The helper laying it out may have lost its processor.
            outcomeEpoch_ = commits_.load(std::memory_order_relaxed);
            layer_.layBatch(b.place.data(), b.count, own_.data());
            outcomes_ = own_.data();
            curCount_ = b.count;
            return;
        }
    }
    outcomeEpoch_ = b.lineEpoch;
    curCount_ = b.count;
    // Places and outcomes come from other cores: fetch the places of the
    // next batch and the outcomes of the one after while this one is taken.
    const Batch& next = slot(curBatch_ + 1);
    const uint64_t nextTag = next.tag.load(std::memory_order_relaxed);
    if (BatchOf(nextTag) == BatchTag(generation_, curBatch_ + 1, Stage::Free) && StageOf(nextTag) != Stage::Filling)
        for (size_t k = 0; k < offsetof(Batch, out) - offsetof(Batch, count); k += 64)
            Prefetch(reinterpret_cast<const char*>(&next.count) + k);
    const Batch& following = slot(curBatch_ + 2);
    if (following.tag.load(std::memory_order_relaxed) == BatchTag(generation_, curBatch_ + 2, Stage::Done))
        for (size_t k = 0; k < sizeof following.out; k += 64)
            Prefetch(reinterpret_cast<const char*>(following.out.data()) + k);
}

// Draws the next batch here, directly from the last candidate taken, and
// has the follower start again after it.
void CandidateStream::drawAlone()
{
    aloneNext_ = false;
    Batch& b = *alone_;
    cur_ = &b;
    platform::Random rng(takenSeed_);
    for (int k = 0; k < kBatch; ++k)
        chain_.place(rng, b.place[size_t(k)], b.reads[size_t(k)], pct_, lengthRange_, true);
    b.count = curCount_ = kBatch;
    ++generation_;
    {
        const std::lock_guard lock(restartMutex_);
        restart_ = Restart{generation_, rng.seed(), pct_, lengthRange_, curBatch_ + 1};
        restartGeneration_.store(generation_, std::memory_order_release);
    }
    bell_.ring();
    outcomeEpoch_ = commits_.load(std::memory_order_relaxed);
    layer_.layBatch(b.place.data(), kBatch, b.out.data());
    outcomes_ = b.out.data();
}

bool CandidateStream::placeChanged(const PlaceReads& reads) const
{
    if (reads.count > kPlaceReads)
        return true;
    for (int k = 0; k < reads.count; ++k)
        if (stamps_[size_t(reads.block[size_t(k)])] > reads.epoch)
            return true;
    return false;
}

bool CandidateStream::lineChanged(const Placement& p, const Outcome& o, uint32_t epoch) const
{
    if (!o.drawable)
        return false; // neither its tone nor its score is looked at
    if (stamps_[size_t(blocks_.at(p.x, p.y))] > epoch)
        return true;
    const LineEnds& e = o.ends;
    const int bx0 = std::min(e.x0, e.x1) >> blocks_.shift, bx1 = std::max(e.x0, e.x1) >> blocks_.shift;
    const int by0 = std::min(e.y0, e.y1) >> blocks_.shift, by1 = std::max(e.y0, e.y1) >> blocks_.shift;
    for (int by = by0; by <= by1; ++by)
        for (int bx = bx0; bx <= bx1; ++bx)
            if (stamps_[size_t(by * blocks_.columns + bx)] > epoch)
                return true;
    return false;
}

const Outcome& CandidateStream::next()
{
    fetchKept(kFetchPerCandidate);
    while (pos_ >= curCount_)
        advance();
    const Batch& b = *cur_;
    const int k = pos_++;
    const Placement& p = b.place[size_t(k)];
    taken_ = outcomes_[k];
    if (placeChanged(b.reads[size_t(k)])) {
        Placement fresh;
        PlaceReads reads;
        platform::Random rng(p.seedStart);
        chain_.place(rng, fresh, reads, pct_, lengthRange_, false);
        if (fresh.seedAfter != p.seedAfter || fresh.x != p.x || fresh.y != p.y) {
            layer_.layOne(fresh, taken_);
            takenSeed_ = fresh.seedAfter;
            dropAhead(fresh.seedAfter);
            return taken_;
        }
    }
    if (lineChanged(p, taken_, outcomeEpoch_))
        layer_.layOne(p, taken_);
    takenSeed_ = p.seedAfter;
    return taken_;
}

void CandidateStream::stampBlocks(const LineEnds& e, uint32_t stamp)
{
    const int bx0 = std::min(e.x0, e.x1) >> blocks_.shift, bx1 = std::max(e.x0, e.x1) >> blocks_.shift;
    const int by0 = std::min(e.y0, e.y1) >> blocks_.shift, by1 = std::max(e.y0, e.y1) >> blocks_.shift;
    for (int by = by0; by <= by1; ++by)
        for (int bx = bx0; bx <= bx1; ++bx)
            stamps_[size_t(by * blocks_.columns + bx)] = stamp;
}

void CandidateStream::keep()
{
    keptEnds_ = taken_.ends;
    keptTone_ = taken_.tone;
    keptPoints_ = LinePointCount(keptEnds_);
    RasteriseLine(keptEnds_, axes_, keptLine_.data());
    fetched_ = 0;
    fetchKept(kFetchAtKeep);
}

// Fetches the lines of up to `lines` more tiles of the kept line to be
// written: a few at a time, as a burst of them waits for the fetches before.
void CandidateStream::fetchKept(int lines)
{
    int32_t last = fetched_ > 0 ? keptLine_[size_t(fetched_ - 1)] : -1;
    for (; fetched_ < keptPoints_ && lines > 0; ++fetched_) {
        const int32_t i = keptLine_[size_t(fetched_)];
        if (i >> 4 != last >> 4) {
            PrefetchForWrite(cells_ + i);
            // Four tiles of codes are a line.
            if (i >> 6 != last >> 6)
                chain_.fetchForUpdate(i);
            --lines;
        }
        last = i;
    }
}

void CandidateStream::commitKept()
{
    fetchKept(INT_MAX);
    const int np = keptPoints_;
    const uint8_t* fade;
    if (np <= kShortLine) {
        fade = fades_.forShort(np);
    } else {
        FadeTables::fill(np, keptFade_);
        fade = keptFade_.data();
    }
    for (int k = 0; k < np; ++k) {
        const int32_t i = keptLine_[size_t(k)];
        std::atomic_ref<Cell> cell(cells_[i]);
        Cell c = cell.load(std::memory_order_relaxed);
        if (!(c.flags & kInked))
            continue;
        const int f = std::min(fade[k] + 64, 255);
        c.sheet = uint8_t(((255 - f) * keptTone_ + f * int(c.sheet)) / 255);
        cell.store(c, std::memory_order_relaxed);
        chain_.update(i, c);
    }
    const uint32_t stamp = commits_.load(std::memory_order_relaxed) + 1;
    stampBlocks(keptEnds_, stamp);
    commits_.store(stamp, std::memory_order_release);
}

// Lays out the oldest batch waiting for it, if any.
bool CandidateStream::layOne(CandidateLayer& layer)
{
    const int64_t from = takenBatch_.load(std::memory_order_relaxed);
    for (int j = 0; j < kRing; ++j) {
        Batch& b = slot(from + j);
        uint64_t tag = b.tag.load(std::memory_order_relaxed);
        if (StageOf(tag) == Stage::Placed &&
            b.tag.compare_exchange_strong(tag, BatchOf(tag) | uint64_t(Stage::Working), std::memory_order_acquire)) {
            lay(b, layer);
            return true;
        }
    }
    return false;
}

void CandidateStream::help(CandidateLayer& layer)
{
    const auto stopped = [this] { return stop_.load(std::memory_order_acquire); };
    while (!stopped()) {
        const uint32_t seen = bell_.seen();
        // Chunks the follower is about to follow, then batches, then
        // chunks further ahead.
        if (chain_.helpOnce(kUrgentChunks) || layOne(layer) || chain_.helpOnce(INT_MAX))
            continue;
        // Idle helpers sleep until there is news.
        bell_.idleUntil(seen, stopped);
    }
}

// Draws batches ahead of the one being taken, from where the run's thread
// left the draws, starting again where it says; helps while the ring is
// full.
void CandidateStream::follow(CandidateLayer& layer)
{
    int64_t fill = fillBatch_;
    uint32_t generation = fillGeneration_;
    const auto stopped = [this] { return stop_.load(std::memory_order_acquire); };
    while (!stopped()) {
        const uint32_t seen = bell_.seen();
        if (restartGeneration_.load(std::memory_order_acquire) != generation) {
            Restart r;
            {
                const std::lock_guard lock(restartMutex_);
                r = restart_;
            }
            generation = r.generation;
            fill = r.first;
            chain_.restart(r.seed, r.pct, r.lengthRange);
        }
        if (fill - takenBatch_.load(std::memory_order_relaxed) < kRing - 1 && fillSlot(fill, generation)) {
            ++fill;
            continue;
        }
        // Waits for room in the ring, a restart or work: every ring.
        if (!(chain_.helpOnce(kUrgentChunks) || layOne(layer) || chain_.helpOnce(INT_MAX)))
            bell_.waitUntil([&] { return bell_.seen() != seen || stopped(); });
    }
    fillBatch_ = fill;
    fillGeneration_ = generation;
}

void CandidateStream::withHelpers(int helpers, const std::function<void()>& body,
                                  const std::function<void()>& aside)
{
    if (helpers <= 0) {
        body();
        return;
    }
    helped_ = true;
    chain_.setHelped(true);
    stop_.store(false, std::memory_order_relaxed);
    drawer_.store(kNobodyYet, std::memory_order_relaxed);
    restartGeneration_.store(fillGeneration_, std::memory_order_relaxed);
    std::mutex failureMutex;
    std::exception_ptr failure;
    // Helpers 0 .. helpers - 1 draw ahead, judge and lay out; one more runs
    // `aside`. However many pool threads come, the body never waits for one.
    const int parts = helpers + (aside ? 1 : 0);
    platform::RunWithHelpers(
        parts,
        [&](int part) {
            // A helper that fails records it; the failure is thrown after the body.
            try {
                if (part >= helpers) {
                    if (!stop_.load(std::memory_order_acquire))
                        aside();
                    return;
                }
                CandidateLayer layer(cells_, angle_, axes_, fades_, shape_);
                int nobody = kNobodyYet;
                if (drawer_.compare_exchange_strong(nobody, kFollower, std::memory_order_acq_rel)) {
                    bell_.ring();
                    follow(layer);
                } else {
                    help(layer);
                }
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
            }
        },
        [&] {
            struct StopHelpers {
                std::atomic<bool>& stop;
                platform::WorkBell& bell;
                ~StopHelpers()
                {
                    stop.store(true, std::memory_order_release);
                    bell.ringAll();
                }
            } stopHelpers{stop_, bell_};
            body();
        });
    if (failure) {
        helped_ = false;
        chain_.setHelped(false);
        std::rethrow_exception(failure);
    }
    if (drawer_.load(std::memory_order_relaxed) == kFollower &&
        fillGeneration_ != restartGeneration_.load(std::memory_order_relaxed)) {
        // The follower stopped before it started the draws again.
        const Restart r = restart_;
        fillBatch_ = r.first;
        fillGeneration_ = r.generation;
        chain_.restart(r.seed, r.pct, r.lengthRange);
    }
    if (aloneNext_) {
        aloneNext_ = false;
        fillBatch_ = curBatch_ + 1;
        fillGeneration_ = generation_;
        chain_.restart(takenSeed_, pct_, lengthRange_);
    }
    helped_ = false;
    chain_.setHelped(false);
}

} // namespace pq::pencil
