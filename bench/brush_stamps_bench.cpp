#include "bench/bench_images.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "engine/runtime/effect_runtime.h"
#include "gfx/surface.h"
#include "platform/run_context.h"

#include <benchmark/benchmark.h>

namespace {

// Oil pastel (302), watercolour splashes (303) and impasto brushstrokes
// (304) at their default sliders on the 12-megapixel photo with the
// built-in sheets, "Erase background" on, through the engine's entry so
// that the brush-sheet step runs as in the program.
void BM_BrushStampEffect_12MP(benchmark::State& state)
{
    const int number = int(state.range(0));
    pq::ImageRepository& repo = pq::Repository();
    if (!repo.loaded())
        repo.create();
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    pq::HeadlessHost host;
    host.result = src;
    host.source = src;
    pq::SetEngineHost(&host);
    gfx::Surface dest = gfx::Surface::make(src.size());
    const int values[3][5] = {{10, 70, 30, 30, 100}, {10, 70, 50, 50, 80}, {10, 50, 50, 50, 100}};
    const int* v = values[number - 302];
    uint32_t seed = 1;
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(false);
        run->seed(seed++);
        platform::ScopedRunContext scope(run.get());
        pq::ProcessEffectOnSurface(src, dest, number, v[0], v[1], v[2], v[3], v[4], false);
    }
    pq::SetEngineHost(nullptr);
}
BENCHMARK(BM_BrushStampEffect_12MP)
    ->Arg(302)
    ->Arg(303)
    ->Arg(304)
    ->ArgName("effect")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
