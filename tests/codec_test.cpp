#include "gfx/codec.h"
#include "gfx/surface.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "damaged_files.h"
#include "image_compare.h"

#include <array>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace {

using damaged::AppendBe32;
using damaged::AppendLe;
using damaged::PngChunk;
using gfx::ImageFormat;

// A smooth photo-like gradient with seeded noise; translucent when asked.
gfx::Image TestImage(int w, int h, bool translucent = false)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y) {
        gfx::Pixel* row = s.row(y);
        for (int x = 0; x < w; ++x) {
            const int n = int(rng() % 9) - 4;
            const int a = translucent ? (x * 255 / std::max(1, w - 1)) : 255;
            const int r = std::clamp(x * 255 / w + n, 0, 255);
            const int g = std::clamp(y * 255 / h + n, 0, 255);
            const int b = std::clamp(96 + (x + y) / 4 % 64 + n, 0, 255);
            row[x] = qPremultiply(qRgba(r, g, b, a));
        }
    }
    return s.snapshot();
}

double MeanAbsDiff(const gfx::Image& a, const gfx::Image& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift = 0; shift < 32; shift += 8)
                sum += std::abs(int((a.pixel(x, y) >> shift) & 255) - int((b.pixel(x, y) >> shift) & 255));
    return sum / (double(a.width()) * a.height() * 4);
}

// A PNG whose header claims the given size, followed by a token IDAT.
QByteArray PngClaiming(uint32_t width, uint32_t height)
{
    QByteArray ihdr;
    AppendBe32(ihdr, width);
    AppendBe32(ihdr, height);
    ihdr.append(char(8)).append(char(6)).append(char(0)).append(char(0)).append(char(0));
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += PngChunk("IHDR", ihdr);
    png += PngChunk("IDAT", QByteArray::fromHex("789c030000000001"));
    png += PngChunk("IEND", {});
    return png;
}

gfx::Pixel BmpTestColour(int x, int y)
{
    return 0xFF000000u | uint32_t(40 * x) << 16 | uint32_t(40 * y) << 8 | 200u;
}

// An uncompressed 24-bit BMP with bmpTestColour pixels; rows padded to four
// bytes, stored bottom-up, or top-down (negative height) when asked.
QByteArray Bmp24(int w, int h, bool topDown = false)
{
    const int rowBytes = (w * 3 + 3) / 4 * 4;
    QByteArray b("BM");
    AppendLe(b, uint32_t(54 + rowBytes * h), 4);
    AppendLe(b, 0, 4);
    AppendLe(b, 54, 4);
    AppendLe(b, 40, 4);
    AppendLe(b, uint32_t(w), 4);
    AppendLe(b, uint32_t(topDown ? -h : h), 4);
    AppendLe(b, 1, 2);
    AppendLe(b, 24, 2);
    AppendLe(b, 0, 4); // no compression
    AppendLe(b, uint32_t(rowBytes * h), 4);
    AppendLe(b, 2835, 4);
    AppendLe(b, 2835, 4);
    AppendLe(b, 0, 4);
    AppendLe(b, 0, 4);
    for (int i = 0; i < h; ++i) {
        const int y = topDown ? i : h - 1 - i;
        for (int x = 0; x < w; ++x)
            AppendLe(b, BmpTestColour(x, y) & 0xFFFFFFu, 3); // B, G, R
        b.append(QByteArray(rowBytes - w * 3, '\0'));
    }
    return b;
}

// An APP1 Exif segment holding one IFD entry, Orientation = value.
QByteArray ExifOrientation(int value)
{
    // Little-endian TIFF header with the IFD at 8; one entry (tag 0x0112,
    // SHORT, count 1, value patched below); no next IFD.
    const QByteArray tiff = QByteArray::fromHex("49492a0008000000"
                                                "0100"
                                                "120103000100000000000000"
                                                "00000000");
    QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    body[6 + 8 + 2 + 8] = char(value);
    QByteArray seg = QByteArray::fromHex("ffe1");
    seg.append(char((body.size() + 2) >> 8)).append(char((body.size() + 2) & 255));
    return seg + body;
}

QByteArray Encoded(const gfx::Image& image, ImageFormat format, int quality = 90)
{
    QString error;
    const QByteArray bytes = gfx::Encode(image, format, quality, &error);
    EXPECT_FALSE(bytes.isEmpty()) << error.toStdString();
    return bytes;
}

void ExpectRejected(const QByteArray& bytes, const char* what)
{
    QString error;
    const gfx::Image decoded = gfx::DecodeData(bytes, &error);
    EXPECT_TRUE(decoded.isNull()) << what;
    EXPECT_FALSE(error.isEmpty()) << what;
}

TEST(Codec, FormatFromExtension)
{
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("/a/b/photo.JPG")), ImageFormat::Jpeg);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral(".jpeg")), ImageFormat::Jpeg);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("jpe")), ImageFormat::Jpeg);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("x.Png")), ImageFormat::Png);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("x.bmp")), ImageFormat::Bmp);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("x.WEBP")), ImageFormat::WebP);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("x.gif")), ImageFormat::Gif);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("x.tif")), ImageFormat::Tiff);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("x.tiff")), ImageFormat::Tiff);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("x.txt")), ImageFormat::Unknown);
    EXPECT_EQ(gfx::FormatFromExtension(QStringLiteral("dir.png/file")), ImageFormat::Unknown);
    EXPECT_EQ(gfx::FormatFromExtension(QString()), ImageFormat::Unknown);
}

TEST(Codec, LosslessRoundTrips)
{
    // Translucent pixels survive PNG's unpremultiplied storage exactly.
    for (const bool translucent : {false, true}) {
        const gfx::Image image = TestImage(97, 61, translucent);
        const gfx::Image back = gfx::DecodeData(Encoded(image, ImageFormat::Png, 80));
        ASSERT_FALSE(back.isNull());
        EXPECT_TRUE(testimg::ImagesNear(image, back)) << "translucent " << translucent;
    }
    const gfx::Image opaque = TestImage(40, 30);
    EXPECT_TRUE(testimg::ImagesNear(opaque, gfx::DecodeData(Encoded(opaque, ImageFormat::Bmp))));
    const gfx::Image translucent = TestImage(40, 30, true);
    EXPECT_TRUE(testimg::ImagesNear(translucent, gfx::DecodeData(Encoded(translucent, ImageFormat::WebP, 100))));
}

TEST(Codec, LossyRoundTripsStayClose)
{
    const gfx::Image image = TestImage(128, 96);
    const gfx::Image jpeg = gfx::DecodeData(Encoded(image, ImageFormat::Jpeg, 92));
    ASSERT_EQ(jpeg.size(), image.size());
    EXPECT_TRUE(jpeg.isOpaque());
    EXPECT_LT(MeanAbsDiff(image, jpeg), 3.0);
    const gfx::Image webp = gfx::DecodeData(Encoded(image, ImageFormat::WebP, 80));
    ASSERT_EQ(webp.size(), image.size());
    EXPECT_LT(MeanAbsDiff(image, webp), 4.0);
    // Lower quality gives a smaller file.
    EXPECT_LT(Encoded(image, ImageFormat::Jpeg, 20).size(), Encoded(image, ImageFormat::Jpeg, 92).size());
}

TEST(Codec, AlphaInFormatsWithoutIt)
{
    // Half-transparent red: JPEG shows it over white, as the preview pane
    // does (not over black, the colour of transparent pixels), BMP the
    // unpremultiplied colour.
    const gfx::Image half = testimg::MakeSolid(16, 16, qRgba(128, 0, 0, 128));
    const gfx::Pixel jpeg = gfx::DecodeData(Encoded(half, ImageFormat::Jpeg, 100)).pixel(8, 8);
    EXPECT_NEAR(int(qRed(jpeg)), 255, 3);
    EXPECT_NEAR(int(qGreen(jpeg)), 127, 3);
    EXPECT_NEAR(int(qBlue(jpeg)), 127, 3);
    EXPECT_EQ(qAlpha(jpeg), 255);
    const gfx::Pixel clear = gfx::DecodeData(Encoded(testimg::MakeSolid(16, 16, 0), ImageFormat::Jpeg, 100)).pixel(8, 8);
    EXPECT_GE(qRed(clear), 252);
    EXPECT_GE(qBlue(clear), 252);
    const gfx::Pixel bmp = gfx::DecodeData(Encoded(half, ImageFormat::Bmp)).pixel(8, 8);
    EXPECT_EQ(bmp, 0xFFFF0000u);
}

TEST(Codec, TiffWithAssociatedAlphaComesOutValid)
{
    // Qt writes premultiplied images as TIFF with associated alpha and reads
    // them back untouched, so a file can carry colour above its alpha.
    QImage bad(8, 4, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < bad.height(); ++y) {
        auto* row = reinterpret_cast<gfx::Pixel*>(bad.scanLine(y));
        for (int x = 0; x < bad.width(); ++x)
            row[x] = qRgba(200 + x, 40 * y, 255, 32 * x);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&buffer, "tiff").write(bad));

    const gfx::Image image = gfx::DecodeData(bytes);
    ASSERT_EQ(image.size(), bad.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const gfx::Pixel p = image.pixel(x, y);
            const int a = qAlpha(p);
            EXPECT_EQ(a, 32 * x);
            EXPECT_LE(qRed(p), a) << x << "," << y;
            EXPECT_LE(qGreen(p), a) << x << "," << y;
            EXPECT_LE(qBlue(p), a) << x << "," << y;
        }
    // Channels within alpha are kept.
    EXPECT_EQ(image.pixel(7, 3), qRgba(207, 120, 224, 224));
}

TEST(Codec, PngIsCompressedAtEveryQuality)
{
    // Qt stores PNG data uncompressed for its quality 90 and above.
    const gfx::Image flat = testimg::MakeSolid(256, 256, 0xFF336699u);
    for (const int quality : {1, 80, 95, 100})
        EXPECT_LT(Encoded(flat, ImageFormat::Png, quality).size(), 4096) << quality;
}

TEST(Codec, EncodeRefusesWhatItCannotWrite)
{
    QString error;
    EXPECT_TRUE(gfx::Encode(gfx::Image(), ImageFormat::Png, 80, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    for (const ImageFormat f : {ImageFormat::Gif, ImageFormat::Tiff, ImageFormat::Unknown}) {
        error.clear();
        EXPECT_TRUE(gfx::Encode(testimg::MakeSolid(4, 4, 0xFF000000u), f, 80, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(Codec, TruncatedJpegIsRejected)
{
    const QByteArray jpeg = Encoded(TestImage(256, 192), ImageFormat::Jpeg, 90);
    ASSERT_FALSE(gfx::DecodeData(jpeg).isNull());
    ExpectRejected(jpeg.left(jpeg.size() / 2), "cut in the scan");
    ExpectRejected(jpeg.left(jpeg.size() - 2), "end marker missing");
    ExpectRejected(jpeg.left(300), "cut in the tables");
    // Trailing bytes after the end marker are harmless.
    EXPECT_FALSE(gfx::DecodeData(jpeg + QByteArray(100, 'x')).isNull());
}

TEST(Codec, ExifThumbnailEndMarkerDoesNotCount)
{
    // An APP1 segment carrying a complete small JPEG (a thumbnail).
    const QByteArray thumb = Encoded(TestImage(16, 16), ImageFormat::Jpeg, 50);
    QByteArray body = QByteArray("Exif\0\0", 6) + QByteArray::fromHex("49492a0008000000") + thumb;
    QByteArray app1 = QByteArray::fromHex("ffe1");
    app1.append(char((body.size() + 2) >> 8)).append(char((body.size() + 2) & 255)).append(body);

    const QByteArray main = Encoded(TestImage(256, 192), ImageFormat::Jpeg, 90);
    const QByteArray withThumb = main.left(2) + app1 + main.mid(2);
    EXPECT_FALSE(gfx::DecodeData(withThumb).isNull());
    ExpectRejected(withThumb.left(2 + app1.size() + (main.size() - 2) / 2), "main scan cut");
    ExpectRejected(withThumb.left(2 + app1.size() + 20), "cut right after the thumbnail");
}

TEST(Codec, DamagedPngIsRejected)
{
    const QByteArray png = Encoded(TestImage(64, 64), ImageFormat::Png, 80);
    const qsizetype idat = png.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    const auto length = qsizetype(uint8_t(png[idat - 4])) << 24 | qsizetype(uint8_t(png[idat - 3])) << 16 |
                        qsizetype(uint8_t(png[idat - 2])) << 8 | qsizetype(uint8_t(png[idat - 1]));
    QByteArray badCrc = png;
    badCrc[idat + 4 + length] = char(badCrc[idat + 4 + length] ^ 0x5A);
    ExpectRejected(badCrc, "IDAT CRC");
    ExpectRejected(png.left(png.size() / 2), "truncated PNG");
    ExpectRejected(png.left(png.size() - 12), "IEND missing");
}

TEST(Codec, DamagedGifAndBmpAreRejected)
{
    const QByteArray gif = damaged::Gif(64, 64, 64, 64, 64 * 64);
    const gfx::Image decoded = gfx::DecodeData(gif);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), QSize(64, 64));
    ExpectRejected(gif.left(gif.size() / 2), "truncated GIF");

    const QByteArray bmp = Encoded(TestImage(64, 64), ImageFormat::Bmp);
    ExpectRejected(bmp.left(bmp.size() - 100), "truncated BMP");
}

TEST(Codec, BmpNeedsEveryRowWithItsPadding)
{
    for (const bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        // Five pixels make 15 bytes, padded to 16.
        const QByteArray bmp = Bmp24(5, 6, topDown);
        ASSERT_EQ(bmp.size(), 54 + 6 * 16);
        QString error;
        const gfx::Image decoded = gfx::DecodeData(bmp, &error);
        ASSERT_FALSE(decoded.isNull()) << error.toStdString();
        ASSERT_EQ(decoded.size(), QSize(5, 6));
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(decoded.pixel(x, y), BmpTestColour(x, y)) << x << ", " << y;
        EXPECT_FALSE(gfx::DecodeData(bmp + QByteArray(3, '\0')).isNull()) << "bytes after the pixels";

        ExpectRejected(bmp.left(bmp.size() - 1), "only the last pad byte missing");
        ExpectRejected(bmp.left(bmp.size() - 3), "cut inside the last row");
    }
}

TEST(Codec, GarbageIsRejected)
{
    std::mt19937 rng(3);
    QByteArray noise(4096, Qt::Uninitialized);
    for (char& c : noise)
        c = char(rng());
    ExpectRejected(noise, "random bytes");
    ExpectRejected(QByteArray(), "empty");
    ExpectRejected(QByteArray::fromHex("ffd8ff") + noise, "JPEG signature then noise");
    ExpectRejected(QByteArray("\x89PNG\r\n\x1a\n", 8) + noise, "PNG signature then noise");
    ExpectRejected(QByteArray("GIF89a") + noise, "GIF signature then noise");
    ExpectRejected(QByteArray("BM") + noise, "BMP signature then noise");
}

TEST(Codec, ExifOrientationIsApplied)
{
    // Left half red, right half blue; orientation 6 turns it clockwise, so
    // red ends up on top.
    gfx::Surface s = gfx::Surface::make(40, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            s.row(y)[x] = x < 20 ? 0xFFFF0000u : 0xFF0000FFu;
    const QByteArray jpeg = Encoded(s.snapshot(), ImageFormat::Jpeg, 95);
    const QByteArray rotated = jpeg.left(2) + ExifOrientation(6) + jpeg.mid(2);

    QString error;
    const gfx::Image image = gfx::DecodeData(rotated, &error);
    ASSERT_FALSE(image.isNull()) << error.toStdString();
    ASSERT_EQ(image.size(), QSize(20, 40));
    EXPECT_GT(qRed(image.pixel(10, 5)), 200);
    EXPECT_LT(qBlue(image.pixel(10, 5)), 60);
    EXPECT_GT(qBlue(image.pixel(10, 35)), 200);
    EXPECT_LT(qRed(image.pixel(10, 35)), 60);
}

TEST(Codec, HugeDeclaredSizesAreRefused)
{
    for (const auto& [w, h] : {std::pair{100000u, 100000u}, std::pair{20000u, 20000u}}) {
        QString error;
        const gfx::Image image = gfx::DecodeData(PngClaiming(w, h), &error);
        EXPECT_TRUE(image.isNull());
        EXPECT_TRUE(error.contains(QStringLiteral("too large"))) << error.toStdString();
    }
}

TEST(Codec, FiftyMegapixelPhotoOpens)
{
    // Above Qt's default 128 MiB decoding limit.
    const gfx::Image big = testimg::MakeSolid(8200, 6200, 0xFF808080u);
    QString error;
    const gfx::Image decoded = gfx::DecodeData(Encoded(big, ImageFormat::Jpeg, 50), &error);
    ASSERT_FALSE(decoded.isNull()) << error.toStdString();
    EXPECT_EQ(decoded.size(), QSize(8200, 6200));
}

TEST(Codec, Files)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.png"));
    const gfx::Image image = TestImage(50, 40, true);
    QString error;
    ASSERT_TRUE(gfx::EncodeToFile(image, path, ImageFormat::Png, 80, &error)) << error.toStdString();
    EXPECT_TRUE(testimg::ImagesNear(image, gfx::DecodeFile(path, &error)));

    error.clear();
    EXPECT_TRUE(gfx::DecodeFile(dir.filePath(QStringLiteral("missing.png")), &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    QFile empty(dir.filePath(QStringLiteral("empty.jpg")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    error.clear();
    EXPECT_TRUE(gfx::DecodeFile(empty.fileName(), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(Codec, FailedWritesLeaveExistingFilesAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("keep.png"));
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeSolid(8, 8, 0xFF00FF00u), existing, ImageFormat::Png, 80));
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    auto unchanged = [&] {
        QFile g(existing);
        return g.open(QIODevice::ReadOnly) && g.readAll() == before;
    };

    QString error;
    // A path below a regular file cannot be written.
    EXPECT_FALSE(gfx::EncodeToFile(testimg::MakeSolid(8, 8, 0xFFFF0000u), existing + QStringLiteral("/sub.png"),
                                   ImageFormat::Png, 80, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(unchanged());

    // An encoding failure never opens the target.
    error.clear();
    EXPECT_FALSE(gfx::EncodeToFile(gfx::Image(), existing, ImageFormat::Png, 80, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(gfx::EncodeToFile(testimg::MakeSolid(8, 8, 0xFFFF0000u), existing, ImageFormat::Gif, 80, &error));
    EXPECT_TRUE(unchanged());

    // A folder that cannot be written to (permissions do not bind root).
    if (geteuid() != 0) {
        ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        error.clear();
        EXPECT_FALSE(gfx::EncodeToFile(testimg::MakeSolid(8, 8, 0xFFFF0000u), existing, ImageFormat::Png, 80, &error));
        EXPECT_FALSE(error.isEmpty());
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_TRUE(unchanged());
    }
}

} // namespace
