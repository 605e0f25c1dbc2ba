// ParseScript: comments and line numbers, effect ids, every command's
// arguments and defaults, the error list.
#include "catalogue/effect_catalogue.h"
#include "scripting/script_effects.h"
#include "scripting/script_parser.h"

#include <gtest/gtest.h>

#include <span>

using namespace pq;
using Kind = ScriptCommandKind;

namespace {

// The single command of a one-line script that parses without error.
ScriptCommand One(const QString& line)
{
    const ParsedScript parsed = ParseScript({line});
    EXPECT_TRUE(parsed.ok()) << line.toStdString() << ": " << parsed.errors.join(" | ").toStdString();
    EXPECT_EQ(parsed.commands.size(), 1u) << line.toStdString();
    return parsed.commands.empty() ? ScriptCommand() : parsed.commands.front();
}

struct ErrorCase {
    const char* line;
    const char* error;  // with line number 1
    bool keepsCommand;
};

// Each line alone gives its one error and keeps its command or not.
void ExpectErrors(std::span<const ErrorCase> cases)
{
    for (const ErrorCase& c : cases) {
        const ParsedScript parsed = ParseScript({c.line});
        EXPECT_EQ(parsed.errors, QStringList{c.error}) << c.line;
        EXPECT_EQ(parsed.commands.size(), c.keepsCommand ? 1u : 0u) << c.line;
    }
}

} // namespace

TEST(ScriptParserLines, SkipsBlankAndCommentLinesButCountsThem)
{
    const ParsedScript parsed = ParseScriptText("# one\n\n   # indented comment\r\n\t\nBOGUS\nRESET\n");
    ASSERT_EQ(parsed.errors, QStringList{"Line 5: Unknown command \"BOGUS\""});
    ASSERT_EQ(parsed.commands.size(), 1u);
    EXPECT_EQ(parsed.commands[0].lineNumber, 6);
    EXPECT_TRUE(ParseScriptText("# only\n# comments\n").ok());
    EXPECT_TRUE(ParseScriptText("# only\n# comments\n").commands.empty());
    EXPECT_EQ(One("TEXTURE #2 30 1").kind, Kind::Texture);
}

TEST(ScriptParserLines, ATabJoinsKeywordAndArgument)
{
    EXPECT_EQ(ParseScript({"RESET\tnow"}).errors, QStringList{"Line 1: Unknown command \"RESET\tnow\""});
}

TEST(ScriptParserLines, ListsEveryErrorInLineOrder)
{
    const ParsedScript parsed = ParseScriptText("EFFECT 300\nRESET\nSAVE\nFRAME brushstrokes 10 red 7\nLOAD\n");
    EXPECT_EQ(parsed.errors, QStringList({"Line 1: EFFECT requires 6 arguments (id P1 P2 P3 P4 P5)",
                                          "Line 3: SAVE requires a slot name",
                                          "Line 4: Invalid color or option \"red\"",
                                          "Line 4: Unknown option \"7\"", "Line 5: LOAD requires a slot name"}));
    ASSERT_EQ(parsed.commands.size(), 2u); // RESET and the frame
    EXPECT_EQ(parsed.commands[1].lineNumber, 4);
    EXPECT_FALSE(parsed.ok());
}

TEST(ScriptParserEffects, NamesNumbersAndCase)
{
    const ScriptCommand c = One("effect watercolor 30 40 40 100 20");
    EXPECT_EQ(c.kind, Kind::Effect);
    EXPECT_EQ(c.effectNumber, 300);
    EXPECT_EQ((std::array{c.p1, c.p2, c.p3, c.p4, c.p5}), (std::array{30, 40, 40, 100, 20}));
    EXPECT_EQ(One("EFFECT 'Pencil Sketch 1' 1 2 3 4 5").effectNumber, 100);
    EXPECT_EQ(One("EFFECT \"vintage / sepia\" 1 2 3 4 5").effectNumber, 402);
    EXPECT_EQ(One("EFFECT 308 0 0 0 0 0").effectNumber, 308);
    EXPECT_EQ(One("EFFECT 999 0 0 0 0 0").effectNumber, 999);
    EXPECT_EQ(One("EFFECT $12C 0 0 0 0 0").effectNumber, 300);
    const ScriptCommand letters = One("EFFECT Cartoon a b c d 1e2");
    EXPECT_EQ((std::array{letters.p1, letters.p2, letters.p3, letters.p4, letters.p5}), (std::array{0, 0, 0, 0, 0}));
    EXPECT_EQ(One("EFFECT 300 -5 1000000 $10 0 0").p2, 1000000);
}

TEST(ScriptParserEffects, TheTableMatchesTheCatalogue)
{
    ASSERT_EQ(ScriptEffectTable().size(), 24u);
    for (const ScriptEffect& e : ScriptEffectTable()) {
        const EffectDefinition* d = FindEffect(e.number);
        ASSERT_NE(d, nullptr) << e.number;
        ASSERT_NE(d->listCaption, nullptr) << e.number;
        const QString name = QString::fromUtf8(e.displayName);
        EXPECT_TRUE(name.compare(QString::fromUtf8(d->listCaption), Qt::CaseInsensitive) == 0 ||
                    name.compare(QString::fromUtf8(d->displayName), Qt::CaseInsensitive) == 0)
            << e.number;
        EXPECT_EQ(ParseEffectId(QString::fromUtf8(e.identifier).toLower()), e.number);
        EXPECT_EQ(ScriptEffectName(e.number), name);
    }
    EXPECT_EQ(ScriptEffectName(203), "Effect 203");
    EXPECT_EQ(ScriptEffectName(308), "Effect 308");
    EXPECT_EQ(ParseEffectId("ComicPrint"), -1);
}

TEST(ScriptParserEffects, Errors)
{
    const ErrorCase cases[] = {
        {"EFFECT 300 1 2 3 4", "Line 1: EFFECT requires 6 arguments (id P1 P2 P3 P4 P5)", false},
        {"EFFECT Pencil Sketch 1 2 3 4", "Line 1: Unknown effect \"Pencil\"", false},
        {"EFFECT -1 0 0 0 0 0", "Line 1: Unknown effect \"-1\"", false},
        {"EFFECT Nothing 0 0 0 0 0", "Line 1: Unknown effect \"Nothing\"", false},
    };
    ExpectErrors(cases);
}

TEST(ScriptParserCommands, SlotsAndSwitches)
{
    EXPECT_EQ(One("SAVE MySlot").slotName(), "myslot");
    EXPECT_EQ(One("load SRC").kind, Kind::Load);
    EXPECT_EQ(One("load SRC").slotName(), "src");
    EXPECT_EQ(One("SWAP extra words").kind, Kind::Swap);
    EXPECT_EQ(One("Reset").kind, Kind::Reset);
    EXPECT_EQ(One("CLEAR").p1, 1);
    EXPECT_EQ(One("noclear").kind, Kind::Clear);
    EXPECT_EQ(One("noclear").p1, 0);
    EXPECT_EQ(One("ENHANCE").kind, Kind::Enhance);
}

TEST(ScriptParserCommands, Blend)
{
    const struct {
        const char* line;
        const char* slot;
        float opacity;
        gfx::BlendMode mode;
    } cases[] = {
        {"BLEND MySlot 150", "myslot", 1.0f, gfx::BlendMode::SrcOver},
        {"BLEND a -20", "a", 0.0f, gfx::BlendMode::SrcOver},
        {"BLEND a half", "a", 0.5f, gfx::BlendMode::SrcOver},
        {"BLEND a 50,5", "a", 0.5f, gfx::BlendMode::SrcOver},
        {"BLEND a 50.5", "a", 0.505f, gfx::BlendMode::SrcOver},
        {"BLEND a 70 normal", "a", 0.7f, gfx::BlendMode::SrcOver},
        {"BLEND a 70 sparkle", "a", 0.7f, gfx::BlendMode::SrcOver},
        {"BLEND myslot 70 multiply", "myslot", 0.7f, gfx::BlendMode::Multiply},
    };
    for (const auto& c : cases) {
        const ScriptCommand cmd = One(c.line);
        EXPECT_EQ(cmd.blendSlot(), c.slot) << c.line;
        EXPECT_FLOAT_EQ(cmd.blendOpacity, c.opacity) << c.line;
        EXPECT_EQ(cmd.blendMode, c.mode) << c.line;
    }
}

TEST(ScriptParserCommands, Texture)
{
    const struct {
        const char* line;
        int index;
        int strength;
        float scale;
    } cases[] = {
        {"TEXTURE", 0, -1, -1.0f},         {"TEXTURE 30", 0, -1, -1.0f},
        {"TEXTURE #2 30 1", 2, 30, 1.0f},  {"TEXTURE 30 0.5", 0, 30, 0.5f},
        {"TEXTURE #abc", -1, -1, -1.0f},   {"TEXTURE #1 x y", 1, -1, -1.0f},
        {"TEXTURE #FF 30 2", 0, -1, 30.0f}, {"TEXTURE 50 0", 0, 50, 0.0f},
    };
    for (const auto& c : cases) {
        const ScriptCommand cmd = One(c.line);
        EXPECT_EQ(cmd.textureIndex, c.index) << c.line;
        EXPECT_EQ(cmd.textureStrength, c.strength) << c.line;
        EXPECT_FLOAT_EQ(cmd.textureScale, c.scale) << c.line;
    }
}

TEST(ScriptParserCommands, ImageFrame)
{
    const struct {
        const char* line;
        int index;
        int size;
        QRgb color;
    } cases[] = {
        {"FRAME", -1, -1, 0},
        {"FRAME 30 #FFFFFFFF", -1, 30, 0xFFFFFFFF},
        {"FRAME #FF0000", -1, -1, 0},
        {"FRAME #3", 3, -1, 0},
        {"FRAME #3 12 80FF0000", 3, 12, 0x80FF0000},
        {"FRAME #x wide", -1, -1, 0},
    };
    for (const auto& c : cases) {
        const ScriptCommand cmd = One(c.line);
        EXPECT_FALSE(cmd.brushstrokesFrame) << c.line;
        EXPECT_EQ(cmd.frameIndex, c.index) << c.line;
        EXPECT_EQ(cmd.frameSize, c.size) << c.line;
        EXPECT_EQ(cmd.frameColor, c.color) << c.line;
    }
}

TEST(ScriptParserCommands, BrushstrokesFrame)
{
    const struct {
        const char* line;
        int size;
        QRgb color;
        int brush;
    } cases[] = {
        {"FRAME brushstrokes", -1, 0, 40},
        {"FRAME BRUSHSTROKES wide", 60, 0, 40},
        {"FRAME brushstrokes 40 brush=80", 40, 0, 80},
        {"FRAME brushstrokes 40 BRUSH=80", 40, 0, 80},
        {"FRAME brushstrokes 20 #FFFFFFFF brush=x", 20, 0xFFFFFFFF, 40},
        {"FRAME brushstrokes 20 #123456 brush=15 ignored", 20, 0xFF123456, 15},
    };
    for (const auto& c : cases) {
        const ScriptCommand cmd = One(c.line);
        EXPECT_TRUE(cmd.brushstrokesFrame) << c.line;
        EXPECT_EQ(cmd.frameSize, c.size) << c.line;
        EXPECT_EQ(cmd.frameColor, c.color) << c.line;
        EXPECT_EQ(cmd.frameBrushSize, c.brush) << c.line;
    }
}

TEST(ScriptParserCommands, Text)
{
    ScriptCommand c = One("TEXT 99% 10 'Hello world' size=36.5 color=#80FF0000 font=\"Deja\" style=bold shadow=ON");
    EXPECT_FLOAT_EQ(c.textX, 99.0f);
    EXPECT_TRUE(c.textXPercent);
    EXPECT_FLOAT_EQ(c.textY, 10.0f);
    EXPECT_FALSE(c.textYPercent);
    EXPECT_EQ(c.textString(), "Hello world");
    EXPECT_FLOAT_EQ(c.textSizeOverride, 36.5f);
    EXPECT_EQ(c.textColorOverride, 0x80FF0000u);
    EXPECT_EQ(c.textFontOverride(), "Deja");
    EXPECT_EQ(c.textStyleOverride(), "bold");
    EXPECT_EQ(c.textShadowOverride, 1);

    c = One("TEXT 1 2 Hello world color=blue shadow=yes size=big SIZE=5 size=7");
    EXPECT_EQ(c.textString(), "Hello");
    EXPECT_EQ(c.textColorOverride, 0u);
    EXPECT_EQ(c.textShadowOverride, 0);
    EXPECT_FLOAT_EQ(c.textSizeOverride, 7.0f);
    EXPECT_EQ(One("TEXT 1 2 x").textShadowOverride, -1);
}

TEST(ScriptParserCommands, FontResizeContourAndLuts)
{
    ScriptCommand c = One("FONT \"Times New Roman\" 36 italic");
    EXPECT_EQ(c.fontName(), "Times New Roman");
    EXPECT_FLOAT_EQ(c.fontSize, 36.0f);
    EXPECT_EQ(c.fontStyle(), "italic");
    EXPECT_FLOAT_EQ(One("FONT Georgia big").fontSize, 24.0f);
    EXPECT_EQ(One("FONT Georgia 24 italic #AAFFFFFF").fontColor, 0xAAFFFFFFu);

    c = One("RESIZE 50% 50%");
    EXPECT_TRUE(c.resizeWPercent && c.resizeHPercent);
    EXPECT_FLOAT_EQ(c.resizeW, 50.0f);
    c = One("RESIZE 640 480.5");
    EXPECT_FALSE(c.resizeWPercent);
    EXPECT_FLOAT_EQ(c.resizeH, 480.5f);

    EXPECT_EQ(One("CONTOUR").p1, 0);
    EXPECT_EQ(One("CONTOUR OFF").p1, 0);
    EXPECT_EQ(One("CONTOUR OFF").contourColor, 0xFF000000u);
    c = One("contour on #80FF0000");
    EXPECT_EQ(c.p1, 1);
    EXPECT_EQ(c.contourColor, 0x80FF0000u);
    EXPECT_EQ(One("CONTOUR ON red").contourColor, 0xFF000000u);

    EXPECT_EQ(One("LUT_FILE C:\\My   LUTs\\Film.cube").lutFilePath(), "C:\\My LUTs\\Film.cube");
    EXPECT_EQ(One("LUT_FILE \"C:\\My  LUTs\\Film.cube\"").lutFilePath(), "C:\\My  LUTs\\Film.cube");
    EXPECT_EQ(One("LUT_FILE a\"b c\"").lutFilePath(), "a\"b c\"");
    EXPECT_EQ(One("LUT_EMBEDDED   Warm   Sunset ").lutEmbeddedName(), "Warm Sunset");
    EXPECT_TRUE(One("LUT_EMBEDDED").lutEmbeddedName().isEmpty());
}

TEST(ScriptParserCommands, ArgumentErrors)
{
    const ErrorCase cases[] = {
        {"SAVE", "Line 1: SAVE requires a slot name", false},
        {"LOAD", "Line 1: LOAD requires a slot name", false},
        {"BLEND slot", "Line 1: BLEND requires at least slot and opacity", false},
        {"FRAME 20 white", "Line 1: Invalid hex color \"white\"", true},
        {"FRAME brushstrokes 20 white", "Line 1: Invalid color or option \"white\"", true},
        {"FRAME brushstrokes 20 #FFFFFF 9", "Line 1: Unknown option \"9\"", true},
        {"TEXT 1 2", "Line 1: TEXT requires at least x, y, and a string", false},
        {"FONT Arial", "Line 1: FONT requires at least name and size", false},
        {"FONT Arial 12 bold pink", "Line 1: Invalid hex color \"pink\"", true},
        {"RESIZE 50%", "Line 1: RESIZE requires width and height", false},
        {"RESIZE 0 10", "Line 1: RESIZE dimensions must be positive", false},
        {"RESIZE wide 10", "Line 1: RESIZE dimensions must be positive", false},
        {"RESIZE 10 -5%", "Line 1: RESIZE dimensions must be positive", false},
        {"LUT_FILE", "Line 1: LUT_FILE requires a file path", false},
        {"PAINT 1", "Line 1: Unknown command \"PAINT\"", false},
    };
    ExpectErrors(cases);
}

TEST(ScriptParserMemory, ACommandStaysSmall)
{
    // A 16 MB script of SWAP lines is 3.4 million commands: at this size
    // about half a gigabyte, where a command holding its own strings took
    // over 350 bytes and the parse 1.7 GB.
    EXPECT_LE(sizeof(ScriptCommand), 160u);
    const ScriptCommand swap = One("SWAP");
    EXPECT_TRUE(swap.slotName().isNull()) << "no string kept for a command without one";
    const ScriptCommand text = One("TEXT 1 2 'a b' font=Deja style=bold");
    EXPECT_EQ(text.textString(), "a b");
    EXPECT_EQ(text.textFontOverride(), "Deja");
    EXPECT_EQ(text.textStyleOverride(), "bold");
    const ScriptCommand bare = One("TEXT 1 2 ab");
    EXPECT_EQ(bare.textString(), "ab");
    EXPECT_TRUE(bare.textFontOverride().isEmpty());
    EXPECT_TRUE(bare.textStyleOverride().isEmpty());
}

TEST(ScriptParserMemory, TheCommandsAreAllocatedOnceAndTheLinesNumberedAsSplit)
{
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += i % 3 == 0 ? QStringLiteral("  # note\r\n") : QStringLiteral("SWAP\n");
    const ParsedScript parsed = ParseScriptText(text);
    EXPECT_EQ(parsed.commands.size(), 666u);
    EXPECT_EQ(parsed.commands.capacity(), parsed.commands.size()) << "no room grown beyond the commands";
    // Line breaks of every kind count as ParseScript's split counts them.
    for (const QString& mixed : {QStringLiteral("SWAP\r\rBOGUS\r\nBOGUS\n\nBOGUS"), QStringLiteral("\n\r\n\rBOGUS\r"),
                                 QStringLiteral("BOGUS"), QString()}) {
        const ParsedScript whole = ParseScriptText(mixed);
        QStringList lines;
        qsizetype start = 0;
        for (qsizetype i = 0; i < mixed.size(); ++i)
            if (mixed[i] == u'\r' || mixed[i] == u'\n') {
                lines << mixed.mid(start, i - start);
                if (mixed[i] == u'\r' && i + 1 < mixed.size() && mixed[i + 1] == u'\n')
                    ++i;
                start = i + 1;
            }
        if (start < mixed.size())
            lines << mixed.mid(start);
        EXPECT_EQ(whole.errors, ParseScript(lines).errors) << mixed.toStdString();
    }
    EXPECT_EQ(ParseScriptText("SWAP\r\rBOGUS\r\nBOGUS\n\nBOGUS").errors,
              QStringList({"Line 3: Unknown command \"BOGUS\"", "Line 4: Unknown command \"BOGUS\"",
                           "Line 6: Unknown command \"BOGUS\""}));
}
