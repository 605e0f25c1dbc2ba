// pq-render --script and --check: parse errors in line order, run errors as
// "Line N: ...", hostile scripts end with a message or a picture.
#include "gfx/codec.h"
#include "image_compare.h"
#include "scripting/script_text.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <ostream>
#include <string_view>

#include <sys/stat.h>

namespace {

struct Result {
    int exitCode = -1;
    QString err;
};

Result Render(const QStringList& args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pq-render", args);
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        return {-3, "timed out"};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardError())};
}

class PqRenderScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(120, 80, 9), input(), gfx::ImageFormat::Png, 80));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString input() const { return path("in.png"); }
    QString script(const QString& text)
    {
        const QString file = path(QStringLiteral("s%1.pqs").arg(++scripts));
        EXPECT_TRUE(pq::WriteScriptFile(file, text));
        return file;
    }
    Result runScript(const QString& text, const QString& output, const QStringList& options = {})
    {
        return Render(options + QStringList{"--script", script(text), input(), output});
    }

    QTemporaryDir dir;
    int scripts = 0;
};

} // namespace

TEST_F(PqRenderScript, CheckListsEveryParseErrorInLineOrder)
{
    const QString bad = script("# test\nEFFECT 300 1\nRESET\nFONT Arial 12 bold pink\nBOGUS");
    const Result r = Render({"--check", bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Line 2: EFFECT requires 6 arguments (id P1 P2 P3 P4 P5)\n"
                     "Line 4: Invalid hex color \"pink\"\n"
                     "Line 5: Unknown command \"BOGUS\"\n");
    const Result ok = Render({"--check", script("RESET\nEFFECT Watercolor 30 40 40 100 20")});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_TRUE(ok.err.isEmpty());
    // The same errors stop a run, and no picture is written.
    const Result run = Render({"--script", bad, input(), path("never.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, r.err);
    EXPECT_FALSE(QFile::exists(path("never.png")));
}

TEST_F(PqRenderScript, RunsAScriptAsTheWindowWould)
{
    const QString text = "RESET\nEFFECT Adjustments 55 52 55 15 52\nSAVE a\nRESET\nEFFECT 200 50 50 0 0 0\n"
                         "BLEND a 50 multiply\nFONT DejaVuSans 18 italic #AAFFFFFF\n"
                         "TEXT 99% 99% 'Pastelloquin' shadow=on\nFRAME #1 10\nTEXTURE #2 30 1\nRESIZE 50% 50%";
    const Result r = runScript(text, path("out.png"), {"--seed", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const gfx::Image out = gfx::DecodeFile(path("out.png"));
    ASSERT_FALSE(out.isNull());
    EXPECT_GT(out.width(), 60);
    ASSERT_EQ(runScript(text, path("again.png"), {"--seed", "3"}).exitCode, 0);
    EXPECT_TRUE(testimg::ImagesNear(out, gfx::DecodeFile(path("again.png"))));
}

namespace {

struct HostileScript {
    const char* script;
    const char* error; // empty: a picture
};

const HostileScript kHostileScripts[] = {
    {"RESIZE 100000 100000", "Line 1: Could not create 100000x100000 surface\n"},
    {"# big\nFRAME 1000000", "Line 2: Could not create 20"},
    {"TEXT 0 0 Huge size=1e9", ""},
    {"TEXTURE 50 0", ""},
    {"TEXTURE #99", "Line 1: Texture #99 not found (only "},
    {"FRAME brushstrokes 20 #FFFFFFFF", ""},
    {"FRAME brushstrokes 2000000000", "Line 1: Could not create "},
    {"EFFECT 999 1 2 3 4 5\nLUT_FILE /nowhere/x.cube\nEFFECT LUTs 100 50 50 50 50", ""},
};

// Each script its own test: every one starts the tool, and they run side
// by side.
// Named in test lists by the script's first line.
void PrintTo(const HostileScript& c, std::ostream* os)
{
    *os << std::string_view(c.script).substr(0, std::string_view(c.script).find('\n'));
}

class PqRenderHostileScript : public PqRenderScript, public ::testing::WithParamInterface<HostileScript> {};

} // namespace

TEST_P(PqRenderHostileScript, EndsWithAMessageOrAPicture)
{
    const HostileScript& c = GetParam();
    const QString output = path(QStringLiteral("hostile.png"));
    const Result r = runScript(c.script, output);
    if (*c.error == '\0') {
        EXPECT_EQ(r.exitCode, 0) << c.script << ": " << r.err.toStdString();
        EXPECT_TRUE(QFile::exists(output)) << c.script;
    } else {
        EXPECT_EQ(r.exitCode, 1) << c.script;
        EXPECT_TRUE(r.err.startsWith(c.error)) << c.script << ": " << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(output)) << c.script;
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, PqRenderHostileScript, ::testing::ValuesIn(kHostileScripts));

TEST_F(PqRenderScript, ALUTFileThatCannotBeReadEndsTheRun)
{
    // The kinds of file a LUT_FILE can name that exist but give no table
    // through a fault of their own; a pipe with no writer must not block.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.cube"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.cube")).constData(), 0600), 0);
    const auto cube = [&](const QString& name, const QByteArray& text) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path(name);
    };
    const QString huge = cube("huge.cube", "LUT_3D_SIZE 257\n0 0 0\n");
    const QString negative = cube("negative.cube", "LUT_3D_SIZE -2\n0 0 0\n");
    const struct {
        QString file;
        QString error;
    } kRefused[] = {
        {path("folder.cube"), path("folder.cube") + " is not a regular file"},
        {"/dev/null", "/dev/null is not a regular file"},
        {path("pipe.cube"), path("pipe.cube") + " is not a regular file"},
        {huge, huge + " holds no usable table: LUT_3D_SIZE 257 is outside 1..256"},
        {negative, negative + " holds no usable table: LUT_3D_SIZE -2 is outside 1..256"},
    };
    int n = 0;
    for (const auto& row : kRefused) {
        const QString output = path(QStringLiteral("lut%1.png").arg(++n));
        const Result r = runScript("LUT_FILE \"" + row.file + "\"\nEFFECT 404 100 50 50 50 50", output);
        EXPECT_EQ(r.exitCode, 1) << row.file.toStdString();
        EXPECT_EQ(r.err, "Line 2: " + row.error + "\n");
        EXPECT_FALSE(QFile::exists(output));
    }
    // The largest size is refused only for its missing rows, and a size of
    // 0, a table too short and a file that is not there give the picture
    // unchanged, as the effect always did.
    const QString largest = cube("largest.cube", "LUT_3D_SIZE 256\n0 0 0\n");
    const QString zero = cube("zero.cube", "LUT_3D_SIZE 0\n0 0 0\n");
    for (const QString& file : {largest, zero, path("missing.cube")}) {
        const QString output = path(QStringLiteral("lut%1.png").arg(++n));
        const Result r = runScript("LUT_FILE \"" + file + "\"\nEFFECT 404 100 50 50 50 50", output);
        EXPECT_EQ(r.exitCode, 0) << file.toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(testimg::ImagesNear(gfx::DecodeFile(output), gfx::DecodeFile(input()))) << file.toStdString();
    }
}

TEST_F(PqRenderScript, UsageErrors)
{
    for (const QStringList& args : {QStringList{"--check"}, QStringList{"--check", "a.pqs", "extra"},
                                    QStringList{"--script", "a.pqs", "in.png"},
                                    QStringList{"--preview", "--script", "a.pqs", "in.png", "out.png"},
                                    QStringList{"--check", path("missing.pqs")}}) {
        const Result r = Render(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("pq-render: ")) << r.err.toStdString();
    }
}
