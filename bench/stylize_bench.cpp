#include "bench/bench_images.h"
#include "effects/stylize/cartoon.h"
#include "effects/stylize/mosaic.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/run_context.h"

#include <benchmark/benchmark.h>

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
BENCHMARK(BM_MosaicPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CirclesPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrianglesPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Mosaic_12MP)->Arg(0)->Arg(1)->ArgName("contours")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Circles_12MP)->Arg(0)->Arg(1)->ArgName("contours")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Triangles_12MP)->Arg(0)->Arg(1)->ArgName("contours")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Cartoon_12MP)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
