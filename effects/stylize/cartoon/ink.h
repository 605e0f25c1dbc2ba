#pragma once

// The cartoon's settings and its ink: dark lines along the photo's edges,
// found by a Sobel operator with thinning, a contrast test against the local
// average edge strength, hysteresis and removal of short chains, and drawn
// thicker where the edge direction changes.

#include "effects/stylize/plane.h"
#include "gfx/image.h"

#include <cstdint>
#include <functional>

namespace pq::stylize {

struct CartoonSettings {
    int smoothRadius = 0;
    int smoothIterations = 0;
    float rangeSigma = 0;
    float preBlurSigma = 0;
    int highThreshold = 0; // Th
    int lowThreshold = 0;  // Tl
    float contrastRatio = 0; // q; weak pixels need q / 2
    float satBoost = 1;
    float lumiBoost = 1;
    int lineRadius = 0;    // r0
    int maxLineRadius = 0; // rmax
    int contrastHalf = 0;  // half-size of the local-contrast window
    int shortestChain = 0;
    // Slider values as the ink uses them.
    int edgeDetail = 0;   // P2
    int edgeDarkness = 0; // P3
};

// Smoothing passes at most. Their count grows with P1 without end (P1 near
// 2^31 asks for 10^8, each sweeping the whole picture with windows of up
// to 201 x 201 pixels); the bound keeps a wild value from running for ever.
constexpr int kMaxCartoonSmoothPasses = 100;

// The line radius from which a line covers every pixel of a w x h picture
// at full darkness (the picture's diagonal, rounded up): any wider line
// draws the same.
int CoveringLineRadius(int w, int h);

// Slider values are used as given, beyond 0..100 too: only the smoothing
// passes are bounded (kMaxCartoonSmoothPasses) and the line radii are held
// to the covering radius, which changes no pixel. P2..P4 are held to
// +-10^6, where their arithmetic stays in range.
CartoonSettings DeriveCartoonSettings(int w, int h, int p1, int p2, int p3, int p4, int p5, bool preview);

// Ink per pixel, 0..255, of a w x h source. `stage` is called with 76 after
// the edge strengths and 87 after the chains (a cancellation point each).
Plane<uint8_t> CartoonInk(const gfx::Image& source, const CartoonSettings& s,
                          const std::function<void(int)>& stage);

} // namespace pq::stylize
