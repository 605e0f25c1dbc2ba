// The picture operations of scripts: frame hole and nine-patch geometry,
// blending with an opacity, text placement, faces and shadows.
#include "gfx/frame_image.h"
#include "gfx/image_blend.h"
#include "gfx/text_image.h"
#include "image_compare.h"

#include <gtest/gtest.h>

#include <QFontDatabase>

#include <thread>

using namespace gfx;
using testimg::MakeImage;
using testimg::MakeSolid;
using testimg::Premul;

namespace {

constexpr Pixel kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

// A frame of w x h, opaque dark wood outside the hole, transparent inside.
Image MakeFrame(int w, int h, QRect hole)
{
    return MakeImage(w, h, [&](int x, int y) { return hole.contains(x, y) ? Pixel(0) : Premul(90, 60, 30); });
}

// The box of the pixels that differ from the background.
QRect DrawnBox(const Image& image, Pixel background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

bool HasFamily(const QString& family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

} // namespace

TEST(FrameImage, TheHoleAndTheOutputOfTheExample)
{
    const Image frame = MakeFrame(600, 400, QRect(QPoint(50, 40), QPoint(549, 359)));
    const FrameHole hole = FindFrameHole(frame);
    EXPECT_EQ(hole, (FrameHole{50, 40, 550, 360}));
    const Image photo = testimg::MakeNoise(800, 600, 5);
    const Image framed = ApplyFrameBitmap(photo, frame, 20, 0xFFFFFFFF);
    ASSERT_EQ(framed.size(), QSize(940, 720));
    // The picture lands at (70, 60) untouched, in a white margin, in the frame.
    EXPECT_TRUE(testimg::ImagesNear(photo, framed.copyRect(QRect(70, 60, 800, 600))));
    EXPECT_EQ(framed.pixel(55, 45), kWhite);
    EXPECT_EQ(framed.pixel(884, 674), kWhite);
    EXPECT_EQ(framed.pixel(10, 10), Premul(90, 60, 30));
    EXPECT_EQ(framed.pixel(935, 715), Premul(90, 60, 30));
    EXPECT_EQ(framed.pixel(470, 20), Premul(90, 60, 30));
    const FrameLayout layout = LayOutFrame(QSize(800, 600), frame.size(), hole, 20);
    EXPECT_EQ(layout.imageX, 70);
    EXPECT_EQ(layout.imageY, 60);
}

TEST(FrameImage, AFrameWithoutSolidMiddleLinesIsAllHole)
{
    // Solid only in the corners: nothing on the middle row or column.
    const Image frame = MakeImage(60, 40, [](int x, int y) {
        return (x < 10 || x >= 50) && (y < 10 || y >= 30) ? kBlack : Pixel(0);
    });
    EXPECT_EQ(FindFrameHole(frame), (FrameHole{0, 0, 60, 40}));
    EXPECT_EQ(ApplyFrameBitmap(MakeSolid(100, 50, kWhite), frame, 5, kWhite).size(), QSize(110, 60));
}

TEST(FrameImage, ASolidCentreCountsAsAFrameWithoutBorders)
{
    const Image frame = MakeSolid(61, 41, kBlack);
    EXPECT_EQ(FindFrameHole(frame), (FrameHole{0, 0, 61, 41}));
    EXPECT_EQ(ApplyFrameBitmap(MakeSolid(100, 50, kWhite), frame, 5, kWhite).size(), QSize(110, 60));
}

TEST(FrameImage, SizesStayWithinLimits)
{
    const Image frame = MakeFrame(30, 30, QRect(10, 10, 10, 10));
    const FrameLayout layout = LayOutFrame(QSize(100, 100), frame.size(), FindFrameHole(frame), 2147483647);
    EXPECT_EQ(layout.width, 100 + 2 * int64_t(2147483647) + 20);
    EXPECT_TRUE(ApplyFrameBitmap(MakeSolid(10, 10, kWhite), frame, 2147483647, kWhite).isNull());
    EXPECT_EQ(ApplyFrameBitmap(MakeSolid(10, 10, kWhite), frame, -5, kWhite).size(), QSize(30, 30));
    const Image photo = MakeSolid(10, 10, kWhite);
    EXPECT_TRUE(ApplyFrameBitmap(photo, Image(), 5, kWhite).sameAs(photo));
}

TEST(ImageBlend, OpacityWeighsTheSlotImage)
{
    const Image working = MakeSolid(8, 6, Premul(200, 100, 0));
    const Image slot = MakeSolid(8, 6, Premul(0, 100, 200));
    const Image quarter = BlendImages(working, slot, 0.25f, BlendMode::SrcOver);
    EXPECT_LE(testimg::MaxChannelDifference(quarter.pixel(3, 3), Premul(150, 100, 50)), 1);
    EXPECT_EQ(BlendImages(working, slot, 1.0f, BlendMode::SrcOver).pixel(0, 0), slot.pixel(0, 0));
    EXPECT_EQ(BlendImages(working, slot, 0.0f, BlendMode::Multiply).pixel(0, 0), working.pixel(0, 0));
    // Multiply at half strength: half of the product, half of the working image.
    const Image multiplied = BlendImages(MakeSolid(4, 4, kWhite), MakeSolid(4, 4, Premul(0, 128, 255)), 0.5f,
                                         BlendMode::Multiply);
    EXPECT_LE(testimg::MaxChannelDifference(multiplied.pixel(1, 1), Premul(128, 192, 255)), 1);
    EXPECT_TRUE(testimg::IsValidPremultiplied(BlendImages(working, testimg::MakeNoise(5, 3, 2, false), 0.7f,
                                                          BlendMode::SoftLight)));
}

TEST(ImageBlend, ASlotOfAnotherSizeIsStretched)
{
    const Image working = MakeSolid(80, 60, kBlack);
    const Image slot = MakeImage(40, 40, [](int x, int) { return x < 20 ? kWhite : kBlack; });
    const Image blended = BlendImages(working, slot, 1.0f, BlendMode::SrcOver);
    ASSERT_EQ(blended.size(), QSize(80, 60));
    EXPECT_EQ(blended.pixel(10, 50), kWhite);
    EXPECT_EQ(blended.pixel(70, 5), kBlack);
    EXPECT_TRUE(BlendImages(working, Image(), 0.5f, BlendMode::SrcOver).sameAs(working));
}

TEST(TextImage, PlacementRules)
{
    const QSizeF image(1000, 500), box(100, 40);
    EXPECT_EQ(PlaceTextBox(image, {0, 0, true, true}, box), QPointF(0, 0));
    EXPECT_EQ(PlaceTextBox(image, {25, 10, true, true}, box), QPointF(250, 50));
    EXPECT_EQ(PlaceTextBox(image, {50, 50, true, true}, box), QPointF(450, 230));
    EXPECT_EQ(PlaceTextBox(image, {75, 99, true, true}, box), QPointF(650, 455));
    EXPECT_EQ(PlaceTextBox(image, {100, 100, true, true}, box), QPointF(900, 460));
    EXPECT_EQ(PlaceTextBox(image, {12, 34, false, false}, box), QPointF(12, 34));
}

TEST(TextImage, ShadowsGrowWithTheSize)
{
    EXPECT_FLOAT_EQ(TextShadowFor(24).offset, 2.0f);
    EXPECT_FLOAT_EQ(TextShadowFor(24).sigma, 2.0f);
    EXPECT_FLOAT_EQ(TextShadowFor(100).offset, 5.0f);
    EXPECT_FLOAT_EQ(TextShadowFor(100).sigma, 4.0f);
}

TEST(TextImage, DrawnTextLandsWhereThePlacementSays)
{
    const Image black = MakeSolid(400, 200, kBlack);
    const TextFace face{QStringLiteral("DejaVu Sans"), 40.0f, 400, false};
    const struct {
        float x, y;
        QPointF corner; // the expected box corner, and which one
        bool right, bottom;
    } cases[] = {
        {0, 0, {0, 0}, false, false},
        {99, 99, {396, 198}, true, true},
        {1, 99, {4, 198}, false, true},
    };
    for (const auto& c : cases) {
        const Image drawn = DrawTextOnImage(black, {c.x, c.y, true, true}, QStringLiteral("Hey"), face, kWhite, false);
        const QRect box = DrawnBox(drawn, kBlack);
        ASSERT_FALSE(box.isEmpty());
        const double x = c.right ? box.right() + 1 : box.left();
        const double y = c.bottom ? box.bottom() + 1 : box.top();
        EXPECT_NEAR(x, c.corner.x(), 2) << c.x;
        EXPECT_NEAR(y, c.corner.y(), 2) << c.y;
    }
    const QRect centred =
        DrawnBox(DrawTextOnImage(black, {50, 50, true, true}, QStringLiteral("Hey"), face, kWhite, false), kBlack);
    EXPECT_NEAR(centred.center().x() + 0.5, 200, 2);
    EXPECT_NEAR(centred.center().y() + 0.5, 100, 2);
}

TEST(TextImage, TextOffThePictureDrawsNothing)
{
    const Image photo = MakeSolid(50, 50, kBlack);
    const TextFace face{QString(), 30.0f, 400, false};
    EXPECT_TRUE(DrawTextOnImage(photo, {500, 10, false, false}, "far", face, kWhite, true).sameAs(photo));
    EXPECT_TRUE(DrawTextOnImage(photo, {-1e30f, 0, false, false}, "far", face, kWhite, false).sameAs(photo));
    EXPECT_TRUE(DrawTextOnImage(photo, {0, 0, false, false}, "", face, kWhite, false).sameAs(photo));
    EXPECT_TRUE(DrawTextOnImage(Image(), {0, 0, false, false}, "x", face, kWhite, false).isNull());
}

TEST(TextImage, ShadowAndTranslucentColour)
{
    const Image photo = MakeSolid(200, 100, kWhite);
    const TextFace face{QStringLiteral("DejaVu Sans"), 60.0f, 700, false};
    const Image plain = DrawTextOnImage(photo, {10, 10, false, false}, "T", face, 0x80FF0000, false);
    const Image shadowed = DrawTextOnImage(photo, {10, 10, false, false}, "T", face, 0x80FF0000, true);
    EXPECT_TRUE(testimg::IsValidPremultiplied(shadowed));
    const QRect text = DrawnBox(plain, kWhite), withShadow = DrawnBox(shadowed, kWhite);
    EXPECT_GT(withShadow.right(), text.right() + 2);
    EXPECT_GT(withShadow.bottom(), text.bottom() + 2);
    // Half-transparent red over white, where the stem is solid.
    const Pixel stem = plain.pixel(text.center().x(), text.center().y());
    EXPECT_LE(testimg::MaxChannelDifference(stem, Premul(255, 127, 127)), 2);
}

TEST(TextImage, FamiliesFallBackWithoutSubstitutes)
{
    EXPECT_EQ(ResolveTextFamily(QStringLiteral("No Such Family 123")), ResolveTextFamily(QStringLiteral("Arial")));
    EXPECT_FALSE(ResolveTextFamily(QString()).isEmpty());
    if (!HasFamily(QStringLiteral("DejaVu Sans")))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    EXPECT_EQ(ResolveTextFamily(QStringLiteral("dejavu sans")), QStringLiteral("DejaVu Sans"));
}

TEST(TextImage, MissingBoldAndItalicFacesAreMade)
{
    const QString single = QStringLiteral("DejaVu Math TeX Gyre");
    if (!HasFamily(single) || !HasFamily(QStringLiteral("DejaVu Sans")))
        GTEST_SKIP() << "the DejaVu fonts are not installed";
    const TextOutline upright = MakeTextOutline("I", {single, 100.0f, 400, false});
    const TextOutline bold = MakeTextOutline("I", {single, 100.0f, 700, false});
    const TextOutline slanted = MakeTextOutline("I", {single, 100.0f, 400, true});
    EXPECT_EQ(upright.strokeWidth, 0.0f);
    EXPECT_NEAR(bold.strokeWidth, 100.0f / 32.0f, 1e-4);
    EXPECT_NEAR(bold.bounds.width(), upright.bounds.width() + bold.strokeWidth, 0.01);
    // A skew of -0.25 leans the stem right by a quarter of its height.
    EXPECT_NEAR(slanted.bounds.width(), upright.bounds.width() + 0.25 * upright.bounds.height(), 0.5);
    EXPECT_EQ(MakeTextOutline("I", {QStringLiteral("DejaVu Sans"), 100.0f, 700, false}).strokeWidth, 0.0f);
    // Sizes stay within 1..10000 pixels.
    EXPECT_LT(MakeTextOutline("I", {single, 1e9f, 400, false}).bounds.height(), 10000.0);
    EXPECT_GT(MakeTextOutline("I", {single, 0.0f, 400, false}).bounds.height(), 0.1);
}

TEST(TextImage, DrawsTheSameOnAWorker)
{
    const Image photo = testimg::MakeNoise(120, 60, 3);
    const TextFace face{QStringLiteral("DejaVu Serif"), 30.0f, 700, true};
    const Image here = DrawTextOnImage(photo, {50, 50, true, true}, "Worker", face, 0xFFFFCC00, true);
    Image there;
    std::thread worker([&] { there = DrawTextOnImage(photo, {50, 50, true, true}, "Worker", face, 0xFFFFCC00, true); });
    worker.join();
    ASSERT_FALSE(there.isNull());
    EXPECT_TRUE(testimg::ImagesNear(here, there));
}
