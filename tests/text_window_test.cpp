// The text window as a user sees it: a readable field with its prompt,
// controls that look usable, the fade while it is dragged and the free
// colour choice.
#include "app/editing_tools.h"
#include "app/main_window.h"
#include "ui/theme.h"
#include "ui/widgets/color_panel.h"
#include "workspace/document_actions.h"
#include "workspace/effect_panel.h"
#include "workspace/text_tool.h"
#include "workspace/text_window.h"

#include "image_compare.h"
#include "main_window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

double Luminance(QRgb c)
{
    const auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

double Contrast(QRgb a, QRgb b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A control as the window shows it, inside its frame: its most common
// colour (the background) and the largest contrast any pixel has with it.
struct Look {
    QRgb background = 0;
    double contrast = 1;
};

Look LookOf(QWidget* control)
{
    QWidget* top = control->window();
    const QRect area(control->mapTo(top, QPoint(0, 0)), control->size());
    const QImage image = top->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x)
            ++counts[image.pixel(x, y) | 0xFF000000u];
    Look look;
    int most = -1;
    for (const auto& [c, n] : counts)
        if (n > most) {
            most = n;
            look.background = c;
        }
    for (const auto& [c, n] : counts)
        look.contrast = std::max(look.contrast, Contrast(c, look.background));
    return look;
}

class TextWindowLook : public testwindow::MainWindowTest {
protected:
    void prepare() override { window->resize(1200, 800); }
    void started() override
    {
        ASSERT_TRUE(window->documentActions().showAsNewDocument(testimg::MakeSolid(400, 300, 0xFF202020), 100));
        tool().toggleWindow();
        ASSERT_TRUE(tool().windowOpen());
        QApplication::processEvents();
    }
    pq::TextTool& tool() { return window->editingTools().text(); }
    pq::TextWindow& textWindow() { return *tool().window(); }
};

TEST_F(TextWindowLook, TypedTextAndThePromptAreReadableInBothThemes)
{
    for (const pq::ThemeMode mode : {pq::ThemeMode::Dark, pq::ThemeMode::Light}) {
        window->applyTheme(mode);
        const char* theme = mode == pq::ThemeMode::Dark ? "dark" : "light";
        QLineEdit* field = textWindow().textField();
        field->setFocus();
        field->clear();
        QApplication::processEvents();
        // The prompt shows although the field has the focus.
        ASSERT_TRUE(field->hasFocus());
        // The prompt may be painted a few events after the focus arrives.
        EXPECT_TRUE(testloop::ProcessUntil([&] { return LookOf(field).contrast > 4.5; })) << theme;
        field->setText(QStringLiteral("Hello"));
        QApplication::processEvents();
        const Look typed = LookOf(field);
        EXPECT_GT(typed.contrast, 4.5) << theme;
        // The default near-white text sits on a dark well.
        EXPECT_LT(Luminance(typed.background), 0.1) << theme;
    }
    window->applyTheme(pq::ThemeMode::Dark);
}

TEST_F(TextWindowLook, FontNamesAreReadableInBothThemes)
{
    auto* fonts = textWindow().findChild<QWidget*>(QStringLiteral("fontListBox"));
    ASSERT_NE(fonts, nullptr);
    for (const pq::ThemeMode mode : {pq::ThemeMode::Dark, pq::ThemeMode::Light, pq::ThemeMode::Dark}) {
        window->applyTheme(mode);
        QApplication::processEvents();
        EXPECT_GT(LookOf(fonts).contrast, 4.5) << (mode == pq::ThemeMode::Dark ? "dark" : "light");
    }
}

TEST_F(TextWindowLook, SizeBoxAndStyleButtonsLookUsable)
{
    QDoubleSpinBox* size = textWindow().sizeBox();
    QAbstractButton* bold = textWindow().boldButton();
    QAbstractButton* italic = textWindow().italicButton();
    for (QWidget* control : {static_cast<QWidget*>(size), static_cast<QWidget*>(bold), static_cast<QWidget*>(italic)}) {
        ASSERT_TRUE(control->isEnabled());
        EXPECT_GT(LookOf(control).contrast, 4.5) << control->objectName().toStdString();
    }
    // A checked style button shows that it is on.
    const QRgb off = LookOf(bold).background;
    bold->setChecked(true);
    QApplication::processEvents();
    EXPECT_NE(LookOf(bold).background, off);
    EXPECT_GT(LookOf(bold).contrast, 4.5);
}

TEST_F(TextWindowLook, TheWholeWindowFadesWhileDragged)
{
    pq::TextWindow& w = textWindow();
    const QPoint inside(w.width() / 2, 20);
    QWidget* parent = w.parentWidget();
    const QPoint probe = w.mapTo(parent, QPoint(w.width() / 2, 4));
    const QRgb solid = parent->grab(QRect(probe, QSize(1, 1))).toImage().pixel(0, 0);
    QMouseEvent press(QEvent::MouseButtonPress, inside, w.mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(w.graphicsEffect());
    ASSERT_NE(fade, nullptr) << "the fade sits on the window itself";
    EXPECT_DOUBLE_EQ(fade->opacity(), pq::TextWindow::kDragOpacity);
    const QRgb faded = parent->grab(QRect(probe, QSize(1, 1))).toImage().pixel(0, 0);
    EXPECT_NE(faded, solid) << "what lies under the window shows through";

    QMouseEvent release(QEvent::MouseButtonRelease, inside, w.mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&w, &release);
    EXPECT_EQ(w.graphicsEffect(), nullptr);
    EXPECT_EQ(parent->grab(QRect(probe, QSize(1, 1))).toImage().pixel(0, 0), solid);
}

TEST_F(TextWindowLook, AnyColourOfThePanelBecomesTheTextColour)
{
    pq::TextWindow& w = textWindow();
    pq::ColorPanel* panel = w.colorPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->color().rgba(), 0xBFFFFFFFu) << "the panel starts at the field's colour";

    // A drag in the panel's square sets the colour at once.
    w.findChild<QAbstractButton*>(QStringLiteral("fontColorButton"))->click();
    ASSERT_TRUE(w.colorPopup()->isVisible());
    const QPoint at = panel->squareRect().center() + QPoint(17, -9);
    QMouseEvent press(QEvent::MouseButtonPress, at, panel->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(panel, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, panel->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(panel, &release);
    const QRgb picked = panel->color().rgba();
    EXPECT_NE(picked, 0xBFFFFFFFu);
    EXPECT_EQ(tool().settings().color, picked);
    EXPECT_EQ(w.textColor(), picked);

    // A colour no swatch row holds, taken at the timer's tick while the
    // mouse is over the popup; leaving the popup closes it and keeps it.
    const QRgb odd = qRgba(13, 171, 97, 200);
    {
        const QSignalBlocker quiet(panel);
        panel->setColor(QColor::fromRgba(odd));
    }
    const QRgb inPanel = panel->color().rgba();
    w.cursorPos = [&] { return w.colorPopup()->mapToGlobal(QPoint(5, 5)); };
    w.colorTimerTick();
    EXPECT_EQ(tool().settings().color, inPanel);
    EXPECT_TRUE(w.colorPopup()->isVisible());
    // The popup's right and bottom edges are outside.
    w.cursorPos = [&] { return w.colorPopup()->mapToGlobal(QPoint(w.colorPopup()->width(), 5)); };
    w.colorTimerTick();
    EXPECT_FALSE(w.colorPopup()->isVisible());
    EXPECT_EQ(tool().settings().color, inPanel);
}

TEST_F(TextWindowLook, TheCloseButtonIsTheOneThePanelsUse)
{
    QAbstractButton* close = textWindow().closeButton();
    EXPECT_EQ(close->size(), QSize(26, 26));
    close->click();
    EXPECT_FALSE(tool().windowOpen());
}

// ---- The custom brushes box ----

class BrushButtons : public testwindow::MainWindowTest {
protected:
    void prepare() override { window->resize(1400, 900); }
};

TEST_F(BrushButtons, LoadAndResetShareOneFontOnceShown)
{
    ASSERT_TRUE(window->documentActions().showAsNewDocument(testimg::MakeNoise(120, 80, 3), 100));
    auto* load = window->findChild<QPushButton*>(QStringLiteral("loadBrushesButton"));
    auto* reset = window->findChild<QPushButton*>(QStringLiteral("resetBrushesButton"));
    ASSERT_NE(load, nullptr);
    ASSERT_NE(reset, nullptr);
    // The box shows for the pastel effects.
    window->effectPanel().selectEffect(302);
    QApplication::processEvents();
    ASSERT_TRUE(load->isVisible());
    EXPECT_DOUBLE_EQ(QFontInfo(load->font()).pointSizeF(), QFontInfo(reset->font()).pointSizeF());
    EXPECT_LE(QFontMetrics(load->font()).horizontalAdvance(load->text()), load->width());
    // Both shown: still one font.
    reset->show();
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(QFontInfo(load->font()).pointSizeF(), QFontInfo(reset->font()).pointSizeF());
}

} // namespace
