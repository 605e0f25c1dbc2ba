#include "effects/photolab/adjustments.h"

#include "effects/photolab/finishing_chain.h"
#include "effects/photolab/row_copy.h"
#include "effects/photolab/structure_pass.h"
#include "engine/runtime/effect_api.h"

#include <new>

namespace pq {

void Adjustments(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5,
                       bool Preview)
{
    if (Source.isNull() || Dest.isNull())
        return;
    const float Ob = float((double(P1) - 50.0) / 200.0);
    const float Fc = float(P2 / 50.0);
    const float Fs = float(P3 / 50.0);
    const float sigma = P5 < 50 ? float((50.0 - P5) / 5.0) : 0.0f;
    const float K = P5 > 50 ? float((double(P5) - 50.0) / 30.0) : 0.0f;
    const auto report = [Preview](int value) {
        if (!Preview)
            SafeUpdateProgress(value);
    };

    gfx::Image picture = Source;
    if (P4 >= 1) {
        const gfx::Image structured = StructurePass(Source, StructureSettings::fromSlider(P4), report);
        if (!structured.isNull())
            picture = structured;
    }
    report(92);

    const gfx::Image result =
        ApplyFinishingChain(picture, AdjustmentColorMatrix(Ob, Fc, Fs), sigma, K, gfx::EdgeMode::Clamp);
    if (result.isNull())
        throw std::bad_alloc();
    if (result.size() != Dest.size())
        Dest.clear(Qt::transparent);
    WriteRows(Dest, result);

    ReportFinished(Dest, Preview);
}

} // namespace pq
