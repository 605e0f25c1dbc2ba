#include "engine/services/texture_overlay.h"

#include <QImage>
#include <gtest/gtest.h>

#include "image_compare.h"

#include <cmath>
#include <functional>
#include <limits>
#include <set>

namespace {

gfx::Image GreyTexture(int w, int h, const std::function<int(int, int)>& value)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = value(x, y);
            img.setPixel(x, y, qRgb(v, v, v));
        }
    return gfx::Image::adopt(std::move(img));
}

// Premultiplied picture from seeded noise; alpha 0, 128 and 255 in bands.
gfx::Image NoisyPicture(int w, int h, uint32_t seed)
{
    platform::Random rng(seed);
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = (y / 4) % 3 == 0 ? 0 : ((y / 4) % 3 == 1 ? 128 : 255);
            const int r = rng.random(a + 1), g = rng.random(a + 1), b = rng.random(a + 1);
            img.setPixel(x, y, qRgba(r, g, b, a));
        }
    return gfx::Image::adopt(std::move(img));
}

void ExpectValidPremultiplied(const gfx::Image& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const gfx::Pixel p = img.pixel(x, y);
            const uint32_t a = p >> 24;
            ASSERT_LE((p >> 16) & 255, a) << x << "," << y;
            ASSERT_LE((p >> 8) & 255, a) << x << "," << y;
            ASSERT_LE(p & 255, a) << x << "," << y;
        }
}

TEST(TextureLuminance, GridAndIntegerMean)
{
    const gfx::Image tex = GreyTexture(3, 1, [](int x, int) { return x == 2 ? 11 : 10; });
    const auto grid = pq::TextureLuminanceGrid(tex);
    ASSERT_EQ(grid->width, 3);
    ASSERT_EQ(grid->height, 1);
    EXPECT_EQ(grid->at(2, 0), 11);
    EXPECT_EQ(grid->mean, 10);
    const pq::IntGrid rows = grid->rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<int>{10, 10, 11}));

    QImage coloured(1, 1, QImage::Format_ARGB32_Premultiplied);
    coloured.setPixel(0, 0, qRgb(200, 100, 50)); // 59.8 + 58.7 + 5.7 = 124.2
    EXPECT_EQ(pq::TextureLuminanceGrid(gfx::Image::adopt(coloured))->at(0, 0), 124);

    const auto empty = pq::TextureLuminanceGrid(gfx::Image());
    EXPECT_EQ(empty->width, 0);
    EXPECT_EQ(empty->mean, 128);
}

TEST(TextureLuminance, GridIsMeasuredOncePerTexture)
{
    const gfx::Image a = GreyTexture(64, 64, [](int x, int y) { return (x * y) % 256; });
    const gfx::Image b = GreyTexture(64, 64, [](int x, int y) { return (x + y) % 256; });
    const auto first = pq::TextureLuminanceGrid(a);
    EXPECT_EQ(pq::TextureLuminanceGrid(a).get(), first.get());
    EXPECT_NE(pq::TextureLuminanceGrid(b).get(), first.get());
    EXPECT_EQ(pq::TextureLuminanceGrid(a).get(), first.get());
}

TEST(TextureOverlay, UniformTextureOrZeroStrengthChangesNothing)
{
    const gfx::Image picture = NoisyPicture(40, 30, 5);
    const gfx::Image flat = GreyTexture(16, 16, [](int, int) { return 90; });
    for (int strength : {0, 50, 100, 400, -100}) {
        gfx::Image img = picture;
        platform::Random rng(1);
        pq::ApplyCustomTexture(img, flat, strength, 1.3f, rng);
        EXPECT_TRUE(testimg::ImagesNear(img, picture)) << strength;
    }
    gfx::Image img = picture;
    platform::Random rng(1);
    pq::ApplyCustomTexture(img, GreyTexture(8, 8, [](int x, int y) { return (x * 31 + y * 17) % 256; }), 0, 1.f, rng);
    EXPECT_TRUE(testimg::ImagesNear(img, picture));
    EXPECT_FALSE(img.sameAs(picture)) << "the image is replaced by a copy";
}

TEST(TextureOverlay, BrightTexturePixelsDarken)
{
    // Mean (200 + 3 x 100) div 4 = 125: the bright pixel moves 128 to 53,
    // the others to 153, whatever the offset.
    const gfx::Image tex = GreyTexture(2, 2, [](int x, int y) { return x == 0 && y == 0 ? 200 : 100; });
    gfx::Image img = GreyTexture(8, 8, [](int, int) { return 128; });
    platform::Random rng(7);
    pq::ApplyCustomTexture(img, tex, 100, 1.f, rng);
    int dark = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int v = int(img.pixel(x, y) & 255);
            ASSERT_TRUE(v == 53 || v == 153) << v;
            dark += v == 53;
        }
    EXPECT_EQ(dark, 16);
}

TEST(TextureOverlay, TextureRepeatsWithItsScaledPeriod)
{
    const gfx::Image tex = GreyTexture(5, 3, [](int x, int y) { return 40 + x * 37 + y * 23; });
    const gfx::Image picture = GreyTexture(60, 40, [](int, int) { return 128; });
    for (float scale : {1.f, 2.f, 0.6f}) {
        gfx::Image img = picture;
        platform::Random rng(3);
        pq::ApplyCustomTexture(img, tex, 100, scale, rng);
        const int px = int(std::nearbyint(5 * scale)), py = int(std::nearbyint(3 * scale));
        for (int y = 0; y + py < 40; ++y)
            for (int x = 0; x + px < 60; ++x) {
                ASSERT_EQ(img.pixel(x, y), img.pixel(x + px, y)) << scale;
                ASSERT_EQ(img.pixel(x, y), img.pixel(x, y + py)) << scale;
            }
    }
    // At scale 2 a texture pixel covers two image pixels: values at even
    // steps are texture values, those between are averages of neighbours.
    gfx::Image img = picture;
    platform::Random rng(3);
    pq::ApplyCustomTexture(img, tex, 100, 2.f, rng);
    std::set<int> values;
    for (int x = 0; x < 60; ++x)
        values.insert(int(img.pixel(x, 0) & 255));
    EXPECT_GE(values.size(), 6u);
}

TEST(TextureOverlay, SameSeedSameResult)
{
    const gfx::Image tex = GreyTexture(37, 41, [](int x, int y) { return (x * 13 + y * 7) % 256; });
    const gfx::Image picture = NoisyPicture(50, 50, 9);
    gfx::Image a = picture, b = picture;
    platform::Random r1(42), r2(42);
    pq::ApplyCustomTexture(a, tex, 60, 1.f, r1);
    pq::ApplyCustomTexture(b, tex, 60, 1.f, r2);
    EXPECT_TRUE(testimg::ImagesNear(a, b));
}

TEST(TextureOverlay, ColoursStayWithinAlphaAndTransparencyIsKept)
{
    const gfx::Image tex = GreyTexture(23, 19, [](int x, int y) { return (x * 71 + y * 113) % 256; });
    const gfx::Image picture = NoisyPicture(64, 48, 11);
    for (int strength : {50, 100, 300}) {
        gfx::Image img = picture;
        platform::Random rng(static_cast<uint32_t>(strength));
        pq::ApplyCustomTexture(img, tex, strength, 1.f, rng);
        ExpectValidPremultiplied(img);
        bool changed = false;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                if ((picture.pixel(x, y) >> 24) == 0) {
                    ASSERT_EQ(img.pixel(x, y), picture.pixel(x, y));
                }
                ASSERT_EQ(img.pixel(x, y) >> 24, picture.pixel(x, y) >> 24);
                changed |= img.pixel(x, y) != picture.pixel(x, y);
            }
        EXPECT_TRUE(changed);
    }
    // A half-transparent pixel at its full colour cannot be lightened past it.
    QImage half(4, 4, QImage::Format_ARGB32_Premultiplied);
    half.fill(qRgba(128, 128, 128, 128));
    gfx::Image img = gfx::Image::adopt(half);
    platform::Random rng(2);
    pq::ApplyCustomTexture(img, GreyTexture(2, 2, [](int x, int) { return x ? 255 : 0; }), 100, 1.f, rng);
    ExpectValidPremultiplied(img);
}

TEST(TextureOverlay, BadScalesAndEmptyInputsAreHarmless)
{
    const gfx::Image tex = GreyTexture(16, 16, [](int x, int y) { return (x * 16 + y) % 256; });
    const gfx::Image picture = NoisyPicture(30, 30, 4);
    for (float scale : {0.f, -3.f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        1e-20f, 1e20f}) {
        gfx::Image img = picture;
        platform::Random rng(5);
        pq::ApplyCustomTexture(img, tex, 100, scale, rng);
        ASSERT_EQ(img.size(), picture.size());
        ExpectValidPremultiplied(img);
    }
    gfx::Image img = picture;
    pq::ApplyCustomTexture(img, gfx::Image(), 100, 1.f);
    EXPECT_TRUE(img.sameAs(picture));
    gfx::Image none;
    pq::ApplyCustomTexture(none, tex, 100, 1.f);
    EXPECT_TRUE(none.isNull());
}

} // namespace
