#include "effect_test_support.h"

#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "platform/run_context.h"

namespace pqtest {

std::vector<gfx::Pixel> PixelsOf(const gfx::Surface& s)
{
    std::vector<gfx::Pixel> v;
    for (int y = 0; y < s.height(); ++y)
        v.insert(v.end(), s.row(y), s.row(y) + s.width());
    return v;
}

bool ValidPremultiplied(const gfx::Surface& s)
{
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const gfx::Pixel p = s.row(y)[x];
            const gfx::Pixel a = p >> 24;
            if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
                return false;
        }
    return true;
}

void EffectTest::SetUp()
{
    EngineTest::SetUp();
    if (builtInImages_ && !pq::Repository().loaded())
        pq::Repository().create();
}

gfx::Surface EffectTest::run(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview,
                             uint32_t seed) const
{
    gfx::Surface dest = gfx::Surface::make(src.size());
    auto ctx = pq::EffectRunContext::begin(preview);
    ctx->rng.setSeed(seed);
    platform::ScopedRunContext scope(ctx.get());
    routine_(src, dest, p1, p2, p3, p4, p5, preview);
    return dest;
}

} // namespace pqtest
