// The picture operations of scripts on a 12-megapixel photo: a blend with a
// slot of another size, a large text with its drop shadow, and a frame.
#include "bench/bench_images.h"
#include "gfx/frame_image.h"
#include "gfx/image_blend.h"
#include "gfx/surface.h"
#include "gfx/text_image.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ScriptBlendStretched12MP(benchmark::State& state)
{
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    static const gfx::Image kSlot = bench::MakeSyntheticPhoto(1000, 1000, 3);
    const auto mode = static_cast<gfx::BlendMode>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::BlendImages(photo, kSlot, 0.7f, mode));
}
BENCHMARK(BM_ScriptBlendStretched12MP)
    ->Arg(int(gfx::BlendMode::SrcOver))
    ->Arg(int(gfx::BlendMode::SoftLight))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ScriptTextWithShadow12MP(benchmark::State& state)
{
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    const gfx::TextFace face{QStringLiteral("DejaVu Serif"), 400.0f, 700, true};
    for (auto _ : state)
        benchmark::DoNotOptimize(
            gfx::DrawTextOnImage(photo, {50, 50, true, true}, QStringLiteral("Pastelloquin"), face, 0xAAFFFFFF, true));
}
BENCHMARK(BM_ScriptTextWithShadow12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScriptFrame12MP(benchmark::State& state)
{
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    static const gfx::Image kFrame = [] {
        const gfx::Image wood = bench::MakeSyntheticPhoto(1200, 900, 5);
        gfx::Surface s = gfx::Surface::fromImage(wood);
        for (int y = 150; y < 750; ++y)
            for (int x = 150; x < 1050; ++x)
                s.row(y)[x] = 0;
        return s.snapshot();
    }();
    for (auto _ : state)
        benchmark::DoNotOptimize(gfx::ApplyFrameBitmap(photo, kFrame, 40, 0xFFFFFFFF));
}
BENCHMARK(BM_ScriptFrame12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
