// Rotate, crop, paste and text commit as document edits: sizes, pixels,
// history, and what is refused.
#include "image_compare.h"
#include "workspace/document.h"
#include "workspace/document_edits.h"
#include "workspace/text_settings.h"

#include <gtest/gtest.h>

namespace {

using pq::Document;
using pq::EditOutcome;
using testimg::MakeNoise;
using testimg::MakeSolid;

void Open(Document& doc, const gfx::Image& source, const gfx::Image& result)
{
    ASSERT_TRUE(doc.replaceDocument(source, result));
    doc.history->save(doc.resultImage, doc.sourceImage);
    doc.unsavedChanges = false;
}

// ---- Rotation ----

TEST(DocumentRotate, SwapsWidthAndHeightOfBothImages)
{
    Document doc;
    Open(doc, MakeNoise(640, 480, 1), MakeNoise(640, 480, 2));
    ASSERT_EQ(pq::RotateDocument(doc, false), EditOutcome::Done);
    EXPECT_EQ(doc.sourceImage.size(), QSize(480, 640));
    EXPECT_EQ(doc.resultImage.size(), QSize(480, 640));
    EXPECT_TRUE(doc.unsavedChanges);
}

TEST(DocumentRotate, ClockwiseMapsEachPixel)
{
    Document doc;
    const gfx::Image photo = MakeNoise(7, 5, 3);
    Open(doc, photo, photo);
    ASSERT_EQ(pq::RotateDocument(doc, true), EditOutcome::Done);
    const int h = photo.height();
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            ASSERT_EQ(doc.resultImage.pixel(h - 1 - y, x), photo.pixel(x, y)) << x << "," << y;
}

TEST(DocumentRotate, FourLeftTurnsGiveThePixelsBack)
{
    Document doc;
    const gfx::Image source = MakeNoise(9, 4, 4, false);
    const gfx::Image result = MakeNoise(9, 4, 5);
    Open(doc, source, result);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(pq::RotateDocument(doc, false), EditOutcome::Done);
    EXPECT_TRUE(testimg::ImagesNear(source, doc.sourceImage));
    EXPECT_TRUE(testimg::ImagesNear(result, doc.resultImage));
}

TEST(DocumentRotate, UndoRestoresBothImages)
{
    Document doc;
    // With transparency the history keeps its steps losslessly.
    const gfx::Image source = MakeNoise(6, 3, 6, false);
    const gfx::Image result = MakeNoise(6, 3, 7, false);
    Open(doc, source, result);
    ASSERT_EQ(pq::RotateDocument(doc, true), EditOutcome::Done);
    gfx::Image display, back;
    ASSERT_TRUE(doc.history->undo(display, back));
    EXPECT_TRUE(testimg::ImagesNear(result, display));
    EXPECT_TRUE(testimg::ImagesNear(source, back));
}

TEST(DocumentRotate, RefusedWhileAnEffectRuns)
{
    Document doc;
    Open(doc, MakeNoise(6, 3, 6), MakeNoise(6, 3, 7));
    doc.runningEffect = 300;
    EXPECT_EQ(pq::RotateDocument(doc, true), EditOutcome::Busy);
    EXPECT_EQ(doc.resultImage.size(), QSize(6, 3));
    EXPECT_FALSE(doc.unsavedChanges);
}

TEST(DocumentRotate, DropsWorkersOfTheOldDocument)
{
    Document doc;
    Open(doc, MakeNoise(6, 3, 6), MakeNoise(6, 3, 7));
    const uint64_t worker = doc.beginBackgroundWorker();
    ASSERT_EQ(pq::RotateDocument(doc, true), EditOutcome::Done);
    EXPECT_FALSE(doc.isCurrentDocument(worker));
    doc.endBackgroundWorker();
}

TEST(DocumentRotate, NothingWithoutImages)
{
    Document doc;
    EXPECT_EQ(pq::RotateDocument(doc, true), EditOutcome::NoImage);
}

// ---- Crop ----

TEST(CropRect, CutsTowardsZeroInImagePixels)
{
    // Selection at canvas (31, 21) 301 x 201, image at pan (10, 20), zoom 0.5.
    const QRect r = pq::CropRectFromSelection(QRectF(31, 21, 301, 201), QPointF(10, 20), 0.5);
    EXPECT_EQ(r, QRect(42, 2, 602, 402));
    const QRect small = pq::CropRectFromSelection(QRectF(5, 5, 100, 50), QPointF(0, 0), 3.0);
    EXPECT_EQ(small, QRect(1, 1, 33, 16));
    EXPECT_TRUE(pq::CropRectFromSelection(QRectF(0, 0, 10, 10), QPointF(0, 0), 0.0).isEmpty());
}

TEST(DocumentCrop, CutsBothImagesToTheRectangle)
{
    Document doc;
    const gfx::Image source = MakeNoise(40, 30, 8);
    const gfx::Image result = MakeNoise(40, 30, 9);
    Open(doc, source, result);
    ASSERT_EQ(pq::CropDocument(doc, QRect(5, 6, 10, 8)), EditOutcome::Done);
    EXPECT_TRUE(testimg::ImagesNear(source.copyRect(QRect(5, 6, 10, 8)), doc.sourceImage));
    EXPECT_TRUE(testimg::ImagesNear(result.copyRect(QRect(5, 6, 10, 8)), doc.resultImage));
}

TEST(DocumentCrop, ASelectionPartlyOffTheImageKeepsThePartOnIt)
{
    Document doc;
    Open(doc, MakeNoise(40, 30, 8), MakeNoise(40, 30, 9));
    ASSERT_EQ(pq::CropDocument(doc, QRect(-10, 20, 30, 50)), EditOutcome::Done);
    EXPECT_EQ(doc.sourceImage.size(), QSize(20, 10));
}

TEST(DocumentCrop, IntersectsWithBothImages)
{
    Document doc;
    Open(doc, MakeNoise(40, 30, 8), MakeNoise(20, 30, 9));
    ASSERT_EQ(pq::CropDocument(doc, QRect(10, 0, 30, 30)), EditOutcome::Done);
    EXPECT_EQ(doc.sourceImage.size(), QSize(10, 30));
    EXPECT_EQ(doc.resultImage.size(), QSize(10, 30));
}

TEST(DocumentCrop, AnEmptyRectangleChangesNothing)
{
    Document doc;
    const gfx::Image photo = MakeNoise(40, 30, 8);
    Open(doc, photo, photo);
    const uint64_t generation = doc.documentGeneration();
    EXPECT_EQ(pq::CropDocument(doc, QRect(50, 50, 10, 10)), EditOutcome::EmptyArea);
    EXPECT_EQ(pq::CropDocument(doc, QRect(5, 5, 0, 3)), EditOutcome::EmptyArea);
    EXPECT_EQ(pq::CropDocument(doc, pq::CropRectFromSelection(QRectF(0, 0, 0.4, 0.4), {}, 1.0)),
              EditOutcome::EmptyArea);
    EXPECT_TRUE(doc.sourceImage.sameAs(photo));
    EXPECT_EQ(doc.documentGeneration(), generation);
    EXPECT_FALSE(doc.unsavedChanges);
}

TEST(DocumentCrop, ThePixelsAtEachEdgeAreTheLastOnesKept)
{
    // A 40 x 30 photo: a rectangle touching the last column or row keeps
    // one pixel of it; one starting just past it keeps none.
    const struct {
        QRect rect;
        QSize kept; // empty: nothing to crop
    } kRects[] = {
        {QRect(39, 0, 5, 5), QSize(1, 5)},   {QRect(40, 0, 5, 5), QSize()},
        {QRect(0, 29, 5, 5), QSize(5, 1)},   {QRect(0, 30, 5, 5), QSize()},
        {QRect(-5, 0, 6, 5), QSize(1, 5)},   {QRect(-5, 0, 5, 5), QSize()},
        {QRect(0, -5, 5, 6), QSize(5, 1)},   {QRect(0, -5, 5, 5), QSize()},
        {QRect(0, 0, 40, 30), QSize(40, 30)}, {QRect(0, 0, 41, 31), QSize(40, 30)},
    };
    for (const auto& row : kRects) {
        Document doc;
        Open(doc, MakeNoise(40, 30, 8), MakeNoise(40, 30, 9));
        const EditOutcome outcome = pq::CropDocument(doc, row.rect);
        if (row.kept.isEmpty()) {
            EXPECT_EQ(outcome, EditOutcome::EmptyArea) << row.rect.x() << "," << row.rect.y();
            EXPECT_EQ(doc.sourceImage.size(), QSize(40, 30));
        } else {
            EXPECT_EQ(outcome, EditOutcome::Done) << row.rect.x() << "," << row.rect.y();
            EXPECT_EQ(doc.sourceImage.size(), row.kept) << row.rect.x() << "," << row.rect.y();
        }
    }
    // A selection in canvas pixels cuts towards zero: 0.99 of a pixel
    // gives none, 1 gives one.
    const struct {
        double side;
        int pixels;
    } kSides[] = {{0.99, 0}, {1.0, 1}, {1.99, 1}, {2.0, 2}};
    for (const auto& row : kSides)
        EXPECT_EQ(pq::CropRectFromSelection(QRectF(0, 0, row.side, row.side), {}, 1.0).width(), row.pixels)
            << row.side;
}

TEST(DocumentCrop, RefusedWhileAnEffectRuns)
{
    Document doc;
    Open(doc, MakeNoise(40, 30, 8), MakeNoise(40, 30, 9));
    doc.runningEffect = 100;
    EXPECT_EQ(pq::CropDocument(doc, QRect(0, 0, 5, 5)), EditOutcome::Busy);
    EXPECT_EQ(doc.sourceImage.size(), QSize(40, 30));
}

// ---- Paste ----

TEST(DocumentPaste, BecomesSourceAndResultOfAnUnnamedDocument)
{
    Document doc;
    Open(doc, MakeNoise(40, 30, 8), MakeNoise(40, 30, 9));
    doc.sourceFileName = QStringLiteral("/photos/cat.jpg");
    const gfx::Image pasted = MakeNoise(12, 9, 10, false);
    ASSERT_EQ(pq::PasteAsDocument(doc, pasted), EditOutcome::Done);
    EXPECT_TRUE(doc.sourceImage.sameAs(pasted));
    EXPECT_TRUE(doc.resultImage.sameAs(pasted));
    EXPECT_TRUE(doc.sourceFileName.isEmpty());
    EXPECT_TRUE(doc.hasUnsavedChanges());
}

TEST(DocumentPaste, NothingToPasteLeavesTheDocument)
{
    Document doc;
    const gfx::Image photo = MakeNoise(40, 30, 8);
    Open(doc, photo, photo);
    doc.sourceFileName = QStringLiteral("/photos/cat.jpg");
    EXPECT_EQ(pq::PasteAsDocument(doc, gfx::Image()), EditOutcome::NoImage);
    EXPECT_TRUE(doc.resultImage.sameAs(photo));
    EXPECT_EQ(doc.sourceFileName, QStringLiteral("/photos/cat.jpg"));
}

TEST(DocumentPaste, RefusedWhileAnEffectRuns)
{
    Document doc;
    const gfx::Image photo = MakeNoise(40, 30, 8);
    Open(doc, photo, photo);
    doc.runningEffect = 300;
    EXPECT_EQ(pq::PasteAsDocument(doc, MakeNoise(4, 4, 1)), EditOutcome::Busy);
    EXPECT_TRUE(doc.resultImage.sameAs(photo));
}

// ---- Text commit ----

pq::TextSettings Hello()
{
    pq::TextSettings text;
    text.text = QStringLiteral("Hello");
    text.pos = QPointF(10, 40);
    text.fontSize = 30;
    text.color = 0xFFFF0000;
    text.shadow = false;
    return text;
}

TEST(DocumentText, DrawsIntoTheResultOnly)
{
    Document doc;
    const gfx::Image photo = MakeSolid(120, 60, 0xFFFFFFFF);
    Open(doc, photo, photo);
    ASSERT_EQ(pq::CommitTextToDocument(doc, Hello()), EditOutcome::Done);
    EXPECT_TRUE(doc.sourceImage.sameAs(photo));
    EXPECT_FALSE(testimg::ImagesNear(photo, doc.resultImage));
    // The text lies above its baseline, right of its origin.
    int red = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x)
            if (doc.resultImage.pixel(x, y) != 0xFFFFFFFF) {
                EXPECT_GE(x, 9);
                EXPECT_LE(y, 40 + 8);
                ++red;
            }
    EXPECT_GT(red, 50);
}

// The shadow is drawn in image pixels whatever the view's zoom: its offset
// is 5 pixels, as the canvas shows 15 at zoom 3.
TEST(DocumentText, ShadowIsOffsetFiveImagePixels)
{
    const gfx::Image white = MakeSolid(200, 100, 0xFFFFFFFF);
    pq::TextSettings text = Hello();
    text.text = QStringLiteral("I");
    text.color = 0xFFFFFFFF; // white on white: only the shadow shows
    text.shadow = true;
    const gfx::Image shadowed = pq::DrawCommittedText(white, text);
    text.pos += QPointF(5, 5);
    text.shadow = false;
    text.color = 0xFF000000;
    const gfx::Image moved = pq::DrawCommittedText(white, text);
    // The darkest column of the shadow is the text's column moved by 5.
    auto darkestColumn = [](const gfx::Image& image) {
        int best = 0;
        int64_t bestSum = INT64_MAX;
        for (int x = 0; x < image.width(); ++x) {
            int64_t sum = 0;
            for (int y = 0; y < image.height(); ++y)
                sum += image.pixel(x, y) & 0xFF;
            if (sum < bestSum) {
                bestSum = sum;
                best = x;
            }
        }
        return best;
    };
    EXPECT_NEAR(darkestColumn(shadowed), darkestColumn(moved), 1);
}

TEST(DocumentText, BlankTextAndNoImageChangeNothing)
{
    Document doc;
    EXPECT_EQ(pq::CommitTextToDocument(doc, Hello()), EditOutcome::NoImage);
    const gfx::Image photo = MakeSolid(50, 20, 0xFF808080);
    pq::TextSettings blank = Hello();
    blank.text = QStringLiteral("   ");
    EXPECT_TRUE(pq::DrawCommittedText(photo, blank).sameAs(photo));
}

TEST(DocumentText, WrittenPixelsStayPremultiplied)
{
    const gfx::Image photo = MakeNoise(80, 50, 11, false);
    pq::TextSettings text = Hello();
    text.color = 0x80FFFF00;
    text.shadow = true;
    const gfx::Image drawn = pq::DrawCommittedText(photo, text);
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const gfx::Pixel p = drawn.pixel(x, y);
            const int a = int(p >> 24);
            ASSERT_LE(int((p >> 16) & 255), a);
            ASSERT_LE(int((p >> 8) & 255), a);
            ASSERT_LE(int(p & 255), a);
        }
}

} // namespace
