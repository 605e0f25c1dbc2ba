#include "bench/bench_images.h"
#include "effects/stylize/cartoon/cartoon.h"
#include "effects/stylize/space_filling/bit_plane.h"
#include "effects/stylize/space_filling/mosaic.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "effects/stylize/space_filling/seed_picker.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/run_context.h"

#include <benchmark/benchmark.h>

#include <QPoint>

#include <cstdint>
#include <vector>

namespace {

using EffectRoutine = void (*)(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool);

// One stylize effect at its default sliders on the 12-megapixel photo, a
// full run with "Erase background" on; contours on for Arg(1).
void RunStylize(benchmark::State& state, EffectRoutine routine, std::array<int, 5> p)
{
    const gfx::Image& src = bench::SyntheticPhoto12Mp();
    pq::HeadlessHost host;
    host.result = src;
    host.source = src;
    host.contoursOn = state.range(0) != 0;
    pq::SetEngineHost(&host);
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(false);
        platform::ScopedRunContext scope(run.get());
        routine(src, dest, p[0], p[1], p[2], p[3], p[4], false);
    }
    pq::SetEngineHost(nullptr);
}

void BM_Mosaic_12MP(benchmark::State& state)
{
    RunStylize(state, pq::Mosaic, {20, 20, 80, 35, 25});
}
void BM_Circles_12MP(benchmark::State& state)
{
    RunStylize(state, pq::Circles, {20, 30, 80, 35, 25});
}
void BM_Triangles_12MP(benchmark::State& state)
{
    RunStylize(state, pq::Triangles, {10, 30, 50, 35, 25});
}
void BM_Cartoon_12MP(benchmark::State& state)
{
    RunStylize(state, pq::Cartoon, {30, 55, 85, 40, 20});
}
// One mosaic's preview of the preview pane's window (600 x 400).
void RunStylizePreview(benchmark::State& state, EffectRoutine routine, std::array<int, 5> p)
{
    static const gfx::Image src = bench::MakeSyntheticPhoto(600, 400, 5);
    pq::HeadlessHost host;
    host.result = src;
    host.source = src;
    pq::SetEngineHost(&host);
    gfx::Surface dest = gfx::Surface::make(src.size());
    for (auto _ : state) {
        auto run = pq::EffectRunContext::begin(true);
        platform::ScopedRunContext scope(run.get());
        routine(src, dest, p[0], p[1], p[2], p[3], p[4], true);
    }
    pq::SetEngineHost(nullptr);
}

void BM_MosaicPreview(benchmark::State& state)
{
    RunStylizePreview(state, pq::Mosaic, {20, 20, 80, 35, 25});
}
void BM_CirclesPreview(benchmark::State& state)
{
    RunStylizePreview(state, pq::Circles, {20, 30, 80, 35, 25});
}
void BM_TrianglesPreview(benchmark::State& state)
{
    RunStylizePreview(state, pq::Triangles, {10, 30, 50, 35, 25});
}
// The seed picker of a late preview level on its own: a 900 x 600 working
// picture about 85% covered in blobs, contour points along stripes, seeds
// of size 4 with a fifth from contours, on one thread.
void BM_MosaicSeedPicks(benchmark::State& state)
{
    constexpr int kW = 900, kH = 600, kTile = 16;
    pq::stylize::BitPlane covered(kW, kH);
    const int tilesX = (kW + kTile - 1) / kTile, tilesY = (kH + kTile - 1) / kTile;
    std::vector<int> tiles(size_t(tilesX) * size_t(tilesY), 0), open;
    uint32_t r = 12345;
    auto next = [&](int bound) {
        pq::stylize::RngStep(r);
        return int(r % uint32_t(bound));
    };
    for (int b = 0; b < 6000; ++b) {
        const int x0 = next(kW), y0 = next(kH), bw = 4 + next(20), bh = 4 + next(20);
        for (int y = y0; y < std::min(kH, y0 + bh); ++y)
            for (int x = x0; x < std::min(kW, x0 + bw); ++x)
                if (!covered.get(x, y)) {
                    covered.set(x, y);
                    ++tiles[size_t(y / kTile) * size_t(tilesX) + size_t(x / kTile)];
                }
    }
    for (int t = 0; t < tilesX * tilesY; ++t) {
        const int tw = std::min(kW, (t % tilesX + 1) * kTile) - t % tilesX * kTile;
        const int th = std::min(kH, (t / tilesX + 1) * kTile) - t / tilesX * kTile;
        if (tiles[size_t(t)] < tw * th)
            open.push_back(t);
    }
    std::vector<QPoint> contours;
    for (int y = 1; y < kH - 1; y += 3)
        for (int x = 1; x < kW - 1; x += 3)
            if ((x / 30 + y / 45) % 5 == 0)
                contours.emplace_back(x, y);
    pq::stylize::PlacementContext ctx;
    ctx.w = kW;
    ctx.h = kH;
    ctx.covered = &covered;
    ctx.tileCoveredCount = tiles.data();
    ctx.tilesX = tilesX;
    ctx.contourPts = contours.data();
    ctx.contourCount = int(contours.size());
    ctx.openTiles = open.data();
    ctx.openTilesCount = int(open.size());
    pq::stylize::SeedPicker::TileMemo memo;
    pq::stylize::SeedPicker picker(ctx, 4.0f, 0.2f, 150, memo);
    picker.refresh();
    uint32_t rng = 1;
    for (auto _ : state) {
        float x = 0, y = 0, sum = 0;
        for (int i = 0; i < 20000; ++i) {
            picker.pick(rng, x, y);
            sum += x + y;
        }
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(BM_MosaicSeedPicks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MosaicPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CirclesPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrianglesPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Mosaic_12MP)->Arg(0)->Arg(1)->ArgName("contours")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Circles_12MP)->Arg(0)->Arg(1)->ArgName("contours")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Triangles_12MP)->Arg(0)->Arg(1)->ArgName("contours")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Cartoon_12MP)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
