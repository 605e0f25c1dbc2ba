// The manual brush's mask: stamp profile, stamp size against the view's
// zoom, spacing along a stroke, bounds, merging and the trail.
#include "panels/brush_mask.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using pq::BrushMask;
using pq::BrushView;

int At(const QImage& layer, int x, int y)
{
    return layer.constScanLine(y)[x];
}

// Painted pixels of a layer.
int Painted(const QImage& layer)
{
    int n = 0;
    for (int y = 0; y < layer.height(); ++y)
        for (int x = 0; x < layer.width(); ++x)
            n += At(layer, x, y) != 0;
    return n;
}

// Width of the painted run along row y.
int RowSpan(const QImage& layer, int y)
{
    int first = -1, last = -1;
    for (int x = 0; x < layer.width(); ++x)
        if (At(layer, x, y)) {
            if (first < 0)
                first = x;
            last = x;
        }
    return first < 0 ? 0 : last - first + 1;
}

BrushMask Bound(int w, int h, float size, float softness, BrushView view = {})
{
    BrushMask mask;
    EXPECT_TRUE(mask.bind(QSize(w, h)));
    mask.setBrush(size, softness);
    mask.setView(view);
    return mask;
}

TEST(BrushMaskStamp, SizeZeroPaintsNothing)
{
    BrushMask mask = Bound(64, 64, 0.0f, 0.5f);
    mask.beginStroke(QPointF(32, 32));
    mask.strokeTo(QPointF(40, 40));
    mask.mergeStroke();
    EXPECT_EQ(Painted(mask.liveLayer()), 0);
    EXPECT_TRUE(mask.maskBounds().isEmpty());
}

TEST(BrushMaskStamp, LowSoftnessGivesAHardDisc)
{
    for (const float softness : {0.0f, 0.01f}) {
        BrushMask mask = Bound(100, 100, 40.0f, softness);
        mask.beginStroke(QPointF(50, 50));
        const QImage& live = mask.liveLayer();
        // Full inside up to the rim, nothing outside it.
        for (int x = 31; x <= 68; ++x)
            EXPECT_EQ(At(live, x, 50), 255) << "softness " << softness << " x " << x;
        EXPECT_EQ(At(live, 28, 50), 0);
        EXPECT_EQ(At(live, 71, 50), 0);
    }
}

TEST(BrushMaskStamp, FullSoftnessFadesFromTheCentre)
{
    BrushMask mask = Bound(100, 100, 40.0f, 1.0f);
    mask.beginStroke(QPointF(50, 50));
    const QImage& live = mask.liveLayer();
    // Linear fall from the centre to the rim 20 pixels away.
    EXPECT_GE(At(live, 50, 50), 245);
    EXPECT_NEAR(At(live, 60, 50), 255 * (1.0 - 10.5 / 20.0), 2);
    EXPECT_LT(At(live, 60, 50), At(live, 55, 50));
    EXPECT_LT(At(live, 67, 50), 40);
    EXPECT_EQ(At(live, 71, 50), 0);
}

TEST(BrushMaskStamp, HalfSoftnessIsOpaqueToHalfTheRadius)
{
    EXPECT_FLOAT_EQ(pq::StampCoverage(9.9, 20.0, 0.5), 1.0f);
    EXPECT_NEAR(pq::StampCoverage(15.0, 20.0, 0.5), 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(pq::StampCoverage(20.0, 20.0, 0.5), 0.0f);
    EXPECT_FLOAT_EQ(pq::StampCoverage(0.0, 0.0, 0.5), 0.0f);
}

TEST(BrushMaskStamp, KeepsItsSizeOnScreenAtEveryZoom)
{
    // A 100-pixel brush covers 50 image pixels at zoom 2, 200 at zoom 0.5.
    BrushMask twice = Bound(400, 400, 100.0f, 0.0f, {2.0f, QPointF(0, 0)});
    twice.beginStroke(QPointF(400, 400)); // image (200, 200)
    EXPECT_NEAR(RowSpan(twice.liveLayer(), 200), 50, 1);

    BrushMask half = Bound(400, 400, 100.0f, 0.0f, {0.5f, QPointF(10, 20)});
    half.beginStroke(QPointF(10 + 100, 20 + 100)); // image (200, 200)
    EXPECT_NEAR(RowSpan(half.liveLayer(), 200), 200, 1);
    EXPECT_EQ(half.toImage(QPointF(110, 120)), QPointF(200, 200));
}

TEST(BrushMaskStamp, FarOutsideTheImageIsSkipped)
{
    BrushMask mask = Bound(50, 50, 10.0f, 0.0f);
    mask.beginStroke(QPointF(-20, 25));
    mask.strokeTo(QPointF(-20, 45));
    mask.mergeStroke();
    EXPECT_EQ(Painted(mask.frozenMask()), 0);
    EXPECT_TRUE(mask.maskBounds().isEmpty());
}

TEST(BrushMaskStroke, SpacingPlacesTruncatedStampCount)
{
    BrushMask mask = Bound(40, 10, 10.0f, 0.0f);
    // Spacing 2: moves shorter than 2 accumulate.
    mask.beginStroke(QPointF(5.5, 5.5));
    const QRect first = mask.liveBounds();
    mask.strokeTo(QPointF(6.5, 5.5));
    EXPECT_EQ(mask.liveBounds(), first);
    mask.strokeTo(QPointF(7.4, 5.5));
    EXPECT_EQ(mask.liveBounds(), first);
    // 1.9 + 5 = 6.9 from the last stamp: Trunc(6.9 / 2) = 3 stamps, the last
    // one at the point.
    mask.strokeTo(QPointF(12.4, 5.5));
    EXPECT_EQ(mask.liveBounds().right(), first.right() + 7);
}

TEST(BrushMaskStroke, StampsFallEvenlyBetweenPoints)
{
    // Tiny dots show each stamp: size 2 at zoom 1, spacing 1.
    BrushMask mask = Bound(60, 10, 2.0f, 0.0f);
    mask.beginStroke(QPointF(10.5, 5.5));
    mask.strokeTo(QPointF(10.5 + 4.5 * 8, 5.5)); // d = 36: 36 stamps
    mask.mergeStroke();
    const QRect b = mask.maskBounds();
    EXPECT_EQ(b.left(), 9);
    EXPECT_EQ(b.right(), 47);
    EXPECT_EQ(b.top(), 4);
    EXPECT_EQ(b.bottom(), 6);
}

TEST(BrushMaskStroke, BoundsAreThePaintedPixels)
{
    BrushMask mask = Bound(200, 100, 20.0f, 0.0f);
    mask.beginStroke(QPointF(50, 40));
    mask.strokeTo(QPointF(120, 40));
    EXPECT_TRUE(mask.maskBounds().isEmpty()) << "nothing merged yet";
    mask.mergeStroke();
    const QRect b = mask.maskBounds();
    EXPECT_EQ(b, QRect(QPoint(40, 30), QPoint(129, 49)));
    EXPECT_EQ(Painted(mask.liveLayer()), 0) << "the live stroke is emptied by the merge";
}

TEST(BrushMaskStroke, MergedStrokesAccumulateUntilReset)
{
    BrushMask mask = Bound(200, 100, 10.0f, 0.0f);
    mask.beginStroke(QPointF(20, 20));
    mask.mergeStroke(); // a stroke that left the canvas: merged, not applied
    const QImage firstSnapshot = mask.frozenMask();
    mask.beginStroke(QPointF(150, 80));
    mask.mergeStroke();
    const QRect b = mask.maskBounds();
    EXPECT_EQ(b.left(), 15);
    EXPECT_EQ(b.bottom(), 84);
    // The snapshot a worker holds never changes.
    EXPECT_EQ(At(firstSnapshot, 150, 80), 0);
    EXPECT_EQ(At(mask.frozenMask(), 150, 80), 255);

    mask.reset();
    EXPECT_TRUE(mask.frozenMask().isNull());
    EXPECT_TRUE(mask.maskBounds().isEmpty());
    mask.beginStroke(QPointF(100, 50));
    mask.mergeStroke();
    EXPECT_EQ(At(mask.frozenMask(), 20, 20), 0) << "reset emptied the mask";
}

TEST(BrushMaskStroke, OverlappingStampsCombineSourceOver)
{
    BrushMask mask = Bound(100, 100, 40.0f, 1.0f);
    mask.beginStroke(QPointF(50, 50));
    const int once = At(mask.liveLayer(), 62, 50);
    mask.beginStroke(QPointF(50, 50));
    EXPECT_EQ(At(mask.liveLayer(), 62, 50), once) << "a new stroke starts empty";
    mask.mergeStroke();
    mask.beginStroke(QPointF(50, 50));
    mask.mergeStroke();
    const int twice = At(mask.frozenMask(), 62, 50);
    EXPECT_NEAR(twice, once + once * (255 - once) / 255.0, 1);
}

TEST(BrushMaskBind, RefusesImpossibleSizes)
{
    BrushMask mask;
    EXPECT_FALSE(mask.bind(QSize(0, 10)));
    EXPECT_FALSE(mask.bind(QSize(70000, 70000)));
    EXPECT_FALSE(mask.isBound());
    mask.beginStroke(QPointF(1, 1));
    mask.mergeStroke();
    EXPECT_TRUE(mask.maskBounds().isEmpty());
}

TEST(BrushTrail, ShowsTheStrokeMagentaWhereItIsOnScreen)
{
    BrushMask mask = Bound(100, 100, 20.0f, 0.0f, {2.0f, QPointF(5, 5)});
    mask.beginStroke(QPointF(105, 105)); // image (50, 50)
    const QImage trail = pq::RenderTrail(mask.liveLayer(), mask.liveBounds(), mask.view(), QRect(0, 0, 300, 300));
    ASSERT_FALSE(trail.isNull());
    // The trail's origin is the stroke's box on screen.
    const QRectF box(5 + mask.liveBounds().left() * 2.0, 5 + mask.liveBounds().top() * 2.0, 0, 0);
    const int cx = 105 - int(box.left());
    const int cy = 105 - int(box.top());
    EXPECT_EQ(reinterpret_cast<const QRgb*>(trail.constScanLine(cy))[cx], qRgba(0xC0, 0, 0xC0, 0xC0));
    // A screen rectangle the stroke does not reach draws nothing.
    EXPECT_TRUE(pq::RenderTrail(mask.liveLayer(), mask.liveBounds(), mask.view(), QRect(0, 0, 40, 40)).isNull());
}

} // namespace
