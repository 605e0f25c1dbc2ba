#pragma once

// Cells cut from a brush sheet, with their orientations, kept for the
// process: a later run on the same sheet (the same image, not merely equal
// pixels) shares them instead of cutting and measuring the sheet again.

#include "effects/shared/stamp_cell.h"
#include "gfx/image.h"

#include <memory>
#include <optional>
#include <vector>

namespace pq {

// The thresholds of BrushOrientationAngle.
struct OrientationRule {
    int minAlpha = 1;
    double minWeight = 1.0;
};

struct SheetCells {
    std::vector<StampCell> cells;
    // BrushOrientationAngle of each cell under the rule (0 for a blank
    // cell, as the angle gives); empty when no rule was asked for.
    std::vector<float> angles;
};

// CutTestedCells of the sheet.
std::shared_ptr<const SheetCells> TestedSheetCells(const gfx::Image& sheet, std::optional<OrientationRule> rule);
// CutCountedCells of the sheet.
std::shared_ptr<const SheetCells> CountedSheetCells(const gfx::Image& sheet, int count,
                                                    std::optional<OrientationRule> rule);

} // namespace pq
