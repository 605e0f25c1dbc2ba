// The mosaics' snapshots of a growing canvas reuse the pixels of an earlier
// snapshot only when nobody holds it any more.
#include "image_compare.h"

#include "effects/stylize/space_filling/run.h"
#include "gfx/surface.h"

#include <gtest/gtest.h>

using namespace pq::stylize;

namespace {

gfx::Surface Canvas(int w, int h, gfx::Pixel p)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    s.clearPixel(p);
    return s;
}

} // namespace

TEST(MosaicSnapshots, ACopyOfTheCanvasWithOrWithoutASpare)
{
    gfx::Surface canvas = Canvas(37, 21, 0xFF102030u);
    canvas.row(5)[7] = 0x80402010u;
    gfx::Image spare;
    const gfx::Image first = SnapshotInto(canvas, spare);
    EXPECT_TRUE(testimg::ImagesNear(first, canvas.snapshot()));

    // A spare nobody else holds lends its pixels to the next copy.
    gfx::Image released = SnapshotInto(canvas, spare);
    const uint8_t* memory = released.bits();
    canvas.row(20)[36] = 0xFFFFFFFFu;
    const gfx::Image second = SnapshotInto(canvas, released);
    EXPECT_TRUE(released.isNull());
    EXPECT_EQ(second.bits(), memory);
    EXPECT_TRUE(testimg::ImagesNear(second, canvas.snapshot()));
    EXPECT_FALSE(second.sameAs(first));
}

TEST(MosaicSnapshots, AHeldSnapshotIsNeverWrittenOver)
{
    gfx::Surface canvas = Canvas(40, 30, 0xFF000000u);
    gfx::Image spare;
    gfx::Image shown = SnapshotInto(canvas, spare);
    const gfx::Image kept = shown; // the host still shows it
    const QImage keptPixels = kept.toQImage();
    canvas.clearPixel(0xFFFFFFFFu);
    const gfx::Image next = SnapshotInto(canvas, shown);
    EXPECT_NE(next.bits(), kept.bits());
    EXPECT_EQ(kept.pixel(3, 3), 0xFF000000u);
    EXPECT_EQ(keptPixels.pixel(3, 3), 0xFF000000u);
    EXPECT_EQ(next.pixel(3, 3), 0xFFFFFFFFu);

    // Another size or a null spare: a fresh copy.
    gfx::Image small = gfx::Surface::make(4, 4).snapshot();
    const gfx::Image other = SnapshotInto(canvas, small);
    EXPECT_TRUE(testimg::ImagesNear(other, canvas.snapshot()));
}
