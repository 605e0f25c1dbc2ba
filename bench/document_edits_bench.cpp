// Document edits on a 12-megapixel photo: a rotation (source and a separate
// result) and committing a line of text with its shadow.
#include "bench/bench_images.h"
#include "workspace/document.h"
#include "workspace/document_edits.h"
#include "workspace/text_settings.h"

#include <benchmark/benchmark.h>

namespace {

void BM_RotateDocument12MP(benchmark::State& state)
{
    static const gfx::Image kResult = bench::MakeSyntheticPhoto(4000, 3000, 3);
    pq::Document document;
    document.replaceDocument(bench::SyntheticPhoto12Mp(), kResult);
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::RotateDocument(document, true));
}
BENCHMARK(BM_RotateDocument12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CommitText12MP(benchmark::State& state)
{
    pq::TextSettings text;
    text.text = QStringLiteral("Pastelloquin on a summer day");
    text.pos = QPointF(400, 1600);
    text.fontSize = 160;
    text.color = 0xFFFFFFFF;
    text.shadow = true;
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    for (auto _ : state)
        benchmark::DoNotOptimize(pq::DrawCommittedText(photo, text));
}
BENCHMARK(BM_CommitText12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
