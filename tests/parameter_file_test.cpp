// The parameter file (.pqk): its exact format, the reader's rules and its
// safety against files that are not parameter files.
#include "file_size_limit.h"
#include "platform/random.h"
#include "workspace/parameter_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

using pq::EffectParameters;
using pq::ParameterTable;

bool SameEntry(const EffectParameters& a, const EffectParameters& b)
{
    for (int k = 1; k <= 5; ++k)
        if (a.value(k) != b.value(k) || a.name(k) != b.name(k))
            return false;
    return true;
}

// Index of the first entry that differs, or -1.
int FirstDifference(const ParameterTable& a, const ParameterTable& b)
{
    for (int c = 0; c < 10; ++c)
        for (int i = 0; i < 20; ++i)
            if (!SameEntry(a[size_t(c)][size_t(i)], b[size_t(c)][size_t(i)]))
                return 100 * c + i;
    return -1;
}

ParameterTable StartupTable()
{
    ParameterTable t{};
    pq::InitializeParameters(t);
    return t;
}

class ParameterFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(ParameterFile, EveryEntryRoundTripsInTheExactFormat)
{
    // Every one of the 200 entries different: effects, empty entries,
    // negative and large values, captions with blanks and non-ASCII text.
    ParameterTable table = StartupTable();
    for (int c = 0; c < 10; ++c)
        for (int i = 0; i < 20; ++i) {
            EffectParameters& p = table[size_t(c)][size_t(i)];
            for (int k = 1; k <= 5; ++k)
                p.setValue(k, (c * 20 + i) * 7 - 3 * k - 40);
            if ((c + i) % 3 == 0)
                p.name2 = QStringLiteral("größe %1_%2 = x").arg(c).arg(i);
        }
    table[9][19].value5 = -2147483647 - 1;
    table[0][0].value1 = 2147483647;

    const QString path = dir.filePath(QStringLiteral("all.pqk"));
    pq::WriteParameterFile(table, path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF# Pastelloquin Parameters File\r\n"
                                 "# Format: [Effect_Category_Index]\r\n\r\n"
                                 "[Effect_0_0]\r\nName1=\r\n"));
    EXPECT_TRUE(bytes.endsWith("Value5=-2147483648\r\n\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 2403);
    EXPECT_EQ(bytes.count('\n'), 2403) << "no bare line feeds";
    EXPECT_TRUE(bytes.contains("[Effect_3_2]\r\nName1=min brush size\r\nName2="));
    EXPECT_FALSE(bytes.contains("[Effect_10_0]"));

    ParameterTable read = StartupTable();
    const pq::ParameterFileLoad load = pq::ReadParameterFile(path, read);
    EXPECT_TRUE(load.problem.isEmpty()) << load.problem.toStdString();
    EXPECT_EQ(load.stored, 2000);
    EXPECT_EQ(FirstDifference(read, table), -1);
}

TEST_F(ParameterFile, AHandWrittenFileIsReadByTheReaderRules)
{
    const QByteArray text =
        "Value1=1\n"                     // before any header: ignored
        "[Effect_3_2]\n"
        "Value1=55\n"
        "[effect_3_1]\n"                 // lower case: ignored, [3,2] stays
        "Value2=abc\n"                   // not an integer: 0
        "  Value3 = 250  \n"             // blanks around; stored unclamped
        "Colour=red\n"                   // unknown key
        "=5\n"                           // no key
        "Name1=\n"                       // empty caption
        "[Effect_3]\n"                   // two parts: [3,2] stays
        "Value4=-7\n"
        "[Other]\n"
        "Value5=12\n"
        "Value5=13\n"                    // a later line wins
        "[Effect_12_0]\n"                // out of range: no section
        "Value1=99\n"
        "[Effect_x_0]\n"                 // not a number: no section either
        "Value1=98\n"
        "[Effect_5_1]\r\n"
        "Name3=custom caption\r"         // a lone CR ends a line too
        "Value2=99999999999\r\n"         // beyond int: 0
        "Value1=+8\r\n";
    const QString path = write(QStringLiteral("hand.pqk"), text);
    const ParameterTable before = StartupTable();
    ParameterTable table = before;
    const pq::ParameterFileLoad load = pq::ReadParameterFile(path, table);
    EXPECT_TRUE(load.problem.isEmpty()) << load.problem.toStdString();
    EXPECT_EQ(load.stored, 10);

    EffectParameters expect32 = before[3][2];
    expect32.value1 = 55;
    expect32.value2 = 0;
    expect32.value3 = 250;
    expect32.name1.clear();
    expect32.value4 = -7;
    expect32.value5 = 13;
    EXPECT_TRUE(SameEntry(table[3][2], expect32));
    EffectParameters expect51 = before[5][1];
    expect51.name3 = QStringLiteral("custom caption");
    expect51.value2 = 0;
    expect51.value1 = 8;
    EXPECT_TRUE(SameEntry(table[5][1], expect51));

    table[3][2] = before[3][2];
    table[5][1] = before[5][1];
    EXPECT_EQ(FirstDifference(table, before), -1) << "nothing else changes";
}

TEST_F(ParameterFile, OneHeaderAndOneValueChangeOnlyThatSlider)
{
    ParameterTable table = StartupTable();
    const ParameterTable before = table;
    const QString path = write(QStringLiteral("one.pqk"), "\xEF\xBB\xBF[Effect_3_2]\r\nValue1=55");
    const pq::ParameterFileLoad load = pq::ReadParameterFile(path, table);
    EXPECT_TRUE(load.problem.isEmpty());
    EXPECT_EQ(table[3][2].value1, 55);
    table[3][2].value1 = before[3][2].value1;
    EXPECT_EQ(FirstDifference(table, before), -1);
}

TEST_F(ParameterFile, FilesThatAreNotParameterFilesChangeNothingAndSayWhy)
{
    platform::Random rng(20240917);
    QByteArray noise(4096, '\0');
    for (char& b : noise)
        b = char(rng.next() >> 24);
    QByteArray notUtf8("[Effect_3_2]\nName1=\xC3\x28\nValue1=5\n");
    QByteArray withNul("[Effect_3_2]\nValue1=5\n");
    withNul.insert(5, '\0');
    QByteArray huge;
    while (huge.size() <= pq::kMaxParameterFileBytes)
        huge += "[Effect_3_2]\r\nValue1=7\r\n";

    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"random", noise},
        {"empty", QByteArray()},
        {"bom-only", QByteArray("\xEF\xBB\xBF")},
        {"not-utf8", notUtf8},
        {"nul", withNul},
        {"huge", huge},
        {"comments", "# Pastelloquin Parameters File\r\n# nothing else\r\n"},
        {"no-sections", "Value1=5\nName1=x\n[Effect_99_99]\nValue1=1\n"},
    };
    const ParameterTable before = StartupTable();
    for (const auto& c : cases) {
        ParameterTable table = before;
        const pq::ParameterFileLoad load =
            pq::ReadParameterFile(write(QString::fromLatin1(c.name) + QStringLiteral(".pqk"), c.bytes), table);
        EXPECT_FALSE(load.problem.isEmpty()) << c.name;
        EXPECT_EQ(load.stored, 0) << c.name;
        EXPECT_EQ(FirstDifference(table, before), -1) << c.name;
    }

    // A missing file does nothing, silently; a folder is refused.
    ParameterTable table = before;
    EXPECT_TRUE(pq::ReadParameterFile(dir.filePath(QStringLiteral("missing.pqk")), table).problem.isEmpty());
    EXPECT_FALSE(pq::ReadParameterFile(dir.path(), table).problem.isEmpty());
    EXPECT_EQ(FirstDifference(table, before), -1);
}

TEST_F(ParameterFile, ATruncatedProgramFileKeepsItsCompleteLinesOnly)
{
    ParameterTable table = StartupTable();
    table[3][2].value2 = 77;
    table[3][2].value3 = 66;
    const QByteArray whole = pq::ParameterFileBytes(table);
    const qsizetype cut = whole.indexOf("[Effect_3_2]") + QByteArray("[Effect_3_2]\r\nName1=min brush size\r\n"
                                                                     "Name2=max brush size\r\nName3=iterations\r\n"
                                                                     "Name4=quality\r\nName5=opacity\r\n"
                                                                     "Value1=10\r\nValue2=7")
                                                              .size();
    ParameterTable read = StartupTable();
    const pq::ParameterFileLoad load = pq::ReadParameterFile(write(QStringLiteral("cut.pqk"), whole.left(cut)), read);
    EXPECT_FALSE(load.problem.isEmpty());
    EXPECT_GT(load.stored, 0);
    EXPECT_EQ(read[3][2].value2, 70) << "the cut value 7 is not taken for 77";
    EXPECT_EQ(read[3][2].value3, 30);

    // Cut at the end of a line: every line is whole, nothing to report.
    ParameterTable again = StartupTable();
    const qsizetype atLine = whole.indexOf("Value3=66");
    const pq::ParameterFileLoad clean =
        pq::ReadParameterFile(write(QStringLiteral("line.pqk"), whole.left(atLine)), again);
    EXPECT_TRUE(clean.problem.isEmpty());
    EXPECT_EQ(again[3][2].value2, 77);
    EXPECT_EQ(again[3][2].value3, 30);
}

TEST_F(ParameterFile, IntegersAreDecimalWithinRange)
{
    EXPECT_EQ(pq::ParseParameterInt(QStringLiteral("+5")), 5);
    EXPECT_EQ(pq::ParseParameterInt(QStringLiteral("-0")), 0);
    EXPECT_EQ(pq::ParseParameterInt(QStringLiteral("007")), 7);
    EXPECT_EQ(pq::ParseParameterInt(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(pq::ParseParameterInt(QStringLiteral("-2147483648")), -2147483647 - 1);
    for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999", "", "-", "+", "1e3", " 5", "5 ",
                            "0x10", "$10", "1.0", "١٢"})
        EXPECT_FALSE(pq::ParseParameterInt(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST_F(ParameterFile, SavingReplacesTheWholeFileOrFailsWithAReason)
{
    const QString path = write(QStringLiteral("old.pqk"), QByteArray(100000, 'x'));
    const ParameterTable table = StartupTable();
    pq::WriteParameterFile(table, path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), pq::ParameterFileBytes(table));
    f.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.pqk")}) << "no temporary left";

    EXPECT_THROW(pq::WriteParameterFile(table, dir.filePath(QStringLiteral("no/such/folder/x.pqk"))),
                 std::runtime_error);
}

TEST_F(ParameterFile, AWriteThatFailsHalfWayKeepsTheOldFileAndSaysWhy)
{
    const QByteArray old(100000, 'x');
    const QString path = write(QStringLiteral("old.pqk"), old);
    const ParameterTable table = StartupTable();
    ASSERT_GT(pq::ParameterFileBytes(table).size(), 4096);
    const auto failure = [&](const QString& name) -> std::string {
        try {
            pq::WriteParameterFile(table, name);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    };
    {
        const testfiles::FileSizeLimit limit(4096);
        EXPECT_EQ(failure(path), std::strerror(EFBIG));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
    // A full disk, in the system's words.
    const QString full = dir.filePath(QStringLiteral("full.pqk"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), full));
    EXPECT_EQ(failure(full), std::strerror(ENOSPC));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System),
              QStringList({QStringLiteral("full.pqk"), QStringLiteral("old.pqk")}))
        << "no temporary left";
}
