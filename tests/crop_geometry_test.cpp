// Placing the crop selection's toolbar, size pill, handles and cursors.
#include "workspace/crop_geometry.h"

#include <gtest/gtest.h>

namespace {

using pq::CropPart;

TEST(CropGeometry, SelectionStartsOnePixelInsideTheImage)
{
    EXPECT_EQ(pq::InitialCropSelection(QRectF(10.4, 20.6, 300.2, 200)), QRectF(11, 22, 298, 198));
}

TEST(CropGeometry, ToolbarSitsAboveTheSelectionUnlessNearTheTop)
{
    const QSizeF bar(100, 36);
    EXPECT_EQ(pq::CropToolbarPosition(QRectF(50, 100, 300, 200), bar), QPointF(150, 58));
    EXPECT_EQ(pq::CropToolbarPosition(QRectF(50, 30, 300, 200), bar).y(), 12);
    EXPECT_EQ(pq::CropToolbarPosition(QRectF(50, 4, 300, 200), bar).y(), 8);
}

TEST(CropGeometry, SizeTextInImagePixelsCutTowardsZero)
{
    EXPECT_EQ(pq::CropSizeText(QSizeF(301, 201), 0.5), "602 x 402");
    EXPECT_EQ(pq::CropSizeText(QSizeF(100, 50), 3.0), "33 x 16");
    EXPECT_EQ(pq::CropSizeText(QSizeF(100.6, 50.2), 0.0), "101 x 50");
}

TEST(CropGeometry, PillUnderTheSelectionOrInsideAtTheBottom)
{
    const QSizeF pill(90, 36);
    EXPECT_EQ(pq::SizePillPosition(QRectF(100, 100, 200, 100), pill, 600), QPointF(155, 206));
    EXPECT_EQ(pq::SizePillPosition(QRectF(100, 100, 200, 480), pill, 600), QPointF(155, 580 - 42));
}

TEST(CropGeometry, CursorsNearCornersAndInside)
{
    const QSizeF s(200, 100);
    EXPECT_EQ(pq::CropCursorAt({3, 4}, s), Qt::SizeFDiagCursor);
    EXPECT_EQ(pq::CropCursorAt({196, 2}, s), Qt::SizeBDiagCursor);
    EXPECT_EQ(pq::CropCursorAt({6, 92}, s), Qt::SizeBDiagCursor);
    EXPECT_EQ(pq::CropCursorAt({200, 110}, s), Qt::SizeFDiagCursor);
    EXPECT_EQ(pq::CropCursorAt({100, 50}, s), Qt::SizeAllCursor);
    EXPECT_EQ(pq::CropCursorAt({260, 50}, s), Qt::ArrowCursor);
}

TEST(CropGeometry, EdgesStayTwentyPixelsApart)
{
    const QRectF s(100, 100, 200, 100);
    EXPECT_EQ(pq::DragCropEdge(s, CropPart::Top, 60), QRectF(100, 60, 200, 140));
    EXPECT_EQ(pq::DragCropEdge(s, CropPart::Top, 181), s);
    EXPECT_EQ(pq::DragCropEdge(s, CropPart::Top, 180), QRectF(100, 180, 200, 20));
    EXPECT_EQ(pq::DragCropEdge(s, CropPart::Right, 115), s);
    EXPECT_EQ(pq::DragCropEdge(s, CropPart::Left, -50), QRectF(-50, 100, 350, 100));
}

TEST(CropGeometry, CornersKeepAMinimumSpan)
{
    const QRectF s(100, 100, 200, 100);
    EXPECT_EQ(pq::DragCropCorner(s, CropPart::BottomRight, {400, 250}, 15), QRectF(100, 100, 300, 150));
    EXPECT_EQ(pq::DragCropCorner(s, CropPart::TopLeft, {500, 500}, 15), QRectF(285, 185, 15, 15));
}

TEST(CropGeometry, EachPlacementFlipsJustPastItsBound)
{
    // The toolbar stays above while its top is at least 16 (selection top
    // 58 with a 36-pixel bar and the 6-pixel gap), else it moves inside.
    const QSizeF bar(100, 36);
    const struct {
        double top, barTop;
    } kToolbar[] = {{58, 16}, {57, 12}, {58.5, 16.5}};
    for (const auto& row : kToolbar)
        EXPECT_EQ(pq::CropToolbarPosition(QRectF(50, row.top, 300, 200), bar).y(), row.barTop) << row.top;
    // The pill stays under while it ends on the canvas (bottom 558 + 6 + 36
    // = 600), else it moves inside the selection.
    const QSizeF pill(90, 36);
    const struct {
        double bottom, pillTop;
    } kPill[] = {{558, 564}, {559, 559 - 42}};
    for (const auto& row : kPill)
        EXPECT_EQ(pq::SizePillPosition(QRectF(100, 100, 200, row.bottom - 100), pill, 600).y(), row.pillTop)
            << row.bottom;
    // A corner's cursor reaches 10 pixels from it; inside, the edges belong
    // to the selection.
    const QSizeF s(200, 100);
    const struct {
        QPointF at;
        Qt::CursorShape cursor;
    } kCursor[] = {
        {{6, 8}, Qt::SizeFDiagCursor},   {{6, 8.01}, Qt::SizeAllCursor},  {{-6, -8}, Qt::SizeFDiagCursor},
        {{-6, -8.01}, Qt::ArrowCursor},  {{200, 50}, Qt::SizeAllCursor}, {{200.01, 50}, Qt::ArrowCursor},
        {{100, 0}, Qt::SizeAllCursor},   {{100, -0.01}, Qt::ArrowCursor},
    };
    for (const auto& row : kCursor)
        EXPECT_EQ(pq::CropCursorAt(row.at, s), row.cursor) << row.at.x() << ", " << row.at.y();
}

TEST(CropGeometry, EdgeHandlesAtTheMiddleOfEachEdge)
{
    const QSizeF s(200, 100), h(6, 6);
    EXPECT_EQ(pq::CropEdgeHandleCentre(CropPart::Top, s, h), QPointF(102, 2));
    EXPECT_EQ(pq::CropEdgeHandleCentre(CropPart::Bottom, s, h), QPointF(102, 102));
    EXPECT_EQ(pq::CropEdgeHandleCentre(CropPart::Left, s, h), QPointF(2, 52));
    EXPECT_EQ(pq::CropEdgeHandleCentre(CropPart::Right, s, h), QPointF(202, 52));
}

} // namespace
