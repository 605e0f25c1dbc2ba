#pragma once

// Pencil Sketch 2's candidates as one stream. A stroke takes candidates until
// it stops, and the next stroke starts from the generator where the last
// one taken left it, so while the placing values stay the same the
// candidates follow one another whatever the strokes decide. With helpers,
// one pool thread draws them ahead (from place verdicts pool threads judge
// ahead, see PlaceChain), pool threads lay out and score them, and the run's
// thread checks each one when it is taken: a candidate that read a block a
// line has been drawn over since is drawn or scored again, so every
// candidate is the one drawing them one by one would give.

#include "effects/sketch/pencil_sketch_2/chain.h"
#include "effects/sketch/pencil_sketch_2/field.h"
#include "effects/sketch/pencil_sketch_2/lay.h"
#include "effects/sketch/pencil_sketch_2/lines.h"
#include "effects/sketch/pencil_sketch_2/ring.h"
#include "effects/sketch/pencil_support.h"

#include "platform/random.h"
#include "platform/wait_signal.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace pq::pencil {

class CandidateStream {
public:
    CandidateStream(Cell* cells, const float* angle, const LayShape& shape);
    ~CandidateStream();

    bool valid() const { return chain_.valid(); }

    // The place codes of the cells, for the field to fill.
    uint8_t* codes() { return chain_.codes(); }
    // Takes the place codes from the cells.
    void takeCodes() { chain_.takeCodes(); }
    // Reads the sheet as the field left it, with its place codes; `seed` is
    // the generator before the first candidate.
    void start(uint32_t seed);
    // The round's share of the run done, in per cent, which sets how places
    // are drawn; a change drops what was drawn ahead.
    void setPhase(int pct);
    const Outcome& next();
    // The candidate taken last is its stroke's best so far: its line is
    // laid out and fetched now, for the commit.
    void keep();
    // Lays the kept line on the sheet.
    void commitKept();
    // The generator after the last candidate taken.
    uint32_t seed() const { return takenSeed_; }

    // Runs body on this thread while up to `helpers` pool threads draw
    // candidates ahead (the first to come), judge places and lay out the
    // candidates, and another pool thread, if there is one, runs `aside`.
    // Only body may take candidates and commit.
    void withHelpers(int helpers, const std::function<void()>& body, const std::function<void()>& aside = {});
    // Batches of candidates taken since the last call.
    int64_t takeBatches() { return std::exchange(batches_, 0); }

private:
    static constexpr int kRing = 32;

    using Batch = CandidateBatch;

    // Who draws the candidates ahead while helped.
    enum Drawer { kNobodyYet, kFollower, kRunThread };

    // Where the draws start again: from `seed` with the phase's values, as
    // batch `first` of generation `generation`.
    struct Restart {
        uint32_t generation = 0;
        uint32_t seed = 0;
        int pct = 0;
        int lengthRange = 0;
        int64_t first = 0;
    };

    bool fillOne();
    bool fillSlot(int64_t n, uint32_t generation);
    void advance();
    bool followerDraws();
    void drawAlone();
    void lay(Batch& b, CandidateLayer& layer);
    void dropAhead(uint32_t seed);
    void follow(CandidateLayer& layer);
    bool placeChanged(const PlaceReads& reads) const;
    bool lineChanged(const Placement& p, const Outcome& o, uint32_t epoch) const;
    void stampBlocks(const LineEnds& e, uint32_t stamp);
    void fetchKept(int lines);
    bool layOne(CandidateLayer& layer);
    void help(CandidateLayer& layer);
    Batch& slot(int64_t n) const;

    // Set up front; the helpers read these.
    Cell* const cells_;
    const float* const angle_;
    const LayShape shape_;
    const TiledAxes axes_;
    const FadeTables fades_;
    const BlockGrid blocks_;
    std::unique_ptr<Batch[]> ring_;
    std::unique_ptr<Batch> alone_; // a batch drawn by the run's thread while helped
    // Rung at every change another thread may wait for; helpers with nothing
    // to do and the run's thread sleep on it.
    platform::WorkBell bell_;
    std::vector<uint32_t> stamps_; // per block: the number of the last line drawn over it

    // Shared with the helpers, each on a cache line of its own.
    alignas(64) std::atomic<uint32_t> commits_{0};
    alignas(64) std::atomic<int64_t> takenBatch_{0}; // the batch being taken
    alignas(64) std::atomic<bool> stop_{false};
    alignas(64) std::atomic<int> drawer_{kNobodyYet};
    alignas(64) std::atomic<uint32_t> restartGeneration_{0};
    std::mutex restartMutex_;
    Restart restart_; // under restartMutex_

    // The thread drawing ahead: the run's thread, or the follower while it
    // draws.
    int64_t fillBatch_ = 1;
    uint32_t fillGeneration_ = 0;

    PlaceChain chain_;

    // The run's thread only.
    alignas(64) int pct_ = -1; // placing values of the phase
    int lengthRange_ = 0;
    uint32_t generation_ = 0; // of the draws being taken
    int64_t curBatch_ = 0;
    const Batch* cur_ = nullptr;
    bool aloneNext_ = false; // the next batch is drawn here
    int pos_ = 0, curCount_ = 0;
    // The current batch's outcomes: the batch's own, or laid out here when
    // its helper was slow.
    const Outcome* outcomes_ = nullptr;
    uint32_t outcomeEpoch_ = 0;
    std::array<Outcome, kBatch> own_;
    uint32_t takenSeed_ = 0;
    Outcome taken_;
    bool helped_ = false;
    int64_t batches_ = 0; // taken since takeBatches()
    CandidateLayer layer_;
    std::vector<int32_t> keptLine_;
    std::vector<uint8_t> keptFade_;
    LineEnds keptEnds_;
    int keptPoints_ = 0;
    int fetched_ = 0; // points of the kept line whose tiles are fetched
    int keptTone_ = 0;
};

} // namespace pq::pencil
