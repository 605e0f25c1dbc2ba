#include "gfx/codec.h"
#include "gfx/surface.h"

#include <QBuffer>
#include <QImageReader>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace {

// A deterministic 4000 x 3000 photo-like picture: soft gradients, a few
// shapes and fine grain, so the encoders see realistic detail.
const gfx::Image& Photo12Mp()
{
    static const gfx::Image kImage = [] {
        constexpr int kW = 4000;
        constexpr int kH = 3000;
        gfx::Surface s = gfx::Surface::make(kW, kH);
        uint32_t seed = 12345;
        for (int y = 0; y < kH; ++y) {
            gfx::Pixel* row = s.row(y);
            for (int x = 0; x < kW; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = int(seed >> 28) - 8;
                const double u = double(x) / kW;
                const double v = double(y) / kH;
                double r = 120 + 90 * std::sin(6.0 * u + 2.0 * v);
                double g = 110 + 80 * std::cos(5.0 * v - 3.0 * u);
                double b = 100 + 70 * std::sin(9.0 * u * v + 1.0);
                const double dx = u - 0.6;
                const double dy = v - 0.4;
                if (dx * dx + dy * dy < 0.02) { // a bright disc
                    r += 60;
                    g += 40;
                }
                if ((x / 200 + y / 150) % 7 == 0) // a band of blocks
                    b -= 50;
                auto clamp = [&](double c) { return uint32_t(std::clamp(int(c) + grain, 0, 255)); };
                row[x] = 0xFF000000u | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
            }
        }
        return s.snapshot();
    }();
    return kImage;
}

void BM_JpegDecode12MP(benchmark::State& state)
{
    const QByteArray jpeg = gfx::Encode(Photo12Mp(), gfx::ImageFormat::Jpeg, 92);
    for (auto _ : state) {
        const gfx::Image image = gfx::DecodeData(jpeg);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["bytes"] = double(jpeg.size());
}
BENCHMARK(BM_JpegDecode12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegEncode12MP(benchmark::State& state)
{
    const gfx::Image& image = Photo12Mp();
    const int quality = int(state.range(0));
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray bytes = gfx::Encode(image, gfx::ImageFormat::Jpeg, quality);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_JpegEncode12MP)->Arg(80)->Arg(92)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngEncode12MP(benchmark::State& state)
{
    const gfx::Image& image = Photo12Mp();
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray bytes = gfx::Encode(image, gfx::ImageFormat::Png, 80);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_PngEncode12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {

// The route decoding took before it went to libjpeg and libpng directly:
// Qt's image plug-ins, then the pixel format.
gfx::Image DecodeWithQtPlugin(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(0);
    QImage image = reader.read();
    image.convertTo(gfx::kPixelFormat);
    return gfx::Image::adopt(std::move(image));
}

void BM_JpegDecode12MPQtPlugin(benchmark::State& state)
{
    const QByteArray jpeg = gfx::Encode(Photo12Mp(), gfx::ImageFormat::Jpeg, 92);
    for (auto _ : state) {
        const gfx::Image image = DecodeWithQtPlugin(jpeg);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_JpegDecode12MPQtPlugin)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngDecode12MP(benchmark::State& state)
{
    const QByteArray png = gfx::Encode(Photo12Mp(), gfx::ImageFormat::Png, 80);
    for (auto _ : state) {
        const gfx::Image image = gfx::DecodeData(png);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["bytes"] = double(png.size());
}
BENCHMARK(BM_PngDecode12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngDecode12MPQtPlugin(benchmark::State& state)
{
    const QByteArray png = gfx::Encode(Photo12Mp(), gfx::ImageFormat::Png, 80);
    for (auto _ : state) {
        const gfx::Image image = DecodeWithQtPlugin(png);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_PngDecode12MPQtPlugin)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
