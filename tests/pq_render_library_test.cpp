// pq-render --list-scripts, --print-script, --print-reference and
// builtin:NAME in place of a script file.
#include "gfx/codec.h"
#include "image_compare.h"
#include "scripting/script_library.h"
#include "scripting/script_reference.h"
#include "scripting/script_text.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Output {
    int exitCode = -1;
    QString out;
    QString err;
};

Output RunPqRender(const QStringList& args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pq-render", args);
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        return {-3, {}, "timed out"};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(PqRenderLibrary, ListsTheBuiltInScriptsInOrder)
{
    const Output r = RunPqRender({"--list-scripts"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList expected;
    for (const pq::ScriptEntry& entry : pq::LoadBuiltInScripts())
        expected << entry.name;
    EXPECT_EQ(expected.size(), 13);
    EXPECT_EQ(r.out, expected.join('\n') + '\n');
}

TEST(PqRenderLibrary, PrintsAScriptByNameWithBlanksOrUnderscores)
{
    const Output r = RunPqRender({"--print-script", "Comic book"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("# Comic book\n"));
    EXPECT_EQ(RunPqRender({"--print-script", "Comic_book"}).out, r.out);
    const Output missing = RunPqRender({"--print-script", "No such"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.err.contains("--list-scripts")) << missing.err.toStdString();
    EXPECT_EQ(RunPqRender({"--print-script"}).exitCode, 1);
}

TEST(PqRenderLibrary, PrintsTheReferenceWithItsIndex)
{
    const Output r = RunPqRender({"--print-reference"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, pq::BuildHelpText().text() + '\n');
    EXPECT_TRUE(r.out.contains("QUICK INDEX  (click a command to jump)"));
}

TEST(PqRenderLibrary, BuiltInScriptsStandForFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(96, 64, 3), input, gfx::ImageFormat::Png, 80));
    EXPECT_EQ(RunPqRender({"--check", "builtin:Super Smooth"}).exitCode, 0);
    const Output bad = RunPqRender({"--check", "builtin:Nothing"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains("built-in")) << bad.err.toStdString();
    const Output run = RunPqRender({"--script", "builtin:Photo_Enhancer", input, dir.filePath("out.png")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(gfx::DecodeFile(dir.filePath("out.png")).size(), QSize(96, 64));
}

TEST(PqRenderLibrary, TheReferencesFullExampleRuns)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(120, 80, 5), input, gfx::ImageFormat::Png, 80));
    const QString reference = pq::ScriptReferenceText();
    const QString example = reference.mid(reference.indexOf("FULL EXAMPLE"));
    ASSERT_TRUE(pq::WriteScriptFile(dir.filePath("example.pqs"), example.section('\n', 2)));
    const Output run = RunPqRender({"--script", dir.filePath("example.pqs"), input, dir.filePath("out.png")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(gfx::DecodeFile(dir.filePath("out.png")).isNull());
}
