#pragma once

// Many patches laid onto one band of canvas rows in order, leaving out the
// pixels a later opaque patch of the band covers whole: such a pixel ends
// as that patch's paint whatever lay under it.

#include "effects/painting/watercolor/polygon_coverage.h"
#include "gfx/image.h"

#include <functional>
#include <span>
#include <utility>
#include <vector>

namespace pq {

struct BandPatch {
    const PolygonCoverage* shape = nullptr;
    gfx::Pixel paint = 0;
};

// Working memory of one thread, reused from band to band.
class BandLayers {
public:
    using Intervals = std::vector<std::pair<int, int>>; // sorted, apart, [first, end)

    // Lays rows [y0, y1) of every patch onto the canvas (row y at
    // bits + y * stride): erase mode as FillCoveredRow does, paint-over
    // mode as CommitCoveredRow does, patch after patch.
    // Between patches it calls `between` when given (other work that
    // should not wait for the whole band).
    void lay(std::span<const BandPatch> patches, int y0, int y1, bool erase, gfx::Pixel* bits, qsizetype stride,
             const std::function<void()>* between = nullptr);

private:
    // A visible stretch [x0, x1) of canvas row: value as in CoverageRun,
    // cov the index in bytes_ of x0's coverage when value < 0.
    struct Piece {
        int x0, x1, value;
        size_t cov;
    };
    struct LaidRow {
        int y;
        size_t first, end; // pieces
    };
    void note(const BandPatch& p, int y0, int y1, bool opaque);
    static bool covers(const Intervals& hidden, int x0, int x1);
    static void hide(Intervals& hidden, int x0, int x1);

    CoverageScratch scratch_;
    std::vector<Intervals> hidden_; // per row of the band
    std::vector<Piece> pieces_;
    std::vector<uint8_t> bytes_;
    std::vector<LaidRow> rows_;
    std::vector<size_t> patchRows_; // per patch, latest first: its first row in rows_
};

} // namespace pq
