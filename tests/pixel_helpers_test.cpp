#include "engine/services/pixel_helpers.h"

#include <gtest/gtest.h>

#include "image_compare.h"

#include <cmath>
#include <random>

namespace {

// Seeded noise, opaque or with varying alpha (valid premultiplied data).
gfx::Image NoiseImage(int w, int h, unsigned seed, bool translucent = false)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = translucent ? int(rng() % 256) : 255;
            s.row(y)[x] = qPremultiply(qRgba(int(rng() % 256), int(rng() % 256), int(rng() % 256), a));
        }
    return s.snapshot();
}

constexpr gfx::Pixel kSentinel = 0xFF123456u;

QImage SentinelBitmap(int w, int h)
{
    QImage bitmap(w, h, gfx::kPixelFormat);
    bitmap.fill(kSentinel);
    return bitmap;
}

gfx::Pixel At(const QImage& bitmap, int x, int y)
{
    return reinterpret_cast<const gfx::Pixel*>(bitmap.constScanLine(y))[x];
}

TEST(PixelHelpers, CopyRegionNearTheRightEdge)
{
    const gfx::Image image = NoiseImage(120, 40, 1);
    QImage bitmap = SentinelBitmap(100, 60);
    pq::CopyImageRegionToBitmap(image, bitmap, 110, 5);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool copied = x < 10 && y < 35;
            EXPECT_EQ(At(bitmap, x, y), copied ? image.pixel(110 + x, 5 + y) : kSentinel) << x << "," << y;
        }
}

TEST(PixelHelpers, CopyRegionClipsNegativeOrigins)
{
    const gfx::Image image = NoiseImage(30, 20, 2);
    QImage bitmap = SentinelBitmap(16, 16);
    pq::CopyImageRegionToBitmap(image, bitmap, -5, -3);
    EXPECT_EQ(At(bitmap, 0, 0), kSentinel);
    EXPECT_EQ(At(bitmap, 4, 10), kSentinel);
    EXPECT_EQ(At(bitmap, 10, 2), kSentinel);
    EXPECT_EQ(At(bitmap, 5, 3), image.pixel(0, 0));
    EXPECT_EQ(At(bitmap, 15, 15), image.pixel(10, 12));

    // Entirely outside, a null image or an empty bitmap: nothing happens.
    QImage untouched = SentinelBitmap(8, 8);
    pq::CopyImageRegionToBitmap(image, untouched, -8, 0);
    pq::CopyImageRegionToBitmap(image, untouched, 30, 0);
    pq::CopyImageRegionToBitmap(gfx::Image(), untouched, 0, 0);
    EXPECT_EQ(untouched, SentinelBitmap(8, 8));
    QImage empty;
    pq::CopyImageRegionToBitmap(image, empty, 0, 0);
    EXPECT_TRUE(empty.isNull());
}

TEST(PixelHelpers, CopyRegionIntoOtherBitmapFormats)
{
    const gfx::Image image = NoiseImage(10, 10, 3, true);
    QImage bitmap(10, 10, QImage::Format_RGB32);
    bitmap.fill(0);
    pq::CopyImageRegionToBitmap(image, bitmap, 0, 0);
    EXPECT_EQ(bitmap.format(), gfx::kPixelFormat);
    EXPECT_EQ(At(bitmap, 7, 3), image.pixel(7, 3));
}

TEST(PixelHelpers, RotateImage90)
{
    // 3 x 2, every pixel distinct.
    gfx::Surface s = gfx::Surface::make(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            s.row(y)[x] = 0xFF000000u | uint32_t(10 * y + x);
    const gfx::Image image = s.snapshot();

    const gfx::Image cw = pq::RotateImage90(image, true);
    const gfx::Image ccw = pq::RotateImage90(image, false);
    ASSERT_EQ(cw.size(), QSize(2, 3));
    ASSERT_EQ(ccw.size(), QSize(2, 3));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(cw.pixel(2 - 1 - y, x), image.pixel(x, y));
            EXPECT_EQ(ccw.pixel(y, 3 - 1 - x), image.pixel(x, y));
        }

    const gfx::Image big = NoiseImage(131, 77, 4, true);
    EXPECT_TRUE(testimg::ImagesNear(pq::RotateImage90(pq::RotateImage90(big, true), false), big));
    gfx::Image turned = big;
    for (int k = 0; k < 4; ++k)
        turned = pq::RotateImage90(turned, true);
    EXPECT_TRUE(testimg::ImagesNear(turned, big));
    EXPECT_TRUE(pq::RotateImage90(gfx::Image(), true).isNull());
}

TEST(PixelHelpers, ResizeImage)
{
    const gfx::Image image = NoiseImage(40, 30, 5, true);
    const gfx::Image same = pq::ResizeImage(image, 40, 30);
    EXPECT_TRUE(testimg::ImagesNear(same, image));
    EXPECT_FALSE(same.sameAs(image));

    // A flat colour stays flat at any scale, aspect not kept.
    const gfx::Pixel colour = 0xFF3080C0u;
    for (const QSize size : {QSize(25, 7), QSize(3, 90)}) {
        const gfx::Image resized = pq::ResizeImage(testimg::MakeSolid(10, 10, colour), size.width(), size.height());
        ASSERT_EQ(resized.size(), size);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                for (int shift = 0; shift < 32; shift += 8)
                    EXPECT_NEAR(int((resized.pixel(x, y) >> shift) & 255), int((colour >> shift) & 255), 1)
                        << x << "," << y;
    }
    EXPECT_TRUE(pq::ResizeImage(gfx::Image(), 10, 10).isNull());
    EXPECT_TRUE(pq::ResizeImage(image, 0, 10).isNull());
    EXPECT_TRUE(pq::ResizeImage(image, 10, -1).isNull());
}

// A grey step: 100 left of column 4, 150 from it on.
gfx::Image GreyStep()
{
    gfx::Surface s = gfx::Surface::make(8, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint32_t v = x < 4 ? 100 : 150;
            s.row(y)[x] = 0xFF000000u | v << 16 | v << 8 | v;
        }
    return s.snapshot();
}

TEST(PixelHelpers, SharpenSurface)
{
    gfx::Surface surface = gfx::Surface::make(8, 5);
    pq::SharpenSurface(GreyStep(), surface, 100);
    // Kernel centre 5, neighbours -1: 5 * 100 - 3 * 100 - 150 and back.
    EXPECT_EQ(surface.row(2)[3] & 0xFFu, 50u);
    EXPECT_EQ(surface.row(2)[4] & 0xFFu, 200u);
    EXPECT_EQ(surface.row(2)[0] & 0xFFu, 100u); // edges repeat
    EXPECT_EQ(surface.row(0)[7] & 0xFFu, 150u);
    const gfx::Image full = surface.snapshot();

    pq::SharpenSurface(GreyStep(), surface, 250, 1, 2, 3, 4);
    EXPECT_TRUE(testimg::ImagesNear(surface.snapshot(), full)) << "250 acts as 100";

    // Amount 0 redraws unchanged, alpha included.
    const gfx::Image noisy = NoiseImage(33, 21, 6, true);
    gfx::Surface plain = gfx::Surface::fromImage(noisy);
    pq::SharpenSurface(gfx::Image(), plain, 0);
    EXPECT_TRUE(testimg::ImagesNear(plain.snapshot(), noisy));

    // Without a source the surface is sharpened in place; alpha is kept.
    gfx::Surface inPlace = gfx::Surface::fromImage(noisy);
    pq::SharpenSurface(gfx::Image(), inPlace, 40);
    gfx::Surface fromSource = gfx::Surface::make(33, 21);
    pq::SharpenSurface(noisy, fromSource, 40);
    EXPECT_TRUE(testimg::ImagesNear(inPlace.snapshot(), fromSource.snapshot()));
    EXPECT_FALSE(testimg::ImagesNear(inPlace.snapshot(), noisy));
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 33; ++x) {
            const gfx::Pixel p = inPlace.row(y)[x];
            ASSERT_EQ(p >> 24, noisy.pixel(x, y) >> 24);
            ASSERT_LE(qRed(p), qAlpha(p));
            ASSERT_LE(qGreen(p), qAlpha(p));
            ASSERT_LE(qBlue(p), qAlpha(p));
        }

    gfx::Surface none;
    pq::SharpenSurface(noisy, none, 50); // no surface: nothing happens
    EXPECT_TRUE(none.isNull());
}

TEST(PixelHelpers, ImageDifferenceSSD)
{
    const gfx::Image a = NoiseImage(25, 25, 7);
    EXPECT_EQ(pq::ImageDifferenceSSD(a, a), 0.0);

    // Only every tenth pixel of every tenth row counts.
    gfx::Surface s = gfx::Surface::fromImage(a);
    s.row(5)[5] ^= 0x00FFFFFFu;
    s.row(24)[24] ^= 0x00FFFFFFu;
    EXPECT_EQ(pq::ImageDifferenceSSD(a, s.snapshot()), 0.0);
    const gfx::Pixel p = a.pixel(10, 20);
    s.row(20)[10] = (p & 0xFF000000u) | (((p >> 16 & 255) ^ 3) << 16) | (((p >> 8 & 255) ^ 4) << 8) | ((p & 255) ^ 5);
    const int dr = int(p >> 16 & 255) - int((p >> 16 & 255) ^ 3);
    const int dg = int(p >> 8 & 255) - int((p >> 8 & 255) ^ 4);
    const int db = int(p & 255) - int((p & 255) ^ 5);
    EXPECT_EQ(pq::ImageDifferenceSSD(a, s.snapshot()), double(dr * dr + dg * dg + db * db));

    // A 9 x 9 pair compares pixel (0, 0) alone; alpha is ignored.
    EXPECT_EQ(pq::ImageDifferenceSSD(testimg::MakeSolid(9, 9, 0xFF000000u), testimg::MakeSolid(9, 9, 0xFF0A0000u)), 100.0);
    gfx::Surface b = gfx::Surface::make(9, 9);
    b.clearPixel(0xFFFFFFFFu);
    b.row(0)[0] = 0x80000000u;
    EXPECT_EQ(pq::ImageDifferenceSSD(testimg::MakeSolid(9, 9, 0xFF000000u), b.snapshot()), 0.0);

    // Images that cannot be compared are never "identical".
    EXPECT_TRUE(std::isinf(pq::ImageDifferenceSSD(a, testimg::MakeSolid(25, 24, 0xFF000000u))));
    EXPECT_TRUE(std::isinf(pq::ImageDifferenceSSD(a, gfx::Image())));
    EXPECT_TRUE(std::isinf(pq::ImageDifferenceSSD(gfx::Image(), gfx::Image())));
}

} // namespace
