#include "cube_test_tables.h"

#include "gfx/codec.h"
#include "image_compare.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Result {
    int exitCode = -1;
    QString err;
};

Result Render(const QStringList& args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pq-render", args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(PqRenderLUT, ChoosesAFileOrABuiltInLook)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in.png"), out = dir.filePath("out.png");
    const gfx::Image photo = testimg::MakeRamp(24, 16);
    ASSERT_TRUE(gfx::EncodeToFile(photo, in, gfx::ImageFormat::Png, 80));
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return f.fileName();
    };
    const QStringList effect = {in, out, "404", "100", "50", "50", "50", "50"};

    Result r = Render(QStringList{"--lut", write("identity.cube", cubetest::IdentityCube(17))} + effect);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(testimg::ImagesNear(photo, gfx::DecodeFile(out)));

    r = Render(QStringList{"--lut-name", "golden HOUR"} + effect);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const gfx::Image golden = gfx::DecodeFile(out);
    EXPECT_FALSE(testimg::ImagesNear(photo, golden, 3));

    r = Render(effect); // the first built-in look, as the window takes it
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(testimg::ImagesNear(golden, gfx::DecodeFile(out), 3));

    r = Render(QStringList{"--lut-name", "No such look"} + effect);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no built-in look named 'No such look'")) << r.err.toStdString();
    r = Render(QStringList{"--lut", write("flat.cube", "LUT_1D_SIZE 2\n")} + effect);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("holds no usable table")) << r.err.toStdString();
    r = Render(QStringList{"--lut", dir.filePath("missing.cube")} + effect);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
}
