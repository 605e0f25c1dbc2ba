#include "bench/bench_images.h"
#include "catalogue/effect_catalogue.h"
#include "gfx/codec.h"
#include "platform/thread_pool.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// pq-bench --write-photo WIDTH HEIGHT FILE: the benchmarks' synthetic photo
// as a file, for timing pq-render on the same picture.
int WritePhoto(int argc, char** argv)
{
    const int width = argc > 2 ? std::atoi(argv[2]) : 0, height = argc > 3 ? std::atoi(argv[3]) : 0;
    if (argc != 5 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: pq-bench --write-photo WIDTH HEIGHT FILE\n");
        return 2;
    }
    const gfx::Image photo = bench::MakeSyntheticPhoto(width, height);
    const QString path = QString::fromLocal8Bit(argv[4]);
    QString error = QStringLiteral("cannot make the photo");
    if (photo.isNull() || !gfx::EncodeToFile(photo, path, gfx::FormatFromExtension(path), 95, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
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
    platform::ConfigureDefaultThreadPool();
    if (argc > 1 && std::strcmp(argv[1], "--write-photo") == 0) {
        const int code = WritePhoto(argc, argv);
        platform::ShutdownThreadPool();
        return code;
    }
    pq::InstallEffectCatalogue();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    platform::ShutdownThreadPool();
    return 0;
}
