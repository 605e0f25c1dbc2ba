#include "catalogue/effect_catalogue.h"
#include "gfx/codec.h"
#include "gfx/surface.h"
#include "image_compare.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Result {
    int exitCode = -1;
    QString err;
};

QString RenderTool()
{
    return QCoreApplication::applicationDirPath() + "/pq-render";
}

Result RunProgram(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardError())};
}

Result Render(const QStringList& args)
{
    return RunProgram(RenderTool(), args);
}

gfx::Image Grey(int level)
{
    gfx::Surface s = gfx::Surface::make(16, 12);
    s.clear(QColor(level, level, level));
    return s.snapshot();
}

class PqRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(RenderTool()).isExecutable()) << "pq-render not built beside pq-tests";
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// An effect number of the table whose routine is not built yet (999, an
// unknown number, once every routine is).
int UnbuiltNumber()
{
    for (int n = 100; n <= 503; ++n)
        if (const pq::EffectDefinition* e = pq::FindEffect(n); e && !e->routine)
            return n;
    return 999;
}

} // namespace

TEST_F(PqRender, ReproducesTheBlackAndWhiteLevelsFromFiles)
{
    for (int v : {0, 93, 94, 255}) {
        const QString in = path(QString("in%1.png").arg(v));
        const QString out = path(QString("out%1.png").arg(v));
        ASSERT_TRUE(gfx::EncodeToFile(Grey(v), in, gfx::ImageFormat::Png, 80));
        const Result r = Render({in, out, "200", "50", "50", "0", "0", "0"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const gfx::Image result = gfx::DecodeFile(out);
        ASSERT_FALSE(result.isNull());
        EXPECT_EQ(result.pixel(8, 6), v <= 93 ? 0xFF000000u : 0xFFFFFFFFu) << v;
    }
}

TEST_F(PqRender, RunsThePreviewVariantAndTakesASeed)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(Grey(128), in, gfx::ImageFormat::Png, 80));
    const Result r = Render({"--preview", "--seed", "42", in, path("out.jpg"), "201", "50", "0", "0", "0", "0"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(gfx::DecodeFile(path("out.jpg")).isNull());
}

TEST_F(PqRender, OneThreadAndEightGiveTheSameBytes)
{
    const QString in = path("in.png");
    const gfx::Image photo = testimg::MakeNoise(96, 64, 3);
    ASSERT_TRUE(gfx::EncodeToFile(photo, in, gfx::ImageFormat::Png, 80));
    for (const char* effect : {"101", "300"}) {
        const QString serial = path(QStringLiteral("serial%1.png").arg(effect));
        const QString parallel = path(QStringLiteral("parallel%1.png").arg(effect));
        const QStringList values = {"50", "50", "50", "50", "50"};
        ASSERT_EQ(Render(QStringList{"--seed", "5", "--threads", "1", in, serial, effect} + values).exitCode, 0);
        ASSERT_EQ(Render(QStringList{"--seed", "5", "--threads", "8", in, parallel, effect} + values).exitCode, 0);
        EXPECT_TRUE(testimg::ImagesNear(gfx::DecodeFile(serial), gfx::DecodeFile(parallel))) << effect;
    }
}

TEST_F(PqRender, BadInputGivesOneClearLineAndAFailure)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(Grey(100), in, gfx::ImageFormat::Png, 80));
    QFile junk(path("junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("\x89PNG\r\n\x1a\n not really");
    junk.close();

    const QStringList cases[] = {
        {path("missing.png"), path("o.png"), "200", "50", "50", "0", "0", "0"},
        {path("junk.png"), path("o.png"), "200", "50", "50", "0", "0", "0"},
        {in, path("o.png"), "999", "50", "50", "0", "0", "0"},
        {in, path("o.png"), QString::number(UnbuiltNumber()), "50", "50", "0", "0", "0"},
        {in, path("o.png"), "200", "fifty", "50", "0", "0", "0"},
        {in, path("o.png"), "200", "50", "50", "0", "0"},
        {in, path("o.txt"), "200", "50", "50", "0", "0", "0"},
        {"--seed", "-1", in, path("o.png"), "200", "50", "50", "0", "0", "0"},
        {"--threads", "0", in, path("o.png"), "200", "50", "50", "0", "0", "0"},
    };
    for (const QStringList& args : cases) {
        const Result r = Render(args);
        EXPECT_NE(r.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("pq-render: ")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("o.png")));
}

TEST_F(PqRender, AFullDiskIsNamed)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(Grey(100), in, gfx::ImageFormat::Png, 80));
    const QString full = path("full.png");
    ASSERT_TRUE(QFile::link("/dev/full", full));
    const Result r = Render({in, full, "200", "50", "50", "0", "0", "0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "pq-render: cannot write '" + full + "': " + QString::fromLocal8Bit(std::strerror(ENOSPC)) + "\n");
}

TEST_F(PqRender, BrushesPaintWithTheLoadedSheet)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(120, 110, 5), in, gfx::ImageFormat::Png, 80));
    const QString brush = path("square.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeSolid(40, 40, 0xFF000000u), brush, gfx::ImageFormat::Png, 80));
    const QStringList values = {"302", "5", "10", "2", "10", "100"};
    ASSERT_EQ(Render(QStringList{"--seed", "3", in, path("built-in.png")} + values).exitCode, 0);
    const Result r = Render(QStringList{"--seed", "3", "--brushes", brush, in, path("own.png")} + values);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const gfx::Image builtIn = gfx::DecodeFile(path("built-in.png"));
    const gfx::Image own = gfx::DecodeFile(path("own.png"));
    ASSERT_FALSE(own.isNull());
    EXPECT_FALSE(testimg::ImagesNear(builtIn, own)) << "the square brush paints other marks";
}

TEST_F(PqRender, BrushesThatCannotBeUsedFail)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(Grey(100), in, gfx::ImageFormat::Png, 80));
    const QString brush = path("b.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeSolid(20, 20, 0xFF000000u), brush, gfx::ImageFormat::Png, 80));
    Result r = Render({"--brushes", path("missing.png"), in, path("o.png"), "302", "10", "70", "30", "30", "100"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("Error loading custom brushes: '" + path("missing.png") + "' does not exist"))
        << r.err.toStdString();
    // Files the sheet skips without a word still say why nothing loaded.
    QFile junk(path("junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("no picture here");
    junk.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    const struct {
        QString file;
        const char* reason;
    } kUnusable[] = {
        {path("junk.png"), "is not a picture that can be read"},
        {path("folder.png"), "is not a regular file"},
        {in.left(in.size() - 4) + ".txt", "is neither a .png picture nor a .zip archive of them"},
    };
    for (const auto& row : kUnusable) {
        r = Render({"--brushes", row.file, in, path("o.png"), "302", "10", "70", "30", "30", "100"});
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(r.err.contains(row.file + "' " + row.reason)) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    // Effects that paint with no sheet refuse brushes.
    r = Render({"--brushes", brush, in, path("o.png"), "200", "50", "50", "0", "0", "0"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("o.png")));
}

TEST_F(PqRender, SheetsTheEffectCannotPaintWithAreRefusedWithTheReason)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(Grey(100), in, gfx::ImageFormat::Png, 80));
    // Eight brushes side by side in one picture make one brush, whose middle
    // column falls between two of them; a clear picture has no paint at all.
    const QString strip = path("strip.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeImage(2048, 256, [](int x, int y) {
                                      const bool paint = std::abs(x % 256 - 128) < 90 && std::abs(y - 128) < 60;
                                      return paint ? 0xFF202020u : 0u;
                                  }),
                                  strip, gfx::ImageFormat::Png, 80));
    const QString clear = path("clear.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeSolid(64, 64, 0u), clear, gfx::ImageFormat::Png, 80));
    const struct {
        const char* effect;
        QString file;
        const char* error; // empty: painted
    } kSheets[] = {
        {"302", strip, "Error loading custom brushes: no usable brush. Each picture is one brush"},
        {"303", strip, "Error loading custom brushes: no usable brush. Each picture is one brush"},
        {"304", strip, ""}, // impasto takes any paint
        {"302", clear, "Error loading custom brushes: no usable brush. Each picture is one brush"},
        {"304", clear, "Error loading custom brushes: no usable brush: every brush picture is fully transparent."},
    };
    int n = 0;
    for (const auto& row : kSheets) {
        const QString out = path(QStringLiteral("o%1.png").arg(++n));
        const Result r = Render({"--brushes", row.file, in, out, row.effect, "10", "70", "30", "30", "100"});
        const std::string where = std::string(row.effect) + " " + row.file.toStdString() + ": " + r.err.toStdString();
        if (*row.error == '\0') {
            EXPECT_EQ(r.exitCode, 0) << where;
            EXPECT_TRUE(QFile::exists(out)) << where;
            continue;
        }
        EXPECT_EQ(r.exitCode, 1) << where;
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("pq-render: ") + row.error)) << where;
        EXPECT_EQ(r.err.count('\n'), 1) << where;
        EXPECT_FALSE(QFile::exists(out)) << where;
    }
}

TEST_F(PqRender, MosaicsWithContoursGiveTheSameBytesOnOneThreadAndEight)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(48, 36, 4), in, gfx::ImageFormat::Png, 80));
    for (const char* effect : {"500", "501", "502", "503"}) {
        const QString serial = path(QStringLiteral("serial%1.png").arg(effect));
        const QString parallel = path(QStringLiteral("parallel%1.png").arg(effect));
        const QStringList values = {"0", "20", "80", "35", "25"};
        const QStringList contour = {"--contour", "#FF2040C0"};
        ASSERT_EQ(Render(contour + QStringList{"--threads", "1", in, serial, effect} + values).exitCode, 0);
        ASSERT_EQ(Render(contour + QStringList{"--threads", "8", in, parallel, effect} + values).exitCode, 0);
        EXPECT_TRUE(testimg::ImagesNear(gfx::DecodeFile(serial), gfx::DecodeFile(parallel), 0)) << effect;
    }
    // The contour colour reaches the mosaics.
    const QString plain = path("plain.png");
    ASSERT_EQ(Render({in, plain, "500", "0", "20", "80", "35", "25"}).exitCode, 0);
    EXPECT_FALSE(testimg::ImagesNear(gfx::DecodeFile(plain), gfx::DecodeFile(path("serial500.png")), 0));
}

TEST_F(PqRender, BadContourColourIsRefused)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(Grey(100), in, gfx::ImageFormat::Png, 80));
    for (const char* colour : {"red", "#FF00", "FF000000", "#GG000000", "#FF0000001"}) {
        const Result r = Render({"--contour", colour, in, path("o.png"), "500", "0", "20", "80", "35", "25"});
        EXPECT_NE(r.exitCode, 0) << colour;
        EXPECT_TRUE(r.err.startsWith("pq-render: bad contour colour")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("o.png")));
}

TEST_F(PqRender, DevicesAreRefusedWithOneLine)
{
    const QString in = path("in.png");
    ASSERT_TRUE(gfx::EncodeToFile(Grey(100), in, gfx::ImageFormat::Png, 80));
    const QStringList cases[] = {
        {"/dev/zero", path("o.png"), "200", "50", "50", "0", "0", "0"},
        {"--lut", "/dev/zero", in, path("o.png"), "400", "50", "50", "50", "0", "0"},
    };
    for (const QStringList& args : cases) {
        const Result r = Render(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("not a regular file")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("o.png")));
}

// pq-render under an address-space limit (in kB), through the shell.
Result RenderWithin(int kilobytes, const QStringList& args)
{
    QStringList quoted;
    for (const QString& a : args)
        quoted << "'" + a + "'";
    return RunProgram("/bin/sh", {"-c", QString("ulimit -v %1 && exec '%2' %3").arg(kilobytes).arg(RenderTool(), quoted.join(' '))});
}

TEST_F(PqRender, LittleMemoryGivesAnHonestAnswerNeverAnAbort)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address space limits do not mix with AddressSanitizer";
#endif
    // Start-up decodes only the materials the effect reads, so a small
    // picture renders within a small allowance.
    const QString small = path("small.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(64, 48, 1), small, gfx::ImageFormat::Png, 80));
    const Result started = RenderWithin(600000, {"--seed", "1", small, path("small-out.png"), "100", "50", "50", "50", "50", "50"});
    EXPECT_EQ(started.exitCode, 0) << started.err.toStdString();
    EXPECT_FALSE(gfx::DecodeFile(path("small-out.png")).isNull());

    // An effect that runs out of memory on a 12-megapixel picture fails
    // with a line and writes nothing (it once wrote a transparent picture).
    const QString large = path("large.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(4000, 3000, 2), large, gfx::ImageFormat::Png, 80));
    const Result failed = RenderWithin(350000, {"--seed", "1", large, path("large-out.png"), "100", "50", "50", "50", "50", "50"});
    EXPECT_EQ(failed.exitCode, 1) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains("not enough memory")) << failed.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("large-out.png")));
}
