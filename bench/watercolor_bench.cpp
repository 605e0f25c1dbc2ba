#include "bench/bench_images.h"
#include "effects/painting/watercolor.h"
#include "effects/painting/sobel_edges.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/run_context.h"

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

void BM_OverlaySobelEdges_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::fromImage(src);
    for (auto _ : state)
        pq::OverlaySobelEdges(src, dest, 5, 230, 10, 20);
}
BENCHMARK(BM_OverlaySobelEdges_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
