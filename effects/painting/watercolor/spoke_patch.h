#pragma once

// The pieces of one watercolour patch: the colour distance, spoke growth
// from a seed and the smoothing of the spoke lengths.

#include "gfx/image.h"
#include "gfx/scratch_buffer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace pq {

// Round half to even, as platform::Round, without a library call; exact
// for |v| < 2^51 in the default rounding mode.
inline int64_t RoundEven(double v)
{
    constexpr double kMagic = 6755399441055744.0; // 1.5 * 2^52
    return int64_t((v + kMagic) - kMagic);
}

namespace central_spoke {

// Pixels whose alpha is below this count as empty.
constexpr int kAlphaMin = 10;

// The squared, red-weighted colour difference of two non-empty pixels that
// PixelDistance takes the root of.
inline int DistanceSquared(gfx::Pixel a, gfx::Pixel b)
{
    const int ar = int((a >> 16) & 0xFF), br = int((b >> 16) & 0xFF);
    const int dR = ar - br;
    const int dG = int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF);
    const int dB = int(a & 0xFF) - int(b & 0xFF);
    const int rmean = (ar + br) / 2;
    return ((rmean + 512) * dR * dR) / 256 + 4 * dG * dG + ((767 - rmean) * dB * dB) / 256;
}

// Colour distance of two stored (premultiplied) pixels: a red-weighted
// Euclidean distance, raised by up to half for different alphas; 0 for two
// empty pixels, 255 when just one is empty. Opaque black to white is 765.
inline int PixelDistance(gfx::Pixel a, gfx::Pixel b)
{
    const int aa = int(a >> 24);
    const int ba = int(b >> 24);
    if (aa < kAlphaMin || ba < kAlphaMin)
        return aa < kAlphaMin && ba < kAlphaMin ? 0 : 255;
    // sqrt(q) of an integer q never ends in exactly .5.
    const int base = int(std::sqrt(double(DistanceSquared(a, b))) + 0.5);
    const int da = aa > ba ? aa - ba : ba - aa;
    if (da == 0)
        return base;
    const float fraction = float(da) / 255.0f;
    return int(RoundEven(double(base) * (double(fraction) * 0.5 + 1.0)));
}

} // namespace central_spoke

// Smooths the first Count lengths in place with a 7-tap Gaussian of Sigma
// around the ring (index k mixes k - 3 .. k + 3, wrapping), from the
// unsmoothed values; sums in single precision, results rounded.
void SmoothSpokeLengths(std::span<int> lengths, int count, float sigma);

// The same smoothing with its weights worked out once, for many patches.
class SpokeSmoothing {
public:
    explicit SpokeSmoothing(float sigma);
    void apply(std::span<int> lengths, int count) const;

private:
    std::array<float, 7> weight_{};
    float weights_ = 0.0f; // their sum, added up in order
};

// What a spoke walk reads: the source copy and the run's rules.
class SpokeField {
public:
    // colourThreshold: a larger distance is a colour edge. stopAtEmpty: an
    // empty pixel (sources with transparency) ends the spoke. halveAtEdge: a
    // colour edge halves the budget instead of taking a quarter.
    SpokeField(const gfx::Image& source, bool hasTransparency, int colourThreshold, bool stopAtEmpty,
               bool halveAtEdge);

    // Walks one spoke from (cx, cy) along (cosA, sinA) with the given budget
    // against the seed colour C and returns its length (at least 1): the
    // last radius reached inside the picture before the budget ran out.
    // Eight steps at a time where the processor has AVX2.
    int grow(double cx, double cy, double cosA, double sinA, int budget, gfx::Pixel c) const;
    // On a picture far bigger than the caches, asks for the pixels of the
    // first steps of a walk grow will soon make (which it does not ask for
    // ahead itself).
    void fetchStart(double cx, double cy, double cosA, double sinA, int budget) const
    {
        if (fetchAhead_)
            fetchStartTiles(cx, cy, cosA, sinA, budget);
    }
    // Whether walks read a picture far bigger than the caches.
    bool walksFromMemory() const { return fetchAhead_; }
    // The same walk, one step at a time.
    int growPlain(double cx, double cy, double cosA, double sinA, int budget, gfx::Pixel c) const;

private:
    // Whether step r of the ray lands inside the picture.
    bool insidePicture(double cx, double cy, double cosA, double sinA, int r) const;
    // The budget after one step onto S. Every step takes at least 2 off a
    // positive budget or leaves it at 0 or below.
    int spend(int budget, gfx::Pixel s, gfx::Pixel c, bool& stop) const
    {
        using central_spoke::kAlphaMin;
        if ((s >> 24) == (c >> 24) && int(c >> 24) >= kAlphaMin) {
            // Equal alphas: the distance is the plain root.
            const int q = central_spoke::DistanceSquared(s, c);
            if (size_t(q) < smallStepCost_.size())
                return budget - smallStepCost_[size_t(q)];
        } else if (hasTransparency_ && int(s >> 24) < kAlphaMin) {
            stop = stopAtEmpty_;
            return budget / 2 - 1;
        }
        const int d = central_spoke::PixelDistance(s, c);
        if (d > colourThreshold_) {
            budget = halveAtEdge_ ? budget / 2 : int(int64_t(budget) * 3 / 4);
            return budget - RoundShiftEven(d, 3) - 1;
        }
        return budget - std::max(1, RoundShiftEven(d, 4)) - 1;
    }
    // n / 2^shift rounded half to even, for n >= 0.
    static int RoundShiftEven(int n, int shift)
    {
        const int q = n >> shift;
        const int r = n & ((1 << shift) - 1);
        const int half = 1 << (shift - 1);
        return q + (r > half || (r == half && (q & 1)) ? 1 : 0);
    }
    void fetchStartTiles(double cx, double cy, double cosA, double sinA, int budget) const;
    // Tiled: the picture is read from tiles_, with the tiles ahead asked
    // for.
    // Rises: how many of costRises_ (padded past its end) each step
    // compares with, 8 or 16.
    template <bool Tiled, int Rises>
    int growWide(double cx, double cy, double cosA, double sinA, int budget, gfx::Pixel c) const;

    const gfx::Pixel* pixels_;
    qsizetype stride_; // in pixels
    int w_;
    int h_;
    bool hasTransparency_;
    int colourThreshold_;
    bool stopAtEmpty_;
    bool halveAtEdge_;
    // What a step between pixels of equal alpha whose distance is within the
    // threshold costs, by DistanceSquared.
    std::vector<uint8_t> smallStepCost_;
    // The same costs as 2 plus the number of these squared distances a
    // step's reaches, which the eight-step walk takes when wideWalk_ is set.
    std::vector<int> costRises_;
    // The same less 1, padded with distances no step reaches to 16.
    std::array<int, 16> riseBounds_{};
    bool wideWalk_ = false;
    // On a picture far bigger than the caches, the source again in tiles of
    // 4 x 4 pixels, one cache line each, for the eight-step walk: a spoke in
    // any direction stays in a line for about four steps (a row-major line
    // holds one step of a steep spoke).
    bool fetchAhead_ = false;
    gfx::ScratchBuffer<gfx::Pixel> tiles_;
    int tileColumns_ = 0;
};

} // namespace pq
