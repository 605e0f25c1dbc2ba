// The panels' speed targets: the overlay's backdrop of a full-HD window,
// resizing a 12-megapixel document, and the combine panel's Darken and
// Lighten of 12-megapixel pictures.
#include "bench/bench_images.h"
#include "gfx/image_combine.h"
#include "panels/backdrop.h"
#include "workspace/document_resize.h"

#include <benchmark/benchmark.h>

namespace {

void BM_BackdropOfAFullHdWindow(benchmark::State& state)
{
    static const gfx::Image kWindow = bench::MakeSyntheticPhoto(1920, 1080, 5);
    const QImage grab = kWindow.toQImage();
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::MakeBackdrop(grab, 1.0));
}
BENCHMARK(BM_BackdropOfAFullHdWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both images of a 12 MP document (source and a separate result) to the
// per cent given.
void BM_ResizeDocument12MP(benchmark::State& state)
{
    static const gfx::Image kResult = bench::MakeSyntheticPhoto(4000, 3000, 3);
    const gfx::Image& source = bench::SyntheticPhoto12Mp();
    const int percent = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::ResizeDocumentImages(source, kResult, 40 * percent, 30 * percent));
}
BENCHMARK(BM_ResizeDocument12MP)->Arg(50)->Arg(75)->Arg(150)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DarkenLighten12MP(benchmark::State& state)
{
    static const gfx::Image kBlend = bench::MakeSyntheticPhoto(4000, 3000, 4);
    const gfx::Image& base = bench::SyntheticPhoto12Mp();
    const auto mode = state.range(0) == 0 ? gfx::CombineMode::Darken : gfx::CombineMode::Lighten;
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::CombineImages(base, kBlend, mode, 0.5f));
}
BENCHMARK(BM_DarkenLighten12MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NormalMultiply12MP(benchmark::State& state)
{
    static const gfx::Image kBlend = bench::MakeSyntheticPhoto(4000, 3000, 4);
    const gfx::Image& base = bench::SyntheticPhoto12Mp();
    const auto mode = state.range(0) == 0 ? gfx::CombineMode::Normal : gfx::CombineMode::Multiply;
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::CombineImages(base, kBlend, mode, 0.5f));
}
BENCHMARK(BM_NormalMultiply12MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
