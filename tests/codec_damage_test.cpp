#include "gfx/codec.h"
#include "gfx/surface.h"
#include "platform/bounded_file.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "damaged_files.h"

#include <sys/stat.h>

namespace {

using damaged::Gradient;

QByteArray Encoded(const gfx::Image& image, gfx::ImageFormat format, int quality = 90)
{
    QString error;
    const QByteArray bytes = gfx::Encode(image, format, quality, &error);
    EXPECT_FALSE(bytes.isEmpty()) << error.toStdString();
    return bytes;
}

// Refused with a reason, never a partial picture.
bool Refused(const QByteArray& bytes, QString* reason = nullptr)
{
    QString error;
    const gfx::Image image = gfx::DecodeData(bytes, &error);
    if (reason)
        *reason = error;
    return image.isNull() && !error.isEmpty();
}

constexpr int64_t kMiB = int64_t(1) << 20;

TEST(CodecDamage, PngChunkDeclaringGigabytesCostsNoMemory)
{
    if (damaged::kAddressSanitizer)
        GTEST_SKIP() << "address space limits do not mix with AddressSanitizer";
    const QByteArray png = Encoded(Gradient(32, 24), gfx::ImageFormat::Png);
    for (const bool beforeData : {true, false}) {
        const QByteArray hostile = damaged::PngWithHugeChunk(png, 0x7FFFFFF0u, beforeData);
        ASSERT_LT(hostile.size(), 2000);
        // Refused for what it is (a file that ends early) within 256 MiB
        // more than the test holds; taking the chunk whole needs 2 GB.
        const int status = damaged::RunWithMemoryAllowance(256 * kMiB, [&] {
            QString error;
            const bool refused = Refused(hostile, &error);
            return refused && error.contains(QStringLiteral("ends early")) ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << (beforeData ? "before the data" : "after the data");
    }
}

TEST(CodecDamage, LyingJpegHeadersAreRefused)
{
    const QByteArray jpeg = Encoded(Gradient(64, 48), gfx::ImageFormat::Jpeg);
    ASSERT_FALSE(Refused(jpeg));
    // The header claims twice the rows the data holds (once grey fill).
    EXPECT_TRUE(Refused(damaged::WithJpegSize(jpeg, 64, 96)));
    EXPECT_TRUE(Refused(damaged::WithJpegSize(jpeg, 128, 48)));
}

TEST(CodecDamage, HugeJpegClaimOfATinyFileIsRefusedWithinItsBound)
{
    if (damaged::kAddressSanitizer)
        GTEST_SKIP() << "address space limits do not mix with AddressSanitizer";
    // The tables and the start of the scan of a small JPEG, about 300
    // bytes, claiming 15000 x 15000 pixels.
    const QByteArray jpeg = Encoded(Gradient(16, 16), gfx::ImageFormat::Jpeg, 50);
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    const QByteArray tiny = damaged::WithJpegSize(jpeg.left(scan + 20) + "\xFF\xD9", 15000, 15000);
    ASSERT_LT(tiny.size(), 700);
    // The picture itself is 900 MB; the plug-in route took 3.8 GB.
    const int status = damaged::RunWithMemoryAllowance(1400 * kMiB, [&] { return Refused(tiny) ? 0 : 1; });
    EXPECT_EQ(status, 0);
}

QStringList gQtWarnings;

// Whether libjpeg, read through Qt's plug-in, reports the data as corrupt
// (its warnings reach Qt's message handler).
bool LibjpegSeesDamage(const QByteArray& jpeg)
{
    gQtWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { gQtWarnings << text; });
    QBuffer buffer;
    buffer.setData(jpeg);
    QImageReader reader(&buffer, "jpeg");
    reader.read();
    qInstallMessageHandler(previous);
    return gQtWarnings.join(QLatin1Char(' ')).contains(QStringLiteral("Corrupt JPEG data"));
}

TEST(CodecDamage, JpegScanDataReportedCorruptIsRefused)
{
    const QByteArray jpeg = Encoded(Gradient(256, 192), gfx::ImageFormat::Jpeg, 90);
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    const qsizetype data = scan + 2 + (int(uint8_t(jpeg[scan + 2])) << 8 | uint8_t(jpeg[scan + 3]));
    int damaged = 0;
    for (qsizetype at = data + 10; at < jpeg.size() - 10; at += 53) {
        QByteArray bad = jpeg;
        bad[at] = char(uint8_t(bad[at]) ^ 0x5A);
        if (uint8_t(bad[at]) == 0xFF || uint8_t(bad[at - 1]) == 0xFF)
            continue; // would make or break a marker
        if (!LibjpegSeesDamage(bad))
            continue; // valid data that decodes to other pixels
        ++damaged;
        EXPECT_TRUE(Refused(bad)) << "flipped at " << at;
    }
    EXPECT_GE(damaged, 3);
}

TEST(CodecDamage, EveryTruncationOfARunLengthBmpIsRefused)
{
    qsizetype pixels = 0;
    const QByteArray bmp = damaged::RleBmp(24, 16, pixels);
    QString error;
    const gfx::Image whole = gfx::DecodeData(bmp, &error);
    ASSERT_FALSE(whole.isNull()) << error.toStdString();
    EXPECT_EQ(whole.size(), QSize(24, 16));
    for (qsizetype n = pixels; n < bmp.size(); ++n)
        EXPECT_TRUE(Refused(bmp.left(n))) << "cut at " << n << " of " << bmp.size();
}

TEST(CodecDamage, GifDataMustFillItsFrame)
{
    // A whole frame, and a frame smaller than its screen: both open.
    EXPECT_FALSE(Refused(damaged::Gif(40, 30, 40, 30, 40 * 30)));
    const gfx::Image small = gfx::DecodeData(damaged::Gif(40, 30, 20, 10, 20 * 10));
    ASSERT_FALSE(small.isNull());
    // Data that ends (properly terminated) before the frame is full.
    EXPECT_TRUE(Refused(damaged::Gif(40, 30, 40, 30, 40 * 30 / 2)));
    EXPECT_TRUE(Refused(damaged::Gif(40, 30, 20, 10, 20 * 10 - 1)));
}

TEST(CodecDamage, DevicesAndPipesAreNeverRead)
{
    QString error;
    EXPECT_TRUE(gfx::DecodeFile(QStringLiteral("/dev/zero"), &error).isNull());
    EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();

    // A FIFO with no writer: refused at once, not waited on.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    error.clear();
    EXPECT_TRUE(gfx::DecodeFile(fifo, &error).isNull());
    EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
    QByteArray bytes;
    EXPECT_FALSE(platform::ReadRegularFile(dir.path(), 1 << 20, bytes, &error));
}

TEST(CodecDamage, RegularFilesAreReadUpToTheirCapOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.bin"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'a'));
    file.close();
    QByteArray bytes;
    QString error;
    EXPECT_TRUE(platform::ReadRegularFile(path, 5000, bytes, &error));
    EXPECT_EQ(bytes.size(), 5000);
    EXPECT_FALSE(platform::ReadRegularFile(path, 4999, bytes, &error));
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("too large"))) << error.toStdString();
}

} // namespace
