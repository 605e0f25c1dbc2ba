// The keyboard as a user drives it: keys reach the command table ahead of
// the focused control, the modifier rules, number boxes and the text box,
// Enter and Esc over open boxes, non-Latin layouts, swap, and the pressed
// look. Every command run is recorded.
#include "app/box_keys.h"
#include "app/donation_box.h"
#include "app/info_boxes.h"
#include "app/main_window.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "engine/runtime/effect_runtime.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "ui/dictionary.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/pressed_look.h"
#include "workspace/effect_panel.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "event_loop.h"

namespace {

using testloop::ProcessUntil;

gfx::Image Plain(int w, int h, int level)
{
    return testimg::MakeImage(w, h, [&](int x, int y) { return testimg::Premul(level, (x * 7 + y) % 256, 90); });
}

class Keys : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetUiBridge(platform::MakeQtUiBridge());
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->dialogs().askYesNo = [this](const QString& text) {
            questions << text;
            return false;
        };
        window->dialogs().showMessage = [](const QString&) {};
        window->dialogs().saveImageFile = [](const QString&, const QString&, int) { return QString(); };
        window->dialogs().openFile = [](const QString&, const QString&) { return QString(); };
        window->infoBoxes().links.open = [this](const QUrl& url) { ran << QStringLiteral("page ") + url.path(); };
        window->show();
        ASSERT_TRUE(ProcessUntil([&] { return window->initialized; }));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->commands().observer = [this](const QString& name) { ran << name; };
        // Rows whose features come later record that they were reached.
        for (const char* stub : {"copy", "exportLanguages", "print", "paste"}) {
            const QString name = QString::fromLatin1(stub);
            window->commands().setRun(name, [] {});
        }
    }

    void TearDown() override
    {
        pq::AbortProcessing();
        EXPECT_TRUE(ProcessUntil([] { return pq::EffectWorkerCount() == 0; }));
        window.reset();
        platform::SetUiBridge(nullptr);
    }

    // A key as the system delivers it: to the focused control.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(focus, Qt::Key(key), modifiers);
    }
    void send(QKeyEvent event)
    {
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QApplication::sendEvent(focus, &event);
    }

    bool idle() const { return window->document().runningEffect.load() == -1 && pq::EffectWorkerCount() == 0; }

    std::unique_ptr<pq::MainWindow> window;
    QStringList ran;
    QStringList questions;
};

TEST_F(Keys, AltCountsAsACommandKeyButNotForTheControlKeyRows)
{
    press(Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(ran, QStringList{QStringLiteral("save")});
    ran.clear();
    press(Qt::Key_L, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(ran, QStringList{QStringLiteral("languageSubmenu")}) << "the language choice, no export";
    ran.clear();
    press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ran, QStringList{QStringLiteral("exportLanguages")});
    ran.clear();
    press(Qt::Key_N, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(Keys, NumberBoxesKeepDigitsAndMinusButNotCommandKeys)
{
    auto* box = new QSpinBox(window.get());
    box->setRange(-100, 100);
    box->show();
    box->setFocus();
    ASSERT_TRUE(ProcessUntil([&] { return QApplication::focusWidget() == box; }));
    box->clear();
    press(Qt::Key_6);
    press(Qt::Key_Minus);
    EXPECT_TRUE(ran.isEmpty()) << ran.join(QLatin1Char(',')).toStdString();
    press(Qt::Key_6, Qt::ControlModifier);
    EXPECT_EQ(ran, QStringList{QStringLiteral("zoomOut")});
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ran.value(1), QStringLiteral("copy")) << "the image, not the box's text";
    EXPECT_EQ(ran.size(), 2);
}

TEST_F(Keys, APasteThatComesAsItsControlCharacterStillPastes)
{
    auto* box = new QSpinBox(window.get());
    box->show();
    box->setFocus();
    ASSERT_TRUE(ProcessUntil([&] { return QApplication::focusWidget() == box; }));
    send(QKeyEvent(QEvent::KeyPress, 0, Qt::ControlModifier, QString(QChar(22))));
    EXPECT_EQ(ran, QStringList{QStringLiteral("paste")});
    ran.clear();
    // Other control characters are no letters: a bare carriage return does
    // not toggle the theme (M).
    box->clearFocus();
    send(QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\r")));
    EXPECT_TRUE(ran.isEmpty()) << ran.join(QLatin1Char(',')).toStdString();
}

TEST_F(Keys, BareCharactersZoom)
{
    send(QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("+")));
    send(QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("_")));
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Equal, Qt::NoModifier, QStringLiteral("=")));
    EXPECT_EQ(ran, (QStringList{QStringLiteral("zoomIn"), QStringLiteral("zoomOut"), QStringLiteral("zoomIn")}));
    ran.clear();
    // The keypad's 6 is no minus key.
    press(Qt::Key_6, Qt::KeypadModifier);
    EXPECT_TRUE(ran.isEmpty());
}

TEST_F(Keys, ShortcutsKeepTheirPlaceOnCyrillicLayouts)
{
    // Ctrl and the key where Z sits: "я" on Russian and Ukrainian layouts,
    // with the X11 key code or without any.
    send(QKeyEvent(QEvent::KeyPress, 0x42F, Qt::ControlModifier, 52, 0x6d1, 0, QStringLiteral("я")));
    send(QKeyEvent(QEvent::KeyPress, 0x42F, Qt::ControlModifier, QStringLiteral("я")));
    EXPECT_EQ(ran, (QStringList{QStringLiteral("undo"), QStringLiteral("undo")}));
    ran.clear();
    // Ukrainian "і" sits on S; Ctrl+Shift with "я" redoes.
    send(QKeyEvent(QEvent::KeyPress, 0x406, Qt::ControlModifier, QStringLiteral("і")));
    send(QKeyEvent(QEvent::KeyPress, 0x42F, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("Я")));
    EXPECT_EQ(ran, (QStringList{QStringLiteral("save"), QStringLiteral("redo")}));
    ran.clear();
    // Plain Cyrillic letters in a text field stay text.
    auto* field = new QLineEdit(window.get());
    field->show();
    field->setFocus();
    ASSERT_TRUE(ProcessUntil([&] { return QApplication::focusWidget() == field; }));
    send(QKeyEvent(QEvent::KeyPress, 0x42B, Qt::NoModifier, 39, 0, 0, QStringLiteral("ы")));
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(field->text(), QStringLiteral("ы"));
}

TEST_F(Keys, TheTableComesBeforeTheToolkitsShortcuts)
{
    auto* action = new QAction(window.get());
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    window->addAction(action);
    int triggered = 0;
    QObject::connect(action, &QAction::triggered, [&] { ++triggered; });
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(ran, QStringList{QStringLiteral("print")});
    EXPECT_EQ(triggered, 0);
}

TEST_F(Keys, EnterActsOnTheCropAndTheDonationBoxTogether)
{
    bool cropShown = true;
    QStringList cropped;
    window->boxKeys.cropSelection = {[&] { return cropShown; }, [&] { cropped << QStringLiteral("apply"); },
                                     [&] { cropped << QStringLiteral("leave"); }};
    press(Qt::Key_C);
    pq::DonationBox* donation = window->infoBoxes().donationBox();
    ASSERT_TRUE(donation->isVisible());
    press(Qt::Key_Return);
    EXPECT_EQ(cropped, QStringList{QStringLiteral("apply")});
    EXPECT_FALSE(donation->isVisible());
    EXPECT_TRUE(ran.contains(QStringLiteral("page /buy-me-a-coffee/")));

    // Esc leaves both; with nothing open Enter is left to the control.
    press(Qt::Key_C);
    press(Qt::Key_Escape);
    EXPECT_EQ(cropped.value(1), QStringLiteral("leave"));
    EXPECT_FALSE(donation->isVisible());
    cropShown = false;
    EXPECT_FALSE(window->commands().handleKey(Qt::Key_Return, QString(), Qt::NoModifier, false));
}

TEST_F(Keys, TheTextBoxGetsItsKeysFirst)
{
    QStringList text;
    window->boxKeys.textWindow = {[] { return true; }, [&] { text << QStringLiteral("commit"); },
                                  [&] { text << QStringLiteral("cancel"); }};
    auto* box = new QLineEdit(window.get());
    box->setProperty(pq::kTakesKeysFirst, true);
    box->show();
    box->setFocus();
    ASSERT_TRUE(ProcessUntil([&] { return QApplication::focusWidget() == box; }));
    QTest::keyClicks(box, QStringLiteral("Sun"));
    press(Qt::Key_A, Qt::ControlModifier); // the box selects its text
    EXPECT_EQ(box->text(), QStringLiteral("Sun"));
    EXPECT_TRUE(ran.isEmpty()) << ran.join(QLatin1Char(',')).toStdString();
    press(Qt::Key_Return);
    press(Qt::Key_Escape);
    EXPECT_EQ(text, (QStringList{QStringLiteral("commit"), QStringLiteral("cancel")})) << "keys the box leaves";
}

TEST_F(Keys, SwapTwiceRestoresThePair)
{
    const gfx::Image source = Plain(40, 30, 10);
    const gfx::Image result = Plain(40, 30, 200);
    ASSERT_TRUE(window->document().replaceDocument(source, result));
    const int entries = window->document().history->count();
    press(Qt::Key_F12);
    EXPECT_TRUE(window->document().sourceImage.sameAs(result));
    EXPECT_TRUE(window->document().resultImage.sameAs(source));
    EXPECT_FALSE(window->document().unsavedChanges);
    press(Qt::Key_F12);
    EXPECT_TRUE(window->document().sourceImage.sameAs(source));
    EXPECT_TRUE(window->document().resultImage.sameAs(result));
    EXPECT_EQ(window->document().history->count(), entries) << "no history entry";
}

TEST_F(Keys, EscWithNothingOpenStillLetsTheNextApplyRun)
{
    const gfx::Image photo = Plain(64, 48, 120);
    ASSERT_TRUE(window->document().replaceDocument(photo, photo));
    window->selectListedEffect(2, 0); // Black & white
    ASSERT_TRUE(ProcessUntil([&] { return idle(); }));
    EXPECT_FALSE(window->commands().handleKey(Qt::Key_Escape, QString(), Qt::NoModifier, false))
        << "Esc goes on to the focused control";
    press(Qt::Key_Escape);
    QTest::mouseClick(window->effectPanel().applyButton(), Qt::LeftButton);
    ASSERT_TRUE(ProcessUntil([&] { return idle() && !window->document().resultImage.sameAs(photo); }));
    EXPECT_TRUE(window->document().unsavedChanges);
}

TEST_F(Keys, FullResetAsksFirstInEveryLanguage)
{
    const gfx::Image photo = Plain(20, 20, 50);
    ASSERT_TRUE(window->document().replaceDocument(photo, photo));
    window->document().unsavedChanges = true;
    pq::SetCurrentLanguage(QStringLiteral("de"));
    press(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::mouseClick(window->titleBar().closeButton(), Qt::RightButton);
    QTest::mouseClick(window->toolBar().button(QStringLiteral("quit")), Qt::RightButton);
    pq::SetCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(questions.size(), 3);
    EXPECT_FALSE(window->document().resultImage.isNull()) << "the answer was No";
    EXPECT_TRUE(window->isVisible()) << "the right button does not close";
}

TEST(PressedLook, MovesTheButtonAndDrawsItsShadowIn)
{
    QWidget parent;
    auto* plain = new QPushButton(&parent);
    plain->move(10, 20);
    pq::ButtonPressEffect(plain);
    EXPECT_EQ(plain->pos(), QPoint(12, 22));
    pq::ButtonReleaseEffect(plain);
    EXPECT_EQ(plain->pos(), QPoint(10, 20));
    pq::ButtonReleaseEffect(plain);
    EXPECT_EQ(plain->pos(), QPoint(10, 20)) << "a release without a press does nothing";

    auto* shadowed = new QPushButton(&parent);
    auto* shadow = new QGraphicsDropShadowEffect(shadowed);
    shadow->setOffset(3, 4);
    shadow->setColor(QColor(0, 0, 0, 200));
    shadowed->setGraphicsEffect(shadow);
    pq::ButtonPressEffect(shadowed);
    EXPECT_NEAR(shadow->offset().x(), 1.8, 1e-9);
    EXPECT_NEAR(shadow->offset().y(), 2.4, 1e-9);
    EXPECT_EQ(shadow->color().alpha(), 140);
    pq::ButtonReleaseEffect(shadowed);
    EXPECT_EQ(shadow->offset(), QPointF(3, 4));
    EXPECT_EQ(shadow->color().alpha(), 200);
}

} // namespace
