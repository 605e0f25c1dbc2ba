#include "bench/bench_images.h"

#include "platform/random.h"
#include "platform/thread_pool.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <vector>

namespace bench {
namespace {

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Per-pixel hash in [0, 1): noise that does not depend on the order of work.
float Hash01(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return float(h >> 8) / 16777216.0f;
}

struct Disc {
    float x, y, r;
    Rgb colour;
};

struct Box {
    float x, y, halfW, halfH, cosA, sinA;
    Rgb colour;
    bool striped;
};

} // namespace

gfx::Image MakeSyntheticPhoto(int width, int height, uint32_t seed)
{
    if (!gfx::IsSaneSize(width, height))
        return {};
    QImage image(width, height, gfx::kPixelFormat);
    if (image.isNull())
        return {};

    // Shapes placed in relative coordinates, so every size shows the same scene.
    platform::Random rng(seed);
    auto real = [&] { return float(rng.randomReal()); };
    auto colour = [&] { return Rgb{real(), real(), real()}; };
    std::vector<Disc> discs;
    for (int i = 0; i < 14; ++i)
        discs.push_back({real(), 0.35f + 0.6f * real(), 0.02f + 0.08f * real(), colour()});
    std::vector<Box> boxes;
    for (int i = 0; i < 10; ++i) {
        const float angle = real() * 3.14159265f;
        boxes.push_back({real(), 0.3f + 0.65f * real(), 0.02f + 0.07f * real(), 0.01f + 0.05f * real(),
                         std::cos(angle), std::sin(angle), colour(), i % 3 == 0});
    }
    const float sunX = 0.2f + 0.6f * real(), sunY = 0.12f + 0.15f * real();
    const float aspect = float(width) / float(height);

    uchar* const base = image.bits();
    const qsizetype stride = image.bytesPerLine();
    platform::ParallelForRange(0, height, 16, [&](int y0, int y1) {
        for (int py = y0; py < y1; ++py) {
            auto* row = reinterpret_cast<gfx::Pixel*>(base + stride * py);
            const float v = (py + 0.5f) / float(height);
            for (int px = 0; px < width; ++px) {
                const float u = (px + 0.5f) / float(width);
                const float horizon = 0.45f + 0.05f * std::sin(u * 9.0f) + 0.02f * std::sin(u * 31.0f + 1.0f);
                Rgb c;
                if (v < horizon) {
                    c = Mix(Rgb{0.18f, 0.38f, 0.78f}, Rgb{0.95f, 0.78f, 0.6f}, v / horizon);
                    const float dx = (u - sunX) * aspect, dy = v - sunY;
                    const float glow = std::exp(-(dx * dx + dy * dy) * 60.0f);
                    c = Mix(c, Rgb{1.0f, 0.97f, 0.85f}, std::min(1.0f, glow * 1.2f));
                } else {
                    const float t = (v - horizon) / (1.0f - horizon);
                    c = Mix(Rgb{0.32f, 0.45f, 0.18f}, Rgb{0.42f, 0.3f, 0.16f}, t);
                    // Grass: fine vertical streaks that get coarser towards the front.
                    const float streak = std::sin(u * (900.0f - 500.0f * t) + 7.0f * Hash01(px / 3, 0, seed));
                    c = Mix(c, Rgb{0.2f, 0.3f, 0.08f}, 0.25f * (streak * 0.5f + 0.5f));
                }
                for (const Disc& d : discs) {
                    const float dx = (u - d.x) * aspect, dy = v - d.y;
                    const float r2 = dx * dx + dy * dy;
                    if (r2 < d.r * d.r)
                        c = Mix(d.colour, Rgb{1, 1, 1}, 0.3f * (1.0f - r2 / (d.r * d.r))); // lit from the front
                }
                for (const Box& b : boxes) {
                    const float dx = (u - b.x) * aspect, dy = v - b.y;
                    const float lx = dx * b.cosA + dy * b.sinA, ly = -dx * b.sinA + dy * b.cosA;
                    if (std::fabs(lx) < b.halfW && std::fabs(ly) < b.halfH) {
                        c = b.colour;
                        if (b.striped && int(std::floor(lx * 400.0f)) % 2 == 0)
                            c = Mix(c, Rgb{0, 0, 0}, 0.6f);
                    }
                }
                // A fine checkered patch (fabric, text-like detail).
                if (u > 0.72f && u < 0.82f && v > 0.62f && v < 0.72f && ((px / 2 + py / 2) % 2 == 0))
                    c = Mix(c, Rgb{0.05f, 0.05f, 0.1f}, 0.7f);
                const float n = (Hash01(uint32_t(px), uint32_t(py), seed) - 0.5f) * 0.06f;
                auto byte = [&](float x) { return gfx::Pixel(std::clamp(int((x + n) * 255.0f + 0.5f), 0, 255)); };
                row[px] = 0xff000000u | (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
            }
        }
    });
    return gfx::Image::adopt(std::move(image));
}

const gfx::Image& SyntheticPhoto12Mp()
{
    static const gfx::Image kImage = MakeSyntheticPhoto(4000, 3000);
    return kImage;
}

} // namespace bench
