// Captions too wide for their place scroll like marquees, on a clock the
// tests step: when they start, how fast and how far they go, and that the
// controls come back exactly as they were.
#include "app/caption_marquees.h"
#include "app/donation_box.h"
#include "app/info_boxes.h"
#include "app/main_window.h"
#include "platform/ui_bridge.h"
#include "ui/widgets/caption_marquee.h"
#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

#include "event_loop.h"

#include <stdexcept>

namespace {

// One unit per character: a text of n characters is n units wide.
double CountCharacters(const QString& text, const QFont&)
{
    return text.size();
}

QString Text(int units)
{
    return QString(units, QLatin1Char('m'));
}

class Marquee : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(400, 200);
        parent.show();
        group.measure = CountCharacters;
    }

    // A label 150 units wide at (20, 30) holding a text `units` wide.
    QLabel* label(int units)
    {
        auto* l = new QLabel(Text(units), &parent);
        l->setGeometry(20, 30, 150, 20);
        l->setContentsMargins(0, 0, 0, 0);
        l->show();
        return l;
    }

    // A row 300 wide laid out as a caption that takes what is left and a
    // value 40 wide.
    struct Row {
        QWidget* row;
        QHBoxLayout* layout;
        QLabel* caption;
        QLabel* value;
    };
    Row row(int units)
    {
        auto* row = new QWidget(&parent);
        row->setGeometry(0, 100, 300, 30);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* caption = new QLabel(Text(units), row);
        caption->setContentsMargins(0, 0, 0, 0);
        caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* value = new QLabel(QStringLiteral("42"), row);
        value->setFixedWidth(40);
        layout->addWidget(caption, 1);
        layout->addWidget(value);
        row->show();
        layout->activate();
        return {row, layout, caption, value};
    }

    // Ticks every `step` ms until `ms` have passed.
    void run(qint64 ms, qint64 step = 20)
    {
        for (qint64 end = now + ms; now < end;) {
            now = std::min(end, now + step);
            group.tick();
        }
    }

    QWidget parent;
    qint64 now = 1000;
    pq::MillisecondClock clock = [this] { return now; };
    pq::MarqueeGroup group{"test marquee", clock, pq::MarqueeRules{8, 8, 50}};
};

TEST_F(Marquee, ALabelScrollsOnlyWhenMoreThanEightUnitsTooWide)
{
    QLabel* still = label(158);
    group.setUp({still});
    EXPECT_EQ(group.size(), 0);
    EXPECT_EQ(still->parentWidget(), &parent);

    QLabel* moving = label(159);
    group.setUp({still, moving});
    ASSERT_EQ(group.size(), 1);
    group.tick(); // the first tick only takes the time
    run(2980);
    EXPECT_EQ(moving->x(), 0) << "still during the first 3 s";
    run(20);
    EXPECT_EQ(group.motion(0).phase, pq::MarqueePhase::Scrolling);
    run(160);
    EXPECT_DOUBLE_EQ(group.motion(0).scrollPos, 8.0);
    run(20);
    EXPECT_DOUBLE_EQ(group.motion(0).scrollPos, 9.0) << "9 units in 0.18 s";
    EXPECT_EQ(moving->x(), -9);
    EXPECT_EQ(group.motion(0).phase, pq::MarqueePhase::WaitEnd);
    run(1800);
    EXPECT_EQ(moving->x(), 0) << "jumps back after 1.8 s";
    EXPECT_EQ(group.motion(0).phase, pq::MarqueePhase::WaitStart);
    EXPECT_DOUBLE_EQ(group.motion(0).waitMs, 1800);
}

TEST(MarqueeMotion, AStallMovesOnlyAShortStepButCountsFullyInAWait)
{
    pq::MarqueeMotion motion;
    motion.phase = pq::MarqueePhase::Scrolling;
    motion.advance(400, 50, 100);
    EXPECT_DOUBLE_EQ(motion.scrollPos, 2.5);
    EXPECT_DOUBLE_EQ(motion.x, -2.5);
    pq::MarqueeMotion waiting;
    waiting.advance(400, 50, 100);
    EXPECT_DOUBLE_EQ(waiting.waitMs, 2600);
}

TEST_F(Marquee, SettingUpTwiceWrapsOnceAndTheTeardownPutsTheLabelBack)
{
    QLabel* l = label(300);
    l->setWordWrap(true);
    group.setUp({l});
    group.setUp({l});
    ASSERT_EQ(group.size(), 1);
    QWidget* clip = l->parentWidget();
    ASSERT_NE(clip, &parent);
    EXPECT_EQ(clip->parentWidget(), &parent) << "one clipping rectangle, not two";
    EXPECT_EQ(clip->geometry(), QRect(20, 30, 150, 24));
    EXPECT_EQ(l->width(), 304);
    EXPECT_FALSE(l->wordWrap());

    group.tearDown();
    EXPECT_EQ(group.size(), 0);
    EXPECT_EQ(l->parentWidget(), &parent);
    EXPECT_EQ(l->geometry(), QRect(20, 30, 150, 20));
    EXPECT_TRUE(l->wordWrap());
    EXPECT_EQ(parent.findChildren<QWidget*>(QStringLiteral("marqueeClip")).size(), 0);
    EXPECT_FALSE(group.timer().isActive());
}

TEST_F(Marquee, ALabelInALayoutKeepsItsSlot)
{
    const Row r = row(400);
    QWidget* row = r.row;
    QHBoxLayout* layout = r.layout;
    QLabel* caption = r.caption;
    QLabel* value = r.value;
    const QRect before = caption->geometry();
    group.setUp({caption});
    layout->activate();
    ASSERT_EQ(group.size(), 1);
    EXPECT_EQ(caption->parentWidget()->geometry().width(), before.width());
    EXPECT_EQ(value->x(), 260);
    group.tearDown();
    layout->activate();
    EXPECT_EQ(caption->parentWidget(), row);
    EXPECT_EQ(caption->geometry(), before);
    EXPECT_EQ(layout->indexOf(caption), 0);
}

// Laid out anew after set-up: narrowed, widened, or first shown, a caption
// is measured again once the events are served.
TEST_F(Marquee, ACaptionWhoseRoomChangesOrThatIsShownLaterIsMeasuredAgain)
{
    const Row r = row(250);
    QWidget* row = r.row;
    QHBoxLayout* layout = r.layout;
    QLabel* caption = r.caption;
    group.setUp({caption});
    EXPECT_EQ(group.size(), 0);

    row->resize(200, 30);
    layout->activate();
    EXPECT_EQ(group.size(), 0) << "not while the layout is still moving";
    QCoreApplication::processEvents();
    ASSERT_EQ(group.size(), 1) << "narrowed: now it scrolls";
    EXPECT_EQ(caption->parentWidget()->width(), 154);

    row->resize(300, 30);
    layout->activate();
    QCoreApplication::processEvents();
    EXPECT_EQ(group.size(), 0) << "widened: it fits again";
    EXPECT_EQ(caption->parentWidget(), row);
    EXPECT_EQ(caption->width(), 254);

    QLabel* later = label(300);
    later->hide();
    group.setUp({caption, later});
    EXPECT_EQ(group.size(), 0);
    later->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(group.size(), 1) << "shown after set-up";

    // After a teardown nothing is watched any more.
    group.tearDown();
    later->resize(120, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(group.size(), 0);
}

TEST(ExpanderMarquee, TenUnitsOverIsShownClippedTwentyScrolls)
{
    QWidget parent;
    qint64 now = 1;
    const pq::MillisecondClock clock = [&] { return now; };
    pq::MarqueeGroup headers("test headers", clock, pq::MarqueeRules{2, 14, 50});
    headers.measure = CountCharacters;
    auto* near = new pq::Expander(Text(110), new QListWidget, &parent);
    auto* far = new pq::Expander(Text(120), new QListWidget, &parent);
    for (pq::Expander* e : {near, far})
        e->setGeometry(0, 0, 156, 25); // 100 units of room for the caption
    parent.show();
    ASSERT_DOUBLE_EQ(near->captionRect().width(), 100);
    headers.setUp({near, far});
    ASSERT_EQ(headers.size(), 2);
    EXPECT_FALSE(headers.scrolls(0));
    EXPECT_EQ(near->captionOffset(), std::optional<qreal>(0.0)) << "from its start, no ellipsis";
    EXPECT_TRUE(headers.scrolls(1));
    EXPECT_TRUE(headers.timer().isActive());
    headers.tearDown();
    EXPECT_EQ(near->captionOffset(), std::nullopt);
    EXPECT_EQ(far->captionOffset(), std::nullopt);
}

class WindowMarquees : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetUiBridge(platform::MakeQtUiBridge());
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->show();
        ASSERT_TRUE(testloop::ProcessUntil([&] { return window->initialized; }));
        window->marquees().clock = [this] { return now; };
    }
    void TearDown() override
    {
        window.reset();
        platform::SetUiBridge(nullptr);
    }
    std::unique_ptr<pq::MainWindow> window;
    qint64 now = 1000;
};

TEST_F(WindowMarquees, TheDonationCaptionScrollsAtAHundredUnitsASecondWhileItsBoxShows)
{
    pq::DonationBox* box = window->infoBoxes().donationBox();
    pq::IconButton* buy = box->buyButton();
    const QString caption = buy->text();
    const double room = buy->captionRect().width();
    window->marquees().setMeasure([&](const QString& text, const QFont&) { return text == caption ? room + 60 : 1.0; });
    window->commands().run(QStringLiteral("donate"));
    pq::MarqueeGroup& donation = window->marquees().donation;
    ASSERT_EQ(donation.size(), 1);
    donation.tick();
    now += 3000;
    donation.tick();
    now += 50;
    donation.tick();
    EXPECT_DOUBLE_EQ(donation.motion(0).scrollPos, 5.0);
    EXPECT_EQ(buy->captionOffset(), std::optional<qreal>(-5.0));
    box->hide();
    donation.tick();
    EXPECT_EQ(donation.size(), 0) << "a hidden box gives the caption back at the next tick";
    EXPECT_EQ(buy->captionOffset(), std::nullopt);
    EXPECT_EQ(buy->text(), caption);
}

TEST_F(WindowMarquees, AFailingMeasureNeverLeavesTheHandler)
{
    window->marquees().setMeasure([](const QString&, const QFont&) -> double { throw std::runtime_error("measure"); });
    EXPECT_TRUE(window->commands().handleKey(Qt::Key_C, QStringLiteral("c"), Qt::NoModifier, false));
    EXPECT_TRUE(window->infoBoxes().donationBox()->isVisible());
    EXPECT_TRUE(window->commands().handleKey(Qt::Key_Escape, QString(), Qt::NoModifier, false));
    EXPECT_FALSE(window->infoBoxes().donationBox()->isVisible());
}

TEST_F(WindowMarquees, LongCaptionsOfTheWindowScroll)
{
    // Menu entries while the menu is open, the families' headers, the
    // slider captions: each group takes what is too wide for it.
    window->marquees().setMeasure([](const QString& text, const QFont&) { return text.size() * 40.0; });
    window->commands().run(QStringLiteral("menu"));
    EXPECT_GT(window->marquees().menu.size(), 0);
    window->marquees().setUpExpanders();
    EXPECT_EQ(window->marquees().expanders.size(), 5);
    window->marquees().setUpLabels();
    EXPECT_GT(window->marquees().labels.size(), 10);
    window->commands().run(QStringLiteral("menu"));
    EXPECT_EQ(window->marquees().menu.size(), 0) << "closing the menu ends its group";
    window->marquees().tearDownAll();
    EXPECT_EQ(window->marquees().labels.size(), 0);
}

} // namespace
