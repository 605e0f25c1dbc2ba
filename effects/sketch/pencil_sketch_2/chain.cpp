#include "effects/sketch/pencil_sketch_2/chain.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace pq::pencil {
namespace {

constexpr int kChunk = 64; // steps judged together
constexpr int kChunks = 64;
constexpr int kChunksAhead = 40; // requested ahead of the one followed, while helped
constexpr int64_t kLargeArea = 2000000;
// How long the run's thread sleeps on a helper judging a chunk it needs
// before it judges the chunk itself: the helper may have lost its processor.
constexpr auto kPatience = std::chrono::microseconds(20);
constexpr Jump kStep = JumpOf(1);
constexpr Jump kChunkJump = JumpOf(kChunk);
// Steps ahead whose places a large picture drawn alone fetches.
constexpr Jump kFetchJump = JumpOf(30);

// Jumps over 0 .. kChunk + 2 steps, and the steps j, j + n, j + 2n, ... of a
// chunk as bits, for places of n = 2 and 3 steps.
struct StepTables {
    std::array<Jump, kChunk + 3> jump{};
    std::array<std::array<uint64_t, kChunk>, 2> progression{};
};

constexpr StepTables MakeStepTables()
{
    StepTables t;
    for (size_t n = 0; n < t.jump.size(); ++n)
        t.jump[n] = JumpOf(n);
    for (int n = 2; n <= 3; ++n)
        for (int j = 0; j < kChunk; ++j)
            for (int k = j; k < kChunk; k += n)
                t.progression[size_t(n - 2)][size_t(j)] |= uint64_t(1) << k;
    return t;
}

constexpr StepTables kTables = MakeStepTables();

// Chunk states: requested by the run's thread, judged by whoever takes it.
constexpr int kFree = 0;
constexpr int kRequested = 1;
constexpr int kWorking = 2;
constexpr int kDone = 3;

} // namespace

// Verdicts on the places that would start at each step of a chunk, on one
// cache line: the run's thread reads one line from the judging core.
struct alignas(64) PlaceChain::Chunk {
    std::atomic<int> state{kFree};
    int pct = 0;
    uint32_t seed = 0;  // the generator at the chunk's first step
    uint32_t epoch = 0; // lines drawn when the sheet was read
    uint64_t read = 0;  // places not turned down by their own draw
    uint64_t kept = 0;
    uint64_t edge = 0;
};

PlaceChain::PlaceChain(Cell* cells, const TiledAxes& axes, const LayShape& shape, const BlockGrid& blocks,
                       const std::atomic<uint32_t>& lines, platform::WorkBell& bell)
    : cells_(cells), axes_(axes), shape_(shape), blocks_(blocks), lines_(lines), bell_(bell),
      codes_(TiledIndex(shape.w, shape.h).size()), ring_(std::make_unique<Chunk[]>(kChunks)),
      own_(std::make_unique<Chunk>()),
      chunked_(shape.w > 2 && shape.h > 2),
      large_(int64_t(shape.w) * shape.h >= kLargeArea)
{
}

PlaceChain::~PlaceChain() = default;

PlaceChain::Chunk& PlaceChain::slot(int64_t n) const
{
    return ring_[size_t(n % kChunks)];
}

void PlaceChain::takeCodes()
{
    platform::ParallelForRange(0, shape_.h, 32, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < shape_.w; ++x) {
                const int32_t i = axes_.at(x, y);
                update(i, cells_[i]);
            }
    });
}

void PlaceChain::prepare()
{
    for (int k = 0; k < kChunks; ++k)
        ring_[size_t(k)].state.store(kFree, std::memory_order_relaxed);
}

void PlaceChain::update(int32_t i, const Cell& c)
{
    std::atomic_ref<uint8_t>(codes_[size_t(i)]).store(PlaceCode(c), std::memory_order_relaxed);
}

// Whether the place's distance is at least r. The code gives the distance
// but for its lowest bit, which matters only when r is the odd value just
// above it: then the cell tells.
bool PlaceChain::keeps(int32_t i, int place, int r) const
{
    const int high = place & 0xFE;
    if (r != high + 1)
        return r <= high;
    const Cell c = std::atomic_ref<Cell>(cells_[i]).load(std::memory_order_relaxed);
    return (c.flags & kInked) && std::abs(int(c.target) - int(c.sheet)) >= r;
}

void PlaceChain::place(platform::Random& rng, Placement& p, PlaceReads& reads, int pct, int lengthRange,
                       bool fetch) const
{
    placeFetching(rng, p, reads, pct, lengthRange, fetch && large_ && chunked_);
}

// The places of the steps kFetchSteps ahead of seed: the three that enter
// the window with each place drawn.
void PlaceChain::fetchAhead(uint32_t seed, int pct) const
{
    const int w = shape_.w, h = shape_.h;
    const uint64_t pct5 = uint64_t(pct * 5);
    uint32_t s = kFetchJump(seed);
    for (int k = 0; k < 3; ++k) {
        const uint32_t s1 = kStep(s), s2 = kStep(s1), s3 = kStep(s2);
        s = s1;
        if (pct > 4 && ((uint64_t(s3) * pct5) >> 32) > 255)
            continue;
        const int x = std::min(int((uint64_t(s1) * uint64_t(w - 2)) >> 32) + 1, w - 1);
        const int y = std::min(int((uint64_t(s2) * uint64_t(h - 2)) >> 32) + 1, h - 1);
        Prefetch(codes_.data() + axes_.at(x, y));
    }
}

// The place a step would start, from the generator at that step.
void PlaceChain::placeAt(uint32_t seed, int& x, int& y) const
{
    const uint32_t s1 = kStep(seed), s2 = kStep(s1);
    x = std::min(int((uint64_t(s1) * uint64_t(shape_.w - 2)) >> 32) + 1, shape_.w - 1);
    y = std::min(int((uint64_t(s2) * uint64_t(shape_.h - 2)) >> 32) + 1, shape_.h - 1);
}

void PlaceChain::placeFetching(platform::Random& rng, Placement& p, PlaceReads& reads, int pct, int lengthRange,
                               bool fetch) const
{
    const int w = shape_.w, h = shape_.h;
    p.seedStart = rng.seed();
    reads.epoch = lines_.load(std::memory_order_relaxed);
    int count = 0;
    int x, y;
    int32_t i;
    for (;;) {
        if (fetch)
            fetchAhead(rng.seed(), pct);
        x = std::min(rng.random(w - 2) + 1, w - 1);
        y = std::min(rng.random(h - 2) + 1, h - 1);
        const int r = rng.random(pct * 5);
        if (pct > 4 && r > 255)
            continue;
        i = axes_.at(x, y);
        if (count < kPlaceReads)
            reads.block[size_t(count)] = blocks_.at(x, y);
        count = std::min(count + 1, kPlaceReads + 1);
        if (!(pct > 4) || keeps(i, code(i), r))
            break;
    }
    reads.count = count;
    const bool edge = code(i) & 1;
    p.a = rng.random(lengthRange) / 3;
    p.seedB = rng.seed();
    // The edge length is drawn by the layer from seedB.
    if (edge)
        rng.setSeed(kStep(rng.seed()));
    p.seedAfter = rng.seed();
    p.x = x;
    p.y = y;
}

void PlaceChain::judge(Chunk& c) const
{
    const int w = shape_.w, h = shape_.h;
    const uint64_t pct5 = uint64_t(c.pct * 5);
    const bool ranked = c.pct > 4;
    c.epoch = lines_.load(std::memory_order_acquire);
    uint32_t s1 = kStep(c.seed), s2 = kStep(s1), s3 = kStep(s2);
    std::array<int32_t, kChunk> at;
    std::array<int, kChunk> rs;
    uint64_t read = 0;
    for (int j = 0; j < kChunk; ++j) {
        const int x = std::min(int((uint64_t(s1) * uint64_t(w - 2)) >> 32) + 1, w - 1);
        const int y = std::min(int((uint64_t(s2) * uint64_t(h - 2)) >> 32) + 1, h - 1);
        const int r = int((uint64_t(s3) * pct5) >> 32);
        s1 = s2;
        s2 = s3;
        s3 = kStep(s3);
        if (ranked && r > 255)
            continue;
        read |= uint64_t(1) << j;
        at[size_t(j)] = axes_.at(x, y);
        rs[size_t(j)] = r;
        Prefetch(codes_.data() + at[size_t(j)]);
    }
    uint64_t kept = 0, edge = 0;
    for (uint64_t left = read; left; left &= left - 1) {
        const int j = __builtin_ctzll(left);
        const int32_t i = at[size_t(j)];
        const int place = code(i);
        if (!ranked || keeps(i, place, rs[size_t(j)]))
            kept |= uint64_t(1) << j;
        edge |= uint64_t(place & 1) << j;
    }
    c.read = read;
    c.kept = kept;
    c.edge = edge;
}

void PlaceChain::setHelped(bool helped)
{
    ahead_ = helped ? kChunksAhead : 1;
    const bool chunks = chunked_ && helped;
    if (chunks != useChunks_) {
        useChunks_ = chunks;
        // Steps are counted from here on.
        restart(seed_, pct_, lengthRange_);
    }
}

void PlaceChain::restart(uint32_t seed, int pct, int lengthRange)
{
    for (int k = 0; k < kChunks; ++k) {
        int requested = kRequested;
        ring_[size_t(k)].state.compare_exchange_strong(requested, kFree, std::memory_order_relaxed);
    }
    pct_ = pct;
    lengthRange_ = lengthRange;
    seed_ = requestSeed_ = seed;
    step_ = requested_ = 0;
    followed_.store(0, std::memory_order_relaxed);
    following_ = 0;
}

bool PlaceChain::request()
{
    Chunk& c = slot(requested_);
    int state = c.state.load(std::memory_order_acquire);
    if (state == kWorking)
        return false; // a dropped chunk still being judged
    if (state == kRequested && !c.state.compare_exchange_strong(state, kFree, std::memory_order_acquire))
        return false;
    c.seed = requestSeed_;
    c.pct = pct_;
    c.state.store(kRequested, std::memory_order_release);
    requestSeed_ = kChunkJump(requestSeed_);
    ++requested_;
    bell_.ringWork();
    return true;
}

PlaceChain::Chunk& PlaceChain::ready(int64_t n)
{
    // Helpers read this all the time: a store waits for the line.
    if (n != following_) {
        following_ = n;
        followed_.store(n, std::memory_order_relaxed);
    }
    while (requested_ <= n) {
        // A dropped chunk is still being judged: its helper rings when done.
        const uint32_t seen = bell_.seen();
        if (!request())
            bell_.waitUntil([&] { return bell_.seen() != seen; });
    }
    while (requested_ <= n + ahead_ && request()) {
    }
    // Verdicts come from other cores: fetch those of the chunk after next
    // while this one is followed.
    const Chunk& following = slot(n + 2);
    if (n + 2 < requested_ && following.state.load(std::memory_order_relaxed) == kDone)
        Prefetch(&following);
    Chunk& c = slot(n);
    for (;;) {
        const uint32_t seen = bell_.seen();
        int state = c.state.load(std::memory_order_acquire);
        if (state == kDone)
            return c;
        if (state == kRequested && c.state.compare_exchange_strong(state, kWorking, std::memory_order_acquire)) {
            judge(c);
            c.state.store(kDone, std::memory_order_release);
            return c;
        }
        if (state == kWorking && !bell_.waitUntilFor([&] { return bell_.seen() != seen; }, kPatience)) {
            // The helper judging it may have lost its processor.
            own_->seed = c.seed;
            own_->pct = c.pct;
            judge(*own_);
            return *own_;
        }
    }
}

void PlaceChain::draw(Placement& p, PlaceReads& reads)
{
    if (!useChunks_) {
        platform::Random rng(seed_);
        placeFetching(rng, p, reads, pct_, lengthRange_, large_ && chunked_);
        seed_ = rng.seed();
        return;
    }
    // Places start every placeSteps steps; a chunk's verdicts say which of
    // them are read and kept, so the loop goes from read place to read place.
    const int placeSteps = pct_ * 5 > 0 ? 3 : 2;
    const uint64_t* const progression = kTables.progression[size_t(placeSteps - 2)].data();
    p.seedStart = seed_;
    reads.epoch = UINT32_MAX;
    int count = 0;
    int x = 0, y = 0;
    bool edge = false;
    for (;;) {
        const Chunk& c = ready(int64_t(uint64_t(step_) / kChunk));
        reads.epoch = std::min(reads.epoch, c.epoch);
        const int j = int(uint64_t(step_) % kChunk);
        const uint32_t seed = seed_; // the generator at step j
        const uint64_t places = c.read & progression[j];
        const uint64_t kept = places & c.kept;
        // The places read up to the first kept.
        const uint64_t read = kept ? places & (~uint64_t(0) >> (63 - __builtin_ctzll(kept))) : places;
        for (uint64_t left = read; left && count <= kPlaceReads; left &= left - 1) {
            if (count < kPlaceReads) {
                placeAt(kTables.jump[size_t(__builtin_ctzll(left) - j)](seed), x, y);
                reads.block[size_t(count)] = blocks_.at(x, y);
            }
            ++count;
        }
        if (kept) {
            const int q = __builtin_ctzll(kept);
            placeAt(kTables.jump[size_t(q - j)](seed), x, y);
            edge = (c.edge >> q) & 1;
            step_ += q - j + placeSteps;
            seed_ = kTables.jump[size_t(q - j + placeSteps)](seed);
            break;
        }
        // On to the chunk's first place after this one's last.
        const int steps = (kChunk - j + placeSteps - 1) / placeSteps * placeSteps;
        step_ += steps;
        seed_ = kTables.jump[size_t(steps)](seed);
    }
    reads.count = count;
    platform::Random rng(seed_);
    p.a = rng.random(lengthRange_) / 3;
    p.seedB = rng.seed();
    if (edge)
        rng.setSeed(kStep(rng.seed()));
    step_ += int64_t(lengthRange_ > 0) + int64_t(edge);
    seed_ = rng.seed();
    p.seedAfter = seed_;
    p.x = x;
    p.y = y;
}

bool PlaceChain::helpOnce(int within)
{
    const int64_t from = followed_.load(std::memory_order_relaxed);
    for (int k = 0; k < std::min(within, kChunks); ++k) {
        Chunk& c = slot(from + k);
        int state = kRequested;
        if (c.state.load(std::memory_order_relaxed) == kRequested &&
            c.state.compare_exchange_strong(state, kWorking, std::memory_order_acquire)) {
            judge(c);
            c.state.store(kDone, std::memory_order_release);
            bell_.ringDone();
            return true;
        }
    }
    return false;
}

} // namespace pq::pencil
