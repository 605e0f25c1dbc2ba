#pragma once

#include "gfx/image.h"

#include <functional>

namespace pq {

// Local contrast of Adjustments' "structure" slider (P4 >= 1): radius
// P4 div 10 + 5, amount min(P4 / 100, 1), detail gain P4 / 50 + 1.
struct StructureSettings {
    int radius = 5;
    float amount = 0.0f;
    float gain = 1.0f;

    static StructureSettings fromSlider(int p4);
};

// Overlays each pixel's luminance detail (its difference from the box mean
// of the (2 radius + 1)^2 window, edges repeated) on its luminance and
// scales its colour by the new luminance over the old, colour limited to
// alpha. report(value) receives the progress values 5, 15, 30, 40, 40..90
// and 90. Null when memory runs out.
gfx::Image StructurePass(const gfx::Image& source, const StructureSettings& settings,
                         const std::function<void(int)>& report);

} // namespace pq
