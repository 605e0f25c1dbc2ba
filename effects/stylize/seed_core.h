#pragma once

// PlacementContext::seedBlocked() for the many seeds of one level: the
// widths of the three rows its core test reads are worked out once for
// centres on pixel centres, where they do not depend on the centre; other
// centres take the plain test.

#include "effects/stylize/placement_context.h"

namespace pq::stylize {

class SeedCore {
public:
    SeedCore(const PlacementContext& ctx, float size, float inRadius, float edgeRejectLevel);

    // Exactly ctx.seedBlocked(cx, cy, size, inRadius, edgeRejectLevel).
    bool blocked(float cx, float cy) const;

private:
    const PlacementContext& ctx_;
    const float size_, inRadius_, level_;
    // False: seedBlocked() answers false whatever the centre.
    bool tested_ = false;
    // Whether the precomputed reaches hold, and the pixels each side of a
    // centre's column its middle row and the rows above and below reach
    // (-1: that row is not read).
    bool reachesHold_ = false;
    int middleReach_ = -1, sideReach_ = -1;
};

} // namespace pq::stylize
