// The main menu driven from the keyboard: the order of its entries, wrap
// around, Enter after closing, the remembered entry, the language popup.
#include "app/main_menu.h"
#include "app/main_window.h"
#include "app/menu_keys.h"
#include "event_loop.h"
#include "ui/settings.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

using testloop::ProcessUntil;

class MenuKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->show();
        ASSERT_TRUE(ProcessUntil([&] { return window->initialized; }));
        window->setMinimumSize(0, 0);
        window->setGeometry(0, 0, 1400, 1000);
    }

    void TearDown() override
    {
        window.reset();
    }

    pq::MainMenu& menu() { return window->mainMenu(); }
    // A key as the window receives it, at the focused control.
    void type(int key)
    {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && focus->window() == window.get() ? focus : window.get(), Qt::Key(key));
    }
    pq::MenuKeys& keys() { return window->menuKeys(); }
    void open() { window->commands().run(QStringLiteral("menu")); }
    QString selected() { return menu().entryCommand(keys().selectedEntry()); }
    bool press(int key) { return keys().handleKey(key); }

    // A language popup as the interface languages will build it.
    void addLanguagePopup()
    {
        popup = new QWidget(window.get());
        auto* column = new QVBoxLayout(popup);
        for (const char* name : {"\xe4\xb8\xad\xe6\x96\x87", "Deutsch", "English"})
            column->addWidget(new QLabel(QString::fromUtf8(name), popup));
        popup->hide();
        menu().languagePopup = [this] { return popup; };
        menu().languageMIClick = [this] { popup->show(); };
        menu().langOptionClick = [this](QLabel* label) {
            picked = label->text();
            menuOpenAtPick = menu().isVisible() || popup->isVisible();
        };
    }

    std::unique_ptr<pq::MainWindow> window;
    QWidget* popup = nullptr;
    QString picked;
    bool menuOpenAtPick = true;
};

TEST_F(MenuKeysTest, DownThreeTimesAndEnterRunsPrintAfterTheMenuClosed)
{
    bool ran = false;
    bool menuShownWhileRunning = true;
    window->commands().setRun(QStringLiteral("print"), [&] {
        ran = true;
        menuShownWhileRunning = menu().isVisible();
    });
    open();
    ASSERT_TRUE(menu().isVisible());
    EXPECT_EQ(keys().selectedIndex(), -1);
    EXPECT_TRUE(press(Qt::Key_Down));
    EXPECT_EQ(selected(), QStringLiteral("open"));
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(selected(), QStringLiteral("print"));
    EXPECT_TRUE(press(Qt::Key_Return));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(menuShownWhileRunning);
    EXPECT_FALSE(menu().isVisible());
}

TEST_F(MenuKeysTest, TheTwentyEntriesInMenuOrderWrappingBothWays)
{
    open();
    ASSERT_EQ(keys().items().size(), 20);
    press(Qt::Key_Up);
    EXPECT_EQ(selected(), QStringLiteral("interfaceSize")) << "Up from none: the last";
    press(Qt::Key_Down);
    EXPECT_EQ(selected(), QStringLiteral("open")) << "Down on the last: the first";
    press(Qt::Key_Up);
    EXPECT_EQ(selected(), QStringLiteral("interfaceSize"));
    QStringList order;
    for (int i = 0; i < 20; ++i) {
        press(Qt::Key_Down);
        order << selected();
    }
    EXPECT_EQ(order.first(), QStringLiteral("open"));
    EXPECT_EQ(order.at(3), QStringLiteral("quit"));
    EXPECT_EQ(order.at(13), QStringLiteral("autoEnhance"));
    EXPECT_EQ(order.at(15), QStringLiteral("language"));
    EXPECT_EQ(order.last(), QStringLiteral("interfaceSize"));
}

TEST_F(MenuKeysTest, EntriesWithScrollingCaptionsStayReachable)
{
    menu().entry(QStringLiteral("undo"))->setText(QString(80, QLatin1Char('W')));
    open();
    // The marquee has moved the entry into a clipping rectangle.
    ASSERT_NE(menu().entry(QStringLiteral("undo"))->parentWidget(), &menu());
    for (int i = 0; i < 5; ++i)
        press(Qt::Key_Down);
    EXPECT_EQ(selected(), QStringLiteral("undo"));
}

TEST_F(MenuKeysTest, EscClosesAndReopeningHighlightsTheLastEntry)
{
    open();
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_FALSE(menu().isVisible());
    EXPECT_EQ(keys().lastSelectedIndex(), 1);
    EXPECT_FALSE(press(Qt::Key_Down)) << "a closed menu leaves the keys";
    open();
    EXPECT_EQ(selected(), QStringLiteral("save"));
    // Closing by its toggle remembers too.
    press(Qt::Key_Down);
    open();
    open();
    EXPECT_EQ(selected(), QStringLiteral("print"));
}

TEST_F(MenuKeysTest, KeysAreConsumedWhileTheMenuIsOpen)
{
    int enters = 0;
    window->boxKeys.donation.isOpen = [] { return true; };
    window->boxKeys.donation.enter = [&] { ++enters; };
    open();
    // Enter with nothing highlighted does nothing, and no box gets it.
    type(Qt::Key_Return);
    EXPECT_EQ(enters, 0);
    EXPECT_TRUE(menu().isVisible());
    type(Qt::Key_Down);
    EXPECT_EQ(selected(), QStringLiteral("open"));
    type(Qt::Key_Escape);
    EXPECT_FALSE(menu().isVisible());
    type(Qt::Key_Return);
    EXPECT_EQ(enters, 1) << "closed, Enter goes to the boxes again";
}

TEST_F(MenuKeysTest, LanguagePopupFromTheKeyboard)
{
    addLanguagePopup();
    open();
    for (int i = 0; i < 16; ++i)
        press(Qt::Key_Down);
    ASSERT_EQ(selected(), QStringLiteral("language"));
    press(Qt::Key_Right);
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(keys().selectedLanguage(), 0);
    // Esc goes back to the menu with "Language" still highlighted.
    press(Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(menu().isVisible());
    EXPECT_EQ(selected(), QStringLiteral("language"));
    press(Qt::Key_Return);
    ASSERT_TRUE(popup->isVisible()) << "Enter on Language opens the popup too";
    press(Qt::Key_Up);
    EXPECT_EQ(keys().selectedLanguage(), 2) << "wraps";
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(picked, QStringLiteral("Deutsch"));
    EXPECT_FALSE(menuOpenAtPick) << "both closed before the pick";
}

TEST_F(MenuKeysTest, ControlLOpensTheMenuWithTheLanguagePopup)
{
    addLanguagePopup();
    EXPECT_TRUE(window->commands().run(QStringLiteral("languageSubmenu")));
    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(selected(), QStringLiteral("language"));
    EXPECT_EQ(keys().selectedLanguage(), 0);
    // Closing the menu hides the popup.
    open();
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(MenuKeysTest, LanguageEntryClickIsTheLanguagesHook)
{
    addLanguagePopup();
    open();
    EXPECT_TRUE(window->commands().run(QStringLiteral("language")));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(menu().isVisible());
}

TEST_F(MenuKeysTest, MenuShrinksToTheRoomBelowItNeverUnder200)
{
    open();
    const int full = menu().height();
    open();
    window->setMinimumSize(0, 0);
    window->resize(1400, 300);
    open();
    const int room = window->centralWidget()->height() - menu().y() - 10;
    EXPECT_LT(room, full);
    EXPECT_EQ(menu().height(), std::max(200, room));
    open();
    window->resize(1400, 120);
    open();
    EXPECT_EQ(menu().height(), 200);
}

} // namespace
