#include "bench/bench_images.h"
#include "effects/painting/watercolor.h"
#include "effects/painting/sobel_edges.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

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

void BM_OverlaySobelEdges_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::fromImage(src);
    for (auto _ : state)
        pq::OverlaySobelEdges(src, dest, 5, 230, 10, 20);
}
BENCHMARK(BM_OverlaySobelEdges_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
