// The built-in script library, importing and saving scripts, and the
// insert palette's lines.
#include "platform/embedded.h"
#include "scripting/script_example.h"
#include "scripting/script_library.h"
#include "scripting/script_palette.h"
#include "scripting/script_parser.h"
#include "scripting/script_text.h"
#include "stored_zip.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QStringList Lines(const QString& text)
{
    QStringList lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(ScriptLibrary, BuiltInScriptsListInOrderWithBlanksInTheirNames)
{
    const std::vector<pq::ScriptEntry> scripts = pq::LoadBuiltInScripts();
    const QStringList expected = {"Circles with contours", "Comic book",   "Enhanced ColorPencilSketch",
                                  "Enhanced Watercolor",   "Mosaic with contours", "Paint on sketch",
                                  "Pencil blend",          "Photo Enhancer", "Pseudo HDR",
                                  "Super Pastel",          "Super Smooth", "Triangles with contours",
                                  "Triple Watercolor"};
    QStringList names;
    for (const pq::ScriptEntry& entry : scripts) {
        names << entry.name;
        EXPECT_TRUE(entry.builtIn);
    }
    EXPECT_EQ(names, expected);
}

TEST(ScriptLibrary, EveryBuiltInScriptParsesAndExplainsItself)
{
    for (const pq::ScriptEntry& entry : pq::LoadBuiltInScripts()) {
        const pq::ParsedScript parsed = pq::ParseScriptText(entry.text);
        EXPECT_TRUE(parsed.ok()) << entry.name.toStdString() << ": " << parsed.errors.join("; ").toStdString();
        EXPECT_GE(parsed.commands.size(), 2u) << entry.name.toStdString();
        EXPECT_TRUE(entry.text.startsWith(u'#')) << entry.name.toStdString();
    }
}

TEST(ScriptLibrary, ContourScriptsSwitchContoursOn)
{
    for (const pq::ScriptEntry& entry : pq::LoadBuiltInScripts()) {
        if (!entry.name.endsWith("with contours"))
            continue;
        const pq::ParsedScript parsed = pq::ParseScriptText(entry.text);
        ASSERT_FALSE(parsed.commands.empty());
        const pq::ScriptCommand& first = parsed.commands.front();
        EXPECT_EQ(first.kind, pq::ScriptCommandKind::Contour) << entry.name.toStdString();
        EXPECT_EQ(first.p1, 1);
    }
}

TEST(ScriptLibrary, ArchiveMembersAreDeflated)
{
    const QByteArray bytes = platform::EmbeddedResource("PASTELLOQUIN_SCRIPTS");
    ASSERT_FALSE(bytes.isEmpty());
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    ASSERT_NE(source, nullptr);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(zip_get_num_entries(archive, 0), 13);
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        ASSERT_EQ(zip_stat_index(archive, zip_uint64_t(i), 0, &stat), 0);
        EXPECT_EQ(stat.comp_method, ZIP_CM_DEFLATE) << stat.name;
    }
    zip_close(archive);
    zip_error_fini(&error);
}

TEST(ScriptExample, ResetVersionLineByLine)
{
    const QStringList expected = {"# Pastelloquin Example Script",
                                  "# Lines starting with # are comments",
                                  "####################################",
                                  "",
                                  "#Start from the source image",
                                  "RESET",
                                  "EFFECT Watercolor 30 40 40 100 20",
                                  "SAVE myslot",
                                  "RESET",
                                  "EFFECT Watercolor2 90 20 55 20 55",
                                  "BLEND myslot 50",
                                  "SAVE myslot",
                                  "NOCLEAR",
                                  "EFFECT WatercolorSplashes 10 70 10 50 80",
                                  "BLEND myslot 70",
                                  "EFFECT Adjustments 55 52 55 15 52",
                                  "FONT Georgia 24 italic #AAFFFFFF",
                                  "TEXT 99% 99% 'Pastelloquin' shadow=on",
                                  "FRAME brushstrokes 20 #FFFFFFFF",
                                  "TEXTURE #2 30 1"};
    EXPECT_EQ(pq::ExampleScriptLines(), expected);
    EXPECT_TRUE(pq::ParseScript(expected).ok());
}

TEST(ScriptExample, CreationVersionIsTripleWatercolor)
{
    QStringList expected = pq::ExampleScriptLines();
    expected.erase(expected.begin(), expected.begin() + 3);
    const QStringList header = {"######################################", "###   Pastelloquin Example Script  ###",
                                "###     Triple Watercolor Script   ###", "# Lines starting with # are comments #",
                                "######################################"};
    for (int i = int(header.size()) - 1; i >= 0; --i)
        expected.prepend(header[i]);
    expected.insert(expected.indexOf("NOCLEAR"), "RESET");
    EXPECT_EQ(expected.size(), 23);
    EXPECT_EQ(Lines(pq::StartupScriptText()), expected);
}

class ScriptImport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(ScriptImport, SaveAsThenImportKeepsCyrillicAndJapaneseText)
{
    const QString text = QString::fromUtf8("RESET\nTEXT 50% 50% 'Привет мир'\nTEXT 10 10 \"こんにちは\"\n");
    ASSERT_TRUE(pq::WriteScriptFile(path("My_Script.pqs"), text));
    const std::vector<pq::ScriptEntry> entries = pq::ImportScriptFiles({path("My_Script.pqs")});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "My Script");
    EXPECT_FALSE(entries[0].builtIn);
    EXPECT_EQ(Lines(entries[0].text), Lines(text));
    const pq::ParsedScript parsed = pq::ParseScriptText(entries[0].text);
    ASSERT_EQ(parsed.commands.size(), 3u);
    EXPECT_EQ(parsed.commands[1].textString(), QString::fromUtf8("Привет мир"));
    EXPECT_EQ(parsed.commands[2].textString(), QString::fromUtf8("こんにちは"));
}

TEST_F(ScriptImport, SaveWritesCrLfUtf8WithoutMarkAndReportsWriteErrors)
{
    ASSERT_TRUE(pq::WriteScriptFile(path("a.pqs"), QString::fromUtf8("RESET\nTEXT 1 1 é")));
    QFile file(path("a.pqs"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("RESET\r\nTEXT 1 1 \xC3\xA9\r\n"));
    QString error;
    EXPECT_FALSE(pq::WriteScriptFile(path("missing/folder/b.pqs"), "RESET", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ScriptImport, Windows1252FileImportsCorrectly)
{
    ASSERT_TRUE(WriteBytes(path("cafe.txt"), QByteArray("TEXT 1 1 'caf\xE9'\r\n")));
    const std::vector<pq::ScriptEntry> entries = pq::ImportScriptFiles({path("cafe.txt")});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "cafe");
    EXPECT_EQ(pq::ParseScriptText(entries[0].text).commands.at(0).textString(), QString::fromUtf8("café"));
}

TEST_F(ScriptImport, ZipMembersInOrderAndOnlyScripts)
{
    ASSERT_TRUE(WriteBytes(path("set.ZIP"), testzip::StoredZip({{"b/Second_one.pqs", "RESET"},
                                                                 {"notes.txt", "hello"},
                                                                 {"A.PQS", "SWAP"}})));
    const std::vector<pq::ScriptEntry> entries = pq::ImportScriptFiles({path("set.ZIP")});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Second one");
    EXPECT_EQ(entries[0].text, "RESET");
    EXPECT_EQ(entries[1].name, "A");
}

TEST_F(ScriptImport, ZipWithoutScriptsAddsNothing)
{
    ASSERT_TRUE(WriteBytes(path("none.zip"), testzip::StoredZip({{"readme.txt", "x"}})));
    ASSERT_TRUE(WriteBytes(path("broken.zip"), "PK not a zip"));
    EXPECT_TRUE(pq::ImportScriptFiles({path("none.zip"), path("broken.zip"), path("absent.pqs")}).empty());
}

TEST_F(ScriptImport, SameFileTwiceGivesTwoEntries)
{
    ASSERT_TRUE(WriteBytes(path("x"), "RESET"));
    const std::vector<pq::ScriptEntry> entries = pq::ImportScriptFiles({path("x"), path("x")});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "x");
    EXPECT_EQ(entries[1].name, "x");
}

TEST(ScriptPalette, FixedLines)
{
    EXPECT_EQ(pq::InsertSaveLine(), "SAVE myslot");
    EXPECT_EQ(pq::InsertLoadLine(), "LOAD myslot");
    EXPECT_EQ(pq::InsertResizeLine(), "RESIZE 1920 1080");
    EXPECT_EQ(pq::InsertTextLine(), "TEXT 50% 50% \"Pastelloquin\"");
    EXPECT_EQ(pq::InsertFontLine(), "FONT Arial 48 bold #FFFFFFFF");
    EXPECT_EQ(pq::InsertBlendLine("normal"), "BLEND myslot 50");
    EXPECT_EQ(pq::InsertBlendLine("multiply"), "BLEND myslot 50 multiply");
}

TEST(ScriptPalette, EffectLinesWithTheLUTFile)
{
    pq::InsertChoices c;
    EXPECT_EQ(pq::InsertEffectLines(c), QStringList{"EFFECT 100 50 50 50 50 50"});
    c.effectNumber = 300;
    c.p[0] = 30;
    c.p[4] = 7;
    EXPECT_EQ(pq::InsertEffectLines(c), QStringList{"EFFECT 300 30 50 50 50 7"});
    c.effectNumber = 404;
    EXPECT_EQ(pq::InsertEffectLines(c).value(0), "LUT_FILE C:\\path\\to\\your.cube");
    c.lutFilePath = "/luts/film.cube";
    EXPECT_EQ(pq::InsertEffectLines(c).value(0), "LUT_FILE /luts/film.cube");
    c.lutFilePath = "/my luts/film.cube";
    EXPECT_EQ(pq::InsertEffectLines(c),
              (QStringList{"LUT_FILE \"/my luts/film.cube\"", "EFFECT 404 30 50 50 50 7"}));
    // Every line parses back.
    EXPECT_TRUE(pq::ParseScript(pq::InsertEffectLines(c)).ok());
}

TEST(ScriptPalette, TextureFrameAndContourLinesFollowTheChoices)
{
    pq::InsertChoices c;
    c.textureNumber = 2;
    c.textureStrength = 40;
    c.textureScale = 1.5;
    EXPECT_EQ(pq::InsertTextureLine(c), "TEXTURE #2 40 1.5");
    c.textureStrength = -1;
    EXPECT_EQ(pq::InsertTextureLine(c), "TEXTURE");
    c.frameNumber = 3;
    c.frameSize = 25;
    c.frameColor = 0xFF10A0ff;
    EXPECT_EQ(pq::InsertFrameLine(c), "FRAME #3 25 #FF10A0FF");
    EXPECT_EQ(pq::InsertBrushstrokesFrameLine(c), "FRAME brushstrokes 25 #FF10A0FF");
    c.frameSize = -1;
    EXPECT_EQ(pq::InsertFrameLine(c), "FRAME");
    EXPECT_EQ(pq::InsertBrushstrokesFrameLine(c), "FRAME brushstrokes 60");
    c.contourColor = 0x80000000;
    EXPECT_EQ(pq::InsertContourOnLine(c), "CONTOUR ON #80000000");
}

TEST(ScriptPalette, InsertLineGoesAfterTheCaretLine)
{
    QStringList lines = {"RESET", "SWAP"};
    EXPECT_EQ(pq::InsertLineAfter(lines, 0, "SAVE myslot"), 1);
    EXPECT_EQ(lines, (QStringList{"RESET", "SAVE myslot", "SWAP"}));
    EXPECT_EQ(pq::InsertLineAfter(lines, 9, "CLEAR"), 3);
    EXPECT_EQ(lines.last(), "CLEAR");
    QStringList empty;
    EXPECT_EQ(pq::InsertLineAfter(empty, 0, "RESET"), 0);
}
