// Saving the 12-megapixel photo with its 300-DPI mark, and the resampled
// pictures the canvas shows it with.
#include "bench/bench_images.h"
#include "gfx/codec.h"
#include "gfx/dpi_marking.h"
#include "gfx/resample.h"

#include <QTransform>
#include <benchmark/benchmark.h>

namespace {

const gfx::Image& Photo()
{
    return bench::SyntheticPhoto12Mp();
}

void BM_SaveJpegMarked12MP(benchmark::State& state)
{
    for (auto _ : state) {
        QByteArray bytes = gfx::Encode(Photo(), gfx::ImageFormat::Jpeg, 80);
        benchmark::DoNotOptimize(gfx::MarkJpegDpi300(bytes));
    }
}
BENCHMARK(BM_SaveJpegMarked12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SavePngMarked12MP(benchmark::State& state)
{
    for (auto _ : state) {
        QByteArray bytes = gfx::Encode(Photo(), gfx::ImageFormat::Png, 80);
        benchmark::DoNotOptimize(gfx::MarkPngDpi300(bytes));
    }
}
BENCHMARK(BM_SavePngMarked12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The canvas's picture of a reduced view: the whole photo at 30 %.
void BM_CanvasReducedPicture12MP(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::Resize(Photo(), 1200, 900, gfx::Sampling::Mitchell));
}
BENCHMARK(BM_CanvasReducedPicture12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The canvas's picture of an enlarged view: a 1400 x 900 part at 250 %.
void BM_CanvasEnlargedPicture12MP(benchmark::State& state)
{
    QTransform toDevice;
    toDevice.translate(-3000, -2000);
    toDevice.scale(2.5, 2.5);
    for (auto _ : state) {
        QPoint at;
        benchmark::DoNotOptimize(gfx::TransformImage(Photo(), QRectF(Photo().rect()), toDevice,
                                                     gfx::Sampling::Mitchell, &at, QRect(0, 0, 1400, 900)));
    }
}
BENCHMARK(BM_CanvasEnlargedPicture12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
