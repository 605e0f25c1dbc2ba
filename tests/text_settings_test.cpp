// The text tool's model: family names, styles, the box and handle drags.
#include "workspace/text_settings.h"

#include <gtest/gtest.h>

namespace {

using pq::NormalizeFontFamilyName;

TEST(FontNames, SuffixesAreCutOneAfterTheOther)
{
    EXPECT_EQ(NormalizeFontFamilyName("Arial Black"), "Arial");
    EXPECT_EQ(NormalizeFontFamilyName("Foo Bold Italic"), "Foo");
    EXPECT_EQ(NormalizeFontFamilyName("  Bar Extra Condensed "), "Bar");
    EXPECT_EQ(NormalizeFontFamilyName("Baz semibold"), "Baz");
    EXPECT_EQ(NormalizeFontFamilyName("Verdana"), "Verdana");
}

TEST(FontNames, SegoeUIVariableKeepsItsFamily)
{
    EXPECT_EQ(NormalizeFontFamilyName("Segoe UI Variable Display Semibold"), "Segoe UI Variable");
    EXPECT_EQ(NormalizeFontFamilyName("segoe ui variable text"), "Segoe UI Variable");
}

TEST(FontNames, ANameThatIsOnlyASuffixKeepsIt)
{
    // The suffixes begin with a space: a bare "Bold" stays.
    EXPECT_EQ(NormalizeFontFamilyName("Bold"), "Bold");
}

QStringList ListOf(const QStringList& names)
{
    std::vector<pq::InstalledFamily> families;
    for (const QString& name : names)
        families.push_back({name, false});
    return pq::FontFamilyList(families);
}

TEST(FontList, SortedWithoutDuplicatesOrVerticalFaces)
{
    EXPECT_EQ(ListOf({"Zed", "Arial Black", "arial", "@MS Gothic", "", "Arial", "Bar Bold", "Bar"}),
              QStringList({"Arial", "Bar", "Zed"}));
}

TEST(FontList, FoundryTagsAreCutAndTheirFamiliesMerged)
{
    EXPECT_EQ(ListOf({"C059 [UKWN]", "C059 [URW]", "Nimbus Sans [UKWN]", "Nimbus Sans Bold [URW]"}),
              QStringList({"C059", "Nimbus Sans"}));
    // Only a trailing bracketed tag is a foundry.
    EXPECT_EQ(pq::WithoutFoundryTag("Foo [Bar] Baz"), "Foo [Bar] Baz");
    EXPECT_EQ(pq::WithoutFoundryTag("Foo [Bar]"), "Foo");
    EXPECT_EQ(pq::WithoutFoundryTag("[Bar]"), "");
}

TEST(FontList, SymbolAndMathFontsAreLeftOut)
{
    struct Case {
        const char* name;
        bool symbol;
    };
    const Case cases[] = {
        {"cmmi10", true},          {"cmsy10", true},        {"msbm10", true},          {"cmex10", true},
        {"DejaVu Math TeX Gyre", true}, {"STIX Two Math", true}, {"Standard Symbols PS", true},
        {"OpenSymbol", true},      {"Noto Sans Symbols2", true}, {"D050000L", false}, {"Noto Color Emoji", true},
        {"Wingdings", true},       {"Font Awesome 6 Free Icons", true},
        // Text families on the other side of each rule.
        {"C059", false},           {"Cmmi", false},         {"cm", false},              {"Mathilde", false},
        {"DejaVu Sans", false},    {"P052", false},         {"Z003", false},            {"Iconic Serif", false},
        {"Noto Sans Mono CJK JP", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pq::IsSymbolFamilyName(c.name), c.symbol) << c.name;

    // The font database's own verdict counts too.
    EXPECT_EQ(pq::FontFamilyList({{"D050000L", true}, {"C059 [UKWN]", false}, {"cmmi10", false}}),
              QStringList({"C059"}));
}

TEST(FontStyle, BoldAndItalicTuples)
{
    EXPECT_EQ(pq::FontStyleFor(true, true), (pq::FontStyle{700, 5, true}));
    EXPECT_EQ(pq::FontStyleFor(true, false), (pq::FontStyle{700, 5, false}));
    EXPECT_EQ(pq::FontStyleFor(false, true), (pq::FontStyle{400, 5, true}));
    EXPECT_EQ(pq::FontStyleFor(false, false), (pq::FontStyle{400, 5, false}));
}

pq::TextSettings Sample(float size)
{
    pq::TextSettings text;
    text.text = QStringLiteral("Sample");
    text.pos = QPointF(50, 80);
    text.fontSize = size;
    return text;
}

TEST(TextBox, PaddedByFivePixelsAroundTheMeasuredText)
{
    const pq::TextSettings text = Sample(40);
    const pq::TextMetrics m = pq::MeasureText(text.text, text.face());
    ASSERT_GT(m.width, 0);
    ASSERT_LT(m.ascent, 0);
    const QRectF box = pq::TextBoxOnCanvas(text, QPointF(0, 0), 1.0);
    EXPECT_NEAR(box.left(), 45, 1e-6);
    EXPECT_NEAR(box.top(), 80 + m.ascent - 5, 1e-6);
    EXPECT_NEAR(box.right(), 50 + m.width + 5, 1e-6);
    // At zoom 2 the text is twice as large and placed through the view.
    const QRectF zoomed = pq::TextBoxOnCanvas(text, QPointF(10, 20), 2.0);
    EXPECT_NEAR(zoomed.left(), 10 + 100 - 5, 1e-6);
    EXPECT_NEAR(zoomed.width() - 10, 2 * m.width, 0.5);
}

TEST(TextBox, SizesStayFractional)
{
    const double a = pq::MeasureText("Sample", Sample(20.0f).face()).width;
    const double b = pq::MeasureText("Sample", Sample(20.5f).face()).width;
    EXPECT_NEAR(b / a, 20.5 / 20.0, 1e-6);
}

TEST(TextHandles, CornersInOrderWithinTwelvePixels)
{
    const QRectF box(100, 100, 200, 50);
    EXPECT_EQ(pq::TextHandleAt(box, {105, 105}), 1);
    EXPECT_EQ(pq::TextHandleAt(box, {295, 100}), 2);
    EXPECT_EQ(pq::TextHandleAt(box, {100, 160}), 3);
    EXPECT_EQ(pq::TextHandleAt(box, {311, 150}), 4);
    EXPECT_EQ(pq::TextHandleAt(box, {312, 150}), 0);
    EXPECT_EQ(pq::TextHandleAt(box, {200, 120}), 0);
}

TEST(TextHandles, BottomRightDragGrowsBy30AtZoom1And15AtZoom2)
{
    for (const auto& [zoom, growth] : {std::pair{1.0, 30.0f}, std::pair{2.0, 15.0f}}) {
        pq::TextSettings text = Sample(40);
        const pq::TextMetrics before = pq::MeasureText(text.text, text.face());
        const QPointF topLeft(text.pos.x(), text.pos.y() + before.ascent);
        const pq::TextResize resize = pq::BeginTextResize(text, 4, QPointF(300, 300));
        pq::DragTextResize(text, resize, QPointF(400, 400), zoom);
        EXPECT_FLOAT_EQ(text.fontSize, 40 + growth);
        // The top-left corner of the text stays where it was.
        const pq::TextMetrics after = pq::MeasureText(text.text, text.face());
        EXPECT_NEAR(text.pos.x(), topLeft.x(), 1e-6);
        EXPECT_NEAR(text.pos.y() + after.ascent, topLeft.y(), 1e-6);
    }
}

TEST(TextHandles, TopLeftDragKeepsTheBottomRightCorner)
{
    pq::TextSettings text = Sample(40);
    const pq::TextMetrics before = pq::MeasureText(text.text, text.face());
    const QPointF bottomRight(text.pos.x() + before.width, text.pos.y() + before.descent);
    const pq::TextResize resize = pq::BeginTextResize(text, 1, QPointF(0, 0));
    pq::DragTextResize(text, resize, QPointF(-50, -50), 1.0);
    EXPECT_FLOAT_EQ(text.fontSize, 55);
    const pq::TextMetrics after = pq::MeasureText(text.text, text.face());
    EXPECT_NEAR(text.pos.x() + after.width, bottomRight.x(), 1e-6);
    EXPECT_NEAR(text.pos.y() + after.descent, bottomRight.y(), 1e-6);
}

// Every handle grows the text when dragged outwards and shrinks it when
// dragged inwards, by 0.3 of the mean movement, and the corner opposite
// it stays where it was.
TEST(TextHandles, EveryHandleResizesAboutTheOppositeCorner)
{
    struct Row {
        int handle;
        QPointF outwards; // a unit step away from the opposite corner
    };
    const Row rows[] = {{1, {-1, -1}}, {2, {1, -1}}, {3, {-1, 1}}, {4, {1, 1}}};
    // The opposite corner: x at the right for handles 1 and 3, y at the
    // bottom (descent) for handles 1 and 2.
    const auto corner = [](const pq::TextSettings& text, int handle) {
        const pq::TextMetrics m = pq::MeasureText(text.text, text.face());
        const double x = handle == 1 || handle == 3 ? text.pos.x() + m.width : text.pos.x();
        const double y = handle == 1 || handle == 2 ? text.pos.y() + m.descent : text.pos.y() + m.ascent;
        return QPointF(x, y);
    };
    for (const Row& row : rows)
        for (const double distance : {50.0, -50.0}) {
            pq::TextSettings text = Sample(40);
            const QPointF fixed = corner(text, row.handle);
            const QPointF start(200, 200);
            const pq::TextResize resize = pq::BeginTextResize(text, row.handle, start);
            pq::DragTextResize(text, resize, start + row.outwards * distance, 1.0);
            EXPECT_FLOAT_EQ(text.fontSize, float(40 + distance * 0.3)) << "handle " << row.handle;
            const QPointF after = corner(text, row.handle);
            EXPECT_NEAR(after.x(), fixed.x(), 1e-6) << "handle " << row.handle;
            EXPECT_NEAR(after.y(), fixed.y(), 1e-6) << "handle " << row.handle;
        }
}

TEST(TextHandles, DragKeepsTheSizeBoxRange)
{
    pq::TextSettings text = Sample(40);
    const pq::TextResize resize = pq::BeginTextResize(text, 4, QPointF(0, 0));
    pq::DragTextResize(text, resize, QPointF(-5000, -5000), 1.0);
    EXPECT_FLOAT_EQ(text.fontSize, 8);
    pq::DragTextResize(text, resize, QPointF(5000, 5000), 1.0);
    EXPECT_FLOAT_EQ(text.fontSize, 400);
}

} // namespace
