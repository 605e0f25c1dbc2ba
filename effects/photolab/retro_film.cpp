#include "effects/photolab/retro_film.h"

#include "effects/photolab/film_look.h"
#include "effects/photolab/photolab_pixels.h"
#include "engine/runtime/effect_api.h"
#include "gfx/luma.h"
#include "platform/numeric.h"

#include <algorithm>
#include <array>

namespace pq {
namespace {

struct RetroSettings {
    float saturation = 1.0f;
    float contrast = 1.0f;
    float offset[3] = {};
    int amplitude = 0;
    std::array<float, 256> unit{}; // byte / 255 in single precision
};

// Film matrix rows for R', G', B' over the un-premultiplied r, g, b.
constexpr float kFilm[3][3] = {
    {1.12f, 0.05f, -0.02f},
    {-0.02f, 1.0f, 0.05f},
    {-0.04f, -0.04f, 0.9f},
};

float Unit(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

gfx::Pixel RetroPixel(gfx::Pixel p, int x, int y, const RetroSettings& s, const film::Vignette& vignette)
{
    const int a = int(p >> 24);
    int stored[3];
    photolab::ColourBytes(p, stored);
    float in[3];
    for (int i = 0; i < 3; ++i)
        in[i] = a == 255 ? s.unit[stored[i]] : float(double(stored[i]) * 255.0 / double(a) / 255.0);

    float f[3];
    for (int i = 0; i < 3; ++i)
        f[i] = Unit(kFilm[i][0] * in[0] + kFilm[i][1] * in[1] + kFilm[i][2] * in[2] + s.offset[i]);
    const float luma = gfx::Luma601Float(f[0], f[1], f[2]);

    int c[3];
    for (int i = 0; i < 3; ++i) {
        const float saturated = Unit(luma + (f[i] - luma) * s.saturation);
        const float contrasted = Unit((saturated - 0.5f) * s.contrast + 0.5f);
        c[i] = int(film::RoundSmall(contrasted * 255.0f));
    }

    if (s.amplitude > 0) {
        const int grain = film::GrainHash(x, y) * s.amplitude / 256;
        for (int& v : c)
            v = platform::ClampByte(v + grain);
    }
    if (vignette.active()) {
        const float factor = vignette.factor(x, y);
        if (factor != 1.0f)
            for (int& v : c)
                v = film::Vignette::apply(v, factor);
    }
    if (a < 255)
        for (int& v : c)
            v = platform::ClampByte(v) * a / 255;
    return photolab::PackPixel(a, c, 255);
}

} // namespace

void RetroFilm(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    film::ClampPercents(p1, p2, p3, p4, p5);

    RetroSettings s;
    s.saturation = float(p1) / 100.0f * 1.5f + 0.5f;
    const float warmth = float(p2) / 100.0f * 0.1f - 0.04f;
    s.contrast = float(p3) / 100.0f * 0.8f + 0.8f;
    s.amplitude = platform::Round(p4 * 0.408);
    s.offset[0] = 0.03f + warmth;
    s.offset[1] = 0.01f + 0.4f * warmth;
    s.offset[2] = 0.05f - 0.5f * warmth;
    for (int v = 0; v < 256; ++v)
        s.unit[size_t(v)] = float(v) / 255.0f;

    const film::Vignette vignette(source.width(), source.height(), float(p5) / 100.0f);
    film::ToneRows(source, source, dest, preview, [&](gfx::Pixel* row, int y, int w) {
        for (int x = 0; x < w; ++x)
            if ((row[x] >> 24) >= 5)
                row[x] = RetroPixel(row[x], x, y, s, vignette);
    });
}

} // namespace pq
