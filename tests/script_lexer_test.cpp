// The lexical rules of .pqs scripts: lines, tokens, numbers in any locale,
// colours, options, item numbers, blend modes and font styles.
#include "scripting/script_lexer.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <clocale>
#include <limits>

using namespace pq;

namespace {

struct TokenCase {
    const char* line;
    QStringList tokens;
};

// Sets a decimal-comma locale for C and Qt while it lives.
class CommaLocale {
public:
    CommaLocale() : savedQt_(QLocale())
    {
        const char* saved = std::setlocale(LC_NUMERIC, nullptr);
        savedC_ = saved ? saved : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
            if (std::setlocale(LC_NUMERIC, name))
                break;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, savedC_.c_str());
        QLocale::setDefault(savedQt_);
    }

private:
    QLocale savedQt_;
    std::string savedC_;
};

} // namespace

TEST(ScriptLexer, SplitsLinesAtEveryLineBreak)
{
    EXPECT_EQ(SplitScriptLines("a\r\nb\rc\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(SplitScriptLines("a\n\nb\n"), QStringList({"a", "", "b"}));
    EXPECT_EQ(SplitScriptLines("a\r\n\r\n"), QStringList({"a", ""}));
    EXPECT_EQ(TrimScriptLine(QString("\t \x01RESET\x1f ")), "RESET");
}

TEST(ScriptLexer, TokenizesBlanksAndQuotes)
{
    const TokenCase cases[] = {
        {"EFFECT  300   1", {"EFFECT", "300", "1"}},
        {"TEXT 1 2 \"two words\" size=9", {"TEXT", "1", "2", "two words", "size=9"}},
        {"A 'it\"s' \"\"", {"A", "it\"s", ""}},
        {"A \"abc\"def", {"A", "abc", "def"}},
        {"A \"open to the end", {"A", "open to the end"}},
        {"RESET\tnow", {"RESET\tnow"}},
        {"A b\"c d", {"A", "b\"c", "d"}},
    };
    for (const TokenCase& c : cases)
        EXPECT_EQ(TokenizeLine(c.line), c.tokens) << c.line;
}

TEST(ScriptLexer, ReadsIntegersWithSignDollarAndHex)
{
    const struct {
        const char* token;
        std::optional<int> value;
    } cases[] = {
        {"42", 42},           {"-7", -7},           {"+7", 7},
        {"$1F", 31},          {"0x1f", 31},         {"0X10", 16},
        {"-$10", -16},        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int>::min()},
        {"$FFFFFFFF", -1},    {"2147483648", std::nullopt},
        {"$100000000", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt},
        {"$", std::nullopt},  {"0x", std::nullopt}, {"12a", std::nullopt},
        {" 1", std::nullopt}, {"1.0", std::nullopt}, {"#5", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadScriptInteger(c.token), c.value) << c.token;
}

TEST(ScriptLexer, ReadsRealsWithAPointOnly)
{
    const struct {
        const char* token;
        std::optional<double> value;
    } cases[] = {
        {"50.5", 50.5}, {"-0.25", -0.25}, {"+3", 3.0},     {".5", 0.5},         {"5.", 5.0},
        {"1e3", 1000.0}, {"1E-2", 0.01},  {"1e-400", 0.0}, {"1e400", std::nullopt},
        {"50,5", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt},
        {"0x10", std::nullopt}, {"", std::nullopt},   {".", std::nullopt},   {"1e", std::nullopt},
        {"5%", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<double> got = ReadScriptReal(c.token);
        ASSERT_EQ(got.has_value(), c.value.has_value()) << c.token;
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.value) << c.token;
        }
    }
}

TEST(ScriptLexer, NumbersMeanTheSameInADecimalCommaLocale)
{
    CommaLocale comma;
    EXPECT_EQ(ReadScriptReal("50.5"), 50.5);
    EXPECT_EQ(ReadScriptReal("50,5"), std::nullopt);
    EXPECT_FLOAT_EQ(ParseCoordinate("12.5%").value, 12.5f);
    EXPECT_EQ(ReadScriptInteger("1,000"), std::nullopt);
}

TEST(ScriptLexer, ReadsCoordinates)
{
    ScriptCoordinate c = ParseCoordinate(" 25% ");
    EXPECT_TRUE(c.percent);
    EXPECT_FLOAT_EQ(c.value, 25.0f);
    c = ParseCoordinate("120");
    EXPECT_FALSE(c.percent);
    EXPECT_FLOAT_EQ(c.value, 120.0f);
    c = ParseCoordinate("abc%");
    EXPECT_TRUE(c.percent);
    EXPECT_FLOAT_EQ(c.value, 0.0f);
    EXPECT_EQ(ParseCoordinate("1e300").value, std::numeric_limits<float>::max());
}

TEST(ScriptLexer, ReadsColours)
{
    const struct {
        const char* token;
        std::optional<QRgb> color;
    } cases[] = {
        {"#F03510", 0xFFF03510u},   {"#80F03510", 0x80F03510u}, {"F03510", 0xFFF03510u},
        {"$80f03510", 0x80F03510u}, {" #000000 ", 0xFF000000u}, {"#00000000", 0u},
        {"#FFF", std::nullopt},     {"red", std::nullopt},      {"##F03510", std::nullopt},
        {"#F0351G", std::nullopt},  {"#1234567", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseHexColor(c.token), c.color) << c.token;
}

TEST(ScriptLexer, SplitsOptions)
{
    EXPECT_EQ(SplitOption("size=12").key, "SIZE");
    EXPECT_EQ(SplitOption("Font='Deja Vu'").value, "Deja Vu");
    EXPECT_EQ(SplitOption("font=\"x'").value, "\"x'");
    EXPECT_EQ(SplitOption("a=b=c").value, "b=c");
    EXPECT_EQ(SplitOption("color=\"").value, "\"");
    EXPECT_TRUE(SplitOption("word").key.isEmpty());
}

TEST(ScriptLexer, ReadsItemNumbers)
{
    EXPECT_EQ(ParseItemNumber("#2"), 2);
    EXPECT_EQ(ParseItemNumber("#$A"), 10);
    EXPECT_EQ(ParseItemNumber("#abc"), -1);
    EXPECT_EQ(ParseItemNumber("#F"), -1);
    EXPECT_EQ(ParseItemNumber("#"), std::nullopt);
    EXPECT_EQ(ParseItemNumber("#FF0000"), std::nullopt);
    EXPECT_EQ(ParseItemNumber("#ff12"), std::nullopt);
    EXPECT_EQ(ParseItemNumber("2"), std::nullopt);
}

TEST(ScriptLexer, ReadsBlendModesAndFontStyles)
{
    using gfx::BlendMode;
    EXPECT_EQ(ParseBlendMode(" MULTIPLY "), BlendMode::Multiply);
    EXPECT_EQ(ParseBlendMode("softlight"), BlendMode::SoftLight);
    EXPECT_EQ(ParseBlendMode("HardLight"), BlendMode::HardLight);
    EXPECT_EQ(ParseBlendMode("difference"), BlendMode::Difference);
    EXPECT_EQ(ParseBlendMode("normal"), BlendMode::SrcOver);
    EXPECT_EQ(ParseBlendMode("hue"), BlendMode::SrcOver);

    EXPECT_EQ(ParseFontStyle("Bold"), (ScriptFontStyle{700, false}));
    EXPECT_EQ(ParseFontStyle(" italic"), (ScriptFontStyle{400, true}));
    EXPECT_EQ(ParseFontStyle("BOLDITALIC"), (ScriptFontStyle{700, true}));
    EXPECT_EQ(ParseFontStyle("regular"), ScriptFontStyle{});
    EXPECT_EQ(ParseFontStyle("heavy"), ScriptFontStyle{});
}
