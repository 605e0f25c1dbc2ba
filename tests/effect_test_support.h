#pragma once

// What the effect tests share: a surface's pixels as a list, the check
// that every pixel is valid premultiplied data, and a fixture that runs one
// five-slider effect in a run of its own.

#include "engine_test_support.h"

#include "gfx/image.h"
#include "gfx/surface.h"

#include <cstdint>
#include <vector>

namespace pqtest {

// Row after row.
std::vector<gfx::Pixel> PixelsOf(const gfx::Surface& s);
// No colour byte above its alpha.
bool ValidPremultiplied(const gfx::Surface& s);

using EffectRoutine = void (*)(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                               bool preview);

class EffectTest : public EngineTest {
protected:
    // `builtInImages`: the effect takes brushes or papers from the
    // repository, which is loaded before each test.
    explicit EffectTest(EffectRoutine routine, bool builtInImages = true)
        : routine_(routine), builtInImages_(builtInImages)
    {
    }

    void SetUp() override;

    // The effect's picture of `src`, the run's generator seeded with `seed`.
    gfx::Surface run(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview,
                     uint32_t seed = 1) const;

private:
    EffectRoutine routine_;
    bool builtInImages_;
};

} // namespace pqtest
