#pragma once

// The colour grid and the pigment palette of Watercolor Flow: cell means,
// 64 hue and value bins, merge passes between neighbouring cells, cell
// colours pulled towards their pigments, smoothed, and the cells' edge
// strength.

#include "effects/painting/watercolor_flow/planes.h"
#include "effects/painting/watercolor_flow/settings.h"

namespace pq::flow {

// The paper colour every wash is glazed onto, 0..1.
constexpr float kPaperR = 253.0f / 255.0f;
constexpr float kPaperG = 251.0f / 255.0f;
constexpr float kPaperB = 246.0f / 255.0f;

// Sizes the grid and sums every solid pixel's filtered colour into its
// cell, in pixel order. A cancellation point.
FlowGrid CellMeans(const FlowPlanes& planes, int cellSize);

// Bins every cell by hue, saturation and value; fills the palette with the
// bins' mean colours, saturated by the colour factor, with their density
// and chroma.
Palette BinCells(FlowGrid& grid, float colourFactor);

// Three passes in which a cell takes the bin most of its eight neighbours
// hold (five or more) when the two pigments lie close enough. A
// cancellation point after each pass.
void MergeBins(FlowGrid& grid, const Palette& palette, float detail);

// Pulls each cell's colour towards its pigment, smooths the colours over
// the grid and measures each cell's edge strength.
void FinishGrid(FlowGrid& grid, const Palette& palette, int smoothingRadius);

} // namespace pq::flow
