// The oil pastel probe worked ten points at a time must pick the plain
// loop's point and leave the generator where the plain loop does, for any
// picture size, reach, cluster count and white rule.

#include "effects/painting/oil_pastel/probe.h"

#include <gtest/gtest.h>

#include <vector>

using gfx::Pixel;

namespace {

struct Field {
    Field(int w, int h, int stride, uint32_t seed, bool nearWhite) : width(w), height(h), stride(stride)
    {
        platform::Random rng(seed);
        source.resize(size_t(stride) * size_t(h));
        canvas.resize(source.size());
        for (size_t i = 0; i < source.size(); ++i) {
            const int a = rng.random(5) == 0 ? rng.random(12) : 255;
            source[i] = Pixel(a) << 24 | Pixel(rng.random(a + 1)) << 16 | Pixel(rng.random(a + 1)) << 8 |
                        Pixel(rng.random(a + 1));
            // Canvases close to the source (small errors, no early end),
            // or far and near white (large errors that end the search).
            canvas[i] = nearWhite ? (rng.random(3) ? 0xffeeeeeeu : 0xff000000u)
                                  : (rng.random(4) ? source[i] : source[i] ^ Pixel(rng.random(8)));
        }
    }
    pq::ProbeField view() const { return {source.data(), stride, canvas.data(), stride, width, height}; }
    int width, height, stride;
    std::vector<Pixel> source, canvas;
};

TEST(OilPastelProbe, WideProbeMatchesPlainPointAndGenerator)
{
    int cases = 0, found = 0;
    for (const auto& [w, h] : {std::pair{21, 21}, std::pair{100, 100}, std::pair{317, 45}, std::pair{64, 700}})
        for (const bool nearWhite : {false, true})
            for (const int clusters : {1, 4, 15})
                for (const int reach : {1, 7, 90}) {
                    const Field f(w, h, w + 3, uint32_t(w * 31 + h + clusters), nearWhite);
                    for (const bool white : {false, true}) {
                        platform::Random a(uint32_t(cases * 7919 + 1)), b = a;
                        int ax = -1, ay = -1, bx = -1, by = -1;
                        const pq::ProbeRule rule{clusters, reach, white};
                        const bool plain = pq::ProbeWorstPlain(f.view(), rule, a, ax, ay);
                        const bool wide = pq::ProbeWorst(f.view(), rule, b, bx, by);
                        ASSERT_EQ(plain, wide) << w << "x" << h << " " << clusters << " " << reach;
                        EXPECT_EQ(ax, bx);
                        EXPECT_EQ(ay, by);
                        EXPECT_EQ(a.seed(), b.seed()) << w << "x" << h << " " << clusters << " " << reach;
                        found += plain;
                        ++cases;
                    }
                }
    EXPECT_EQ(cases, 144);
    EXPECT_GT(found, 100);
}

} // namespace
