// The pencil hatching strip and the old film grain.
#include "images.h"

#include "common.h"

namespace gen {

namespace {

QImage Greyscale(const Field& f, uint32_t ditherSeed)
{
    QImage img(f.w, f.h, QImage::Format_Grayscale8);
    for (int y = 0; y < f.h; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < f.w; ++x)
            row[x] = uchar(std::clamp(int(std::floor(f.at(x, y) * 255.f + HashUnit(x, y, ditherSeed))), 0, 255));
    }
    return img;
}

struct HatchLayer {
    float angle;    // direction of the strokes
    float spacing;  // pixels between strokes
    float width;    // stroke width
    float onset;    // darkness at which the layer starts
    uint32_t seed;
};

// Darkness (0..1) of one layer of pencil strokes at a point.
float Hatch(const HatchLayer& l, float x, float y, const Field& tooth)
{
    const float dx = std::cos(l.angle), dy = std::sin(l.angle);
    const float along = x * dx + y * dy;
    const float across = -x * dy + y * dx;
    const int line = int(std::floor(across / l.spacing));
    float best = 0.f;
    for (int k = line - 1; k <= line + 1; ++k) {
        // Each stroke wanders a little and is broken into pieces.
        const float centre = (float(k) + 0.5f + 0.25f * (HashUnit(k, 1, l.seed) - 0.5f)) * l.spacing +
                             1.2f * Perlin(along / 60.f, float(k) * 3.1f, l.seed + 1);
        const float d = std::fabs(across - centre);
        const float w = l.width * (0.8f + 0.4f * HashUnit(k, 2, l.seed));
        const float prof = Clamp01(1.f - d / w);
        if (prof <= 0.f)
            continue;
        const float seg = Perlin(along / 55.f + float(k) * 1.7f, float(k) * 0.37f, l.seed + 2);
        const float gap = Smoothstep(-0.45f, -0.25f, seg);
        const float press = 0.75f + 0.25f * Perlin(along / 25.f, float(k) * 2.3f, l.seed + 3);
        best = std::max(best, prof * gap * press);
    }
    // Graphite catches on the paper's tooth.
    const float grain = tooth.sample(x, y);
    return best * (0.55f + 0.45f * grain);
}

} // namespace

QImage PencilTexture()
{
    // Crossed pencil hatching whose tone runs from dark at the left edge to
    // white at the right; column c serves pixels of brightness c / 2.
    const int w = 512, h = 166;
    Field tooth = FbmField(256, 256, 64, 64, 2, 0.5f, 51);
    tooth.stretch(0.f, 1.f);
    const HatchLayer layers[] = {
        {-0.12f, 4.2f, 1.3f, 0.0f, 61},
        {0.62f, 4.6f, 1.2f, 0.22f, 62},
        {-0.78f, 4.4f, 1.2f, 0.42f, 63},
        {1.45f, 3.8f, 1.1f, 0.6f, 64},
        {0.15f, 2.6f, 1.2f, 0.78f, 65},
    };
    Field v(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float dark = 1.f - float(x) / float(w - 1);
            float value = 0.97f + 0.03f * tooth.sample(float(x), float(y));
            for (const HatchLayer& l : layers) {
                const float k = Clamp01((dark - l.onset) / 0.3f);
                if (k > 0.f)
                    value *= 1.f - Hatch(l, float(x), float(y), tooth) * (0.35f + 0.6f * k) * std::min(1.f, k * 2.f);
            }
            v.at(x, y) = value;
        }
    // Match each column's mean to its tone, keeping the hatching's contrast.
    for (int pass = 0; pass < 4; ++pass)
        for (int x = 0; x < w; ++x) {
            const float target = float(x) / 2.f / 255.f;
            float mean = 0.f;
            for (int y = 0; y < h; ++y)
                mean += v.at(x, y);
            mean /= float(h);
            // Scale toward black on the dark side, toward white on the light one.
            for (int y = 0; y < h; ++y) {
                float& p = v.at(x, y);
                if (target < mean)
                    p = p * (target / std::max(1e-4f, mean));
                else
                    p = 1.f - (1.f - p) * ((1.f - target) / std::max(1e-4f, 1.f - mean));
            }
        }
    return Greyscale(v, 52);
}

QImage OldFilmTexture()
{
    // A scan of grainy film base: silver grain in two sizes, a slow density
    // flicker, dust specks, hairs and long scratches, about mid-grey.
    const int w = 2904, h = 2064;
    Field grain(w, h);
    ParallelRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            // Approximately normal from four uniforms.
            grain.at(x, y) = (HashUnit(x, y, 700u) + HashUnit(x, y, 701u) - 1.f) * 2.45f;
        }
    });
    Field fine = Blur(grain, 0.5f, true);
    Field coarse = Blur(grain, 1.6f, true);
    // Slow density flicker, measured coarsely (it has no fine detail).
    const Field flickerSmall = FbmField(w / 8, h / 8, 6, 4, 4, 0.5f, 711);
    Field v(w, h);
    for (size_t i = 0; i < v.v.size(); ++i)
        v.v[i] = 0.5f + 0.085f * fine.v[i] / std::max(1e-3f, 0.45f) * 0.6f + 0.05f * coarse.v[i] / 0.2f * 0.25f +
                 0.025f * flickerSmall.sample(float(i % size_t(w)) / 8.f, float(i / size_t(w)) / 8.f);

    Rng rng(712);
    // Dust: dark irregular specks of several sizes.
    for (int i = 0; i < 900; ++i) {
        const float cx = float(rng.uniform() * w), cy = float(rng.uniform() * h);
        const float r = float(0.6 + std::pow(rng.uniform(), 3.0) * 5.0);
        const float dark = float(rng.range(0.15, 0.45)) * (rng.chance(0.25) ? -0.8f : 1.f);
        const int ir = int(r) + 3;
        for (int dy = -ir; dy <= ir; ++dy)
            for (int dx = -ir; dx <= ir; ++dx) {
                const float ang = std::atan2(float(dy), float(dx));
                const float rr = r * (1.f + 0.35f * Perlin(std::cos(ang) * 2.f + float(i), std::sin(ang) * 2.f, 713));
                const float d = std::sqrt(float(dx * dx + dy * dy));
                const float k = Clamp01(rr + 0.5f - d);
                if (k <= 0.f)
                    continue;
                const int x = (int(cx) + dx + w) % w, y = (int(cy) + dy + h) % h;
                v.at(x, y) -= dark * k;
            }
    }
    // Hairs and fibres: thin curling lines.
    Field darkLines(w, h), lightLines(w, h);
    for (int i = 0; i < 70; ++i) {
        float x = float(rng.uniform() * w), y = float(rng.uniform() * h);
        float a = float(rng.uniform() * 2 * kPi);
        const int steps = 12 + rng.below(70);
        float curl = float(rng.range(-0.05, 0.05));
        const float dark = float(rng.range(0.2, 0.5));
        Field& target = rng.chance(0.3) ? lightLines : darkLines;
        const float width = float(rng.range(0.7, 1.6));
        for (int s = 0; s < steps; ++s) {
            const float nx = x + std::cos(a) * 3.f, ny = y + std::sin(a) * 3.f;
            DrawLine(target, x, y, nx, ny, width, dark, true, true);
            x = nx;
            y = ny;
            curl += float(rng.range(-0.02, 0.02));
            a += curl + float(rng.range(-0.06, 0.06));
        }
    }
    // Scratches: long near-vertical lines, mostly light, some broken.
    for (int i = 0; i < 14; ++i) {
        const float x0 = float(rng.uniform() * w);
        const float y0 = float(rng.uniform() * h * 0.3);
        const float len = float(rng.range(0.4, 1.0) * h);
        const float amount = float(rng.range(0.12, 0.35));
        Field& target = rng.chance(0.2) ? darkLines : lightLines;
        const float width = float(rng.range(0.8, 2.2));
        const float drift = float(rng.range(-0.01, 0.01));
        float x = x0, y = y0;
        for (float s = 0; s < len; s += 6.f) {
            const float nx = x + drift * 6.f + 0.4f * Perlin(s / 300.f, float(i), 714);
            const float ny = y + 6.f;
            const bool on = Perlin(s / 120.f, float(i) * 1.3f, 715) > -0.35f;
            if (on)
                DrawLine(target, x, y, nx, ny, width, amount, true, true);
            x = nx;
            y = ny;
        }
    }
    for (size_t i = 0; i < v.v.size(); ++i)
        v.v[i] += lightLines.v[i] - darkLines.v[i];
    // Faint stains where drops dried on the film.
    for (int i = 0; i < 6; ++i) {
        const float cx = float(rng.uniform() * w), cy = float(rng.uniform() * h);
        const float r = float(rng.range(40, 140));
        const float amount = float(rng.range(0.015, 0.035));
        const int ir = int(r * 1.3f);
        for (int dy = -ir; dy <= ir; ++dy)
            for (int dx = -ir; dx <= ir; ++dx) {
                const float d = std::sqrt(float(dx * dx + dy * dy)) / r;
                const float wob = 1.f + 0.15f * Perlin(float(dx) / 40.f, float(dy) / 40.f, 717 + uint32_t(i));
                const float ring = std::exp(-std::pow((d * wob - 1.f) * 14.f, 2.f)) + 0.4f * Smoothstep(1.f, 0.6f, d * wob);
                v.at((int(cx) + dx + w) % w, (int(cy) + dy + h) % h) -= amount * ring;
            }
    }
    const float m = v.mean();
    for (float& f : v.v)
        f += 0.5f - m;
    return Greyscale(v, 716);
}

} // namespace gen
