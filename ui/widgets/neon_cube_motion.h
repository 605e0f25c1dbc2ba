#pragma once

#include <QLineF>
#include <QRgb>
#include <QSizeF>

#include <array>
#include <cstdint>
#include <vector>

namespace pq {

// The wire cube that floats behind the script text: six phases in [0, 1)
// that advance every 30 ms tick (turns about Y and X, drift along X, Y and
// Z, colour), and the cube's twelve edges seen by a camera at z -5 with an
// angle of view of 75 degrees. No widgets.
class NeonCubeMotion {
public:
    static constexpr int kTickMs = 30;

    // One tick: every phase advances by 0.03 s over its period and wraps.
    void advance();

    // The cube's colour: cyan, green, orange in turn, blended.
    QRgb color() const;

    struct Edge {
        QLineF line;   // in viewport pixels
        double width;  // in viewport pixels
        QRgb color;    // darker the farther the edge
        double depth;  // distance from the camera
    };
    // The twelve edges, farthest first, for a viewport of the given size.
    std::vector<Edge> edges(QSizeF viewport) const;

    // Phases: turn Y, turn X, drift X, drift Y, drift Z, colour.
    std::array<double, 6> phases{};
};

// Decides once whether the display keeps up with the cube: the first tick
// starts the clock, 30 ticks warm up, the intervals of the next 60 are
// summed; at the 90th counted tick an average above 60 ms means too slow,
// above 40 ms no glow.
class FrameTimeTest {
public:
    enum class Verdict { Undecided, Fine, NoGlow, TooSlow };

    // One tick at `nowMs` (any monotonic millisecond clock).
    Verdict tick(int64_t nowMs);
    // Starts over unless decided.
    void restart();
    bool decided() const { return verdict_ != Verdict::Undecided; }
    Verdict verdict() const { return verdict_; }

private:
    bool started_ = false;
    int count_ = 0;
    int64_t last_ = 0;
    int64_t sum_ = 0;
    Verdict verdict_ = Verdict::Undecided;
};

} // namespace pq
