#include "bench/bench_images.h"
#include "effects/painting/brushstrokes_frame.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/run_context.h"

#include <benchmark/benchmark.h>

namespace {

const gfx::Image& Atlas()
{
    pq::ImageRepository& repo = pq::Repository();
    if (!repo.loaded())
        repo.create();
    return repo.templateMatchingBrushes;
}

// Smooth painting (306) and stochastic painting (307) at their default
// sliders on the 12-megapixel photo, through the engine's entry.
void BM_AtlasPaintingEffect_12MP(benchmark::State& state)
{
    const int number = int(state.range(0));
    Atlas();
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    pq::HeadlessHost host;
    host.result = src;
    host.source = src;
    pq::SetEngineHost(&host);
    gfx::Surface dest = gfx::Surface::make(src.size());
    const int values[2][5] = {{35, 0, 0, 0, 0}, {10, 50, 20, 50, 90}};
    const int* v = values[number - 306];
    uint32_t seed = 1;
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(false);
        run->seed(seed++);
        platform::ScopedRunContext scope(run.get());
        pq::ProcessEffectOnSurface(src, dest, number, v[0], v[1], v[2], v[3], v[4], false);
    }
    pq::SetEngineHost(nullptr);
}
BENCHMARK(BM_AtlasPaintingEffect_12MP)
    ->Arg(306)
    ->Arg(307)
    ->ArgName("effect")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The brushstroke frame as the frame selector runs it: width 60, brush 40.
void BM_BrushstrokesFrame_12MP(benchmark::State& state)
{
    const gfx::Image& atlas = Atlas();
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    uint32_t seed = 1;
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(false);
        run->seed(seed++);
        platform::ScopedRunContext scope(run.get());
        benchmark::DoNotOptimize(pq::ApplyBrushstrokesFrame(src, atlas, qRgb(255, 255, 255), 60, 40));
    }
}
BENCHMARK(BM_BrushstrokesFrame_12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
