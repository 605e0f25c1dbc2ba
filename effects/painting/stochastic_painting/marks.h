#pragma once

// The marks stochastic painting throws: the darkness of the atlas's 250-pixel
// cells with their orientation and strong box, and their simulation weights
// for an opacity. Kept for the process, as brush sheets are: a later run on
// the same atlas (the same image, not merely equal pixels) shares them.

#include "effects/painting/stochastic_painting/samples.h"
#include "effects/shared/stamp_cell.h"
#include "gfx/image.h"

#include <QRect>

#include <memory>
#include <vector>

namespace pq {

struct StochasticMark {
    StampCell cell;
    float angle = 0.0f;
    QRect strong; // bounds of the alpha above 10, which the simulation counts
};

struct StochasticMarks {
    std::vector<StochasticMark> marks;
    std::vector<MarkWeights> weights; // of each mark, for the opacity asked
};

// The atlas's marks, five 250-pixel cells to a row; none without an atlas.
std::shared_ptr<const StochasticMarks> CutStochasticMarks(const gfx::Image& atlas, int opacity);

} // namespace pq
