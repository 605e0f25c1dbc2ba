#pragma once

// What every row of one stamp draw needs, worked out once per draw; shared
// by the plain row loops, the wide bilinear laying and the wide cubic
// drawing.

#include "effects/shared/stamp_cell.h"
#include "effects/shared/stamp_gain.h"
#include "gfx/pixel_math.h"

namespace pq {

struct DrawPlan {
    const StampCell::Level* level = nullptr;
    double cosA = 1.0, sinA = 0.0;
    double halfW = 0.0, halfH = 0.0;
    double scaleX = 1.0, scaleY = 1.0; // level texels per unit of the rectangle
    double centre = 0.0;
    // Where the cell's alpha can be non-zero, in the rectangle's own
    // coordinates (lx, ly); the whole plane when not trimmed.
    bool trimmed = false;
    double inkX0 = -1e18, inkX1 = 1e18, inkY0 = -1e18, inkY1 = 1e18;
    float opacity = 1.0f;
    gfx::px::F4 colour{};
};

// Lays the bilinear stamp's pixels of row v over canvas pixels d[lo..]
// eight at a time, with the same arithmetic as the plain loop, where the
// processor has AVX2. Returns the first column it left to the plain loop
// (lo when it laid none).
int LayLinearRowWide(const DrawPlan& plan, gfx::Pixel* d, int v, int lo, int hi);

// Draws the cubic stamp's pixels of row v at columns lo, lo + step, ...
// up to hi into out (a clear surface row) eight at a time, with the same
// arithmetic as the plain loop, where the processor has AVX2. Returns the
// first column it left to the plain loop (lo when it drew none).
int DrawCubicRowWide(const DrawPlan& plan, gfx::Pixel* out, int v, int lo, int hi, int step);
// Adds the score of the same pixels against source row s and canvas row d
// (indexed by stamp column, read only where a pixel has alpha) to `score`,
// as the plain loop would; returns the first column it left to it.
int ScoreCubicRowWide(const DrawPlan& plan, int v, int lo, int hi, int step, const gfx::Pixel* s, const gfx::Pixel* d,
                      StampScore& score);
// Whether the cubic row loops above work at all (on by default); tests turn
// them off to compare with the plain loop.
void SetWideCubicRows(bool on);

// The same two for bilinear stamps (on the plan's level).
int DrawLinearRowWide(const DrawPlan& plan, gfx::Pixel* out, int v, int lo, int hi, int step);
int ScoreLinearRowWide(const DrawPlan& plan, int v, int lo, int hi, int step, const gfx::Pixel* s, const gfx::Pixel* d,
                       StampScore& score);
void SetWideLinearRows(bool on);

} // namespace pq
