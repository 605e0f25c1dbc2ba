// Printing: the preview's page arithmetic, the printed page's layout, and
// the print routine on an image standing in for a printer.
#include "image_compare.h"
#include "workspace/print_layout.h"
#include "workspace/print_page.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using pq::PrintScaleMode;
using testimg::Premul;

constexpr double kEps = 1e-9;

void ExpectRect(const QRectF& actual, double x, double y, double w, double h)
{
    EXPECT_NEAR(actual.x(), x, 1e-6);
    EXPECT_NEAR(actual.y(), y, 1e-6);
    EXPECT_NEAR(actual.width(), w, 1e-6);
    EXPECT_NEAR(actual.height(), h, 1e-6);
}

// ---- Preview ----

TEST(PrintPreview, A4PortraitAndLandscapeWithoutAPrinter)
{
    pq::PrintSettings settings;
    settings.marginMm = 0;
    const pq::PreviewLayout portrait = pq::LayoutPreview(QSizeF(309, 323), QSize(100, 100), {}, settings);
    // s = min(269 / 210, 283 / 297) = 283 / 297.
    const double s = 283.0 / 297.0;
    ExpectRect(portrait.page, (309 - 210 * s) / 2, 20, 210 * s, 283);
    settings.landscape = true;
    const pq::PreviewLayout landscape = pq::LayoutPreview(QSizeF(309, 323), QSize(100, 100), {}, settings);
    const double t = 269.0 / 297.0;
    ExpectRect(landscape.page, 20, (323 - 210 * t) / 2, 269, 210 * t);
}

TEST(PrintPreview, MarginsAndTheThreeModes)
{
    pq::PrintSettings settings;
    settings.marginMm = 10;
    const QSizeF box(250, 337); // s = 1 pixel per millimetre
    const QSize image(400, 200);
    pq::PreviewLayout fit = pq::LayoutPreview(box, image, {}, settings);
    ExpectRect(fit.page, 20, 20, 210, 297);
    ExpectRect(fit.printable, 30, 30, 190, 277);
    // Best fit: 190 wide, 95 high, centred on the printable centre.
    ExpectRect(fit.image, 30, 30 + (277 - 95) / 2.0, 190, 95);

    settings.mode = PrintScaleMode::StretchToFill;
    EXPECT_EQ(pq::LayoutPreview(box, image, {}, settings).image, fit.printable);

    settings.mode = PrintScaleMode::OriginalSize;
    settings.imageDpi = 254; // 0.1 mm per pixel
    const pq::PreviewLayout original = pq::LayoutPreview(box, image, {}, settings);
    ExpectRect(original.image, 125 - 20, 168.5 - 10, 40, 20);

    settings.imageDpi = 0.5; // below 1: 96 dpi
    const pq::PreviewLayout low = pq::LayoutPreview(box, image, {}, settings);
    EXPECT_NEAR(low.image.width(), 400 * 25.4 / 96, kEps);

    settings.marginMm = -5; // counts as 0
    EXPECT_EQ(pq::LayoutPreview(box, image, {}, settings).printable, fit.page);
}

TEST(PrintPreview, PrinterPageAndLowResolutionFallback)
{
    pq::PrinterMetrics letter{QSize(2550, 3300), 300, 300}; // 8.5 x 11 in
    EXPECT_NEAR(pq::PreviewPageMm(letter, false).width(), 215.9, 1e-9);
    EXPECT_NEAR(pq::PreviewPageMm(letter, false).height(), 279.4, 1e-9);
    pq::PrinterMetrics coarse{QSize(80, 110), 10, 10};
    EXPECT_EQ(pq::PreviewPageMm(coarse, false), QSizeF(210, 297)) << "below 11 dpi: A4";
    EXPECT_EQ(pq::PreviewPageMm(coarse, true), QSizeF(297, 210));
    EXPECT_TRUE(pq::LayoutPreview(QSizeF(0.5, 100), QSize(10, 10), {}, {}).page.isNull());
}

TEST(PrintPreview, EachBoundHoldsOnBothSides)
{
    // An image resolution below 1 counts as 96; 1 itself is kept.
    const struct {
        double given, used;
    } kDpi[] = {{0.0, 96}, {0.999, 96}, {1.0, 1.0}, {1.5, 1.5}, {-3, 96}};
    for (const auto& row : kDpi)
        EXPECT_EQ(pq::EffectiveImageDpi(row.given), row.used) << row.given;
    // A margin below 0 counts as 0; the least positive one is kept.
    const struct {
        double given, used;
    } kMargin[] = {{-0.001, 0}, {0.0, 0}, {0.001, 0.001}, {-1e300, 0}};
    for (const auto& row : kMargin)
        EXPECT_EQ(pq::EffectiveMargin(row.given), row.used) << row.given;
    // A printer of at least 11 dpi both ways gives its own page; 10.99 in
    // either direction falls back to A4.
    const struct {
        double dpiX, dpiY;
        bool printerPage;
    } kPrinter[] = {{11, 11, true}, {10.99, 11, false}, {11, 10.99, false}, {10.99, 10.99, false}};
    for (const auto& row : kPrinter) {
        const QSizeF page = pq::PreviewPageMm({QSize(1100, 2200), row.dpiX, row.dpiY}, false);
        if (row.printerPage)
            EXPECT_EQ(page, QSizeF(100 * 25.4, 200 * 25.4)) << row.dpiX << " x " << row.dpiY;
        else
            EXPECT_EQ(page, QSizeF(210, 297)) << row.dpiX << " x " << row.dpiY;
    }
}

// ---- Page ----

TEST(PrintPage, BestFitOfALandscapeImageOnAPortraitPage)
{
    pq::PrinterMetrics a4{QSize(2480, 3508), 300, 300};
    pq::PrintSettings settings; // best fit, 10 mm
    const pq::PageLayout layout = pq::LayoutPage(a4, QSize(3000, 2000), settings);
    const double margin = 300 / 25.4 * 10;
    ExpectRect(layout.printable, margin, margin, 2480 - 2 * margin, 3508 - 2 * margin);
    EXPECT_NEAR(layout.image.width(), layout.printable.width(), 1e-6) << "fills the printable width";
    EXPECT_NEAR(layout.image.height() / layout.image.width(), 2000.0 / 3000.0, 1e-9);
    EXPECT_NEAR(layout.image.center().y(), layout.printable.center().y(), 1.0) << "centred vertically";
}

TEST(PrintPage, OriginalSizeAndNoDivisionByZero)
{
    pq::PrinterMetrics page{QSize(1000, 1000), 300, 300};
    pq::PrintSettings settings;
    settings.mode = PrintScaleMode::OriginalSize;
    ExpectRect(pq::LayoutPage(page, QSize(200, 100), settings).image, 400, 450, 200, 100);
    settings.imageDpi = 150;
    ExpectRect(pq::LayoutPage(page, QSize(200, 100), settings).image, 300, 400, 400, 200);
    const pq::PageLayout zero = pq::LayoutPage({QSize(1000, 1000), 0, 0}, QSize(200, 100), settings);
    EXPECT_TRUE(std::isfinite(zero.image.width()));
    ExpectRect(zero.printable, 0, 0, 1000, 1000);
    settings.marginMm = -3;
    EXPECT_EQ(pq::LayoutPage(page, QSize(10, 10), settings).printable, QRectF(0, 0, 1000, 1000));
}

TEST(PrintPage, EachMarginComesFromItsOwnResolution)
{
    // 600 x 300 dpi, 25.4 mm: one inch is 600 pixels across and 300 down.
    pq::PrintSettings settings;
    settings.marginMm = 25.4;
    const pq::PageLayout layout = pq::LayoutPage({QSize(4800, 3300), 600, 300}, QSize(100, 100), settings);
    ExpectRect(layout.printable, 600, 300, 3600, 2700);
    const pq::PageLayout tall = pq::LayoutPage({QSize(2400, 6600), 300, 600}, QSize(100, 100), settings);
    ExpectRect(tall.printable, 300, 600, 1800, 5400);
}

// ---- Printing on an image ----

QImage PageImage(int w, int h, int dpi)
{
    QImage page(w, h, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::transparent);
    const int dpm = int(std::lround(dpi / 0.0254));
    page.setDotsPerMeterX(dpm);
    page.setDotsPerMeterY(dpm);
    return page;
}

TEST(PrintOnImage, TransparentPartsPrintWhiteAndStretchCoversThePage)
{
    QImage page = PageImage(60, 80, 30);
    const gfx::Image image = testimg::MakeImage(6, 8, [](int x, int) {
        return x < 3 ? Premul(0, 0, 0, 0) : Premul(200, 0, 0);
    });
    pq::PrintSettings settings;
    settings.mode = PrintScaleMode::StretchToFill;
    settings.marginMm = 0;
    ASSERT_TRUE(pq::PrintImagePage(page, image, settings).isEmpty());
    EXPECT_EQ(page.pixel(5, 40), qRgb(255, 255, 255)) << "transparent prints white";
    EXPECT_EQ(page.pixel(55, 40), qRgb(200, 0, 0));
    EXPECT_EQ(qAlpha(page.pixel(0, 0)), 255) << "the whole page is covered";
}

TEST(PrintOnImage, OriginalSizeAt300DpiIsOneToOneAndNotClippedToMargins)
{
    QImage page = PageImage(100, 100, 300);
    const gfx::Image image = testimg::MakeNoise(90, 90, 3);
    pq::PrintSettings settings;
    settings.mode = PrintScaleMode::OriginalSize;
    settings.imageDpi = 300;
    settings.marginMm = 8; // 94 pixels: the image reaches past them
    ASSERT_TRUE(pq::PrintImagePage(page, image, settings).isEmpty());
    for (const QPoint p : {QPoint(0, 0), QPoint(45, 45), QPoint(89, 89), QPoint(3, 80)})
        EXPECT_EQ(page.pixel(p.x() + 5, p.y() + 5), QColor::fromRgba(image.pixel(p.x(), p.y())).rgb())
            << p.x() << "," << p.y();
    EXPECT_EQ(qAlpha(page.pixel(2, 2)), 0) << "outside the image nothing is drawn";
}

TEST(PrintOnImage, FailuresAreReported)
{
    QImage null;
    EXPECT_FALSE(pq::PrintImagePage(null, testimg::MakeSolid(2, 2, Premul(1, 2, 3)), {}).isEmpty());
    QImage page = PageImage(10, 10, 30);
    EXPECT_FALSE(pq::PrintImagePage(page, {}, {}).isEmpty());
}

} // namespace
