#include "tools/fuzz/fuzz_support.h"

#include <QCoreApplication>

#include <cstdlib>
#include <memory>

namespace fuzz {

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "pq-fuzz";
    static char* argv[] = {name, nullptr};
    static const std::unique_ptr<QCoreApplication> app =
        QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    // The readers' own complaints about damaged input are expected here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void RequirePremultiplied(const gfx::Image& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const gfx::Pixel* row = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t p = row[x];
            const uint32_t a = p >> 24;
            Require(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a);
        }
    }
}

} // namespace fuzz
