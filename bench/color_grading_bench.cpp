#include "bench/bench_images.h"
#include "effects/photolab/adjustments/adjustments.h"
#include "effects/photolab/apply_lut.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/ui_bridge.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_Adjustments_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    const int structure = int(state.range(0));
    for (auto _ : state)
        pq::Adjustments(src, dest, 52, 52, 55, structure, 52, false);
}
BENCHMARK(BM_Adjustments_12MP)->Arg(15)->Arg(0)->ArgName("P4")->Unit(benchmark::kMillisecond)->UseRealTime();

// A built-in look of edge 33 through the host's LUT choice; the table is
// parsed once and cached. P1 100 with neutral finishing is the mapping
// alone; P1 80 with P4 60 adds the intensity mix and the finishing chain.
void BM_ApplyLUT_12MP(benchmark::State& state)
{
    platform::SetUiBridge(std::make_shared<platform::ManualUiBridge>());
    pq::HeadlessHost host;
    host.lut.loadEmbeddedLUT("Golden hour");
    pq::SetEngineHost(&host);
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    const bool finish = state.range(0) != 0;
    for (auto _ : state)
        pq::ApplyLUT(src, dest, finish ? 80 : 100, 50, 50, finish ? 60 : 50, 50, false);
    pq::SetEngineHost(nullptr);
    platform::SetUiBridge(nullptr);
}
BENCHMARK(BM_ApplyLUT_12MP)->Arg(0)->Arg(1)->ArgName("finishing")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
