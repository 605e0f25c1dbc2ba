// The interface drawn at a scale of its own: lengths in design units,
// style sheets, and widgets laid out anew without drifting.
#include "ui/interface_scale.h"
#include "ui/theme_style.h"
#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QFontMetricsF>
#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {

TEST(StyleSheetLengths, ScaledWithHairlinesKept)
{
    EXPECT_EQ(pq::ScaleStyleSheetLengths(QStringLiteral("QA { border: 1px solid red; border-radius: 10px; }"), 1.5),
              QStringLiteral("QA { border: 2px solid red; border-radius: 15px; }"));
    EXPECT_EQ(pq::ScaleStyleSheetLengths(QStringLiteral("margin: -5px 0; width: 12px; border: 1px"), 0.5),
              QStringLiteral("margin: -2px 0; width: 6px; border: 1px"));
    EXPECT_EQ(pq::ScaleStyleSheetLengths(QStringLiteral("padding: 0px; color: #101010;"), 1.5),
              QStringLiteral("padding: 0px; color: #101010;"));
}

struct Sample {
    QWidget root;
    QWidget* boxed = nullptr;
    QLabel* free = nullptr;
    QHBoxLayout* row = nullptr;

    Sample()
    {
        row = new QHBoxLayout(&root);
        row->setContentsMargins(10, 20, 10, 20);
        row->setSpacing(8);
        boxed = new QWidget;
        boxed->setFixedSize(100, 50);
        row->addWidget(boxed);
        row->addSpacing(12);
        free = new QLabel(QStringLiteral("free"), boxed);
        free->setFont(pq::InterfaceFont(16));
        free->setGeometry(20, 30, 40, 10);
    }
};

TEST(ScaleWidgetTree, LaysTheTreeOutAtTheScale)
{
    Sample s;
    pq::ScaleWidgetTree(&s.root, 1.5);
    EXPECT_EQ(s.boxed->minimumSize(), QSize(150, 75));
    EXPECT_EQ(s.boxed->maximumSize(), QSize(150, 75));
    EXPECT_EQ(s.row->contentsMargins(), QMargins(15, 30, 15, 30));
    EXPECT_EQ(s.row->spacing(), 12);
    EXPECT_EQ(s.free->geometry(), QRect(30, 45, 60, 15));
    EXPECT_EQ(s.free->font().pixelSize(), 24);
    EXPECT_DOUBLE_EQ(pq::WidgetScale(s.free), 1.5);
}

TEST(ScaleWidgetTree, BackAndForthWithoutDrift)
{
    Sample s;
    for (const double scale : {0.55, 1.45, 0.5, 1.35, 0.6, 1.0}) {
        pq::ScaleWidgetTree(&s.root, scale);
    }
    EXPECT_EQ(s.boxed->minimumSize(), QSize(100, 50));
    EXPECT_EQ(s.row->contentsMargins(), QMargins(10, 20, 10, 20));
    EXPECT_EQ(s.free->geometry(), QRect(20, 30, 40, 10));
    EXPECT_EQ(s.free->font().pixelSize(), 16);
}

TEST(ScaleWidgetTree, LengthsChangedByCodeAreTakenAsTheyStand)
{
    Sample s;
    pq::ScaleWidgetTree(&s.root, 1.5);
    // Code placed the label anew in pixels of the scale in force.
    s.free->setGeometry(60, 30, 90, 15);
    pq::ScaleWidgetTree(&s.root, 1.0);
    EXPECT_EQ(s.free->geometry(), QRect(40, 20, 60, 10));
}

TEST(ScaleWidgetTree, DesignStyleSheetFollowsTheScale)
{
    QWidget w;
    pq::SetDesignStyleSheet(&w, QStringLiteral("QWidget { border-radius: 10px; }"));
    pq::ScaleWidgetTree(&w, 1.5);
    EXPECT_EQ(w.styleSheet(), QStringLiteral("QWidget { border-radius: 15px; }"));
    pq::SetDesignStyleSheet(&w, QStringLiteral("QWidget { border-radius: 20px; }"));
    EXPECT_EQ(w.styleSheet(), QStringLiteral("QWidget { border-radius: 30px; }")) << "new text at the scale in force";
    pq::ScaleWidgetTree(&w, 0.5);
    EXPECT_EQ(w.styleSheet(), QStringLiteral("QWidget { border-radius: 10px; }"));
}

TEST(ScaledWidgets, ExpanderAndIconButtonDrawAtTheScale)
{
    auto* list = new QListWidget;
    list->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                    QStringLiteral("e")});
    pq::Expander expander(QStringLiteral("Photo lab"), list);
    expander.setExpanded(true);
    EXPECT_EQ(expander.height(), 175);
    expander.setInterfaceScale(1.5);
    EXPECT_EQ(expander.height(), 38 + 5 * 45);
    expander.setExpanded(false);
    EXPECT_EQ(expander.height(), 38);

    pq::IconButton button(QStringLiteral("open"));
    button.setIconPixelSize(20);
    const QSize normal = button.sizeHint();
    button.setInterfaceScale(0.5);
    EXPECT_EQ(button.sizeHint(), QSize(18, 18));
    EXPECT_EQ(normal, QSize(36, 36));
    EXPECT_EQ(button.iconPixelSize(), 20) << "kept in design units";
}

// An item too long for its row is set smaller, never below 9 units, and
// gets the list's font back when the row has room for it again.
// An open family shows every effect whole, whatever its rows round to at
// the interface size and whatever height the style gives a row.
TEST(ScaledWidgets, AnOpenExpanderShowsItsLastItemWhole)
{
    for (const double scale : {0.5, 0.93, 1.0, 1.07, 1.5}) {
        auto* list = new QListWidget;
        list->setStyleSheet(QStringLiteral("QListWidget::item { height: 31px; }"));
        for (int i = 0; i < 8; ++i)
            list->addItem(QStringLiteral("Effect %1").arg(i));
        pq::Expander expander(QStringLiteral("Painting"), list);
        expander.setInterfaceScale(scale);
        expander.setExpanded(true);
        expander.resize(200, expander.height());
        expander.show();
        list->setCurrentRow(7);
        QCoreApplication::processEvents();
        const QRect last = list->visualItemRect(list->item(7));
        EXPECT_EQ(list->visualItemRect(list->item(0)).top(), 0) << scale;
        EXPECT_LE(last.bottom(), list->viewport()->height() - 1) << scale;
        EXPECT_EQ(last.height(), expander.itemHeight()) << scale;
    }
}

TEST(ScaledWidgets, ExpanderItemsTooLongForTheirRowAreSetSmaller)
{
    auto* list = new QListWidget;
    QFont font;
    font.setPixelSize(14);
    list->setFont(font);
    const QString longer = QStringLiteral("Impastowe pociągnięcia pędzla");
    list->addItems({QStringLiteral("Oil"), longer});
    pq::Expander expander(QStringLiteral("Painting"), list);
    expander.setExpanded(true);
    expander.show();
    const double wide = QFontMetricsF(font).horizontalAdvance(longer);
    const auto widthOf = [&](int row) {
        return QFontMetricsF(list->item(row)->font().resolve(list->font())).horizontalAdvance(list->item(row)->text());
    };
    const auto room = [&] { return list->contentsRect().width() - 8.0; };

    expander.resize(int(wide) + 40, expander.height());
    EXPECT_FALSE(list->item(1)->data(Qt::FontRole).isValid()) << "fits: the list's font";

    expander.resize(int(wide) + 10, expander.height());
    EXPECT_TRUE(list->item(1)->data(Qt::FontRole).isValid());
    EXPECT_LE(widthOf(1), room());
    EXPECT_GT(QFontMetricsF(list->item(1)->font()).horizontalAdvance(longer) + 12, room()) << "only as small as needed";
    EXPECT_FALSE(list->item(0)->data(Qt::FontRole).isValid()) << "a short item keeps its size";

    expander.resize(60, expander.height());
    EXPECT_NEAR(list->item(1)->font().pointSizeF() * expander.logicalDpiY() / 72.0, 9.0, 0.01) << "not below 9";

    expander.resize(int(wide) + 10, expander.height());
    list->item(1)->setText(QStringLiteral("Oil paint"));
    EXPECT_FALSE(list->item(1)->data(Qt::FontRole).isValid()) << "a shorter caption fits again";
}

} // namespace
