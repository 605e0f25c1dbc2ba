// Impasto brushstrokes runs its passes here; one pass's bands and the
// painting of a band are impasto_band. A place's tries are scored together
// when its band runs alone.

#include "effects/painting/impasto_brushstrokes/impasto_brushstrokes.h"

#include "effects/painting/impasto_brushstrokes/impasto_band.h"
#include "effects/shared/stamp_cell_cache.h"
#include "engine/runtime/effect_api.h"
#include "gfx/resample.h"
#include "platform/numeric.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace pq {
namespace {

// A brush count far beyond any sheet only adds transparent cells.
constexpr int kMaxCells = 65536;

// Stamp surfaces of one run, lent to the bands that run at the same time.
class SurfacePool {
public:
    explicit SurfacePool(int side) : side_(side) {}

    std::unique_ptr<StampSurface> take()
    {
        {
            std::lock_guard lock(mutex_);
            if (!free_.empty()) {
                std::unique_ptr<StampSurface> s = std::move(free_.back());
                free_.pop_back();
                return s;
            }
        }
        return std::make_unique<StampSurface>(side_);
    }

    void give(std::unique_ptr<StampSurface> s)
    {
        s->clear();
        std::lock_guard lock(mutex_);
        free_.push_back(std::move(s));
    }

private:
    const int side_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<StampSurface>> free_;
};

int RoundClamped(double v, int lo, int hi)
{
    return std::clamp(platform::Round(std::clamp(v, double(lo) - 1.0, double(hi) + 1.0)), lo, hi);
}

// The even bands of a pass, then the odd ones: bands at work together are
// never within each other's reach, so the picture does not depend on how
// many run at once or in which order.
void PaintPass(const impasto::SharedRun& run, const impasto::PassValues& pv, uint32_t runSeed, SurfacePool& pool)
{
    const std::vector<impasto::Band> bands = impasto::BandsFor(run.settings, pv);
    for (int parity = 0; parity < 2; ++parity) {
        std::vector<int> chosen;
        for (int i = parity; i < int(bands.size()); i += 2)
            chosen.push_back(i);
        platform::ParallelForRange(0, int(chosen.size()), 1, [&](int from, int to) {
            for (int j = from; j < to; ++j) {
                const int band = chosen[size_t(j)];
                std::unique_ptr<StampSurface> surface = pool.take();
                impasto::PaintBand(run, pv, bands[size_t(band)], impasto::BandSeed(runSeed, pv.pass, band), *surface);
                pool.give(std::move(surface));
            }
        });
    }
}

void ShowFinal(const gfx::Surface& dest, bool preview)
{
    if (preview)
        ReportFinished(dest, true);
    else
        ShowIntermediateImage(dest.snapshot(), 101, Delivery::Queued);
}

} // namespace

ImpastoSettings ImpastoSettingsFor(int width, int height, int p1, int p2, int p3, int p4, int p5)
{
    ImpastoSettings s;
    s.minSize = RoundClamped(p1 * 5.12, 3, 1024);
    s.maxSize = RoundClamped(p2 * 5.12, s.minSize, 2048);
    s.opacity = std::max(float(std::clamp(p5, 0, 100)) / 100.0f, 0.05f);
    s.iterations = std::clamp(p3, 0, 100);
    s.quality = std::clamp(p4, 0, 100);
    s.refineBase = s.quality / 10 + 2;
    s.scaleFactor = int64_t(width) * height > 1920000 && s.quality < 98 ? 2 : 1;
    s.workWidth = std::max(width / s.scaleFactor, 1);
    s.workHeight = std::max(height / s.scaleFactor, 1);
    s.passes = std::clamp(platform::Round(s.quality / 25.0) * 4 + 8, 6, 18);
    s.skipLimit = platform::Round((100 - s.quality) * 0.45) + 20;
    // Room for a full-size stamp at any angle, whatever the picture's size.
    s.scratchSize = std::max(platform::Round(std::min(s.maxSize, std::min(s.workWidth, s.workHeight) / 2) * 1.5) + 256,
                             platform::Ceil(std::sqrt(2.0) * s.maxSize) + 4);
    return s;
}

void ImpastoBrushstrokes(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                         bool preview)
{
    if (source.isNull() || dest.isNull() || dest.size() != source.size())
        return;
    const bool doClear = PrepareStampCanvas(source, dest, preview);
    const int w = source.width(), h = source.height();
    if (w < 50 || h < 50)
        return;

    // From here on every failure ends the effect quietly with the canvas as
    // far as it got and no final picture: a cancel (the engine still sees
    // it), or a shortage of memory, noted for the run so that the engine
    // reports it rather than hand on the half-painted canvas as a result.
    // Other failures pass to the caller, which reports them.
    try {
        impasto::SharedRun run;
        run.settings = ImpastoSettingsFor(w, h, p1, p2, p3, p4, p5);
        run.doClear = doClear;
        const ImpastoSettings& s = run.settings;
        run.workSource = s.scaleFactor == 1 ? source : gfx::ResizeMipmapped(source, s.workWidth, s.workHeight);
        gfx::Surface workCanvas = gfx::Surface::make(s.workWidth, s.workHeight);
        if (run.workSource.isNull() || workCanvas.isNull())
            throw std::bad_alloc();
        // Cleared, even where Dest starts white: decisions compare with the
        // paint alone. Painting over starts from the old result.
        if (!doClear)
            workCanvas.writeImage(s.scaleFactor == 1 ? dest.snapshot()
                                                     : gfx::ResizeMipmapped(dest.snapshot(), s.workWidth, s.workHeight));
        run.workCanvas = &workCanvas;
        run.dest = &dest;
        run.gradients = BuildGradientMap(run.workSource);

        const EffectRunContext* context = CurrentRun();
        const int count = context ? std::clamp(context->brushCount, 0, kMaxCells) : 0;
        const std::shared_ptr<const SheetCells> sheet =
            CountedSheetCells(context ? context->brushSheet : gfx::Image(), count, OrientationRule{1, 1.0});
        if (sheet->cells.empty()) {
            ShowFinal(dest, preview);
            return;
        }
        run.cells = sheet->cells;
        run.angles = sheet->angles;

        const uint32_t runSeed = RunRandom().next();
        SurfacePool pool(s.scratchSize);
        for (int k = 0; k <= s.passes; ++k) {
            CheckCancellation();
            PaintPass(run, impasto::PassValuesFor(s, k, doClear), runSeed, pool);
            CheckCancellation();
            if (preview) {
                SafeUpdatePreview(dest, platform::Round(k * 100.0 / std::max(s.passes, 1) + 1.0));
            } else {
                ShowIntermediateImage(dest.snapshot(), platform::Round(k * 100.0 / std::max(s.passes, 1)),
                                      Delivery::Queued);
            }
        }
        if (!preview)
            ShowFinal(dest, false);
    } catch (const EAbort&) {
    } catch (const std::bad_alloc&) {
        platform::NoteOutOfMemory();
    }
}

} // namespace pq
