// Picture frames: a moulding profile swept around a rectangular opening,
// mitred at the corners, lit from the upper left. The opening is fully
// transparent and every frame pixel is opaque.
#include "images.h"

#include "common.h"

namespace gen {

namespace {

enum class Material { Wood, Gilt, Mat, MatCore, BlackMetal, Aluminium, Paint, Ebony, Bole };

struct Surface {
    float height = 0;   // relative to the border width
    Material material = Material::Wood;
    float recess = 0;   // 0..1, how deep in a hollow (grime collects there)
};

// Profile across the border, p = 0 at the outer edge .. 1 at the opening.
using Profile = std::function<Surface(float p, float s)>;

// x to a whole power, by squaring (std::pow is slow in the per-pixel loop).
float Powi(float x, int n)
{
    float r = 1.f;
    while (n > 0) {
        if (n & 1)
            r *= x;
        x *= x;
        n >>= 1;
    }
    return r;
}

float RoundTop(float p, float a, float b, float h)
{
    const float t = (p - a) / (b - a) * 2.f - 1.f;
    return h * std::sqrt(std::max(0.f, 1.f - t * t));
}

float Cove(float p, float a, float b, float h)
{
    const float t = (p - a) / (b - a);
    return h * (1.f - std::sqrt(std::max(0.f, 1.f - (1.f - t) * (1.f - t))));
}

struct FrameStyle {
    int width, height;
    int border;
    Profile profile;
    uint32_t seed;
    Rgb woodDark, woodLight; // for wood and paint
    float reliefScale;       // height units per border width
};

struct Lit {
    Rgb colour;
};

Rgb WoodColour(const FrameStyle& st, float s, float d, float b, uint32_t seed)
{
    // Grain runs along the moulding: growth lines bent by slow noise, with
    // pores and a few darker streaks.
    const float warp = 6.f * FastFbm(s / 900.f, d / 90.f, seed);
    const float rings = 0.5f + 0.5f * std::sin((d * 0.35f + warp + 1.5f * FastFbm(s / 160.f, d / 20.f, seed + 1)) * 1.3f);
    const float streak = 0.5f + 0.5f * FastFbm(s / 700.f, d / 4.f, seed + 2);
    const float fine = 0.5f + 0.5f * Perlin(s / 150.f, d / 1.4f, seed + 4);
    const float pores = 0.5f + 0.5f * Perlin(s / 9.f, d / 1.1f, seed + 3);
    float t = 0.3f * rings * std::sqrt(rings) + 0.4f * streak + 0.15f * fine + 0.15f * pores;
    t = Clamp01(t * 1.1f - 0.05f);
    (void)b;
    return Mix(st.woodDark, st.woodLight, t);
}

Rgb ShadePixel(const FrameStyle& st, const Surface& sf, float nx, float ny, float nz, float s, float d, float p)
{
    // Light from the upper left and in front; the viewer looks straight on.
    const float lx = -0.45f, ly = -0.6f, lz = 0.66f;
    const float diff = std::max(0.f, nx * lx + ny * ly + nz * lz);
    const float hx = lx, hy = ly, hz = lz + 1.f;
    const float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    const float nh = std::max(0.f, (nx * hx + ny * hy + nz * hz) / hl);
    const uint32_t seed = st.seed;
    const float grime = 1.f - 0.35f * sf.recess;
    switch (sf.material) {
    case Material::Wood: {
        const Rgb base = WoodColour(st, s, d, float(st.border), seed);
        const float spec = 0.18f * Powi(nh, 30);
        return base * (0.25f + 0.95f * diff) * grime + Rgb(spec, spec, spec);
    }
    case Material::Ebony: {
        Rgb base = WoodColour(st, s, d, float(st.border), seed);
        const float spec = 0.5f * Powi(nh, 60) + 0.08f * Powi(nh, 8);
        return base * (0.3f + 0.8f * diff) + Rgb(spec, spec, spec * 0.95f);
    }
    case Material::Gilt:
    case Material::Bole: {
        // Gold leaf reflects a bright room above and a dark floor below;
        // worn high spots show the red bole underneath.
        const float env = Clamp01(0.4f + 0.9f * (-ny * 0.75f - nx * 0.45f + 0.05f));
        const Rgb gold = Mix(Mix(Hex(0x6A4C1C), Hex(0xB8862E), Smoothstep(0.f, 0.5f, env)), Hex(0xF8E2A0), Smoothstep(0.5f, 1.f, env));
        const float spec = 0.8f * Powi(nh, 30);
        const float tarnish = 0.5f + 0.5f * FastFbm(s / 50.f, d / 25.f, seed + 9);
        Rgb c = gold * (0.7f + 0.4f * diff) * (0.92f + 0.12f * tarnish) + Rgb(spec, spec * 0.9f, spec * 0.6f);
        const float wear = sf.material == Material::Bole
                               ? 1.f
                               : Smoothstep(0.78f, 0.92f, 0.5f + 0.5f * FastFbm(s / 25.f, d / 12.f, seed + 10)) *
                                     Clamp01(sf.height * 3.f);
        c = Mix(c, Hex(0x8A3B22) * (0.4f + 0.8f * diff), wear * 0.5f);
        if (sf.material == Material::Bole) {
            // Sanded frieze: matte gold with a fine grain.
            const float sand = 0.5f + 0.5f * Perlin(s / 1.3f, d / 1.3f, seed + 11);
            c = Mix(Hex(0x9C7A3A), Hex(0xC9A55A), sand) * (0.6f + 0.5f * diff);
        }
        // Dark toning rubbed into the hollows.
        return c * (1.f - 0.55f * sf.recess);
    }
    case Material::Mat: {
        const float paper = 0.97f + 0.03f * Perlin(s / 2.5f, d / 2.5f, seed + 20) + 0.015f * FastFbm(s / 60.f, d / 60.f, seed + 21);
        const Rgb base = st.woodLight * paper;
        return base * (0.72f + 0.42f * diff) * (1.f - 0.25f * sf.recess);
    }
    case Material::MatCore: {
        const Rgb core = Hex(0xF7F5EE);
        return core * (0.78f + 0.4f * diff);
    }
    case Material::BlackMetal: {
        const float spec = 0.55f * Powi(nh, 40);
        return Hex(0x17181B) * (0.6f + 0.6f * diff) + Rgb(spec, spec, spec);
    }
    case Material::Aluminium: {
        // Brushed along the moulding.
        const float brush = 0.5f + 0.5f * (0.6f * Perlin(s / 60.f, d / 0.7f, seed + 30) + 0.4f * Perlin(s / 400.f, d / 3.f, seed + 31));
        const float env = Clamp01(0.3f + 0.7f * (-ny * 0.7f - nx * 0.4f + 0.25f));
        const Rgb metal = Mix(Hex(0x6E737A), Hex(0xDDE1E6), env) * (0.88f + 0.2f * brush);
        const float spec = 0.45f * Powi(nh, 18);
        return metal * (0.55f + 0.5f * diff) + Rgb(spec, spec, spec);
    }
    case Material::Paint: {
        // Chalky paint over wood, worn through on the edges.
        const float strokes = 0.5f + 0.5f * FastFbm(s / 200.f, d / 2.5f, seed + 40);
        Rgb paint = st.woodLight * (0.9f + 0.15f * strokes);
        const float edgeWear = std::max(Smoothstep(0.07f, 0.0f, p), Smoothstep(0.93f, 1.0f, p));
        const float chips = Smoothstep(0.55f, 0.7f, 0.5f + 0.5f * FastFbm(s / 30.f, d / 18.f, seed + 41));
        const float wear = Clamp01(edgeWear * 0.9f + chips * (0.35f + sf.height * 0.6f));
        const Rgb bare = WoodColour(st, s, d, float(st.border), seed) ;
        const Rgb c = Mix(paint, bare, wear);
        const float spec = 0.06f * Powi(nh, 12);
        return c * (0.35f + 0.8f * diff) * grime + Rgb(spec, spec, spec);
    }
    }
    return {};
}

QImage RenderFrame(const FrameStyle& st)
{
    const int frameWidth = st.width, frameHeight = st.height, b = st.border;
    QImage img(frameWidth, frameHeight, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    const float eps = 0.5f / float(b);
    ParallelRows(frameHeight, [&](int y) {
        auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < frameWidth; ++x) {
            const float dl = float(x) + 0.5f, dr = float(frameWidth - x) - 0.5f;
            const float dt = float(y) + 0.5f, db = float(frameHeight - y) - 0.5f;
            // Nearest side decides the moulding; ties make the mitre.
            float d = dl;
            int side = 0; // 0 left, 1 top, 2 right, 3 bottom
            if (dt < d) {
                d = dt;
                side = 1;
            }
            if (dr < d) {
                d = dr;
                side = 2;
            }
            if (db < d) {
                d = db;
                side = 3;
            }
            if (d >= float(b))
                continue; // the opening
            const float p = d / float(b);
            // Along the moulding; each side has its own piece of wood.
            const float s = (side == 0 || side == 2) ? float(y) + 7919.f * float(side) : float(x) + 7919.f * float(side);
            const Surface sf = st.profile(p, s);
            const float h0 = st.profile(std::max(0.f, p - eps), s).height;
            const float h1 = st.profile(std::min(1.f, p + eps), s).height;
            const float slope = (h1 - h0) / (std::min(1.f, p + eps) - std::max(0.f, p - eps)) * st.reliefScale;
            // Inward direction of this side.
            const float ix = side == 0 ? 1.f : (side == 2 ? -1.f : 0.f);
            const float iy = side == 1 ? 1.f : (side == 3 ? -1.f : 0.f);
            float nx = -slope * ix, ny = -slope * iy, nz = 1.f;
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= len;
            ny /= len;
            nz /= len;
            Rgb c = ShadePixel(st, sf, nx, ny, nz, s, d, p);
            // The mitre joint shows as a fine dark line on wooden mouldings.
            const float others[4] = {dl, dt, dr, db};
            float second = 1e9f;
            for (int k = 0; k < 4; ++k)
                if (k != side)
                    second = std::min(second, others[k]);
            if (sf.material == Material::Wood || sf.material == Material::Ebony || sf.material == Material::Paint ||
                sf.material == Material::Gilt) {
                const float gap = std::fabs(second - d);
                if (gap < 1.2f)
                    c = c * (0.55f + 0.45f * gap / 1.2f);
            }
            // A slightly dark outer edge and inner lip.
            c = c * (0.75f + 0.25f * Smoothstep(0.f, 3.f, d)) * (0.8f + 0.2f * Smoothstep(0.f, 2.f, float(b) - d));
            const auto q = [&](float v, uint32_t k) {
                return uint32_t(std::clamp(int(std::floor(v * 255.f + HashUnit(x, y, st.seed + k))), 0, 255));
            };
            row[x] = 0xFF000000u | q(c.r, 1) << 16 | q(c.g, 2) << 8 | q(c.b, 3);
        }
    });
    return img;
}

// Moulding profiles.
Surface WalnutProfile(float p, float)
{
    // Outer round, a flat, a cove, a bead and a small step down to the glass.
    Surface s;
    s.material = Material::Wood;
    if (p < 0.3f)
        s.height = 0.6f + RoundTop(p, -0.3f, 0.3f, 0.4f);
    else if (p < 0.45f)
        s.height = 0.6f;
    else if (p < 0.75f) {
        s.height = 0.6f - Cove(p, 0.45f, 0.75f, 0.35f);
        s.recess = Smoothstep(0.45f, 0.7f, p) * (1.f - Smoothstep(0.7f, 0.75f, p));
    } else if (p < 0.88f)
        s.height = 0.25f + RoundTop(p, 0.75f, 0.88f, 0.12f);
    else
        s.height = 0.2f - (p - 0.88f) * 0.5f;
    return s;
}

Surface GiltProfile(float p, float along)
{
    Surface s;
    s.material = Material::Gilt;
    if (p < 0.08f)
        s.height = 0.3f + RoundTop(p, 0.f, 0.16f, 0.1f);
    else if (p < 0.45f) {
        // Big sweeping cove with a rounded crest.
        s.height = 0.3f + 0.5f * std::sin(kPi * (p - 0.08f) / 0.37f) * (1.f - 0.3f * (p - 0.08f) / 0.37f);
        s.recess = 0.f;
    } else if (p < 0.6f) {
        s.height = 0.55f - Cove(p, 0.45f, 0.6f, 0.3f);
        s.recess = Smoothstep(0.5f, 0.6f, p);
    } else if (p < 0.7f) {
        // Row of beads.
        const float period = 28.f;
        const float k = std::fmod(std::fabs(along), period) / period * 2.f - 1.f;
        const float t = (p - 0.65f) / 0.05f;
        s.height = 0.22f + 0.12f * std::sqrt(std::max(0.f, 1.f - k * k * 1.15f - t * t));
        s.recess = std::max(0.f, std::fabs(k) - 0.7f) * 2.f;
    } else if (p < 0.82f) {
        s.height = 0.22f - 0.1f * (p - 0.7f);
        s.recess = 0.2f;
        s.material = Material::Bole;
    } else if (p < 0.86f) {
        s.height = 0.2f - Cove(p, 0.82f, 0.86f, 0.05f);
        s.recess = 0.5f;
    } else if (p < 0.95f)
        s.height = 0.1f + RoundTop(p, 0.86f, 0.95f, 0.1f);
    else
        s.height = 0.08f;
    return s;
}

Surface MatBlackProfile(float p, float)
{
    // A thin black metal frame around a white mat with a bevelled window.
    Surface s;
    if (p < 0.17f) {
        s.material = Material::BlackMetal;
        s.height = 0.15f + RoundTop(p, 0.f, 0.17f, 0.08f);
    } else if (p < 0.955f) {
        s.material = Material::Mat;
        s.height = 0.1f;
        s.recess = Smoothstep(0.25f, 0.17f, p) * 0.5f;
    } else {
        s.material = Material::MatCore;
        s.height = 0.1f - (p - 0.955f) / 0.045f * 0.05f;
    }
    return s;
}

Surface OakProfile(float p, float)
{
    Surface s;
    s.material = Material::Wood;
    s.height = 0.3f + RoundTop(p, -0.05f, 0.25f, 0.08f) * (p < 0.1f ? 1.f : 1.f);
    if (p > 0.1f)
        s.height = 0.38f - 0.05f * p;
    if (p > 0.85f)
        s.height = 0.33f - (p - 0.85f) * 1.2f;
    return s;
}

Surface WideMatProfile(float p, float)
{
    Surface s;
    if (p < 0.3f) {
        // Slim gilt moulding.
        s.material = Material::Gilt;
        if (p < 0.15f)
            s.height = 0.2f + RoundTop(p, 0.f, 0.3f, 0.2f);
        else {
            s.height = 0.4f - Cove(p, 0.15f, 0.3f, 0.25f);
            s.recess = Smoothstep(0.2f, 0.3f, p) * 0.6f;
        }
    } else if (p < 0.97f) {
        s.material = Material::Mat;
        s.height = 0.1f;
        s.recess = Smoothstep(0.36f, 0.3f, p) * 0.5f;
    } else {
        s.material = Material::MatCore;
        s.height = 0.1f - (p - 0.97f) / 0.03f * 0.05f;
    }
    return s;
}

Surface AluminiumProfile(float p, float)
{
    Surface s;
    s.material = Material::Aluminium;
    if (p < 0.15f)
        s.height = 0.3f + RoundTop(p, 0.f, 0.3f, 0.1f);
    else if (p < 0.8f)
        s.height = 0.38f + 0.05f * std::sin(p * 3.f);
    else if (p < 0.88f) {
        s.height = 0.3f - Cove(p, 0.8f, 0.88f, 0.15f);
        s.recess = 0.5f;
    } else
        s.height = 0.2f;
    return s;
}

Surface PaintedProfile(float p, float)
{
    Surface s;
    s.material = Material::Paint;
    if (p < 0.2f)
        s.height = 0.45f + RoundTop(p, -0.2f, 0.2f, 0.15f);
    else if (p < 0.55f)
        s.height = 0.45f - 0.15f * (p - 0.2f);
    else if (p < 0.7f) {
        s.height = 0.4f - Cove(p, 0.55f, 0.7f, 0.2f);
        s.recess = Smoothstep(0.55f, 0.7f, p) * 0.6f;
    } else
        s.height = 0.22f + RoundTop(p, 0.7f, 1.0f, 0.08f);
    return s;
}

Surface ThinBlackProfile(float p, float)
{
    Surface s;
    s.material = Material::BlackMetal;
    s.height = 0.2f + RoundTop(p, 0.f, 1.f, 0.15f);
    return s;
}

Surface EbonyProfile(float p, float)
{
    Surface s;
    s.material = Material::Ebony;
    if (p < 0.12f)
        s.height = 0.5f + RoundTop(p, -0.12f, 0.12f, 0.12f);
    else if (p < 0.6f) {
        // Deep reverse slope rising toward the picture.
        s.height = 0.5f - 0.35f * std::sin(kPi * (p - 0.12f) / 0.96f);
        s.recess = 0.2f;
    } else if (p < 0.72f)
        s.height = 0.3f + RoundTop(p, 0.6f, 0.72f, 0.18f);
    else if (p < 0.86f) {
        s.material = Material::Gilt;
        s.height = 0.3f + RoundTop(p, 0.72f, 0.86f, 0.14f);
    } else {
        s.height = 0.25f - 0.5f * (p - 0.86f);
        s.recess = 0.4f;
    }
    return s;
}

} // namespace

QImage PictureFrame(int number)
{
    switch (number) {
    case 1:
        return RenderFrame({2225, 2196, 205, WalnutProfile, 101, Hex(0x2E1A0E), Hex(0x7A4B2A), 2.2f});
    case 2:
        return RenderFrame({2244, 2424, 235, GiltProfile, 102, Hex(0x000000), Hex(0x000000), 2.4f});
    case 3:
        return RenderFrame({1122, 1212, 150, MatBlackProfile, 103, Hex(0x000000), Hex(0xF1EEE6), 1.4f});
    case 4:
        return RenderFrame({816, 1456, 64, OakProfile, 104, Hex(0x9C7548), Hex(0xD9B88A), 1.6f});
    case 5:
        return RenderFrame({2260, 3000, 300, WideMatProfile, 105, Hex(0x000000), Hex(0xEDE4D0), 1.6f});
    case 6:
        return RenderFrame({1100, 1100, 78, AluminiumProfile, 106, Hex(0x000000), Hex(0x000000), 1.8f});
    case 7:
        return RenderFrame({1957, 2331, 185, PaintedProfile, 107, Hex(0x4A3422), Hex(0x4F8A8B), 2.f});
    case 8:
        return RenderFrame({100, 100, 9, ThinBlackProfile, 108, Hex(0x000000), Hex(0x000000), 1.2f});
    default:
        return RenderFrame({2138, 2128, 240, EbonyProfile, 109, Hex(0x0C0806), Hex(0x2A1C14), 2.2f});
    }
}

} // namespace gen
