#pragma once

// The impasto relief and the commit of stamp rows eight pixels at a time,
// with the plain loops' integer arithmetic, where the processor has AVX2.
// Each returns the first column it left to the plain loop (left when it
// worked none).

#include "gfx/image.h"

namespace pq {

// The relief of row pixels left..right (alpha above 5, Manhattan distance
// from the centre (c, c) below radius), reading the alpha of the rows
// above and below and of the row's own neighbours; dv = |v - c|.
int ReliefRowWide(gfx::Pixel* row, const gfx::Pixel* above, const gfx::Pixel* below, int left, int right, int c,
                  int dv, int radius, int strength);

// Stamp pixels t[left..right] with alpha above 0 over canvas pixels d[...].
int CommitRowWide(const gfx::Pixel* t, gfx::Pixel* d, int left, int right);

// Whether the loops above work at all (on by default); tests turn them off
// to compare with the plain loops.
void SetWideReliefRows(bool on);

} // namespace pq
