// pq-edit runs document edits from the command line; bad input and refused
// edits print one line, exit non-zero and write nothing.
#include "gfx/codec.h"
#include "image_compare.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

struct Result {
    int exitCode = -1;
    QString err;
};

Result Edit(const QStringList& args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pq-edit", args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardError())};
}

class PqEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        input = dir.filePath("in.png");
        output = dir.filePath("out.png");
        photo = testimg::MakeNoise(64, 48, 21, false);
        ASSERT_TRUE(gfx::EncodeToFile(photo, input, gfx::ImageFormat::Png, 80));
    }
    gfx::Image Written() const { return gfx::DecodeFile(output); }

    QTemporaryDir dir;
    QString input;
    QString output;
    gfx::Image photo;
};

TEST_F(PqEdit, AFullDiskIsNamed)
{
    const QString full = dir.filePath("full.png");
    ASSERT_TRUE(QFile::link("/dev/full", full));
    const Result r = Edit({input, full, "rotate-right"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "pq-edit: cannot write '" + full + "': " + QString::fromLocal8Bit(std::strerror(ENOSPC)) + "\n");
}

TEST_F(PqEdit, RotatesBothWays)
{
    ASSERT_EQ(Edit({input, output, "rotate-right"}).exitCode, 0);
    const gfx::Image right = Written();
    ASSERT_EQ(right.size(), QSize(48, 64));
    EXPECT_EQ(right.pixel(47, 0), photo.pixel(0, 0));
    ASSERT_EQ(Edit({input, output, "rotate-left"}).exitCode, 0);
    EXPECT_EQ(Written().pixel(0, 63), photo.pixel(0, 0));
}

TEST_F(PqEdit, CropsToTheRectangleOnTheImage)
{
    ASSERT_EQ(Edit({input, output, "crop", "10", "5", "30", "25"}).exitCode, 0);
    EXPECT_TRUE(testimg::ImagesNear(photo.copyRect(QRect(10, 5, 20, 20)), Written()));
    ASSERT_EQ(Edit({input, output, "crop", "-20", "40", "10", "100"}).exitCode, 0);
    EXPECT_EQ(Written().size(), QSize(10, 8));
}

TEST_F(PqEdit, DrawsText)
{
    const Result r = Edit({"--bold", "--shadow", input, output, "text", "4", "30", "20.5", "#FFFF0000", "Hi"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const gfx::Image drawn = Written();
    ASSERT_EQ(drawn.size(), photo.size());
    EXPECT_FALSE(testimg::ImagesNear(photo, drawn));
}

TEST_F(PqEdit, FramesTheImageAtItsPlace)
{
    // Wood around an opening x 10..109, y 8..91.
    const QRect opening(QPoint(10, 8), QPoint(109, 91));
    const gfx::Pixel wood = testimg::Premul(90, 60, 30);
    const gfx::Image frame =
        testimg::MakeImage(120, 100, [&](int x, int y) { return opening.contains(x, y) ? gfx::Pixel(0) : wood; });
    const QString framePath = dir.filePath("frame.png");
    ASSERT_TRUE(gfx::EncodeToFile(frame, framePath, gfx::ImageFormat::Png, 80));
    // An opaque photo: a translucent one would show the margin colour.
    const gfx::Image opaque = testimg::MakeRamp(64, 48);
    const QString opaquePath = dir.filePath("opaque.png");
    ASSERT_TRUE(gfx::EncodeToFile(opaque, opaquePath, gfx::ImageFormat::Png, 80));
    const Result r = Edit({opaquePath, output, "frame", framePath, "5", "#FF0000FF"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const gfx::Image framed = Written();
    // The image plus the frame's border and twice the margin.
    ASSERT_EQ(framed.size(), QSize(64 + 20 + 10, 48 + 16 + 10));
    EXPECT_TRUE(testimg::ImagesNear(opaque, framed.copyRect(QRect(15, 13, 64, 48)), 0));
    EXPECT_EQ(framed.pixel(12, 10), 0xFF0000FFu);
    EXPECT_EQ(framed.pixel(0, 0), wood);
}

TEST_F(PqEdit, PrintsOnePdfPage)
{
    const QString pdf = dir.filePath("page.pdf");
    for (const QStringList& args :
         {QStringList{input, pdf, "print"},
          QStringList{"--landscape", "--mode", "original", "--image-dpi", "0", "--margin", "-5", input, pdf, "print"},
          QStringList{"--mode", "stretch", "--margin", "25", input, pdf, "print"}}) {
        const Result r = Edit(args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("%PDF"));
        EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 1) << args.join(' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(pdf + ".part"));
    }
}

TEST_F(PqEdit, RefusalsWriteNothing)
{
    // A frame with a solid centre has no opening.
    const QString solid = dir.filePath("solid.png");
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeRamp(40, 30), solid, gfx::ImageFormat::Png, 80));
    const QList<QStringList> bad = {
        {input, output, "crop", "100", "100", "120", "120"}, // off the image
        {input, output, "crop", "10", "10", "10", "20"},     // empty
        {input, output, "crop", "a", "0", "5", "5"},
        {input, output, "crop", "0", "0"},
        {input, output, "text", "4", "30", "nan", "#FFFF0000", "Hi"},
        {input, output, "text", "4", "30", "12", "red", "Hi"},
        {input, output, "text", "4", "30", "12", "#FFFF0000", "   "},
        {input, output, "spin"},
        {input, output, "frame", dir.filePath("missing.png"), "10", "#FFFFFFFF"},
        {input, output, "frame", solid, "10", "#FFFFFFFF"},
        {input, output, "frame", solid, "-1", "#FFFFFFFF"},
        {input, output, "frame", solid, "99999", "#FFFFFFFF"},
        {input, output, "frame", solid, "10", "white"},
        {input, output, "print"},                            // not a .pdf
        {input, dir.filePath("out.pdf"), "rotate-left"},    // not an image
        {"--mode", "fit", input, dir.filePath("out.pdf"), "print"},
        {"--margin", "500", input, dir.filePath("out.pdf"), "print"},
        {"--image-dpi", "x", input, dir.filePath("out.pdf"), "print"},
        {"--frobnicate", input, output, "rotate-left"},
        {dir.filePath("missing.png"), output, "rotate-left"},
        {input, dir.filePath("out.tga"), "rotate-left"},
        {},
    };
    for (const QStringList& args : bad) {
        const Result r = Edit(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("pq-edit: ")) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(output)) << args.join(' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("out.pdf"))) << args.join(' ').toStdString();
    }
}

} // namespace
