// The resize panel: its numbers, its keys and its typing.
#include "panels/number_box.h"
#include "panels/resize_model.h"
#include "panels/resize_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "event_loop.h"

namespace {

using Box = pq::ResizeModel::Box;

TEST(ResizeModel, PercentWithTheLockScalesBothSides)
{
    pq::ResizeModel model;
    model.setInitialSize(1000, 750);
    model.edit(Box::WidthPercent, 50);
    EXPECT_EQ(model.confirmedSize(), QSize(500, 375));
    EXPECT_EQ(model.shown(Box::HeightPercent), 50);
    model.edit(Box::HeightPercent, 200);
    EXPECT_EQ(model.confirmedSize(), QSize(2000, 1500));
    EXPECT_EQ(model.shown(Box::WidthPercent), 200);
}

TEST(ResizeModel, FractionsAreKeptWhatTheBoxesShowIsRounded)
{
    pq::ResizeModel model;
    model.setInitialSize(1000, 750);
    model.edit(Box::Width, 333);
    EXPECT_EQ(model.shown(Box::Height), 250);
    EXPECT_EQ(model.confirmedSize(), QSize(333, 249)) << "249.75 truncated";
    EXPECT_EQ(model.shown(Box::WidthPercent), 33);
    model.edit(Box::Height, 100);
    EXPECT_EQ(model.confirmedSize().width(), 133) << "133.33 truncated";
}

// Whole sizes stay whole: the original width gives the original height,
// and a percentage of a size is not cut short by a binary fraction.
TEST(ResizeModel, ExactSizesAreNotTruncatedByOne)
{
    pq::ResizeModel model;
    model.setInitialSize(720, 477);
    model.edit(Box::Width, 640);
    EXPECT_EQ(model.confirmedSize(), QSize(640, 424));
    model.edit(Box::Width, 720);
    EXPECT_EQ(model.confirmedSize(), QSize(720, 477));
    model.edit(Box::WidthPercent, 100);
    EXPECT_EQ(model.confirmedSize(), QSize(720, 477));
    model.edit(Box::HeightPercent, 200);
    EXPECT_EQ(model.confirmedSize(), QSize(1440, 954));
    model.setInitialSize(50, 40);
    model.edit(Box::WidthPercent, 58);
    EXPECT_EQ(model.confirmedSize(), QSize(29, 23)) << "29 and 23.2";
    model.edit(Box::Height, 40);
    EXPECT_EQ(model.value(Box::HeightPercent), 100);
}

// With the lock, the other side is the exact product over the original
// side, truncated: divided first, 11 / 15 * 600 comes out a hair under 440.
TEST(ResizeModel, TheLockedSideIsMultipliedBeforeItIsDivided)
{
    struct Row {
        QSize original;
        Box box;
        double value;
        QSize confirmed;
    };
    const Row rows[] = {
        {{15, 600}, Box::Width, 11, {11, 440}},
        {{600, 15}, Box::Height, 11, {440, 11}},
        {{15, 600}, Box::Width, 10, {10, 400}},
        {{7, 300}, Box::Width, 3, {3, 128}},     // 128.57 truncated
        {{300, 7}, Box::Height, 3, {128, 3}},
        {{49, 100}, Box::Width, 48, {48, 97}},   // 97.96 truncated
        {{3, 10}, Box::WidthPercent, 70, {2, 7}}, // 2.1 and exactly 7
    };
    for (const Row& row : rows) {
        pq::ResizeModel model;
        model.setInitialSize(row.original.width(), row.original.height());
        model.edit(row.box, row.value);
        EXPECT_EQ(model.confirmedSize(), row.confirmed)
            << row.original.width() << " x " << row.original.height() << " set to " << row.value;
    }
}

TEST(ResizeModel, WithoutTheLockOnlyTheEditedSideChanges)
{
    pq::ResizeModel model;
    model.setInitialSize(1000, 750);
    model.setLocked(false);
    model.edit(Box::Width, 400);
    EXPECT_EQ(model.confirmedSize(), QSize(400, 750));
    EXPECT_EQ(model.shown(Box::WidthPercent), 40);
    EXPECT_EQ(model.shown(Box::HeightPercent), 100);
    model.edit(Box::HeightPercent, 10);
    EXPECT_EQ(model.confirmedSize(), QSize(400, 75));
    // Locking again makes the height follow the width.
    model.setLocked(true);
    EXPECT_EQ(model.confirmedSize(), QSize(400, 300));
    EXPECT_EQ(model.shown(Box::HeightPercent), 40);
}

TEST(ResizeModel, ValuesAreBoundedByTheBoxes)
{
    pq::ResizeModel model;
    model.setInitialSize(1000, 750);
    model.edit(Box::Width, 90000);
    EXPECT_EQ(model.value(Box::Width), pq::ResizeModel::kMaxPixels);
    EXPECT_EQ(model.value(Box::WidthPercent), pq::ResizeModel::kMaxPercent) << "2000 % clamped";
    model.edit(Box::HeightPercent, -20);
    EXPECT_EQ(model.confirmedSize(), QSize(0, 0));
    model.edit(Box::Width, std::numeric_limits<double>::infinity());
    EXPECT_EQ(model.value(Box::Width), 0.0);
    // A photo without height gets the aspect ratio 1.
    model.setInitialSize(500, 0);
    EXPECT_EQ(model.aspectRatio(), 1.0);
    model.edit(Box::Width, 80);
    EXPECT_EQ(model.confirmedSize(), QSize(80, 80));
}

TEST(ResizeModel, EachBoxKeepsItsLastValueAndClampsJustBeyond)
{
    const double kPixels = pq::ResizeModel::kMaxPixels, kPercent = pq::ResizeModel::kMaxPercent;
    const struct {
        Box box;
        double given, kept;
    } kRows[] = {
        {Box::Width, kPixels, kPixels},          {Box::Width, kPixels + 0.5, kPixels},
        {Box::Width, kPixels - 0.5, kPixels - 0.5}, {Box::Height, kPixels + 1, kPixels},
        {Box::Width, 0, 0},                      {Box::Width, -0.001, 0},
        {Box::WidthPercent, kPercent, kPercent}, {Box::WidthPercent, kPercent + 0.5, kPercent},
        {Box::WidthPercent, kPercent - 0.5, kPercent - 0.5}, {Box::HeightPercent, -0.001, 0},
    };
    for (const auto& row : kRows) {
        pq::ResizeModel model;
        model.setInitialSize(100, 100);
        model.setLocked(false);
        model.edit(row.box, row.given);
        EXPECT_EQ(model.value(row.box), row.kept) << int(row.box) << " " << row.given;
    }
}

class ResizePanelKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel.setInitialSize(1000, 750);
        panel.show();
        panel.activateWindow();
        QObject::connect(&panel, &pq::ResizePanel::confirmed, [this](int w, int h) { confirmed << QSize(w, h); });
        QObject::connect(&panel, &pq::ResizePanel::cancelled, [this] { ++cancels; });
    }

    // A key as the keyboard delivers it: to the focused control.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {})
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &panel;
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &down);
        QWidget* now = QApplication::focusWidget() ? QApplication::focusWidget() : &panel;
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(now, &up);
    }
    void typeText(const QString& text)
    {
        for (QChar c : text)
            press(c.unicode(), Qt::NoModifier, QString(c));
    }
    bool focused(const QWidget* w) const
    {
        const QWidget* f = QApplication::focusWidget();
        return f && (f == w || w->isAncestorOf(f));
    }

    pq::ResizePanel panel;
    QList<QSize> confirmed;
    int cancels = 0;
};

TEST_F(ResizePanelKeys, TabWrapsBothWaysThroughTheSevenControls)
{
    panel.focusPercentBox();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return focused(panel.widthPercentBox); }));
    const QWidget* order[] = {panel.heightBox, panel.heightPercentBox, panel.lockAspectRatioBox, panel.cancelButton,
                              panel.okButton, panel.widthBox, panel.widthPercentBox};
    for (const QWidget* next : order) {
        press(Qt::Key_Tab);
        EXPECT_TRUE(focused(next)) << next->objectName().toStdString();
    }
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(focused(panel.widthBox));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(focused(panel.okButton)) << "Shift+Tab from the width box wraps to OK";
    EXPECT_TRUE(confirmed.isEmpty());
}

TEST_F(ResizePanelKeys, EnterCommitsTypedTextInsideTheTypingDelay)
{
    panel.focusPercentBox();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return focused(panel.widthPercentBox); }));
    panel.widthPercentBox->selectAll();
    typeText(QStringLiteral("50"));
    // No time for the typing delay: Enter reads the text itself.
    press(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    ASSERT_EQ(confirmed.size(), 1);
    EXPECT_EQ(confirmed[0], QSize(500, 375));
    press(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(confirmed.size(), 1) << "confirmed once";
}

TEST_F(ResizePanelKeys, TypingIsReadAfterTheDelayAndBoxesClampTheirValues)
{
    panel.widthBox->setFocus();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return focused(panel.widthBox); }));
    panel.widthBox->selectAll();
    typeText(QStringLiteral("333"));
    ASSERT_TRUE(testloop::ProcessUntil([&] { return panel.heightBox->value() == 250; }));
    EXPECT_EQ(panel.model().confirmedSize(), QSize(333, 249));

    // Too large to keep: the box takes the number as typed, the others
    // follow the maximum, and the commit clamps the box.
    panel.widthBox->selectAll();
    typeText(QStringLiteral("25000"));
    EXPECT_EQ(panel.widthBox->text(), QStringLiteral("25000"));
    ASSERT_TRUE(testloop::ProcessUntil([&] { return panel.heightBox->value() == 15000; }));
    press(Qt::Key_Tab);
    EXPECT_EQ(panel.widthBox->value(), 20000);
    EXPECT_EQ(panel.model().confirmedSize(), QSize(20000, 15000));
}

TEST_F(ResizePanelKeys, EnterOnCancelAndEscCancel)
{
    panel.cancelButton->setFocus();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return focused(panel.cancelButton); }));
    press(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(confirmed.isEmpty());

    pq::ResizePanel other;
    int otherCancels = 0;
    QObject::connect(&other, &pq::ResizePanel::cancelled, [&] { ++otherCancels; });
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(other.heightBox, &esc);
    EXPECT_EQ(otherCancels, 1);
}

TEST_F(ResizePanelKeys, UnlockingKeepsTheHeight)
{
    panel.lockAspectRatioBox->click();
    panel.widthBox->setValue(400);
    EXPECT_EQ(panel.heightBox->value(), 750);
    EXPECT_EQ(panel.heightPercentBox->value(), 100);
    EXPECT_EQ(panel.widthPercentBox->value(), 40);
    panel.lockAspectRatioBox->click();
    EXPECT_EQ(panel.heightBox->value(), 300);
}

} // namespace
