#pragma once

// The deterministic noise and colour conversions of Watercolor Flow. All in
// single precision, so one input gives the same bytes on every build.

#include <cstdint>

namespace pq::flow {

// A hash of a lattice point in 0..1: the same (x, y, seed) always gives
// the same value.
float Hash2D(int x, int y, int seed);

// Smooth noise in 0..1: the lattice hashes around (x, y) blended with a
// smoothstep.
float ValueNoise(float x, float y, int seed);

// Two octaves of value noise, the second at 2.13 times the frequency and
// half the weight.
float FractalNoise(float x, float y, int seed);

// Hue in degrees 0..360, saturation and value in 0..1.
void RgbToHsv(float r, float g, float b, float& h, float& s, float& v);
void HsvToRgb(float h, float s, float v, float& r, float& g, float& b);

} // namespace pq::flow
