// The settings file: round trip, line rules, encodings, unreadable files
// and the interface-zoom values.
#include "ui/settings.h"
#include "app/startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = pq::SettingsFolder();
        ASSERT_TRUE(dir.isValid());
        folder = dir.filePath(QStringLiteral("Documents/Pastelloquin"));
        pq::SetSettingsFolder(folder);
    }
    void TearDown() override { pq::SetSettingsFolder(previous); }

    // A new run: the store forgets what it loaded.
    void restart() { pq::SetSettingsFolder(folder); }

    void writeFile(const QByteArray& bytes)
    {
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(pq::SettingsFilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray readFile() const
    {
        QFile file(pq::SettingsFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString folder;
    QString previous;
};

TEST_F(SettingsTest, WritesCreateTheFolderAndRoundTrip)
{
    EXPECT_EQ(pq::SettingsFilePath(), folder + QStringLiteral("/settings.txt"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_FALSE(QFile::exists(pq::SettingsFilePath())) << "reading never writes";

    pq::SetSetting(QStringLiteral("theme"), QStringLiteral("light"));
    pq::SetSetting(QStringLiteral("language"), QStringLiteral("de"));
    pq::SetSetting(QStringLiteral("uizoom"), QStringLiteral("120"));
    EXPECT_EQ(readFile(), QByteArray("theme=light\r\nlanguage=de\r\nuizoom=120\r\n"));
    // Written beside the file and renamed: nothing else is left behind.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("settings.txt")});

    restart();
    EXPECT_EQ(pq::GetSetting(QStringLiteral("THEME"), QString()), QStringLiteral("light"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QString()), QStringLiteral("de"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("uizoom"), QString()), QStringLiteral("120"));

    // An empty value deletes the line.
    pq::SetSetting(QStringLiteral("uizoom"), QString());
    EXPECT_EQ(readFile(), QByteArray("theme=light\r\nlanguage=de\r\n"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("uizoom"), QStringLiteral("auto")), QStringLiteral("auto"));
}

TEST_F(SettingsTest, FirstLineCountsAndOtherLinesStay)
{
    writeFile("# my notes\nLanguage=fr\rlanguage=de\r\ntheme = light\r\nempty=\r\n");
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QString()), QStringLiteral("fr"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme"), QStringLiteral("dark")), QStringLiteral("dark"))
        << "a name ending in a blank is another name";
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme "), QString()), QStringLiteral(" light"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("empty"), QStringLiteral("x")), QString()) << "empty, not the default";

    pq::SetSetting(QStringLiteral("language"), QStringLiteral("it"));
    EXPECT_EQ(readFile(), QByteArray("# my notes\r\nlanguage=it\r\nlanguage=de\r\ntheme = light\r\nempty=\r\n"));
}

TEST_F(SettingsTest, DecodesByteOrderMarksAndTheAnsiCodePage)
{
    QByteArray utf16("\xFF\xFE", 2);
    for (const char c : QByteArray("language=pt\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    writeFile(utf16);
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QString()), QStringLiteral("pt"));

    bool ok = false;
    EXPECT_EQ(pq::DecodeSettingsText(QByteArray("\xEF\xBB\xBFname=caf\xC3\xA9"), &ok), QStringLiteral("name=café"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(pq::DecodeSettingsText(QByteArray("name=caf\xE9"), &ok), QStringLiteral("name=café"))
        << "not UTF-8: the ANSI code page";
    EXPECT_TRUE(ok);
    pq::DecodeSettingsText(QByteArray("\xEF\xBB\xBFname=\xFF\xFE"), &ok);
    EXPECT_FALSE(ok) << "invalid text behind a UTF-8 mark";

    EXPECT_EQ(pq::SplitSettingsLines(QStringLiteral("a\r\nb\rc\nd")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_EQ(pq::SplitSettingsLines(QStringLiteral("a\r\n\r\n")), (QStringList{QStringLiteral("a"), QString()}));
    EXPECT_TRUE(pq::SplitSettingsLines(QString()).isEmpty());
}

TEST_F(SettingsTest, NonAsciiLinesSurviveARewrite)
{
    writeFile("note=caf\xC3\xA9\r\n");
    pq::SetSetting(QStringLiteral("theme"), QStringLiteral("dark"));
    restart();
    EXPECT_EQ(pq::GetSetting(QStringLiteral("note"), QString()), QStringLiteral("café"));
}

TEST_F(SettingsTest, AnUnreadableFileIsNeverReplacedByThisRunsKeysAlone)
{
    const QByteArray unreadable("\xEF\xBB\xBFtheme=light\r\nlanguage=de\r\nbad=\xFF\xFE\r\n");
    writeFile(unreadable);
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QStringLiteral("none")), QStringLiteral("none"));

    // Still unreadable when written: the file is left alone, the value
    // lives on in memory.
    pq::SetSetting(QStringLiteral("uizoom"), QStringLiteral("120"));
    EXPECT_EQ(readFile(), unreadable);
    EXPECT_EQ(pq::GetSetting(QStringLiteral("uizoom"), QString()), QStringLiteral("120"));

    // Readable again at the next write: this run's writes are laid over
    // the file's own lines.
    writeFile("theme=light\r\nlanguage=de\r\nuizoom=90\r\n");
    pq::SetSetting(QStringLiteral("theme"), QStringLiteral("dark"));
    EXPECT_EQ(readFile(), QByteArray("theme=dark\r\nlanguage=de\r\nuizoom=120\r\n"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("language"), QString()), QStringLiteral("de"));
}

TEST_F(SettingsTest, AFolderInPlaceOfTheFileIsHarmless)
{
    ASSERT_TRUE(QDir().mkpath(pq::SettingsFilePath()));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme"), QStringLiteral("dark")), QStringLiteral("dark"));
    pq::SetSetting(QStringLiteral("theme"), QStringLiteral("light"));
    EXPECT_EQ(pq::GetSetting(QStringLiteral("theme"), QString()), QStringLiteral("light"));
    EXPECT_TRUE(QFileInfo(pq::SettingsFilePath()).isDir());
}

TEST_F(SettingsTest, InterfaceZoomValues)
{
    const float automatic = 0.8f;
    const auto zoomOf = [&](const QByteArray& file) {
        writeFile(file);
        restart();
        return pq::UIZoomAtFirstShow(pq::GetSetting(QStringLiteral("uizoom"), QString()), automatic);
    };
    EXPECT_FLOAT_EQ(zoomOf("uizoom=300\r\n"), 1.5f);
    EXPECT_FLOAT_EQ(zoomOf("uizoom=20\r\n"), 0.5f);
    EXPECT_FLOAT_EQ(zoomOf("uizoom=abc\r\n"), 1.0f) << "not an integer counts as 100";
    EXPECT_FLOAT_EQ(zoomOf("uizoom=120\r\n"), 1.2f);
    EXPECT_FLOAT_EQ(zoomOf("uizoom=\r\n"), automatic);
    EXPECT_FLOAT_EQ(zoomOf("theme=dark\r\n"), automatic) << "absent";
}

} // namespace
