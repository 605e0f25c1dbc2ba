#pragma once

#include <cstdint>

namespace pq::smooth {

// One pass of the edge-keeping smoothing over planes of width x height
// bytes (row stride = width). Read-only during the pass but for `output`.
struct PassPlanes {
    int width = 0;
    int height = 0;
    int radius = 0;
    int kernelWidth = 0;          // 2 radius + 1
    const float* spatial = nullptr; // kernelWidth^2 weights, row by row
    const float* range = nullptr;   // 256 weights by largest channel difference; null: all 1
    int threshold2 = 0;             // largest squared guide distance that counts
    const uint8_t* guide[3] = {};   // R, G, B
    const uint8_t* input[3] = {};   // R, G, B; may be the guide planes
    const uint8_t* alpha = nullptr;
    uint8_t* output[3] = {};
};

// Smooths rows [y0, y1) of the pass into its output planes. Per pixel, the
// window is summed in single precision row by row, left to right, so that
// every pixel gets the same value whichever path computed it.
void SmoothRows(const PassPlanes& p, int y0, int y1);

// The same eight pixels at a time (AVX2 or the baseline, as the processor
// has), and sixteen at a time, only where HasSixteenLanes (AVX-512).
// SmoothRows takes the latter when it can.
void SmoothRowsEight(const PassPlanes& p, int y0, int y1);
void SmoothRowsSixteen(const PassPlanes& p, int y0, int y1);
bool HasSixteenLanes();

} // namespace pq::smooth
