#pragma once

// One pass of the impasto brushstrokes: its values, its bands, and the
// painting of one band.

#include "effects/painting/impasto_brushstrokes/impasto_brushstrokes.h"
#include "effects/shared/brush_stamps.h"
#include "gfx/image.h"
#include "gfx/surface.h"

#include <cstdint>
#include <vector>

namespace pq::impasto {

// Values of pass k of a run.
struct PassValues {
    int pass = 0;
    int brushSize = 0;     // at full size
    int workBrushSize = 0; // in the working picture
    bool stochastic = false;
    int scanLimit = 0; // half side of the stamp window in the working picture
    bool skipCheck = false;
    int64_t threshold = 0;
    int checkStep = 1;
    int refineCount = 1;
    int sideSteps = 0;
    int gridStep = 1;
    int densityLayers = 1;
};
PassValues PassValuesFor(const ImpastoSettings& s, int pass, bool doClear);

// Rows [top, bottom) of the working picture.
struct Band {
    int top = 0;
    int bottom = 0;
};

// The bands of a pass: as many as fit, up to 32, each at least twice the
// reach of a stamp (in working rows, also through the full-size drawing)
// high, so that two bands apart never touch the same pixel. Depends only on
// the settings and the pass.
std::vector<Band> BandsFor(const ImpastoSettings& s, const PassValues& pv);

// The generator seed of one band of one pass.
uint32_t BandSeed(uint32_t runSeed, int pass, int band);

// Everything the bands of a run share. The working canvas and Dest are
// written by several bands at once, each within its own reach.
struct SharedRun {
    ImpastoSettings settings;
    bool doClear = true;
    gfx::Image workSource;
    gfx::Surface* workCanvas = nullptr;
    gfx::Surface* dest = nullptr;
    GradientMap gradients;
    std::vector<StampCell> cells;
    std::vector<float> angles;
};

// Paints one band of a pass on the given stamp surface (ScratchSize square),
// drawing from a generator of its own seeded with `seed`. Stops early when
// the run is cancelled.
void PaintBand(const SharedRun& run, const PassValues& pv, const Band& band, uint32_t seed, StampSurface& surface);

} // namespace pq::impasto
