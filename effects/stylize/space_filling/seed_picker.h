#pragma once

// PlacementContext::pickSeed made cheap for the search: the same random
// draws in the same order and the same seeds, without the work of draws
// that cannot land on a free pixel. Late in a run most of the up to 151
// draws of a seed fall on covered pixels; those draws still step the
// generator, but a draw from an open tile none of whose reachable pixels is
// free, or from a contour point whose whole neighbourhood is covered, is
// turned down from a byte or two of state.
//
// A picker serves one size level. refresh() is called whenever coverage or
// the open tiles changed (before each sub-pass); in between, pick() only
// reads and may run on many threads at once.

#include "effects/stylize/space_filling/placement_context.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace pq::stylize {

class RngJump;

// s mod d by multiplication (exact for every 32-bit s and d >= 1).
class FastMod {
public:
    FastMod() = default;
    explicit FastMod(uint32_t d) : d_(d), m_(d > 1 ? ~uint64_t(0) / d + 1 : 0) {}
    uint32_t operator()(uint32_t s) const
    {
        const uint64_t low = m_ * s;
        // High 64 bits of the 96-bit product low * d.
#if defined(__SIZEOF_INT128__)
        return uint32_t((static_cast<unsigned __int128>(low) * d_) >> 64);
#else
        return uint32_t(((low >> 32) * d_ + (((low & 0xFFFFFFFFu) * d_) >> 32)) >> 32);
#endif
    }

private:
    uint64_t d_ = 1, m_ = 0;
};

class SeedPicker {
    struct OpenTile;

public:
    // What the pickers of a run learnt about its tiles, kept from level to
    // level: coverage only grows, so a tile once found dead stays dead, and
    // a tile's free pixels stay as found while the covered counts of the
    // tile and of its right, lower and lower-right neighbours (which its
    // probe reaches into) stay the same.
    class TileMemo {
        friend class SeedPicker;
        std::vector<uint8_t> dead_;
        std::vector<OpenTile> free_;
        // The sum of the four covered counts when free_ was found, or -1.
        std::vector<int> stamp_;
    };

    // What the seeds of the level are drawn for, as pickSeed takes it.
    // `memo`, sized by the picker to the context's tiles, outlives it.
    SeedPicker(const PlacementContext& ctx, float half, float contourFrac, int retries, TileMemo& memo);

    // Takes in coverage and open tiles as they are now.
    void refresh();

    // Exactly ctx.pickSeed(half, contourFrac, retries, rng, sx, sy).
    void pick(uint32_t& rng, float& sx, float& sy) const;

    // Tests: hints on (true) or off whatever the state's size.
    void forceLookAhead(bool on) { forcedLookAhead_ = on ? 1 : 0; }

    // The state after the draw that starts from `s`, as pick() steps it for
    // a draw that misses (a border tile may step less), with the state the
    // draw reads brought towards the cache. Only a hint: pick() checks its
    // own steps against it.
    uint32_t prefetchDraw(uint32_t s) const;

private:
    // Per entry of the open-tile list (and per tile in the memo), for a
    // whole tile away from the clamped border: which of the 9 x 9 pixels its seeds land on are free
    // (bit 9 j + l for offsets 2 j, 2 l). Small and in list order, so the
    // draws that miss mostly stay in cache.
    struct OpenTile {
        uint64_t low = 0;
        uint32_t high = 0;
        uint32_t whole = 0;
    };

    template <bool kLookAhead, bool kJumps>
    void pickDraws(uint32_t& rng, float& sx, float& sy) const;
    bool tileDead(int t) const;
    OpenTile probeTile(int t) const;
    // probeTile(t) as the memo has it, probed again only when it changed.
    OpenTile memoTile(int t) const;
    bool contourDead(int i) const;
    bool boxCovered(int x1, int y1, int x2, int y2) const;
    int probeX(float v) const;
    int probeY(float v) const;

    const PlacementContext& ctx_;
    const float half_, contourFrac_;
    const int retries_;
    float m_ = 0;
    // A drawn state below this makes the draw a contour draw.
    uint64_t contourBelow_ = 0;
    FastMod contourMod_, openMod_;
    TileMemo& memo_;
    std::vector<OpenTile> openTiles_;
    // One bit per entry of openTiles_: a whole tile with no free pixel a
    // seed can land on. A few kilobytes, so most missed draws never read
    // the entry itself.
    std::vector<uint64_t> hopeless_;
    // Per contour point: the refresh count at which its neighbourhood was
    // found covered (2 c + 1, for good) or last found not covered (2 c).
    std::unique_ptr<std::atomic<uint32_t>[]> contourState_;
    uint32_t generation_ = 0;
    // Whether pick() brings the draws ahead towards the cache.
    bool lookAhead_ = true;
    int forcedLookAhead_ = -1;
    // The steps of a draw from a contour point and from a tile at once, when
    // every such draw steps alike (else null).
    const RngJump* contourJump_ = nullptr;
    const RngJump* tileJump_ = nullptr;
};

} // namespace pq::stylize
