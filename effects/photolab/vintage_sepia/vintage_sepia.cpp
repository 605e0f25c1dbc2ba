// Vintage Sepia runs here; its settings and the toning of one pixel and
// one row are sepia_tone.

#include "effects/photolab/vintage_sepia/vintage_sepia.h"

#include "effects/photolab/film_look.h"
#include "effects/photolab/vintage_sepia/sepia_tone.h"
#include "engine/runtime/effect_api.h"
#include "gfx/filters.h"
#include "platform/numeric.h"

#include <algorithm>

namespace pq {

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
        ToneSepiaRow(row, y, w, s, textureRow, tw, vignette);
    });
}

} // namespace pq
