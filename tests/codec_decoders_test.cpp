// The JPEG and PNG decoders called directly, without the structure check
// in front of them: cut and damaged streams are refused by the decoders
// themselves, palettes of every legal size decode and one entry more does
// not.
#include "gfx/codec.h"
#include "gfx/codec_jpeg.h"
#include "gfx/codec_png.h"
#include "gfx/surface.h"

#include <gtest/gtest.h>

#include "damaged_files.h"

namespace {

using damaged::Gradient;

QByteArray Encoded(const gfx::Image& image, gfx::ImageFormat format)
{
    QString error;
    const QByteArray bytes = gfx::Encode(image, format, 90, &error);
    EXPECT_FALSE(bytes.isEmpty()) << error.toStdString();
    return bytes;
}

// An 8-bit indexed PNG, `entries` palette colours, `width` x 2 pixels whose
// indexes are the given ones, one row after the other.
QByteArray PalettePng(int entries, int width, const std::vector<uint8_t>& indexes)
{
    QByteArray header;
    damaged::AppendBe32(header, uint32_t(width));
    damaged::AppendBe32(header, 2);
    header += QByteArray::fromHex("0803000000"); // depth 8, indexed, deflate, filter 0, no interlace
    QByteArray palette;
    for (int i = 0; i < entries; ++i)
        palette += char(i & 255), palette += char(255 - (i & 255)), palette += char((i * 7) & 255);
    QByteArray rows;
    for (int y = 0; y < 2; ++y) {
        rows += char(0);
        for (int x = 0; x < width; ++x)
            rows += char(indexes[size_t(y * width + x)]);
    }
    const QByteArray zlib = qCompress(rows).mid(4); // without Qt's length prefix
    return QByteArray::fromHex("89504e470d0a1a0a") + damaged::PngChunk("IHDR", header) +
           damaged::PngChunk("PLTE", palette) + damaged::PngChunk("IDAT", zlib) + damaged::PngChunk("IEND", {});
}

QRgb PaletteColour(int i)
{
    return qRgb(i & 255, 255 - (i & 255), (i * 7) & 255);
}

TEST(PngDecoder, PalettesOfEveryLegalSizeDecodeAndOneMoreIsRefused)
{
    for (const int entries : {1, 2, 16, 255, 256}) {
        std::vector<uint8_t> indexes;
        for (int i = 0; i < 2 * 16; ++i)
            indexes.push_back(uint8_t((i * 37) % entries));
        QImage image;
        QString error;
        ASSERT_TRUE(gfx::DecodePng(PalettePng(entries, 16, indexes), image, &error))
            << entries << " entries: " << error.toStdString();
        ASSERT_EQ(image.size(), QSize(16, 2));
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(image.pixel(i % 16, i / 16), PaletteColour(indexes[size_t(i)])) << entries << " entries";
    }
    QImage image;
    QString error;
    EXPECT_FALSE(gfx::DecodePng(PalettePng(257, 4, std::vector<uint8_t>(8, 0)), image, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PngDecoder, AnIndexPastThePaletteShowsItsFirstColour)
{
    // Three entries: index 2 is the last one, 3 is past the end.
    QImage image;
    QString error;
    ASSERT_TRUE(gfx::DecodePng(PalettePng(3, 4, {0, 1, 2, 3, 3, 2, 200, 1}), image, &error)) << error.toStdString();
    EXPECT_EQ(image.pixel(2, 0), PaletteColour(2));
    EXPECT_EQ(image.pixel(3, 0), PaletteColour(0));
    EXPECT_EQ(image.pixel(1, 1), PaletteColour(2));
    EXPECT_EQ(image.pixel(2, 1), PaletteColour(0));
}

TEST(PngDecoder, CutAndDamagedStreamsAreRefused)
{
    const QByteArray png = Encoded(Gradient(64, 48), gfx::ImageFormat::Png);
    QImage image;
    QString error;
    ASSERT_TRUE(gfx::DecodePng(png, image, &error)) << error.toStdString();
    const qsizetype idat = png.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    QByteArray badCrc = png;
    badCrc[idat + 8] = char(badCrc[idat + 8] ^ 0x21);
    const std::pair<const char*, QByteArray> cases[] = {
        {"cut in the picture data", png.left(idat + 40)},
        {"cut before the end chunk", png.left(png.size() - 12)},
        {"cut in the header", png.left(20)},
        {"picture data changed", badCrc},
    };
    for (const auto& [what, bytes] : cases) {
        QImage refused;
        QString reason;
        EXPECT_FALSE(gfx::DecodePng(bytes, refused, &reason)) << what;
        EXPECT_FALSE(reason.isEmpty()) << what;
    }
}

TEST(JpegDecoder, CutAndDamagedStreamsAreRefusedTrailingBytesAreNot)
{
    const QByteArray jpeg = Encoded(Gradient(128, 96), gfx::ImageFormat::Jpeg);
    QImage image;
    QString error;
    ASSERT_TRUE(gfx::DecodeJpeg(jpeg, image, &error)) << error.toStdString();
    ASSERT_EQ(image.size(), QSize(128, 96));
    EXPECT_TRUE(gfx::DecodeJpeg(jpeg + QByteArray(64, 'x'), image, &error)) << "bytes after the end marker";

    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    // A marker in the middle of the scan data: the rest of the scan is lost.
    QByteArray marker = jpeg;
    marker[scan + 200] = char(0xFF);
    marker[scan + 201] = char(0xD9);
    const std::pair<const char*, QByteArray> cases[] = {
        {"cut in the scan", jpeg.left(jpeg.size() / 2)},
        {"cut just before the end marker", jpeg.left(jpeg.size() - 2)},
        {"cut in the tables", jpeg.left(scan - 10)},
        {"end marker inside the scan", marker},
    };
    for (const auto& [what, bytes] : cases) {
        QImage refused;
        QString reason;
        EXPECT_FALSE(gfx::DecodeJpeg(bytes, refused, &reason)) << what;
        EXPECT_FALSE(reason.isEmpty()) << what;
    }
}

} // namespace
