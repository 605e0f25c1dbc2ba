#include "bench/bench_images.h"
#include "engine/history/image_history.h"
#include "gfx/filters.h"
#include "workspace/gallery_images.h"
#include "workspace/gallery_store.h"
#include "workspace/magnifier_lens.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTransform>

#include <cmath>
#include <vector>

namespace {

// Kilobytes of a /proc/self/status line ("VmRSS", "VmHWM").
double StatusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').value(0).toDouble();
    return 0;
}

// What the UI thread pays for a new tile: the comparison with the source
// and the store's add (thumbnail and bytes are made on its own thread).
void BM_Gallery_AddTile_12MP(benchmark::State& state)
{
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    const gfx::Image other = bench::MakeSyntheticPhoto(4000, 3000, 2);
    pq::GalleryStore store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pq::ImagesDiffer(photo, other, 1000));
        store.add(photo, false, QString());
    }
    store.clear();
    store.waitForWork();
}
BENCHMARK(BM_Gallery_AddTile_12MP)->Unit(benchmark::kMicrosecond)->Iterations(20);

// One magnifier redraw over a 12-megapixel image (the decoded image kept).
void BM_Gallery_MagnifierRedraw_12MP(benchmark::State& state)
{
    const gfx::Image& photo = bench::SyntheticPhoto12Mp();
    pq::LensLook look;
    double t = 0;
    for (auto _ : state) {
        look.seconds = t += 0.016;
        benchmark::DoNotOptimize(pq::RenderMagnifier(photo, QPointF(0.4, 0.6), look));
    }
}
BENCHMARK(BM_Gallery_MagnifierRedraw_12MP)->Unit(benchmark::kMillisecond);

// The lens's frosted-rim blur: the whole 440 x 440 canvas (0) or only
// the ring where the rim shows (1).
void BM_Gallery_MagnifierRimBlur(benchmark::State& state)
{
    const gfx::Image canvas = bench::MakeSyntheticPhoto(440, 440, 3);
    std::vector<uint8_t> ring(size_t(440) * 440);
    for (int y = 0; y < 440; ++y)
        for (int x = 0; x < 440; ++x) {
            const double dc = std::hypot(x - 220.0, y - 220.0), dr = std::hypot(x - 260.0, y - 260.0);
            ring[size_t(y) * 440 + size_t(x)] = dc <= 223 && dr >= 175;
        }
    for (auto _ : state)
        benchmark::DoNotOptimize(state.range(0) ? gfx::GaussianBlurWhere(canvas, 8, 8, ring)
                                                : gfx::GaussianBlur(canvas, 8, 8));
}
BENCHMARK(BM_Gallery_MagnifierRimBlur)->ArgName("ring")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// 50 rotations of a 13-megapixel photo, each saved to the history and
// added to the gallery as the window does; reports the resident memory.
void BM_Gallery_FiftyRotations_13MP(benchmark::State& state)
{
    for (auto _ : state) {
        pq::ImageHistory history;
        pq::GalleryStore store;
        store.setBytesLookup([&](const gfx::Image& image) { return history.encodedBytesOf(image.id()); });
        gfx::Image image = bench::MakeSyntheticPhoto(4160, 3120, 5);
        for (int i = 0; i < 50; ++i) {
            image = gfx::Image::fromQImage(image.qimage().transformed(QTransform().rotate(90)));
            history.save(image, image);
            store.add(image, false, QString());
            // At a user's pace: each rotation is encoded before the next.
            store.waitForWork();
            store.trim();
        }
        store.waitForWork();
        history.waitForEncoding();
        store.trim();
        image = {};
        state.counters["tiles"] = store.count();
        state.counters["galleryMB"] = double(store.storedBytes()) / (1 << 20);
        state.counters["rssMB"] = StatusKb("VmRSS") / 1024.0;
        state.counters["peakRssMB"] = StatusKb("VmHWM") / 1024.0;
    }
}
BENCHMARK(BM_Gallery_FiftyRotations_13MP)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
