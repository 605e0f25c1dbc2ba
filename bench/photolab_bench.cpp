#include "bench/bench_images.h"
#include "engine/similarity_smooth.h"
#include "gfx/surface.h"

#include <benchmark/benchmark.h>

namespace {

// The watercolour effect's call: radius 5, threshold 30, 3 passes.
void BM_SimilaritySmooth_Watercolor_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::syntheticPhoto12MP();
    for (auto _ : state) {
        state.PauseTiming();
        gfx::Surface surface = gfx::Surface::fromImage(src);
        state.ResumeTiming();
        pq::SimilaritySmoothSurface_MT(surface, {}, 5, 30, 3, false, 1.2f, 5.0f, 0, nullptr);
    }
}
BENCHMARK(BM_SimilaritySmooth_Watercolor_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The cartoon effect's call at its default slider: radius 10, 5 adaptive passes.
void BM_SimilaritySmooth_Cartoon_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::syntheticPhoto12MP();
    for (auto _ : state) {
        state.PauseTiming();
        gfx::Surface surface = gfx::Surface::fromImage(src);
        state.ResumeTiming();
        pq::SimilaritySmoothSurface_MT(surface, {}, int(state.range(0)), 30, int(state.range(1)), true, 1.5f, 80.0f,
                                       0, nullptr);
    }
}
BENCHMARK(BM_SimilaritySmooth_Cartoon_12MP)
    ->Args({10, 5})
    ->ArgNames({"radius", "passes"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
