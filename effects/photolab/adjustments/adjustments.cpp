// Adjustments runs its finishing chain here; the local contrast of
// its "structure" slider is structure_pass.

#include "effects/photolab/adjustments/adjustments.h"

#include "effects/photolab/adjustments/structure_pass.h"
#include "effects/photolab/finishing_chain.h"
#include "effects/photolab/row_copy.h"
#include "engine/runtime/effect_api.h"

#include <new>

namespace pq {

void Adjustments(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                       bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    const float ob = float((double(p1) - 50.0) / 200.0);
    const float fc = float(p2 / 50.0);
    const float fs = float(p3 / 50.0);
    const float sigma = p5 < 50 ? float((50.0 - p5) / 5.0) : 0.0f;
    const float k = p5 > 50 ? float((double(p5) - 50.0) / 30.0) : 0.0f;
    const auto report = [preview](int value) {
        if (!preview)
            SafeUpdateProgress(value);
    };

    gfx::Image picture = source;
    if (p4 >= 1) {
        const gfx::Image structured = StructurePass(source, StructureSettings::fromSlider(p4), report);
        if (!structured.isNull())
            picture = structured;
    }
    report(92);

    const gfx::Image result =
        ApplyFinishingChain(picture, AdjustmentColorMatrix(ob, fc, fs), sigma, k, gfx::EdgeMode::Clamp);
    if (result.isNull())
        throw std::bad_alloc();
    if (result.size() != dest.size())
        dest.clear(Qt::transparent);
    WriteRows(dest, result);

    ReportFinished(dest, preview);
}

} // namespace pq
