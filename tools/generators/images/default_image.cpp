// The default photo: a lighthouse on a granite headland at a mountain lake
// in late afternoon light. It is drawn at twice its size and reduced, so
// that hard edges are smooth and fine texture survives as real detail.
//
// Everything every effect should meet is in it: a smooth sky gradient and
// soft clouds, hard geometric edges (tower, house, railing, sail), fine
// texture (forest, granite, grass), saturated colours (red stripes, roof,
// flowers) next to muted ones (mountains, haze), reflections, light and
// cast shadows.
#include "images.h"

#include "common.h"

#include <QPainter>
#include <QPainterPath>

namespace gen {

namespace {

constexpr int kW = 960, kH = 1440;
constexpr int kS = 2; // supersampling
constexpr float kWater = 835.f; // far shore line
constexpr float kSunX = 215.f, kSunY = 300.f;

// Straight colour with coverage.
struct Rgba {
    Rgb c;
    float a = 0.f;
};

// A window (x0, y0, w, h) of a larger plane; outside it everything is clear.
struct RgbaPlane {
    int x0, y0, w, h;
    std::vector<Rgba> p;
    RgbaPlane(int left, int top, int width, int height)
        : x0(left), y0(top), w(width), h(height), p(size_t(width) * size_t(height))
    {
    }
    bool contains(int x, int y) const { return x >= x0 && y >= y0 && x < x0 + w && y < y0 + h; }
    Rgba& at(int x, int y) { return p[size_t(y - y0) * size_t(w) + size_t(x - x0)]; }
    Rgba get(int x, int y) const { return contains(x, y) ? p[size_t(y - y0) * size_t(w) + size_t(x - x0)] : Rgba(); }
    Rgba sample(float x, float y) const { return get(int(std::floor(x)), int(std::floor(y))); }
};

inline Rgb Over(const Rgb& dst, const Rgba& src) { return Mix(dst, src.c, src.a); }

// ---------------------------------------------------------------- sky

Rgb SkyGradient(float y)
{
    const float t = Clamp01(y / kWater);
    if (t < 0.55f)
        return Mix(Hex(0x1F4F8F), Hex(0x6C9DCB), std::pow(t / 0.55f, 0.9f));
    return Mix(Hex(0x6C9DCB), Hex(0xF1D9B5), std::pow((t - 0.55f) / 0.45f, 1.4f));
}

Rgb SkyColour(float x, float y)
{
    // The vertical gradient, tabulated per half pixel.
    static const std::vector<Rgb> kTable = [] {
        std::vector<Rgb> t(static_cast<size_t>(2 * kH + 2));
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = SkyGradient(float(i) * 0.5f);
        return t;
    }();
    Rgb c = kTable[size_t(std::clamp(int(y * 2.f), 0, 2 * kH + 1))];
    // Warm glow around the low sun.
    const float dx = x - kSunX, dy = (y - kSunY) * 1.3f;
    const float d = std::sqrt(dx * dx + dy * dy);
    c += Rgb(1.f, 0.82f, 0.55f) * (0.55f * std::exp(-d / 170.f) + 0.25f * std::exp(-d / 520.f));
    if (d < 17.f)
        c = Mix(c, Rgb(1.f, 0.98f, 0.9f) * 1.3f, Smoothstep(17.f, 14.f, d));
    return c;
}

float Billow(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0.f, amp = 1.f, norm = 0.f;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * (1.f - std::fabs(Perlin(x, y, seed + uint32_t(o) * 31u)));
        norm += amp;
        amp *= 0.5f;
        x *= 2.03f;
        y *= 2.03f;
    }
    return sum / norm;
}

float CloudDensity(float x, float y)
{
    // Heaped cumulus in a band across the upper sky, thin wisps above.
    const float wx = x / 260.f + 0.12f * Fbm(x / 500.f, y / 300.f, 3, 0.5f, 11);
    const float wy = y / 150.f + 0.12f * Fbm(x / 400.f + 7.f, y / 250.f, 3, 0.5f, 12);
    const float n = Billow(wx, wy, 6, 13) - 0.55f + 0.9f * Fbm(x / 380.f, y / 220.f, 3, 0.5f, 14);
    const float band = std::exp(-std::pow((y - 200.f) / 110.f, 2.f)) * 0.3f + std::exp(-std::pow((y - 480.f) / 50.f, 2.f)) * 0.12f;
    // Clear sky around the sun.
    const float sun = std::exp(-((x - kSunX) * (x - kSunX) + (y - kSunY) * (y - kSunY)) / (2.f * 120.f * 120.f)) * 0.35f;
    return n + band - 0.33f - sun;
}

// Cloud density measured on a grid of 2-pixel steps; clouds are soft, so
// bilinear reading loses nothing.
const Field& CloudField()
{
    static const Field kF = [] {
        Field g(kW / 2 + 40, int(kWater) / 2 + 40);
        ParallelRows(g.h, [&](int y) {
            for (int x = 0; x < g.w; ++x)
                g.at(x, y) = CloudDensity(float(x - 20) * 2.f, float(y - 20) * 2.f);
        });
        return g;
    }();
    return kF;
}

float CloudAt(float x, float y) { return CloudField().sampleClamped(x / 2.f + 20.f, y / 2.f + 20.f); }

Rgb Sky(float x, float y)
{
    Rgb c = SkyColour(x, y);
    const float n = CloudAt(x, y);
    if (n > -0.1f) {
        const float cover = Smoothstep(-0.05f, 0.2f, n);
        // Self-shadow: denser toward the sun means in shadow.
        const float dxs = kSunX - x, dys = kSunY - y;
        const float len = std::max(1.f, std::sqrt(dxs * dxs + dys * dys));
        const float toward = CloudAt(x + dxs / len * 22.f, y + dys / len * 22.f);
        const float lit = Clamp01(0.62f - (toward - n) * 2.6f);
        const float sunNear = std::exp(-std::sqrt(dxs * dxs + dys * dys) / 420.f);
        Rgb shadow = Mix(Hex(0x7C8AA6), Hex(0xA39A9E), Clamp01(y / 700.f));
        Rgb light = Mix(Hex(0xFFF6E8), Hex(0xFFE2B0), sunNear);
        Rgb cloud = Mix(shadow, light, lit);
        // Thin edges glow where the sun shines through.
        cloud += Rgb(1.f, 0.85f, 0.55f) * (0.5f * sunNear * (1.f - Smoothstep(0.f, 0.18f, n)));
        c = Mix(c, cloud, cover * 0.96f);
    }
    return c;
}

// ---------------------------------------------------------- mountains

float Ridged(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0.f, amp = 1.f, norm = 0.f;
    for (int o = 0; o < octaves; ++o) {
        const float r = 1.f - std::fabs(Perlin(x, y, seed + uint32_t(o) * 57u));
        sum += amp * r * r;
        norm += amp;
        amp *= 0.5f;
        x *= 2.f;
        y *= 2.f;
    }
    return sum / norm;
}

float FarRidge(float x)
{
    const float r = Ridged(x / 520.f, 3.3f, 4, 21);
    return 620.f - 190.f * std::pow(r, 1.6f) - 60.f * std::sin(x / 960.f * 3.1f + 0.6f) - 8.f * Fbm(x / 25.f, 0.5f, 2, 0.5f, 29);
}

float NearRidge(float x)
{
    // The skyline of the wooded hill is made of tree crowns.
    const float crowns = std::fabs(std::sin(x / 3.1f + 2.f * Fbm(x / 30.f, 1.f, 2, 0.5f, 30))) * 5.f;
    return 735.f - 70.f * (0.5f + 0.5f * Fbm(x / 300.f, 9.1f, 5, 0.5f, 23)) - 45.f * Smoothstep(950.f, 250.f, x) -
           crowns - 4.f * Fbm(x / 12.f, 2.f, 2, 0.5f, 31);
}

// Relief of the far range: gullies running down the slopes.
float FarRelief(float x, float y) { return Ridged(x / 85.f, y / 190.f, 6, 24) + 0.4f * Fbm(x / 40.f, y / 60.f, 3, 0.5f, 28); }

Rgb FarMountain(float x, float y, float ridge)
{
    const float h = FarRelief(x, y);
    const float hx = FarRelief(x + 1.5f, y);
    const float hy = FarRelief(x, y + 1.5f);
    // Faces turned to the left catch the sun.
    const float nx = -(hx - h) * 26.f + (ridge - FarRidge(x + 4.f)) * 0.06f, ny = -(hy - h) * 10.f;
    const float light = Clamp01(0.5f - nx * 0.8f - ny * 0.3f);
    Rgb rock = Mix(Hex(0x3A4668), Hex(0xB4A29C), light);
    const float depth = y - ridge;
    const float snow = Smoothstep(0.52f, 0.66f, h + 0.22f - depth / 200.f) * Smoothstep(580.f, 480.f, y);
    rock = Mix(rock, Mix(Hex(0x8E9CC0), Hex(0xF4ECE4), light), snow * 0.9f);
    // Haze: the range dissolves into the horizon glow toward its foot.
    return Mix(rock, SkyColour(x, 720.f), 0.3f + 0.45f * Smoothstep(520.f, 700.f, y));
}

Rgb NearMountain(float x, float y, float ridge)
{
    // Forested slopes: rounded crowns, each lit on its left side.
    const float cw = 5.5f, ch = 6.5f;
    const int ci = int(std::floor(x / cw)), cj = int(std::floor(y / ch));
    float best = 1e9f, bx = 0, by = 0;
    int bi = 0, bj = 0;
    for (int j = cj - 1; j <= cj + 1; ++j)
        for (int i = ci - 1; i <= ci + 1; ++i) {
            const float px = (float(i) + HashUnit(i, j, 91)) * cw, py = (float(j) + HashUnit(i, j, 92)) * ch;
            const float d = (x - px) * (x - px) + (y - py) * (y - py) * 0.8f;
            if (d < best) {
                best = d;
                bx = x - px;
                by = y - py;
                bi = i;
                bj = j;
            }
        }
    const float tone = HashUnit(bi, bj, 93);
    const float r = 4.f + 3.f * tone;
    const float k = Clamp01(std::sqrt(best) / r);
    const float lit = Clamp01(0.5f - bx / r * 0.6f - by / r * 0.35f) * (1.f - 0.8f * k * k);
    const float species = HashUnit(bi, bj, 94);
    const Rgb bright = species < 0.7f ? Mix(Hex(0x3A5A36), Hex(0x5F7A40), tone) : Hex(0x7E8A4A);
    Rgb c = Mix(Hex(0x0E1C14), bright, lit);
    // Large folds of the hillside in light and shade.
    const float fold = Fbm(x / 130.f, y / 70.f, 4, 0.5f, 27);
    c = c * (0.6f + 0.8f * Clamp01(0.5f + fold * 1.3f)) * (0.8f + 0.35f * Smoothstep(700.f, 0.f, x));
    return Mix(c, SkyColour(x, 740.f), 0.3f * Smoothstep(ridge + 60.f, ridge, y) + 0.2f);
}

// -------------------------------------------------------- far shore trees

float TreeLine(float x, float* shade)
{
    // Trees along the far shore: conifer spikes and rounded crowns.
    float top = 812.f + 5.f * Fbm(x / 60.f, 2.f, 2, 0.5f, 31);
    float lit = 0.3f;
    const int i0 = int(std::floor(x / 10.f));
    for (int i = i0 - 4; i <= i0 + 4; ++i) {
        const float cx = (float(i) + HashUnit(i, 0, 32)) * 10.f;
        const float h = 10.f + 38.f * std::pow(HashUnit(i, 1, 33), 1.5f) * (0.55f + 0.45f * std::sin(cx / 130.f + 1.f));
        const float d = std::fabs(x - cx);
        float t;
        if (HashUnit(i, 3, 35) < 0.6f) {
            const float w = 2.5f + 2.5f * HashUnit(i, 2, 34);
            t = 808.f - h + h * d / (w * 2.6f) + 1.8f * std::fabs(std::sin(d * 2.3f + float(i)));
        } else {
            const float w = 7.f + 5.f * HashUnit(i, 2, 34);
            t = d < w ? 808.f - h * 0.75f + (h * 0.45f) * (1.f - std::sqrt(1.f - (d / w) * (d / w))) : 1e9f;
        }
        if (t < top) {
            top = t;
            lit = Clamp01(0.5f + (cx - x) / 12.f);
        }
    }
    if (shade)
        *shade = lit;
    return top;
}

// ------------------------------------------------- headland and buildings

constexpr float kTowerX = 738.f;
constexpr float kTowerBase = 812.f;
constexpr float kTowerTop = 455.f;

float HeadlandTop(float x)
{
    // Rises from the water at the left, a plateau under the tower.
    const float rise = Smoothstep(505.f, 690.f, x);
    float y = 902.f - rise * 95.f - 18.f * Fbm(x / 45.f, 5.f, 4, 0.5f, 41) * rise;
    y = Mix(y, kTowerBase + 3.f, std::exp(-std::pow((x - kTowerX) / 70.f, 2.f)));
    return y;
}

float HeadlandWater(float x) { return 904.f + 3.f * std::sin(x / 23.f) + 2.f * Fbm(x / 30.f, 1.f, 3, 0.5f, 42); }

Rgb Granite(float x, float y, float nx, float ny, uint32_t seed, float lightK)
{
    // Pink-grey granite with mica specks, cracks and lichen, lit from the left.
    const float lx = -0.7f, ly = -0.35f, lz = 0.62f;
    const float nz = std::sqrt(std::max(0.05f, 1.f - nx * nx - ny * ny));
    const float diff = std::max(0.f, nx * lx + ny * ly + nz * lz);
    const float speck = HashUnit(int(x * 2.f), int(y * 2.f), seed);
    Rgb base = Mix(Hex(0x847870), Hex(0xBBAA9E), 0.5f + 0.7f * FastFbm(x / 70.f, y / 50.f, seed + 1));
    if (speck > 0.95f)
        base = base * 0.55f;
    else if (speck < 0.05f)
        base = base * 1.18f;
    const float lichen = Smoothstep(0.32f, 0.45f, FastFbm(x / 22.f, y / 16.f, seed + 2));
    base = Mix(base, Mix(Hex(0xB89A4A), Hex(0xD8C27A), speck), lichen * 0.55f);
    const float crack = std::fabs(FastFbm(x / 80.f, y / 45.f, seed + 3));
    base = base * (0.6f + 0.4f * Smoothstep(0.0f, 0.02f, crack));
    const Rgb sun = Rgb(1.f, 0.9f, 0.75f) * (diff * 1.25f * lightK);
    const Rgb skyAmb = Rgb(0.45f, 0.5f, 0.62f) * (0.3f + 0.15f * nz);
    return base * (sun + skyAmb);
}

// The near layer: headland, lighthouse, keeper's house and sailing boat.
Rgba Tower(float x, float y)
{
    Rgba out;
    const float cx = kTowerX;
    // Roof dome, lantern, gallery and railing, then the striped tower.
    if (y < 392.f && y >= 352.f) {
        const float t = (392.f - y) / 40.f;
        const float hw = 31.f * std::sqrt(std::max(0.f, 1.f - t * t));
        const float u = (x - cx) / std::max(1.f, hw);
        if (std::fabs(u) <= 1.f) {
            const float lit = Clamp01(0.6f - u * 0.6f + (1.f - t) * 0.1f);
            out.c = Mix(Hex(0x3A0E0C), Hex(0xC4392E), lit) + Rgb(0.5f, 0.45f, 0.4f) * std::pow(Clamp01(1.f - std::fabs(u + 0.45f) * 4.f), 3.f) * 0.6f;
            out.a = 1.f;
        }
        if (std::fabs(x - cx) < 2.f && y >= 336.f && y < 352.f) {
            out.c = Hex(0x202020);
            out.a = 1.f;
        }
        return out;
    }
    if (y >= 336.f && y < 352.f && std::fabs(x - cx) < 1.5f) {
        out.c = Hex(0x202020);
        out.a = 1.f;
        return out;
    }
    if (y >= 392.f && y < 432.f) {
        const float hw = 25.f;
        const float u = (x - cx) / hw;
        if (std::fabs(u) <= 1.f) {
            // Glazing with the lamp glowing behind, mullions in between.
            const float mull = std::fabs(std::fmod(std::fabs(u) * 2.5f + 0.5f, 1.f) - 0.5f);
            const Rgb glass = Mix(Hex(0x2B3440), Hex(0xFFE7A0), std::exp(-u * u * 6.f) * 0.85f);
            out.c = mull > 0.42f ? Hex(0x1A1A1A) : glass;
            if (y < 396.f || y > 428.f)
                out.c = Hex(0x222222);
            out.a = 1.f;
        }
        return out;
    }
    if (y >= 432.f && y < 455.f) {
        // Railing: thin bars between a top rail and the gallery deck.
        const float hw = 43.f;
        if (std::fabs(x - cx) <= hw) {
            const bool rail = y < 435.f || (y > 450.f);
            const bool bar = std::fabs(std::fmod(x - cx + 200.f, 6.f) - 3.f) < 0.7f;
            if (rail || bar) {
                const float lit = Clamp01(0.6f - (x - cx) / hw * 0.5f);
                out.c = y > 450.f ? Mix(Hex(0x2A2A2A), Hex(0x8A8A8A), lit) : Mix(Hex(0x1A1A1A), Hex(0x555555), lit);
                out.a = 1.f;
            } else if (std::fabs(x - cx) < 27.f) {
                // The tower top shows between the bars.
                out.c = Mix(Hex(0x555047), Hex(0xE8E2D6), Clamp01(0.6f - (x - cx) / 27.f * 0.6f));
                out.a = 1.f;
            }
        }
        return out;
    }
    if (y >= kTowerTop && y < kTowerBase) {
        const float t = (y - kTowerTop) / (kTowerBase - kTowerTop);
        const float hw = 27.f + 10.f * t;
        const float u = (x - cx) / hw;
        if (std::fabs(u) > 1.f)
            return out;
        const float nz = std::sqrt(std::max(0.f, 1.f - u * u));
        const float diff = std::max(0.f, -u * 0.78f + nz * 0.62f);
        const int band = int(t * 5.f);
        const Rgb paint = band % 2 ? Hex(0xC0281E) : Hex(0xF4F0E8);
        // Weathering: streaks running down from the windows and the
        // gallery, ring joints, shade under the gallery deck.
        const float streaks = 0.93f + 0.07f * Perlin(x / 2.f, y / 40.f, 51) - 0.05f * Smoothstep(0.3f, 0.8f, FastFbm(x / 6.f, y / 90.f, 52));
        const float joint = std::fabs(std::fmod(y - kTowerTop, 24.f) - 12.f) > 11.4f ? 0.93f : 1.f;
        const float underDeck = 1.f - 0.45f * std::exp(-(y - kTowerTop) / 10.f);
        const float occl = 1.f - 0.2f * Smoothstep(0.5f, 1.f, std::fabs(u));
        Rgb c = paint * (streaks * joint * underDeck * occl) *
                (Rgb(1.f, 0.93f, 0.8f) * (diff * 1.1f) + Rgb(0.42f, 0.47f, 0.6f) * 0.5f);
        // Windows and door.
        const float wy = std::fmod(y - kTowerTop, 72.f);
        if (std::fabs(x - cx + 2.f) < 4.5f && wy > 30.f && wy < 46.f && y < kTowerBase - 60.f)
            c = Hex(0x161A20);
        if (std::fabs(x - cx + 3.f) < 8.f && y > kTowerBase - 30.f) {
            const float arch = kTowerBase - 30.f + 8.f - std::sqrt(std::max(0.f, 64.f - (x - cx + 3.f) * (x - cx + 3.f)));
            if (y > arch)
                c = Hex(0x2A1A12) * (0.8f + 0.2f * diff);
        }
        out.c = c;
        out.a = 1.f;
        return out;
    }
    return out;
}

Rgba House(float x, float y)
{
    // Keeper's cottage: white boarded walls, red roof, two windows, chimney.
    Rgba out;
    const float l = 585.f, r = 680.f, eave = 778.f, ground = 842.f, ridgeY = 742.f;
    if (x >= l - 6.f && x <= r + 6.f && y >= ridgeY && y < eave) {
        const float t = (y - ridgeY) / (eave - ridgeY);
        // Gable roof seen side on: a trapezoid.
        const float inset = (1.f - t) * 16.f;
        if (x >= l - 6.f + inset && x <= r + 6.f - inset) {
            const float tiles = std::fabs(std::fmod(y - ridgeY, 6.f) - 3.f) < 0.6f ? 0.7f : 1.f;
            const float lit = 0.75f + 0.25f * (1.f - t);
            out.c = Hex(0xB2321F) * tiles * lit * (0.92f + 0.08f * Perlin(x / 3.f, y / 2.f, 61));
            out.a = 1.f;
        }
        return out;
    }
    if (x >= 650.f && x <= 662.f && y >= 724.f && y < 760.f) {
        out.c = Hex(0x7A4A3A) * (x < 655.f ? 1.1f : 0.7f);
        out.a = 1.f;
        return out;
    }
    if (x >= l && x <= r && y >= eave && y < ground) {
        const float boards = std::fabs(std::fmod(y - eave, 7.f) - 3.5f) < 0.5f ? 0.82f : 1.f;
        const float shadow = Smoothstep(eave + 10.f, eave, y) * 0.45f; // under the eaves
        Rgb c = Hex(0xF2EEE4) * boards * (1.f - shadow) * 0.95f;
        for (const float wx : {603.f, 645.f}) {
            if (x > wx && x < wx + 20.f && y > 792.f && y < 820.f) {
                const bool frame = x < wx + 3.f || x > wx + 17.f || y < 795.f || y > 817.f || std::fabs(x - wx - 10.f) < 1.2f;
                c = frame ? Hex(0xFFFFFF) * 0.95f : Mix(Hex(0x1E2A36), Hex(0x8FB3D0), Clamp01((820.f - y) / 40.f) * 0.5f);
            }
        }
        if (x > 625.f && x < 639.f && y > 806.f)
            c = Hex(0x3B5B7A);
        out.c = c;
        out.a = 1.f;
    }
    return out;
}

Rgba Headland(float x, float y)
{
    Rgba out;
    const float top = HeadlandTop(x);
    const float water = HeadlandWater(x);
    if (y < top || y > water || x < 480.f)
        return out;
    // Surface normal from a bumpy height field of boulders.
    const float h = FastFbm(x / 45.f, y / 30.f, 43);
    const float hx = FastFbm((x + 1.5f) / 45.f, y / 30.f, 43);
    const float hy = FastFbm(x / 45.f, (y + 1.5f) / 30.f, 43);
    float nx = -(hx - h) * 22.f, ny = -(hy - h) * 22.f - 0.25f;
    const float n = std::sqrt(nx * nx + ny * ny);
    if (n > 0.9f) {
        nx *= 0.9f / n;
        ny *= 0.9f / n;
    }
    // The tower's and the house's shadows fall to the right.
    float lightK = 1.f;
    if (x > kTowerX && y > kTowerBase - 4.f && y < kTowerBase + 30.f && x < kTowerX + 170.f - (y - kTowerBase) * 1.5f)
        lightK = 0.35f;
    if (x > 680.f && x < 712.f && y < 852.f)
        lightK = std::min(lightK, 0.4f);
    Rgb c = Granite(x, y, nx, ny, 44, lightK);
    // Grass on the top.
    const float grass = Smoothstep(14.f, 4.f, y - top) * Smoothstep(0.f, 0.2f, FastFbm(x / 12.f, y / 6.f, 45) + 0.15f);
    if (grass > 0.f) {
        const Rgb g = Mix(Hex(0x4E6B2A), Hex(0xA7B04A), 0.5f + 0.5f * Perlin(x / 2.f, y / 4.f, 46)) * lightK;
        c = Mix(c, g, grass);
    }
    // Wet dark rock at the waterline.
    c = c * (1.f - 0.5f * Smoothstep(water - 12.f, water, y));
    out.c = c;
    out.a = 1.f;
    return out;
}

Rgba Boat(float x, float y)
{
    // A small sailing boat: white sails lit from the left, dark red hull.
    Rgba out;
    const float bx = 290.f, waterY = 1010.f;
    if (y > waterY - 16.f && y <= waterY && x > bx - 38.f && x < bx + 44.f) {
        const float t = (y - (waterY - 16.f)) / 16.f;
        if (x > bx - 38.f + t * 12.f && x < bx + 44.f - t * 6.f) {
            out.c = y < waterY - 13.f ? Hex(0xE8E4DA) : Hex(0x6E1E1A) * (1.f - 0.3f * t);
            out.a = 1.f;
        }
        return out;
    }
    if (std::fabs(x - bx) < 1.2f && y > waterY - 140.f && y <= waterY - 16.f) {
        out.c = Hex(0x3A3A3A);
        out.a = 1.f;
        return out;
    }
    // Mainsail right of the mast, jib left of it.
    if (y > waterY - 136.f && y < waterY - 20.f) {
        const float t = (y - (waterY - 136.f)) / 116.f;
        if (x > bx + 1.5f && x < bx + 2.f + 50.f * t) {
            const float u = (x - bx) / std::max(1.f, 50.f * t);
            out.c = Mix(Hex(0xFFFDF6), Hex(0xBFC2C8), u * 0.6f);
            out.a = 1.f;
        } else if (x < bx - 1.5f && x > bx - 1.5f - 36.f * std::max(0.f, t - 0.15f) && y > waterY - 118.f) {
            out.c = Hex(0xF6EFE0) * 0.97f;
            out.a = 1.f;
        }
    }
    return out;
}

// ------------------------------------------------------------ foreground

struct Boulder {
    float cx, cy, rx, ry;
    uint32_t seed;
};

const Boulder kBoulders[] = {
    {150.f, 1345.f, 245.f, 150.f, 71}, {455.f, 1418.f, 170.f, 105.f, 72}, {870.f, 1300.f, 215.f, 165.f, 73},
    {640.f, 1395.f, 90.f, 55.f, 74},
};

Rgba Boulders(float x, float y)
{
    Rgba out;
    for (const Boulder& b : kBoulders) {
        const float dx = (x - b.cx) / b.rx, dy = (y - b.cy) / b.ry;
        if (dx * dx + dy * dy > 1.6f)
            continue;
        const float th = std::atan2(dy, dx);
        const float wob = 1.f + 0.12f * Fbm(std::cos(th) * 1.5f + 3.f, std::sin(th) * 1.5f + 3.f, 4, 0.5f, b.seed);
        const float r = std::sqrt(dx * dx + dy * dy) / wob;
        if (r >= 1.f)
            continue;
        // A rounded dome with rough facets.
        const float bump = FastFbm(x / 90.f, y / 90.f, b.seed + 1);
        float nx = dx / wob * 0.9f + (FastFbm((x + 3.f) / 90.f, y / 90.f, b.seed + 1) - bump) * -9.f;
        float ny = dy / wob * 0.9f - 0.15f + (FastFbm(x / 90.f, (y + 3.f) / 90.f, b.seed + 1) - bump) * -9.f;
        const float n = std::sqrt(nx * nx + ny * ny);
        if (n > 0.95f) {
            nx *= 0.95f / n;
            ny *= 0.95f / n;
        }
        out.c = Granite(x, y, nx, ny, b.seed + 2, 1.15f);
        // Contact shadow at the bottom of the stone, warm light on its crown.
        out.c = out.c * (1.f - 0.6f * Smoothstep(0.45f, 1.f, r) * Smoothstep(-0.3f, 0.8f, dy));
        out.c += Rgb(0.12f, 0.09f, 0.05f) * Clamp01(-dx - dy) * (1.f - r);
        out.a = Clamp01((1.f - r) * b.rx * 0.5f + 0.5f);
        return out;
    }
    return out;
}

// ---------------------------------------------------------------- water

// Water at the final resolution: the far scene (`far`, final size) and the
// near layers (twice the size) mirrored, rippled and darkened by depth.
void RenderWater(ColorPlane& img, const ColorPlane& far, const RgbaPlane& nearLayer, const RgbaPlane& boatLayer)
{
    ParallelRows(img.h, [&](int y) {
        const float py = float(y) + 0.5f;
        if (py < kWater)
            return;
        const float q = Clamp01((py - kWater) / 600.f);
        for (int x = 0; x < img.w; ++x) {
            const float px = float(x) + 0.5f;
            // Ripples grow larger toward the viewer.
            const float sx = 14.f + 90.f * q, sy = 1.6f + 9.f * q;
            const float rx = Perlin(px / sx, py / sy, 81) + 0.5f * Perlin(px / (sx * 0.4f), py / (sy * 0.5f), 82);
            const float ry = Perlin(px / sx + 7.f, py / sy, 83);
            const float amp = 1.5f + 16.f * q;
            const float dX = rx * amp * 0.6f, dY = ry * amp;
            // Far scene mirrored about the far shore.
            const float my = 2.f * kWater - py + dY;
            Rgb refl = far.sample(px + dX - 0.5f, std::max(0.f, my) - 0.5f);
            // The headland and the boat mirrored about their own waterlines.
            const float hy = 2.f * HeadlandWater(px) - py + dY;
            if (hy > 0.f && hy < py) {
                const Rgba nr = nearLayer.sample((px + dX) * kS, hy * kS);
                refl = Over(refl, nr);
            }
            const float by = 2.f * 1010.f - py + dY * 0.6f;
            if (by > 860.f && by < 1010.f) {
                const Rgba br = boatLayer.sample((px + dX * 0.6f) * kS, by * kS);
                refl = Over(refl, br);
            }
            // Facing the ripple's slope, the water shows more sky or more depth.
            const float tilt = Clamp01(0.5f + 0.45f * Perlin(px / (sx * 0.7f), py / (sy * 0.45f), 84));
            const float fresnel = Mix(0.9f, 0.5f, q) * (0.85f + 0.3f * tilt);
            const Rgb deep = Mix(Hex(0x1B4A50), Hex(0x0E2A2C), q);
            Rgb c = Mix(deep, refl * 0.9f, Clamp01(fresnel));
            // Sun glitter in a path under the sun.
            const float path = std::exp(-std::pow((px - kSunX) / (30.f + 140.f * q), 2.f)) * Smoothstep(0.f, 0.25f, q);
            const float spark = Perlin(px / (5.f + 14.f * q), py / (0.7f + 1.6f * q), 85);
            const float glow = Clamp01(refl.luma() * 1.3f - 0.4f);
            if (spark > 0.5f)
                c += Rgb(1.f, 0.92f, 0.75f) * (path * glow * (spark - 0.5f) * 6.f);
            // A bright line where the water meets the far shore.
            c += Rgb(0.5f, 0.45f, 0.35f) * std::exp(-(py - kWater) / 1.5f) * 0.5f;
            img.at(x, y) = c;
        }
    });
}

// ----------------------------------------------------- painted details

void DrawGrass(QImage& img, uint32_t seed)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kS, kS);
    Rng rng(seed);
    // Dark ground band first, then blades from back to front.
    QPainterPath ground;
    ground.moveTo(0, kH);
    for (int x = 0; x <= kW; x += 8)
        ground.lineTo(x, 1335.f + 25.f * Fbm(float(x) / 120.f, 0.f, 3, 0.5f, seed + 1) + 30.f * std::sin(float(x) / 160.f));
    ground.lineTo(kW, kH);
    ground.closeSubpath();
    p.fillPath(ground, QColor(38, 52, 24));
    for (int i = 0; i < 9000; ++i) {
        const float depth = float(i) / 9000.f; // 0 back .. 1 front
        const float x = float(rng.uniform() * (kW + 40)) - 20.f;
        const float base = 1345.f + depth * 100.f + float(rng.range(-12, 12)) + 25.f * std::sin(x / 160.f);
        const float len = float(rng.range(25, 70)) * (0.6f + 0.8f * depth);
        const float lean = float(rng.range(-0.45, 0.35)) + 0.15f * std::sin(x / 90.f);
        const float w = float(rng.range(1.2, 2.6)) * (0.7f + 0.6f * depth);
        const QPointF b(x, base), tip(x + lean * len, base - len);
        const QPointF ctrl(x + lean * len * 0.2f, base - len * 0.6f);
        QPainterPath blade;
        blade.moveTo(b.x() - w, b.y());
        blade.quadTo(ctrl.x() - w * 0.5, ctrl.y(), tip.x(), tip.y());
        blade.quadTo(ctrl.x() + w * 0.5, ctrl.y(), b.x() + w, b.y());
        blade.closeSubpath();
        // Sunlit from the left: leaning left catches more light; the lower
        // half of every blade sits in the shade of the others.
        const float light = Clamp01(0.45f + float(rng.range(-0.2, 0.3)) - lean * 0.4f + depth * 0.2f);
        const Rgb dark = Hex(0x27401A), mid = Hex(0x5E7F2E), bright = Hex(0xC8C467);
        const Rgb c = light < 0.5f ? Mix(dark, mid, light * 2.f) : Mix(mid, bright, (light - 0.5f) * 2.f);
        p.fillPath(blade, QColor::fromRgbF(std::min(1.f, c.r), std::min(1.f, c.g), std::min(1.f, c.b)));
        QPainterPath lower;
        lower.moveTo(b.x() - w, b.y());
        lower.lineTo(ctrl.x() - w * 0.6, (b.y() + ctrl.y()) * 0.5);
        lower.lineTo(ctrl.x() + w * 0.6, (b.y() + ctrl.y()) * 0.5);
        lower.lineTo(b.x() + w, b.y());
        lower.closeSubpath();
        p.fillPath(lower, QColor::fromRgbF(c.r * 0.5f, c.g * 0.5f, c.b * 0.5f, 0.7f));
    }
    // Wild flowers: lupin spikes, buttercups, daisies and a few poppies.
    Rng fr(seed + 5);
    for (int i = 0; i < 16; ++i) {
        const float x = float(fr.range(10, kW - 10));
        const float base = 1375.f + float(fr.range(0, 55)) + 25.f * std::sin(x / 160.f);
        const float hgt = float(fr.range(60, 110));
        const float lean = float(fr.range(-0.12, 0.12));
        const bool pink = fr.chance(0.3);
        p.setPen(QPen(QColor(52, 80, 34), 1.8));
        p.drawLine(QPointF(x, base), QPointF(x + lean * hgt, base - hgt));
        // Florets: open and coloured below, small green buds at the tip.
        for (int k = 0; k < 40; ++k) {
            const float t = float(fr.uniform());
            const float yy = base - hgt * (0.4f + 0.6f * t);
            const float xx = x + lean * hgt * (0.4f + 0.6f * t);
            const float r = (3.6f - 2.4f * t) * float(fr.range(0.8, 1.2));
            const float side = float(fr.range(-1.0, 1.0)) * (4.5f - 3.f * t);
            const float lit = Clamp01(0.75f - side * 0.08f + float(fr.range(-0.1, 0.1)));
            QColor col = pink ? QColor::fromRgbF(0.92f * lit, 0.42f * lit, 0.66f * lit) : QColor::fromRgbF(0.5f * lit, 0.36f * lit, 0.86f * lit);
            if (t > 0.85f)
                col = QColor::fromRgbF(0.45f * lit, 0.55f * lit, 0.35f * lit);
            p.setPen(Qt::NoPen);
            p.setBrush(col);
            p.drawEllipse(QPointF(xx + side, yy), r, r * 0.7f);
        }
    }
    for (int i = 0; i < 120; ++i) {
        const float x = float(fr.range(5, kW - 5));
        const float y = 1372.f + float(fr.range(0, 68)) + 25.f * std::sin(x / 160.f);
        const float r = float(fr.range(3.0, 5.5)) * (0.7f + 0.4f * (y - 1370.f) / 70.f);
        const int kind = fr.below(10);
        p.setPen(Qt::NoPen);
        if (kind < 5) { // buttercup
            p.setBrush(QColor(248, 206, 30));
            p.drawEllipse(QPointF(x, y), r, r * 0.8f);
            p.setBrush(QColor(255, 240, 150));
            p.drawEllipse(QPointF(x - r * 0.3f, y - r * 0.25f), r * 0.35f, r * 0.3f);
        } else if (kind < 9) { // daisy
            p.setBrush(QColor(250, 250, 244));
            for (int k = 0; k < 10; ++k) {
                const float a = float(k) * kPi / 5.f;
                p.drawEllipse(QPointF(x + std::cos(a) * r * 0.9f, y + std::sin(a) * r * 0.6f), r * 0.45f, r * 0.3f);
            }
            p.setBrush(QColor(240, 190, 40));
            p.drawEllipse(QPointF(x, y), r * 0.4f, r * 0.35f);
        } else { // poppy
            p.setBrush(QColor(225, 40, 30));
            p.drawEllipse(QPointF(x, y), r * 1.5f, r * 1.2f);
            p.setBrush(QColor(40, 20, 20));
            p.drawEllipse(QPointF(x, y), r * 0.4f, r * 0.35f);
        }
    }
    // Gulls over the water.
    p.setPen(QPen(QColor(40, 40, 48), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF gulls[] = {{520, 520}, {566, 548}, {470, 600}, {860, 300}};
    for (const QPointF& g : gulls) {
        QPainterPath w;
        w.moveTo(g + QPointF(-14, -4));
        w.quadTo(g + QPointF(-7, -10), g);
        w.quadTo(g + QPointF(7, -10), g + QPointF(14, -4));
        p.drawPath(w);
    }
}

} // namespace

QImage DefaultImage()
{
    const int fullWidth = kW * kS, fullHeight = kH * kS;
    // Far scene at the final size: Sky, mountains, the forest on the far shore.
    ColorPlane far(kW, kH);
    ParallelRows(int(kWater) + 3, [&](int y) {
        const float py = float(y) + 0.5f;
        for (int x = 0; x < kW; ++x) {
            const float px = float(x) + 0.5f;
            Rgb c = Sky(px, py);
            const float fr = FarRidge(px);
            if (py > fr)
                c = Mix(c, FarMountain(px, py, fr), Clamp01(py - fr));
            const float nr = NearRidge(px);
            if (py > nr)
                c = Mix(c, NearMountain(px, py, nr), Clamp01(py - nr));
            float lit = 0.f;
            const float tl = py > 755.f ? TreeLine(px, &lit) : 1e9f;
            if (py > tl) {
                const float twigs = 0.5f + 0.5f * Fbm(px / 3.f, py / 2.f, 2, 0.5f, 35);
                Rgb t = Mix(Hex(0x0B1710), Hex(0x3D5C36), Clamp01(lit * 0.8f * (0.6f + 0.6f * twigs)));
                t = t * (0.75f + 0.35f * Smoothstep(kWater, tl, py));
                c = Mix(c, t, Clamp01(py - tl));
            }
            // Stony shore line with a little light on the stones.
            const float shore = kWater - 3.f - 2.f * Fbm(px / 15.f, 0.f, 2, 0.5f, 37);
            if (py > shore)
                c = Mix(Hex(0x22241E), Hex(0x7A7260), Smoothstep(0.3f, 0.9f, HashUnit(int(px / 3.f), 0, 36)) * 0.6f);
            far.at(x, y) = c;
        }
    });
    // Near objects that are reflected: Headland with its buildings, the Boat.
    RgbaPlane nearLayer(480 * kS, 330 * kS, fullWidth - 480 * kS, 582 * kS);
    RgbaPlane boatLayer(240 * kS, 860 * kS, 105 * kS, 152 * kS);
    ParallelRows(nearLayer.h, [&](int row) {
        const int y2 = nearLayer.y0 + row;
        const float py = (float(y2) + 0.5f) / kS;
        for (int x2 = nearLayer.x0; x2 < nearLayer.x0 + nearLayer.w; ++x2) {
            const float px = (float(x2) + 0.5f) / kS;
            Rgba n = Headland(px, py);
            const Rgba h = House(px, py);
            if (h.a > 0.f)
                n = h;
            const Rgba t = Tower(px, py);
            if (t.a > 0.f)
                n = t;
            nearLayer.at(x2, y2) = n;
        }
    });
    ParallelRows(boatLayer.h, [&](int row) {
        const int y2 = boatLayer.y0 + row;
        for (int x2 = boatLayer.x0; x2 < boatLayer.x0 + boatLayer.w; ++x2)
            boatLayer.at(x2, y2) = Boat((float(x2) + 0.5f) / kS, (float(y2) + 0.5f) / kS);
    });
    // The water mirrors the scene as drawn so far, never rows being written.
    const ColorPlane farScene = far;
    RenderWater(far, farScene, nearLayer, boatLayer);

    // Twice the size: the soft far scene enlarged, sharp objects on top.
    ColorPlane img(fullWidth, fullHeight);
    ParallelRows(fullHeight, [&](int y2) {
        const float py = (float(y2) + 0.5f) / kS;
        for (int x2 = 0; x2 < fullWidth; ++x2) {
            const float px = (float(x2) + 0.5f) / kS;
            Rgb c = far.sample(px - 0.5f, py - 0.5f);
            c = Over(c, boatLayer.get(x2, y2));
            c = Over(c, nearLayer.get(x2, y2));
            if (py > 1150.f) {
                // Cast shadows of the stones fall right, onto the water.
                for (const Boulder& b : kBoulders) {
                    const float dx = (px - b.cx - b.rx * 0.3f) / (b.rx * 1.05f), dy = (py - b.cy - b.ry * 0.3f) / (b.ry * 0.7f);
                    const float r2 = dx * dx + dy * dy;
                    if (r2 < 1.f)
                        c = c * (0.55f + 0.45f * Smoothstep(0.5f, 1.f, r2));
                }
                c = Over(c, Boulders(px, py));
            }
            img.at(x2, y2) = c;
        }
    });
    QImage big = ToImage(img, 91);
    DrawGrass(big, 92);

    // Reduce to the final size, with a touch of lens vignette and grain.
    QImage out(kW, kH, QImage::Format_RGB32);
    ParallelRows(kH, [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < kW; ++x) {
            float r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kS; ++sy) {
                const auto* src = reinterpret_cast<const uint32_t*>(big.constScanLine(y * kS + sy)) + x * kS;
                for (int sx = 0; sx < kS; ++sx) {
                    r += float((src[sx] >> 16) & 255);
                    g += float((src[sx] >> 8) & 255);
                    b += float(src[sx] & 255);
                }
            }
            const float k = 1.f / float(kS * kS);
            const float dx = (float(x) - kW * 0.5f) / kW, dy = (float(y) - kH * 0.5f) / kH;
            const float vig = 1.f - 0.22f * std::pow(dx * dx + dy * dy, 1.2f) * 2.2f;
            const float grain = (HashUnit(x, y, 93) + HashUnit(x, y, 94) - 1.f) * 3.f;
            // A gentle photographic grade: a little less saturation, a soft
            // S-curve, warm highlights.
            float cr = r * k / 255.f, cg = g * k / 255.f, cb = b * k / 255.f;
            const float l = 0.299f * cr + 0.587f * cg + 0.114f * cb;
            cr = l + (cr - l) * 0.9f;
            cg = l + (cg - l) * 0.9f;
            cb = l + (cb - l) * 0.9f;
            auto curve = [](float v) {
                v = Clamp01(v);
                return v + 0.12f * v * (1.f - v) * (2.f * v - 1.f);
            };
            cr = curve(cr) * (1.f + 0.03f * l);
            cb = curve(cb) * (1.f - 0.03f * l);
            cg = curve(cg);
            auto ch = [&](float v) { return uint32_t(std::clamp(int(std::lround(v * 255.f * vig + grain)), 0, 255)); };
            row[x] = 0xFF000000u | ch(cr) << 16 | ch(cg) << 8 | ch(cb);
        }
    });
    return out;
}

} // namespace gen
