#include "bench/bench_images.h"
#include "effects/photolab/orton_filter.h"
#include "effects/photolab/retro_film.h"
#include "effects/photolab/vintage_sepia/vintage_sepia.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_proc.h"
#include "engine/services/auto_enhance.h"
#include "engine/services/similarity_smooth.h"
#include "engine/services/vibrance_pop.h"
#include "gfx/surface.h"

#include <benchmark/benchmark.h>

namespace {

// The watercolour effect's call: radius 5, threshold 30, 3 passes.
void BM_SimilaritySmooth_Watercolor_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    for (auto _ : state) {
        state.PauseTiming();
        gfx::Surface surface = gfx::Surface::fromImage(src);
        state.ResumeTiming();
        pq::SimilaritySmoothSurface(surface, {}, 5, 30, 3, false, 1.2f, 5.0f, 0, nullptr);
    }
}
BENCHMARK(BM_SimilaritySmooth_Watercolor_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The cartoon effect's call at its default slider: radius 10, 5 adaptive passes.
void BM_SimilaritySmooth_Cartoon_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    for (auto _ : state) {
        state.PauseTiming();
        gfx::Surface surface = gfx::Surface::fromImage(src);
        state.ResumeTiming();
        pq::SimilaritySmoothSurface(surface, {}, int(state.range(0)), 30, int(state.range(1)), true, 1.5f, 80.0f,
                                       0, nullptr);
    }
}
BENCHMARK(BM_SimilaritySmooth_Cartoon_12MP)
    ->Args({10, 5})
    ->ArgNames({"radius", "passes"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

namespace {

void RunEffect(benchmark::State& state, pq::EffectProc proc, int p1, int p2, int p3, int p4, int p5)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        proc(src, dest, p1, p2, p3, p4, p5, false);
}

void BM_OrtonFilter_12MP(benchmark::State& state)
{
    RunEffect(state, pq::OrtonFilter, int(state.range(0)), 25, 50, 50, 40);
}
BENCHMARK(BM_OrtonFilter_12MP)->Arg(40)->Arg(100)->ArgName("P1")->Unit(benchmark::kMillisecond)->UseRealTime();

// With a film texture of the repository's size in place.
void BM_VintageSepia_12MP(benchmark::State& state)
{
    pq::Repository().oldFilmTexture = bench::MakeSyntheticPhoto(2904, 2064, 7);
    RunEffect(state, pq::VintageSepia, 0, 70, 50, 50, 25);
    pq::Repository().oldFilmTexture = {};
}
BENCHMARK(BM_VintageSepia_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RetroFilm_12MP(benchmark::State& state)
{
    RunEffect(state, pq::RetroFilm, 30, 35, 60, 20, 25);
}
BENCHMARK(BM_RetroFilm_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The watercolour effect's call.
void BM_VibrancePop_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state)
        pq::VibrancePop(src, dest, 8, 5, 2, 40, 70, false);
}
BENCHMARK(BM_VibrancePop_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutoEnhanceImage_12MP(benchmark::State& state)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::AutoEnhanceImage(src));
}
BENCHMARK(BM_AutoEnhanceImage_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
