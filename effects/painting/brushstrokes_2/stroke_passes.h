#pragma once

// The stroke passes of Brushstrokes 2: trains of soft stamps that follow the
// direction field, placed mostly where the picture is furthest from the
// photo; with the error test on, a stroke stays only when it brings the
// picture closer to the photo.

#include "effects/painting/brushstrokes_2/brush_tip_mask.h"
#include "effects/painting/brushstrokes_2/stroke_field.h"
#include "effects/painting/brushstrokes_2/stroke_patch.h"
#include "effects/painting/brushstrokes_2/stroke_queue.h"
#include "effects/painting/brushstrokes_2/stroke_tiles.h"
#include "gfx/surface.h"
#include "platform/random.h"

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

namespace pq {

struct StrokePassSettings {
    int sizeDivisor = 23;       // stroke length divisor (brush size)
    int strokeMultiplier = 3;   // strokes per 48,400 pixels per pass (iterations)
    int skipThreshold = 195;    // of 290: how many random strokes are skipped
    int abstraction = 25;       // P3
    float acceptFactor = 1.0f;  // a kept stroke's error times this is below the old
    int opacity = 70;           // P5
    bool errorTestFromStart = false; // painting over a picture
    bool preview = false;
};

// The settings the sliders give. Iterations count only in 0..100.
StrokePassSettings DeriveStrokeSettings(int p1, int p2, int p3, int p5, bool erase, bool preview);

// One stroke, generated before it is drawn: its random draws depend only
// on the field and the tiles, never on the picture.
struct Stroke {
    int centreTile = -1; // -1 when the centre lies outside the picture
    int opacity = 0;
    std::vector<int> stampX, stampY; // top-left corners of the stamps
    // A patch wholly over the photo is only the draws' states: the drawing
    // thread works out its sources. Any other carries its sources, some
    // kept from earlier strokes.
    bool wholePatch = false;
    PatchPlacement where;
    std::vector<uint32_t> states;
    PatchSources patch; // colour source per mask position
    // The pixels its stamps may reach, clipped to the picture (empty when
    // right <= left).
    int left = 0, top = 0, right = 0, bottom = 0;
    enum class Outcome : uint8_t { None, Kept, Rejected } outcome = Outcome::None;
};

// One drawing thread's scratch, over a stroke's reach: the picture before
// the stroke, which pixels its stamps changed, and its patch's colours.
struct TouchedPixels {
    std::vector<gfx::Pixel> saved;
    std::vector<uint8_t> mark;
    std::vector<gfx::Pixel> colours;
    PatchSources sources; // a whole patch's, worked out from its states
    bool any = false; // the stroke stamped at least one pixel
};

class StrokePasses {
public:
    StrokePasses(gfx::Surface& picture, const std::vector<gfx::Pixel>& photo, bool hasAlpha, const StrokeField& field,
                 const std::array<BrushTipMask, 3>& masks, const StrokePassSettings& settings);

    // Passes 0..500, progress 20..100. Cancellation points every 25 strokes.
    // The run's thread generates a pass's strokes in order while the pool
    // draws them: each after every earlier stroke it may overlap, in
    // parallel with the others, which gives the pixels of drawing them one
    // after another.
    void paint(platform::Random& rng);

private:
    bool generate(int pass, platform::Random& rng, Stroke& stroke);
    // The sources the last whole patch left, into patch_: before a stroke
    // that keeps some, and before that patch's stroke is reused.
    void settlePatch();
    void draw(const Stroke& stroke, TouchedPixels& touched);
    void save(const Stroke& stroke, TouchedPixels& touched) const;
    void testAndKeep(Stroke& stroke, const TouchedPixels& touched);
    // Generates the pass's strokes into `strokes`, each added to `queue`
    // when it reaches a pixel; returns how many there are.
    size_t generatePass(int pass, int64_t total, platform::Random& rng, std::deque<Stroke>& strokes,
                        std::vector<Stroke*>& numbered, StrokeQueue& queue);
    // The progress of a pass that is a multiple of 5, and every tenth pass's
    // picture for the window (a tenth of a second apart at least): before
    // the pass's drawing starts, so that the copy is shared between threads.
    void report(int pass);
    // Draws strokes from `queue` until it is closed.
    void drawQueued(StrokeQueue& queue, const std::vector<Stroke*>& numbered);
    // Any drawing thread: draws the stroke, tests it when the pass does.
    void drawStroke(Stroke& stroke);
    // The pass's brush, tests and tiles; the report of every fifth.
    void preparePass(int pass);
    // The strokes of a run: the generating thread's, numbered for the queue.
    struct PassStrokes {
        std::deque<Stroke> strokes;
        std::vector<Stroke*> numbered;
        StrokeQueue queue;
    };
    // Generates and draws a pass on the run's thread and the pool's;
    // false when the queue was aborted.
    bool runPass(int pass, platform::Random& rng, PassStrokes& run);

    gfx::Surface& picture_;
    gfx::Pixel* bits_;
    qsizetype stride_;
    const std::vector<gfx::Pixel>& photo_;
    const bool hasAlpha_;
    const StrokeField& field_;
    const std::array<BrushTipMask, 3>& masks_;
    const StrokePassSettings s_;
    const int w_, h_;
    StrokeTiles tiles_;
    const BrushTipMask* mask_ = nullptr;
    bool errorTest_ = false;
    PatchSources patch_; // colour sources carried from stroke to stroke
    const Stroke* unsettled_ = nullptr; // the last whole patch, not yet in patch_
    std::array<QImage, 2> snapshots_; // pictures for the window, reused once it lets them go
    uint32_t shownTick_ = 0;          // when the window was last sent one
    bool shown_ = false;
};

} // namespace pq
