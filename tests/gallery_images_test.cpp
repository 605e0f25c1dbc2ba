// The gallery's image helpers and its store: the sampled comparison,
// fitting an image to a size, tile names and hints, thumbnails, encoding
// and the memory cap.
#include "engine/history/image_history.h"
#include "image_compare.h"
#include "workspace/gallery_images.h"
#include "workspace/gallery_store.h"

#include <gtest/gtest.h>

namespace {

using testimg::MakeSolid;
using testimg::Premul;

gfx::Image Ramp(int w, int h, int alpha = 255)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        return Premul(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1), (x * 7 + y * 3) % 256, alpha);
    });
}

gfx::Image WithPixel(const gfx::Image& image, int px, int py, gfx::Pixel value)
{
    QImage copy = image.qimage().copy();
    reinterpret_cast<gfx::Pixel*>(copy.scanLine(py))[px] = value;
    return gfx::Image::adopt(std::move(copy));
}

// ---- ImagesDiffer ----

TEST(ImagesDiffer, NullsSameIdAndSizes)
{
    const gfx::Image a = MakeSolid(4, 4, Premul(10, 20, 30));
    EXPECT_FALSE(pq::ImagesDiffer({}, {}, 1000));
    EXPECT_TRUE(pq::ImagesDiffer(a, {}, 1000));
    EXPECT_TRUE(pq::ImagesDiffer({}, a, 1000));
    EXPECT_FALSE(pq::ImagesDiffer(a, a, 1000));
    EXPECT_TRUE(pq::ImagesDiffer(a, MakeSolid(4, 5, Premul(10, 20, 30)), 1000));
    EXPECT_FALSE(pq::ImagesDiffer(a, MakeSolid(4, 4, Premul(10, 20, 30)), 1000)) << "equal copies";
}

TEST(ImagesDiffer, OnePixelPairComparesThatPixel)
{
    const gfx::Image a = MakeSolid(1, 1, Premul(1, 2, 3));
    EXPECT_TRUE(pq::ImagesDiffer(a, MakeSolid(1, 1, Premul(1, 2, 4)), 1000));
    EXPECT_FALSE(pq::ImagesDiffer(a, MakeSolid(1, 1, Premul(1, 2, 3)), 1000));
    EXPECT_TRUE(pq::ImagesDiffer(a, MakeSolid(1, 1, Premul(9, 2, 3)), 0)) << "at least one sample";
}

TEST(ImagesDiffer, DeterministicAndSampled)
{
    const gfx::Image a = Ramp(300, 200);
    const gfx::Image b = WithPixel(a, 123, 77, Premul(0, 0, 0));
    const bool first = pq::ImagesDiffer(a, b, 1000);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pq::ImagesDiffer(a, b, 1000), first);
    EXPECT_TRUE(pq::ImagesDiffer(a, MakeSolid(300, 200, Premul(1, 1, 1)), 1000));
    // 1000 samples of 60000 pixels mostly miss a single changed pixel.
    int seen = 0;
    for (int k = 0; k < 20; ++k)
        seen += pq::ImagesDiffer(a, WithPixel(a, 13 * k, 9 * k, Premul(0, 0, 0)), 1000) ? 1 : 0;
    EXPECT_LT(seen, 10);
}

// ---- FitImageToSize ----

TEST(FitImageToSize, SmallerImageIsCentredOnWhite)
{
    const gfx::Image tile = MakeSolid(400, 300, Premul(0, 0, 255));
    const gfx::Image fitted = pq::FitImageToSize(tile, 800, 600);
    ASSERT_EQ(fitted.size(), QSize(800, 600));
    EXPECT_EQ(fitted.pixel(0, 0), Premul(255, 255, 255));
    EXPECT_EQ(fitted.pixel(199, 149), Premul(255, 255, 255));
    EXPECT_EQ(fitted.pixel(200, 150), Premul(0, 0, 255));
    EXPECT_EQ(fitted.pixel(599, 449), Premul(0, 0, 255));
    EXPECT_EQ(fitted.pixel(600, 450), Premul(255, 255, 255));
    EXPECT_TRUE(pq::FitImageToSize(tile, 400, 300).sameAs(tile)) << "same size: the image itself";
}

TEST(FitImageToSize, LargerImageIsCutToItsCentre)
{
    const gfx::Image tile = Ramp(400, 300);
    const gfx::Image fitted = pq::FitImageToSize(tile, 200, 200);
    ASSERT_EQ(fitted.size(), QSize(200, 200));
    // Offsets (-100, -50) are whole: a plain copy of the centre.
    for (const QPoint p : {QPoint(0, 0), QPoint(199, 199), QPoint(57, 140)})
        EXPECT_EQ(fitted.pixel(p.x(), p.y()), tile.pixel(p.x() + 100, p.y() + 50)) << p.x() << "," << p.y();
}

TEST(FitImageToSize, OddDifferenceKeepsAHalfPixelOffsetAndTransparencyShowsWhite)
{
    const gfx::Image tile = MakeSolid(3, 3, Premul(0, 0, 0));
    const gfx::Image fitted = pq::FitImageToSize(tile, 6, 6);
    ASSERT_EQ(fitted.size(), QSize(6, 6));
    // The tile starts at 1.5: the edge columns mix black and white.
    const int edge = qRed(fitted.pixel(1, 3));
    EXPECT_GT(edge, 20);
    EXPECT_LT(edge, 235);
    EXPECT_EQ(qAlpha(fitted.pixel(0, 0)), 255);
    const gfx::Image clear = pq::FitImageToSize(MakeSolid(2, 2, 0), 4, 4);
    EXPECT_EQ(clear.pixel(1, 1), Premul(255, 255, 255)) << "a transparent image leaves the white";
    EXPECT_TRUE(pq::FitImageToSize({}, 4, 4).isNull());
    EXPECT_TRUE(pq::FitImageToSize(tile, 0, 4).isNull());
}

// ---- Names and hints ----

TEST(GalleryNames, FileNameOrKey)
{
    EXPECT_EQ(pq::GalleryShortName(QStringLiteral("/photos/cat.jpg"), true), QStringLiteral("cat.jpg"));
    EXPECT_EQ(pq::GalleryShortName(QString(), true), QStringLiteral("Source image"));
    EXPECT_EQ(pq::GalleryShortName(QString(), false), QStringLiteral("Pastelloquin image"));
    const QString hint = pq::GalleryHint(QStringLiteral("cat.jpg"), 640, 480);
    const QStringList lines = hint.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("cat.jpg"));
    EXPECT_EQ(lines[1], QStringLiteral("640 \u00D7 480 px"));
    EXPECT_EQ(lines[2], QStringLiteral("Right-click: set as source or result"));
    EXPECT_EQ(lines[3], QStringLiteral("Drag & drop: blend with current"));
}

// ---- Store ----

TEST(GalleryStore, NewestFirstWithThumbnailsAndBytes)
{
    pq::GalleryStore store(uint64_t(1) << 30);
    store.setThumbnailSide(50);
    store.add(Ramp(200, 100), true, QStringLiteral("/a/b/first.png"));
    store.add(Ramp(100, 400, 128), false, QString());
    store.waitForWork();
    ASSERT_EQ(store.count(), 2);
    EXPECT_EQ(store.tile(0).shortName, QStringLiteral("Pastelloquin image"));
    EXPECT_FALSE(store.tile(0).isSource);
    EXPECT_EQ(store.tile(1).shortName, QStringLiteral("first.png"));
    EXPECT_TRUE(store.tile(1).isSource);
    EXPECT_EQ(store.thumbnail(1).size(), QSize(50, 25));
    EXPECT_EQ(store.thumbnail(0).size(), QSize(13, 50));
    EXPECT_TRUE(store.isEncoded(0));
    EXPECT_TRUE(store.isEncoded(1));
    EXPECT_TRUE(store.image(5).isNull());
    EXPECT_TRUE(store.thumbnail(-1).isNull());
}

TEST(GalleryStore, OpaqueImagesComeBackAsJpegTransparentOnesExactly)
{
    pq::GalleryStore store;
    const gfx::Image opaque = testimg::MakeRamp(64, 48);
    const gfx::Image clear = Ramp(64, 48, 100);
    store.add(opaque, false, QString());
    store.add(clear, false, QString());
    store.waitForWork();
    const gfx::Image png = store.image(0);
    ASSERT_FALSE(png.isNull());
    EXPECT_TRUE(testimg::ImagesNear(clear, png, 0));
    const gfx::Image jpeg = store.image(1);
    ASSERT_FALSE(jpeg.isNull());
    EXPECT_TRUE(testimg::ImagesNear(opaque, jpeg, 8));
    EXPECT_TRUE(store.image(1).sameAs(jpeg)) << "the last decoded image is kept";
}

TEST(GalleryStore, ReusesTheHistorysBytes)
{
    pq::ImageHistory history;
    pq::GalleryStore store;
    store.setBytesLookup([&](const gfx::Image& image) { return history.encodedBytesOf(image.id()); });
    const gfx::Image image = Ramp(120, 90);
    history.save(image, image);
    store.add(image, false, QString());
    store.waitForWork();
    history.waitForEncoding();
    const auto snapshot = history.snapshotAt(0);
    ASSERT_TRUE(snapshot.has_value());
    ASSERT_TRUE(snapshot->encoded);
    EXPECT_EQ(store.storedBytes(), uint64_t(snapshot->displayData.size()));
    EXPECT_TRUE(history.encodedBytesOf(Ramp(2, 2).id()).isEmpty()) << "an image the history never saw";
}

TEST(GalleryStore, OldestTilesGoPastTheCapButNeverTheNewest)
{
    // Noise so that each JPEG is tens of kilobytes.
    const auto noise = [](int seed) { return testimg::MakeNoise(160, 120, uint32_t(seed)); };
    pq::GalleryStore probe;
    probe.add(noise(0), false, QString());
    probe.waitForWork();
    const uint64_t one = probe.storedBytes();
    ASSERT_GT(one, 1000u);

    pq::GalleryStore store(one * 3 + one / 2);
    for (int i = 0; i < 6; ++i) {
        store.add(noise(i + 1), false, QStringLiteral("n%1.png").arg(i));
        store.waitForWork();
        store.trim();
    }
    EXPECT_LE(store.storedBytes(), store.capBytes());
    EXPECT_EQ(store.count(), 3);
    EXPECT_EQ(store.tile(0).shortName, QStringLiteral("n5.png")) << "the newest stays";
    EXPECT_EQ(store.tile(2).shortName, QStringLiteral("n3.png"));

    pq::GalleryStore tiny(1);
    tiny.add(noise(9), false, QString());
    tiny.waitForWork();
    tiny.trim();
    EXPECT_EQ(tiny.count(), 1) << "one tile always stays";
}

TEST(GalleryStore, AStoreHoldingExactlyTheCapKeepsEveryTile)
{
    const auto fill = [](pq::GalleryStore& store) {
        for (int i = 0; i < 2; ++i) {
            store.add(testimg::MakeNoise(96, 64, uint32_t(40 + i)), false, QString());
            store.waitForWork();
        }
    };
    pq::GalleryStore probe(uint64_t(1) << 30);
    fill(probe);
    const uint64_t both = probe.storedBytes();
    ASSERT_GT(both, 2000u);
    for (const auto& [cap, kept] : {std::pair{both, 2}, std::pair{both - 1, 1}, std::pair{both + 1, 2}}) {
        pq::GalleryStore store(cap);
        fill(store);
        store.trim();
        EXPECT_EQ(store.count(), kept) << "cap " << cap << " for " << both << " bytes";
    }
}

TEST(GalleryStore, CapIsAtMostAGibibyte)
{
    EXPECT_LE(pq::GalleryStore::DefaultCapBytes(), uint64_t(1) << 30);
    EXPECT_GT(pq::GalleryStore::DefaultCapBytes(), 0u);
}

TEST(GalleryStore, ClearForgetsEverything)
{
    pq::GalleryStore store;
    store.add(Ramp(10, 10), false, QString());
    store.clear();
    store.waitForWork();
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(store.storedBytes(), 0u);
    store.add({}, false, QString());
    EXPECT_EQ(store.count(), 0) << "a null image adds nothing";
}

} // namespace
