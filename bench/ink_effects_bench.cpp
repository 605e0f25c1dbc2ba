#include "effects/sketch/atkinson_dither.h"
#include "effects/sketch/black_and_white_ink.h"
#include "gfx/surface.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace {

// A 4000 x 3000 photo-like picture: gradients, edges and fine texture.
const gfx::Image& photo12mp()
{
    static const gfx::Image image = [] {
        gfx::Surface s = gfx::Surface::make(4000, 3000);
        uint32_t noise = 12345;
        for (int y = 0; y < s.height(); ++y) {
            gfx::Pixel* row = s.row(y);
            for (int x = 0; x < s.width(); ++x) {
                noise = noise * 1664525u + 1013904223u;
                const double wave = 0.5 + 0.5 * std::sin(x * 0.013) * std::cos(y * 0.011);
                const int edge = ((x / 300 + y / 240) % 2) ? 40 : -40;
                const int n = int(noise >> 28) - 8;
                auto ch = [&](double k) {
                    const int v = int(255 * wave * k) + edge + n;
                    return gfx::Pixel(v < 0 ? 0 : (v > 255 ? 255 : v));
                };
                row[x] = 0xFF000000u | (ch(1.0) << 16) | (ch(0.8) << 8) | ch(0.6);
            }
        }
        return s.snapshot();
    }();
    return image;
}

void BM_blackandwhiteInk_12MP(benchmark::State& state)
{
    const gfx::Image& src = photo12mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::blackandwhiteInk(src, dest, 50, 50, int(state.range(0)), 0, 0, false);
}
BENCHMARK(BM_blackandwhiteInk_12MP)->Arg(0)->Arg(50)->ArgName("P3")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AtkinsonDither_12MP(benchmark::State& state)
{
    const gfx::Image& src = photo12mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::AtkinsonDither(src, dest, 50, 0, 0, 0, 0, false);
}
BENCHMARK(BM_AtkinsonDither_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
