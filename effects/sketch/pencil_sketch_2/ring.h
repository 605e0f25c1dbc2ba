#pragma once

// The ring of Pencil Sketch 2's candidate batches. One thread draws a
// batch's places, any thread lays it out, the run's thread takes it. Each
// slot's tag says which batch it holds (the stream's count of batches and
// the generation of draws, which a restart of the draws changes) and how far
// it has got, so a thread can tell a batch from an older one in its slot.

#include "effects/sketch/pencil_sketch_2/chain.h"
#include "effects/sketch/pencil_sketch_2/lay.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace pq::pencil {

enum class BatchStage : uint64_t {
    Free = 0,
    Filling = 1, // its places are being drawn
    Placed = 2,  // waiting to be laid out
    Working = 3, // being laid out
    Done = 4,
};

// The thread drawing the places writes those lines, the thread laying the
// batch out the outcomes: each on lines of their own.
struct CandidateBatch {
    alignas(64) std::atomic<uint64_t> tag{0};
    uint32_t lineEpoch = 0; // lines drawn when the layout started
    alignas(64) int count = 0;
    std::array<Placement, kBatch> place;
    std::array<PlaceReads, kBatch> reads;
    alignas(64) std::array<Outcome, kBatch> out;
};

constexpr uint64_t BatchTag(uint32_t generation, int64_t number, BatchStage stage)
{
    return uint64_t(generation & 0xFFFFFF) << 40 | (uint64_t(number) & 0x1FFFFFFFFF) << 3 | uint64_t(stage);
}

constexpr BatchStage StageOf(uint64_t tag)
{
    return BatchStage(tag & 7);
}

// The tag without its stage: which batch it is.
constexpr uint64_t BatchOf(uint64_t tag)
{
    return tag & ~uint64_t(7);
}

} // namespace pq::pencil
