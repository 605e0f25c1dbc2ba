// pq-render --batch and --batch-script: the window's batch headless, every
// message on its own line, outputs beside the inputs, marked 300 DPI where
// the format carries it, and files that give nothing listed at the end.
#include "gfx/codec.h"
#include "image_compare.h"
#include "scripting/script_text.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Result {
    int exitCode = -1;
    QStringList lines;
    QString err;
};

Result Render(const QStringList& args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pq-render", args);
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        return {-3, {}, "timed out"};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
            QString::fromUtf8(p.readAllStandardError())};
}

class PqRenderBatch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString photo(const QString& name, gfx::ImageFormat format)
    {
        const QString file = path(name);
        EXPECT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(60, 40, 3), file, format, 90));
        return file;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(PqRenderBatch, WritesEachOutputBesideItsInputAndPrintsEveryMessage)
{
    const QStringList files{photo("photo.JPG", gfx::ImageFormat::Jpeg), photo("scan.bmp", gfx::ImageFormat::Bmp),
                            photo("X.JPEG", gfx::ImageFormat::Jpeg)};
    const Result r = Render(QStringList{"--batch", "200", "50", "50", "50", "50", "50"} + files);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines, QStringList({"Processing image 1 of 3...", "Processing image 2 of 3...",
                                    "Processing image 3 of 3...", "Batch complete: 3 of 3 images processed."}));
    for (const char* name : {"photo_PQ.jpg", "scan_PQ.png", "X_PQ.jpeg"}) {
        const QImage written(path(QString::fromLatin1(name)));
        ASSERT_FALSE(written.isNull()) << name;
        EXPECT_EQ(written.size(), QSize(60, 40));
        EXPECT_EQ(written.dotsPerMeterX(), 11811) << name;
    }
}

TEST_F(PqRenderBatch, CollidingNamesGetANumberAndFailuresAreListed)
{
    QFile broken(path("broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("no picture here");
    broken.close();
    const QStringList files{photo("a.png", gfx::ImageFormat::Png), photo("a.bmp", gfx::ImageFormat::Bmp),
                            path("broken.png"), photo("noext", gfx::ImageFormat::Png)};
    const Result r = Render(QStringList{"--batch", "200", "50", "50", "50", "50", "50"} + files);
    EXPECT_EQ(r.exitCode, 1) << "two of four files gave nothing";
    EXPECT_TRUE(QFile::exists(path("a_PQ.png")));
    EXPECT_TRUE(QFile::exists(path("a_PQ_2.png")));
    EXPECT_FALSE(QFile::exists(path("broken_PQ.png")));
    EXPECT_FALSE(QFile::exists(path("noext_PQ")));
    ASSERT_GE(r.lines.size(), 3);
    EXPECT_TRUE(r.lines.contains("Failed to load image: " + path("broken.png")));
    EXPECT_TRUE(r.lines.contains("Error saving image \"noext\": Invalid extension"));
    const qsizetype end = r.lines.indexOf("Batch complete: 2 of 4 images processed.");
    ASSERT_GE(end, 0);
    EXPECT_EQ(r.lines.mid(end + 1), QStringList({"broken.png: Failed to load image: " + path("broken.png"),
                                                 "noext: Invalid extension"}));
}

TEST_F(PqRenderBatch, RunsABuiltInScriptAndSaysSoFirst)
{
    const QStringList files{photo("one.png", gfx::ImageFormat::Png), photo("two.png", gfx::ImageFormat::Png)};
    const Result r = Render(QStringList{"--batch-script", "builtin:Pseudo_HDR"} + files);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_FALSE(r.lines.isEmpty());
    EXPECT_EQ(r.lines.first(), "Batch will run script: Pseudo HDR");
    EXPECT_EQ(r.lines.last(), "Batch complete: 2 of 2 images processed.");
    EXPECT_TRUE(QFile::exists(path("one_PQ.png")));
}

TEST_F(PqRenderBatch, AFailingScriptStepWritesNothingAndTheBatchGoesOn)
{
    const QString script = path("texture.pqs");
    ASSERT_TRUE(pq::WriteScriptFile(script, "RESET\nTEXTURE #99 50 1\n"));
    const QStringList files{photo("one.png", gfx::ImageFormat::Png), photo("two.png", gfx::ImageFormat::Png)};
    const Result r = Render(QStringList{"--batch-script", script} + files);
    EXPECT_EQ(r.exitCode, 1) << "no file was processed";
    EXPECT_FALSE(QFile::exists(path("one_PQ.png")));
    EXPECT_FALSE(QFile::exists(path("two_PQ.png")));
    const qsizetype end = r.lines.indexOf("Batch complete: 0 of 2 images processed.");
    ASSERT_GE(end, 0) << r.lines.join('\n').toStdString();
    ASSERT_EQ(r.lines.size(), end + 3);
    EXPECT_TRUE(r.lines[end + 1].startsWith("one.png: "));
}

TEST_F(PqRenderBatch, AScriptWithErrorsIsToldAndRunsNothing)
{
    const QString script = path("bad.pqs");
    ASSERT_TRUE(pq::WriteScriptFile(script, "RESET\nFROB 1 2\n"));
    const Result r = Render({"--batch-script", script, photo("one.png", gfx::ImageFormat::Png)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.lines, QStringList({"Script has errors:", "Line 2: Unknown command \"FROB\""}));
    EXPECT_FALSE(QFile::exists(path("one_PQ.png")));
}
