#include "effects/photolab/apply_lut.h"

#include "effects/photolab/finishing_chain.h"
#include "effects/photolab/row_copy.h"
#include "engine/lut/cube_lut.h"
#include "engine/runtime/effect_api.h"
#include "engine/runtime/engine_host.h"
#include "engine/lut/lut_cache.h"
#include "engine/lut/lut_mapper.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <new>

namespace pq {
namespace {

// The host's choice, copied on the UI thread.
LUTChoice ReadLUTSelection()
{
    LUTChoice choice;
    SyncWithUi([&] {
        if (const EngineHost* host = engineHost())
            choice = host->lutChoice();
    });
    return choice;
}

void copySource(const gfx::Image& Source, gfx::Surface& Dest)
{
    Dest.clear(Qt::transparent);
    Dest.writeImage(Source);
}

// The table of the choice: from the cache, else parsed (and then cached).
// Null when the choice yields no table. A file that exists but cannot be
// read raises std::runtime_error.
std::shared_ptr<const CubeLUT> tableFor(const LUTChoice& choice)
{
    const bool fromData = !choice.lutData.isEmpty();
    const LUTCacheKey key =
        fromData ? LUTCacheKey::forData(choice.lutData) : LUTCacheKey::forFile(choice.lutFilePath);
    if (auto cached = FindCachedLUT(key))
        return cached;
    auto parsed = std::make_shared<CubeLUT>(fromData ? ParseCubeLUTFromBytes(choice.lutData)
                                                     : ParseCubeLUTFromFile(choice.lutFilePath));
    if (!parsed->valid())
        return nullptr;
    StoreCachedLUT(key, parsed);
    return parsed;
}

} // namespace

void ApplyLUT(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (Source.isNull() || Dest.isNull())
        return;
    const LUTChoice choice = ReadLUTSelection();
    if (choice.lutData.isEmpty() && (choice.lutFilePath.isEmpty() || !QFileInfo(choice.lutFilePath).isFile())) {
        copySource(Source, Dest);
        return;
    }
    if (!Preview)
        SafeUpdateProgress(5);

    const std::shared_ptr<const CubeLUT> table = tableFor(choice);
    if (!table) {
        copySource(Source, Dest);
        return;
    }
    if (!Preview)
        SafeUpdateProgress(10);

    const LUTMapper mapper(*table, float(std::clamp(P1 / 100.0, 0.0, 1.0)));
    const bool allAt50 = P2 == 50 && P3 == 50 && P4 == 50 && P5 == 50;
    const bool allAt0 = P2 == 0 && P3 == 0 && P4 == 0 && P5 == 0;
    const bool finishing = !allAt50 && !allAt0;
    // Dest arrives transparent and of the source's size; with the finishing
    // chain to follow, the rows go to a work image instead.
    QImage work = finishing ? gfx::newPixelImage(Source.size()) : QImage();
    if (finishing && work.isNull())
        throw std::bad_alloc();
    const int w = finishing ? Source.width() : std::min(Source.width(), Dest.width());
    const int h = finishing ? Source.height() : std::min(Source.height(), Dest.height());
    uchar* const outBase = finishing ? work.bits() : Dest.bits();
    const qsizetype outStride = finishing ? work.bytesPerLine() : Dest.stride();
    platform::parallelForRange(0, h, 8, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            // Rows that start after the run was cancelled are left undone.
            if (IsEffectCancelled())
                return;
            mapper.mapRow(Source.row(y), reinterpret_cast<gfx::Pixel*>(outBase + outStride * y), w);
        }
    });
    // A picture with missing rows is never shown.
    CheckCancellation();

    if (finishing) {
        const float Ob = float((double(P2) - 50.0) / 200.0);
        const float Fc = float(P3 / 50.0);
        const float Fs = float(P5 / 50.0);
        const float sigma = P4 < 50 ? float((50.0 - P4) / 5.0) : 0.0f;
        const float K = P4 > 50 ? float((double(P4) - 50.0) / 30.0) : 0.0f;
        const gfx::Image finished = ApplyFinishingChain(gfx::Image::adopt(std::move(work)),
                                                        AdjustmentColorMatrix(Ob, Fc, Fs), sigma, K,
                                                        gfx::EdgeMode::Decal);
        if (finished.isNull())
            throw std::bad_alloc();
        if (finished.size() != Dest.size())
            Dest.clear(Qt::transparent);
        WriteRows(Dest, finished);
    }

    gLastProgressTick = 0;
    if (Preview) {
        SafeUpdatePreview(Dest, 101);
        return;
    }
    SafeUpdateProgress(100);
    const gfx::Image Snap = SnapshotRows(Dest);
    if (Snap.isNull())
        throw std::bad_alloc();
    EffectRunContext* run = currentRun();
    SyncWithUi([&] {
        if (!run || !run->isCancelled())
            ShowIntermediateImage(Snap, -1);
    });
    gLastProgressTick = 0;
    SafeUpdateProgress(101);
}

} // namespace pq
