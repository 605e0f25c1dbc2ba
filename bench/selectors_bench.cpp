// The frame, texture and LUT selectors' speed targets on a 12-megapixel
// document, and framing the document itself.
#include "bench/bench_images.h"
#include "engine/lut/lut_choice.h"
#include "engine/lut/lut_mapper.h"
#include "engine/services/texture_overlay.h"
#include "gfx/frame_image.h"
#include "panels/frame_preview.h"
#include "panels/lut_preview.h"
#include "panels/texture_preview.h"
#include "workspace/frame_composition.h"

#include <benchmark/benchmark.h>

namespace {

// A 2000 x 1600 frame: a wooden band 150 wide around a clear opening.
const gfx::Image& WoodFrame()
{
    static const gfx::Image kFrame = [] {
        QImage image(2000, 1600, gfx::kPixelFormat);
        image.fill(QColor(90, 60, 30));
        for (int y = 150; y < 1450; ++y)
            std::fill_n(reinterpret_cast<gfx::Pixel*>(image.scanLine(y)) + 150, 1700, gfx::Pixel(0));
        return gfx::Image::adopt(std::move(image));
    }();
    return kFrame;
}

void BM_FrameDocument12MP(benchmark::State& state)
{
    static const gfx::Image kResult = bench::MakeSyntheticPhoto(4000, 3000, 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            pq::FrameDocumentImages(kResult, bench::SyntheticPhoto12Mp(), WoodFrame(), 150, 0xFFFFFFFF));
}
BENCHMARK(BM_FrameDocument12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// One redraw of the frame preview from the picture scaled once.
void BM_FramePreviewRedraw(benchmark::State& state)
{
    static const gfx::Image kThumb = pq::MakeScaledThumb(bench::SyntheticPhoto12Mp(), 400);
    static const pq::PreviewFrame kFrame = pq::MakePreviewFrame(WoodFrame());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            pq::RenderFramePreview(QSize(200, 200), kThumb, QSize(4000, 3000), &kFrame, 150, 0xFFFFFFFF));
}
BENCHMARK(BM_FramePreviewRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();

// One redraw of the texture preview at zoom 1 (200 x 200 picture pixels).
void BM_TexturePreviewRedraw(benchmark::State& state)
{
    static const gfx::Image kTexture = bench::MakeSyntheticPhoto(512, 512, 9);
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    const auto part = pq::FindVisiblePart(QRectF(0, 0, 200, 200), photo.size(), QPointF(-1900, -1400), 1.0);
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::TexturePreviewPart(photo, *part, kTexture, 50.0, 1.0f));
}
BENCHMARK(BM_TexturePreviewRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LUTThumbnail12MP(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::MakeLUTThumbnail(bench::SyntheticPhoto12Mp()));
}
BENCHMARK(BM_LUTThumbnail12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseBuiltInLUT(benchmark::State& state)
{
    static const QByteArray kText = pq::ReadEmbeddedLUT(QStringLiteral("Cinematic"));
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::ParseCubeLUTFromBytes(kText));
}
BENCHMARK(BM_ParseBuiltInLUT)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MapLUTThumbnail(benchmark::State& state)
{
    static const gfx::Image kThumb = pq::MakeLUTThumbnail(bench::SyntheticPhoto12Mp());
    static const pq::CubeLUT kTable = pq::ParseCubeLUTFromBytes(pq::ReadEmbeddedLUT(QStringLiteral("Cinematic")));
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::MapLUTToImage(kThumb, kTable, 100));
}
BENCHMARK(BM_MapLUTThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
