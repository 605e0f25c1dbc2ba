// The translation dictionary: the English list, pairing by line, captions
// and hints of a panel, reverting, forgetting and fitting.
#include "ui/dictionary.h"
#include "ui/language_lists.h"
#include "ui/off_list_texts.h"
#include "ui/widgets/expander.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A made-up language: every English line in brackets.
QStringList TestList()
{
    QStringList lines;
    for (const QString& line : pq::EnglishStrings())
        lines << QStringLiteral("[") + line + QStringLiteral("]");
    return lines;
}

QString Bracketed(const char* text)
{
    return QStringLiteral("[") + QString::fromUtf8(text) + QStringLiteral("]");
}

class DictionaryTest : public ::testing::Test {
protected:
    void SetUp() override { useTestLanguage(); }
    void TearDown() override
    {
        pq::ClearTranslations();
        pq::SetCurrentLanguage(QStringLiteral("en"));
    }
    static void useTestLanguage()
    {
        pq::ClearTranslations();
        pq::SetCurrentLanguage(QStringLiteral("xx"));
        pq::BuildTranslations(pq::EnglishStrings(), TestList());
    }
};

TEST(EnglishList, HoldsTheKeysInTheirPlaces)
{
    const QStringList& english = pq::EnglishStrings();
    ASSERT_EQ(english.size(), 290);
    EXPECT_EQ(english.filter(QRegularExpression(QStringLiteral("^$"))).size(), 0) << "no empty line";
    EXPECT_EQ(english.at(0), QStringLiteral("Open image"));
    EXPECT_EQ(english.at(26), QStringLiteral("Language"));
    EXPECT_EQ(english.at(43), QStringLiteral("      Pen && Ink"));
    EXPECT_EQ(english.at(123), QStringLiteral("Cancel"));
    EXPECT_EQ(english.at(140), QStringLiteral("         Buy me a coffee"));
    EXPECT_EQ(english.at(195), QStringLiteral("Error saving image \"%s\": %s"));
    EXPECT_EQ(english.at(253), QStringLiteral("Cartoon"));
    EXPECT_EQ(english.at(270), QStringLiteral("LUTs"));
    EXPECT_EQ(english.at(277), QStringLiteral("The file \"%s\" already exists. Replace it?"));
    EXPECT_EQ(english.at(289), QStringLiteral("Script errors:"));
    const QString host = QString::fromLatin1(pq::kWebHostName);
    EXPECT_EQ(english.at(209), QStringLiteral("Error connecting to ") + host);
    EXPECT_EQ(english.at(212), QStringLiteral("Would you like to visit ") + host + QStringLiteral(" to download it?"));

    pq::LanguageLists lists;
    EXPECT_EQ(lists.english, english);
    EXPECT_EQ(lists.listOf(QStringLiteral("en")), &lists.english);
    EXPECT_EQ(lists.listOf(QStringLiteral("sv")), nullptr);
    EXPECT_EQ(lists.listOf(QStringLiteral("EN")), nullptr) << "exact comparison";
}

TEST_F(DictionaryTest, PairsLinesByIndex)
{
    EXPECT_EQ(pq::TranslationCount(), 290);
    EXPECT_EQ(pq::Translate(QStringLiteral("Open image")), Bracketed("Open image"));
    EXPECT_EQ(pq::Translate(QStringLiteral("Error saving image: ")) + QStringLiteral("disk full"),
              QStringLiteral("[Error saving image: ]disk full"));
    EXPECT_EQ(pq::Translate(QStringLiteral("HELP")), Bracketed("HELP"));
    EXPECT_EQ(pq::Translate(QStringLiteral("Help")), Bracketed("Help"));
    EXPECT_EQ(pq::Translate(QStringLiteral("help")), QStringLiteral("help")) << "keys compare exactly";
    EXPECT_EQ(pq::Translate(QString()), QString());
    EXPECT_EQ(pq::Translate(QStringLiteral("Not in the list")), QStringLiteral("Not in the list"));

    // In English the key comes back even while entries remain.
    pq::SetCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(pq::Translate(QStringLiteral("Open image")), QStringLiteral("Open image"));
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("en"));
}

TEST_F(DictionaryTest, AShortOrGappedListFallsBackToEnglish)
{
    QStringList target = TestList();
    target.removeLast();
    target[5].clear();
    pq::BuildTranslations(pq::EnglishStrings(), target);
    EXPECT_EQ(pq::TranslationCount(), 288);
    EXPECT_EQ(pq::Translate(QStringLiteral("Script errors:")), QStringLiteral("Script errors:")) << "missing line";
    EXPECT_EQ(pq::Translate(QStringLiteral("Redo")), QStringLiteral("Redo")) << "empty line";
    EXPECT_EQ(pq::Translate(QStringLiteral("Parse errors found")), Bracketed("Parse errors found"));

    // A list with a line missing in the middle pairs wrongly from there
    // on, but never beyond its end, and never fails.
    pq::BuildTranslations(pq::EnglishStrings(), QStringList{QStringLiteral("[Open image]")});
    EXPECT_EQ(pq::TranslationCount(), 1);
    pq::BuildTranslations(pq::EnglishStrings(), QStringList());
    EXPECT_EQ(pq::Translate(QStringLiteral("Open image")), QStringLiteral("Open image"));
}

TEST_F(DictionaryTest, BuiltInEntriesForEveryLanguageButEnglish)
{
    const int count = int(pq::OffListTexts().size());
    pq::ClearTranslations();
    pq::AddBuiltInTranslations(QStringLiteral("en"));
    EXPECT_EQ(pq::TranslationCount(), 0);
    pq::AddBuiltInTranslations(QStringLiteral("xx"));
    EXPECT_EQ(pq::TranslationCount(), 0) << "a code outside the table";
    pq::AddBuiltInTranslations(QStringLiteral("de"));
    EXPECT_EQ(pq::TranslationCount(), count);
    EXPECT_EQ(pq::Translate(QStringLiteral("Cut")), QStringLiteral("Ausschneiden"));
    EXPECT_EQ(pq::Translate(QStringLiteral("Interface size")), QStringLiteral("Oberflächengröße"));
    pq::AddBuiltInTranslations(QStringLiteral("ja"));
    EXPECT_EQ(pq::TranslationCount(), count);
    EXPECT_EQ(pq::Translate(QStringLiteral("Select all")), QStringLiteral("すべて選択")) << "later entries replace";
    // The first and the last column of the table.
    pq::AddBuiltInTranslations(QStringLiteral("zh"));
    EXPECT_EQ(pq::Translate(QStringLiteral("Print to PDF")), QStringLiteral("打印为 PDF"));
    pq::AddBuiltInTranslations(QStringLiteral("uk"));
    EXPECT_EQ(pq::Translate(QStringLiteral("Print to PDF")), QStringLiteral("Друк у PDF"));
}

// Every text outside the lists has a translation of its own in every
// language, which keeps the English text's placeholders, its closing
// punctuation and its first letter's case; no such text is also a line of
// the lists.
TEST(OffListTexts, EveryLanguageHasItsOwnText)
{
    const QStringList& english = pq::EnglishStrings();
    const QRegularExpression placeholder(QStringLiteral("%[0-9a-z]"));
    const auto placeholders = [&](const QString& text) {
        QStringList found;
        for (const QRegularExpressionMatch& m : placeholder.globalMatch(text))
            found << m.captured();
        return found;
    };
    for (const pq::OffListText& row : pq::OffListTexts()) {
        const QString key = QString::fromUtf8(row.english);
        EXPECT_FALSE(english.contains(key)) << row.english;
        for (size_t i = 0; i < row.texts.size(); ++i) {
            const QString text = QString::fromUtf8(row.texts[i]);
            const char* code = pq::kOffListLanguages[i];
            ASSERT_FALSE(text.trimmed().isEmpty()) << row.english << " " << code;
            EXPECT_NE(text, key) << row.english << " " << code;
            EXPECT_EQ(placeholders(text), placeholders(key)) << row.english << " " << code;
            if (key.endsWith(QLatin1Char('.'))) {
                EXPECT_TRUE(text.endsWith(QLatin1Char('.')) || text.endsWith(QChar(0x3002)))
                    << row.english << " " << code;
            }
            if (key.endsWith(QLatin1Char(':'))) {
                EXPECT_TRUE(text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A)))
                    << row.english << " " << code;
            }
            if (key.front().isLower()) {
                EXPECT_FALSE(text.front().isUpper()) << "follows a colon: " << row.english << " " << code;
            }
        }
    }
}

// A panel as the overlay code builds one.
struct TestPanel {
    TestPanel()
    {
        root = std::make_unique<QWidget>();
        root->setObjectName(QStringLiteral("Panel"));
        auto* layout = new QHBoxLayout(root.get());
        title = new QLabel(QStringLiteral("Combine images"), root.get());
        apply = new QPushButton(QStringLiteral("Apply"), root.get());
        apply->setToolTip(QStringLiteral("Apply effect"));
        toggle = new QPushButton(QStringLiteral("Show gallery"), root.get());
        check = new QCheckBox(QStringLiteral("Drop shadow"), root.get());
        list = new QListWidget(root.get());
        list->addItems({QStringLiteral("Normal"), QStringLiteral("Multiply"), QStringLiteral("My own mode")});
        expander = new pq::Expander(QStringLiteral("      Pen && Ink"), new QListWidget, root.get());
        for (QWidget* w : std::initializer_list<QWidget*>{title, apply, toggle, check, list, expander})
            layout->addWidget(w);
        // A window of its own inside the panel is left to its own calls.
        window = new QWidget(root.get(), Qt::Window);
        windowLabel = new QLabel(QStringLiteral("Close"), window);
    }
    std::unique_ptr<QWidget> root;
    QLabel* title;
    QPushButton* apply;
    QPushButton* toggle;
    QCheckBox* check;
    QListWidget* list;
    pq::Expander* expander;
    QWidget* window;
    QLabel* windowLabel;
};

TEST_F(DictionaryTest, TranslatesAndRevertsCaptionsAndHints)
{
    TestPanel panel;
    pq::TranslateComponent(panel.root.get());
    EXPECT_EQ(panel.title->text(), Bracketed("Combine images"));
    EXPECT_EQ(panel.apply->text(), Bracketed("Apply"));
    EXPECT_EQ(panel.apply->toolTip(), Bracketed("Apply effect"));
    EXPECT_EQ(panel.check->text(), Bracketed("Drop shadow"));
    EXPECT_EQ(panel.list->item(1)->text(), Bracketed("Multiply"));
    EXPECT_EQ(panel.list->item(2)->text(), QStringLiteral("My own mode")) << "not a key";
    EXPECT_EQ(panel.expander->text(), Bracketed("      Pen && Ink"));
    EXPECT_EQ(panel.windowLabel->text(), QStringLiteral("Close"));

    // Translating again changes nothing.
    pq::TranslateComponent(panel.root.get());
    EXPECT_EQ(panel.title->text(), Bracketed("Combine images"));

    pq::RevertComponent(panel.root.get());
    EXPECT_EQ(panel.title->text(), QStringLiteral("Combine images"));
    EXPECT_EQ(panel.apply->toolTip(), QStringLiteral("Apply effect"));
    EXPECT_EQ(panel.list->item(1)->text(), QStringLiteral("Multiply"));
    EXPECT_EQ(panel.expander->text(), QStringLiteral("      Pen && Ink"));
    pq::RevertComponent(panel.root.get());
    EXPECT_EQ(panel.apply->text(), QStringLiteral("Apply")) << "a second revert is harmless";
}

TEST_F(DictionaryTest, CaptionsSetByCodeAreAdopted)
{
    TestPanel panel;
    pq::TranslateComponent(panel.root.get());
    // Code sets a new English caption; another shows the translation of
    // its record; a third is set to the record's translation.
    panel.toggle->setText(QStringLiteral("Hide gallery"));
    panel.check->setText(Bracketed("Drop shadow"));
    panel.title->setText(QStringLiteral("Some text code wrote"));
    pq::TranslateComponent(panel.root.get());
    EXPECT_EQ(panel.toggle->text(), Bracketed("Hide gallery"));
    EXPECT_EQ(panel.check->text(), Bracketed("Drop shadow"));
    EXPECT_EQ(panel.title->text(), QStringLiteral("Some text code wrote"));

    pq::RevertComponent(panel.root.get());
    EXPECT_EQ(panel.toggle->text(), QStringLiteral("Hide gallery"));
    EXPECT_EQ(panel.check->text(), QStringLiteral("Drop shadow"));
    EXPECT_EQ(panel.title->text(), QStringLiteral("Some text code wrote"));
}

TEST_F(DictionaryTest, NothingHappensInEnglishOrAfterForgetting)
{
    TestPanel panel;
    pq::SetCurrentLanguage(QStringLiteral("en"));
    pq::ClearTranslations();
    pq::TranslateComponent(panel.root.get());
    EXPECT_EQ(panel.title->text(), QStringLiteral("Combine images"));
    panel.title->setText(QStringLiteral("Changed"));
    pq::RevertComponent(panel.root.get());
    EXPECT_EQ(panel.title->text(), QStringLiteral("Changed")) << "nothing was recorded";

    useTestLanguage();
    pq::TranslateComponent(panel.root.get());
    pq::ForgetComponent(panel.root.get());
    pq::RevertComponent(panel.root.get());
    EXPECT_EQ(panel.apply->text(), Bracketed("Apply")) << "records forgotten";
    pq::TranslateComponent(nullptr);
    pq::ForgetComponent(nullptr);
}

TEST_F(DictionaryTest, ShortLivedPanelsTranslateAndRevert)
{
    // Many short-lived labels: a new one at a freed address must not
    // inherit an old record.
    for (int i = 0; i < 50; ++i) {
        QWidget root;
        auto* label = new QLabel(i % 2 ? QStringLiteral("Open image") : QStringLiteral("Save image"), &root);
        pq::TranslateComponent(&root);
        EXPECT_EQ(label->text(), i % 2 ? Bracketed("Open image") : Bracketed("Save image"));
        pq::RevertComponent(&root);
        EXPECT_EQ(label->text(), i % 2 ? QStringLiteral("Open image") : QStringLiteral("Save image"));
    }
}

TEST(AutoFit, ShrinksInHalfStepsDownToNine)
{
    QWidget root;
    auto* label = new QLabel(QStringLiteral("Impasto brushstrokes and more"), &root);
    QFont font = label->font();
    font.setPixelSize(16);
    label->setFont(font);
    label->setGeometry(0, 0, 170, 24);
    pq::AutoFitControlText(label);
    EXPECT_EQ(label->property("TagFloat").toReal(), 16.0) << "base size kept";
    const qreal px = label->font().pixelSize() > 0 ? label->font().pixelSize()
                                                   : label->font().pointSizeF() * label->logicalDpiY() / 72.0;
    EXPECT_LT(px, 16.0);
    EXPECT_GT(px, 9.0);
    EXPECT_DOUBLE_EQ(std::fmod(px * 2, 1.0), 0.0) << "steps of 0.5";
    EXPECT_TRUE(pq::TextFits(label->text(), label->font(), 168, 20, false));
    EXPECT_FALSE(pq::TextFits(label->text(), [&] {
        QFont bigger = label->font();
        bigger.setPointSizeF((px + 0.5) * 72.0 / label->logicalDpiY());
        return bigger;
    }(), 168, 20, false)) << "the largest size that fits";

    // Fitting again gives the same size; a short text gets the base back.
    const QFont once = label->font();
    pq::AutoFitControlText(label);
    EXPECT_EQ(label->font(), once);
    label->setText(QStringLiteral("OK"));
    pq::AutoFitControlText(label);
    EXPECT_EQ(label->font().pixelSize(), 16);

    // A very long caption stops at 9.
    label->setText(QStringLiteral("An extremely long caption that cannot fit in such a narrow label at all"));
    pq::AutoFitControlText(label);
    EXPECT_EQ(label->font().pixelSize(), 9);
}

TEST(AutoFit, LeavesAloneWhatFitsOrSizesItself)
{
    QWidget root;
    auto* layout = new QHBoxLayout(&root);
    auto* sized = new QLabel(QStringLiteral("A label its layout sizes to its long text"), &root);
    layout->addWidget(sized);
    auto* tall = new QLabel(QStringLiteral("Three lines of text in a tall label that wraps"), &root);
    tall->setGeometry(0, 0, 40, 80);
    auto* check = new QCheckBox(QStringLiteral("Lock"), &root);
    check->setGeometry(0, 0, 200, 24);
    const QFont sizedFont = sized->font();
    const QFont tallFont = tall->font();
    const QFont checkFont = check->font();
    sized->resize(30, 20);
    pq::AutoFitTexts(&root);
    EXPECT_EQ(sized->font(), sizedFont);
    EXPECT_EQ(tall->font(), tallFont);
    EXPECT_EQ(check->font(), checkFont);

    // A button too narrow for its caption shrinks.
    auto* button = new QPushButton(QStringLiteral("Load custom brushes"), &root);
    QFont font = button->font();
    font.setPixelSize(14);
    button->setFont(font);
    button->setGeometry(0, 0, 90, 30);
    pq::AutoFitTexts(&root);
    EXPECT_LT(button->font().pointSizeF() * button->logicalDpiY() / 72.0, 14.0);
}

} // namespace
