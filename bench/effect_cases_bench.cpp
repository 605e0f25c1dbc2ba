#include "bench/bench_images.h"
#include "catalogue/effect_catalogue.h"
#include "engine/lut/lut_choice.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "platform/run_context.h"
#include "platform/ui_bridge.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <initializer_list>
#include <map>
#include <memory>
#include <thread>
#include <vector>

// Whole effect calls as the window makes them (ProcessEffectOnSurface with a
// headless host, the built-in materials and the first built-in look), at the
// effect's default values, seed 7.
//
//   BM_Effect_600x400   every built effect, full run and preview variant
//   BM_Effect_12MP      the effects with a speed target on the 12 MP photo;
//                       lut_file:1 reads effect 404's look from a .cube file
//   BM_Effect_4608x2880  the same cases on a 4608 x 2880 photo (13.3 MP),
//                       the size the speed targets are stated for
//   BM_Effect_Scale     the painting and space-filling effects at 3.3, 13.3
//                       and 53 MP (height:1440, 2880, 5760 at 16:10), with
//                       per_pixel (seconds) to compare the growth of the cost
//   BM_FirstCall_12MP   one call, timed once: meaningful only as the first
//                       case of its process, e.g.
//                       pq-bench --benchmark_filter='BM_FirstCall_12MP/effect:401/'

namespace {

const gfx::Image& Photo600x400()
{
    static const gfx::Image kImage = bench::MakeSyntheticPhoto(600, 400);
    return kImage;
}

const gfx::Image& Photo4608x2880()
{
    static const gfx::Image kImage = bench::MakeSyntheticPhoto(4608, 2880);
    return kImage;
}

// The UI bridge and the repository's materials, made once as the program
// makes them at start.
platform::ManualUiBridge& PrepareEngine()
{
    static const std::shared_ptr<platform::ManualUiBridge> kBridge = [] {
        auto bridge = std::make_shared<platform::ManualUiBridge>();
        platform::SetUiBridge(bridge);
        pq::Repository().create();
        return bridge;
    }();
    return *kBridge;
}

// The first built-in look written to a .cube file.
QString LookFile()
{
    static const QString kPath = [] {
        const QStringList names = pq::EmbeddedLUTNames();
        const QString path = QDir::temp().filePath(QStringLiteral("pq-bench-look.cube"));
        QFile file(path);
        if (names.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(pq::ReadEmbeddedLUT(names.first())) <= 0)
            return QString();
        return path;
    }();
    return kPath;
}

void RunEffect(benchmark::State& state, const gfx::Image& src, int number, bool preview, bool lutFromFile)
{
    platform::ManualUiBridge& bridge = PrepareEngine();
    const pq::EffectDefinition* effect = pq::FindEffect(number);
    if (!effect || !effect->routine || src.isNull()) {
        state.SkipWithError("effect not built");
        return;
    }
    pq::HeadlessHost host;
    host.result = src;
    host.source = src;
    if (lutFromFile)
        host.lut.onLUTApplied(QStringLiteral("look"), {}, LookFile());
    else if (effect->choosesLUT)
        host.lut.initEmbeddedLUTs();
    pq::SetEngineHost(&host);
    gfx::Surface dest = gfx::Surface::make(src.size());
    const std::array<int, 5>& p = effect->sliderDefaults;
    for (auto _ : state) {
        // The run works on a thread of its own while this one, as the
        // window's UI thread, takes the pictures and calls it sends.
        std::atomic<bool> done{false};
        std::thread worker([&] {
            auto run = pq::EffectRunContext::begin(preview);
            run->rng.setSeed(7);
            platform::ScopedRunContext scope(run.get());
            pq::ProcessEffectOnSurface(src, dest, number, p[0], p[1], p[2], p[3], p[4], preview);
            done = true;
            bridge.post([] {}); // wakes the pump
        });
        bridge.pumpUntil([&] { return done.load(); }, 600000);
        worker.join();
        bridge.pump();
    }
    pq::SetEngineHost(nullptr);
}

void EveryBuiltEffect(benchmark::internal::Benchmark* b)
{
    for (const pq::EffectDefinition& e : pq::EffectCatalogue())
        if (e.routine)
            for (const int preview : {0, 1})
                b->Args({e.number, preview});
}

void BM_Effect_600x400(benchmark::State& state)
{
    RunEffect(state, Photo600x400(), int(state.range(0)), state.range(1) != 0, false);
}
BENCHMARK(BM_Effect_600x400)
    ->Apply(EveryBuiltEffect)
    ->ArgNames({"effect", "preview"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void TargetCases(benchmark::internal::Benchmark* b)
{
    for (const auto& args : std::initializer_list<std::vector<int64_t>>{
             {101, 0, 0}, {300, 0, 0}, {300, 1, 0}, {200, 0, 0}, {203, 0, 0}, {400, 0, 0}, {401, 0, 0},
             {402, 0, 0}, {403, 0, 0}, {404, 0, 0}, {404, 0, 1}})
        b->Args(args);
}

void BM_Effect_12MP(benchmark::State& state)
{
    RunEffect(state, bench::SyntheticPhoto12Mp(), int(state.range(0)), state.range(1) != 0, state.range(2) != 0);
}
BENCHMARK(BM_Effect_12MP)
    ->Apply(TargetCases)
    ->ArgNames({"effect", "preview", "lut_file"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Effect_4608x2880(benchmark::State& state)
{
    RunEffect(state, Photo4608x2880(), int(state.range(0)), state.range(1) != 0, state.range(2) != 0);
}
BENCHMARK(BM_Effect_4608x2880)
    ->Apply(TargetCases)
    ->ArgNames({"effect", "preview", "lut_file"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same scene at 16:10 in the given height, made once per height.
const gfx::Image& PhotoOfHeight(int height)
{
    static std::map<int, gfx::Image> photos;
    gfx::Image& photo = photos[height];
    if (photo.isNull())
        photo = bench::MakeSyntheticPhoto(height * 8 / 5, height);
    return photo;
}

void ScaleCases(benchmark::internal::Benchmark* b)
{
    for (const int number : {301, 303, 305, 306, 308, 500, 502, 503})
        for (const int height : {1440, 2880, 5760})
            b->Args({number, height});
}

void BM_Effect_Scale(benchmark::State& state)
{
    const gfx::Image& src = PhotoOfHeight(int(state.range(1)));
    RunEffect(state, src, int(state.range(0)), false, false);
    const double pixels = double(src.width()) * double(src.height());
    state.counters["per_pixel"] =
        benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Effect_Scale)
    ->Apply(ScaleCases)
    ->ArgNames({"effect", "height"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FirstCall_12MP(benchmark::State& state)
{
    RunEffect(state, bench::SyntheticPhoto12Mp(), int(state.range(0)), false, false);
}
BENCHMARK(BM_FirstCall_12MP)
    ->DenseRange(400, 404)
    ->ArgName("effect")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
