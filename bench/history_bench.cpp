#include "bench/bench_images.h"
#include "engine/history/image_history.h"
#include "gfx/surface.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// What the UI thread pays per Save: the snapshot is stored, encoding waits
// for the history's own thread.
void BM_ImageHistory_Save_12MP(benchmark::State& state)
{
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    pq::ImageHistory history;
    for (auto _ : state)
        history.save(photo, photo);
    history.clear();
    history.waitForEncoding();
}
BENCHMARK(BM_ImageHistory_Save_12MP)->Unit(benchmark::kMicrosecond)->Iterations(20);

// The background work per snapshot: JPEG 92 for an opaque photo, PNG when
// it has transparency.
void BM_ImageHistory_Encode_12MP(benchmark::State& state)
{
    gfx::Image photo = bench::SyntheticPhoto12Mp();
    if (state.range(0) == 1) {
        gfx::Surface s = gfx::Surface::fromImage(photo);
        for (int y = 0; y < s.height(); ++y) // 8 per row: above one in a thousand
            std::fill(s.row(y), s.row(y) + 8, 0u);
        photo = s.snapshot();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::ImageHistory::encodeImage(photo, pq::ImageHistory::kJpegQuality));
}
BENCHMARK(BM_ImageHistory_Encode_12MP)->Arg(0)->Arg(1)->ArgName("png")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
