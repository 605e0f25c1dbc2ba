// The interface language lists: the English keys word for word, and every
// built-in translation against the rules each of its lines keeps.
#include "ui/language_lists.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The English interface texts, one a line, as the program must have them.
const char* const kEnglish = R"pq(Open image
Save image
Copy to clipboard
Paste from clipboard
Undo
Redo
Print
Help
A cup of coffee?
Close Pastelloquin
Split view on
Split view off
Menu
Zoom out
100% zoom
Zoom in
FILE
EDIT
HELP
Open
Save
Quit
View source image
Swap Source/Result
Combine source/result
Online help
Language
About Pastelloquin
How about a coffee?
TOOLS
ARTISTIC FILTERS
PARAMETERS
PREVIEW
Crop
Resize
Rotate left
Rotate right
Add text
Add texture
Add a frame
Manual brush
Default Image
Show original image
      Pen && Ink
      Painting
      Photo lab
      Sketch && Drawing
Pencil Sketch 1
Pencil Sketch 2
Pencil Sketch 3
Black & White
Stippling
Felt-tip pen
Watercolor
Oil Pastel
Watercolor splashes
Impasto brushstrokes
Smooth painting
Stochastic Painting
Orton filter
Adjustments
Vintage / Sepia
Retro film
Sepia
Kodachrome
Brushstrokes Frame
Unknown Effect
Color Palette Transfer
edge threshold
edge darkness
brightness
contrast
color intensity
min stroke size
max stroke size
number of strokes
quality
iterations
stroke length
blending
level of details
lighten/darken
simplification
darkening
stroke density
stroke opacity
stroke width
edge intensity
brush complexity
brush size
opacity
glow radius
exposure
strength of effect
vibrance
darken/lighten
luminosity
structure
blur/sharpen
number of colors
dithering
diversity
luminance
strength
min brush size
max brush size
precision
vignette
grain
blur
saturation
warmth
Iterations
Brush complexity
Brush size
Opacity
Edge intensity
Apply effect
Update preview
Erase background
Draw shape contours
Load custom brushes
Reset brushes
Cancel
Apply text
Font family
Font size
Font style
Drop shadow
Printer
Landscape
Margin (mm)
Scaling
Image DPI
Best Fit
Stretch to Fill
Original Size
No image loaded
Drop image here or
Browse files
         Buy me a coffee
Show gallery
Hide gallery
Add image to gallery
Double-click to replace; drag & drop to combine
Memory usage
Source
Double-click to reset this effect's parameters
Load parameter file
Save parameter file
Pastelloquin online help
No base image loaded.
No blend image selected.
Error loading texture image: 
Failed to load image: 
Error loading custom brushes
Error loading image: 
Error saving image: 
Error loading parameters: 
Parameters saved successfully!
Error saving parameters: 
Memory error before thread.
Critical: No system fonts available. Text features disabled.
Width
Height
Lock Aspect Ratio
OK
Click on your chosen frame
margin color
margin size
Apply brushstrokes frame
Load custom frame
Apply frame
Click on your chosen texture
scale
Load custom texture
Apply texture
Size
Softness
Close
Combine images
Blend amount
Blend mode
Apply
Normal
Multiply
Darken
Lighten
Enter your text here
Cancel batch
Start batch
Please wait for the current effect to finish.
Select images for batch processing
To start batch processing, choose the desired effect and parameters and when ready press the 'Start batch' button
Processing image %d of %d...
Error saving image "%s": %s
Batch complete: %d of %d images processed.
Batch mode
Watercolor 2
density
region threshold
abstraction
contours
dot spacing
min dot size
max dot size
Script Editor
Script
Check for update
Error connecting to www.pastelloquin.com
Version %s is available.
You are currently using %s.
Would you like to visit www.pastelloquin.com to download it?
Pastelloquin Atelio is up to date
Select script for batch processing
Batch will run script: %s
Script has errors:
Open...
Save as...
Run
Insert command
Effect (current)
Load
Swap
Reset
Blend
Texture
Frame
Text
Font
Clear
Do not clear
Comic print
Crosshatch
looseness
line weight
Brushstrokes 2
Frame (brushstrokes)
Set as Result
Set as Source
Right-click: set as source or result
Drag && drop: blend with current
Drag & drop: blend with current
Select image file
Save image file
Select LUT...
Select LUT
Embedded LUTs:
Preview:
Load from disk...
Select
      Stylize
Mosaic
Cartoon
Circles
Triangles
edge thickness
smoothing
edge detail
color tolerance
intensity
Auto-enhance
EFFECT
SLOTS
CANVAS
FINALIZE
Advanced: run a script instead of the current effect
Exit anyway?
Pastelloquin image
Image too large for available memory: 
LUTs
Load script...
Minimize
Restore
Running...
Select LUT File (.cube)
Source image
The file "%s" already exists. Replace it?
There are unsaved changes.
Script completed successfully
Cancelled by user
Loaded:
Imported %d script(s)
No scripts found
Save Script
Saved:
Script is empty
... and %d more errors
Parse errors found
Script errors:
)pq";

QStringList ExpectedEnglish()
{
    QStringList lines = QString::fromUtf8(kEnglish).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

const QStringList& TranslatedCodes()
{
    static const QStringList kCodes = [] {
        QStringList codes = pq::LanguageLists::languageCodes();
        codes.removeAll(QStringLiteral("en"));
        return codes;
    }();
    return kCodes;
}

// The built-in file's bytes; empty when the program has no list for code.
QByteArray ListBytes(const QString& code)
{
    QFile file(QStringLiteral(":/languages/%1.txt").arg(code));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Placeholders(const QString& line)
{
    static const QRegularExpression kPlaceholder(QStringLiteral("%[ds]"));
    QStringList found;
    for (auto it = kPlaceholder.globalMatch(line); it.hasNext();)
        found << it.next().captured();
    return found;
}

int LeadingBlanks(const QString& line)
{
    int n = 0;
    while (n < line.size() && line[n] == QLatin1Char(' '))
        ++n;
    return n;
}

// An "&" that is not part of "&&".
bool HasSingleAmpersand(const QString& line)
{
    static const QRegularExpression kSingle(QStringLiteral("(?<!&)&(?!&)"));
    return line.contains(kSingle);
}

} // namespace

TEST(LanguageListsTest, EnglishListIsTheKeyListWordForWord)
{
    const QStringList expected = ExpectedEnglish();
    ASSERT_EQ(expected.size(), 290);
    const QStringList& english = pq::EnglishStrings();
    ASSERT_EQ(english.size(), 290);
    for (int i = 0; i < 290; ++i)
        EXPECT_EQ(english[i], expected[i]) << "line " << i;
    EXPECT_EQ(pq::InterfaceLanguageLists().english, expected);
}

TEST(LanguageListsTest, EveryTranslatedListIsBuiltIn)
{
    for (const char* code : {"zh", "de", "es", "fr", "it", "ja", "ko", "nl", "pl", "pt", "ru", "tr", "uk"})
        EXPECT_FALSE(ListBytes(QString::fromLatin1(code)).isEmpty()) << code;
    EXPECT_TRUE(ListBytes(QStringLiteral("en")).isEmpty());
}

TEST(LanguageListsTest, FilesAreUtf8WithoutByteOrderMarkAndLineFeedsOnly)
{
    for (const QString& code : TranslatedCodes()) {
        const QByteArray bytes = ListBytes(code);
        if (bytes.isEmpty())
            continue;
        SCOPED_TRACE(code.toStdString());
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
        EXPECT_FALSE(bytes.contains('\r'));
        EXPECT_TRUE(bytes.endsWith('\n'));
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << "not valid UTF-8";
        EXPECT_EQ(bytes.count('\n'), 290);
    }
}

TEST(LanguageListsTest, EveryLineKeepsTheRulesOfItsEnglishLine)
{
    const QStringList& english = pq::EnglishStrings();
    const QString host = QString::fromLatin1(pq::kWebHostName);
    for (const QString& code : TranslatedCodes()) {
        const QStringList lines = pq::LanguageLists::LoadBuiltIn(code);
        if (lines.isEmpty())
            continue;
        SCOPED_TRACE(code.toStdString());
        ASSERT_EQ(lines.size(), 290);
        const QStringList* held = pq::InterfaceLanguageLists().listOf(code);
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(*held, lines);
        for (int i = 0; i < 290; ++i) {
            const QString& en = english[i];
            const QString& line = lines[i];
            SCOPED_TRACE("line " + std::to_string(i) + ": " + line.toStdString());
            EXPECT_FALSE(line.trimmed().isEmpty());
            EXPECT_EQ(Placeholders(line), Placeholders(en));
            EXPECT_EQ(LeadingBlanks(line), LeadingBlanks(en));
            EXPECT_EQ(line.endsWith(QLatin1Char(' ')), en.endsWith(QLatin1Char(' ')));
            EXPECT_FALSE(line.endsWith(QStringLiteral("  ")));
            // "&&" is a literal "&" (or the language's "and"); a single "&"
            // stays single.
            if (en.contains(QStringLiteral("&&"))) {
                EXPECT_FALSE(HasSingleAmpersand(line)) << "a single & where English has &&";
            } else {
                EXPECT_FALSE(line.contains(QStringLiteral("&&"))) << "&& where English has none";
            }
            for (const char* name : {"Pastelloquin", "Atelio", "Kodachrome"}) {
                if (en.contains(QLatin1String(name))) {
                    EXPECT_TRUE(line.contains(QLatin1String(name))) << name;
                }
            }
            if (en.contains(host)) {
                EXPECT_TRUE(line.contains(host));
            }
        }
        EXPECT_EQ(lines[253], QStringLiteral("Cartoon"));
        EXPECT_EQ(lines[270], QStringLiteral("LUTs"));
    }
}

TEST(LanguageListsTest, TellingRowsReadAsAgreed)
{
    struct Row {
        const char* code;
        const char* language;
        const char* penAndInk;
        const char* cancel;
    };
    const Row rows[] = {
        {"zh", "语言", "      钢笔 && 墨水", "取消"},
        {"de", "Sprache", "      Feder && Tinte", "Abbrechen"},
        {"es", "Idioma", "      Pluma && Tinta", "Cancelar"},
        {"fr", "Langue", "      Plume && Encre", "Annuler"},
        {"it", "Lingua", "      Penna e Inchiostro", "Annulla"},
        {"ja", "言語", "      ペン && インク", "キャンセル"},
        {"ko", "언어", "      펜 && 잉크", "취소"},
        {"nl", "Taal", "      Pen && Inkt", "Annuleren"},
        {"pl", "Język", "      Pióro && Tusz", "Anuluj"},
        {"pt", "Idioma", "      Caneta && Tinta", "Cancelar"},
        {"ru", "Язык", "      Перо && Чернила", "Отмена"},
        {"tr", "Dil", "      Kalem && Mürekkep", "İptal"},
        {"uk", "Мова", "      Перо && Чорнило", "Скасувати"},
    };
    for (const Row& row : rows) {
        const QStringList lines = pq::LanguageLists::LoadBuiltIn(QString::fromLatin1(row.code));
        if (lines.size() != 290)
            continue;
        SCOPED_TRACE(row.code);
        EXPECT_EQ(lines[26], QString::fromUtf8(row.language));
        EXPECT_EQ(lines[43], QString::fromUtf8(row.penAndInk));
        EXPECT_EQ(lines[123], QString::fromUtf8(row.cancel));
    }
}

TEST(LanguageListsTest, ListTextSplitsOnEitherLineEnd)
{
    EXPECT_EQ(pq::LanguageLists::SplitListText("a\r\nb\r\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(pq::LanguageLists::SplitListText("\xEF\xBB\xBF" "a\nb"), (QStringList{"a", "b"}));
    EXPECT_EQ(pq::LanguageLists::SplitListText("a\n\nb\n"), (QStringList{"a", "", "b"}));
    EXPECT_TRUE(pq::LanguageLists::SplitListText("").isEmpty());
}

TEST(LanguageListsTest, LocaleNamesGiveTheirLanguageOrEnglish)
{
    EXPECT_EQ(pq::LanguageOfLocale(QStringLiteral("pt_BR")), QStringLiteral("pt"));
    EXPECT_EQ(pq::LanguageOfLocale(QStringLiteral("pt_PT")), QStringLiteral("pt"));
    EXPECT_EQ(pq::LanguageOfLocale(QStringLiteral("zh_CN")), QStringLiteral("zh"));
    EXPECT_EQ(pq::LanguageOfLocale(QStringLiteral("de_AT")), QStringLiteral("de"));
    EXPECT_EQ(pq::LanguageOfLocale(QStringLiteral("sv_SE")), QStringLiteral("en"));
    EXPECT_EQ(pq::LanguageOfLocale(QStringLiteral("C")), QStringLiteral("en"));
    EXPECT_EQ(pq::LanguageOfLocale(QStringLiteral("POSIX")), QStringLiteral("en"));
    EXPECT_EQ(pq::LanguageOfLocale(QString()), QStringLiteral("en"));
}
