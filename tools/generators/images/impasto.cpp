// Thick oil paint seen in raking light: overlapping bristle strokes piled
// into a height field, tileable.
#include "images.h"

#include "common.h"
#include "marks.h"

namespace gen {

QImage ImpastoTexture(int size, uint32_t seed)
{
    Field height = FbmField(size, size, 4, 4, 4, 0.5f, seed);
    for (float& v : height.v)
        v *= 0.3f;
    // Strokes follow a slowly turning direction field, like a painter's
    // hand working one area after another.
    Field flow = FbmField(size, size, 2, 2, 2, 0.5f, seed + 1);
    Rng rng(seed + 2);
    // Strokes keep their real size; a smaller plane just holds fewer.
    const float area = float(size) / 1024.f;
    const int strokes = std::max(12, int(330 * area * area));
    const float k = 1.f;
    for (int i = 0; i < strokes; ++i) {
        const float cx = float(rng.uniform() * size), cy = float(rng.uniform() * size);
        const float angle = flow.sample(cx, cy) * 5.f + float(rng.range(-0.5, 0.5));
        (void)rng.uniform(); // keeps the sequence of draws as before
        BristleSpec sp;
        sp.width = float(rng.range(34, 90)) * k;
        sp.dryness = float(rng.range(0.2, 0.8));
        sp.dryStart = float(rng.range(0.3, 0.6));
        sp.bristle = float(rng.range(1.6, 3.0)) * std::max(0.5f, k);
        sp.clump = float(rng.range(0.3, 0.6));
        sp.startRound = float(rng.range(0.2, 0.6));
        sp.endTaper = float(rng.range(0.1, 0.6));
        const float length = float(rng.range(90, 260)) * k;
        const StrokeGeom g = StrokeGeom::centred(cx, cy, angle, length, 0.f);
        const float thick = float(rng.range(0.6, 1.2));
        // Bounding box of the arc, grown by the stroke's width.
        float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
        for (int q = 0; q <= 8; ++q) {
            float px, py;
            g.point(length * float(q) / 8.f, px, py);
            x0 = std::min(x0, px);
            y0 = std::min(y0, py);
            x1 = std::max(x1, px);
            y1 = std::max(y1, py);
        }
        const float grow = sp.width * 0.75f + 4.f;
        const int bx = int(std::floor(x0 - grow)), by = int(std::floor(y0 - grow));
        const int bw = int(std::ceil(x1 + grow)) - bx, bh = int(std::ceil(y1 + grow)) - by;
        const uint32_t s = seed + 100u + uint32_t(i) * 37u;
        ParallelRows(bh, [&](int row) {
            const int y = by + row;
            // Only the band along the stroke can hold paint.
            const float ca = std::cos(angle), sa = std::sin(angle);
            for (int x = bx; x < bx + bw; ++x) {
                const float qx = float(x) + 0.5f - g.x0, qy = float(y) + 0.5f - g.y0;
                const float across = -qx * sa + qy * ca;
                if (std::fabs(across) > sp.width * 0.75f + 3.f)
                    continue;
                float streak = 0.5f;
                const float a = BristleAt(g, sp, s, float(x) + 0.5f, float(y) + 0.5f, &streak);
                if (a <= 0.f)
                    continue;
                float gs, gt;
                g.local(float(x) + 0.5f, float(y) + 0.5f, gs, gt);
                const float u = Clamp01(gs / length);
                // Paint ridges along the bristles, thicker where the stroke began.
                const float ridgeEdge = std::exp(-std::pow((std::fabs(gt) - sp.width * 0.45f) / 3.f, 2.f));
                const float h = thick * (0.55f + 0.45f * streak + 0.2f * ridgeEdge) * (1.15f - 0.35f * u);
                float& dst = height.at(((x % size) + size) % size, ((y % size) + size) % size);
                const float c = Clamp01(a * 1.25f);
                dst = Mix(dst, dst * 0.35f + h, c);
            }
        });
    }
    height = Blur(height, 0.6f, true);
    Field shade = ShadeRelief(height, 1.9f, true);
    Field lum(size, size);
    for (size_t i = 0; i < lum.v.size(); ++i) {
        // A touch of gloss on the ridges that face the light.
        const float spec = std::pow(std::max(0.f, shade.v[i] - 0.75f) * 4.f, 2.f) * 0.25f;
        lum.v[i] = shade.v[i] + spec;
    }
    lum.normalize(0.55f, 0.12f);
    ColorPlane p(size, size);
    const Rgb tint = Hex(0xD6D0C4) * (1.f / Hex(0xD6D0C4).luma());
    for (size_t i = 0; i < p.c.size(); ++i)
        p.c[i] = tint * lum.v[i];
    return ToImage(p, 9);
}

} // namespace gen
