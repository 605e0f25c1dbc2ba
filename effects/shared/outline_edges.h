#pragma once

#include "effects/shared/scratch_plane.h"
#include "gfx/image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pq {

// Thresholds of the edge detector for a strength slider (nominally 0..100).
struct EdgeThresholds {
    int high = 200;         // H
    int low = 60;           // L = 3 H div 10
    float highRatio = 2.5f; // RH, against the local mean magnitude
    float lowRatio = 1.25f; // RL
};
EdgeThresholds EdgeThresholdsFor(int strength);

struct EdgeDetectionSettings {
    float blurSigma = 1.0f; // pre-blur (edges clamp)
    int strength = 50;
    int windowRadius = 6;          // local mean window: (2 R + 1)^2, clipped
    int minChainLength = 4;        // shorter chains are dropped whole
    bool checkCancellation = true; // after the gradients and after hysteresis
};

// One value per pixel in uninitialised scratch memory (the detector writes
// every value).
template <typename T>
using EdgePlane = ScratchPlane<T>;

// Canny-like edges of a picture. Gradients are Sobel responses of the
// blurred luma (0 on the outer border); `kept` marks the pixels of the chains
// that survive hysteresis and the length test.
struct EdgeMap {
    int width = 0;
    int height = 0;
    int high = 0; // the high threshold used
    EdgePlane<int16_t> gx, gy;
    EdgePlane<uint16_t> nms; // magnitude where non-maximum suppression kept it
    EdgePlane<uint8_t> kept;
    bool hasEdges = false;
};

// Detects the edges of Source drawn at (0, 0) on a width x height canvas.
// Empty (hasEdges false) for sizes below 3 x 3 or a failed blur. Raises
// EAbort at its cancellation points when asked to check.
EdgeMap DetectEdges(const gfx::Image& source, int width, int height, const EdgeDetectionSettings& settings);

// How kept edge pixels are stamped into a coverage mask.
struct DotStyle {
    // Opacity of a dot by suppressed magnitude N (0..2040); 0 or less: none.
    std::array<int, 2041> opacity{};
    int baseRadius = 0;               // B; 0 gives the 3 x 3 stamp, below 0 nothing
    int largestRadius = 1;            // B + max(1, B div 2)
    bool shiftAgainstGradient = true; // dot centre one pixel toward the dark side
    double fringe = 0.5;              // disc: covered when D <= r + fringe, coverage r + fringe - D
    double edgeShare = 0.4;           // 3 x 3 stamp: edge neighbours, corners
    double cornerShare = 0.12;
};

// Stamps every kept pixel of `edges` into `mask` (width x height bytes),
// taking the maximum with what the mask holds, so the order of the dots
// does not matter.
void StampEdges(const EdgeMap& edges, const DotStyle& style, std::vector<uint8_t>& mask);

} // namespace pq
