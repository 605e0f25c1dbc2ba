#pragma once

namespace platform {

// Returns the upper halves of the vector registers to their clean state
// (vzeroupper on x86 processors with AVX; nothing elsewhere).
//
// Code that leaves them dirty (the GUI toolkit's start-up does) makes every
// later switch between this program's SSE code and the AVX variants of the
// maths library expensive: a call of atan2 or sin costs ten times as much.
// Threads inherit the state of the thread that creates them, so long
// computations call this once at their start; the thread pool does it for
// every parallel loop. Safe anywhere in code built without AVX.
void ClearUpperSimdState();

} // namespace platform
