// .cube text: any bytes give a whole table or an error; a table maps a
// picture to valid premultiplied pixels whatever its domain.
#include "engine/lut/cube_lut.h"
#include "engine/lut/lut_mapper.h"
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/fuzz_target.h"

#include "gfx/surface.h"

namespace {

gfx::Image Probe()
{
    // Every corner of the colour cube, some greys and transparency.
    static const gfx::Image probe = [] {
        gfx::Surface s = gfx::Surface::make(4, 4);
        for (int i = 0; i < 16; ++i) {
            const int a = i < 12 ? 255 : 255 - 60 * (i - 11);
            const int r = (i & 1) ? a : 0, g = (i & 2) ? a : 0, b = (i & 4) ? a : a / 3;
            s.row(i / 4)[i % 4] = uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        }
        return s.snapshot();
    }();
    return probe;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString error;
    const pq::CubeLUT lut = pq::ParseCubeLUTFromBytes(fuzz::Bytes(data, size), &error);
    if (!lut.valid()) {
        fuzz::Require(!error.isEmpty());
        return 0;
    }
    const size_t n = size_t(lut.lutSize);
    fuzz::Require(lut.lutSize <= pq::kMaxCubeLUTSize && lut.lut.size() == n * n * n);
    for (const int intensity : {100, 37}) {
        const gfx::Image mapped = pq::MapLUTToImage(Probe(), lut, intensity);
        fuzz::Require(mapped.size() == Probe().size());
        fuzz::RequirePremultiplied(mapped);
    }
    return 0;
}
