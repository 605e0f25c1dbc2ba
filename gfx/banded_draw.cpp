#include "gfx/banded_draw.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace gfx {

RowSpan RowSpanOf(double yMin, double yMax, double margin)
{
    constexpr double kFar = 1.0e9; // beyond any surface; keeps the casts defined
    const double lo = std::clamp(std::floor(yMin - margin), -kFar, kFar);
    const double hi = std::clamp(std::ceil(yMax + margin), -kFar, kFar);
    if (!(lo <= hi)) // NaN bounds: nothing to draw
        return {};
    return {static_cast<int>(lo), static_cast<int>(hi)};
}

void DrawInBands(Surface& surface, std::span<const RowSpan> rows, const std::function<void(BandCanvas&, int)>& draw,
                 int bandHeight)
{
    if (surface.isNull() || rows.empty())
        return;
    const int width = surface.width();
    const int height = surface.height();
    if (bandHeight <= 0)
        bandHeight = 16;
    const int bands = (height + bandHeight - 1) / bandHeight;

    // Shape indices per band, in list order (counted, then filled).
    std::vector<int64_t> start(size_t(bands) + 1, 0);
    auto bandRange = [&](const RowSpan& r, int& b0, int& b1) {
        const int top = std::max(r.top, 0);
        const int bottom = std::min(r.bottom, height - 1);
        if (top > bottom)
            return false;
        b0 = top / bandHeight;
        b1 = bottom / bandHeight;
        return true;
    };
    for (const RowSpan& r : rows) {
        int b0 = 0, b1 = 0;
        if (bandRange(r, b0, b1))
            for (int b = b0; b <= b1; ++b)
                ++start[size_t(b) + 1];
    }
    for (int b = 0; b < bands; ++b)
        start[size_t(b) + 1] += start[size_t(b)];
    std::vector<int> members(static_cast<size_t>(start.back()));
    std::vector<int64_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        int b0 = 0, b1 = 0;
        if (bandRange(rows[i], b0, b1))
            for (int b = b0; b <= b1; ++b)
                members[size_t(fill[size_t(b)]++)] = static_cast<int>(i);
    }

    uchar* const bits = surface.bits();
    const qsizetype stride = surface.stride();
    platform::ParallelForRange(0, bands, 1, [&](int lo, int hi) {
        for (int b = lo; b < hi; ++b) {
            BandCanvas canvas(bits, stride, width, height, b * bandHeight, std::min(height, (b + 1) * bandHeight));
            for (int64_t k = start[size_t(b)]; k < start[size_t(b) + 1]; ++k)
                draw(canvas, members[size_t(k)]);
        }
    });
}

} // namespace gfx
