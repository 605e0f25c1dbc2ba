#pragma once

// Models of single paint marks, each drawn as a coverage plane (0..1):
// bristle brush strokes, pastel strokes and watercolour washes. Brush
// sheets, the template-matching atlas and the impasto texture use them.

#include "common.h"

namespace gen {

// The centre line of a stroke: a circular arc (or a straight line when the
// curvature is 0) starting at (x0, y0) in direction `angle`.
struct StrokeGeom {
    float x0 = 0, y0 = 0;
    float angle = 0;     // radians
    float length = 100;  // along the centre line, pixels
    float curvature = 0; // 1 / radius, signed

    // Distance along the centre line (s) and signed offset across it (t).
    void local(float px, float py, float& s, float& t) const;
    void point(float s, float& x, float& y) const;
    // A stroke of the given length whose middle lies at (cx, cy).
    static StrokeGeom centred(float cx, float cy, float angle, float length, float curvature);
};

struct BristleSpec {
    float width = 80;         // pixels
    float startRound = 0.35f; // length of the rounded start, share of the width
    float endTaper = 0.3f;    // 0 keeps the width to the end, 1 ends in a point
    float taperLength = 0.3f; // share of the length that tapers
    float dryness = 0.5f;     // how much paint runs out toward the end
    float dryStart = 0.45f;   // where it starts to run out (share of the length)
    float bristle = 2.2f;     // width of one bristle streak, pixels
    float clump = 0.35f;      // strength of bristle clumps
    float rough = 0.06f;      // ragged edges
    float fray = 0.12f;       // frayed end, share of the length
    float ridge = 0.12f;      // paint pushed to the edges
    float density = 1.f;      // overall opacity
};

// Alpha of a bristle brush stroke at one point; *streak (optional)
// receives the bristle pattern there (0..1).
float BristleAt(const StrokeGeom& g, const BristleSpec& spec, uint32_t seed, float px, float py, float* streak);
// Alpha of a bristle brush stroke on a w x h plane.
Field BristleMark(int w, int h, const StrokeGeom& g, const BristleSpec& spec, uint32_t seed);

struct PastelSpec {
    float width = 60;
    float squareEnds = 0.f; // 1: the flat end of a stick on its side
    float pressure = 0.85f; // mean pressure 0..1
    float crumble = 0.35f;  // roughness of the edges
    float fade = 0.4f;      // pressure lost toward the end
};

// Paper tooth (0 valley .. 1 peak) that pastel marks catch on.
Field PastelTooth(int w, int h, uint32_t seed);
// Pressure (0..1) of one pastel stroke; combine strokes with max, then
// turn pressure into coverage with pastelCoverage.
Field PastelPressure(int w, int h, const StrokeGeom& g, const PastelSpec& spec, uint32_t seed);
Field PastelCoverage(const Field& pressure, const Field& tooth, uint32_t seed);

struct WashSpec {
    float wash = 0.45f;      // alpha of the flat interior
    float flow = 0.35f;      // low-frequency variation of the interior
    float rim = 0.38f;       // extra alpha of the dried edge
    float rimWidth = 3.5f;   // pixels
    float softness = 0.8f;   // width of the outer edge, pixels
    float granulation = 0.15f;
    float bloom = 0.f;       // 0..1 chance and size of a backrun inside
    float pool = 0.2f;       // extra pigment toward one end
};

// Alpha of a watercolour wash whose shape is `mask` (coverage 0..1).
Field WatercolorWash(const Field& mask, const WashSpec& spec, float poolAngle, uint32_t seed);
// Shape of an elongated blot: an ellipse with a wavering outline.
Field BlotShape(int w, int h, float cx, float cy, float rx, float ry, float angle, float wobble, uint32_t seed);
// Shape of a brush-drawn wash stroke.
Field WashStrokeShape(int w, int h, const StrokeGeom& g, float width, float taper, float wobble, uint32_t seed);

} // namespace gen
