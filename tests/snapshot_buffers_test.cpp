// Reused snapshot buffers: every snapshot shows the surface as it was, and
// an image still held is never written over.
#include "effects/shared/snapshot_buffers.h"

#include <gtest/gtest.h>

namespace {

bool Shows(const gfx::Image& image, gfx::Pixel value)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != value)
                return false;
    return true;
}

} // namespace

TEST(SnapshotBuffers, HeldImagesKeepTheirPixelsAndReleasedBuffersReturn)
{
    gfx::Surface surface = gfx::Surface::make(300, 200);
    pq::SnapshotBuffers shots;
    surface.clearPixel(0xFF000001u);
    gfx::Image first = shots.take(surface);
    const uint8_t* firstBits = first.bits();
    surface.clearPixel(0xFF000002u);
    gfx::Image second = shots.take(surface);
    surface.clearPixel(0xFF000003u);
    gfx::Image third = shots.take(surface);
    // All three held: none shares pixels, each shows its moment.
    EXPECT_TRUE(Shows(first, 0xFF000001u));
    EXPECT_TRUE(Shows(second, 0xFF000002u));
    EXPECT_TRUE(Shows(third, 0xFF000003u));
    EXPECT_NE(first.bits(), second.bits());
    EXPECT_NE(first.bits(), third.bits());

    // Once the first is let go its buffer serves again, as a new image.
    const uint64_t firstId = first.id();
    first = gfx::Image();
    surface.clearPixel(0xFF000004u);
    const gfx::Image fourth = shots.take(surface);
    EXPECT_EQ(fourth.bits(), firstBits);
    EXPECT_NE(fourth.id(), firstId);
    EXPECT_TRUE(Shows(fourth, 0xFF000004u));
    EXPECT_TRUE(Shows(second, 0xFF000002u));
}

TEST(SnapshotBuffers, ASurfaceOfAnotherSizeGetsAFreshImage)
{
    pq::SnapshotBuffers shots;
    gfx::Surface small = gfx::Surface::make(10, 10);
    small.clearPixel(0xFF0000FFu);
    gfx::Image a = shots.take(small);
    a = gfx::Image();
    gfx::Surface large = gfx::Surface::make(40, 30);
    large.clearPixel(0xFF00FF00u);
    const gfx::Image b = shots.take(large);
    EXPECT_EQ(b.size(), QSize(40, 30));
    EXPECT_TRUE(Shows(b, 0xFF00FF00u));
    EXPECT_TRUE(shots.take(gfx::Surface()).isNull());
}
