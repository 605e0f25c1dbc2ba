#include "bench/bench_images.h"
#include "effects/sketch/pencil_sketch_1.h"
#include "effects/sketch/pencil_sketch_2/pencil_sketch_2.h"
#include "effects/sketch/pencil_sketch_3/pencil_sketch_3.h"
#include "engine/runtime/effect_api.h"
#include "gfx/surface.h"

#include <benchmark/benchmark.h>

namespace {

// Each routine at its default values on the shared 12-megapixel photo, as a
// full run; 101 draws from the calling thread's generator, seeded here.
void BM_PencilSketch1_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::PencilSketch1(src, dest, 20, 50, 65, 5, 80, false);
}
BENCHMARK(BM_PencilSketch1_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PencilSketch2_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state) {
        pq::RunRandom().setSeed(1);
        pq::PencilSketch2(src, dest, 10, 40, 30, 0, 30, false);
    }
}
BENCHMARK(BM_PencilSketch2_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PencilSketch3_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::PencilSketch3(src, dest, 20, 80, 30, 25, 0, false);
}
BENCHMARK(BM_PencilSketch3_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
