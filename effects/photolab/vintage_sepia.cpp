#include "effects/photolab/vintage_sepia.h"

#include "effects/photolab/film_look.h"
#include "effects/photolab/photolab_pixels.h"
#include "engine/runtime/effect_api.h"
#include "gfx/filters.h"
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
gfx::Pixel sepiaPixel(gfx::Pixel p, int x, int y, const SepiaSettings& s, const gfx::Pixel* textureRow,
                      int textureX, const film::Vignette& vignette)
{
    const int A = int(p >> 24);
    int c[3];
    photolab::colourBytes(p, c);
    if (A != 255)
        for (int& v : c)
            v = v * 255 / A;

    const int L = (77 * c[0] + 150 * c[1] + 29 * c[2]) >> 8;
    for (int& v : c)
        v = L + (v - L) * s.retention / 256;

    const int sepia[3] = {std::min(255, (112 * c[0] + 195 * c[1] + 50 * c[2]) >> 8),
                          std::min(255, (86 * c[0] + 170 * c[1] + 42 * c[2]) >> 8),
                          (56 * c[0] + 117 * c[1] + 26 * c[2]) >> 8};
    for (int i = 0; i < 3; ++i)
        c[i] = c[i] + (sepia[i] - c[i]) * s.toning / 256;

    if (s.grain > 0) {
        int grain = film::grainHash(x, y) * s.amplitude / 256;
        if (textureRow)
            grain += (film::filmGrey(textureRow[textureX]) - s.textureMean) * s.grain / 100;
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
    if (A < 255)
        for (int& v : c)
            v = v * A / 255;
    return photolab::packPixel(A, c, 255);
}

} // namespace

void VintageSepia(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (Source.isNull() || Dest.isNull())
        return;
    film::clampPercents(P1, P2, P3, P4, P5);

    SepiaSettings s;
    s.retention = P1 * 256 / 100;
    s.toning = P2 * 256 / 100;
    s.grain = P4;
    s.amplitude = platform::Round(P4 * 0.306);
    if (P4 > 0) {
        s.texture = film::oldFilmTexture();
        if (s.texture.isNull() || s.texture.width() <= 0 || s.texture.height() <= 0)
            s.texture = {};
        else
            s.textureMean = film::textureMean(s.texture);
    }

    // The base picture, softened when P5 > 0.
    const float sigma = float(P5 * 0.0375);
    const gfx::Image base = P5 > 0 ? gfx::gaussianBlur(Source, sigma, sigma, gfx::EdgeMode::Clamp) : Source;
    const film::Vignette vignette(Source.width(), Source.height(), float(P3) / 100.0f);
    film::toneRows(Source, base.isNull() ? Source : base, Dest, Preview, [&](gfx::Pixel* row, int y, int w) {
        const gfx::Pixel* textureRow = s.texture.isNull() ? nullptr : s.texture.row(y % s.texture.height());
        const int tw = s.texture.isNull() ? 1 : s.texture.width();
        int tx = 0;
        for (int x = 0; x < w; ++x, tx = tx + 1 == tw ? 0 : tx + 1)
            if ((row[x] >> 24) >= 5)
                row[x] = sepiaPixel(row[x], x, y, s, textureRow, tx, vignette);
    });
}

} // namespace pq
