#include "bench/bench_images.h"
#include "effects/painting/watercolor/sobel_edges.h"
#include "effects/painting/watercolor/spoke_patch.h"
#include "effects/painting/watercolor/watercolor.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/random.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <cmath>
#include <numbers>

#include <benchmark/benchmark.h>

namespace {

// Effect 300 at its default sliders on the 12-megapixel photo, with
// "Erase background" on (1) and off (0: painting over the photo itself).
void BM_Watercolor_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    pq::HeadlessHost host;
    host.result = src;
    host.source = src;
    host.eraseOn = state.range(0) != 0;
    pq::SetEngineHost(&host);
    gfx::Surface dest = gfx::Surface::make(src.size());
    uint32_t seed = 1;
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(false);
        run->rng.setSeed(seed++);
        platform::ScopedRunContext scope(run.get());
        pq::Watercolor(src, dest, 30, 40, 40, 100, 20, false);
    }
    pq::SetEngineHost(nullptr);
}
BENCHMARK(BM_Watercolor_12MP)->Arg(1)->Arg(0)->ArgName("erase")->Unit(benchmark::kMillisecond)->UseRealTime();

// Effect 300 at its default sliders on a 600 x 400 photo, full run and
// preview variant, on one thread (the work itself) or on the pool.
void BM_Watercolor_600x400(benchmark::State& state)
{
    static const gfx::Image kSrc = bench::MakeSyntheticPhoto(600, 400);
    const bool preview = state.range(0) != 0;
    const bool oneThread = state.range(1) == 1;
    pq::HeadlessHost host;
    host.result = kSrc;
    host.source = kSrc;
    pq::SetEngineHost(&host);
    if (oneThread)
        platform::ConfigureThreadPool(0, 0);
    gfx::Surface dest = gfx::Surface::make(kSrc.size());
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(preview);
        run->rng.setSeed(7);
        platform::ScopedRunContext scope(run.get());
        pq::Watercolor(kSrc, dest, 30, 40, 40, 100, 20, preview);
    }
    if (oneThread)
        platform::ConfigureDefaultThreadPool();
    pq::SetEngineHost(nullptr);
}
BENCHMARK(BM_Watercolor_600x400)
    ->ArgsProduct({{0, 1}, {1, 8}})
    ->ArgNames({"preview", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Spokes as a full run on the 12-megapixel photo grows them (20 a patch,
// budgets about those of its middle outer steps), on one thread; the same
// spokes on a 600 x 400 photo, which stays in the caches.
void Spokes(benchmark::State& state, const gfx::Image& src)
{
    const pq::SpokeField field(src, false, 108, false, false);
    const float step = float(2.0 * std::numbers::pi / 20);
    int64_t spokes = 0, steps = 0;
    for (auto _ : state) {
        platform::Random rng(3);
        for (int patch = 0; patch < 500; ++patch) {
            const int x = rng.random(src.width()), y = rng.random(src.height());
            const gfx::Pixel seed = src.pixel(x, y);
            for (int k = 0; k < 20; ++k) {
                const double angle = double(float(k) * step);
                steps += field.grow(x + 0.5, y + 0.5, std::cos(angle), std::sin(angle), 400 + rng.random(600), seed);
            }
        }
        spokes += 500 * 20;
    }
    state.SetItemsProcessed(spokes);
    state.counters["steps"] = benchmark::Counter(double(steps), benchmark::Counter::kIsRate);
}

void BM_WatercolorSpokes_12MP(benchmark::State& state)
{
    Spokes(state, bench::SyntheticPhoto12Mp());
}
BENCHMARK(BM_WatercolorSpokes_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WatercolorSpokes_600x400(benchmark::State& state)
{
    static const gfx::Image kSrc = bench::MakeSyntheticPhoto(600, 400);
    Spokes(state, kSrc);
}
BENCHMARK(BM_WatercolorSpokes_600x400)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OverlaySobelEdges_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::fromImage(src);
    for (auto _ : state)
        pq::OverlaySobelEdges(src, dest, 5, 230, 10, 20);
}
BENCHMARK(BM_OverlaySobelEdges_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
