// The language change of the main window: what it relabels and puts back,
// the saved and the system language, the popup and its keys, and the
// export of the lists.
#include "app/interface_languages.h"
#include "app/main_menu.h"
#include "app/main_window.h"
#include "app/menu_keys.h"
#include "event_loop.h"
#include "ui/dictionary.h"
#include "ui/language_export.h"
#include "ui/language_lists.h"
#include "ui/settings.h"
#include "ui/widgets/expander.h"
#include "workspace/canvas_area.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/gallery_strip.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

using testloop::ProcessUntil;

// The texts the language change touches, as one snapshot.
struct Captions {
    QString menuOpen;
    QString cropButton;
    QString penAndInk;
    QString watercolor;
    QString slider1;
    QString slider1Hint;
    QString galleryToggle;

    bool operator==(const Captions&) const = default;
};

class InterfaceLanguagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pq::SetSetting(QStringLiteral("language"), QString());
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->show();
        ASSERT_TRUE(ProcessUntil([&] { return window->initialized; }));
        window->setMinimumSize(0, 0);
        window->setGeometry(0, 0, 1400, 1000);
        window->dialogs().showMessage = [this](const QString& text) { messages << text; };
    }

    void TearDown() override
    {
        window.reset();
        pq::ClearTranslations();
        pq::SetCurrentLanguage(QStringLiteral("en"));
        pq::SetSetting(QStringLiteral("language"), QString());
    }

    pq::InterfaceLanguages& languages() { return window->languages(); }

    Captions captions()
    {
        Captions c;
        c.menuOpen = window->mainMenu().entry(QStringLiteral("open"))->text();
        c.cropButton = window->findChild<QAbstractButton*>(QStringLiteral("cropButton"))->text();
        c.penAndInk = window->effectLists().expander(2)->text();
        c.watercolor = window->effectLists().list(3)->item(0)->text();
        c.slider1 = window->effectPanel().sliderCaptions()[0]->text();
        c.slider1Hint = window->effectPanel().sliderCaptions()[0]->toolTip();
        c.galleryToggle = window->canvasArea().galleryToggle()->toggleLabel->text();
        return c;
    }

    QLabel* popupLabel(const char* code)
    {
        if (!languages().popup())
            languages().languageMIClick();
        return languages().popup()->findChild<QLabel*>(QStringLiteral("language_") + QLatin1String(code));
    }

    std::unique_ptr<pq::MainWindow> window;
    QStringList messages;
};

TEST_F(InterfaceLanguagesTest, GermanAndBackRestoresTheEnglishCaptions)
{
    ASSERT_EQ(pq::GetCurrentLanguage(), QStringLiteral("en"));
    const Captions english = captions();
    ASSERT_FALSE(english.slider1.isEmpty());
    ASSERT_FALSE(english.slider1Hint.isEmpty());

    languages().switchLanguage(QStringLiteral("de"));
    const Captions german = captions();
    EXPECT_EQ(german.penAndInk, QStringLiteral("      Feder && Tinte"));
    EXPECT_EQ(german.watercolor, QStringLiteral("Aquarell"));
    EXPECT_EQ(german.cropButton, QStringLiteral("Zuschneiden"));
    EXPECT_NE(german.menuOpen, english.menuOpen);
    EXPECT_NE(german.slider1, english.slider1);
    EXPECT_TRUE(german.slider1Hint.isEmpty()) << "hints without a translation show in English only";
    EXPECT_TRUE(german.galleryToggle.startsWith(QStringLiteral("Galerie einblenden")));
    EXPECT_TRUE(pq::GetSetting(QStringLiteral("language"), QString()).isEmpty()) << "a switch alone saves nothing";

    languages().switchLanguage(QStringLiteral("en"));
    EXPECT_EQ(captions(), english);
}

TEST_F(InterfaceLanguagesTest, FrenchToJapaneseTranslatesFromTheEnglishRecords)
{
    const Captions english = captions();
    languages().switchLanguage(QStringLiteral("fr"));
    EXPECT_EQ(captions().cropButton, QStringLiteral("Recadrer"));
    languages().switchLanguage(QStringLiteral("ja"));
    const Captions japanese = captions();
    EXPECT_EQ(japanese.cropButton, QStringLiteral("切り抜き"));
    EXPECT_EQ(japanese.penAndInk, QStringLiteral("      ペン && インク"));
    EXPECT_EQ(pq::Translate(QStringLiteral("Crop")), QStringLiteral("切り抜き"));
    languages().switchLanguage(QStringLiteral("en"));
    EXPECT_EQ(captions(), english);
}

TEST_F(InterfaceLanguagesTest, CartoonStaysCartoonInTheList)
{
    languages().switchLanguage(QStringLiteral("ko"));
    EXPECT_EQ(window->effectLists().list(5)->item(1)->text(), QStringLiteral("Cartoon"));
    EXPECT_EQ(window->effectLists().list(5)->item(0)->text(), QStringLiteral("모자이크"));
}

TEST_F(InterfaceLanguagesTest, UnknownSavedCodeGivesEnglishAndIsKept)
{
    const Captions english = captions();
    pq::SetSetting(QStringLiteral("language"), QStringLiteral("xx"));
    languages().applyStartupLanguage();
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("xx"));
    EXPECT_EQ(pq::TranslationCount(), 0);
    // English texts; the slider hints show for "en" alone.
    Captions expected = english;
    expected.slider1Hint.clear();
    EXPECT_EQ(captions(), expected);
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QString()), QStringLiteral("xx"));
}

TEST_F(InterfaceLanguagesTest, SavedLanguageWinsOverTheSystem)
{
    pq::SetSetting(QStringLiteral("language"), QStringLiteral("es"));
    languages().applyStartupLanguage();
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("es"));
    EXPECT_EQ(captions().cropButton, QStringLiteral("Recortar"));
}

TEST_F(InterfaceLanguagesTest, SystemLanguageIsAppliedButNeverSaved)
{
    languages().detectAndSetSystemLanguage(QStringLiteral("pt_BR"));
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("pt"));
    languages().detectAndSetSystemLanguage(QStringLiteral("zh_CN"));
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("zh"));
    EXPECT_EQ(captions().cropButton, QStringLiteral("裁剪"));
    languages().detectAndSetSystemLanguage(QStringLiteral("sv_SE"));
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("en"));
    languages().detectAndSetSystemLanguage(QStringLiteral("POSIX"));
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("en"));
    EXPECT_TRUE(pq::GetSetting(QStringLiteral("language"), QString()).isEmpty());
}

TEST_F(InterfaceLanguagesTest, PopupListsTheFourteenLanguagesInTheirOwnNames)
{
    window->commands().run(QStringLiteral("menu"));
    window->commands().run(QStringLiteral("language"));
    QFrame* popup = languages().popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->findChildren<QLabel*>().size(), 14);
    EXPECT_EQ(popupLabel("zh")->text(), QStringLiteral("中文"));
    EXPECT_EQ(popupLabel("uk")->text(), QStringLiteral("Українська"));
    // Beside the "Language" entry, inside the window.
    const QLabel* entry = window->mainMenu().entry(QStringLiteral("language"));
    EXPECT_GT(popup->x(), entry->mapTo(popup->parentWidget(), QPoint()).x() + entry->width());
    EXPECT_LE(popup->geometry().bottom(), popup->parentWidget()->height());
    window->commands().run(QStringLiteral("language"));
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(InterfaceLanguagesTest, PickedLanguageIsAppliedSavedAndClosesTheMenu)
{
    window->commands().run(QStringLiteral("menu"));
    languages().languageMIClick();
    languages().langOptionClick(popupLabel("fr"));
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("fr"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QString()), QStringLiteral("fr"));
    EXPECT_FALSE(window->mainMenu().isVisible());
    EXPECT_FALSE(languages().popup()->isVisible());
}

TEST_F(InterfaceLanguagesTest, MenuKeysPickGermanFromTheLanguageEntry)
{
    window->commands().run(QStringLiteral("menu"));
    pq::MenuKeys& keys = window->menuKeys();
    for (int i = 0; i < 40 && window->mainMenu().entryCommand(keys.selectedEntry()) != QStringLiteral("language"); ++i)
        keys.handleKey(Qt::Key_Down);
    ASSERT_EQ(window->mainMenu().entryCommand(keys.selectedEntry()), QStringLiteral("language"));
    keys.handleKey(Qt::Key_Right);
    ASSERT_NE(languages().popup(), nullptr);
    EXPECT_TRUE(languages().popup()->isVisible());
    EXPECT_EQ(keys.selectedLanguage(), 0);
    EXPECT_TRUE(popupLabel("zh")->property("keyboardHighlight").toBool());
    keys.handleKey(Qt::Key_Down);
    keys.handleKey(Qt::Key_Return);
    EXPECT_EQ(pq::GetCurrentLanguage(), QStringLiteral("de"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QString()), QStringLiteral("de"));
    EXPECT_FALSE(window->mainMenu().isVisible());
}

TEST_F(InterfaceLanguagesTest, ExportWritesTheListsAboveTheProgramAndSaysWhere)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Languages")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("build/bin")));
    languages().exportLanguages(root.filePath(QStringLiteral("build/bin")));
    const QDir target(root.filePath(QStringLiteral("Languages")));
    EXPECT_EQ(target.entryList(QDir::Files).size(), 14);
    QFile german(target.filePath(QStringLiteral("German strings.txt")));
    ASSERT_TRUE(german.open(QIODevice::ReadOnly));
    const QByteArray bytes = german.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 290);
    EXPECT_TRUE(bytes.startsWith("Bild öffnen\r\n"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("All 14 language files exported to:\r\n")));
    EXPECT_TRUE(messages[0].endsWith(QDir::toNativeSeparators(target.path())));
}

TEST_F(InterfaceLanguagesTest, ExportWithoutALanguagesFolderDoesNothing)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("a/b")));
    EXPECT_TRUE(pq::FindLanguagesFolder(root.filePath(QStringLiteral("a/b"))).isEmpty());
    languages().exportLanguages(root.filePath(QStringLiteral("a/b")));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files).size(), 0);
}

TEST_F(InterfaceLanguagesTest, ExportThatCannotWriteSaysSoAndStops)
{
    QTemporaryDir root;
    const QDir dir(root.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Languages")));
    // A folder where the English file should go cannot be replaced by it.
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Languages/English strings.txt")));
    languages().exportLanguages(root.path());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("English strings.txt")));
    const QStringList written = QDir(root.filePath(QStringLiteral("Languages"))).entryList(QDir::Files);
    EXPECT_EQ(written, (QStringList{QStringLiteral("Chinese strings.txt"), QStringLiteral("Dutch strings.txt")}));
}

TEST(LanguageExportTest, EveryFileHoldsItsListInCrLfLinesWithoutByteOrderMark)
{
    pq::LanguageLists lists;
    for (const QString& code : pq::LanguageLists::languageCodes())
        if (QStringList* list = lists.listOf(code); list && list->isEmpty())
            *list = lists.english; // a list still to come
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Languages/x/y")));
    const pq::LanguageExport result = pq::ExportLanguageLists(lists, root.filePath(QStringLiteral("Languages/x/y")));
    EXPECT_TRUE(result.error.isEmpty());
    EXPECT_EQ(result.filesWritten, 14);
    const QDir target(root.filePath(QStringLiteral("Languages")));
    EXPECT_EQ(QDir::cleanPath(result.folder), QDir::cleanPath(target.path()));
    const QStringList names = target.entryList(QDir::Files);
    ASSERT_EQ(names.size(), 14);
    EXPECT_TRUE(names.contains(QStringLiteral("Ukrainian strings.txt")));
    for (const QString& name : names) {
        QFile file(target.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << name.toStdString();
        EXPECT_EQ(bytes.count("\r\n"), 290) << name.toStdString();
        EXPECT_EQ(bytes.count('\n'), 290) << name.toStdString();
        EXPECT_TRUE(bytes.endsWith("\r\n"));
    }
    QFile english(target.filePath(QStringLiteral("English strings.txt")));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    EXPECT_EQ(pq::LanguageLists::SplitListText(english.readAll()), pq::EnglishStrings());
}

} // namespace
