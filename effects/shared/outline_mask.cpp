#include "effects/shared/outline_mask.h"

#include "effects/shared/outline_edges.h"
#include "platform/numeric.h"

#include <algorithm>

namespace pq {

namespace {

// Thicker dots than this would only slow a run down: a script may pass any
// thickness, and radius 8 already merges neighbouring dots.
constexpr int kMaxBaseRadius = 8;

} // namespace

void ComputeOutlineMask(const gfx::Image& source, int width, int height, int strength, int thickness,
                        std::vector<uint8_t>& mask)
{
    mask.clear();
    if (width <= 0 || height <= 0 || !gfx::IsSaneSize(width, height))
        return;
    mask.assign(size_t(width) * size_t(height), 0);
    if (width < 3 || height < 3)
        return;

    EdgeDetectionSettings settings;
    settings.blurSigma = 1.0f;
    settings.strength = strength;
    settings.windowRadius = std::min(14, std::max(6, std::min(width, height) / 120));
    settings.minChainLength = std::max(4, std::min(width, height) / 300);
    const EdgeMap edges = DetectEdges(source, width, height, settings);
    if (!edges.hasEdges)
        return;

    const double sf = float(strength / 100.0 * 0.7 + 0.3);
    const double tf = float(thickness / 100.0 * 0.4 + 0.6);
    const int h = std::max(1, edges.high);
    DotStyle style;
    for (int n = 0; n <= 2040; ++n) {
        const double base = double(strength / 5) + double((n * 175) / h) + 20.0;
        style.opacity[size_t(n)] = int(std::min(255.0, double(platform::Round64(base * sf * tf))));
    }
    const int b = std::min(kMaxBaseRadius, platform::Round(0.03 * thickness));
    style.baseRadius = b;
    style.largestRadius = b + std::max(1, b / 2);
    style.shiftAgainstGradient = true;
    style.fringe = 0.5;
    style.edgeShare = 0.4;
    style.cornerShare = 0.12;
    StampEdges(edges, style, mask);
}

} // namespace pq
