#pragma once

// One run of a space-filling mosaic on its working picture: the analysis
// (edge map, contour seeds, tiles, uniform islands), the levels of parallel
// candidate search and greedy acceptance, the gap sweep, the shapes painted
// into the canvas and the contour layer laid over it.

#include "effects/stylize/plane.h"
#include "effects/stylize/space_filling/color_sat.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "effects/stylize/space_filling/seed_picker.h"
#include "effects/stylize/space_filling/seed_verdicts.h"
#include "effects/stylize/space_filling/settings.h"
#include "gfx/image.h"
#include "gfx/surface.h"
#include "platform/wait_signal.h"

#include <QPoint>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace pq::stylize {

// How the run draws and reports.
struct MosaicPaintOptions {
    bool preview = false;
    bool drawContours = false;
    uint32_t contourColor = 0xFF000000; // ARGB: RGB the stroke, alpha the layer's opacity
    int searchPartitions = kSearchPartitions;
    // Seeds per evaluation chunk of the search; 0 picks by thread count.
    int seedsPerChunk = 0;
};

class SeedCore;

// A copy of the canvas, made in the pixels of `spare` when nothing else
// holds them any more (else a fresh snapshot); `spare` is released.
gfx::Image SnapshotInto(const gfx::Surface& canvas, gfx::Image& spare);

class MosaicRun {
public:
    // `analysis` is the picture every measurement reads; `canvas`, of the
    // same size and already prepared, receives the shapes.
    MosaicRun(MosaicShape shape, const gfx::Image& analysis, gfx::Surface& canvas, const MosaicSettings& settings,
              const MosaicPaintOptions& options);

    // Evaluations read their colours from `coarse`, the picture the
    // analysed one was enlarged from by ResizeNearest (same pixels, less
    // memory).
    void readColorsFrom(const gfx::Image& coarse);

    // Analysis: edge map, contour seeds, tiles, transparent pixels covered.
    void analyse();
    // Islands, levels, gap sweep and the contour layer.
    void paint();

    int64_t coveredCount() const { return coveredCount_; }

private:
    // Analysis (analysis.cpp).
    void buildEdgeMap();
    void buildContourPoints();
    void initTiles();
    void coverTransparentPixels();
    void compactOpenTiles();
    void computeUniformIslands();
    int islandHalf(int x, int y, int minR, int maxR, const int32_t* edgeSat) const;

    // Search (search.cpp).
    void runLevels();
    void refreshBlocked(float edgeRejectLevel);
    void placeUniformCenters(float upper, float lower);
    int runSizePass(float half, const LevelValues& level, int progressFrom, int progressTo);
    // A run of seeds of one partition, evaluated as one piece of work.
    struct SeedChunk {
        int partition;
        size_t begin, end;
    };
    struct SeedDraw {
        float x, y, angle;
    };
    void planSearch(int trials);
    void drawSeeds(int k, const SeedPicker& seeds, int subPass, bool drawsAngle);
    void evaluateSeeds(const SeedChunk& chunk, const SeedCore& core, float half, const LevelValues& level, int numRot,
                       bool drawsAngle, std::vector<Candidate>& out);
    void fillGaps();
    bool tryGapShape(float cx, float cy, uint32_t& rng);

    // Coverage (cover.cpp).
    PixelBox coverBox(const Candidate& c) const;
    bool isFree(const Candidate& c) const;
    // The core test of the evaluation of `c` at the level of `core`, through
    // the memo of its centre's rotations.
    bool coreRejects(const Candidate& c, const SeedCore& core, CoreMemo& memo) const;
    void markCovered(const Candidate& c);
    bool evaluate(Candidate& c, float edgeRejectLevel, float colorTolSq, bool seedClear = false,
                  CoreMemo* memo = nullptr) const;
    bool coveredAt(int x, int y) const { return covered_.get(x, y); }
    // Marks, queues for painting and counts an accepted shape.
    void accept(const Candidate& c);

    // Painting and feedback (run.cpp).
    void flushShapes();
    void compositeContours();
    void feedback(int progress);

    const MosaicShape shape_;
    const MosaicSettings settings_;
    const MosaicPaintOptions options_;
    gfx::Image analysis_;
    gfx::Surface& canvas_;
    gfx::Surface contours_;
    const int w_, h_;
    const int64_t totalPixels_;
    const int64_t coverageGoal_;

    std::vector<const gfx::Pixel*> rows_;
    gfx::Image coarse_;
    std::vector<const gfx::Pixel*> coarseRows_;
    std::vector<int> coarseCols_;
    Plane<float> edgeMap_;
    BitPlane covered_;
    // Covered or above the current level's edge limit (see PlacementContext).
    BitPlane blocked_;
    int64_t coveredCount_ = 0;
    std::vector<QPoint> contourPts_;
    int tilesX_ = 0, tilesY_ = 0;
    std::vector<int> tileCapacity_, tileCovered_, openTiles_;
    int openCount_ = 0;
    // What the seed pickers found in the tiles.
    SeedPicker::TileMemo tileMemo_;
    std::unique_ptr<ColorSat> sat_;
    std::vector<UniformCenter> uniform_;
    size_t uniformCursor_ = 0;
    PlacementContext ctx_;

    // The sub-pass's seeds in partition order, where each partition's
    // begin, how many it drew and whether it is done drawing, and the
    // chunks their evaluations run in.
    std::vector<SeedDraw> draws_;
    std::vector<size_t> partitionStart_;
    std::vector<int> drawnCount_;
    std::unique_ptr<std::atomic<bool>[]> partitionDrawn_;
    platform::WaitSignal partitionsDrawing_; // chunks sleep here for their partition's draws
    std::vector<SeedChunk> chunks_;
    std::vector<std::vector<Candidate>> chunkCands_;
    std::vector<Candidate> merged_;
    std::vector<float> rotCos_, rotSin_;
    // Seeds on pixel centres whose every evaluation at this level rejects:
    // coverage only grows during a level, so they reject for its rest.
    SeedVerdicts rejected_;
    bool rejectsKept_ = false;
    std::vector<Candidate> pending_;

    // The last snapshot shown and the one before it, whose pixels the next
    // snapshot reuses when the host no longer holds them.
    gfx::Image shownSnapshot_, spareSnapshot_;
    uint32_t lastFeedbackTick_ = 0;
    bool anyPlaced_ = false;
    int emptyLevels_ = 0;
};

} // namespace pq::stylize
