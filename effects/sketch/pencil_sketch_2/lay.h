#pragma once

// Laying out Pencil Sketch 2's candidate lines: from a place the stream has
// drawn to the line through it and what laying it would gain. Reads the
// cells with atomic loads, so other threads may lay out candidates while
// the run's thread draws lines on the sheet.

#include "effects/sketch/pencil_sketch_2/field.h"
#include "effects/sketch/pencil_sketch_2/lines.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace pq::pencil {

constexpr int kBatch = 16; // candidates laid out together

// What a candidate's draws decided.
struct Placement {
    int32_t x = 0, y = 0;
    int32_t a = 0;          // the length draw, divided by 3
    uint32_t seedB = 0;     // the generator before the draw of the edge length
    uint32_t seedStart = 0; // the generator before the candidate's first draw
    uint32_t seedAfter = 0; // and after its last
};

// The candidate's line and what laying it would gain.
struct Outcome {
    int64_t score = 0;
    int32_t tone = 0;
    bool drawable = false;
    LineEnds ends;
};

// The values every candidate of a run shares.
struct LayShape {
    int w = 0, h = 0;
    int64_t lmin = 0, lmax = 0;
};

class CandidateLayer {
public:
    CandidateLayer(Cell* cells, const float* angle, const TiledAxes& axes, const FadeTables& fades,
                   const LayShape& shape);

    void layOne(const Placement& p, Outcome& out);
    // Up to kBatch candidates, each stage fetching what the next one reads.
    void layBatch(const Placement* p, int count, Outcome* out);

private:
    struct Lay {
        int32_t cell = 0;
        int32_t probe = 0;
        int64_t d = 0;
        double cx = 0, cy = 0;
        float angle = 0;
        int np = 0;
    };

    void begin(const Placement& p, Lay& lay, Outcome& out) const;
    void layout(const Placement& p, Lay& lay, Outcome& out, int32_t* points) const;
    void score(const Lay& lay, Outcome& out, const int32_t* points);
    void halfDirection(uint8_t flags, float angle, double& cx, double& cy) const;
    Cell load(int32_t i) const { return std::atomic_ref<Cell>(cells_[i]).load(std::memory_order_relaxed); }

    Cell* const cells_;
    const float* const angle_;
    const TiledAxes& axes_;
    const FadeTables& fades_;
    const LayShape shape_;
    double cosA_, sinA_, cosB_, sinB_, cosBorder_, sinBorder_;
    std::vector<int32_t> points_;   // kBatch short lines
    std::vector<int32_t> longLine_; // one longer line
    std::vector<uint8_t> longFade_;
    std::vector<Cell> copies_; // the cells of the line being scored
};

} // namespace pq::pencil
