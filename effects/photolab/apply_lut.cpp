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
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

namespace pq {
namespace {

// The host's choice, copied on the UI thread.
LUTChoice ReadLUTSelection()
{
    LUTChoice choice;
    SyncWithUi([&] {
        if (const EngineHost* host = InstalledEngineHost())
            choice = host->lutChoice();
    });
    return choice;
}

void CopySource(const gfx::Image& source, gfx::Surface& dest)
{
    dest.clear(Qt::transparent);
    dest.writeImage(source);
}

// The table of the choice: from the cache, else parsed (and then cached).
// Null when the choice yields no table. A file that exists but cannot be
// read (a folder, a device, a pipe among them) and a LUT_3D_SIZE no table
// can be made for raise std::runtime_error, which ends the run.
std::shared_ptr<const CubeLUT> TableFor(const LUTChoice& choice)
{
    const bool fromData = !choice.data.isEmpty();
    const LUTCacheKey key =
        fromData ? LUTCacheKey::forData(choice.data) : LUTCacheKey::forFile(choice.filePath);
    if (auto cached = FindCachedLUT(key))
        return cached;
    QString error;
    auto parsed = std::make_shared<CubeLUT>(fromData ? ParseCubeLUTFromBytes(choice.data, &error)
                                                     : ParseCubeLUTFromFile(choice.filePath, &error));
    if (parsed->sizeOutOfRange) {
        const QString what = fromData ? (choice.name.isEmpty() ? QStringLiteral("the LUT") : choice.name)
                                      : choice.filePath;
        throw std::runtime_error(QStringLiteral("%1 holds no usable table: %2").arg(what, error).toStdString());
    }
    if (!parsed->valid())
        return nullptr;
    StoreCachedLUT(key, parsed);
    return parsed;
}

} // namespace

void ApplyLUT(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    const LUTChoice choice = ReadLUTSelection();
    // Only a file that is not there counts as no choice; anything else by
    // that name is read, and refused when it is no regular file.
    if (choice.data.isEmpty() && (choice.filePath.isEmpty() || !QFileInfo::exists(choice.filePath))) {
        CopySource(source, dest);
        return;
    }
    if (!preview)
        SafeUpdateProgress(5);

    const std::shared_ptr<const CubeLUT> table = TableFor(choice);
    if (!table) {
        CopySource(source, dest);
        return;
    }
    if (!preview)
        SafeUpdateProgress(10);

    const LUTMapper mapper(*table, float(std::clamp(p1 / 100.0, 0.0, 1.0)));
    const bool allAt50 = p2 == 50 && p3 == 50 && p4 == 50 && p5 == 50;
    const bool allAt0 = p2 == 0 && p3 == 0 && p4 == 0 && p5 == 0;
    const bool finishing = !allAt50 && !allAt0;
    // Dest arrives transparent and of the source's size; with the finishing
    // chain to follow, the rows go to a work image instead.
    QImage work = finishing ? gfx::NewPixelImage(source.size()) : QImage();
    if (finishing && work.isNull())
        throw std::bad_alloc();
    const int w = finishing ? source.width() : std::min(source.width(), dest.width());
    const int h = finishing ? source.height() : std::min(source.height(), dest.height());
    uchar* const outBase = finishing ? work.bits() : dest.bits();
    const qsizetype outStride = finishing ? work.bytesPerLine() : dest.stride();
    // A full run shows the finished picture: without the finishing chain,
    // each row is copied into that picture while it is still in the cache.
    QImage shown = !finishing && !preview && source.size() == dest.size() ? gfx::NewPixelImage(dest.size()) : QImage();
    uchar* const shownBase = shown.isNull() ? nullptr : shown.bits();
    const qsizetype shownStride = shown.bytesPerLine();
    platform::ParallelForRange(0, h, 8, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            // Rows that start after the run was cancelled are left undone.
            if (IsEffectCancelled())
                return;
            auto* const row = reinterpret_cast<gfx::Pixel*>(outBase + outStride * y);
            mapper.mapRow(source.row(y), row, w);
            if (shownBase)
                std::memcpy(shownBase + shownStride * y, row, size_t(w) * sizeof(gfx::Pixel));
        }
    });
    // A picture with missing rows is never shown.
    CheckCancellation();

    gfx::Image finished;
    if (finishing) {
        const float ob = float((double(p2) - 50.0) / 200.0);
        const float fc = float(p3 / 50.0);
        const float fs = float(p5 / 50.0);
        const float sigma = p4 < 50 ? float((50.0 - p4) / 5.0) : 0.0f;
        const float k = p4 > 50 ? float((double(p4) - 50.0) / 30.0) : 0.0f;
        finished = ApplyFinishingChain(gfx::Image::adopt(std::move(work)),
                                                        AdjustmentColorMatrix(ob, fc, fs), sigma, k,
                                                        gfx::EdgeMode::Decal);
        if (finished.isNull())
            throw std::bad_alloc();
        if (finished.size() != dest.size())
            dest.clear(Qt::transparent);
        WriteRows(dest, finished);
    }

    gLastProgressTick = 0;
    if (preview) {
        SafeUpdatePreview(dest, 101);
        return;
    }
    SafeUpdateProgress(100);
    // Dest now holds the rows of `shown`, or of `finished` when their sizes
    // match; otherwise its own copy is shown.
    const gfx::Image snap = shownBase                                 ? gfx::Image::adopt(std::move(shown))
                            : finishing && finished.size() == dest.size() ? finished
                                                                        : SnapshotRows(dest);
    if (snap.isNull())
        throw std::bad_alloc();
    ShowIntermediateImage(snap, -1, Delivery::Synchronous);
    gLastProgressTick = 0;
    SafeUpdateProgress(101);
}

} // namespace pq
