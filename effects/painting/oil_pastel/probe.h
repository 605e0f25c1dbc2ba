#pragma once

// Where oil pastel places its next stamp: clusters of ten random points
// around random centres; a point counts when it lies off the picture's edge
// pixels and its source alpha is at least 10. Its error is the pixel error
// of source and canvas (times 50 on a near-white canvas pixel when white
// counts), plus, above 20, the errors of its four diagonal neighbours
// `reach` away that lie on the picture. The first point with the worst
// error wins; the search ends at the first point above 2000.

#include "gfx/image.h"
#include "platform/random.h"

namespace pq {

struct ProbeField {
    const gfx::Pixel* source = nullptr;
    qsizetype sourceStride = 0; // in pixels
    const gfx::Pixel* canvas = nullptr;
    qsizetype canvasStride = 0;
    int width = 0, height = 0; // at least 21 each
};

struct ProbeRule {
    int clusters = 1;
    int reach = 1;
    bool whiteCounts = false;
};

// The winning point; false when no point counted. Draws from `rng` as the
// plain loop does, ten points of a cluster at a time where the processor
// has AVX2.
bool ProbeWorst(const ProbeField& field, const ProbeRule& rule, platform::Random& rng, int& px, int& py);
// The same, one point at a time.
bool ProbeWorstPlain(const ProbeField& field, const ProbeRule& rule, platform::Random& rng, int& px, int& py);

} // namespace pq
