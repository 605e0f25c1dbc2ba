#pragma once

// What oil pastel's run works with: its settings, each step's values, where
// the run is, and the placements a batch plans and scores.

#include <array>
#include <cstdint>

namespace pq::oil_pastel {

constexpr int kOilPastelSteps = 1000;
constexpr int kMostTries = 8; // quality / 15 + 1
// Placements planned at a time, at most.
constexpr int kMostPlanned = 256;

struct Settings {
    int density = 0;
    int minSize = 0;
    int maxSize = 0;
    int groups = 0;
    float opacity = 1.0f;
    int tries = 1;
};

// What one step of the run works with.
struct StepValues {
    int step = 0;
    int size = 0;
    int first = 0, last = 0; // the stamp window, rows and columns
    int sampling = 1;        // gain on every sampling-th row and column
    int extra = 0;           // placements per group beyond the first
    int groups = 0;
    int clusters = 1;
    int reach = 1;
    int penalty = 0;
    int64_t accept = 0;
    int tries = 1;
};

// Where the run is: its step, the step's values, and the group and
// placement within it.
struct Cursor {
    int step = kOilPastelSteps;
    bool inStep = false;
    StepValues sv;
    int group = 0;
    bool inGroup = false;
    int extra = 0;
};

// One placement of a batch: where its probe put it, the tries it drew, and
// what scoring them found.
struct Planned {
    StepValues sv;
    bool found = false;
    int x = 0, y = 0;
    std::array<int, kMostTries> cells{};
    std::array<double, kMostTries> angles{};
    uint32_t seedAfterProbe = 0;
    Cursor after; // the cursor once this placement is done
    int64_t bestGain = 0;
    int bestCell = -1;
    double bestAngle = 0.0;
    int triesRun = 0;
    bool commits = false;
};

// A step's end (planned < 0) or a planned placement, in the run's order.
struct Event {
    int step = 0;
    int planned = -1;
};

} // namespace pq::oil_pastel
