#pragma once

// The core test of the many seeds of one level: every shape of the level,
// whatever its rotation, contains the circle of radius inRadius around its
// centre, so a blocked pixel the evaluation samples well inside that circle
// rejects it. The columns each row of the circle reaches are worked out once
// per level, in offsets from the pixel the centre lies in, for centres on a
// pixel centre and for sixteen cells of the other positions (narrowed to
// hold anywhere in the cell), so a test reads a few words of bits per row
// and does no arithmetic on the centre.

#include "effects/stylize/space_filling/placement_context.h"

#include <vector>

namespace pq::stylize {

class SeedCore {
public:
    SeedCore(const PlacementContext& ctx, float size, float inRadius, float edgeRejectLevel);

    // True when every evaluation of a shape of this size centred at
    // (cx, cy) with this edge limit rejects, whatever its rotation: only
    // for sizes sampled on every pixel (false for the others).
    bool blocked(float cx, float cy) const;

    // True when the evaluation of the shape centred at (cx, cy) whose pixel
    // box is `box`, sampled every SampleStep(size) pixels from its corner,
    // rejects on a blocked pixel near the centre. Only for evaluations at
    // the context's blocked level.
    bool blockedIn(const PixelBox& box, float cx, float cy) const;

    // Whether blockedIn() answers for evaluations sampled every `step`
    // pixels whose shapes contain the circle of radius inRadius.
    bool serves(int step, float inRadius) const { return step == step_ && inRadius == inRadius_; }

private:
    // Columns first..last (offsets) of one row; first > last: none.
    struct Reach {
        int first, last;
    };
    static constexpr int kCells = 4;

    bool test(const PixelBox& box, int step, float cx, float cy) const;
    const Reach* reachesFor(float fx, float fy) const;

    const PlacementContext& ctx_;
    const float size_, inRadius_, level_;
    const int step_;
    // False: seedBlocked() answers false whatever the centre.
    bool tested_ = false;
    // Rows -radius_..radius_ about the centre's pixel, in the order a test
    // reads them (nearest first), and per table the reach of each.
    int radius_ = -1;
    std::vector<int> rowOrder_;
    // Table 0: centres on a pixel centre; 1 + kCells * j + i: centres whose
    // offset in their pixel lies in [i, i + 1) / kCells across and
    // [j, j + 1) / kCells down.
    std::vector<Reach> reaches_;
};

} // namespace pq::stylize
