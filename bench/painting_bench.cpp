#include "bench/bench_images.h"
#include "effects/painting/brushstrokes_2/brushstrokes_2.h"
#include "effects/painting/watercolor_2/watercolor_2.h"
#include "effects/painting/watercolor_flow/watercolor_flow.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/run_context.h"

#include <benchmark/benchmark.h>

namespace {

using Routine = void (*)(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool);

// One painting effect at its default sliders on the 12-megapixel photo, a
// full run with "Erase background" on and the built-in paper and brush tips.
void RunPainting(benchmark::State& state, Routine routine, const std::array<int, 5>& v)
{
    if (!pq::Repository().loaded())
        pq::Repository().create();
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    pq::HeadlessHost host;
    host.result = src;
    host.source = src;
    pq::SetEngineHost(&host);
    gfx::Surface dest = gfx::Surface::make(src.size());
    uint32_t seed = 1;
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(false);
        run->rng.setSeed(seed++);
        platform::ScopedRunContext scope(run.get());
        routine(src, dest, v[0], v[1], v[2], v[3], v[4], false);
    }
    pq::SetEngineHost(nullptr);
}

void BM_Watercolor2_12MP(benchmark::State& state)
{
    RunPainting(state, pq::Watercolor2, {90, 20, 60, 20, 55});
}
BENCHMARK(BM_Watercolor2_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WatercolorFlow_12MP(benchmark::State& state)
{
    RunPainting(state, pq::WatercolorFlow, {50, 50, 50, 60, 50});
}
BENCHMARK(BM_WatercolorFlow_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Brushstrokes2_12MP(benchmark::State& state)
{
    RunPainting(state, pq::Brushstrokes2, {50, 30, 25, 60, 70});
}
BENCHMARK(BM_Brushstrokes2_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
