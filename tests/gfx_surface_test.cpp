#include "gfx/surface.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <cstdint>
#include <utility>

using gfx::Image;
using gfx::Pixel;
using gfx::Surface;

namespace {

// Big enough that fills and copies share their rows between threads.
constexpr int kBigWidth = 1003;
constexpr int kBigHeight = 611;

// The first pixel (x, y) whose value differs from expected(x, y), or -1.
template <typename Expected>
int64_t FirstMismatch(const Image& image, Expected&& expected)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.row(y)[x] != expected(x, y))
                return int64_t(y) * image.width() + x;
    return -1;
}

Pixel Pattern(int x, int y)
{
    const Pixel a = Pixel((x * 7 + y * 13) & 0xFF);
    return a << 24 | (a * (Pixel(x) & 0xFF) / 255) << 16 | (a * (Pixel(y) & 0xFF) / 255) << 8 | (a / 2);
}

} // namespace

TEST(GfxSurface, BigSurfacesStartTransparentAndClearToEveryPixel)
{
    Surface surface = Surface::make(kBigWidth, kBigHeight);
    ASSERT_FALSE(surface.isNull());
    EXPECT_EQ(FirstMismatch(surface.snapshot(), [](int, int) { return Pixel(0); }), -1);
    surface.clearPixel(0x80402010u);
    EXPECT_EQ(FirstMismatch(surface.snapshot(), [](int, int) { return Pixel(0x80402010u); }), -1);
}

TEST(GfxSurface, SnapshotsOfBigAndSmallSurfacesCopyEveryRowAndStayApart)
{
    for (const auto& [w, h] : {std::pair{kBigWidth, kBigHeight}, std::pair{37, 5}}) {
        Surface surface = Surface::make(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                surface.row(y)[x] = Pattern(x, y);
        const Image snap = surface.snapshot();
        EXPECT_EQ(snap.size(), surface.size());
        EXPECT_EQ(FirstMismatch(snap, Pattern), -1) << w << " x " << h;
        // Writing the surface afterwards leaves the snapshot alone.
        surface.clearPixel(0);
        EXPECT_EQ(FirstMismatch(snap, Pattern), -1) << w << " x " << h;
    }
}

TEST(GfxSurface, BigSnapshotsKeepResolutionAndText)
{
    QImage source(kBigWidth, kBigHeight, gfx::kPixelFormat);
    source.fill(0xFF336699u);
    source.setDotsPerMeterX(11811);
    source.setDotsPerMeterY(5906);
    source.setText(QStringLiteral("Comment"), QStringLiteral("kept"));
    const Surface surface = Surface::fromImage(Image::adopt(source));
    const QImage copy = surface.snapshot().toQImage();
    EXPECT_EQ(copy.dotsPerMeterX(), 11811);
    EXPECT_EQ(copy.dotsPerMeterY(), 5906);
    EXPECT_EQ(copy.text(QStringLiteral("Comment")), QStringLiteral("kept"));
}

TEST(GfxSurface, ReusedSnapshotsCopyEveryRowAndTakeOnlyBuffersLetGo)
{
    Surface surface = Surface::make(kBigWidth, kBigHeight);
    for (int y = 0; y < kBigHeight; ++y)
        for (int x = 0; x < kBigWidth; ++x)
            surface.row(y)[x] = Pattern(x, y);
    std::array<QImage, 2> buffers;
    Image held = surface.snapshotReusing(buffers);
    EXPECT_EQ(FirstMismatch(held, Pattern), -1);
    const Pixel* firstBits = held.row(0);
    // While the first copy is held, the next goes to the other buffer, and
    // drawing on the surface leaves both copies alone.
    surface.clearPixel(0x80402010u);
    Image second = surface.snapshotReusing(buffers);
    EXPECT_NE(second.row(0), firstBits);
    EXPECT_EQ(FirstMismatch(held, Pattern), -1);
    EXPECT_EQ(FirstMismatch(second, [](int, int) { return Pixel(0x80402010u); }), -1);
    // Both held: a fresh copy, neither buffer touched.
    surface.clearPixel(0);
    const Image third = surface.snapshotReusing(buffers);
    EXPECT_EQ(FirstMismatch(third, [](int, int) { return Pixel(0); }), -1);
    EXPECT_EQ(FirstMismatch(held, Pattern), -1);
    EXPECT_EQ(FirstMismatch(second, [](int, int) { return Pixel(0x80402010u); }), -1);
    // Let go of, the first buffer is filled again.
    held = Image();
    const Image fourth = surface.snapshotReusing(buffers);
    EXPECT_EQ(fourth.row(0), firstBits);
    EXPECT_EQ(FirstMismatch(fourth, [](int, int) { return Pixel(0); }), -1);
}
