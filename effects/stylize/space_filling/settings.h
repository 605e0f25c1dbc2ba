#pragma once

// What the sliders of the space-filling mosaics turn into, and where the
// three shapes differ: the per-level tolerances and trial budgets, the
// rotations tried per seed and the angle range.

namespace pq::stylize {

enum class MosaicShape { Square, Disc, Triangle };

// Search partitions per sub-pass: their split of the trials and their seeds
// shape the picture, so the count is fixed however many threads run them.
constexpr int kSearchPartitions = 16;

// Bounds that only values far outside 0..100 reach: trials per sub-pass
// (100 asks for about 330 000 at most) and rotations per seed (100 gives 14).
constexpr int kMaxTrialsPerSubPass = 400000;
constexpr int kMaxRotationSetting = 14;

// Slider values are first limited to this magnitude, far beyond any value
// that still changes the picture, so the arithmetic cannot overflow.
constexpr int kSliderGuard = 1000000;

struct MosaicSettings {
    float largestHalf = 0;   // size of the first level
    float smallestHalf = 0;  // size the levels stop at, and of gap fillers
    int baseTrials = 0;
    float baseColorTolSq = 0;
    int rotationSetting = 1; // rotations per seed for the smallest shapes
    int levelCount = 1;
};

// Settings of a run on a w x h working picture (previews work at 1.5 times
// the size and keep their sizes; full runs divide them by 1.5).
MosaicSettings DeriveMosaicSettings(int w, int h, int p1, int p2, int p3, int p4, int p5, bool preview);

// The number of levels from largestHalf down by 0.93 a step while at least
// smallestHalf, in single precision as the level loop steps; at least 1.
int CountLevels(float largestHalf, float smallestHalf);

// What one level searches with.
struct LevelValues {
    float contourFrac = 0;
    float edgeRejectLevel = 0;
    float colorTolSq = 0;
    int trials = 0; // per sub-pass, 0..kMaxTrialsPerSubPass
};

// The values of the level of size s at coverage fraction `coverage`.
LevelValues DeriveLevel(MosaicShape shape, const MosaicSettings& settings, float s, float coverage);

// Rotations tried per seed for shapes of size `half` (discs: 1).
int RotationCount(MosaicShape shape, float half, int rotationSetting);

// The range of angles a shape is tried at: a quarter turn for squares, a
// third for triangles.
float AngleRange(MosaicShape shape);

} // namespace pq::stylize
