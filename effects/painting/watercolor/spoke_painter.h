#pragma once

// The patch stage of the watercolour effect: star-shaped patches grown from
// seed pixels, large ones first, laid onto the canvas one after another.

#include "effects/painting/watercolor/polygon_coverage.h"
#include "effects/painting/watercolor/spoke_patch.h"
#include "effects/painting/watercolor/spoke_reach.h"
#include "gfx/image.h"
#include "gfx/surface.h"
#include "platform/random.h"
#include "platform/wait_signal.h"

#include <QImage>
#include <QPoint>

#include <array>
#include <atomic>
#include <functional>
#include <utility>
#include <vector>

namespace pq {

// The run's numbers, derived once from the sliders and the picture.
struct SpokeSettings {
    bool hasTransparency = false; // more than one pixel in a thousand not opaque
    int shapeCount = 0;           // outer steps
    int spokeCount = 3;
    float angleStep = 0.0f;
    float complexity = 0.0f;
    int colourThreshold = 0;
    float sigma = 0.0f;
    float opacity = 0.0f;
    float patchSize = 0.0f;
};

// Paints every patch of a run onto the canvas. Erase mode (doClear) fills
// each patch; paint-over mode commits a patch only where it brings the
// canvas closer to the source.
//
// The result is that of painting the patches strictly one after another.
// To use several threads, a batch of patches is planned at once (seed
// search and spoke budgets, on the calling thread, against the canvas as it
// stands), grown and tested in parallel, and laid down in order; a patch
// whose seed search or test could have seen an earlier patch of its batch
// is planned again, with the generator as it was, in the next batch. In
// erase mode a batch is laid down while the next one is checked: seed
// searches look through its patches as through the current batch's.
class SpokePainter {
public:
    SpokePainter(const gfx::Image& source, gfx::Surface& canvas, const SpokeSettings& settings, bool preview,
                 bool doClear);

    // Paints every patch, drawing from rng (the run's generator, used on
    // this thread only). Reports progress 0..75 (previews through
    // SafeUpdatePreview, full runs with intermediate pictures at most every
    // 200 ms); a cancellation point.
    void paint(platform::Random& rng);

    // The most patches planned at once; 1 paints strictly one by one.
    void setMaxBatch(int patches);

private:
    // The p-th patch (0-based) of outer step i (1-based).
    struct Position {
        int i = 1;
        int p = 0;
    };

    struct Plan {
        Position pos;
        uint32_t generatorBefore = 0;
        // The seed search: the pixels it drew, the canvas it saw there, which
        // draw won and whether the search ended early at an untouched pixel.
        std::array<QPoint, 8> draws{};
        std::array<gfx::Pixel, 8> seen{};
        int drawCount = 0;
        int chosen = 0;
        bool tookEarly = false;
        bool empty = false; // a transparent seed: nothing grows
        int x = 0;
        int y = 0;
        gfx::Pixel seed = 0;
        std::vector<int> budgets;
        std::vector<int> lengths;
        std::vector<PointF> polygon;
        PolygonCoverage shape;
        SpokeReach reach;
        bool hasShape = false;
        gfx::Pixel paint = 0;
        bool commit = false; // paint-over: the patch improves the picture
        // Regrown from another seed by another thread while the check goes
        // on: looks wait for it. Until then it may reach into `bound`.
        bool regrowing = false;
        QRect bound;
    };

    // How a planned patch stands while its batch is grown and checked.
    static constexpr int kNotGrown = 0;
    static constexpr int kGrowing = 1;
    static constexpr int kGrown = 2;

    int patchesIn(int i) const;
    int maxLength(int i) const;
    void advance(Position& pos) const;

    void plan(Plan& pl, platform::Random& rng);
    int rechoose(const Plan& pl, const std::array<gfx::Pixel, 8>& seen) const;
    void setSeed(Plan& pl) const;
    bool takesAtOnce(gfx::Pixel c, gfx::Pixel k) const;
    void build(Plan& pl) const;
    // build in two steps: spoke k, then (all spokes grown) the rest.
    void growSpoke(Plan& pl, int k) const;
    void shapeFrom(Plan& pl) const;
    bool changesCanvas(const Plan& pl) const;
    // A batch of plans and the 32 x 32 cells of the canvas its checked
    // patches that change the canvas may touch, in order.
    struct Batch {
        std::vector<Plan> plans;
        std::vector<std::vector<int>> cells;
        std::vector<int> usedCells;
        int count = 0; // checked patches
        void clearCells();
    };

    void grow(int k);
    void awaitGrown(int k);
    // Erase mode on a big picture: planned patch k grows again from its new
    // seed, spoke by spoke, on the threads that serve regrowth_ and on the
    // check's when a look needs it.
    void regrowLater(int k);
    void serveRegrowth();
    // Helps with the oldest regrowth that has spokes to start, if any;
    // false when there is none.
    bool helpOldestRegrowth();
    // Grows spokes of regrowing patch k until none is left to start; the
    // thread that grows the last one shapes the patch.
    void helpRegrow(int k);
    void awaitRegrown(int k);
    // Waits for every patch regrowLater handed out; false when one reached
    // beyond its bound after all.
    bool awaitRegrowth();
    bool lookThrough(Batch& batch, int x, int y, gfx::Pixel& value, int& looks);
    int validPrefix(int planned);
    // Bands of rows the first count patches of plans touch, noted in
    // bands_; false when none.
    bool noteBands(const std::vector<Plan>& plans, int count, int& firstBand, int& lastBand);
    void layBand(const std::vector<Plan>& plans, int band, const std::function<void()>* between = nullptr) const;
    void clearBands(int firstBand, int lastBand);
    void apply(const std::vector<Plan>& plans, int count);
    void report(int i);

    const gfx::Image& source_;
    gfx::Surface& canvas_;
    const SpokeSettings s_;
    const bool preview_;
    const bool doClear_;
    const int w_;
    const int h_;
    static constexpr int kCellShift = 5; // 32 x 32 pixel cells

    const SpokeField field_;
    const SpokeSmoothing smoothing_;
    // The canvas's rows, reached without QImage's per-call sharing checks
    // (which every thread would contend for).
    gfx::Pixel* canvasRow(int y) const { return canvasBits_ + y * canvasStride_; }
    gfx::Pixel* const canvasBits_;
    const qsizetype canvasStride_;
    const gfx::Pixel* sourceRow(int y) const { return sourceBits_ + y * sourceStride_; }
    const gfx::Pixel* const sourceBits_;
    const qsizetype sourceStride_;
    std::vector<double> cos_;
    std::vector<double> sin_;
    SpokeSectors sectors_;
    int maxBatch_;
    const bool regrowsLater_; // erase mode on a big picture

    // The batch being planned and checked, and (erase mode) the one before,
    // checked and laid down while this one is checked.
    Batch current_;
    Batch pending_;
    // Per planned patch of the current batch: not grown, growing, grown;
    // and the patches from which on the check has cut the batch.
    std::vector<std::atomic<int>> growth_;
    std::atomic<int> cut_{0};
    // Patches regrowLater handed out, how many of them, how many taken, and
    // whether the check may hand out more.
    std::vector<int> regrowth_;
    struct RegrowSpokes {
        std::atomic<int> started{0};
        std::atomic<int> grown{0};
    };
    std::vector<RegrowSpokes> regrowSpokes_; // per planned patch
    std::atomic<int> regrowCount_{0};
    // Rung when a patch is grown, a regrowth handed out or the check done:
    // threads waiting for those sleep here.
    platform::WaitSignal changed_;
    std::atomic<int> regrowTaken_{0};
    std::atomic<bool> checking_{false};
    CoverageScratch scratch_; // the checking thread's
    int cellColumns_ = 0;
    // The patches a pixel look passes on the way down.
    std::vector<std::pair<int, Reach>> layers_;
    // Which patches touch which band of 16 rows, while laying them down.
    std::vector<std::vector<int>> bands_;

    // Intermediate pictures for the window, reused once it lets them go.
    std::array<QImage, 2> snapshots_;
    uint32_t lastShown_ = 0;
    int lastReported_ = 0;
};

} // namespace pq
