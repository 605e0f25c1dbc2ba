// Paper, canvas, fabric, cardboard and paint textures. All of them tile
// seamlessly and keep their brightness near mid-grey, since the texture
// overlay only uses each pixel's difference to the texture's mean.
#include "images.h"

#include "common.h"

#include <numeric>

namespace gen {

namespace {

// Colours a brightness plane: `tint` sets the hue, `lum` (0..1) the
// brightness; `hue` (about -1..1) shifts the colour toward `alt` a little.
QImage Tinted(const Field& lum, Rgb tint, const Field* hue = nullptr, Rgb alt = {}, float hueAmount = 0.f)
{
    ColorPlane p(lum.w, lum.h);
    const Rgb base = tint * (1.f / tint.luma());
    const Rgb other = alt.luma() > 0.f ? alt * (1.f / alt.luma()) : base;
    ParallelRows(lum.h, [&](int y) {
        for (int x = 0; x < lum.w; ++x) {
            Rgb c = base;
            if (hue)
                c = Mix(base, other, Clamp01(0.5f + 0.5f * hue->at(x, y)) * hueAmount);
            p.at(x, y) = c * lum.at(x, y);
        }
    });
    return ToImage(p, 7);
}

// Short curved fibres scattered over a tileable plane.
void ScatterFibres(Field& f, int count, float minLen, float maxLen, float width, float amount, uint32_t seed)
{
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        float x = float(rng.uniform() * f.w), y = float(rng.uniform() * f.h);
        float a = float(rng.uniform() * 2.0 * kPi);
        const float len = float(rng.range(minLen, maxLen));
        const float bend = float(rng.range(-0.12, 0.12));
        const float amt = amount * float(rng.range(0.4, 1.0)) * (rng.chance(0.5) ? 1.f : -0.6f);
        const float wd = width * float(rng.range(0.6, 1.3));
        const int steps = std::max(2, int(len / 3.f));
        for (int s = 0; s < steps; ++s) {
            const float nx = x + std::cos(a) * len / float(steps), ny = y + std::sin(a) * len / float(steps);
            DrawLine(f, x, y, nx, ny, wd, amt, true);
            x = nx;
            y = ny;
            a += bend;
        }
    }
}

struct WeaveParams {
    int threads = 160;       // threads across the plane in each direction
    float thickness = 0.88f; // thread width as a share of the pitch
    float thickVar = 0.12f;  // random thickness per thread
    float slub = 0.18f;      // thickness change along a thread
    float wobble = 0.12f;    // sideways wander, share of the pitch
    float lift = 0.35f;      // over-under undulation
    float fibre = 0.25f;     // fibre streaks along the threads
    float twist = 0.f;       // diagonal ply twist along the threads
};

// Height of a plain weave: warp threads run down, weft threads across.
// `gap` receives how open the weave is at each pixel (1 = hole).
Field Weave(int size, const WeaveParams& wp, uint32_t seed, Field* gap)
{
    const float pitch = float(size) / float(wp.threads);
    Field h(size, size);
    if (gap)
        *gap = Field(size, size);
    std::vector<float> thick(size_t(wp.threads) * 2);
    Rng rng(seed);
    for (float& t : thick)
        t = wp.thickness * (1.f + wp.thickVar * float(rng.range(-1.0, 1.0)));
    ParallelRows(size, [&](int y) {
        for (int x = 0; x < size; ++x) {
            // Sideways wander, tileable.
            const float wx = wp.wobble * pitch * Fbm(float(x) * 8.f / float(size), float(y) * 8.f / float(size), 8, 8, 3, 0.5f, seed + 1);
            const float wy = wp.wobble * pitch * Fbm(float(x) * 8.f / float(size), float(y) * 8.f / float(size), 8, 8, 3, 0.5f, seed + 2);
            const float gx = (float(x) + wx) / pitch;
            const float gy = (float(y) + wy) / pitch;
            const int i = int(std::floor(gx)), j = int(std::floor(gy));
            const int ii = ((i % wp.threads) + wp.threads) % wp.threads;
            const int jj = ((j % wp.threads) + wp.threads) % wp.threads;
            const float u = gx - float(i) - 0.5f, v = gy - float(j) - 0.5f;
            // Slubs: each thread thickens and thins along its length.
            const float slubW = 1.f + wp.slub * Perlin(float(ii) * 7.31f, float(y) * 24.f / float(size), 0, 24, seed + 3);
            const float slubH = 1.f + wp.slub * Perlin(float(x) * 24.f / float(size), float(jj) * 5.77f, 24, 0, seed + 4);
            const float hwWarp = 0.5f * thick[size_t(ii)] * slubW;
            const float hwWeft = 0.5f * thick[size_t(wp.threads) + size_t(jj)] * slubH;
            const float pw = std::sqrt(std::max(0.f, 1.f - (u / hwWarp) * (u / hwWarp)));
            const float ph = std::sqrt(std::max(0.f, 1.f - (v / hwWeft) * (v / hwWeft)));
            const float upWarp = std::cos(kPi * (gy - 0.5f + float(i)));
            const float upWeft = std::cos(kPi * (gx - 0.5f + float(j) + 1.f));
            // Fibres and ply twist along each thread (periods that divide the plane).
            const int pf = size * 9 / 10, pl = std::max(1, size * 12 / 100);
            const float fx = float(x) * float(pf) / float(size), fy = float(y) * float(pl) / float(size);
            const float fw = wp.fibre * Perlin(fx, fy, pf, pl, seed + 5) +
                             wp.twist * std::sin((gy * 3.f + u * 2.2f) * kPi);
            const float fh = wp.fibre * Perlin(float(x) * float(pl) / float(size), float(y) * float(pf) / float(size), pl, pf, seed + 6) +
                             wp.twist * std::sin((gx * 3.f + v * 2.2f) * kPi);
            const float hw = pw > 0.f ? pw * (1.f - wp.lift + wp.lift * upWarp) + fw * pw : -1.f;
            const float hh = ph > 0.f ? ph * (1.f - wp.lift + wp.lift * upWeft) + fh * ph : -1.f;
            h.at(x, y) = std::max({hw, hh, -0.6f});
            if (gap)
                gap->at(x, y) = (pw <= 0.f && ph <= 0.f) ? 1.f : 0.f;
        }
    });
    return h;
}

} // namespace

QImage CanvasTexture(int size, uint32_t seed)
{
    // Primed linen: irregular threads, each crossing lit as a small ridge.
    WeaveParams wp;
    wp.threads = std::max(8, size * 100 / 1024);
    wp.thickness = 0.92f;
    wp.thickVar = 0.25f;
    wp.slub = 0.3f;
    wp.wobble = 0.14f;
    wp.lift = 0.5f;
    wp.fibre = 0.28f;
    Field gap;
    Field h = Weave(size, wp, seed, &gap);
    // Priming fills the hollows and softens the threads a little.
    Field primed = Blur(h, 0.6f, true);
    for (size_t i = 0; i < h.v.size(); ++i)
        primed.v[i] = std::max(primed.v[i], -0.15f);
    Field shade = ShadeRelief(primed, 4.5f, true);
    Field mottle = FbmField(size, size, 4, 4, 5, 0.55f, seed + 10);
    Field lum(size, size);
    for (size_t i = 0; i < lum.v.size(); ++i)
        lum.v[i] = shade.v[i] * (1.f + 0.08f * mottle.v[i]) + 0.08f * primed.v[i];
    lum.normalize(0.56f, 0.11f);
    Field hue = FbmField(size, size, 3, 3, 3, 0.5f, seed + 11);
    return Tinted(lum, Hex(0xCBC2AE), &hue, Hex(0xC8C6BC), 0.6f);
}

QImage FabricTexture(int size, uint32_t seed)
{
    // Coarse jute: thick uneven threads with open holes between them.
    WeaveParams wp;
    wp.threads = std::max(8, size * 64 / 1024);
    wp.thickness = 0.78f;
    wp.thickVar = 0.22f;
    wp.slub = 0.3f;
    wp.wobble = 0.16f;
    wp.lift = 0.4f;
    wp.fibre = 0.35f;
    wp.twist = 0.18f;
    Field gap;
    Field h = Weave(size, wp, seed, &gap);
    // Loose hairs standing off the threads.
    Field hairs(size, size);
    ScatterFibres(hairs, size * size / 700, 8.f, 40.f, 0.8f, 0.5f, seed + 20);
    Field shade = ShadeRelief(h, 2.2f, true);
    Field lum(size, size);
    for (size_t i = 0; i < lum.v.size(); ++i) {
        const float base = gap.v[i] > 0.5f ? 0.12f : shade.v[i] * 0.9f + 0.12f * h.v[i];
        lum.v[i] = base + 0.25f * std::max(0.f, hairs.v[i]);
    }
    lum = Blur(lum, 0.5f, true);
    lum.normalize(0.52f, 0.13f);
    Field hue = FbmField(size, size, 6, 6, 4, 0.5f, seed + 21);
    return Tinted(lum, Hex(0xB89B6E), &hue, Hex(0xA89678), 0.8f);
}

QImage PaperTexture(int size, uint32_t seed)
{
    // Drawing paper: fine tooth, cloudy fibre flocs and scattered fibres.
    Field f1;
    WorleyField(size, size, size / 6, size / 6, seed, &f1, nullptr);
    Field tooth(size, size);
    for (size_t i = 0; i < tooth.v.size(); ++i)
        tooth.v[i] = -f1.v[i];
    tooth = Blur(tooth, 1.0f, true);
    Field fine = FbmField(size, size, size / 8, size / 8, 3, 0.5f, seed + 1);
    Field fibres(size, size);
    ScatterFibres(fibres, size * size / 260, 6.f, 28.f, 0.9f, 0.6f, seed + 2);
    fibres = Blur(fibres, 0.6f, true);
    Field height(size, size);
    for (size_t i = 0; i < height.v.size(); ++i)
        height.v[i] = 0.35f * tooth.v[i] + 1.2f * fine.v[i] + fibres.v[i];
    Field shade = ShadeRelief(height, 1.3f, true);
    Field flocs = FbmField(size, size, std::max(2, size / 64), std::max(2, size / 64), 5, 0.6f, seed + 3);
    Field lum(size, size);
    for (size_t i = 0; i < lum.v.size(); ++i)
        lum.v[i] = shade.v[i] + 0.05f * flocs.v[i] + 0.03f * fibres.v[i];
    lum.normalize(0.57f, 0.07f);
    return Tinted(lum, Hex(0xD8D2C4), &flocs, Hex(0xD6D4CC), 0.5f);
}

namespace {

// Felt-pressed paper surface: rounded bumps of mixed sizes (a soft cellular
// layer under warped noise), tileable at width x height with `unit` the
// greatest common divisor of the sides.
Field PaperRelief(int width, int height, float bump, uint32_t seed)
{
    const int unit = std::gcd(width, height);
    const int kx = width / unit, ky = height / unit;
    const int cells = std::max(1, int(float(unit) / bump));
    Field f1;
    WorleyField(width, height, kx * cells, ky * cells, seed, &f1, nullptr);
    const float cellPx = float(width) / float(kx * cells);
    const int base = std::max(1, unit / 64);
    Field warp = FbmField(width, height, kx * base, ky * base, 3, 0.5f, seed + 1);
    Field n1 = FbmField(width, height, kx * cells / 2 + kx, ky * cells / 2 + ky, 4, 0.55f, seed + 2);
    Field h(width, height);
    ParallelRows(height, [&](int y) {
        for (int x = 0; x < width; ++x) {
            const float c = f1.at(x, y) / cellPx;
            // Soft domes rather than facets, broken up by noise.
            const float dome = std::exp(-c * c * 2.2f);
            const float w = warp.at(x, y);
            h.at(x, y) = 0.55f * dome + 0.6f * n1.sample(float(x) + w * cellPx * 1.5f, float(y) - w * cellPx * 1.5f);
        }
    });
    return Blur(h, std::max(0.6f, bump * 0.08f), true);
}

} // namespace

QImage RoughWatercolorTexture(int size, uint32_t seed)
{
    // Rough watercolour paper: large soft hills and hollows.
    Field height = PaperRelief(size, size, 17.f, seed);
    Field fine = FbmField(size, size, size / 6, size / 6, 2, 0.5f, seed + 3);
    Field flocs = FbmField(size, size, std::max(2, size / 128), std::max(2, size / 128), 5, 0.6f, seed + 4);
    for (size_t i = 0; i < height.v.size(); ++i)
        height.v[i] += 0.04f * fine.v[i];
    Field shade = ShadeRelief(height, 9.f, true);
    Field lum(size, size);
    for (size_t i = 0; i < lum.v.size(); ++i)
        lum.v[i] = shade.v[i] + 0.04f * flocs.v[i];
    lum.normalize(0.56f, 0.085f);
    return Tinted(lum, Hex(0xD9D3C3), &flocs, Hex(0xD2D3CF), 0.4f);
}

QImage WatercolorPaper(int width, int height, uint32_t seed)
{
    // Cold-pressed watercolour paper, tileable at its own size.
    const int unit = std::gcd(width, height);
    const int kx = width / unit, ky = height / unit;
    Field h = PaperRelief(width, height, 9.f, seed);
    Field fine = FbmField(width, height, kx * std::max(1, unit / 4), ky * std::max(1, unit / 4), 2, 0.5f, seed + 2);
    Field flocs = FbmField(width, height, kx * std::max(1, unit / 64), ky * std::max(1, unit / 64), 5, 0.6f, seed + 3);
    for (size_t i = 0; i < h.v.size(); ++i)
        h.v[i] += 0.05f * fine.v[i];
    Field shade = ShadeRelief(h, 6.f, true);
    Field lum(width, height);
    for (size_t i = 0; i < lum.v.size(); ++i)
        lum.v[i] = shade.v[i] + 0.045f * flocs.v[i];
    lum.normalize(0.55f, 0.075f);
    return Tinted(lum, Hex(0xD6D2C8), &flocs, Hex(0xD8D0C2), 0.35f);
}

QImage CardboardTexture(int size, uint32_t seed)
{
    // Grey-brown chipboard: pressed recycled fibres with flecks.
    Field mottle = FbmField(size, size, std::max(2, size / 128), std::max(2, size / 128), 6, 0.62f, seed);
    Field fibres(size, size);
    ScatterFibres(fibres, size * size / 60, 3.f, 18.f, 1.0f, 0.45f, seed + 1);
    Field fine = FbmField(size, size, size / 4, size / 4, 2, 0.5f, seed + 2);
    Field height(size, size);
    for (size_t i = 0; i < height.v.size(); ++i)
        height.v[i] = fibres.v[i] + 0.6f * fine.v[i];
    height = Blur(height, 0.5f, true);
    Field shade = ShadeRelief(height, 1.0f, true);
    Field lum(size, size);
    for (size_t i = 0; i < lum.v.size(); ++i)
        lum.v[i] = shade.v[i] + 0.04f * mottle.v[i] + 0.12f * fibres.v[i];
    lum.normalize(0.50f, 0.07f);
    // Coloured flecks from the recycled stock.
    ColorPlane p(size, size);
    const Rgb base = Hex(0x9C8A70) * (1.f / Hex(0x9C8A70).luma());
    const Rgb greyer = Hex(0x8E8A82) * (1.f / Hex(0x8E8A82).luma());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            p.at(x, y) = Mix(base, greyer, Clamp01(0.5f + 0.6f * mottle.at(x, y))) * lum.at(x, y);
    Rng rng(seed + 3);
    const Rgb flecks[] = {Hex(0x3A2E24), Hex(0xE8E2D4), Hex(0x5A6E8C), Hex(0x8C3A30), Hex(0x2A2A2A)};
    for (int i = 0; i < size * size / 1800; ++i) {
        const int cx = rng.below(size), cy = rng.below(size);
        const Rgb c = flecks[rng.below(5)];
        const float r = float(rng.range(0.6, 2.2));
        const float a = float(rng.range(0.3, 0.8));
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const float d = std::sqrt(float(dx * dx + dy * dy));
                const float k = a * Clamp01(r + 0.5f - d);
                if (k <= 0.f)
                    continue;
                Rgb& t = p.at((cx + dx + size) % size, (cy + dy + size) % size);
                t = Mix(t, c * (0.6f + lum.at((cx + dx + size) % size, (cy + dy + size) % size) * 0.6f), k);
            }
    }
    return ToImage(p, 8);
}

} // namespace gen
