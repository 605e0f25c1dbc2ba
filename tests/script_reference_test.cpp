// The script reference: layout rules, the quick index with its targets,
// examples that parse, and the colouring rules.
#include "scripting/script_parser.h"
#include "scripting/script_reference.h"

#include <gtest/gtest.h>

namespace {

QStringList ReferenceLines()
{
    QStringList lines = pq::ScriptReferenceText().split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TEST(ScriptReference, LayoutRules)
{
    const QStringList lines = ReferenceLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], "PASTELLOQUIN SCRIPT REFERENCE");
    EXPECT_EQ(lines[1], QString(30, u'='));
    for (const QString& line : lines) {
        EXPECT_LE(line.size(), 60) << line.toStdString();
        EXPECT_FALSE(line.contains(u'\t'));
    }
    // Every heading is underlined to its length.
    for (const char* heading : {"COMMENTS", "IMAGE PIPELINE", "EFFECTS", "BLENDING", "TEXTURE", "FRAMES", "TEXT",
                                "RESIZE", "LUT FILE", "COLORS", "FULL EXAMPLE"}) {
        const int at = int(lines.indexOf(QString::fromLatin1(heading)));
        ASSERT_GE(at, 0) << heading;
        EXPECT_EQ(lines.value(at + 1), QString(lines[at].size(), u'-')) << heading;
    }
    // Nothing in column 1 writes TEXT before its heading.
    const int text = int(lines.indexOf("TEXT"));
    for (int i = 0; i < text; ++i)
        EXPECT_FALSE(lines[i].startsWith("TEXT ")) << i;
}

TEST(ScriptReference, EveryExampleLineHoldsOneCommandThatParses)
{
    int examples = 0;
    for (const QString& line : ReferenceLines()) {
        if (!line.startsWith("  Example:  "))
            continue;
        ++examples;
        const pq::ParsedScript parsed = pq::ParseScript({line.mid(12)});
        EXPECT_TRUE(parsed.ok()) << line.toStdString() << parsed.errors.join(' ').toStdString();
        EXPECT_EQ(parsed.commands.size(), 1u) << line.toStdString();
    }
    EXPECT_GE(examples, 17);
}

TEST(ScriptReference, FullExampleParses)
{
    const QStringList lines = ReferenceLines();
    const int at = int(lines.indexOf("FULL EXAMPLE"));
    ASSERT_GE(at, 0);
    const pq::ParsedScript parsed = pq::ParseScript(lines.mid(at + 2));
    EXPECT_TRUE(parsed.ok()) << parsed.errors.join(' ').toStdString();
    EXPECT_EQ(parsed.commands.size(), 11u);
}

TEST(ScriptHelpText, QuickIndexRowsAndColumns)
{
    const pq::HelpText help = pq::BuildHelpText();
    EXPECT_EQ(help.lines.value(0), "PASTELLOQUIN SCRIPT REFERENCE");
    EXPECT_EQ(help.lines.value(2), "");
    EXPECT_EQ(help.lines.value(3), "QUICK INDEX  (click a command to jump)");
    EXPECT_EQ(help.lines.value(4), QString(38, u'-'));
    EXPECT_EQ(help.lines.value(5), "BLEND         CLEAR         CONTOUR");
    EXPECT_EQ(help.lines.value(8), "LUT_FILE      NOCLEAR       RESET");
    EXPECT_EQ(help.lines.value(9), "RESIZE        SAVE          SWAP");
    EXPECT_EQ(help.lines.value(10), "TEXT          TEXTURE");
    EXPECT_EQ(help.lines.value(11), "");
    EXPECT_EQ(help.firstBodyLine, 12);
    EXPECT_EQ(help.lines.value(12), ReferenceLines().value(2));
    ASSERT_EQ(help.hotspots.size(), 17u);
    const QStringList order = {"BLEND", "CLEAR", "CONTOUR", "EFFECT", "ENHANCE", "FONT", "FRAME", "LOAD",
                               "LUT_EMBEDDED", "LUT_FILE", "NOCLEAR", "RESET", "RESIZE", "SAVE", "SWAP", "TEXT",
                               "TEXTURE"};
    for (int i = 0; i < 17; ++i) {
        const pq::HelpIndexHotspot& spot = help.hotspots[size_t(i)];
        EXPECT_EQ(spot.name, order[i]);
        EXPECT_EQ(spot.lineIndex, 5 + i / 3);
        EXPECT_EQ(spot.startCol, (i % 3) * 14);
        EXPECT_EQ(spot.len, order[i].size());
        EXPECT_EQ(help.lines[spot.lineIndex].mid(spot.startCol, spot.len), spot.name);
    }
}

TEST(ScriptHelpText, EveryNameLeadsToItsEntry)
{
    const pq::HelpText help = pq::BuildHelpText();
    for (const pq::HelpIndexHotspot& spot : help.hotspots) {
        ASSERT_GE(spot.targetLine, help.firstBodyLine) << spot.name.toStdString();
        const QString& line = help.lines[spot.targetLine];
        if (spot.name == "TEXT" || spot.name == "TEXTURE" || spot.name == "RESIZE") {
            // The section heading, underlined.
            EXPECT_EQ(line, spot.name);
            EXPECT_TRUE(help.lines.value(spot.targetLine + 1).startsWith("--"));
        } else {
            EXPECT_TRUE(line.startsWith(spot.name + ' ') || line == spot.name) << line.toStdString();
            EXPECT_FALSE(help.lines.value(spot.targetLine + 1).startsWith("--")) << line.toStdString();
        }
    }
    const auto lutFile = std::find_if(help.hotspots.begin(), help.hotspots.end(),
                                      [](const pq::HelpIndexHotspot& s) { return s.name == "LUT_FILE"; });
    EXPECT_EQ(help.lines[lutFile->targetLine], "LUT_FILE <filepath>");
}

TEST(ScriptHelpText, NameWithoutEntryGetsNoTarget)
{
    const pq::HelpText help = pq::BuildHelpText("TITLE\n=====\nRESET\n  Example:  RESET\n");
    for (const pq::HelpIndexHotspot& spot : help.hotspots)
        EXPECT_EQ(spot.targetLine >= 0, spot.name == "RESET") << spot.name.toStdString();
}

TEST(ScriptHelpText, ColouringRules)
{
    const QStringList lines = {"TITLE",  "=====", "SAVE <slot>", "  Keeps a copy.", "  Example:  SAVE a",
                               "# note", "   #",  "A line",      "Word",            "X",
                               "2D"};
    using R = pq::HelpLineRole;
    const auto role = [&](int i) { return pq::ClassifyHelpLine(lines, i).role; };
    EXPECT_EQ(role(0), R::Heading);
    EXPECT_TRUE(pq::ClassifyHelpLine(lines, 0).bold);
    EXPECT_EQ(role(1), R::Heading);
    EXPECT_EQ(role(2), R::Command);
    EXPECT_TRUE(pq::ClassifyHelpLine(lines, 2).bold);
    EXPECT_EQ(role(3), R::Normal);
    EXPECT_EQ(role(4), R::Example);
    EXPECT_EQ(role(5), R::Comment);
    EXPECT_EQ(role(6), R::Comment);
    EXPECT_EQ(role(7), R::Normal);
    EXPECT_EQ(role(8), R::Normal);
    EXPECT_EQ(role(9), R::Normal);
    EXPECT_EQ(role(10), R::Normal);
}
