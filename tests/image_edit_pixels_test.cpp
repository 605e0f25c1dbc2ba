// The document edits and lens keep their pixels however they are made:
// committed text, the magnifier and the brush composite against sums of
// their straightforward renders; a framed picture against the plain
// drawing of every part in turn.
#include "image_compare.h"
#include "gfx/canvas.h"
#include "gfx/frame_image.h"
#include "gfx/surface.h"
#include "panels/brush_mask.h"
#include "panels/brush_stroke.h"
#include "workspace/magnifier_lens.h"
#include "workspace/text_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

using testimg::Premul;

uint64_t Checksum(const QImage& image)
{
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const gfx::Pixel*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            gfx::Pixel p = row[x];
            for (int b = 0; b < 4; ++b, p >>= 8)
                h = (h ^ (p & 0xFF)) * 1099511628211ull;
        }
    }
    return h;
}

uint64_t Checksum(const gfx::Image& image) { return Checksum(image.qimage()); }

// PQ_PRINT_PIXEL_SUMS=1 prints the sums to record.
void ExpectSum(uint64_t expected, uint64_t actual, const char* what)
{
    if (std::getenv("PQ_PRINT_PIXEL_SUMS"))
        std::printf("%s 0x%016llXull\n", what, static_cast<unsigned long long>(actual));
    EXPECT_EQ(expected, actual) << what;
}

// A photo-like picture: noise over two ramps.
gfx::Image Picture(int width, int height, bool opaque = true)
{
    return testimg::MakeImage(width, height, [&](int x, int y) {
        const uint32_t n = (uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u);
        const int a = opaque ? 255 : 40 + int((x + 3 * y) % 216);
        return Premul((x * 255 / width + int(n & 31)) & 255, (y * 255 / height) & 255, int(n >> 24), a);
    });
}

TEST(SamePixels, MagnifierRendersKeepTheirPixels)
{
    const gfx::Image image = Picture(1200, 900);
    pq::LensLook look;
    look.seconds = 3.25;
    ExpectSum(0x66C8789CC312EF40ull, Checksum(pq::RenderMagnifier(image, QPointF(0.37, 0.61), look)), "lens light");
    look.darkTheme = true;
    look.seconds = 71.5;
    ExpectSum(0x35F4D61B44A18BD0ull, Checksum(pq::RenderMagnifier(image, QPointF(0.93, 0.08), look)), "lens dark");
    ExpectSum(0x171DE9F41AF9A40Aull, Checksum(pq::RenderMagnifier(Picture(600, 500, false), QPointF(0.5, 0.5), look)),
              "lens translucent");
}

TEST(SamePixels, CommittedTextChangesOnlyItsAreaAndKeepsItsPixels)
{
    const gfx::Image image = Picture(1600, 1000);
    const gfx::Image before = gfx::Image::fromQImage(image.qimage());
    pq::TextSettings text;
    text.text = QStringLiteral("Summer Day");
    text.pos = QPointF(300.25, 600.5);
    text.fontSize = 120.5f;
    text.color = 0xC0FF8040;
    text.shadow = true;
    const gfx::Image drawn = pq::DrawCommittedText(image, text);
    ExpectSum(0xA991A2ECA026A273ull, Checksum(drawn), "text with shadow");
    EXPECT_TRUE(testimg::ImagesNear(before, image)) << "the input stays";
    // Far from the text nothing changes.
    EXPECT_TRUE(testimg::ImagesNear(image.copyRect(QRect(0, 0, 1600, 400)), drawn.copyRect(QRect(0, 0, 1600, 400))));
    EXPECT_TRUE(testimg::ImagesNear(image.copyRect(QRect(0, 700, 1600, 300)), drawn.copyRect(QRect(0, 700, 1600, 300))));
    text.shadow = false;
    text.pos = QPointF(-40, 30);
    ExpectSum(0xEBE09C1BC5C956BBull, Checksum(pq::DrawCommittedText(image, text)), "text cut by the edge");
}

TEST(SamePixels, BrushCompositeKeepsItsPixelsAndItsBase)
{
    const gfx::Image base = Picture(900, 700);
    const gfx::Image before = gfx::Image::fromQImage(base.qimage());
    const gfx::Image effect = Picture(300, 200, false);
    pq::BrushMask mask;
    ASSERT_TRUE(mask.bind(base.size()));
    mask.setBrush(60.0f, 0.5f);
    mask.beginStroke(QPointF(250, 300));
    mask.strokeTo(QPointF(420, 380));
    mask.mergeStroke();
    const gfx::Image out = pq::CompositeBrushStroke(base, effect, mask.frozenMask(), QPoint(200, 250), 0.7f);
    ExpectSum(0xC1CDBDFA96DCE02Full, Checksum(out), "brush composite");
    EXPECT_TRUE(testimg::ImagesNear(before, base)) << "the base stays";
}

TEST(SamePixels, ABrushMaskBoundAgainAtAnotherSizeIsEmpty)
{
    pq::BrushMask mask;
    ASSERT_TRUE(mask.bind(QSize(300, 200)));
    mask.setBrush(50.0f, 0.0f);
    mask.beginStroke(QPointF(100, 100));
    mask.mergeStroke();
    ASSERT_FALSE(mask.maskBounds().isEmpty());
    for (const QSize size : {QSize(301, 199), QSize(4001, 3000)}) {
        ASSERT_TRUE(mask.bind(size));
        EXPECT_EQ(mask.liveLayer().size(), size);
        mask.beginStroke(QPointF(-1000, -1000)); // off the image: nothing laid
        mask.mergeStroke();
        EXPECT_TRUE(mask.maskBounds().isEmpty());
        const QImage frozen = mask.frozenMask();
        bool empty = true;
        for (int y = 0; y < frozen.height() && empty; y += 7)
            for (int x = 0; x < frozen.width(); ++x)
                empty = empty && frozen.constScanLine(y)[x] == 0;
        EXPECT_TRUE(empty) << size.width();
    }
}

// The framed picture drawn part by part on a canvas: the band, the picture,
// then all nine patches stretched with bilinear filtering.
gfx::Image PlainFrame(const gfx::Image& picture, const gfx::Image& frame, int margin, QRgb color)
{
    const gfx::FrameHole hole = gfx::FindFrameHole(frame);
    const gfx::FrameLayout layout = gfx::LayOutFrame(picture.size(), frame.size(), hole, margin);
    gfx::Surface out = gfx::Surface::make(int(layout.width), int(layout.height));
    {
        gfx::Canvas canvas(out);
        const double m = double(layout.margin), w = layout.imageWidth, h = layout.imageHeight;
        gfx::Paint band = gfx::Paint::fill(QColor::fromRgba(color));
        band.antiAlias = false;
        canvas.drawRect(QRectF(hole.left - 1, hole.top - 1, w + 2 * m + 2, h + 2 * m + 2), band);
        canvas.drawImage(picture, double(layout.imageX), double(layout.imageY));
        const int fw = frame.width(), fh = frame.height();
        const int srcX[4] = {0, hole.left, hole.right, fw};
        const int srcY[4] = {0, hole.top, hole.bottom, fh};
        const double ow = double(layout.width), oh = double(layout.height);
        const double dstX[4] = {0, double(hole.left), ow - (fw - hole.right), ow};
        const double dstY[4] = {0, double(hole.top), oh - (fh - hole.bottom), oh};
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                const QRect src(QPoint(srcX[i], srcY[j]), QPoint(srcX[i + 1] - 1, srcY[j + 1] - 1));
                const QRectF dst(QPointF(dstX[i], dstY[j]), QPointF(dstX[i + 1], dstY[j + 1]));
                if (!src.isEmpty() && !dst.isEmpty())
                    canvas.drawImageRect(frame.copyRect(src), dst, gfx::Sampling::Linear);
            }
    }
    return out.snapshot();
}

// A frame 300 x 240 with borders 40, 30, 50, 20; the hole clear, or a
// translucent glass, or clear with a few specks.
gfx::Image Frame(int hole)
{
    return testimg::MakeImage(300, 240, [&](int x, int y) {
        const bool border = x < 40 || y < 30 || x >= 250 || y >= 220;
        if (border)
            return Premul(120 + x % 60, 80 + y % 50, 40, 255);
        if (hole == 1)
            return Premul(200, 220, 255, 60 + (x + y) % 40);
        if (hole == 2 && x % 37 == 0 && y % 29 == 0)
            return Premul(255, 255, 255, 200);
        return gfx::Pixel(0);
    });
}

TEST(SamePixels, AFramedPictureEqualsThePlainDrawingOfItsParts)
{
    struct Case {
        int hole;
        bool opaque;
        int margin;
        QRgb color;
    };
    for (const Case& c : {Case{0, true, 25, 0xFFFFFFFF}, Case{1, true, 0, 0x80FF0000}, Case{2, false, 13, 0x00000000},
                          Case{0, false, 7, 0xFF2040A0}, Case{2, true, 40, 0xC0102030}}) {
        const gfx::Image picture = Picture(417, 311, c.opaque);
        const gfx::Image frame = Frame(c.hole);
        const gfx::Image framed = gfx::ApplyFrameBitmap(picture, frame, c.margin, c.color);
        EXPECT_TRUE(testimg::ImagesNear(PlainFrame(picture, frame, c.margin, c.color), framed))
            << "hole " << c.hole << " opaque " << c.opaque << " margin " << c.margin;
    }
    // A mat: no border on the middle lines, stretched over everything.
    const gfx::Image mat = testimg::MakeImage(90, 70, [](int x, int y) { return Premul(x * 2, y * 3, 90, 100); });
    const gfx::Image picture = Picture(200, 150);
    EXPECT_TRUE(testimg::ImagesNear(PlainFrame(picture, mat, 10, 0xFFFFFFFF),
                                    gfx::ApplyFrameBitmap(picture, mat, 10, 0xFFFFFFFF)));
}

} // namespace
