#include "catalogue/effect_catalogue.h"
#include "platform/thread_pool.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
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
