// pq-bench: the Google Benchmark suite. `pq-bench --write-photo W H FILE`
// writes the synthetic test photo of W x H pixels to FILE instead (the
// photo bench/busy.sh runs the effects on).

#include "bench/bench_images.h"
#include "catalogue/effect_catalogue.h"
#include "gfx/codec.h"
#include "platform/thread_pool.h"

#include <QGuiApplication>
#include <QString>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int WritePhoto(const char* width, const char* height, const char* file)
{
    const int w = std::atoi(width), h = std::atoi(height);
    if (w < 1 || h < 1 || w > 20000 || h > 20000) {
        std::fprintf(stderr, "pq-bench: bad photo size %s x %s\n", width, height);
        return 1;
    }
    const QString path = QString::fromLocal8Bit(file);
    QString error;
    if (!gfx::EncodeToFile(bench::MakeSyntheticPhoto(w, h), path, gfx::FormatFromExtension(path), 95, &error)) {
        std::fprintf(stderr, "pq-bench: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--write-photo") == 0)
        return WritePhoto(argv[2], argv[3], argv[4]);
    if (argc > 1 && std::strcmp(argv[1], "--write-photo") == 0) {
        std::fprintf(stderr, "usage: pq-bench --write-photo WIDTH HEIGHT FILE\n");
        return 2;
    }
    platform::ConfigureDefaultThreadPool();
    pq::InstallEffectCatalogue();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    platform::ShutdownThreadPool();
    return 0;
}
