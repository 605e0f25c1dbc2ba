// The measures the caption sweep relies on, on widgets built here: the
// contrast ratio, the colours read from a picture, when a caption counts as
// cut, and the marquee's handling of captions just too wide.
#include "caption_fit_checks.h"

#include "ui/dictionary.h"
#include "ui/interface_scale.h"
#include "ui/theme_style.h"
#include "ui/widgets/caption_marquee.h"
#include "ui/widgets/icon_button.h"

#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(CaptionFitChecks, ContrastRatioRunsFromOneToTwentyOne)
{
    EXPECT_NEAR(fitcheck::ContrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(fitcheck::ContrastRatio(QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77)), 1.0, 1e-9);
    // Either order; #767676 on white is the least grey that passes.
    EXPECT_GE(fitcheck::ContrastRatio(Qt::white, QColor(0x76, 0x76, 0x76)), fitcheck::kLeastContrast);
    EXPECT_LT(fitcheck::ContrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), fitcheck::kLeastContrast);
}

TEST(CaptionFitChecks, ThePictureGivesBackgroundAndTheTextColourThatStandsOut)
{
    QImage shot(40, 20, QImage::Format_RGB32);
    shot.fill(QColor(0x31, 0x41, 0x58));
    for (int x = 5; x < 15; ++x)
        shot.setPixel(x, 10, qRgb(0xD5, 0xD5, 0xD5));
    shot.setPixel(20, 10, qRgb(0x50, 0x50, 0x60)); // an edge pixel of a glyph
    const fitcheck::AreaContrast c = fitcheck::MeasureContrast(shot, QRect(0, 0, 40, 20));
    EXPECT_EQ(c.background, QColor(0x31, 0x41, 0x58));
    EXPECT_EQ(c.text, QColor(0xD5, 0xD5, 0xD5));
    EXPECT_GT(c.ratio, fitcheck::kLeastContrast);
    // An area of one colour has nothing standing out.
    EXPECT_DOUBLE_EQ(fitcheck::MeasureContrast(shot, QRect(25, 0, 10, 5)).ratio, 1.0);
}

// A grey text on a grey box: a finding while the box shows, none while it
// is faded out entirely, and one again as soon as any of it shows.
TEST(CaptionFitChecks, TextFadedOutEntirelyIsNotLookedAt)
{
    QWidget top;
    top.setStyleSheet(QStringLiteral("background: #808080;"));
    top.resize(120, 40);
    auto* box = new QWidget(&top);
    box->setGeometry(10, 5, 100, 30);
    auto* label = new QLabel(QStringLiteral("100%"), box);
    label->setStyleSheet(QStringLiteral("color: #8C8C8C; background: transparent;"));
    label->setGeometry(0, 0, 100, 30);
    auto* fade = new QGraphicsOpacityEffect(box);
    box->setGraphicsEffect(fade);
    top.show();
    for (const auto& [opacity, findings] : {std::pair{1.0, 1}, std::pair{0.0, 0}, std::pair{0.01, 1}}) {
        SCOPED_TRACE(opacity);
        fade->setOpacity(opacity);
        EXPECT_EQ(fitcheck::CheckTree(&top, top.grab().toImage()).size(), findings);
    }
}

TEST(CaptionFitChecks, ALabelIsCutOnceItsTextIsMoreThanAPixelWiderThanItsRoom)
{
    QLabel label(QStringLiteral("Font family"));
    label.setFont(pq::InterfaceFont(15));
    const double text = QFontMetricsF(label.font()).horizontalAdvance(label.text());
    for (const auto& [extra, fits] : {std::pair{1, true}, std::pair{0, true}, std::pair{-2, false}}) {
        label.resize(int(std::ceil(text)) + extra - 1, 24);
        SCOPED_TRACE(extra);
        const fitcheck::CaptionFit fit = fitcheck::FitOf(&label);
        EXPECT_TRUE(fit.hasCaption);
        EXPECT_EQ(fit.fits, fits);
        EXPECT_FALSE(fit.scrolls);
    }
    label.setText(QString());
    EXPECT_FALSE(fitcheck::FitOf(&label).hasCaption);
}

TEST(CaptionFitChecks, AButtonCaptionTrimmedIsCutAndOneScrollingIsNot)
{
    pq::IconButton button(QStringLiteral("crop"));
    button.setText(QStringLiteral("Redimensionner l'image"));
    button.resize(90, 30);
    fitcheck::CaptionFit fit = fitcheck::FitOf(&button);
    EXPECT_FALSE(fit.fits);
    EXPECT_FALSE(fit.scrolls);
    button.setCaptionOffset(0.0);
    fit = fitcheck::FitOf(&button);
    EXPECT_FALSE(fit.fits);
    EXPECT_TRUE(fit.scrolls);
}

TEST(CaptionFitChecks, ACaptionJustTooWideIsSetSmallerAndGetsItsFontBack)
{
    pq::MillisecondClock clock = [] { return qint64(1); };
    pq::MarqueeGroup group("test", clock, pq::MarqueeRules{8, 8, 50, true});
    QWidget parent;
    auto* label = new QLabel(QStringLiteral("Rotation à gauche"), &parent);
    label->setFont(pq::InterfaceFont(14));
    const double text = QFontMetricsF(label->font()).horizontalAdvance(label->text());
    parent.show();
    // Three pixels too wide: within the margin, so shrunk, not scrolled.
    label->setGeometry(0, 0, int(std::ceil(text)) - 3, 24);
    group.setUp({label});
    ASSERT_EQ(group.size(), 1);
    EXPECT_FALSE(group.scrolls(0));
    EXPECT_LE(QFontMetricsF(label->font()).horizontalAdvance(label->text()), label->width());
    group.tearDown();
    EXPECT_EQ(label->font().pixelSize(), 14);
    // Wide enough: nothing is taken.
    label->setGeometry(0, 0, int(std::ceil(text)) + 1, 24);
    group.setUp({label});
    EXPECT_EQ(group.size(), 0);
}

TEST(CaptionFitChecks, MarqueeMarginsFollowTheInterfaceSize)
{
    pq::MillisecondClock clock = [] { return qint64(1); };
    pq::MarqueeGroup group("test", clock, pq::MarqueeRules{8, 8, 50, false});
    QWidget parent;
    auto* label = new QLabel(QStringLiteral("Ajouter une texture"), &parent);
    label->setFont(pq::InterfaceFont(14));
    parent.show();
    // At half size 8 units are 4 pixels: 5 pixels too wide scrolls, 3 do not.
    pq::ScaleWidgetTree(&parent, 0.5);
    const double text = QFontMetricsF(label->font()).horizontalAdvance(label->text());
    label->setGeometry(0, 0, int(std::ceil(text)) - 5, 12);
    group.setUp({label});
    ASSERT_EQ(group.size(), 1);
    EXPECT_TRUE(group.scrolls(0));
    group.tearDown();
    label->setGeometry(0, 0, int(std::ceil(text)) - 3, 12);
    group.setUp({label});
    EXPECT_EQ(group.size(), 0);
    group.tearDown();
    pq::ScaleWidgetTree(&parent, 1.0);
}

TEST(CaptionFitChecks, AFittedButtonStartsFromItsSizeAtTheInterfaceSizeOfTheMoment)
{
    QWidget parent;
    auto* button = new QPushButton(QStringLiteral("Manual brush"), &parent);
    button->setFont(pq::InterfaceFont(14));
    button->resize(200, 36);
    pq::AutoFitControlText(button);
    EXPECT_EQ(button->font().pixelSize(), 14);
    // At half size the base is 7 pixels, not the 14 of the first fit.
    pq::ScaleWidgetTree(&parent, 0.5);
    pq::AutoFitControlText(button);
    EXPECT_EQ(button->font().pixelSize(), 7);
    pq::ScaleWidgetTree(&parent, 1.0);
    pq::AutoFitControlText(button);
    EXPECT_EQ(button->font().pixelSize(), 14);
}

} // namespace
