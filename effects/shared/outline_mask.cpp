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

void ComputeOutlineMask(const gfx::Image& Source, int Width, int Height, int Strength, int Thickness,
                        std::vector<uint8_t>& Mask)
{
    Mask.clear();
    if (Width <= 0 || Height <= 0 || !gfx::isSaneSize(Width, Height))
        return;
    Mask.assign(size_t(Width) * size_t(Height), 0);
    if (Width < 3 || Height < 3)
        return;

    EdgeDetectionSettings settings;
    settings.blurSigma = 1.0f;
    settings.strength = Strength;
    settings.windowRadius = std::min(14, std::max(6, std::min(Width, Height) / 120));
    settings.minChainLength = std::max(4, std::min(Width, Height) / 300);
    const EdgeMap edges = DetectEdges(Source, Width, Height, settings);
    if (!edges.hasEdges)
        return;

    const double sf = float(Strength / 100.0 * 0.7 + 0.3);
    const double tf = float(Thickness / 100.0 * 0.4 + 0.6);
    const int H = std::max(1, edges.high);
    DotStyle style;
    for (int N = 0; N <= 2040; ++N) {
        const double base = double(Strength / 5) + double((N * 175) / H) + 20.0;
        style.opacity[size_t(N)] = int(std::min(255.0, double(platform::Round64(base * sf * tf))));
    }
    const int B = std::min(kMaxBaseRadius, platform::Round(0.03 * Thickness));
    style.baseRadius = B;
    style.largestRadius = B + std::max(1, B / 2);
    style.shiftAgainstGradient = true;
    style.fringe = 0.5;
    style.edgeShare = 0.4;
    style.cornerShare = 0.12;
    StampEdges(edges, style, Mask);
}

} // namespace pq
