#pragma once

#include "gfx/image.h"

#include <QRect>

#include <vector>

namespace pq {

// Brush sheets: cells of 256 x 256 pixels, 8 per row, 2048 pixels wide, on
// a transparent ground. Cell i lies at column i mod 8 and row i div 8.
constexpr int kBrushCellSize = 256;
constexpr int kBrushesPerRow = 8;
constexpr int kBrushSheetWidth = kBrushCellSize * kBrushesPerRow;

QRect BrushCellRect(int index);

// One brush drawn into a transparent 256 x 256 cell as a sheet holds it:
// scaled uniformly by min(256 / w, 256 / h) (small brushes are enlarged),
// centred with fractional offsets, full opacity, nearest sampling.
gfx::Image BrushCell(const gfx::Image& brush);

// A sheet of 256 x ceil(n / 8) rows holding the cells in order; each cell
// must be 256 x 256 (as brushCell makes them). Null for no cells.
gfx::Image AssembleBrushSheet(const std::vector<gfx::Image>& cells);

} // namespace pq
