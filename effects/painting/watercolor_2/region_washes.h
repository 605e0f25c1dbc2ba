#pragma once

// The washes of Watercolor 2: regions of similar colour grown ring by ring
// from random seed pixels and filled with their mean colour over the
// watercolour paper.

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
    bool preview = false;
};

// Grows and paints the regions onto the canvas in order. The canvas is the
// picture's size. Progress 0..84 goes to the preview, or to the bar with a
// picture of the canvas at most every 200 ms in a full run; a cancellation
// point.
class RegionWashes {
public:
    RegionWashes(WashPlanes& planes, const WashPaper& paper, gfx::Surface& canvas, const WashSettings& settings);

    void paint(platform::Random& rng);

    int64_t paintedCount() const { return paintedCount_; }

private:
    bool findSeed(platform::Random& rng, int& x, int& y) const;
    int grow(int x, int y, int64_t round);
    int scanRun(const uint32_t* c, ptrdiff_t step, uint32_t* tag, ptrdiff_t tagStep, int count, uint32_t seed,
                int tolerance);
    void fill(int x, int y, platform::Random& rng);
    void fillHoles(int left, int top, int right, int bottom, int shiftX, int shiftY, const int colour[3]);
    void paintPixel(int px, int py, int shiftX, int shiftY, const int colour[3]);
    void report();

    WashPlanes& planes_;
    const WashPaper& paper_;
    gfx::Surface& canvas_;
    const WashSettings s_;
    // Per pixel: the smoothed colour and whether the pixel is solid and
    // painted; and the tag of the last region that grew or flooded it.
    std::vector<uint32_t> cells_;
    std::vector<uint32_t> columns_; // cells_ transposed: column by column
    std::vector<uint32_t> tags_;
    uint32_t grownTag_ = 1;
    uint32_t floodedTag_ = 2;
    gfx::Pixel* const canvasBits_;
    const qsizetype canvasStride_;
    std::vector<int> queue_;
    int64_t paintedCount_ = 0;
    uint32_t lastShown_ = 0;
};

} // namespace pq
