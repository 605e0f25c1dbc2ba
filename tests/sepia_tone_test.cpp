#include "image_compare.h"

#include "effects/photolab/vintage_sepia/sepia_tone.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

// The Sepia look tones whole rows in loops the compiler vectorises; every
// pixel must come out as the one-pixel routine makes it.

namespace {

using pq::SepiaSettings;

// A row of random colours: opaque, or with every alpha (0..255) mixed in.
std::vector<gfx::Pixel> NoiseRow(int width, uint32_t seed, bool opaque)
{
    platform::Random rng(seed);
    std::vector<gfx::Pixel> row(static_cast<size_t>(width));
    for (gfx::Pixel& p : row) {
        const int a = opaque || rng.random(3) != 0 ? 255 : rng.random(256);
        p = testimg::Premul(rng.random(256), rng.random(256), rng.random(256), a);
    }
    return row;
}

// The first column where the row routine and the pixel routine differ, or -1.
int FirstDifference(const std::vector<gfx::Pixel>& src, int y, const SepiaSettings& s,
                    const pq::film::Vignette& vignette)
{
    const int w = int(src.size());
    const gfx::Pixel* textureRow = s.texture.isNull() ? nullptr : s.texture.row(y % s.texture.height());
    const int tw = s.texture.isNull() ? 1 : s.texture.width();
    std::vector<gfx::Pixel> row = src;
    pq::ToneSepiaRow(row.data(), y, w, s, textureRow, tw, vignette);
    for (int x = 0; x < w; ++x) {
        const gfx::Pixel p = src[size_t(x)];
        const gfx::Pixel expected = (p >> 24) >= 5 ? pq::SepiaPixel(p, x, y, s, textureRow, x % tw, vignette) : p;
        if (row[size_t(x)] != expected)
            return x;
    }
    return -1;
}

} // namespace

TEST(SepiaTone, RowsMatchThePixelRoutine)
{
    const gfx::Image narrowTexture = testimg::MakeNoise(5, 3, 11);
    const gfx::Image wideTexture = testimg::MakeNoise(300, 2, 12, false);
    uint32_t seed = 1;
    for (const int width : {1, 7, 8, 9, 33, 250})
        for (const int retention : {0, 97, 256})
            for (const int toning : {0, 179, 256})
                for (const int grain : {0, 50, 100})
                    for (const gfx::Image* texture : {(const gfx::Image*)nullptr, &narrowTexture, &wideTexture})
                        for (const float amount : {0.0f, 0.5f, 1.0f}) {
                            SepiaSettings s;
                            s.retention = retention;
                            s.toning = toning;
                            s.grain = grain;
                            s.amplitude = grain * 31 / 100;
                            if (grain > 0 && texture) {
                                s.texture = *texture;
                                s.textureMean = 97;
                            }
                            // A picture a little taller than wide, the row near its edge or middle.
                            const pq::film::Vignette vignette(width, width + 3, amount);
                            for (const bool opaque : {true, false}) {
                                const int y = int(seed % 3 == 0 ? 0 : (width + 3) / 2);
                                const std::vector<gfx::Pixel> src = NoiseRow(width, ++seed, opaque);
                                EXPECT_EQ(FirstDifference(src, y, s, vignette), -1)
                                    << "width " << width << " retention " << retention << " toning " << toning
                                    << " grain " << grain << " vignette " << amount << " opaque " << opaque;
                            }
                        }
}
