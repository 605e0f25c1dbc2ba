#include "bench/bench_images.h"
#include "gfx/filters.h"
#include "gfx/luma.h"
#include "gfx/resample.h"

#include <QTransform>
#include <benchmark/benchmark.h>

namespace {

const gfx::Image& Photo()
{
    return bench::SyntheticPhoto12Mp();
}

void BM_GaussianBlur12MP(benchmark::State& state)
{
    const float sigma = float(state.range(0));
    const gfx::Image& src = Photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::GaussianBlur(src, sigma, sigma, gfx::EdgeMode::Clamp));
}
BENCHMARK(BM_GaussianBlur12MP)->Arg(2)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GaussianBlurInPlace12MP(benchmark::State& state)
{
    gfx::Surface surface = gfx::Surface::fromImage(Photo());
    for (auto _ : state)
        gfx::GaussianBlur(surface, 100, 100, gfx::EdgeMode::Decal);
}
BENCHMARK(BM_GaussianBlurInPlace12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResizeMitchellDown12MPTo1920(benchmark::State& state)
{
    const gfx::Image& src = Photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::Resize(src, 1920, 1440, gfx::Sampling::Mitchell));
}
BENCHMARK(BM_ResizeMitchellDown12MPTo1920)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResizeMitchellUp2x1MP(benchmark::State& state)
{
    static const gfx::Image kSrc = bench::MakeSyntheticPhoto(1155, 866, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::Resize(kSrc, 2310, 1732, gfx::Sampling::Mitchell));
}
BENCHMARK(BM_ResizeMitchellUp2x1MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TransformRotate12MP(benchmark::State& state)
{
    const gfx::Image& src = Photo();
    QTransform t;
    t.translate(2000, 1500);
    t.rotate(30);
    t.translate(-2000, -1500);
    const auto sampling = static_cast<gfx::Sampling>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::TransformImage(src, QRectF(src.rect()), t, sampling, nullptr));
}
BENCHMARK(BM_TransformRotate12MP)
    ->Arg(int(gfx::Sampling::Mitchell))
    ->Arg(int(gfx::Sampling::Linear))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_TransformRotateShrink12MP(benchmark::State& state)
{
    const gfx::Image& src = Photo();
    QTransform t;
    t.rotate(30);
    t.scale(0.4, 0.4);
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::TransformImage(src, QRectF(src.rect()), t, gfx::Sampling::Mitchell, nullptr));
}
BENCHMARK(BM_TransformRotateShrink12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Convolve3x3Sharpen12MP(benchmark::State& state)
{
    const gfx::Image& src = Photo();
    const float a = 0.4f;
    const std::array<float, 9> k = {0, -a, 0, -a, 1 + 4 * a, -a, 0, -a, 0};
    const bool alpha = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::Convolve3x3(src, k, 1, 0, alpha, gfx::EdgeMode::Clamp));
}
BENCHMARK(BM_Convolve3x3Sharpen12MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColorMatrix12MP(benchmark::State& state)
{
    const gfx::Image& src = Photo();
    const float s = 1.4f, c = 1.2f;
    const float lr = float(gfx::kLuma709Rounded[0]), lg = float(gfx::kLuma709Rounded[1]),
                lb = float(gfx::kLuma709Rounded[2]);
    std::array<float, 20> m = {lr * (1 - s) + s, lg * (1 - s), lb * (1 - s), 0, 0,
                               lr * (1 - s), lg * (1 - s) + s, lb * (1 - s), 0, 0,
                               lr * (1 - s), lg * (1 - s), lb * (1 - s) + s, 0, 0,
                               0, 0, 0, 1, 0};
    for (int r = 0; r < 3; ++r) {
        for (int j = 0; j < 3; ++j)
            m[size_t(r * 5 + j)] *= c;
        m[size_t(r * 5 + 4)] = (1 - c) * 0.5f;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::ColorMatrix(src, m));
}
BENCHMARK(BM_ColorMatrix12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DropShadow12MP(benchmark::State& state)
{
    const gfx::Image& src = Photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::DropShadow(src, 5, 5, 3, 3, QColor(0, 0, 0, 191)));
}
BENCHMARK(BM_DropShadow12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
