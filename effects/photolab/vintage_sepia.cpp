#include "effects/photolab/vintage_sepia.h"

#include "effects/photolab/film_look.h"
#include "effects/photolab/photolab_pixels.h"
#include "engine/runtime/effect_api.h"
#include "gfx/filters.h"
#include "gfx/luma.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cstdint>

namespace pq {
namespace {

struct SepiaSettings {
    int retention = 0;  // K1 of 256
    int toning = 0;     // K2 of 256
    int grain = 0;      // P4
    int amplitude = 0;  // hash grain amplitude
    gfx::Image texture; // null: hash grain only
    int textureMean = 0;
};

// One pixel of alpha 5 or more, from premultiplied bytes to premultiplied bytes.
gfx::Pixel SepiaPixel(gfx::Pixel p, int x, int y, const SepiaSettings& s, const gfx::Pixel* textureRow,
                      int textureX, const film::Vignette& vignette)
{
    const int a = int(p >> 24);
    int c[3];
    photolab::ColourBytes(p, c);
    if (a != 255)
        for (int& v : c)
            v = v * 255 / a;

    const int l = gfx::Luma601Fixed8(c[0], c[1], c[2]);
    for (int& v : c)
        v = l + (v - l) * s.retention / 256;

    const int sepia[3] = {std::min(255, (112 * c[0] + 195 * c[1] + 50 * c[2]) >> 8),
                          std::min(255, (86 * c[0] + 170 * c[1] + 42 * c[2]) >> 8),
                          (56 * c[0] + 117 * c[1] + 26 * c[2]) >> 8};
    for (int i = 0; i < 3; ++i)
        c[i] = c[i] + (sepia[i] - c[i]) * s.toning / 256;

    if (s.grain > 0) {
        int grain = film::GrainHash(x, y) * s.amplitude / 256;
        if (textureRow)
            grain += (film::FilmGrey(textureRow[textureX]) - s.textureMean) * s.grain / 100;
        for (int& v : c)
            v = platform::ClampByte(v + grain);
    }

    if (vignette.active()) {
        const float f = vignette.factor(x, y);
        if (f != 1.0f)
            for (int& v : c)
                v = film::Vignette::apply(v, f);
    }

    for (int& v : c)
        v = platform::ClampByte(v);
    if (a < 255)
        for (int& v : c)
            v = v * a / 255;
    return photolab::PackPixel(a, c, 255);
}

} // namespace

void VintageSepia(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    film::ClampPercents(p1, p2, p3, p4, p5);

    SepiaSettings s;
    s.retention = p1 * 256 / 100;
    s.toning = p2 * 256 / 100;
    s.grain = p4;
    s.amplitude = platform::Round(p4 * 0.306);
    if (p4 > 0) {
        s.texture = film::OldFilmTexture();
        if (s.texture.isNull() || s.texture.width() <= 0 || s.texture.height() <= 0)
            s.texture = {};
        else
            s.textureMean = film::TextureMean(s.texture);
    }

    // The base picture, softened when P5 > 0.
    const float sigma = float(p5 * 0.0375);
    const gfx::Image base = p5 > 0 ? gfx::GaussianBlur(source, sigma, sigma, gfx::EdgeMode::Clamp) : source;
    const film::Vignette vignette(source.width(), source.height(), float(p3) / 100.0f);
    film::ToneRows(source, base.isNull() ? source : base, dest, preview, [&](gfx::Pixel* row, int y, int w) {
        const gfx::Pixel* textureRow = s.texture.isNull() ? nullptr : s.texture.row(y % s.texture.height());
        const int tw = s.texture.isNull() ? 1 : s.texture.width();
        int tx = 0;
        for (int x = 0; x < w; ++x, tx = tx + 1 == tw ? 0 : tx + 1)
            if ((row[x] >> 24) >= 5)
                row[x] = SepiaPixel(row[x], x, y, s, textureRow, tx, vignette);
    });
}

} // namespace pq
