#pragma once

// Where Pencil Sketch 2's candidates are placed. A candidate draws places
// until one is kept, then its length; whether a place is kept depends on the
// sheet there, so drawing places one after another waits on memory at every
// place. But every generator step could start a place: pool threads judge
// the places of whole chunks of steps ahead, and the run's thread follows
// the draws through their verdicts.

#include "effects/sketch/pencil_sketch_2/field.h"
#include "effects/sketch/pencil_sketch_2/lay.h"
#include "effects/sketch/pencil_sketch_2/lines.h"
#include "effects/sketch/pencil_support.h"

#include "platform/random.h"
#include "platform/wait_signal.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace pq::pencil {

// The blocks a candidate's places read, and the lines drawn when they were
// read; count above kPlaceReads: too many to keep.
constexpr int kPlaceReads = 7;
struct PlaceReads {
    int count = 0;
    uint32_t epoch = 0;
    std::array<int32_t, kPlaceReads> block{};
};

// Blocks of pixels whose stamps tell which lines were drawn over them.
struct BlockGrid {
    int shift = 3;
    int columns = 1;

    int32_t at(int x, int y) const { return (y >> shift) * columns + (x >> shift); }
};

class PlaceChain {
public:
    // `bell` is rung at every chunk requested or judged.
    PlaceChain(Cell* cells, const TiledAxes& axes, const LayShape& shape, const BlockGrid& blocks,
               const std::atomic<uint32_t>& lines, platform::WorkBell& bell);
    ~PlaceChain();

    bool valid() const { return static_cast<bool>(codes_); }

    // The codes plane, for the field to fill.
    uint8_t* codes() { return codes_.data(); }
    // Takes the codes from the cells.
    void takeCodes();
    // Drops every chunk; the codes are as the cells say.
    void prepare();
    // Draws from seed with the phase's values; verdicts made before are
    // dropped.
    void restart(uint32_t seed, int pct, int lengthRange);
    // The next candidate's place and length.
    void draw(Placement& p, PlaceReads& reads);
    // A candidate's place drawn directly from rng with a phase's values,
    // reading the sheet as it is now; `fetch`: on a large picture, fetching
    // the places of the steps ahead. Any thread may call this while another
    // draws.
    void place(platform::Random& rng, Placement& p, PlaceReads& reads, int pct, int lengthRange, bool fetch) const;
    // A line was drawn over cell i.
    void update(int32_t i, const Cell& c);
    void fetchForUpdate(int32_t i) const { PrefetchForWrite(codes_.data() + i); }
    // Whether pool threads judge chunks ahead; alone, places are drawn
    // directly, a large picture fetching the places of the steps ahead.
    void setHelped(bool helped);
    // For pool threads: judges one chunk waiting for it, if any (only those
    // needed within `within` chunks of the one followed, when given).
    bool helpOnce(int within);

private:
    struct Chunk;

    uint8_t code(int32_t i) const
    {
        return std::atomic_ref<uint8_t>(codes_[size_t(i)]).load(std::memory_order_relaxed);
    }
    // Whether the place at cell i, of code `place`, is kept for draw r.
    bool keeps(int32_t i, int place, int r) const;
    void judge(Chunk& c) const;
    void placeAt(uint32_t seed, int& x, int& y) const;
    void placeFetching(platform::Random& rng, Placement& p, PlaceReads& reads, int pct, int lengthRange,
                       bool fetch) const;
    void fetchAhead(uint32_t seed, int pct) const;
    bool request();
    Chunk& ready(int64_t n);
    Chunk& slot(int64_t n) const;

    Cell* const cells_;
    const TiledAxes& axes_;
    const LayShape shape_;
    const BlockGrid blocks_;
    const std::atomic<uint32_t>& lines_;
    platform::WorkBell& bell_;
    // Per pixel, what drawing a place reads (PlaceCode). Read and written
    // through atomic references, as pool threads read it while lines are
    // drawn.
    mutable Plane<uint8_t> codes_;
    std::unique_ptr<Chunk[]> ring_;
    std::unique_ptr<Chunk> own_; // a chunk judged here while its helper was slow
    const bool chunked_; // steps follow one pattern only when both coordinates are drawn
    const bool large_;

    alignas(64) std::atomic<int64_t> followed_{0}; // the chunk being followed

    // The run's thread only.
    alignas(64) int pct_ = 0;
    int lengthRange_ = 0;
    int ahead_ = 1;
    bool useChunks_ = false;
    uint32_t seed_ = 0; // the generator at step_
    int64_t step_ = 0;  // steps since the restart
    int64_t requested_ = 0;
    int64_t following_ = 0; // what followed_ says
    uint32_t requestSeed_ = 0; // the generator at the first step of chunk requested_
};

} // namespace pq::pencil
