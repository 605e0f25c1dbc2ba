#include "effects/photolab/retro_film.h"

#include "effects/photolab/film_look.h"
#include "effects/photolab/photolab_pixels.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"

#include <algorithm>

namespace pq {
namespace {

struct RetroSettings {
    float saturation = 1.0f;
    float contrast = 1.0f;
    float offset[3] = {};
    int amplitude = 0;
};

// Film matrix rows for R', G', B' over the un-premultiplied r, g, b.
constexpr float kFilm[3][3] = {
    {1.12f, 0.05f, -0.02f},
    {-0.02f, 1.0f, 0.05f},
    {-0.04f, -0.04f, 0.9f},
};

float unit(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

gfx::Pixel retroPixel(gfx::Pixel p, int x, int y, const RetroSettings& s, const film::Vignette& vignette)
{
    const int A = int(p >> 24);
    int stored[3];
    photolab::colourBytes(p, stored);
    float in[3];
    for (int i = 0; i < 3; ++i)
        in[i] = A == 255 ? float(stored[i]) / 255.0f : float(double(stored[i]) * 255.0 / double(A) / 255.0);

    float f[3];
    for (int i = 0; i < 3; ++i)
        f[i] = unit(kFilm[i][0] * in[0] + kFilm[i][1] * in[1] + kFilm[i][2] * in[2] + s.offset[i]);
    const float Y = 0.299f * f[0] + 0.587f * f[1] + 0.114f * f[2];

    int c[3];
    for (int i = 0; i < 3; ++i) {
        const float saturated = unit(Y + (f[i] - Y) * s.saturation);
        const float contrasted = unit((saturated - 0.5f) * s.contrast + 0.5f);
        c[i] = int(std::nearbyint(contrasted * 255.0f));
    }

    if (s.amplitude > 0) {
        const int grain = film::grainHash(x, y) * s.amplitude / 256;
        for (int& v : c)
            v = platform::ClampByte(v + grain);
    }
    if (vignette.active()) {
        const float factor = vignette.factor(x, y);
        if (factor != 1.0f)
            for (int& v : c)
                v = film::Vignette::apply(v, factor);
    }
    if (A < 255)
        for (int& v : c)
            v = platform::ClampByte(v) * A / 255;
    return photolab::packPixel(A, c, 255);
}

} // namespace

void RetroFilm(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (Source.isNull() || Dest.isNull())
        return;
    film::clampPercents(P1, P2, P3, P4, P5);

    RetroSettings s;
    s.saturation = float(P1) / 100.0f * 1.5f + 0.5f;
    const float warmth = float(P2) / 100.0f * 0.1f - 0.04f;
    s.contrast = float(P3) / 100.0f * 0.8f + 0.8f;
    s.amplitude = platform::Round(P4 * 0.408);
    s.offset[0] = 0.03f + warmth;
    s.offset[1] = 0.01f + 0.4f * warmth;
    s.offset[2] = 0.05f - 0.5f * warmth;

    const film::Vignette vignette(Source.width(), Source.height(), float(P5) / 100.0f);
    film::toneRows(Source, Source, Dest, Preview, [&](gfx::Pixel* row, int y, int w) {
        for (int x = 0; x < w; ++x)
            if ((row[x] >> 24) >= 5)
                row[x] = retroPixel(row[x], x, y, s, vignette);
    });
}

} // namespace pq
