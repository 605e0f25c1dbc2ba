#include "bench/bench_images.h"
#include "effects/ink/comic_print/comic_print.h"
#include "effects/ink/felt_tip_pen.h"
#include "effects/shared/outline_mask.h"
#include "effects/sketch/crosshatch.h"
#include "gfx/surface.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

// Full runs at the default slider values on the shared 12-megapixel photo.

void BM_ComputeOutlineMask_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    std::vector<uint8_t> mask;
    for (auto _ : state)
        pq::ComputeOutlineMask(src, src.width(), src.height(), 50, 20, mask);
}
BENCHMARK(BM_ComputeOutlineMask_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Crosshatch_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::Crosshatch(src, dest, 75, 50, 35, 25, 20, false);
}
BENCHMARK(BM_Crosshatch_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FeltTipPen_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::FeltTipPen(src, dest, 65, 70, 30, 5, 40, false);
}
BENCHMARK(BM_FeltTipPen_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ComicPrint_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::ComicPrint(src, dest, 10, 0, 100, 50, 60, false);
}
BENCHMARK(BM_ComicPrint_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The slider ends that give the most work: crosshatch density 100, felt-tip
// density 100 and strongest edges, comic print's smallest cell and strongest
// contours.
void BM_PenInkHeaviest_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    const int effect = int(state.range(0));
    for (auto _ : state) {
        if (effect == 103)
            pq::Crosshatch(src, dest, 100, 100, 35, 100, 100, false);
        else if (effect == 202)
            pq::FeltTipPen(src, dest, 100, 70, 100, 5, 100, false);
        else
            pq::ComicPrint(src, dest, 0, 0, 100, 50, 100, false);
    }
}
BENCHMARK(BM_PenInkHeaviest_12MP)
    ->Arg(103)
    ->Arg(202)
    ->Arg(203)
    ->ArgName("effect")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
