// Applying one manual-brush stroke without any widget: the region the
// effect runs on, the masked composite, the texture and the canvas rule.
#include "engine/runtime/canvas_step.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/headless_host.h"
#include "gfx/surface.h"
#include "image_compare.h"
#include "panels/brush_stroke.h"
#include "platform/ui_bridge.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

using testimg::MakeSolid;
using testimg::Premul;

const gfx::Pixel kRed = Premul(255, 0, 0);
const gfx::Pixel kBlue = Premul(0, 0, 255);

QImage Mask(QSize size, const QRect& painted, int coverage = 255)
{
    QImage m(size, QImage::Format_Alpha8);
    m.fill(0);
    for (int y = painted.top(); y <= painted.bottom(); ++y)
        for (int x = painted.left(); x <= painted.right(); ++x)
            m.scanLine(y)[x] = uchar(coverage);
    return m;
}

// Paints the whole region blue.
void PaintBlue(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    dest.clearPixel(kBlue);
}

// Prepares the canvas as the painting effects do, then paints nothing.
void CanvasOnly(const gfx::Image& source, gfx::Surface& dest, int, int, int, int, int, bool preview)
{
    pq::PrepareCanvas(source, dest, preview);
}

void TextureGreen(gfx::Image& image, const gfx::Image&, int, float)
{
    image = MakeSolid(image.width(), image.height(), Premul(0, 255, 0));
}

class BrushStroke : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetUiBridge(platform::MakeQtUiBridge());
        pq::SetEngineHost(&host);
    }
    void TearDown() override
    {
        pq::SetEngineHost(nullptr);
        pq::SetTextureOverlayProc(nullptr);
        platform::SetUiBridge(nullptr);
    }

    pq::BrushStrokeJob job(const gfx::Image& base, const QRect& painted)
    {
        pq::BrushStrokeJob j;
        j.base = base;
        j.source = MakeSolid(base.width(), base.height(), kRed);
        j.mask = Mask(base.size(), painted);
        j.maskBounds = painted;
        j.effect = 300;
        return j;
    }

    pq::HeadlessHost host;
};

TEST(BrushStrokeRegion, GrowsTheBoxByOnePercentAndFourPixels)
{
    EXPECT_EQ(pq::BrushStrokeRegion(QRect(100, 100, 10, 10), QSize(1000, 800)), QRect(86, 88, 38, 34));
}

TEST(BrushStrokeRegion, IsCutToTheImage)
{
    // The top-left corner: starts at (0, 0).
    EXPECT_EQ(pq::BrushStrokeRegion(QRect(0, 0, 5, 5), QSize(100, 100)), QRect(0, 0, 10, 10));
    // Clipped on the right and at the bottom too.
    EXPECT_EQ(pq::BrushStrokeRegion(QRect(0, 0, 100, 100), QSize(100, 100)), QRect(0, 0, 100, 100));
    EXPECT_EQ(pq::BrushStrokeRegion(QRect(95, 90, 10, 20), QSize(100, 100)), QRect(90, 85, 10, 15));
}

TEST(BrushStrokeRegion, IsEmptyOutsideTheImage)
{
    EXPECT_TRUE(pq::BrushStrokeRegion(QRect(), QSize(100, 100)).isEmpty());
    EXPECT_TRUE(pq::BrushStrokeRegion(QRect(120, 10, 5, 5), QSize(100, 100)).isEmpty());
    EXPECT_TRUE(pq::BrushStrokeRegion(QRect(-20, -20, 5, 5), QSize(100, 100)).isEmpty());
}

TEST(BrushStrokeComposite, WeighsTheEffectByMaskAndOpacity)
{
    const gfx::Image base = MakeSolid(20, 20, kRed);
    const gfx::Image effect = MakeSolid(10, 10, kBlue);
    const QImage mask = Mask(base.size(), QRect(5, 5, 4, 4), 128);
    const gfx::Image full = pq::CompositeBrushStroke(base, effect, mask, QPoint(2, 2), 1.0f);
    EXPECT_EQ(full.pixel(1, 1), kRed) << "outside the mask";
    EXPECT_EQ(full.pixel(4, 4), kRed) << "inside the region, outside the mask";
    const gfx::Pixel mixed = full.pixel(6, 6);
    EXPECT_EQ(qAlpha(mixed), 255);
    EXPECT_NEAR(qBlue(mixed), 128, 1);
    EXPECT_NEAR(qRed(mixed), 127, 1);

    const gfx::Image none = pq::CompositeBrushStroke(base, effect, mask, QPoint(2, 2), 0.0f);
    EXPECT_TRUE(testimg::ImagesNear(base, none));
}

TEST(BrushStrokeComposite, KeepsPremultipliedPixelsValid)
{
    const gfx::Image base = testimg::MakeNoise(16, 16, 7, false);
    const gfx::Image effect = testimg::MakeNoise(16, 16, 9, false);
    QImage mask(16, 16, QImage::Format_Alpha8);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            mask.scanLine(y)[x] = uchar(x * 16 + y);
    EXPECT_TRUE(testimg::IsValidPremultiplied(pq::CompositeBrushStroke(base, effect, mask, QPoint(0, 0), 0.7f)));
}

TEST_F(BrushStroke, PaintsTheEffectOnlyUnderTheMask)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    const gfx::Image base = MakeSolid(200, 100, Premul(255, 255, 255));
    const gfx::Image out = pq::ApplyBrushStroke(job(base, QRect(50, 40, 10, 10)));
    ASSERT_FALSE(out.isNull());
    EXPECT_EQ(out.pixel(55, 45), kBlue);
    EXPECT_EQ(out.pixel(48, 45), base.pixel(48, 45)) << "inside the region's margin, outside the mask";
    EXPECT_EQ(out.pixel(150, 90), base.pixel(150, 90));
}

TEST_F(BrushStroke, LaysTheTextureUnderTheMask)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    pq::SetTextureOverlayProc(TextureGreen);
    const gfx::Image base = MakeSolid(100, 100, kRed);
    pq::BrushStrokeJob j = job(base, QRect(20, 20, 10, 10));
    j.texture.on = true;
    j.texture.bitmap = MakeSolid(8, 8, Premul(0, 255, 0));
    const gfx::Image out = pq::ApplyBrushStroke(j);
    EXPECT_EQ(out.pixel(25, 25), Premul(0, 255, 0));
    EXPECT_EQ(out.pixel(17, 25), kRed) << "the texture stays inside the mask";
}

TEST_F(BrushStroke, PaintsOverTheMatchingRegionOfTheResult)
{
    // "Erase background" off: the canvas starts from the region of the
    // result under the brush, not from the result's top-left corner.
    host.eraseOn = false;
    const pq::ScopedEffectOverride fake(300, CanvasOnly);
    const gfx::Image base = testimg::MakeRamp(120, 90);
    host.result = MakeSolid(120, 90, kBlue);
    const gfx::Image out = pq::ApplyBrushStroke(job(base, QRect(60, 50, 20, 20)));
    ASSERT_FALSE(out.isNull());
    EXPECT_TRUE(testimg::ImagesNear(base, out));
}

TEST_F(BrushStroke, ClearsTheBackgroundAfterTheCall)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    auto run = pq::EffectRunContext::begin(false);
    const platform::ScopedRunContext scope(run.get());
    pq::ApplyBrushStroke(job(MakeSolid(50, 50, kRed), QRect(10, 10, 5, 5)));
    EXPECT_TRUE(run->backgroundImage.isNull());
}

TEST_F(BrushStroke, NothingForAnEmptyRegion)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    EXPECT_TRUE(pq::ApplyBrushStroke(job(MakeSolid(50, 50, kRed), QRect())).isNull());
}

} // namespace
