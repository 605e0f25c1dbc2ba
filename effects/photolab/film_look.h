#pragma once

#include "gfx/image.h"
#include "gfx/luma.h"
#include "gfx/surface.h"

#include <cmath>
#include <cstdint>
#include <functional>

namespace pq::film {

// Seedless grain of a position: -256..255, the same in every run.
inline int GrainHash(int x, int y)
{
    uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 2246822519u;
    h ^= h >> 13;
    h *= 3266489917u;
    h ^= h >> 16;
    return int(h & 511u) - 256;
}

// Round half to even as std::nearbyint does, without a library call for
// the values the film looks meet (magnitudes below 2^22).
inline float RoundSmall(float v)
{
    if (!(std::fabs(v) < 4194304.0f))
        return std::nearbyint(v);
    const float magic = 12582912.0f; // 1.5 * 2^23: leaves no fraction bits
    const float t = v + magic;
    return t - magic;
}

// Darkened corners: nothing inside 1 - 0.6 amount of the reach from the
// centre, then a falloff down to the factor 1 - 0.85 amount at the reach.
class Vignette {
public:
    Vignette(int width, int height, float amount);

    bool active() const { return amount_ > 0.0f; }
    // The factor at (x, y); 1 inside the inner radius.
    float factor(int x, int y) const;
    // factor(x, y) for x = 0..width - 1 into out.
    void factors(int y, int width, float* out) const;
    // A channel scaled by the factor, rounded half to even.
    static int apply(int channel, float factor);

private:
    float amount_ = 0.0f;
    float cx_ = 0.0f;
    float cy_ = 0.0f;
    float inner_ = 0.0f;
    float inner2_ = 0.0f;
    float band_ = 0.0f;
    float depth_ = 0.0f;
};

// The pixel walk of the film looks: rows(y0, y1) over [0, height) in
// bands of 64 rows, each band spread over the thread pool. Full runs test
// for cancellation and report y * 100 div height at every band; a
// cancelled run stops there and the walk returns false.
bool WalkRows(int height, bool preview, const std::function<void(int, int)>& rows);

// The five parameters of a film look, each clamped to 0..100.
void ClampPercents(int& p1, int& p2, int& p3, int& p4, int& p5);

// The frame of the film looks: Dest cleared with `base` copied in, then
// tone(row, y, width) over the rows Source and Dest share, walked as
// walkRows does, and the closing report. A cancelled walk ends without it.
void ToneRows(const gfx::Image& source, const gfx::Image& base, gfx::Surface& dest, bool preview,
              const std::function<void(gfx::Pixel* row, int y, int width)>& tone);

// The 8-bit fixed-point Rec. 601 grey of stored bytes.
inline int FilmGrey(gfx::Pixel p)
{
    return gfx::Luma601Fixed8(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF));
}

// The repository's old-film texture (null while it has none).
gfx::Image OldFilmTexture();

// Mean filmGrey of a texture's pixels, computed once per texture.
int TextureMean(const gfx::Image& texture);

} // namespace pq::film
