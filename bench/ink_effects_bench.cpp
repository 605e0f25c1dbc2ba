#include "bench/bench_images.h"
#include "effects/ink/stippling.h"
#include "effects/ink/black_and_white_ink.h"
#include "gfx/surface.h"

#include <benchmark/benchmark.h>

namespace {

void BM_BlackAndWhiteInk_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::BlackAndWhiteInk(src, dest, 50, 50, int(state.range(0)), 0, 0, false);
}
BENCHMARK(BM_BlackAndWhiteInk_12MP)->Arg(0)->Arg(50)->ArgName("P3")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Stippling_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::Stippling(src, dest, 50, 0, 0, 0, 0, false);
}
BENCHMARK(BM_Stippling_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
