#include "bench/bench_images.h"
#include "engine/repository/image_repository.h"
#include "engine/services/texture_overlay.h"

#include <benchmark/benchmark.h>

namespace {

const pq::ImageRepository& Repository()
{
    pq::ImageRepository& form = pq::Repository();
    if (!form.loaded())
        form.create();
    return form;
}

// Start-up: every built-in picture decoded (parallel), before installing.
void BM_DecodeBuiltInImages(benchmark::State& state)
{
    for (auto _ : state) {
        pq::BuiltInImages images = pq::DecodeBuiltInImages();
        benchmark::DoNotOptimize(images.archive.data());
    }
}
BENCHMARK(BM_DecodeBuiltInImages)->Unit(benchmark::kMillisecond)->UseRealTime();

// The "Add texture" overlay on a 12-megapixel result with the canvas texture.
void BM_ApplyCustomTexture12MP(benchmark::State& state)
{
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    const gfx::Image texture = Repository().textureList[0].image;
    platform::Random rng(1);
    for (auto _ : state) {
        gfx::Image img = photo;
        pq::ApplyCustomTexture(img, texture, 50, 1.3f, rng);
        benchmark::DoNotOptimize(img.id());
    }
}
BENCHMARK(BM_ApplyCustomTexture12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// Measuring a texture's luminance grid (the overlay caches it per texture).
void BM_TextureLuminanceGrid(benchmark::State& state)
{
    const gfx::Image texture = Repository().textureList[1].image;
    for (auto _ : state) {
        // A fresh copy has a new identity, so the grid is measured again.
        const gfx::Image copy = gfx::Image::fromQImage(texture.qimage());
        benchmark::DoNotOptimize(pq::TextureLuminanceGrid(copy)->mean);
    }
}
BENCHMARK(BM_TextureLuminanceGrid)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
