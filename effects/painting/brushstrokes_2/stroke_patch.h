#pragma once

// The colour patch a Brushstrokes 2 stroke carries: one colour per brush
// mask position, taken from the photo near that position with a jitter.
// The generating thread only draws where each colour comes from; the
// drawing threads look the colours up.

#include "gfx/image.h"
#include "platform/random.h"

#include <cstdint>
#include <vector>

namespace pq {

// Per mask position (row-major): the photo pixel its colour comes from, -1
// for none yet (black), and the jitter added to each channel.
struct PatchSources {
    std::vector<int32_t> pixel;
    std::vector<int8_t> jitter;
};

// Where a patch lies and how its positions choose their colour.
struct PatchPlacement {
    int x0 = 0, y0 = 0;         // the mask's top-left corner on the photo
    int maskW = 0, maskH = 0;
    int w = 0, h = 0;           // the photo
    int32_t centre = 0;         // index of the stroke's centre pixel
    int bias = 0;               // -50 or 100
    int centreChance = 80;
    int abstraction = 25;
};

// Draws the sources of every mask position over the photo, row by row:
// per position a jitter (25, or minus a draw below 20, one time in three),
// then the centre pixel or, when a draw below 150 plus the bias reaches the
// centre chance, a pixel up to 3 (abstraction per cent of the time) or 1
// away, clamped to the photo. Positions off the photo draw nothing and keep
// what `sources` held. Grows `sources` to the mask's size (new positions
// have no colour). The draws are those of drawing each value in turn.
void DrawPatchSources(const PatchPlacement& where, platform::Random& rng, PatchSources& sources);
// The two halves of DrawPatchSources, so that the draws can be made on one
// thread and the sources worked out on another: the state each position
// over the photo starts from, row by row (advances `rng` the same way)...
void ChainPatchStates(const PatchPlacement& where, platform::Random& rng, std::vector<uint32_t>& states);
// ...and the sources of those positions from their states.
void SourcesFromStates(const PatchPlacement& where, const uint32_t* states, PatchSources& sources);

// The mask positions [mx0, mx1) x [my0, my1) over the photo.
struct PatchClip {
    int mx0 = 0, mx1 = 0, my0 = 0, my1 = 0;
};
PatchClip ClipPatch(const PatchPlacement& where);

// The same in one walk, each position from the state the last one left.
void DrawPatchSourcesPlain(const PatchPlacement& where, platform::Random& rng, PatchSources& sources);

// The colour of one source: the photo pixel's channels plus the jitter,
// clamped to 0..255, alpha 0; 0 without a pixel.
inline gfx::Pixel PatchColour(const gfx::Pixel* photo, int32_t pixel, int jitter)
{
    if (pixel < 0)
        return 0;
    const gfx::Pixel p = photo[pixel];
    auto channel = [&](int shift) {
        const int v = int((p >> shift) & 0xFF) + jitter;
        return gfx::Pixel(v < 0 ? 0 : (v > 255 ? 255 : v)) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

} // namespace pq
