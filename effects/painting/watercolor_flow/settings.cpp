#include "effects/painting/watercolor_flow/settings.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq::flow {

FlowSettings DeriveFlowSettings(int p1, int p2, int p3, int p4, int p5)
{
    FlowSettings s;
    s.warp = float(1.0 + 0.22 * p1);
    s.densityWobble = float(0.45 + 0.007 * p1);
    s.detail = float(p2 / 100.0);
    // Detail beyond 147 would leave cells of no pixels.
    s.cellSize = int(std::max<int64_t>(1, (100 - int64_t(p2)) / 12 + 4));
    s.warpFrequency = float(1.0 / (3.0 * s.cellSize));
    s.densityFrequency = float(1.0 / (9.0 * s.cellSize));
    s.dilution = float(1.35 - 0.85 * p3 / 100.0);
    s.colourFactor = float(0.6 + p4 / 100.0);
    s.lineStrength = float(p5 / 100.0);
    s.smoothingRadius = std::clamp(platform::Round(24.0 / s.cellSize), 2, 8);
    return s;
}

int64_t CleanupSize(const FlowSettings& s, int64_t area)
{
    const double c = s.cellSize;
    const double k = std::nearbyint(c * c * (8.0 - 6.0 * double(s.detail)));
    if (!(k > 1.0))
        return std::min<int64_t>(1, area);
    return k >= double(area) ? area : int64_t(k);
}

} // namespace pq::flow
