#pragma once

// The washes of Watercolor 2: regions of similar colour grown ring by ring
// from random seed pixels and filled with their mean colour over the
// watercolour paper.

#include "effects/painting/watercolor_2/open_lines.h"
#include "effects/shared/scratch_plane.h"
#include "engine/repository/watercolor_paper.h"
#include "gfx/image.h"
#include "gfx/surface.h"
#include "platform/random.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pq {

// The paper's brightness shift at (a, b), about -75..75: positive where the
// paper is darker than its mean. The table repeats every 1023 columns and
// 767 rows. 0 without a paper.
class WashPaper {
public:
    explicit WashPaper(std::shared_ptr<const WatercolorTextureSamples> samples) : samples_(std::move(samples)) {}

    int shift(int a, int b) const
    {
        if (!samples_ || !samples_->loaded)
            return 0;
        return ((samples_->mean - int(samples_->at(a % 1023, b % 767))) * 75) / 255;
    }

private:
    std::shared_ptr<const WatercolorTextureSamples> samples_;
};

// What the washes and their finishing read: the picture's planes, one entry
// per pixel, row-major.
struct WashPlanes {
    int w = 0;
    int h = 0;
    std::vector<uint8_t> alpha;         // the source's alpha; 128 and up is solid
    std::vector<gfx::Pixel> smooth;     // the smoothed source
    std::vector<uint8_t> painted;       // set where a region has painted
    bool solid(size_t i) const { return alpha[i] >= 128; }
};

struct WashSettings {
    int threshold = 20;         // region threshold slider
    int64_t coverageLimit = 126; // coverage, in units, at which the washes stop
    int64_t coverageUnit = 1;   // pixels per unit of coverage
    int64_t seedRounds = 1;     // the most regions tried
    int growthDivisor = 512;    // how slowly the tolerance grows per round
    // A region whose hole box holds this many times its pixels looks for
    // holes around them rather than through the box; either way finds the
    // same holes.
    int64_t holeSearchRatio = 4;
    bool preview = false;
};

// Grows and paints the regions onto the canvas in order. The canvas is the
// picture's size; the planes' painted flags start clear. Progress 0..84 goes to the preview, or to the bar with a
// picture of the canvas at most every 200 ms in a full run; a cancellation
// point.
class RegionWashes {
public:
    RegionWashes(WashPlanes& planes, const WashPaper& paper, gfx::Surface& canvas, const WashSettings& settings);

    void paint(platform::Random& rng);

    int64_t paintedCount() const { return paintedCount_; }

private:
    // One round's growth: the seed, its colour, how far the tolerance has
    // widened and the last ring examined.
    struct Growth {
        int x = 0;
        int y = 0;
        uint32_t seed = 0;
        int64_t growth = 0;
        int lastRing = 0;
    };

    // One side of a ring: the cells first..last of a row or a column.
    struct Side {
        const OpenLines* open;
        int line;
        const uint32_t* cells; // the line's colours
        int first;
        int last;
        bool inside; // whether the line lies in the picture at all
    };

    bool findSeed(platform::Random& rng, int& x, int& y) const;
    int tolerance(int r, int64_t growth) const;
    Growth grow(int x, int y, int64_t round);
    static int scanRun(const Side& side, int first, int last, uint32_t seed, int tolerance, int enough, int& at);
    bool accepts(const Growth& g, size_t i, int px, int py) const;
    // A region's colour and where its paper grain starts.
    struct Paint {
        int colour[3] = {0, 0, 0};
        int shiftX = 0;
        int shiftY = 0;
    };
    struct Box {
        int left, top, right, bottom;
    };

    void fill(const Growth& g, platform::Random& rng);
    void paintRegion(const Growth& g, platform::Random& rng);
    bool isHole(size_t i) const;
    void fillHolesInBox(const Box& inner, const Paint& paint);
    void fillHolesNearFlood(const Box& inner, const Paint& paint);
    void paintPixel(int px, int py, const Paint& paint);
    void report();

    WashPlanes& planes_;
    const WashPaper& paper_;
    gfx::Surface& canvas_;
    const WashSettings s_;
    // Per pixel: the smoothed colour and whether the pixel is solid and
    // painted; and the current region's mark.
    ScratchPlane<uint32_t> cells_;
    ScratchPlane<uint32_t> columns_; // cells_ transposed: column by column, colours only
    ScratchPlane<uint8_t> marks_;
    gfx::Pixel* const canvasBits_;
    const qsizetype canvasStride_;
    // Unpainted pixels by row (bit x of row y) and by column (bit y of
    // column x).
    OpenLines openRows_;
    OpenLines openColumns_;
    std::vector<int> queue_;  // the flooded pixels, in flood order
    std::vector<int> looked_; // the pixels a hole search marked
    int64_t paintedCount_ = 0;
    uint32_t lastShown_ = 0;
};

} // namespace pq
