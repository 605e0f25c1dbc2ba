#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

#include <functional>

namespace pq {

// Edge-keeping smoothing of Surface in place: Iterations passes, each
// replacing every pixel by the average of its (2 Radius + 1)^2 window
// (clipped at the edges), weighted by a Gaussian of the distance
// (SpatialSigma, raised to max(0.5, Radius / 2.5) when smaller than
// Radius / 2.5) and, when Adaptive, by exp(-d^2 / (2 s^2)) of the largest
// channel difference d between guide pixels, with s = RangeSigma widened by
// 20 % every pass. Neighbours whose guide colour lies farther than Threshold
// (Euclidean, on R, G, B) and transparent neighbours are left out.
//
// The guide is Guide when it has the surface's size, the surface as it was
// at the call when Guide has another size, and each pass's own input when
// Guide is null. Alpha never changes; transparent pixels are kept as they
// are; colours never exceed their alpha.
//
// Progress(n / Iterations) is called on the calling thread before pass n;
// an exception it raises (EAbort) leaves the surface unchanged, and so does
// a cancellation found inside a pass. Rows run on the shared thread pool;
// MaxThreads is accepted for old callers and ignored. Negative radii count
// as 0, radii above kMaxSmoothRadius as that radius.
constexpr int kMaxSmoothRadius = 100;

void SimilaritySmoothSurface(gfx::Surface& surface, const gfx::Image& guide, int radius, int threshold,
                                int iterations, bool adaptive, float spatialSigma, float rangeSigma, int maxThreads,
                                const std::function<void(float fraction)>& progress);

} // namespace pq
