// The manual brush's speed targets on a 12-megapixel photo at fit zoom: a
// 200-stamp stroke with merge and bounds, one mouse move with its trail,
// binding the mask, and the masked composite of a stroke.
#include "bench/bench_images.h"
#include "panels/brush_mask.h"
#include "panels/brush_stroke.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kW = 4000;
constexpr int kH = 3000;
// 4000 x 3000 fitted into a 1000 x 750 view.
const pq::BrushView kFit{0.25f, QPointF(0, 0)};

pq::BrushMask BoundMask()
{
    pq::BrushMask mask;
    mask.bind(QSize(kW, kH));
    mask.setBrush(100.0f, 0.5f);
    mask.setView(kFit);
    return mask;
}

// 200 stamps 20 screen pixels apart across the view, then merge and bounds.
void BM_BrushStroke200StampsMergeBounds(benchmark::State& state)
{
    pq::BrushMask mask = BoundMask();
    for (auto _ : state) {
        mask.beginStroke(QPointF(40, 100));
        for (int i = 1; i < 200; ++i)
            mask.strokeTo(QPointF(40 + (i % 45) * 20.0, 100 + (i / 45) * 120.0));
        mask.mergeStroke();
        benchmark::DoNotOptimize(mask.maskBounds());
        mask.reset();
    }
}
BENCHMARK(BM_BrushStroke200StampsMergeBounds)->Unit(benchmark::kMillisecond)->UseRealTime();

// Merge and bounds alone, after a stroke across the whole view.
void BM_BrushMergeAndBounds(benchmark::State& state)
{
    pq::BrushMask mask = BoundMask();
    for (auto _ : state) {
        state.PauseTiming();
        mask.reset();
        mask.beginStroke(QPointF(0, 0));
        mask.strokeTo(QPointF(1000, 750));
        state.ResumeTiming();
        mask.mergeStroke();
        benchmark::DoNotOptimize(mask.maskBounds());
    }
}
BENCHMARK(BM_BrushMergeAndBounds)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BrushBind12MP(benchmark::State& state)
{
    for (auto _ : state) {
        pq::BrushMask mask;
        benchmark::DoNotOptimize(mask.bind(QSize(kW, kH)));
    }
}
BENCHMARK(BM_BrushBind12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// One mouse move while painting: the stamps it lays and the trail of the
// part of the view it dirties, with a long stroke already drawn.
void BM_BrushMoveWithTrail(benchmark::State& state)
{
    pq::BrushMask mask = BoundMask();
    mask.beginStroke(QPointF(20, 20));
    mask.strokeTo(QPointF(980, 730));
    mask.takeDirtyScreenRect();
    double x = 100;
    for (auto _ : state) {
        x = x > 900 ? 100 : x + 24;
        mask.strokeTo(QPointF(x, 400));
        const QRect dirty = mask.takeDirtyScreenRect().toAlignedRect().adjusted(-60, -60, 60, 60);
        benchmark::DoNotOptimize(pq::RenderTrail(mask.liveLayer(), mask.liveBounds(), mask.view(), dirty));
    }
}
BENCHMARK(BM_BrushMoveWithTrail)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The full-size composite of a stroke whose region is 1200 x 900.
void BM_BrushMaskedComposite12MP(benchmark::State& state)
{
    const gfx::Image& base = bench::SyntheticPhoto12Mp();
    static const gfx::Image kEffect = bench::MakeSyntheticPhoto(1200, 900, 6);
    pq::BrushMask mask = BoundMask();
    mask.beginStroke(QPointF(300, 300));
    mask.strokeTo(QPointF(500, 400));
    mask.mergeStroke();
    const QImage frozen = mask.frozenMask();
    const QRect region = pq::BrushStrokeRegion(mask.maskBounds(), base.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::CompositeBrushStroke(base, kEffect, frozen, region.topLeft(), 0.8f));
}
BENCHMARK(BM_BrushMaskedComposite12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
