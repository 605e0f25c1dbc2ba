// The line formatters of the editor's insert buttons, the step texts, and
// script files: what each writes, and that a written line parses back.
#include "scripting/script_lines.h"
#include "scripting/script_parser.h"
#include "scripting/script_steps.h"
#include "scripting/script_text.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace pq;

namespace {

ScriptCommand ParseOne(const QString& line)
{
    const ParsedScript parsed = ParseScript({line});
    EXPECT_TRUE(parsed.ok()) << line.toStdString();
    return parsed.commands.empty() ? ScriptCommand() : parsed.commands.front();
}

} // namespace

TEST(ScriptLines, WriteTheLinesAsTheButtonsDo)
{
    const struct {
        QString line;
        const char* expected;
    } cases[] = {
        {FormatEffectLine(300, 30, 40, 40, 100, 20), "EFFECT 300 30 40 40 100 20"},
        {FormatBlendLine("myslot", 70, "multiply"), "BLEND myslot 70 multiply"},
        {FormatBlendLine("myslot", 50, ""), "BLEND myslot 50"},
        {FormatTextureLine(2, 30, 1.0), "TEXTURE #2 30 1"},
        {FormatTextureLine(0, 50, 0.125), "TEXTURE #0 50 0.12"},
        {FormatTextureLine(1, -1, 1.0), "TEXTURE"},
        {FormatTextureLine(1, 30, -1.0), "TEXTURE"},
        {FormatFrameLine(3, 20, "#FFFFFFFF"), "FRAME #3 20 #FFFFFFFF"},
        {FormatFrameLine(-1, -1, "#FFFFFFFF"), "FRAME"},
        {FormatFrameLine(-1, 0, ""), "FRAME 0"},
        {FormatBrushstrokesFrameLine(20, "#FFFFFFFF", 40), "FRAME brushstrokes 20 #FFFFFFFF"},
        {FormatBrushstrokesFrameLine(60, "", 80), "FRAME brushstrokes 60 brush=80"},
        {FormatTextLine("99%", "99%", "Pastelloquin"), "TEXT 99% 99% \"Pastelloquin\""},
        {FormatFontLine("Georgia", 24.0, "italic", "#AAFFFFFF"), "FONT Georgia 24 italic #AAFFFFFF"},
        {FormatFontLine("Times New Roman", 36.25, "", ""), "FONT \"Times New Roman\" 36.2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.line, QString::fromUtf8(c.expected));
}

TEST(ScriptLines, ParseBackToTheSameValues)
{
    ScriptCommand c = ParseOne(FormatEffectLine(501, -3, 0, 100, 7, 2147483647));
    EXPECT_EQ(c.effectNumber, 501);
    EXPECT_EQ(c.p1, -3);
    EXPECT_EQ(c.p5, 2147483647);
    c = ParseOne(FormatBlendLine("a", 25, "screen"));
    EXPECT_FLOAT_EQ(c.blendOpacity, 0.25f);
    EXPECT_EQ(c.blendMode, gfx::BlendMode::Screen);
    c = ParseOne(FormatTextureLine(4, 65, 1.75));
    EXPECT_EQ(c.textureIndex, 4);
    EXPECT_EQ(c.textureStrength, 65);
    EXPECT_FLOAT_EQ(c.textureScale, 1.75f);
    c = ParseOne(FormatFrameLine(0, 15, "#80102030"));
    EXPECT_EQ(c.frameIndex, 0);
    EXPECT_EQ(c.frameSize, 15);
    EXPECT_EQ(c.frameColor, 0x80102030u);
    c = ParseOne(FormatBrushstrokesFrameLine(30, "#FF0000", 120));
    EXPECT_EQ(c.frameSize, 30);
    EXPECT_EQ(c.frameColor, 0xFFFF0000u);
    EXPECT_EQ(c.frameBrushSize, 120);
    c = ParseOne(FormatTextLine("50%", "12.5", "two words"));
    EXPECT_TRUE(c.textXPercent);
    EXPECT_FLOAT_EQ(c.textY, 12.5f);
    EXPECT_EQ(c.textString(), "two words");
    c = ParseOne(FormatFontLine("DejaVu Sans", 18.5, "bolditalic", "#FF00FF00"));
    EXPECT_EQ(c.fontName(), "DejaVu Sans");
    EXPECT_FLOAT_EQ(c.fontSize, 18.5f);
    EXPECT_EQ(c.fontStyle(), "bolditalic");
    EXPECT_EQ(c.fontColor, 0xFF00FF00u);
}

TEST(ScriptLines, RealsUseAPointAndDropTrailingZeros)
{
    EXPECT_EQ(FormatScriptReal(0.5, 2), "0.5");
    EXPECT_EQ(FormatScriptReal(2.0, 2), "2");
    EXPECT_EQ(FormatScriptReal(-0.04, 1), "0");
    EXPECT_EQ(FormatScriptReal(0.25, 1), "0.2");
}

TEST(ScriptLines, StepTexts)
{
    EXPECT_EQ(ScriptStepText(ParseOne("EFFECT Watercolor 1 2 3 4 5")), "Watercolor");
    EXPECT_EQ(ScriptStepText(ParseOne("EFFECT 203 1 2 3 4 5")), "Effect 203");
    EXPECT_EQ(ScriptStepText(ParseOne("SAVE A")), QString::fromUtf8("Save → a"));
    EXPECT_EQ(ScriptStepText(ParseOne("LOAD b")), QString::fromUtf8("Load ← b"));
    EXPECT_EQ(ScriptStepText(ParseOne("SWAP")), QString::fromUtf8("Swap source ↔ result"));
    EXPECT_EQ(ScriptStepText(ParseOne("BLEND c 5")), QString::fromUtf8("Blend ← c"));
    EXPECT_EQ(ScriptStepText(ParseOne("FRAME brushstrokes")), "Apply brushstrokes frame");
    EXPECT_EQ(ScriptStepText(ParseOne("FRAME")), "Apply frame");
    EXPECT_EQ(ScriptStepText(ParseOne("RESIZE 33.33% 640.5")), "Resize to 33.3%x640");
    EXPECT_EQ(ScriptStepText(ParseOne("NOCLEAR")), "Keep background");
    EXPECT_EQ(ScriptStepText(ParseOne("CONTOUR ON")), "Draw shape contours on");
    EXPECT_EQ(ScriptStepText(ParseOne("LUT_FILE C:\\looks\\warm.cube")), "Set LUT file: warm.cube");
    EXPECT_EQ(ScriptStepText(ParseOne("LUT_EMBEDDED Teal")), "Set embedded LUT: Teal");
}

TEST(ScriptFiles, ReadEveryEncodingOneWay)
{
    const QString text = QString::fromUtf8("TEXT 1 1 \"Café €\"");
    EXPECT_EQ(DecodeScriptBytes(text.toUtf8()), text);
    EXPECT_EQ(DecodeScriptBytes("\xEF\xBB\xBF" + text.toUtf8()), text);
    QByteArray utf16le("\xFF\xFE", 2);
    for (QChar c : text)
        utf16le += char(c.unicode() & 0xFF), utf16le += char(c.unicode() >> 8);
    EXPECT_EQ(DecodeScriptBytes(utf16le), text);
    // Not UTF-8: Windows-1252, where 0x80 is the euro sign.
    EXPECT_EQ(DecodeScriptBytes("TEXT 1 1 \"Caf\xE9 \x80\""), text);
}

TEST(ScriptFiles, WriteUtf8WithCrLfAfterEveryLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.pqs");
    ASSERT_TRUE(WriteScriptFile(path, QString::fromUtf8("RESET\nTEXT 1 1 \"é\"\rSAVE a")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("RESET\r\nTEXT 1 1 \"\xC3\xA9\"\r\nSAVE a\r\n"));
    QString back;
    ASSERT_TRUE(ReadScriptFile(path, back));
    EXPECT_EQ(back, QString::fromUtf8("RESET\r\nTEXT 1 1 \"é\"\r\nSAVE a\r\n"));
    EXPECT_FALSE(WriteScriptFile(dir.filePath("missing/a.pqs"), "RESET"));
    QString error;
    EXPECT_FALSE(ReadScriptFile(dir.filePath("none.pqs"), back, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ScriptFiles, ReadsUpToTheSizeCapAndRefusesWhatIsNoFileWithoutWaiting)
{
    QTemporaryDir dir;
    const auto sized = [&](const QString& name, qint64 bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.resize(bytes));
        return file.fileName();
    };
    QString text;
    QString error;
    EXPECT_TRUE(ReadScriptFile(sized("cap.pqs", kMaxScriptFileBytes), text, &error)) << error.toStdString();
    EXPECT_EQ(text.size(), kMaxScriptFileBytes);
    const QString over = sized("over.pqs", kMaxScriptFileBytes + 1);
    EXPECT_FALSE(ReadScriptFile(over, text, &error));
    EXPECT_TRUE(error.startsWith(over + " is too large")) << error.toStdString();
    // A pipe with no writer must not block the reader.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.pqs")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.pqs"));
    for (const QString& name : {dir.filePath("pipe.pqs"), dir.filePath("folder.pqs"), QStringLiteral("/dev/zero")}) {
        EXPECT_FALSE(ReadScriptFile(name, text, &error)) << name.toStdString();
        EXPECT_EQ(error, name + " is not a regular file");
    }
}
