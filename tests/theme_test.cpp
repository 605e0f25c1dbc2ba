// The theme: colour mapping, the saved mode, the recolouring walk and the
// main window switching dark -> light -> dark.
#include "ui/dictionary.h"
#include "app/main_window.h"
#include "app/panel_host.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "panels/overlay_host.h"
#include "panels/overlay_host.h"
#include "ui/settings.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/widgets/icon_button.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <map>

namespace {

class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = pq::SettingsFolder();
        ASSERT_TRUE(dir.isValid());
        pq::SetSettingsFolder(dir.path());
        pq::gThemeMode = pq::ThemeMode::Dark;
    }
    void TearDown() override
    {
        pq::gThemeMode = pq::ThemeMode::Dark;
        pq::ClearTranslations();
        pq::SetCurrentLanguage(QStringLiteral("en"));
        pq::SetSettingsFolder(previous);
    }

    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        pq::SetSettingsFolder(dir.path()); // a new run
    }

    QTemporaryDir dir;
    QString previous;
};

TEST(ThemeColors, FillColorsMapThroughThePairs)
{
    EXPECT_EQ(pq::MapThemeColor(0xFF111827, true), 0xFFE8ECF2u);
    EXPECT_EQ(pq::MapThemeColor(0x80314158, true), 0x80FEFFFFu) << "alpha kept";
    EXPECT_EQ(pq::MapThemeColor(0xFFAAAAAA, true), 0xFF94A3B8u);
    EXPECT_EQ(pq::MapThemeColor(0xFF94A3B8, false), 0xFFAAAAAAu);
    // Opaque white towards dark becomes 1F2937; towards light it stays.
    EXPECT_EQ(pq::MapThemeColor(0xFFFFFFFF, false), 0xFF1F2937u);
    EXPECT_EQ(pq::MapThemeColor(0xFFFFFFFF, true), 0xFFFFFFFFu);
    // Translucent white and black swap; opaque or clear ones do not.
    EXPECT_EQ(pq::MapThemeColor(0x80FFFFFF, true), 0x80000000u);
    EXPECT_EQ(pq::MapThemeColor(0x80000000, false), 0x80FFFFFFu);
    EXPECT_EQ(pq::MapThemeColor(0x00FFFFFF, true), 0x00FFFFFFu);
    EXPECT_EQ(pq::MapThemeColor(0xFF000000, false), 0xFF000000u);
    EXPECT_EQ(pq::MapThemeColor(0xFF3B82F6, true), 0xFF3B82F6u) << "outside the table";
}

TEST(ThemeColors, TextColorsMapByLuminance)
{
    EXPECT_EQ(pq::MapThemeTextColor(0xFFD5D5D5, true), 0xFF2A3744u);
    EXPECT_EQ(pq::MapThemeTextColor(0xFF2A3744, false), 0xFFD5D5D5u);
    EXPECT_EQ(pq::MapThemeTextColor(0xFFB5B5B5, true), 0xFF566275u) << "luminance 181";
    EXPECT_EQ(pq::MapThemeTextColor(0xFF566275, false), 0xFFB5B5B5u);
    EXPECT_EQ(pq::MapThemeTextColor(0xFF8C8C8C, true), 0xFF566275u) << "luminance 140";
    EXPECT_EQ(pq::MapThemeTextColor(0xFF8B8B8B, true), 0xFF8B8B8Bu) << "luminance 139";
    EXPECT_EQ(pq::MapThemeTextColor(0xFF566275, true), 0xFF566275u) << "already light";
    EXPECT_EQ(pq::MapThemeTextColor(0xFFFFFFFF, true), 0xFF2A3744u);
    EXPECT_EQ(pq::MapThemeTextColor(0xFFE04040, true), 0xFFE04040u) << "coloured";
    EXPECT_EQ(pq::MapThemeTextColor(0xFF808080, true), 0xFF808080u) << "luminance 128";
    EXPECT_EQ(pq::MapThemeTextColor(0x00D5D5D5, true), 0x00D5D5D5u) << "fully transparent";
    EXPECT_EQ(pq::MapThemeTextColor(0xFF2A3744, true), 0xFF2A3744u);
    EXPECT_EQ(pq::MapThemeTextColor(0xFFD5D5D5, false), 0xFFD5D5D5u);

    pq::gThemeMode = pq::ThemeMode::Light;
    EXPECT_EQ(pq::ThemedColor(0xFF1F2937), 0xFFFFFFFFu);
    EXPECT_EQ(pq::ThemedTextColor(0xFFD5D5D5), 0xFF2A3744u);
    EXPECT_EQ(pq::ThemedBackgroundColor(0xF0314158), 0xF0E8ECF2u);
    EXPECT_EQ(pq::ThemeStyleResourceName(), QStringLiteral("VORLUNE_LIGHT"));
    pq::gThemeMode = pq::ThemeMode::Dark;
    EXPECT_EQ(pq::ThemedColor(0xFF1F2937), 0xFF1F2937u);
    EXPECT_EQ(pq::ThemedBackgroundColor(0xF0314158), 0xF0314158u);
    EXPECT_EQ(pq::ThemeStyleResourceName(), QStringLiteral("VORLUNE_DARK"));
    EXPECT_FALSE(pq::ThemeStyleSheet(QStringLiteral("VORLUNE_LIGHT")).isEmpty());
    EXPECT_THROW(pq::ThemeStyleSheet(QStringLiteral("VORLUNE_BLUE")), std::runtime_error);
}

TEST_F(ThemeTest, SavedModeInAnyCaseAndTheLegacyFile)
{
    const auto modeAfter = [&](const QByteArray& settings, const QByteArray& legacy) {
        QFile::remove(pq::SettingsFilePath());
        QFile::remove(pq::LegacyThemeFilePath());
        if (!settings.isNull())
            writeFile(QStringLiteral("settings.txt"), settings);
        if (!legacy.isNull())
            writeFile(QStringLiteral("theme.txt"), legacy);
        pq::SetSettingsFolder(dir.path());
        pq::LoadTheme();
        return pq::gThemeMode;
    };
    EXPECT_EQ(modeAfter(QByteArray(), QByteArray()), pq::ThemeMode::Dark);
    EXPECT_EQ(modeAfter("Theme=Light\r\n", QByteArray()), pq::ThemeMode::Light);
    EXPECT_EQ(modeAfter("theme= LIGHT \r\n", QByteArray()), pq::ThemeMode::Light);
    EXPECT_EQ(modeAfter("theme = light\r\n", QByteArray()), pq::ThemeMode::Dark) << "blanks around = make another name";
    EXPECT_EQ(modeAfter("theme=dark\r\n", "light"), pq::ThemeMode::Dark) << "the legacy file only without a theme";
    EXPECT_EQ(modeAfter("theme=\r\n", "  LIGHT\r\n"), pq::ThemeMode::Light);
    EXPECT_EQ(modeAfter(QByteArray(), "Light mode"), pq::ThemeMode::Dark);
    EXPECT_EQ(modeAfter(QByteArray(), ""), pq::ThemeMode::Dark);

    pq::gThemeMode = pq::ThemeMode::Light;
    pq::SaveTheme();
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme"), QString()), QStringLiteral("light"));
    EXPECT_TRUE(QFile::exists(pq::LegacyThemeFilePath())) << "the legacy file is never removed";
}

TEST(ThemeWalk, StyleSheetColorsMapByProperty)
{
    const QString sheet = QStringLiteral(
        "#Box { background: #111827; border: 2px solid #545F72; color: #D5D5D5; }\n"
        "#Box:hover { background: rgba(255, 255, 255, 20); color: white; }");
    EXPECT_EQ(pq::MapStyleSheetColors(sheet, true),
              QStringLiteral("#Box { background: #e8ecf2; border: 2px solid #d7dfea; color: #2a3744; }\n"
                             "#Box:hover { background: rgba(0, 0, 0, 20); color: #2a3744; }"));
    EXPECT_EQ(pq::MapStyleSheetColors(QStringLiteral("background: #1F2937; border-radius: 4px;"), true),
              QStringLiteral("background: #ffffff; border-radius: 4px;"));
    EXPECT_EQ(pq::MapStyleSheetColors(QStringLiteral("color: #FF4040; background: red;"), true),
              QStringLiteral("color: #FF4040; background: red;"));
}

TEST(ThemeWalk, DarkLightDarkRestoresEveryDesignedColor)
{
    QWidget root;
    auto* layout = new QVBoxLayout(&root);
    // Opaque white is outside the dark column: mapping the light colours
    // back in place would turn it into 1F2937.
    auto* card = new QWidget(&root);
    const QString cardSheet = QStringLiteral("background: #FFFFFF; border: 1px solid #374151;");
    card->setStyleSheet(cardSheet);
    auto* label = new QLabel(QStringLiteral("text"), card);
    const QString labelSheet = QStringLiteral("color: white; background: rgba(255, 255, 255, 46);");
    label->setStyleSheet(labelSheet);
    auto* plate = new QWidget(&root);
    const QString plateSheet = QStringLiteral("#Plate { background: #2D3B51; } QLabel { color: #B5B5B5; }");
    plate->setStyleSheet(plateSheet);
    auto* icon = new QLabel(&root);
    pq::SetIconLabel(icon, QStringLiteral("open"), QColor(0xD5, 0xD5, 0xD5), 20);
    const QImage designedIcon = icon->pixmap().toImage();
    auto* skipped = new QWidget(&root);
    skipped->setStyleSheet(QStringLiteral("background: #111827;"));
    for (QWidget* w : {card, plate, static_cast<QWidget*>(icon), skipped})
        layout->addWidget(w);
    const auto skip = [skipped](const QObject* o) { return o == skipped; };

    pq::WalkThemeColors(&root, true, skip);
    EXPECT_EQ(card->styleSheet(), QStringLiteral("background: #FFFFFF; border: 1px solid #dce3eb;"));
    EXPECT_EQ(label->styleSheet(), QStringLiteral("color: #2a3744; background: rgba(0, 0, 0, 46);"));
    EXPECT_EQ(plate->styleSheet(), QStringLiteral("#Plate { background: #f4f7fa; } QLabel { color: #566275; }"));
    EXPECT_NE(icon->pixmap().toImage(), designedIcon);
    EXPECT_EQ(skipped->styleSheet(), QStringLiteral("background: #111827;"));

    for (int round = 0; round < 2; ++round) {
        pq::WalkThemeColors(&root, false, skip);
        EXPECT_EQ(card->styleSheet(), cardSheet);
        EXPECT_EQ(label->styleSheet(), labelSheet);
        EXPECT_EQ(plate->styleSheet(), plateSheet);
        EXPECT_EQ(icon->pixmap().toImage(), designedIcon);
        pq::WalkThemeColors(&root, true, skip);
    }
    // Walking twice the same way changes nothing more.
    const QString light = card->styleSheet();
    pq::WalkThemeColors(&root, true, skip);
    EXPECT_EQ(card->styleSheet(), light);
}

TEST(ThemeWalk, AColorSetByCodeBecomesTheNewRecord)
{
    QWidget root;
    auto* box = new QWidget(&root);
    box->setStyleSheet(QStringLiteral("background: #111827;"));
    pq::WalkThemeColors(&root, true);
    // Code sets a light colour while the light theme shows.
    box->setStyleSheet(QStringLiteral("background: #F4F7FA;"));
    pq::WalkThemeColors(&root, false);
    EXPECT_EQ(box->styleSheet(), QStringLiteral("background: #2d3b51;"));
    pq::WalkThemeColors(&root, true);
    EXPECT_EQ(box->styleSheet(), QStringLiteral("background: #F4F7FA;"));
    // And a dark colour while dark shows.
    pq::WalkThemeColors(&root, false);
    box->setStyleSheet(QStringLiteral("background: #0C1624;"));
    pq::WalkThemeColors(&root, true);
    EXPECT_EQ(box->styleSheet(), QStringLiteral("background: #e2e7ef;"));
}

// Every widget's own style sheet.
std::map<const QWidget*, QString> ColorsOf(const QWidget& root)
{
    std::map<const QWidget*, QString> colors;
    for (const QWidget* w : root.findChildren<QWidget*>())
        colors[w] = w->styleSheet();
    return colors;
}

// The widgets whose style sheets differ, by name.
std::string Differences(const std::map<const QWidget*, QString>& a, const std::map<const QWidget*, QString>& b)
{
    QStringList names;
    for (const auto& [w, text] : a) {
        const auto other = b.find(w);
        if (other == b.end() || other->second != text)
            names << w->objectName() + QStringLiteral(": ") + text;
    }
    return names.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ThemeTest, MainWindowSwitchesAndComesBackExactly)
{
    pq::MainWindow w;
    w.resize(1500, 950);
    EXPECT_EQ(pq::gThemeMode, pq::ThemeMode::Dark);
    EXPECT_TRUE(w.titleBar().lightThemeButton()->isVisibleTo(&w));
    EXPECT_FALSE(w.titleBar().darkThemeButton()->isVisibleTo(&w));
    EXPECT_FALSE(QFile::exists(pq::SettingsFilePath())) << "starting dark writes nothing";
    const auto designed = ColorsOf(w);
    const QImage dark = w.grab().toImage();

    w.toggleTheme();
    EXPECT_EQ(pq::gThemeMode, pq::ThemeMode::Light);
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme"), QString()), QStringLiteral("light"));
    EXPECT_FALSE(w.titleBar().lightThemeButton()->isVisibleTo(&w));
    EXPECT_TRUE(w.titleBar().darkThemeButton()->isVisibleTo(&w));
    const QImage light = w.grab().toImage();
    const QPoint bar = w.toolBar().mapTo(&w, QPoint(w.toolBar().width() / 2, 3));
    EXPECT_EQ(QColor(light.pixel(bar)), QColor(0xFF, 0xFF, 0xFF)) << "main bar";
    EXPECT_EQ(QColor(dark.pixel(bar)), QColor(0x1F, 0x29, 0x37));
    const QPoint frame = w.findChild<QWidget*>(QStringLiteral("windowFrame"))->mapTo(&w, QPoint(w.findChild<QWidget*>(QStringLiteral("windowFrame"))->width() / 2, w.findChild<QWidget*>(QStringLiteral("windowFrame"))->height() - 3));
    EXPECT_EQ(QColor(light.pixel(frame)), QColor(0xE8, 0xEC, 0xF2)) << "window background";

    w.toggleTheme();
    EXPECT_EQ(pq::gThemeMode, pq::ThemeMode::Dark);
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme"), QString()), QStringLiteral("dark"));
    EXPECT_EQ(Differences(ColorsOf(w), designed), "");
    EXPECT_TRUE(w.grab().toImage() == dark);

    // A second round trip drifts no more than the first.
    w.applyTheme(pq::ThemeMode::Light);
    EXPECT_TRUE(w.grab().toImage() == light);
    w.applyTheme(pq::ThemeMode::Dark);
    EXPECT_EQ(Differences(ColorsOf(w), designed), "");
    EXPECT_TRUE(w.grab().toImage() == dark);
}

TEST_F(ThemeTest, MainWindowStartsInTheSavedMode)
{
    pq::SetSetting(QStringLiteral("theme"), QStringLiteral("light"));
    pq::SetSettingsFolder(dir.path());
    QImage light;
    {
        pq::MainWindow w;
        w.resize(1500, 950);
        EXPECT_EQ(pq::gThemeMode, pq::ThemeMode::Light);
        EXPECT_TRUE(w.styleSheet() == pq::ThemeStyleSheet(QStringLiteral("VORLUNE_LIGHT")));
        EXPECT_TRUE(w.titleBar().darkThemeButton()->isVisibleTo(&w));
        light = w.grab().toImage();
        w.toggleTheme();
    }
    // Started dark, then switched to light, it looks the same.
    pq::MainWindow w;
    w.resize(1500, 950);
    EXPECT_EQ(pq::gThemeMode, pq::ThemeMode::Dark);
    w.applyTheme(pq::ThemeMode::Light);
    EXPECT_TRUE(w.grab().toImage() == light);
}

TEST_F(ThemeTest, OverlayPanelsFollowTheLanguageAndTheTheme)
{
    pq::MainWindow w;
    w.resize(1500, 950);
    w.applyTheme(pq::ThemeMode::Light);
    pq::SetCurrentLanguage(QStringLiteral("xx"));
    pq::BuildTranslations({QStringLiteral("Apply"), QStringLiteral("Cancel")},
                          {QStringLiteral("Anwenden"), QStringLiteral("Abbrechen")});

    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setStyleSheet(QStringLiteral("#Panel { background: #1F2937; }"));
    auto* apply = new QPushButton(QStringLiteral("Apply"), panel);
    w.panels().showOverlayPanel(panel);
    EXPECT_EQ(apply->text(), QStringLiteral("Anwenden"));
    EXPECT_EQ(panel->styleSheet(), QStringLiteral("#Panel { background: #ffffff; }"));

    // Switching back to dark gives the panel its designed colours.
    w.applyTheme(pq::ThemeMode::Dark);
    EXPECT_EQ(panel->styleSheet(), QStringLiteral("#Panel { background: #1F2937; }"));
    w.panels().closeOverlay();
    EXPECT_TRUE(w.panels().overlay()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
}

} // namespace
